// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/OutputNames.h"

#include "imaging/files/WrittenFiles.h"
#include "imaging/stereo/TempFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <functional>

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

// Why the first of `files` that may not be written may not: it is an input,
// or a file somebody else wrote that the dialog did not ask about (only
// `asked` was); empty when all may be.
std::string WhyNotWritable(const std::vector<std::string>& files, const std::string& asked,
                           const std::string& imagePath, const std::string& depthPath)
{
    for (const std::string& file : files) {
        std::error_code error;
        if (NamesAnInput(file, imagePath, depthPath))
            return FileName(file) + " is an input";
        if (file != asked && std::filesystem::exists(file, error) && !StillAsWritten(file))
            return FileName(file) + " already exists";
    }
    return {};
}

// The files named from the answer with its extension, or from "2" and the
// answer's file name, "22"..., whichever come first that may be written.
OutputFiles FirstWritable(const std::string& answer, const std::string& extension, const std::string& asked,
                          const std::function<std::vector<std::string>(const std::string&)>& filesOf,
                          const std::string& imagePath, const std::string& depthPath)
{
    const std::string suffix = HasExtension(FileName(answer)) ? "" : "." + extension;
    std::string path = answer + suffix;
    const std::string moved = WhyNotWritable(filesOf(path), asked, imagePath, depthPath);
    if (moved.empty())
        return {filesOf(path), moved};
    // A name changed here lies in the current folder, the one the dialog chose.
    path = FileName(answer) + suffix;
    do
        path = std::string("2") + path;
    while (!WhyNotWritable(filesOf(path), asked, imagePath, depthPath).empty());
    return {filesOf(path), moved};
}

// "NAME-07.EXT" from "NAME.EXT".
std::string ViewName(const std::string& path, int index)
{
    const std::size_t dot = path.size() - FileName(path).size() + FileName(path).find_last_of('.');
    char number[16];
    std::snprintf(number, sizeof number, "-%02d", index);
    return path.substr(0, dot) + number + path.substr(dot);
}

} // namespace

bool NamesAnInput(const std::string& path, const std::string& imagePath, const std::string& depthPath)
{
    return Names(path, imagePath) || Names(path, depthPath);
}

OutputFiles MakeOutputPath(const std::string& answer, const std::string& extension, const std::string& imagePath,
                           const std::string& depthPath)
{
    // The dialog asked the user about `answer` only: a name changed here
    // must not replace a file somebody else wrote.
    return FirstWritable(
        answer, extension, answer, [](const std::string& path) { return std::vector<std::string> {path}; }, imagePath,
        depthPath);
}

OutputFiles MakeViewSeriesPaths(const std::string& answer, const std::string& extension, int count,
                                const std::string& imagePath, const std::string& depthPath)
{
    const auto views = [count](const std::string& path) {
        std::vector<std::string> names;
        for (int k = 0; k < count; ++k)
            names.push_back(ViewName(path, k));
        return names;
    };
    return FirstWritable(answer, extension, "", views, imagePath, depthPath);
}

OutputFiles MakeDepthAndPicturePaths(const std::string& answer, const std::string& extension,
                                     const std::string& imagePath, const std::string& depthPath)
{
    const auto both = [](const std::string& path) {
        return std::vector<std::string>{path, PictureBesideDepthMap(path)};
    };
    return FirstWritable(answer, extension, answer, both, imagePath, depthPath);
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
