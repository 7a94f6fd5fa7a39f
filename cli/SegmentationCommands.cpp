// SPDX-License-Identifier: GPL-3.0-or-later

// The segmentation tool's operations: outline images and smoothing by segments.

#include "cli/CommandOptions.h"

#include "imaging/stereo/TempFiles.h"
#include "segmentation/OutlineImage.h"
#include "segmentation/SegmentSmoothing.h"
#include "segmentation/SegmentationDefaults.h"

#include <memory>

namespace velmora::cli {
namespace {

void AddOutline(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    struct Options {
        std::string image;
        int level = kDefaultOutlineLevel;
        std::string gradient;
        OutputOptions output;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("outline", "Make the outline image of a picture");
    command->footer(std::string("Every pixel becomes green where the brightness Laplacian is positive, blue where "
                                "it is not, and white where the mean of the three channels' gradient magnitudes "
                                "is below the level. The border is black (white from level 1).\n") +
                    kInputNote);
    command->add_option("--image", options->image, "The picture")->required()->type_name("I");
    command
        ->add_option("--level", options->level,
                     "Outline level, 0 to " + std::to_string(kMaxOutlineLevel) + " (default: " +
                         std::to_string(kDefaultOutlineLevel) + "); " + std::to_string(kMaxOutlineLevel) +
                         " makes all white")
        ->type_name("N")
        ->check(CLI::Range(0, kMaxOutlineLevel));
    command
        ->add_option("--gradient", options->gradient,
                     "Keep the gradient image in this file, in the format its extension names (default: not "
                     "written)")
        ->type_name("G");
    AddOutputOptions(*command, options->output, runOptions.jpegQuality);
    table[command] = [options](ConsoleSink& sink, const RunOptions& runOptions) {
        const std::vector<NamedFile> outputs = {{"-o", options->output.path}, {"--gradient", options->gradient}};
        if (!OutputsReady(outputs, {{"--image", options->image}}, sink))
            return FinishCommand(false, sink);
        const int format = SaveFormatOf(options->output);
        const int gradientFormat = SaveFormatOfName(options->gradient).value_or(format);
        SegmentationRecord record;
        const bool done = MakeOutlineFiles(options->image, options->output.path, options->gradient, options->level,
                                           format, gradientFormat, record, runOptions, sink);
        return FinishCommand(done, sink);
    };
}

void AddSegmentSmoothing(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    struct Options {
        std::string outline;
        std::string depth;
        bool invertDepth = false;
        int passes = kDefaultSmoothingDegree;
        OutputOptions output;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("segsmooth", "Smooth a depth map within the segments of an outline image");
    command->footer(std::string("Each pass gives every pixel the mean depth of the pixels of its 3 x 3 window "
                                "that share its outline class (green, blue or white), so depth is evened out "
                                "inside regions and not across their edges. The first pass reads D, the others "
                                "the result of the pass before.\n") +
                    kInputNote);
    command->add_option("--outline", options->outline, "Outline image made by the outline command")
        ->required()
        ->type_name("O");
    command->add_option("--depth", options->depth, "The depth map")->required()->type_name("D");
    command
        ->add_option("--passes", options->passes,
                     "Number of passes (default: " + std::to_string(kDefaultSmoothingDegree) +
                         "; fewer than 1 means 1)")
        ->type_name("N");
    AddDepthInversionOption(*command, options->invertDepth);
    AddOutputOptions(*command, options->output, runOptions.jpegQuality);
    table[command] = [options](ConsoleSink& sink, const RunOptions& runOptions) {
        const std::vector<NamedFile> outputs = {{"-o", options->output.path}};
        if (!OutputsReady(outputs, {{"--outline", options->outline}, {"--depth", options->depth}}, sink))
            return FinishCommand(false, sink);
        const int format = SaveFormatOf(options->output);
        SegmentationRecord record;
        const bool done =
            SmoothBySegmentsPasses(options->outline, {options->depth, options->invertDepth}, options->output.path,
                                   options->passes, format, record, runOptions, sink);
        return FinishCommand(done, sink);
    };
}

} // namespace

void AddSegmentationCommands(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    AddOutline(app, table, runOptions);
    AddSegmentSmoothing(app, table, runOptions);
}

} // namespace velmora::cli
