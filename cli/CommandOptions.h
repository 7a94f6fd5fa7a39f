// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "cli/ConsoleSink.h"
#include "imaging/RunOptions.h"
#include "imaging/stereo/SideBySide.h"
#include "imaging/files/PrivateFolder.h"
#include "imaging/stereo/Messages.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::cli {

enum ExitCode : int { kSucceeded = 0, kFailed = 1, kUsageError = 2 };

// A command line that cannot be carried out as given; exit status 2. Each
// line of the text is printed as a line of its own.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A parallax of 0, with what to give instead.
inline const std::string kEnterParallaxAndHow =
    std::string(messages::kEnterParallax) + "\ngive the shift between the two views in pixels: --parallax P, not 0";

// What each command does once its options are parsed.
using CommandTable = std::map<const CLI::App*, std::function<int(ConsoleSink&, const RunOptions&)>>;

struct OutputOptions {
    std::string path;
    std::string format; // empty: from the path's extension
};

// The text with its ASCII capitals made small.
std::string Lowercase(std::string text);

// For an option that takes one of a few words, in any case: refuses any
// other, and keeps the word in small letters.
CLI::Validator OneOf(const std::vector<std::string>& words);

// --format, and --quality into jpegQuality.
void AddFormatOptions(CLI::App& command, std::string& format, const std::string& fallback, int& jpegQuality);

// -o/--output (required), --format and --quality.
void AddOutputOptions(CLI::App& command, OutputOptions& options, int& jpegQuality);

// --invert-depth.
void AddDepthInversionOption(CLI::App& command, bool& inverted);

// The save format: `format` (a --format value), else the path's extension
// (.bmp, .png, .tif, .tiff, .jpg, .jpeg, any case); anything else is a
// UsageError.
int SaveFormatOf(const std::string& path, const std::string& format);
int SaveFormatOf(const OutputOptions& options);

// The layout a --layout value names: parallel, cross or top-bottom, in any case.
std::optional<PairLayout> LayoutNamed(const std::string& name);

// The save format a --format value names.
std::optional<int> SaveFormatNamed(const std::string& name);

// --ppm: the resolution written into the result.
void AddResolutionOption(CLI::App& command, std::optional<double>& pixelsPerMetre, const std::string& source);

// The --ppm value, else the horizontal resolution stored in `picturePath`
// (0 when it cannot be read; the routine then reports the unreadable file).
double ResolutionOf(const std::optional<double>& pixelsPerMetre, const std::string& picturePath,
                    const RunOptions& runOptions);

// --mode grey|colour into an anaglyphMode value.
void AddAnaglyphModeOption(CLI::App& command, int& anaglyphMode);

// A finite real number.
extern const CLI::Validator kFiniteNumber;

// The exit status of a command; every failure has reported itself.
int FinishCommand(bool succeeded, const ConsoleSink& sink);

// Ends the command (exit status 1, with the reason) when a private folder
// for its intermediate files could not be made.
void Require(const PrivateFolder& folder);

// The save format named by a path's extension (.bmp, .png, .tif, .tiff,
// .jpg, .jpeg; .jps and .pns, the JPEG and PNG of both eyes cross-eyed).
std::optional<int> SaveFormatOfName(const std::string& path);

// A file the command reads or writes, with the option that names it.
struct NamedFile {
    std::string option; // "--image", "-o"
    std::string path;
};

// Refuses (UsageError) an output that is the same file as an input or as
// the other output, whatever the name: the same name, a symbolic link or a
// hard link. Writing it would destroy the input before it is read. Outputs
// and inputs that were not given (empty paths) are passed over.
void RefuseSameFiles(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs);

// Checked before any work, so that a run never spends its time to fail at
// the end: refuses an output that is an input (RefuseSameFiles), then
// whether every output can be written (its folder exists and may be
// written, it is no folder nor device); reports the first that cannot, as
// its write would. Outputs not given (empty paths) pass.
bool OutputsReady(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs, ProgressSink& sink);

// Help text shared by the commands that read pictures.
inline constexpr const char* kInputNote =
    "Pictures are read in the format their content has (the extension decides only for content no format "
    "recognises). Pictures that are not 24-bit "
    "(8- or 16-bit grey, paletted, 32-bit with alpha) are converted to 24 bits on reading; "
    "16-bit grey keeps its high byte. A depth map gives its depth (0 far to 255 near) in the blue byte.";

// Each adds its commands to the table; an option that sets what a run may
// use (--quality) is kept in `runOptions`, which the commands are handed
// when they run.
void AddStepCommands(CLI::App& app, CommandTable& table, RunOptions& runOptions);
void AddOutputCommands(CLI::App& app, CommandTable& table, RunOptions& runOptions);
void AddBatchCommand(CLI::App& app, CommandTable& table, RunOptions& runOptions);
void AddSegmentationCommands(CLI::App& app, CommandTable& table, RunOptions& runOptions);
void AddPairCommands(CLI::App& app, CommandTable& table, RunOptions& runOptions);

} // namespace velmora::cli
