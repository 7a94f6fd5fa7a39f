// SPDX-License-Identifier: GPL-3.0-or-later

// The single processing steps, each one routine from file to file.

#include "cli/CommandOptions.h"
#include "cli/DepthSource.h"
#include "cli/PairOptions.h"

#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/DepthSmoothing.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/stereo/ShiftedView.h"
#include "imaging/stereo/ViewMaster.h"

#include <memory>

namespace velmora::cli {
namespace {

void AddSmooth(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    struct Options {
        std::string depth;
        bool invertDepth = false;
        int radius = 0;
        OutputOptions output;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("smooth", "Box-smooth a depth map");
    command->footer(std::string("Every byte becomes the rounded mean of the square of side 2R+1 around it, "
                                "clipped to the picture.\n") + kInputNote);
    command->add_option("--depth", options->depth, "Depth map to smooth")->required()->type_name("D");
    command->add_option("--radius", options->radius, "Half the side of the square, in pixels (0: a plain copy)")
        ->required()
        ->type_name("R")
        ->check(CLI::NonNegativeNumber);
    AddDepthInversionOption(*command, options->invertDepth);
    AddOutputOptions(*command, options->output, runOptions.jpegQuality);
    table[command] = [options](ConsoleSink& sink, const RunOptions& runOptions) {
        const std::vector<NamedFile> outputs = {{"-o", options->output.path}};
        if (!OutputsReady(outputs, {{"--depth", options->depth}}, sink))
            return FinishCommand(false, sink);
        StereoSettings settings;
        settings.saveFormat = SaveFormatOf(options->output);
        const bool done = SmoothDepthMap({options->depth, options->invertDepth}, options->output.path, options->radius,
                                         settings, runOptions, sink);
        return FinishCommand(done, sink);
    };
}

void AddView(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    struct Options {
        std::string image;
        DepthSource depth;
        bool invertDepth = false;
        int parallax = 0;
        std::optional<int> window;
        std::optional<double> pixelsPerMetre;
        OutputOptions output;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("view", "Synthesise the second view of a stereo pair");
    command->footer(std::string("Every pixel moves along its row by its level minus the stereo window, its level "
                                "being round(P x depth / 255); near pixels cover far ones and the holes are filled "
                                "from their neighbours.\n") + kInputNote);
    command->add_option("--image", options->image, "The picture")->required()->type_name("I");
    AddDepthSourceOptions(*command, options->depth, "Its depth map");
    command->add_option("--parallax", options->parallax, "Parallax between the views, in pixels, not 0")
        ->required()
        ->type_name("P");
    command->add_option("--window", options->window,
                        "Stereo window: the level that keeps its column (default: the parallax, so the nearest "
                        "pixels stay in place)")
        ->type_name("S");
    AddDepthInversionOption(*command, options->invertDepth);
    AddResolutionOption(*command, options->pixelsPerMetre, "--image");
    AddOutputOptions(*command, options->output, runOptions.jpegQuality);
    table[command] = [options](ConsoleSink& sink, const RunOptions& runOptions) {
        if (options->parallax == 0)
            throw UsageError(kEnterParallaxAndHow);
        const std::vector<NamedFile> outputs = {{"-o", options->output.path}};
        if (!OutputsReady(outputs, {{"--image", options->image}, {"--depth", options->depth.depth}}, sink))
            return FinishCommand(false, sink);
        const std::optional<PreparedDepth> depth = PrepareDepth(options->image, options->depth, runOptions, sink);
        if (!depth)
            return FinishCommand(false, sink);
        StereoSettings settings;
        settings.saveFormat = SaveFormatOf(options->output);
        settings.geometry.parallax = options->parallax;
        settings.geometry.stereoWindow = options->window.value_or(options->parallax);
        settings.pixelsPerMetre = ResolutionOf(options->pixelsPerMetre, options->image, runOptions);
        const bool done = MakeShiftedView(options->output.path, options->image, {depth->path, options->invertDepth},
                                          settings, runOptions, sink);
        return FinishCommand(done, sink);
    };
}

// The eyes of a pair composed in memory by `compose`, written to the output:
// the left eye is the view's part, the right eye the picture's.
template <typename Compose>
int ComposePair(const PairSource& source, const OutputOptions& output, StereoSettings settings,
                const std::optional<double>& pixelsPerMetre, const RunOptions& runOptions, ConsoleSink& sink,
                Compose compose)
{
    const std::optional<PairRead> pair = ReadPairOrReport(source, runOptions, sink);
    if (!pair)
        return FinishCommand(false, sink);
    settings.pixelsPerMetre = pixelsPerMetre.value_or(HorizontalResolution(pair->right.get()));
    const bool done = GuardAllocation(sink, [&] {
        Bitmap result = compose(pair->left.get(), pair->right.get(), settings);
        return result && WriteOrReport(result.get(), output.path, settings.saveFormat, runOptions, sink);
    });
    return FinishCommand(done, sink);
}

void AddComposeAnaglyph(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    struct Options {
        std::string view;
        std::string image;
        PairOptions pair;
        int mode = StereoSettings{}.anaglyphMode;
        std::optional<double> pixelsPerMetre;
        OutputOptions output;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("compose-anaglyph", "Compose a red-cyan anaglyph from a view and a picture");
    command->footer(std::string("Red comes from the view, green and blue from the picture, over their common "
                                "bottom-left area. From a stereo pair, red comes from the left eye and green and "
                                "blue from the right eye.\n") + kInputNote);
    CLI::Option* view = command->add_option("--view", options->view, "The synthesised view")->type_name("V");
    CLI::Option* image = command->add_option("--image", options->image, "The picture")->type_name("I");
    view->needs(image);
    image->needs(view);
    AddPairOptions(*command, options->pair, true);
    AddAnaglyphModeOption(*command, options->mode);
    AddResolutionOption(*command, options->pixelsPerMetre, "--image");
    AddOutputOptions(*command, options->output, runOptions.jpegQuality);
    table[command] = [options](ConsoleSink& sink, const RunOptions& runOptions) {
        const std::optional<PairSource> pair = PairSourceOf(options->pair);
        std::vector<NamedFile> inputs = pair ? PairInputs(*pair) : std::vector<NamedFile>{};
        inputs.insert(inputs.end(), {{"--view", options->view}, {"--image", options->image}});
        const std::vector<NamedFile> outputs = {{"-o", options->output.path}};
        if (!OutputsReady(outputs, inputs, sink))
            return FinishCommand(false, sink);
        StereoSettings settings;
        settings.saveFormat = SaveFormatOf(options->output);
        settings.anaglyphMode = options->mode;
        if (pair && !options->view.empty())
            throw UsageError("give --view and --image, or a stereo pair, not both");
        if (pair)
            return ComposePair(*pair, options->output, settings, options->pixelsPerMetre, runOptions, sink,
                               [&](FIBITMAP* left, FIBITMAP* right, const StereoSettings& with) {
                                   return ComposeAnaglyph(left, right, with, runOptions, sink);
                               });
        if (options->view.empty())
            throw UsageError("give the view and the picture (--view V --image I) or a stereo pair (--stereo FILE, "
                             "or --left L --right R)");
        settings.pixelsPerMetre = ResolutionOf(options->pixelsPerMetre, options->image, runOptions);
        const bool done = MakeAnaglyph(options->output.path, options->view, options->image, settings, runOptions, sink);
        return FinishCommand(done, sink);
    };
}

void AddComposeLcShutter(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    struct Options {
        std::string left;
        std::string right;
        PairOptions pair;
        std::optional<double> pixelsPerMetre;
        OutputOptions output;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("compose-lcshutter", "Interleave two pictures for LC-shutter glasses");
    command->footer(std::string("Rows 0, 2, 4... counted from the bottom come from the right picture, rows 1, 3, "
                                "5... from the left one. From a stereo file, the left picture is the right eye "
                                "and the right picture the left eye, as for a view and its photograph.\n") +
                    kInputNote);
    CLI::Option* left =
        command->add_option("--left", options->left, "The left picture (the original)")->type_name("L");
    CLI::Option* right =
        command->add_option("--right", options->right, "The right picture (the synthesised view)")->type_name("R");
    left->needs(right);
    right->needs(left);
    AddPairOptions(*command, options->pair, false);
    AddResolutionOption(*command, options->pixelsPerMetre, "--left");
    AddOutputOptions(*command, options->output, runOptions.jpegQuality);
    table[command] = [options](ConsoleSink& sink, const RunOptions& runOptions) {
        const std::vector<NamedFile> outputs = {{"-o", options->output.path}};
        if (!OutputsReady(outputs,
                          {{"--left", options->left}, {"--right", options->right}, {"--stereo", options->pair.stereo}},
                          sink))
            return FinishCommand(false, sink);
        StereoSettings settings;
        settings.saveFormat = SaveFormatOf(options->output);
        const std::optional<PairSource> pair = PairSourceOf(options->pair);
        if (pair && !options->left.empty())
            throw UsageError("give --left and --right, or --stereo, not both");
        if (pair)
            return ComposePair(*pair, options->output, settings, options->pixelsPerMetre, runOptions, sink,
                               [&](FIBITMAP* leftEye, FIBITMAP* rightEye, const StereoSettings& with) {
                                   return ComposeEyesViewMaster(leftEye, rightEye, with, runOptions, sink);
                               });
        if (options->left.empty())
            throw UsageError("give the two pictures (--left L --right R) or a stereo file (--stereo FILE)");
        settings.pixelsPerMetre = ResolutionOf(options->pixelsPerMetre, options->left, runOptions);
        const bool done =
            MakeViewMaster(options->output.path, options->left, options->right, settings, runOptions, sink);
        return FinishCommand(done, sink);
    };
}

} // namespace

void AddStepCommands(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    AddSmooth(app, table, runOptions);
    AddView(app, table, runOptions);
    AddComposeAnaglyph(app, table, runOptions);
    AddComposeLcShutter(app, table, runOptions);
}

} // namespace velmora::cli
