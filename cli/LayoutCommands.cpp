// SPDX-License-Identifier: GPL-3.0-or-later

// The stereo layouts beyond the window's two outputs: both eyes in one
// picture, the eyes' pictures apart, and series of views.

#include "cli/NamePattern.h"
#include "cli/WholeCommand.h"

#include "imaging/pairs/PairFiles.h"
#include "imaging/stereo/TempFiles.h"

#include <filesystem>

namespace velmora::cli {
namespace {

class SideBySideCommand : public WholeCommand, public PairWriter {
public:
    const PairWriter* Pairs() const override { return this; }
    bool EyeFiles() const override { return true; }

    bool WritePair(FIBITMAP* left, FIBITMAP* right, const std::vector<OutputFile>& outputs,
                   const StereoSettings& settings, const RunOptions& options, ProgressSink& sink) const override
    {
        return WriteSideBySide(left, right, LayoutFor(outputs.front().path), half_, outputs.front().path, settings,
                               options, sink);
    }

    void AddOutputOptions(CLI::App& command, int& jpegQuality) override
    {
        cli::AddOutputOptions(command, output_, jpegQuality);
    }

    std::vector<OutputFile> NamedOutputs() const override
    {
        if (IsCrossEyedName(output_.path) && layoutGiven_ && layout_ != PairLayout::kCross)
            throw UsageError("a JPS or PNS file holds the eyes cross-eyed: give --layout cross, or no --layout");
        return {{"-o", output_.path, SaveFormatOf(output_)}};
    }

    std::vector<OutputFile> OutputsFor(const std::string& folder, const std::string& stem, int format) const override
    {
        return {{"--out", InFolder(folder, stem + "." + FormatExtension(format)), format}};
    }

protected:
    void AddOwnOptions(CLI::App& command) override
    {
        command
            .add_option_function<std::string>(
                "--layout",
                [this](const std::string& name) {
                    layout_ = LayoutNamed(name).value();
                    layoutGiven_ = true;
                },
                "parallel: left eye on the left; cross: left eye on the right, for cross-eyed viewing; "
                "top-bottom: left eye above (default: parallel; cross for a .jps or .pns file)")
            ->type_name("LAYOUT")
            ->check(CLI::Validator(
                [](std::string& name) -> std::string {
                    return LayoutNamed(name) ? "" : "'" + name + "' is not parallel, cross or top-bottom";
                },
                ""));
        command.add_flag("--half", half_,
                         "Squeeze each eye to half its width (half its height for top-bottom), each pair of "
                         "pixels becoming their mean, as 3D televisions expect");
    }

    bool Make(const LayoutRun& run, StereoSettings settings, const std::vector<OutputFile>& outputs,
              const RunOptions& options, ProgressSink& sink) const override
    {
        return MakeSideBySide(run, LayoutFor(outputs.front().path), half_, outputs.front().path, settings, options,
                              sink);
    }

private:
    // A JPS or PNS holds the eyes cross-eyed.
    PairLayout LayoutFor(const std::string& path) const { return IsCrossEyedName(path) ? PairLayout::kCross : layout_; }

    PairLayout layout_ = PairLayout::kParallel;
    bool layoutGiven_ = false;
    bool half_ = false;
    OutputOptions output_;
};

class EyePairCommand : public WholeCommand, public PairWriter {
public:
    const PairWriter* Pairs() const override { return this; }
    bool EyeFiles() const override { return false; }

    // --left and --right name the eyes to write, except beside -o without a
    // picture or --stereo: then they are the eyes that go into the MPO.
    std::optional<PairSource> GivenPair(const PairOptions& options, bool imageGiven) const override
    {
        if (mpo_.empty() || left_.empty())
            return PairSourceOf(options);
        if (imageGiven || !options.stereo.empty())
            throw UsageError("-o and --left/--right both name where the eyes go: give one MPO with -o OUT.mpo, or "
                             "the eyes' files with --left L --right R");
        return PairSource{"", std::nullopt, left_, right_};
    }

    bool WritePair(FIBITMAP* left, FIBITMAP* right, const std::vector<OutputFile>& outputs,
                   const StereoSettings& settings, const RunOptions& options, ProgressSink& sink) const override
    {
        if (outputs.size() == 1)
            return WriteEyesMpo(left, right, outputs[0].path, settings, options, sink);
        return WriteEyes(left, right, outputs[0].path, outputs[0].format, outputs[1].path, outputs[1].format, settings,
                         options, sink);
    }

    void AddOutputOptions(CLI::App& command, int& jpegQuality) override
    {
        CLI::Option* left =
            command
                .add_option("--left", left_,
                            "The left eye's picture to write: the synthesised view, or the pair's left eye; with "
                            "-o and without --image or --stereo, the left eye to put into the MPO")
                ->type_name("L");
        CLI::Option* right =
            command
                .add_option("--right", right_,
                            "The right eye's picture to write: a copy of the picture, or the pair's right eye; with "
                            "-o and without --image or --stereo, the right eye to put into the MPO")
                ->type_name("R");
        left->needs(right);
        right->needs(left);
        command
            .add_option("-o,--output", mpo_,
                        "Both eyes in one stereo MPO file instead (JPEG at --quality), as two-lens cameras write")
            ->type_name("OUT.mpo");
        AddFormatOptions(command, format_, "from each name's extension", jpegQuality);
    }

