// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/OutputNames.h"

#include "imaging/files/WrittenFiles.h"
#include "imaging/stereo/TempFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace velmora {
namespace {

bool EqualIgnoringCase(const std::string& first, const std::string& second)
{
    return first.size() == second.size() &&
           std::equal(first.begin(), first.end(), second.begin(), [](unsigned char a, unsigned char b) {
               return std::tolower(a) == std::tolower(b);
           });
}

bool Names(const std::string& candidate, const std::string& file)
{
    return !file.empty() && (EqualIgnoringCase(candidate, file) || NamesSameFile(candidate, file));
}

bool HasExtension(const std::string& fileName)
{
    const auto dot = fileName.find_last_of('.');
    return dot != std::string::npos && dot + 1 < fileName.size();
}

} // namespace

std::string MakeOutputPath(const std::string& answer, const std::string& extension, const std::string& imagePath,
                           const std::string& depthPath)
{
    // The dialog asked the user about `answer` only: a name changed here
    // must not replace a file somebody else wrote.
    const auto taken = [&](const std::string& name) {
        std::error_code error;
        return Names(name, imagePath) || Names(name, depthPath) ||
               (name != answer && std::filesystem::exists(name, error) && !StillAsWritten(name));
    };
    const std::string suffix = HasExtension(FileName(answer)) ? "" : "." + extension;
    std::string path = answer + suffix;
    if (!taken(path))
        return path;
    path = FileName(answer) + suffix;
    do
        path = "2" + path;
    while (taken(path));
    return path;
}

std::string SmoothedDepthMapPath(int saveFormat, const std::vector<std::string>& userFiles)
{
    return FirstFreeName(SmoothedDepthMapName(saveFormat), [&](const std::string& name) {
        std::error_code error;
        const bool someoneElses = std::filesystem::exists(name, error) && !IsOurTemporaryFile(name);
        return someoneElses || std::any_of(userFiles.begin(), userFiles.end(),
                                           [&](const std::string& file) { return Names(name, file); });
    });
}

} // namespace velmora
