// SPDX-License-Identifier: GPL-3.0-or-later

// The whole outputs, made as the main window's two output commands make them.

#include "cli/CommandOptions.h"

#include "imaging/AutoParallax.h"
#include "imaging/ImageFile.h"
#include "imaging/NumberText.h"
#include "imaging/Messages.h"
#include "imaging/StereoOutput.h"
#include "imaging/PrivateFolder.h"
#include "imaging/RoutineSteps.h"
#include "imaging/TempFiles.h"

#include <filesystem>
#include <iostream>
#include <memory>

namespace velmora::cli {
namespace {

struct WholeOutputOptions {
    std::string image;
    std::string depth;
    std::optional<int> parallax;
    int views = StereoSettings{}.viewCount;
    double angle = StereoSettings{}.viewingAngle;
    std::optional<int> window;
    int radius = StereoSettings{}.smoothingRadius;
    int mode = StereoSettings{}.anaglyphMode;
    bool keepTemporary = false;
    OutputOptions output;
};

// The given parallax, or the automatic one from the picture's resolution.
int ParallaxOf(const WholeOutputOptions& options, double pixelsPerMetre)
{
    int parallax = 0;
    if (options.parallax) {
        parallax = *options.parallax;
    } else {
        const int dpi = DotsPerInch(pixelsPerMetre);
        if (dpi == 0)
            throw UsageError(std::string(messages::kNoAutomaticParallax) + " " + options.image +
                             " has no resolution; give the parallax with --parallax.");
        const auto automatic = ComputeAutoParallax(options.views, options.angle, dpi);
        if (!automatic)
            throw UsageError("I can't calculate the parallax automatically from these views and angle; "
                             "give the parallax with --parallax.");
        parallax = *automatic;
    }
    if (parallax == 0)
        throw UsageError(kEnterParallaxAndHow);
    return parallax;
}

// The steps run in memory; OUT is written once, by the composition, and only
// when every step before it succeeded.
int RunWholeOutput(StereoOutputKind kind, const WholeOutputOptions& options, ConsoleSink& sink)
{
    RefuseSameFiles({{"-o", options.output.path}}, {{"--image", options.image}, {"--depth", options.depth}});
    StereoSettings settings;
    settings.saveFormat = SaveFormatOf(options.output);
    settings.anaglyphMode = options.mode;
    const ResolutionRead resolution = ReadHorizontalResolution(options.image);
    if (!resolution.pixelsPerMetre && !options.parallax) {
        ReportReadFailure(options.image, resolution.status, messages::kCouldntLoadBitmap, sink);
        return kFailed;
    }
    settings.pixelsPerMetre = resolution.pixelsPerMetre.value_or(0);

    StereoOutputRun run;
    run.outputPath = options.output.path;
    run.parallax = ParallaxOf(options, settings.pixelsPerMetre);
    run.stereoWindow = options.window.value_or(run.parallax);
    run.smoothingRadius = options.radius;
    run.stopAtFirstFailure = true;
    run.readPictureOnce = true;

    // The steps run in memory; only a smoothed depth map to keep is written,
    // into a folder of its own.
    std::optional<PrivateFolder> kept;
    if (options.keepTemporary && run.smoothingRadius > 0) {
        kept.emplace();
        Require(*kept);
        run.smoothedDepthPath = kept->Path(SmoothedDepthMapName(settings.saveFormat));
    }
    const bool done = MakeStereoOutput(kind, run, options.image, options.depth, settings, sink);
    if (kept && std::filesystem::exists(run.smoothedDepthPath)) {
        kept->Keep();
        std::cerr << "velmora-cli: the smoothed depth map is kept in " << run.smoothedDepthPath << '\n';
    }
    return FinishCommand(done, sink);
}

void AddWholeOutput(CLI::App& app, CommandTable& table, StereoOutputKind kind, const std::string& name,
                    const std::string& summary, const std::string& description)
{
    auto options = std::make_shared<WholeOutputOptions>();
    CLI::App* command = app.add_subcommand(name, summary);
    command->footer(description + "\n" + kInputNote);
    command->add_option("--image", options->image, "The picture")->required()->type_name("I");
    command->add_option("--depth", options->depth, "Its depth map (brighter = nearer)")->required()->type_name("D");
    CLI::Option* parallax =
        command
            ->add_option("--parallax", options->parallax,
                         "Parallax between the views, in pixels, not 0 (default: worked out from --views, --angle "
                         "and the picture's resolution)")
            ->type_name("P");
    command
        ->add_option("--views", options->views,
                     "Number of views, for the automatic parallax (default: " + std::to_string(options->views) + ")")
        ->type_name("N")
        ->check(CLI::Range(2, std::numeric_limits<int>::max()))
        ->excludes(parallax);
    command
        ->add_option("--angle", options->angle,
                     "Viewing angle in degrees, for the automatic parallax; 12 degrees stand for 3 mm of parallax "
                     "(default: " + FormatReal(options->angle) + ")")
        ->type_name("A")
        ->check(kFiniteNumber)
        ->excludes(parallax);
    command->add_option("--window", options->window, "Stereo window position in pixels (default: the parallax)")
        ->type_name("S");
    command
        ->add_option("--radius", options->radius,
                     "Box smoothing of the depth map first, in pixels; 0 or less: none (default: " +
                         std::to_string(options->radius) + ")")
        ->type_name("R");
    if (kind == StereoOutputKind::Anaglyph)
        AddAnaglyphModeOption(*command, options->mode);
    AddOutputOptions(*command, options->output);
    command->add_flag("--keep-temp", options->keepTemporary,
                      "Keep the smoothed depth map (its path is printed) instead of deleting it");
    table[command] = [kind, options](ConsoleSink& sink) { return RunWholeOutput(kind, *options, sink); };
}

} // namespace

void AddOutputCommands(CLI::App& app, CommandTable& table)
{
    AddWholeOutput(app, table, StereoOutputKind::Anaglyph, "anaglyph",
                   "Make a red-cyan anaglyph from a picture and its depth map",
                   "Smooths the depth map, synthesises the second view and composes the anaglyph in memory, "
                   "then writes OUT, only when every step succeeded.");
    AddWholeOutput(app, table, StereoOutputKind::LcShutter, "lcshutter",
                   "Make an LC-shutter image from a picture and its depth map",
                   "Smooths the depth map, synthesises the second view and interleaves its rows with the "
                   "picture's in memory, then writes OUT, only when every step succeeded.");
}

} // namespace velmora::cli
