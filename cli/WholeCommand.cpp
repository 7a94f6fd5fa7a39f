// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/WholeCommand.h"

#include "cli/DepthSource.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/AutoParallax.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/NumberText.h"
#include "imaging/stereo/RoutineSteps.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>

namespace velmora::cli {
namespace {

// The given parallax, or the automatic one from the picture's resolution,
// said on a terminal with how it was worked out.
int ParallaxOf(std::optional<int> given, int viewCount, double viewingAngle, const std::string& imagePath,
               double pixelsPerMetre, ProgressSink& sink)
{
    if (given) {
        if (*given == 0)
            throw UsageError(kEnterParallaxAndHow);
        return *given;
    }
    const int dpi = DotsPerInch(pixelsPerMetre);
    if (dpi == 0)
        throw UsageError(std::string(messages::kNoAutomaticParallax) + " " + imagePath +
                         " has no resolution; give the parallax with --parallax (2-3% of the picture's width is a "
                         "common start).");
    const auto automatic = ComputeAutoParallax(viewCount, viewingAngle, dpi);
    if (!automatic)
        throw UsageError("I can't calculate the parallax automatically from these views and angle; "
                         "give the parallax with --parallax.");
    if (*automatic == 0)
        throw UsageError("the automatic parallax is 0 pixels (" + FormatReal(viewingAngle) + " degrees at " +
                         std::to_string(dpi) + " dpi, " + std::to_string(viewCount) +
                         " views); give a larger --angle, or the parallax with --parallax.");
    if (isatty(STDERR_FILENO))
        sink.ShowNote("parallax " + std::to_string(*automatic) + " px: " + FormatReal(viewingAngle) + " degrees at " +
                      std::to_string(dpi) + " dpi, " + std::to_string(viewCount) + " views");
    return *automatic;
}

// On a terminal, what a user likely did not mean: a stereo window outside
// the levels the depth map can have (every pixel then moves one way), or a
// parallax so large that the views share little.
void WarnOfUnusualGeometry(const StereoGeometry& geometry, const std::string& imagePath, const RunOptions& options,
                           ProgressSink& sink)
{
    if (!isatty(STDERR_FILENO))
        return;
    const int parallax = geometry.parallax, window = geometry.stereoWindow;
    if (window < std::min(0, parallax) || window > std::max(0, parallax))
        sink.ShowNote("warning: the stereo window " + std::to_string(window) + " lies outside 0.." +
                      std::to_string(parallax) + ", the levels of the depth map: the whole scene moves " +
                      // beyond the nearest level: everything farther than the screen
                      (static_cast<long long>(window - parallax) * parallax > 0 ? "behind" : "in front of") +
                      " the screen");
    const SizeRead size = ReadPictureSize(imagePath, options);
    if (size.status && 3 * static_cast<long long>(std::abs(parallax)) > size.width)
        sink.ShowNote("warning: a parallax of " + std::to_string(parallax) + " px is over a third of the picture's " +
                      std::to_string(size.width) +
                      " px width: the views will share little (2-3% of the width is "
                      "a common choice)");
}

// The options added to `command` once it had `count`.
std::vector<const CLI::Option*> OptionsAddedAfter(const CLI::App& command, std::size_t count)
{
    const std::vector<const CLI::Option*> all = command.get_options();
    return {all.begin() + static_cast<std::ptrdiff_t>(count), all.end()};
}

} // namespace

std::string InFolder(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::vector<const CLI::Option*> WholeCommand::AddOptions(CLI::App& command)
{
    const std::size_t before = command.get_options().size();
    CLI::Option* parallax =
        command
            .add_option("--parallax", parallax_,
                        "Parallax between the views, in pixels, not 0 (default: worked out from --views, --angle "
                        "and the picture's resolution)")
            ->type_name("P");
    command
        .add_option("--views", viewCount_,
                    "Number of views, for the automatic parallax (default: " + std::to_string(viewCount_) + ")")
        ->type_name("N")
        ->check(CLI::Range(2, std::numeric_limits<int>::max()))
        ->excludes(parallax);
    command
        .add_option("--angle", viewingAngle_,
                    "Viewing angle in degrees, for the automatic parallax; 12 degrees stand for 3 mm of parallax "
                    "(default: " + FormatReal(viewingAngle_) + ")")
        ->type_name("A")
        ->check(kFiniteNumber)
        ->excludes(parallax);
    command
        .add_option("--window", stereoWindow_,
                    "Stereo window: the level that keeps its column (default: the parallax, so the nearest pixels "
                    "stay in place)")
        ->type_name("S");
    command
        .add_option("--radius", smoothingRadius_,
                    "Box smoothing of the depth map first, in pixels; 0 or less: none (default: " +
                        std::to_string(smoothingRadius_) + ")")
        ->type_name("R");
    AddDepthInversionOption(command, invertDepth_);
    std::vector<const CLI::Option*> viewOptions = OptionsAddedAfter(command, before);
    AddOwnOptions(command);
    return viewOptions;
}

bool WholeCommand::Run(const std::string& imagePath, const std::string& depthPath,
                       const std::vector<OutputFile>& outputs, const RunOptions& options, ProgressSink& sink) const
{
    const ResolutionRead resolution = ReadHorizontalResolution(imagePath, options);
    if (!resolution.pixelsPerMetre && !parallax_) {
        ReportReadFailure(imagePath, resolution.status, messages::kCouldntLoadBitmap, sink);
        return false;
    }
    StereoSettings settings;
    settings.pixelsPerMetre = resolution.pixelsPerMetre.value_or(0);
    settings.saveFormat = outputs.front().format;

    LayoutRun run;
    run.imagePath = imagePath;
    run.depth = {depthPath, invertDepth_};
    run.geometry.parallax =
        ParallaxOf(parallax_, viewCount_, viewingAngle_, imagePath, settings.pixelsPerMetre, sink);
    run.geometry.stereoWindow = stereoWindow_.value_or(run.geometry.parallax);
    WarnOfUnusualGeometry(run.geometry, imagePath, options, sink);
    run.smoothingRadius = smoothingRadius_;
    return Make(run, settings, outputs, options, sink);
}

const std::vector<WholeCommandKind>& WholeCommandKinds()
{
    static const std::vector<WholeCommandKind> kinds = {
        {"anaglyph", "Make a red-cyan anaglyph from a picture and its depth map",
         "Smooths the depth map, synthesises the second view and composes the anaglyph in memory, then writes "
         "OUT, only when every step succeeded.",
         NewAnaglyphCommand},
        {"lcshutter", "Make an LC-shutter image from a picture and its depth map",
         "Smooths the depth map, synthesises the second view and interleaves its rows with the picture's in "
         "memory, then writes OUT, only when every step succeeded.",
         NewLcShutterCommand},
        {"sbs", "Put both eyes side by side or one above the other, for 3D televisions, VR viewers and free viewing",
         "The synthesised view is the left eye's picture and the picture the right eye's, as in the anaglyph. "
         "Both are cut to their common size first. A stereo pair (--stereo FILE, or --left L --right R) is written "
         "as it is instead: a camera's MPO as a JPS, two shots as a half side-by-side picture for a television.",
         NewSideBySideCommand},
        {"pair", "Write the two eyes' pictures, for other stereo tools",
         "--left gets the synthesised view, --right a copy of the picture, each in its own format. A stereo pair "
         "(--stereo FILE) is written as it is instead, its eyes apart or into one MPO; --left L --right R -o "
         "OUT.mpo without --image puts two eye files into one MPO.",
         NewEyePairCommand},
        {"views", "Make a series of views, for lenticular prints and animations",
         "Numbered from the leftmost eye to the rightmost: the last view is the picture itself (the right eye) "
         "and the one k places before it has the parallax P x k / (N - 1) and the stereo window S x k / (N - 1), "
         "rounded half away from zero, so view 0 has the full parallax. --order right-to-left numbers them the "
         "other way; --symmetric puts the picture in the middle, the views to its left with up to P / 2 and to "
         "its right with down to -P / 2.",
         NewViewSeriesCommand},
    };
    return kinds;
}

namespace {

std::vector<NamedFile> NamedOutputFiles(const std::vector<OutputFile>& outputs)
{
    std::vector<NamedFile> named;
    for (const OutputFile& output : outputs)
        named.push_back({output.option, output.path});
    return named;
}

// Writes the pair as the command's outputs say; the options of views and
// depth maps have no part in it.
bool WritePairRead(const PairWriter& writer, const PairSource& source, const std::vector<OutputFile>& outputs,
                   const std::vector<const CLI::Option*>& viewOptions, const RunOptions& options, ProgressSink& sink)
{
    for (const CLI::Option* option : viewOptions)
        if (option->count() > 0)
            throw UsageError(option->get_name() +
                             " is for a view made from a picture and its depth map: a stereo pair has both eyes "
                             "already");
    if (!OutputsReady(NamedOutputFiles(outputs), PairInputs(source), sink))
        return false;
    const std::optional<PairRead> pair = ReadPairOrReport(source, options, sink);
    if (!pair)
        return false;
    StereoSettings settings;
    settings.pixelsPerMetre = HorizontalResolution(pair->left.get());
    settings.saveFormat = outputs.front().format;
    return GuardAllocation(
        sink, [&] { return writer.WritePair(pair->left.get(), pair->right.get(), outputs, settings, options, sink); });
}

} // namespace

void AddOutputCommands(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    for (const WholeCommandKind& kind : WholeCommandKinds()) {
        struct Inputs {
            std::string image;
            DepthSource depth;
            PairOptions pair;
        };
        auto inputs = std::make_shared<Inputs>();
        std::shared_ptr<WholeCommand> whole = kind.make();
        const PairWriter* pairs = whole->Pairs();
        CLI::App* command = app.add_subcommand(kind.name, kind.summary);
        command->footer(kind.description + "\n" + kInputNote);
        CLI::Option* image = command->add_option("--image", inputs->image, "The picture")->type_name("I");
        if (pairs) {
            AddPairOptions(*command, inputs->pair, pairs->EyeFiles());
            command->get_option("--stereo")->excludes(image);
            if (pairs->EyeFiles())
                command->get_option("--left")->excludes(image);
        } else {
            image->required();
        }
        const std::size_t before = command->get_options().size();
        AddDepthSourceOptions(*command, inputs->depth, "Its depth map (brighter = nearer)");
        std::vector<const CLI::Option*> viewOptions = OptionsAddedAfter(*command, before);
        for (const CLI::Option* option : whole->AddOptions(*command))
            viewOptions.push_back(option);
        whole->AddOutputOptions(*command, runOptions.jpegQuality);
        table[command] = [inputs, whole, pairs, viewOptions](ConsoleSink& sink, const RunOptions& runOptions) {
            const std::optional<PairSource> pair =
                pairs ? pairs->GivenPair(inputs->pair, !inputs->image.empty()) : std::nullopt;
            const std::vector<OutputFile> outputs = whole->NamedOutputs();
            if (pair)
                return FinishCommand(WritePairRead(*pairs, *pair, outputs, viewOptions, runOptions, sink), sink);
            if (inputs->image.empty())
                throw UsageError(std::string("give the picture and its depth map with --image I --depth D, or a "
                                             "stereo pair to write as it is with --stereo FILE") +
                                 (pairs && pairs->EyeFiles() ? " or --left L --right R" : ""));
            if (!OutputsReady(NamedOutputFiles(outputs), {{"--image", inputs->image}, {"--depth", inputs->depth.depth}},
                              sink))
                return FinishCommand(false, sink);
            const std::optional<PreparedDepth> depth = PrepareDepth(inputs->image, inputs->depth, runOptions, sink);
            if (!depth)
                return FinishCommand(false, sink);
            return FinishCommand(whole->Run(inputs->image, depth->path, outputs, runOptions, sink), sink);
        };
    }
}

} // namespace velmora::cli
