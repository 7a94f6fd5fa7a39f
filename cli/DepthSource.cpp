// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/DepthSource.h"

#include "cli/CommandOptions.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/formats/SaveFormat.h"
#include "imaging/photo/DepthFitting.h"
#include "imaging/stereo/RoutineSteps.h"

#include <unistd.h>

namespace velmora::cli {
namespace {

std::string SizeText(const SizeRead& size)
{
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

} // namespace

void AddDepthSourceOptions(CLI::App& command, DepthSource& source, const std::string& depthHelp)
{
    command.add_option("--depth", source.depth, depthHelp)->required()->type_name("D");
    command
        .add_option("--depth-fit", source.fit,
                    "A depth map of another size than the picture's: scale stretches it to the picture, crop uses "
                    "the area both have from their bottom left corner (default: scaled when its sides are in the "
                    "picture's ratio, refused otherwise)")
        ->check(CLI::IsMember({"scale", "crop"}, CLI::ignore_case))
        ->transform([](std::string value) { return Lowercase(std::move(value)); })
        ->type_name("scale|crop");
}

std::optional<PreparedDepth> PrepareDepth(const std::string& picturePath, const DepthSource& source,
                                          const RunOptions& options, ConsoleSink& sink)
{
    PreparedDepth prepared{source.depth, nullptr};
    const SizeRead picture = ReadPictureSize(picturePath, options);
    const SizeRead depth = ReadPictureSize(source.depth, options);
    if (!picture.status || !depth.status || (picture.width == depth.width && picture.height == depth.height) ||
        source.fit == "crop")
        return prepared;
    if (source.fit.empty() && !SameShape(picture.width, picture.height, depth.width, depth.height))
        throw UsageError("the depth map is " + SizeText(depth) + " pixels and the picture " + SizeText(picture) +
                         ", another shape\n--depth-fit scale stretches the depth map to the picture; "
                         "--depth-fit crop uses the area both have");
    const Bitmap read = ReadOrReport(source.depth, messages::kCouldntLoadBitmap, options, sink);
    if (!read)
        return std::nullopt;
    const Bitmap scaled = Resized(read.get(), picture.width, picture.height);
    if (!scaled) {
        sink.ShowMessage(messages::kNotEnoughMemory);
        return std::nullopt;
    }
    prepared.folder = std::make_unique<PrivateFolder>();
    Require(*prepared.folder);
    prepared.path = prepared.folder->Path("depth.bmp");
    if (!WriteOrReport(scaled.get(), prepared.path, kSaveBmp, options, sink))
        return std::nullopt;
    if (isatty(STDERR_FILENO))
        sink.ShowNote("the depth map is " + SizeText(depth) + " pixels: scaled to the picture's " + SizeText(picture));
    return prepared;
}

} // namespace velmora::cli
