// SPDX-License-Identifier: GPL-3.0-or-later

// Commands on stereo pairs: straightening one, and the depth map of one.

#include "cli/PairCommands.h"
#include "cli/CommandOptions.h"
#include "cli/DepthSource.h"
#include "cli/PairOptions.h"
#include "cli/RigOptions.h"

#include "imaging/formats/ImageFile.h"
#include "imaging/matching/PairAlignment.h"
#include "imaging/matching/PairDepth.h"
#include "imaging/pairs/PairFiles.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/stereo/StereoLayouts.h"
#include "imaging/stereo/TempFiles.h"
#include "imaging/stereo/ViewMaster.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace velmora::cli {

std::string Fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

namespace {

// A distance moved, named by its way: "3.5 px right", "2.0 px up".
std::string Moved(double pixels, const char* positiveWay, const char* negativeWay)
{
    const std::string distance = Fixed(std::abs(pixels), 1);
    return distance + " px " + (pixels < 0 && distance != Fixed(0, 1) ? negativeWay : positiveWay);
}

// What the alignment did, in a line; whether from the rig, when one was given.
std::string Described(const Alignment& a, bool rigGiven)
{
    return "aligned: turned " + Fixed(a.angle, 3) + " degrees, scaled " + Fixed(a.scale, 4) + ", moved " +
           Moved(a.offsetX, "right", "left") + " and " + Moved(a.offsetY, "down", "up") + "; cut to " +
           std::to_string(a.cropWidth) + " x " + std::to_string(a.cropHeight) + " from " + std::to_string(a.cropX) +
           ", " + std::to_string(a.cropY) + "; vertical error " + Fixed(a.verticalError, 2) + " px over " +
           std::to_string(a.matches) + " matched points" +
           (a.model == AlignmentModel::Keystone
                ? "; keystone corrected in both eyes (turn and scale alone: " + Fixed(a.similarityError, 2) + " px)"
                : "") +
           (a.lens.k == 0 ? "" : "; lens bending corrected in both eyes (k = " + Fixed(a.lens.k, 3) + ")") +
           (a.fromRig  ? "; from the rig's geometry"
            : rigGiven ? "; on its own, as the rig's geometry does not fit this pair"
                       : "");
}

std::string Extension(const std::string& path)
{
    return Lowercase(std::filesystem::path(path).extension().string());
}

// Writes the aligned pair as OUT's name says (an MPO, a JPS or PNS, cross-
// eyed, or a picture of both eyes in the layout), or what `result` goes on
// to make of it.
bool WritePair(const AlignedPair& pair, const std::string& path, const std::string& format, const PairResult& result,
               const RunOptions& runOptions, ProgressSink& sink)
{
    StereoSettings settings;
    settings.pixelsPerMetre = HorizontalResolution(pair.left.get());
    if (result.then.empty() && Extension(path) == ".mpo")
        return WriteEyesMpo(pair.left.get(), pair.right.get(), path, settings, runOptions, sink);
    settings.saveFormat = SaveFormatOf(path, format);
    settings.anaglyphMode = result.anaglyphMode;
    if (result.then == "anaglyph" || result.then == "lcshutter") {
        Bitmap made;
        if (result.then == "anaglyph")
            made = ComposeAnaglyph(pair.left.get(), pair.right.get(), settings, runOptions, sink);
        else
            made = ComposeEyesViewMaster(pair.left.get(), pair.right.get(), settings, runOptions, sink);
        return made && WriteOrReport(made.get(), path, settings.saveFormat, runOptions, sink);
    }
    return WriteSideBySide(pair.left.get(), pair.right.get(),
                           IsCrossEyedName(path) ? PairLayout::kCross : result.layout, false, path, settings,
                           runOptions, sink);
}

// The eyes aligned, as AlignedOrReport says.
std::optional<AlignedPair> AlignOrReport(const PairRead& pair, double windowMargin, ProgressSink& sink,
                                         const RigGeometry* rig, const Alignment* own)
{
    sink.SetStatus(messages::kStatusAligning);
    return GuardAllocation(sink, [&]() -> std::optional<AlignedPair> {
        auto aligned = AlignPair(pair.left.get(), pair.right.get(), windowMargin, rig, own);
        if (const auto* why = std::get_if<std::string>(&aligned)) {
            sink.ShowMessage(messages::kPairNotAligned + *why);
            sink.ShowNote("eyes that are aligned already, as a two-lens camera's usually are, go to depth with "
                          "--aligned and to compose-anaglyph, compose-lcshutter, sbs and pair as they are");
            return std::nullopt;
        }
        if (isatty(STDERR_FILENO))
            sink.ShowNote(Described(std::get<AlignedPair>(aligned).alignment, rig != nullptr));
        return std::move(std::get<AlignedPair>(aligned));
    });
}

} // namespace

