// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/TempFiles.h"

#include "imaging/files/WrittenFiles.h"
#include "imaging/formats/SaveFormat.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace velmora {

std::string FileName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FileTitle(const std::string& path)
{
    const std::string name = FileName(path);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string SmoothedDepthMapName(int saveFormat)
{
    return "DepthMapTemp." + FormatExtension(IntermediateFormat(saveFormat));
}

std::string OutlineFileName(const std::string& imageTitle, int saveFormat)
{
    return imageTitle + "-outline." + FormatExtension(saveFormat);
}

std::string GradientFileName(const std::string& imageTitle, int saveFormat)
{
    return imageTitle + "-gradient." + FormatExtension(saveFormat);
}

std::string PictureBesideDepthMap(const std::string& depthPath)
{
    const std::filesystem::path path(depthPath);
    return (path.parent_path() / (path.stem().string() + "-picture" + path.extension().string())).string();
}

namespace {

// "name.ext" as ("name", ".ext"); a name without a dot has no extension.
std::pair<std::string, std::string> SplitExtension(const std::string& name)
{
    const auto dot = name.find_last_of('.');
    const auto slash = name.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {name, ""};
    return {name.substr(0, dot), name.substr(dot)};
}

} // namespace

std::string FirstFreeName(const std::string& name, const std::function<bool(const std::string&)>& taken)
{
    const auto [stem, extension] = SplitExtension(name);
    std::string candidate = name;
    for (int n = 2; taken(candidate); ++n)
        candidate = stem + std::to_string(n) + extension;
    return candidate;
}

bool IsNameOrNumberedForm(const std::string& fileName, const std::string& name)
{
    if (fileName == name)
        return true;
    const auto [stem, extension] = SplitExtension(name);
    if (fileName.size() <= stem.size() + extension.size() || fileName.compare(0, stem.size(), stem) != 0 ||
        fileName.compare(fileName.size() - extension.size(), extension.size(), extension) != 0)
        return false;
    const std::string number = fileName.substr(stem.size(), fileName.size() - stem.size() - extension.size());
    return number[0] != '0' && std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void DeleteTempFiles(const std::string& imagePath, int saveFormat, const std::vector<std::string>& keep)
{
    const std::string title = FileTitle(imagePath);
    for (const std::string& name : {GradientFileName(title, saveFormat), OutlineFileName(title, saveFormat),
                                    SmoothedDepthMapName(saveFormat)}) {
        const auto ours =
            TemporaryFilesIn(".", [&](const std::string& file) { return IsNameOrNumberedForm(file, name); });
        for (const std::string& file : ours) {
            const bool kept = std::any_of(keep.begin(), keep.end(),
                                          [&](const std::string& user) { return NamesSameFile(file, user); });
            std::error_code error;
            if (!kept && IsOurTemporaryFile(file) && std::filesystem::remove(file, error))
                ForgetWrittenFile(file);
        }
    }
}

} // namespace velmora
