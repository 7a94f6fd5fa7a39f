// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/DepthSource.h"

#include "cli/CommandOptions.h"
#include "imaging/estimating/DepthEstimator.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/formats/SaveFormat.h"
#include "imaging/photo/DepthFitting.h"
#include "imaging/photo/PhotoDepth.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"

#include <unistd.h>

#include <sstream>

namespace velmora::cli {
namespace {

std::string SizeText(const SizeRead& size)
{
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

// A depth map made here, written to a private folder for the routines to read.
std::optional<PreparedDepth> KeptPrivately(FIBITMAP* depth, PreparedDepth prepared, const RunOptions& options,
                                           ProgressSink& sink)
{
    prepared.folder = std::make_unique<PrivateFolder>();
    Require(*prepared.folder);
    prepared.path = prepared.folder->Path("depth.bmp");
    if (!WriteOrReport(depth, prepared.path, kSaveBmp, options, sink))
        return std::nullopt;
    return prepared;
}

} // namespace

void AddModelOptions(CLI::App& command, ModelOptions& options, const std::string& modelOption)
{
    command
        .add_option(modelOption, options.model,
                    "A relative-depth network (ONNX) that estimates the picture's depth map, such as MiDaS or "
                    "Depth Anything; none is shipped")
        ->type_name("M.onnx");
    command
        .add_option("--model-input", options.input,
                    "The network's input size, WIDTHxHEIGHT (default: 256x256, MiDaS v2.1 small; DPT models take "
                    "384x384, Depth Anything 518x518)")
        ->type_name("WxH");
    command.add_option("--model-channels", options.channels, "The input's colour order (default: rgb)")
        ->transform(OneOf({"rgb", "bgr"}))
        ->type_name("rgb|bgr");
    command
        .add_option("--model-mean", options.mean,
                    "Subtracted from each channel's value (0 to 1), in the input's order (default: ImageNet's "
                    "0.485,0.456,0.406; DPT models: 0.5,0.5,0.5)")
        ->expected(3)
        ->delimiter(',')
        ->check(kFiniteNumber)
        ->type_name("A,B,C");
    command
        .add_option("--model-std", options.deviation,
                    "Each channel's value is divided by it after the mean (default: ImageNet's 0.229,0.224,0.225; "
                    "DPT models: 0.5,0.5,0.5)")
        ->expected(3)
        ->delimiter(',')
        ->check(kFiniteNumber)
        ->type_name("A,B,C");
    command
        .add_option("--model-output", options.output,
                    "What the network gives: inverse-depth (larger = nearer, as MiDaS and Depth Anything) or depth "
                    "(larger = farther) (default: inverse-depth)")
        ->transform(OneOf({"inverse-depth", "depth"}))
        ->type_name("KIND");
}

EstimatorOptions EstimatorOptionsOf(const ModelOptions& options)
{
    EstimatorOptions estimator;
    char separator = 0;
    std::istringstream size(Lowercase(options.input));
    if (!(size >> estimator.inputWidth >> separator >> estimator.inputHeight) || separator != 'x' ||
        !size.eof() || estimator.inputWidth < 1 || estimator.inputHeight < 1 ||
        estimator.inputWidth > kLargestInputSide || estimator.inputHeight > kLargestInputSide)
        throw UsageError("--model-input " + options.input + ": give the network's input size as WIDTHxHEIGHT, "
                         "each 1 to " + std::to_string(kLargestInputSide) + ", such as 256x256");
    estimator.rgb = options.channels == "rgb";
    for (std::size_t c = 0; c < 3; ++c) {
        if (options.deviation[c] == 0)
            throw UsageError("--model-std: a deviation of 0 would divide by nothing");
        estimator.mean[c] = options.mean[c];
        estimator.scale[c] = 1 / options.deviation[c];
    }
    estimator.output = options.output == "depth" ? DepthOutput::kDepth : DepthOutput::kInverseDepth;
    return estimator;
}

Bitmap EstimateOrReport(const std::string& picturePath, const ModelOptions& model, const RunOptions& options,
                        ProgressSink& sink)
{
    const EstimatorOptions estimator = EstimatorOptionsOf(model);
    const Bitmap picture = ReadOrReport(picturePath, messages::kCouldntLoadBitmap, options, sink);
    if (!picture)
        return {};
    sink.SetStatus("Estimating the depth map");
    EstimateResult estimated = EstimateDepth(picture.get(), model.model, estimator, options);
    if (!estimated.depth)
        sink.ShowMessage(messages::kNoDepthMapMade + estimated.problem);
    return std::move(estimated.depth);
}

Bitmap StoredDepthOrReport(const std::string& picturePath, const RunOptions& options, ProgressSink& sink)
{
    StoredDepthRead stored = ReadPhotoDepth(picturePath, options);
    if (stored.found) {
        if (isatty(STDERR_FILENO))
            sink.ShowNote("the depth map is the one stored in " + picturePath + ": " + stored.source);
        return std::move(stored.depth);
    }
    if (stored.problem.empty())
        throw UsageError(picturePath + " stores no depth map: give one with --depth D, or have a depth network make "
                         "one with --depth-model M.onnx");
    sink.ShowMessage(messages::kNoDepthMapMade + picturePath + ": " + stored.problem);
    return {};
}

void AddDepthSourceOptions(CLI::App& command, DepthSource& source, const std::string& depthHelp)
{
    CLI::Option* depth = command.add_option("--depth", source.depth, depthHelp)->type_name("D");
    AddModelOptions(command, source.model, "--depth-model");
    depth->excludes(command.get_option("--depth-model"));
    AddDepthFitOption(command, source.fit);
}

void AddDepthFitOption(CLI::App& command, std::string& fit)
{
    command
        .add_option("--depth-fit", fit,
                    "A depth map of another size than the picture's: scale stretches it to the picture, crop uses "
                    "the area both have from their bottom left corner (default: scaled when its sides are in the "
                    "picture's ratio, refused otherwise)")
        ->transform(OneOf({"scale", "crop"}))
        ->type_name("scale|crop");
}

std::optional<PreparedDepth> PrepareDepth(const std::string& picturePath, const DepthSource& source,
                                          const RunOptions& options, ProgressSink& sink)
{
    PreparedDepth prepared{source.depth, nullptr};
    if (!source.model.model.empty()) {
        const Bitmap estimated = EstimateOrReport(picturePath, source.model, options, sink);
        return estimated ? KeptPrivately(estimated.get(), std::move(prepared), options, sink) : std::nullopt;
    }
    if (source.depth.empty() || source.depth == kEmbeddedDepth) {
        const Bitmap stored = StoredDepthOrReport(picturePath, options, sink);
        return stored ? KeptPrivately(stored.get(), std::move(prepared), options, sink) : std::nullopt;
    }
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
    if (isatty(STDERR_FILENO))
        sink.ShowNote("the depth map is " + SizeText(depth) + " pixels: scaled to the picture's " + SizeText(picture));
    return KeptPrivately(scaled.get(), std::move(prepared), options, sink);
}

} // namespace velmora::cli
