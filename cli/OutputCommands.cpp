// SPDX-License-Identifier: GPL-3.0-or-later

// The whole outputs, made as the main window's two output commands make them.

#include "cli/WholeCommand.h"

#include "imaging/files/PrivateFolder.h"
#include "imaging/stereo/StereoOutput.h"
#include "imaging/stereo/TempFiles.h"

#include <filesystem>
#include <iostream>

namespace velmora::cli {
namespace {

class StereoOutputCommand : public WholeCommand {
public:
    explicit StereoOutputCommand(StereoOutputKind kind) : kind_(kind) {}

    void AddOutputOptions(CLI::App& command, int& jpegQuality) override
    {
        cli::AddOutputOptions(command, output_, jpegQuality);
        command.add_flag("--keep-temp", keepTemporary_,
                         "Keep the smoothed depth map (its path is printed) instead of deleting it");
    }

    std::vector<OutputFile> NamedOutputs() const override
    {
        return {{"-o", output_.path, SaveFormatOf(output_)}};
    }

    std::vector<OutputFile> OutputsFor(const std::string& folder, const std::string& stem, int format) const override
    {
        return {{"--out", InFolder(folder, stem + "." + FormatExtension(format)), format}};
    }

protected:
    void AddOwnOptions(CLI::App& command) override
    {
        if (kind_ == StereoOutputKind::Anaglyph)
            AddAnaglyphModeOption(command, anaglyphMode_);
        else
            command
                .add_option("--top-row", topRow_,
                            "The eye whose rows include the picture's top row, for displays that need one there "
                            "(default: as the rows fall, counted from the bottom with the left eye's first, so "
                            "the top row is the left eye's when the height is odd)")
                ->transform(OneOf({"left", "right"}))
                ->type_name("left|right");
    }

    // The steps run in memory; OUT is written once, by the composition, and
    // only when every step before it succeeded. Only a smoothed depth map to
    // keep is written too, into a folder of its own.
    bool Make(const LayoutRun& layout, StereoSettings settings, const std::vector<OutputFile>& outputs,
              const RunOptions& options, ProgressSink& sink) const override
    {
        settings.anaglyphMode = anaglyphMode_;
        StereoOutputRun run;
        run.outputPath = outputs.front().path;
        run.geometry = layout.geometry;
        run.smoothingRadius = layout.smoothingRadius;
        run.invertDepth = layout.depth.inverted;
        run.stopAtFirstFailure = true;
        run.readPictureOnce = true;
        if (!topRow_.empty())
            run.leftEyeOnTop = topRow_ == "left";

        std::optional<PrivateFolder> kept;
        if (keepTemporary_ && run.smoothingRadius > 0) {
            kept.emplace();
            Require(*kept);
            run.smoothedDepthPath = kept->Path(SmoothedDepthMapName(settings.saveFormat));
        }
        const bool done = MakeStereoOutput(kind_, run, layout.imagePath, layout.depth.path, settings, options, sink);
        if (kept && std::filesystem::exists(run.smoothedDepthPath)) {
            kept->Keep();
            std::cerr << "velmora-cli: the smoothed depth map is kept in " << run.smoothedDepthPath << '\n';
        }
        return done;
    }

private:
    StereoOutputKind kind_;
    int anaglyphMode_ = StereoSettings{}.anaglyphMode;
    bool keepTemporary_ = false;
    std::string topRow_; // empty: as the rows fall
    OutputOptions output_;
};

} // namespace

std::unique_ptr<WholeCommand> NewAnaglyphCommand()
{
    return std::make_unique<StereoOutputCommand>(StereoOutputKind::Anaglyph);
}

std::unique_ptr<WholeCommand> NewLcShutterCommand()
{
    return std::make_unique<StereoOutputCommand>(StereoOutputKind::LcShutter);
}

} // namespace velmora::cli
