// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/CommandOptions.h"

#include "imaging/files/AtomicFile.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/pairs/PairFiles.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/stereo/TempFiles.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <iterator>

namespace velmora::cli {

std::string Lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

CLI::Validator OneOf(const std::vector<std::string>& words)
{
    return CLI::Validator(
        [words](std::string& value) {
            const std::string word = Lowercase(value);
            if (std::find(words.begin(), words.end(), word) == words.end())
                return value + " is not one of " + CLI::detail::join(words, ", ");
            value = word;
            return std::string();
        },
        "", "one of");
}

namespace {

std::optional<int> FormatNamed(const std::string& name)
{
    const std::string lower = Lowercase(name);
    if (lower == "bmp")
        return kSaveBmp;
    if (lower == "png")
        return kSavePng;
    if (lower == "tif" || lower == "tiff")
        return kSaveTiff;
    if (lower == "jpg" || lower == "jpeg")
        return kSaveJpeg;
    return std::nullopt;
}

std::optional<int> ModeNamed(const std::string& name)
{
    const std::string lower = Lowercase(name);
    if (lower == "grey" || lower == "gray")
        return kAnaglyphGrey;
    if (lower == "colour" || lower == "color")
        return kAnaglyphColour;
    if (lower == "half-colour" || lower == "half-color")
        return kAnaglyphHalfColour;
    if (lower == "dubois")
        return kAnaglyphDubois;
    return std::nullopt;
}

// Accepts what `named` knows, in any letter case; otherwise says, in plain
// words, what may be given.
CLI::Validator OneOf(std::optional<int> (*named)(const std::string&), const std::string& choices)
{
    return CLI::Validator(
        [named, choices](std::string& text) -> std::string {
            return named(text) ? std::string() : "'" + text + "' is not " + choices;
        },
        "");
}

bool OutputsWritable(const std::vector<NamedFile>& outputs, ProgressSink& sink)
{
    for (const NamedFile& output : outputs) {
        if (output.path.empty())
            continue;
        // The file a write would make, made and removed again: the same
        // checks, and the same reasons, as the write itself.
        const FileStatus status = AtomicFile(output.path).Status();
        if (!status) {
            ReportWriteFailure(output.path, status, sink);
            return false;
        }
    }
    return true;
}

} // namespace

const CLI::Validator kFiniteNumber(
    [](std::string& text) -> std::string {
        double value = 0;
        if (!CLI::detail::lexical_cast(text, value) || !std::isfinite(value))
            return "must be a finite number: " + text;
        return {};
    },
    "NUMBER");

void AddFormatOptions(CLI::App& command, std::string& format, const std::string& fallback, int& jpegQuality)
{
    command
        .add_option("--format", format,
                    "Written format: bmp, png, tif or jpg (default: " + fallback +
                        "). The format decides the content, whatever the name says")
        ->type_name("F")
        ->check(OneOf(FormatNamed, "bmp, png, tif or jpg"));
    command
        .add_option("--quality", jpegQuality,
                    "JPEG quality, 1 to 100 (default: " + std::to_string(kDefaultJpegQuality) + ")")
        ->type_name("Q")
        ->check(CLI::Range(1, 100));
}

void AddOutputOptions(CLI::App& command, OutputOptions& options, int& jpegQuality)
{
    command.add_option("-o,--output", options.path, "The file to write")->required()->type_name("OUT");
    AddFormatOptions(command, options.format, "from OUT's extension", jpegQuality);
}

void AddDepthInversionOption(CLI::App& command, bool& inverted)
{
    command.add_flag("--invert-depth", inverted,
                     "The depth map has darker = nearer: every byte is taken as 255 minus itself");
}

std::optional<int> SaveFormatOfName(const std::string& path)
{
    const std::string extension = std::filesystem::path(path).extension().string();
    // Stereo pictures of both eyes, cross-eyed: JPS in JPEG, PNS in PNG.
    if (IsCrossEyedName(path))
        return Lowercase(extension) == ".jps" ? kSaveJpeg : kSavePng;
    return FormatNamed(extension.empty() ? "" : extension.substr(1));
}

int SaveFormatOf(const std::string& path, const std::string& format)
{
    if (!format.empty())
        return FormatNamed(format).value();
    if (const auto named = SaveFormatOfName(path))
        return *named;
    throw UsageError("cannot tell the format from the name " + path +
                     "; give --format bmp, png, tif or jpg, or end the name in .bmp, .png, .tif, .tiff, .jpg or "
                     ".jpeg");
}

int SaveFormatOf(const OutputOptions& options)
{
    return SaveFormatOf(options.path, options.format);
}

std::optional<PairLayout> LayoutNamed(const std::string& name)
{
    static const std::map<std::string, PairLayout> layouts = {
        {"parallel", PairLayout::kParallel}, {"cross", PairLayout::kCross}, {"top-bottom", PairLayout::kTopBottom}};
    const auto found = layouts.find(Lowercase(name));
    return found == layouts.end() ? std::nullopt : std::optional<PairLayout>(found->second);
}

std::optional<int> SaveFormatNamed(const std::string& name)
{
    return FormatNamed(name);
}

void AddResolutionOption(CLI::App& command, std::optional<double>& pixelsPerMetre, const std::string& source)
{
    command
        .add_option("--ppm", pixelsPerMetre,
                    "Resolution written into the result, in pixels per metre (default: the horizontal "
                    "resolution of " + source + ")")
        ->type_name("X")
        ->check(kFiniteNumber);
}

double ResolutionOf(const std::optional<double>& pixelsPerMetre, const std::string& picturePath,
                    const RunOptions& runOptions)
{
    if (pixelsPerMetre)
        return *pixelsPerMetre;
    return ReadHorizontalResolution(picturePath, runOptions).pixelsPerMetre.value_or(0);
}

void AddAnaglyphModeOption(CLI::App& command, int& anaglyphMode)
{
    command
        .add_option_function<std::string>(
            "--mode", [&anaglyphMode](const std::string& name) { anaglyphMode = ModeNamed(name).value(); },
            std::string("grey: every channel the mean of its pixel's three bytes; colour: the channels as they "
                        "are; half-colour: red is the view's luma, so reds do not flicker between the eyes; "
                        "dubois: both pictures mixed by Dubois's least-squares matrices, the least ghosting "
                        "(default: ") +
                (StereoSettings{}.anaglyphMode == kAnaglyphGrey ? "grey" : "colour") + ")")
        ->type_name("MODE")
        ->check(OneOf(ModeNamed, "grey, colour, half-colour or dubois"));
}

void RefuseSameFiles(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs)
{
    const auto refuse = [](const NamedFile& output, const NamedFile& other, const std::string& why) {
        if (!output.path.empty() && !other.path.empty() && NamesSameFile(output.path, other.path))
            throw UsageError(output.path + " (" + output.option + ") is the same file as " + other.path + " (" +
                             other.option + "); " + why + " Choose another " + output.option + ".");
    };
    for (auto output = outputs.begin(); output != outputs.end(); ++output) {
        for (const NamedFile& input : inputs)
            refuse(*output, input, "writing it would destroy what is read.");
        for (auto other = std::next(output); other != outputs.end(); ++other)
            refuse(*output, *other, "one result would overwrite the other.");
    }
}

bool OutputsReady(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs, ProgressSink& sink)
{
    RefuseSameFiles(outputs, inputs);
    return OutputsWritable(outputs, sink);
}

void Require(const PrivateFolder& folder)
{
    if (!folder)
        throw std::runtime_error(folder.Failure());
}

int FinishCommand(bool succeeded, const ConsoleSink& sink)
{
    return succeeded && !sink.Failed() ? kSucceeded : kFailed;
}

} // namespace velmora::cli
