// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/PairOptions.h"

#include "imaging/stereo/Messages.h"

namespace velmora::cli {
namespace {

std::optional<PairHalves> HalvesNamed(const std::string& name)
{
    if (name == "parallel")
        return kParallelHalves;
    if (name == "cross")
        return kCrossHalves;
    if (name == "top-bottom")
        return kTopBottomHalves;
    return std::nullopt;
}

} // namespace

void AddPairOptions(CLI::App& command, PairOptions& options, bool eyeFiles)
{
    CLI::Option* stereo =
        command
            .add_option("--stereo", options.stereo,
                        "Both eyes in one file: an MPO from a two-lens camera, a JPS or PNS (cross-eyed unless the "
                        "file says otherwise), or any picture of both eyes with --stereo-layout")
            ->type_name("FILE");
    command
        .add_option("--stereo-layout", options.layout,
                    "How the eyes share a --stereo picture: parallel (left eye on the left), cross (right eye on "
                    "the left) or top-bottom (left eye above)")
        ->type_name("LAYOUT")
        ->check(CLI::IsMember({"parallel", "cross", "top-bottom"}))
        ->needs(stereo);
    if (!eyeFiles)
        return;
    CLI::Option* left = command.add_option("--left", options.left, "The left eye's picture")->type_name("L");
    CLI::Option* right = command.add_option("--right", options.right, "The right eye's picture")->type_name("R");
    left->needs(right)->excludes(stereo);
    right->needs(left)->excludes(stereo);
}

void AddAlignedPairOptions(CLI::App& command, std::string& layout, double& windowMargin)
{
    command
        .add_option("--layout", layout,
                    "How a picture of both eyes holds them: parallel, cross or top-bottom (default: parallel)")
        ->type_name("LAYOUT")
        ->check(CLI::IsMember({"parallel", "cross", "top-bottom"}));
    command
        .add_option("--window-margin", windowMargin,
                    "Put the nearest matched point this many pixels behind the screen (default: 0, at it)")
        ->type_name("P")
        ->check(kFiniteNumber);
}

std::optional<PairSource> PairSourceOf(const PairOptions& options)
{
    if (options.stereo.empty() && options.left.empty())
        return std::nullopt;
    return PairSource{options.stereo, HalvesNamed(options.layout), options.left, options.right};
}

std::vector<NamedFile> PairInputs(const PairSource& source)
{
    return {{"--stereo", source.stereo}, {"--left", source.left}, {"--right", source.right}};
}

std::optional<PairRead> ReadPairOrReport(const PairSource& source, const RunOptions& runOptions, ProgressSink& sink)
{
    PairRead read = ReadStereoPair(source, runOptions);
    if (read.left)
        return read;
    sink.ShowMessage(messages::kCouldntLoadBitmap);
    sink.ExplainFailure(source.stereo.empty() ? "the pair" : source.stereo, read.problem);
    return std::nullopt;
}

} // namespace velmora::cli