    std::vector<OutputFile> NamedOutputs() const override
    {
        if (!mpo_.empty()) {
            if (Lowercase(std::filesystem::path(mpo_).extension().string()) != ".mpo")
                throw UsageError("-o names a stereo MPO file, ending in .mpo; give the eyes apart with --left and "
                                 "--right");
            return {{"-o", mpo_, kSaveJpeg}};
        }
        if (left_.empty())
            throw UsageError("give the eyes' files with --left L --right R, or one MPO with -o OUT.mpo");
        return {{"--left", left_, SaveFormatOf(left_, format_)}, {"--right", right_, SaveFormatOf(right_, format_)}};
    }

    std::vector<OutputFile> OutputsFor(const std::string& folder, const std::string& stem, int format) const override
    {
        const std::string extension = "." + FormatExtension(format);
        return {{"--out", InFolder(folder, stem + "-left" + extension), format},
                {"--out", InFolder(folder, stem + "-right" + extension), format}};
    }

protected:
    bool Make(const LayoutRun& run, StereoSettings settings, const std::vector<OutputFile>& outputs,
              const RunOptions& options, ProgressSink& sink) const override
    {
        if (outputs.size() == 1)
            return MakeStereoMpo(run, outputs[0].path, settings, options, sink);
        return MakeEyePair(run, outputs[0].path, outputs[0].format, outputs[1].path, outputs[1].format, settings,
                           options, sink);
    }

private:
    std::string left_;
    std::string right_;
    std::string mpo_;
    std::string format_;
};

class ViewSeriesCommand : public WholeCommand {
public:
    void AddOutputOptions(CLI::App& command, int& jpegQuality) override
    {
        command
            .add_option("-o,--output", pattern_,
                        "Names of the views, with one number field for k: view-%d.png, view-%02d.png")
            ->required()
            ->type_name("PATTERN");
        AddFormatOptions(command, format_, "from PATTERN's extension", jpegQuality);
    }

    std::vector<OutputFile> NamedOutputs() const override
    {
        const auto pattern = NamePattern::Parse(pattern_);
        if (!pattern)
            throw UsageError("the view names " + pattern_ +
                             " need one number field, such as view-%02d.png (%% for a percent sign)");
        const int format = SaveFormatOf(pattern_, format_);
        std::vector<OutputFile> outputs;
        for (int k = 0; k < count_; ++k)
            outputs.push_back({"-o", pattern->NameFor(k), format});
        return outputs;
    }

    std::vector<OutputFile> OutputsFor(const std::string& folder, const std::string& stem, int format) const override
    {
        std::vector<OutputFile> outputs;
        for (int k = 0; k < count_; ++k) {
            const std::string number = (k < 10 ? "0" : "") + std::to_string(k);
            const std::string name = stem + "-" + number + "." + FormatExtension(format);
            outputs.push_back({"--out", InFolder(folder, name), format});
        }
        return outputs;
    }

protected:
    void AddOwnOptions(CLI::App& command) override
    {
        command
            .add_option("--count", count_,
                        "Number of views, " + std::to_string(kFewestSeriesViews) + " to " +
                            std::to_string(kMostSeriesViews))
            ->required()
            ->type_name("N")
            ->check(CLI::Range(kFewestSeriesViews, kMostSeriesViews));
        command
            .add_option("--order", order_,
                        "left-to-right: view 0 is the leftmost eye and the last the rightmost, as lenticular and "
                        "animation tools take them; right-to-left: view 0 is the picture (default: left-to-right)")
            ->transform(OneOf({"left-to-right", "right-to-left"}))
            ->type_name("ORDER");
        command.add_flag("--symmetric", symmetric_,
                         "The picture in the middle of the series and the views to both sides of it, each side with "
                         "half the parallax, so that the outermost views have half the holes to fill");
    }

    bool Make(const LayoutRun& run, StereoSettings settings, const std::vector<OutputFile>& outputs,
              const RunOptions& options, ProgressSink& sink) const override
    {
        std::vector<std::string> paths;
        for (const OutputFile& output : outputs)
            paths.push_back(output.path);
        return MakeViewSeries(run, paths, settings, options, sink, SeriesPlan{order_ == "left-to-right", symmetric_});
    }

private:
    int count_ = kFewestSeriesViews;
    std::string order_ = "left-to-right";
    bool symmetric_ = false;
    std::string pattern_;
    std::string format_;
};

} // namespace

std::unique_ptr<WholeCommand> NewSideBySideCommand()
{
    return std::make_unique<SideBySideCommand>();
}

std::unique_ptr<WholeCommand> NewEyePairCommand()
{
    return std::make_unique<EyePairCommand>();
}

std::unique_ptr<WholeCommand> NewViewSeriesCommand()
{
    return std::make_unique<ViewSeriesCommand>();
}

} // namespace velmora::cli
