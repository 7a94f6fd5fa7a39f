// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "cli/CommandOptions.h"
#include "cli/PairOptions.h"
#include "imaging/stereo/StereoLayouts.h"
#include "imaging/stereo/StereoSettings.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::cli {

// A file a command writes, with the option that names it and its format.
struct OutputFile {
    std::string option; // "-o", "--left"
    std::string path;
    int format = kSaveBmp;
};

// A command that also writes a stereo pair read from files as it is, in
// place of a picture and its depth map.
class PairWriter {
public:
    virtual ~PairWriter() = default;

    // Whether --left and --right name the pair's eyes (else only --stereo does).
    virtual bool EyeFiles() const = 0;
    // The pair the command line names, if any; `imageGiven`: whether it
    // names a picture too.
    virtual std::optional<PairSource> GivenPair(const PairOptions& options, bool /*imageGiven*/) const
    {
        return PairSourceOf(options);
    }
    // Writes the pair's eyes to the outputs; every failure shows its message.
    virtual bool WritePair(FIBITMAP* left, FIBITMAP* right, const std::vector<OutputFile>& outputs,
                           const StereoSettings& settings, const RunOptions& options, ProgressSink& sink) const = 0;
};

// A command that makes stereo pictures from one picture and its depth map.
// velmora-cli runs it on the files its command line names; `batch` runs it
// on every picture of a folder, with the same options.
class WholeCommand {
public:
    virtual ~WholeCommand() = default;

    // The options that set how the pictures are made; returns those of the
    // view, which a stereo pair written as it is has no use for.
    std::vector<const CLI::Option*> AddOptions(CLI::App& command);
    // The options that name the outputs of a single run, and its extras.
    virtual void AddOutputOptions(CLI::App& command, int& jpegQuality) = 0;

    // The outputs the command line names; a UsageError when they cannot be
    // made (no format, a bad pattern).
    virtual std::vector<OutputFile> NamedOutputs() const = 0;
    // What batch writes for the picture `stem`: folder/stem[-suffix].extension.
    virtual std::vector<OutputFile> OutputsFor(const std::string& folder, const std::string& stem,
                                               int format) const = 0;

    // Makes the outputs from the picture and its depth map. Every failure
    // shows its message; a parallax that cannot be worked out for this
    // picture is a UsageError. Returns whether every step succeeded.
    bool Run(const std::string& imagePath, const std::string& depthPath, const std::vector<OutputFile>& outputs,
             const RunOptions& options, ProgressSink& sink) const;

    // The command's writer of stereo pairs, when it has one.
    virtual const PairWriter* Pairs() const { return nullptr; }

protected:
    // The command's own options besides those of every view.
    virtual void AddOwnOptions(CLI::App& /*command*/) {}
    // Makes the outputs from a prepared run.
    virtual bool Make(const LayoutRun& run, StereoSettings settings, const std::vector<OutputFile>& outputs,
                      const RunOptions& options, ProgressSink& sink) const = 0;

    // The view options; parallax and stereo window before the automatic
    // parallax is worked out.
    std::optional<int> parallax_;
    int viewCount_ = StereoSettings{}.viewCount;
    double viewingAngle_ = StereoSettings{}.viewingAngle;
    std::optional<int> stereoWindow_;
    int smoothingRadius_ = StereoSettings{}.smoothingRadius;
    bool invertDepth_ = false;
};

// The whole commands, each made new for every command line that has it.
struct WholeCommandKind {
    std::string name;
    std::string summary;
    std::string description;
    std::unique_ptr<WholeCommand> (*make)();
};
const std::vector<WholeCommandKind>& WholeCommandKinds();

std::unique_ptr<WholeCommand> NewAnaglyphCommand();
std::unique_ptr<WholeCommand> NewLcShutterCommand();
std::unique_ptr<WholeCommand> NewSideBySideCommand();
std::unique_ptr<WholeCommand> NewEyePairCommand();
std::unique_ptr<WholeCommand> NewViewSeriesCommand();

// folder/name, or name alone when the folder is empty.
std::string InFolder(const std::string& folder, const std::string& name);

} // namespace velmora::cli