std::optional<AlignedPair> AlignedOrReport(const PairSource& source, double windowMargin, const RunOptions& runOptions,
                                           ProgressSink& sink, const RigGeometry* rig, const Alignment* own)
{
    const std::optional<PairRead> pair = ReadPairOrReport(source, runOptions, sink);
    return pair ? AlignOrReport(*pair, windowMargin, sink, rig, own) : std::nullopt;
}

bool WriteAlignedPair(const AlignedPair& pair, const std::string& path, const std::string& format,
                      const PairResult& result, const RunOptions& runOptions, ProgressSink& sink)
{
    return GuardAllocation(sink, [&] { return WritePair(pair, path, format, result, runOptions, sink); });
}

bool MakePairDepth(const PairSource& source, bool aligned, const std::string& depthPath, const std::string& picturePath,
                   const std::string& format, const RunOptions& runOptions, ProgressSink& sink, const RigGeometry* rig,
                   const Alignment* own)
{
    const int depthFormat = SaveFormatOf(depthPath, format);
    const int pictureFormat = picturePath.empty() ? depthFormat : SaveFormatOf(picturePath, format);
    std::optional<PairRead> pair = ReadPairOrReport(source, runOptions, sink);
    if (!pair)
        return false;
    if (!aligned) {
        std::optional<AlignedPair> straightened = AlignOrReport(*pair, 0, sink, rig, own);
        if (!straightened)
            return false;
        if (!RowsAlreadyAgree(straightened->alignment, Width(pair->left.get()), Height(pair->left.get()))) {
            pair->left = std::move(straightened->left);
            pair->right = std::move(straightened->right);
        } else if (isatty(STDERR_FILENO)) {
            sink.ShowNote("the eyes' rows agree already: the depth map is made from them as they are, neither "
                          "turned nor cut");
        }
    }
    const Bitmap& left = pair->left;
    const Bitmap& right = pair->right;
    sink.SetStatus(messages::kStatusPairDepth);
    return GuardAllocation(sink, [&] {
        auto made = DepthFromPair(left.get(), right.get());
        if (const auto* why = std::get_if<std::string>(&made)) {
            sink.ShowMessage(messages::kNoDepthMapMade + *why);
            return false;
        }
        const PairDepth& depth = std::get<PairDepth>(made);
        // The picture first: a depth map left without the aligned eye it
        // belongs to would be taken for the unaligned one's.
        const bool done =
            (picturePath.empty() || WriteOrReport(left.get(), picturePath, pictureFormat, runOptions, sink)) &&
            WriteOrReport(depth.depth.get(), depthPath, depthFormat, runOptions, sink);
        if (done && isatty(STDERR_FILENO))
            sink.ShowNote("depth: disparities " + Fixed(depth.farthest, 1) + " to " + Fixed(depth.nearest, 1) +
                          " px; velmora-cli view --image " + (picturePath.empty() ? "LEFT" : picturePath) +
                          " --depth " + depthPath + " --parallax " + std::to_string(depth.Parallax()) + " --window " +
                          std::to_string(depth.Window()) + " re-creates the right eye");
        return done;
    });
}

