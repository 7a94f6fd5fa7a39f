// SPDX-License-Identifier: GPL-3.0-or-later

// The segmentation tool's operations: outline images and smoothing by segments.

#include "cli/CommandOptions.h"

#include "imaging/TempFiles.h"
#include "segmentation/OutlineImage.h"
#include "segmentation/SegmentSmoothing.h"
#include "segmentation/SegmentationDefaults.h"

#include <memory>

namespace velmora::cli {
namespace {

void AddOutline(CLI::App& app, CommandTable& table)
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
                     "Keep the gradient image in this file, in the format its extension names (default: a "
                     "temporary file, deleted afterwards)")
        ->type_name("G");
    AddOutputOptions(*command, options->output);
    table[command] = [options](ConsoleSink& sink) {
        RefuseSameFiles({{"-o", options->output.path}, {"--gradient", options->gradient}},
                        {{"--image", options->image}});
        const int format = SaveFormatOf(options->output);
        // The signs and, unless it is to be kept, the gradient are private;
        // OUT and the kept gradient are each written once.
        PrivateFolder folder;
        Require(folder);
        const std::string signs = folder.Path("signs." + FormatExtension(format));
        std::string gradient = options->gradient;
        int gradientFormat = SaveFormatOfName(gradient).value_or(format);
        if (gradient.empty()) {
            gradient = folder.Path("gradient." + FormatExtension(format));
            gradientFormat = format;
        }
        SegmentationRecord record;
        const bool done = MakeLaplacianSignImage(options->image, signs, format, record, sink) &&
                          MakeGradientImage(options->image, gradient, gradientFormat, record, sink) &&
                          ApplyOutlineLevel(signs, gradient, options->output.path, options->level, format, record,
                                            sink);
        return FinishCommand(done, sink);
    };
}

void AddSegmentSmoothing(CLI::App& app, CommandTable& table)
{
    struct Options {
        std::string outline;
        std::string depth;
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
    AddOutputOptions(*command, options->output);
    table[command] = [options](ConsoleSink& sink) {
        RefuseSameFiles({{"-o", options->output.path}}, {{"--outline", options->outline}, {"--depth", options->depth}});
        const int format = SaveFormatOf(options->output);
        // The passes work on a private file; OUT receives the last one only.
        PrivateFolder folder;
        Require(folder);
        const std::string passes = folder.Path("passes." + FormatExtension(format));
        SegmentationRecord record;
        const bool done =
            SmoothBySegmentsPasses(options->outline, options->depth, passes, options->passes, format, record, sink);
        return FinishCommand(done && Publish(passes, options->output.path, sink), sink);
    };
}

} // namespace

void AddSegmentationCommands(CLI::App& app, CommandTable& table)
{
    AddOutline(app, table);
    AddSegmentSmoothing(app, table);
}

} // namespace velmora::cli
