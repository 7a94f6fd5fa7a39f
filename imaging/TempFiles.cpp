#include "imaging/TempFiles.h"

#include "imaging/StereoSettings.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace velmora {

std::string FormatExtension(int saveFormat)
{
    switch (saveFormat) {
    case kSaveBmp: return "bmp";
    case kSavePng: return "png";
    case kSaveTiff: return "tif";
    default: return "";
    }
}

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
    return "DepthMapTemp." + FormatExtension(saveFormat);
}

std::string OutlineFileName(const std::string& imageTitle, int saveFormat)
{
    return imageTitle + "-outline." + FormatExtension(saveFormat);
}

std::string GradientFileName(const std::string& imageTitle, int saveFormat)
{
    return imageTitle + "-gradient." + FormatExtension(saveFormat);
}

bool NamesSameFile(const std::string& first, const std::string& second)
{
    std::error_code error;
    if (std::filesystem::equivalent(first, second, error))
        return true;
    const auto normal = [](const std::string& name) {
        std::error_code ignored;
        return std::filesystem::weakly_canonical(std::filesystem::absolute(name, ignored), ignored);
    };
    return !first.empty() && !second.empty() && normal(first) == normal(second);
}

void DeleteTempFiles(const std::string& imagePath, int saveFormat, const std::vector<std::string>& keep)
{
    const std::string title = FileTitle(imagePath);
    for (const std::string& name : {GradientFileName(title, saveFormat), OutlineFileName(title, saveFormat),
                                    SmoothedDepthMapName(saveFormat)}) {
        const bool kept = std::any_of(keep.begin(), keep.end(),
                                      [&](const std::string& file) { return NamesSameFile(name, file); });
        std::error_code ignored;
        if (!kept)
            std::filesystem::remove(name, ignored);
    }
}

} // namespace velmora