namespace {

void AddAlign(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    struct Options {
        PairOptions pair;
        std::string output;
        std::string leftOut;
        std::string rightOut;
        std::string layout = "parallel";
        std::string format;
        double margin = 0;
        std::string then;
        int anaglyphMode = StereoSettings {}.anaglyphMode;
        std::string rig;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("align", "Straighten a stereo pair so that matching points lie on the same rows");
    command->footer("Features are matched between the eyes; the right eye is turned, scaled and moved so that "
                    "matching points lie on the same rows and the nearest of them at the screen, and both eyes are "
                    "cut to their common area. A pair whose eyes do not match well enough is refused (exit status "
                    "1) and nothing is written.\n" + std::string(kInputNote));
    AddPairOptions(*command, options->pair, true);
    CLI::Option* output = command
                              ->add_option("-o,--output", options->output,
                                           "The aligned pair: OUT.mpo, OUT.jps or OUT.pns (cross-eyed), or a "
                                           "picture of both eyes in --layout")
                              ->type_name("OUT");
    CLI::Option* leftOut = command->add_option("--left-out", options->leftOut, "The aligned left eye")->type_name("L");
    CLI::Option* rightOut =
        command->add_option("--right-out", options->rightOut, "The aligned right eye")->type_name("R");
    leftOut->needs(rightOut)->excludes(output);
    rightOut->needs(leftOut)->excludes(output);
    AddAlignedPairOptions(*command, options->layout, options->margin);
    command
        ->add_option("--then", options->then,
                     "Go straight on to a result from the aligned pair: anaglyph (with --mode), lcshutter, or sbs "
                     "(a picture of both eyes in --layout), written to OUT")
        ->transform(OneOf({"anaglyph", "lcshutter", "sbs"}))
        ->type_name("RESULT")
        ->needs(output);
    AddAnaglyphModeOption(*command, options->anaglyphMode);
    AddRigOption(*command, options->rig);
    AddFormatOptions(*command, options->format, "from each name's extension", runOptions.jpegQuality);
    table[command] = [options](ConsoleSink& sink, const RunOptions& runOptions) {
        const std::optional<PairSource> source = PairSourceOf(options->pair);
        if (!source)
            throw UsageError("give the pair: --stereo FILE, or --left L --right R");
        if (options->output.empty() && options->leftOut.empty())
            throw UsageError("give where the aligned pair goes: -o OUT, or --left-out L --right-out R");
        const std::vector<NamedFile> outputs = {
            {"-o", options->output}, {"--left-out", options->leftOut}, {"--right-out", options->rightOut}};
        if (!OutputsReady(outputs, WithRig(PairInputs(*source), options->rig), sink))
            return FinishCommand(false, sink);
        if (!options->output.empty() && (Extension(options->output) != ".mpo" || !options->then.empty()))
            SaveFormatOf(options->output, options->format); // a UsageError before any work
        const PairResult made{options->then, LayoutNamed(options->layout).value(), options->anaglyphMode};
        std::optional<RigGeometry> rig;
        if (!ReadRigOption(options->rig, rig, sink))
            return FinishCommand(false, sink);
        const std::optional<AlignedPair> result =
            AlignedOrReport(*source, options->margin, runOptions, sink, rig ? &*rig : nullptr);
        const bool done = result && GuardAllocation(sink, [&] {
            if (!options->output.empty())
                return WritePair(*result, options->output, options->format, made, runOptions, sink);
            return WriteOrReport(result->left.get(), options->leftOut, SaveFormatOf(options->leftOut, options->format),
                                 runOptions, sink) &&
                   WriteOrReport(result->right.get(), options->rightOut,
                                 SaveFormatOf(options->rightOut, options->format), runOptions, sink);
        });
        return FinishCommand(done, sink);
    };
}

// depth --image P --model M: one picture's depth map by a network.
int EstimatedDepth(const std::string& image, const ModelOptions& model, const std::string& output,
                   const std::string& format, ConsoleSink& sink, const RunOptions& runOptions)
{
    if (image.empty() || model.model.empty())
        throw UsageError("a depth network needs both the picture and the network: --image P --model M.onnx");
    const std::vector<NamedFile> outputs = {{"-o", output}};
    if (!OutputsReady(outputs, {{"--image", image}, {"--model", model.model}}, sink))
        return FinishCommand(false, sink);
    const int saveFormat = SaveFormatOf(output, format);
    const Bitmap depth = EstimateOrReport(image, model, runOptions, sink);
    return FinishCommand(depth && WriteOrReport(depth.get(), output, saveFormat, runOptions, sink), sink);
}

// depth --from-photo P: the depth map a photograph stores.
int StoredDepth(const std::string& photo, const std::string& output, const std::string& format, ConsoleSink& sink,
                const RunOptions& runOptions)
{
    const std::vector<NamedFile> outputs = {{"-o", output}};
    if (!OutputsReady(outputs, {{"--from-photo", photo}}, sink))
        return FinishCommand(false, sink);
    const int saveFormat = SaveFormatOf(output, format);
    const Bitmap depth = StoredDepthOrReport(photo, runOptions, sink);
    return FinishCommand(depth && WriteOrReport(depth.get(), output, saveFormat, runOptions, sink), sink);
}

void AddDepth(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    struct Options {
        PairOptions pair;
        std::string image;
        ModelOptions model;
        std::string photo;
        bool aligned = false;
        std::string output;
        std::string picture;
        std::string format;
        std::string rig;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command =
        app.add_subcommand("depth", "Make a depth map from a stereo pair, or from one picture with a depth network");
    command->footer("From a pair: it is aligned first (see align) unless --aligned, and used as it is when its rows "
                    "agree already (a two-lens camera's, or a pair align made); its disparities are found by "
                    "semi-global matching and written as a depth map, brighter = nearer, 0 to 255 over the "
                    "scene's disparities, with the aligned left eye it belongs to. On a terminal it prints the "
                    "--parallax and --window with which view re-creates the right eye from the two.\n"
                    "From one picture: --image P --model M.onnx runs the network once on the picture brought to "
                    "its input size, and writes its estimate at the picture's size, brighter = nearer, 0 to 255 "
                    "over the estimate's range. --from-photo P writes the depth map a phone stored in the "
                    "photograph (a Google depth map or a Dynamic Depth container in a JPEG, a depth image in a "
                    "HEIC), upright and at the picture's size.\n" +
                    std::string(kInputNote));
    AddPairOptions(*command, options->pair, true);
    command->add_option("--image", options->image, "One picture, for --model")->type_name("P");
    AddModelOptions(*command, options->model, "--model");
    command->add_option("--from-photo", options->photo, "A photograph that stores its depth map")
        ->type_name("P")
        ->excludes("--image")
        ->excludes("--model")
        ->excludes("--stereo");
    CLI::Option* aligned =
        command->add_flag("--aligned", options->aligned, "The pair is aligned already: its rows match");
    AddRigOption(*command, options->rig)->excludes(aligned)->excludes("--image")->excludes("--from-photo");
    command->add_option("-o,--output", options->output, "The depth map")->required()->type_name("D");
    command
        ->add_option("--picture-out", options->picture,
                     "Where the aligned left eye goes (default: beside D, named D-picture)")
        ->type_name("P");
    AddFormatOptions(*command, options->format, "from each name's extension", runOptions.jpegQuality);
    table[command] = [options](ConsoleSink& sink, const RunOptions& runOptions) {
        if (!options->photo.empty())
            return StoredDepth(options->photo, options->output, options->format, sink, runOptions);
        if (!options->model.model.empty() || !options->image.empty())
            return EstimatedDepth(options->image, options->model, options->output, options->format, sink,
                                  runOptions);
        const std::optional<PairSource> source = PairSourceOf(options->pair);
        if (!source)
            throw UsageError("give the pair: --stereo FILE, or --left L --right R; or one picture and a depth "
                             "network: --image P --model M.onnx");
        const std::string picture =
            options->aligned ? options->picture
                             : (options->picture.empty() ? PictureBesideDepthMap(options->output) : options->picture);
        const std::vector<NamedFile> outputs = {{"-o", options->output}, {"--picture-out", picture}};
        if (!OutputsReady(outputs, WithRig(PairInputs(*source), options->rig), sink))
            return FinishCommand(false, sink);
        SaveFormatOf(options->output, options->format); // a UsageError before any work
        if (!picture.empty())
            SaveFormatOf(picture, options->format);
        std::optional<RigGeometry> rig;
        if (!ReadRigOption(options->rig, rig, sink))
            return FinishCommand(false, sink);
        return FinishCommand(MakePairDepth(*source, options->aligned, options->output, picture, options->format,
                                           runOptions, sink, rig ? &*rig : nullptr),
                             sink);
    };
}

} // namespace

void AddPairCommands(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    AddAlign(app, table, runOptions);
    AddDepth(app, table, runOptions);
}

} // namespace velmora::cli
