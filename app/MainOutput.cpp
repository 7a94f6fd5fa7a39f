// SPDX-License-Identifier: GPL-3.0-or-later

// The output commands and the segmentation tool, from the main window.

#include "app/CMainDlg.h"

#include "app/ScopedFlag.h"

#include "imaging/files/WrittenFiles.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/StereoLayouts.h"
#include "imaging/stereo/TempFiles.h"
#include "platform/Platform.h"
#include "preview/CPreviewDlg.h"
#include "resources/FieldText.h"
#include "resources/MainDialogIds.h"
#include "segmentation/dialog/CSmoothDlg.h"

#include <QLineEdit>
#include <QPushButton>

namespace velmora {
namespace {

using namespace main_ids;

// The format chosen under "Save as:" gives a typed name without a dot its
// extension inside the dialog, so that the dialog asks before that file is
// replaced; it asks nothing about a file the run writes beside, not over.
FileDialogRequest SaveRequest(int saveFormat, std::function<bool(const std::string&)> neverReplaced)
{
    return {"Save image", "Image files", "*.bmp;*.png;*.tif", FormatExtension(saveFormat), std::move(neverReplaced)};
}

// "Saved as 2photo.png: photo.png is an input", "Saved as 2view-00.png to
// 2view-04.png: view-00.png already exists": where the results went when
// that is not where the user chose.
std::string MovedStatus(const OutputFiles& files)
{
    std::string written = FileName(files.paths.front());
    if (files.paths.size() > 1)
        written += " to " + FileName(files.paths.back());
    return "Saved as " + written + ": " + files.moved;
}

} // namespace

void CMainDlg::ConnectCommands()
{
    connect(controls_.As<QPushButton>(kAnaglyph), &QPushButton::clicked, this,
            [this] { RunOutputCommand(StereoOutputKind::Anaglyph); });
    connect(controls_.As<QPushButton>(kLcShutter), &QPushButton::clicked, this,
            [this] { RunOutputCommand(StereoOutputKind::LcShutter); });
    connect(controls_.As<QPushButton>(kCrossEyed), &QPushButton::clicked, this, &CMainDlg::RunCrossEyed);
    connect(controls_.As<QPushButton>(kLenticularViews), &QPushButton::clicked, this, &CMainDlg::RunLenticularViews);
    connect(controls_.As<QPushButton>(kSmooth), &QPushButton::clicked, this, &CMainDlg::ShowSmoothDialog);
    connect(controls_.As<QPushButton>(kDepthFromPair), &QPushButton::clicked, this, &CMainDlg::MakeDepthFromPair);
    // "Integral views" and "ViewMaster" stay disabled and do nothing.
}

bool CMainDlg::BeepsWhileBusy()
{
    if (busy_)
        platform_.Beep();
    return busy_;
}

bool CMainDlg::ReadyToRun()
{
    if (BeepsWhileBusy())
        return false;
    settings_.geometry.parallax = IntegerIn(Edit(kParallax));
    if (settings_.geometry.parallax == 0) {
        ShowMessage(messages::kEnterParallax);
        return false;
    }
    settings_.smoothingRadius = IntegerIn(Edit(kSmoothingRadius));
    return true;
}

void CMainDlg::RunOutputCommand(StereoOutputKind kind)
{
    if (!ReadyToRun())
        return;
    const auto naming = [this](const std::string& answer) {
        return MakeOutputPath(answer, FormatExtension(settings_.saveFormat), paths_.imagePath, paths_.depthPath);
    };
    RunOutput(naming, [this, kind](const std::vector<std::string>& outputs) {
        StereoOutputRun run;
        run.outputPath = outputs.front();
        run.geometry = settings_.geometry;
        run.smoothingRadius = settings_.smoothingRadius;
        run.smoothedDepthPath =
            SmoothedDepthMapPath(settings_.saveFormat, {run.outputPath, paths_.imagePath, paths_.depthPath});
        return MakeStereoOutput(kind, run, paths_.imagePath, paths_.depthPath, settings_, runOptions_, *this);
    });
}

LayoutRun CMainDlg::CurrentLayoutRun() const
{
    LayoutRun run;
    run.imagePath = paths_.imagePath;
    run.depth = DepthMapFile(paths_.depthPath);
    run.geometry = settings_.geometry;
    run.smoothingRadius = settings_.smoothingRadius;
    return run;
}

void CMainDlg::RunCrossEyed()
{
    if (!ReadyToRun())
        return;
    const auto naming = [this](const std::string& answer) {
        return MakeOutputPath(answer, FormatExtension(settings_.saveFormat), paths_.imagePath, paths_.depthPath);
    };
    RunOutput(naming, [this](const std::vector<std::string>& outputs) {
        return MakeSideBySide(CurrentLayoutRun(), PairLayout::kCross, false, outputs.front(), settings_, runOptions_,
                              *this);
    });
}

void CMainDlg::RunLenticularViews()
{
    if (!ReadyToRun())
        return;
    const int count = IntegerIn(Edit(kViewCount));
    if (count < kFewestSeriesViews || count > kMostSeriesViews) {
        ShowMessage("Lenticular views need " + std::to_string(kFewestSeriesViews) + " to " +
                    std::to_string(kMostSeriesViews) + " views!");
        return;
    }
    const auto naming = [this, count](const std::string& answer) {
        return MakeViewSeriesPaths(answer, FormatExtension(settings_.saveFormat), count, paths_.imagePath,
                                   paths_.depthPath);
    };
    RunOutput(naming, [this](const std::vector<std::string>& outputs) {
        return MakeViewSeries(CurrentLayoutRun(), outputs, settings_, runOptions_, *this);
    });
}

std::optional<OutputFiles>
CMainDlg::RunOutput(const std::function<OutputFiles(const std::string& answer)>& naming,
                    const std::function<bool(const std::vector<std::string>& outputs)>& making)
{
    // The dialog asks about the chosen file only when the run would write
    // that very file (a series of views writes only files named after it).
    const auto writtenElsewhere = [&](const std::string& chosen) {
        const OutputFiles outputs = naming(chosen);
        return !outputs.moved.empty() || (outputs.paths.size() != 1 && outputs.paths.front() != chosen);
    };
    const std::optional<std::string> answer =
        platform_.AskSaveFile(this, SaveRequest(settings_.saveFormat, writtenElsewhere));
    if (!answer || answer->empty())
        return std::nullopt;
    const ScopedFlag running(busy_);
    const OutputFiles outputs = naming(*answer);
    const bool made = making(outputs.paths);
    for (const std::string& output : outputs.paths)
        KeepAsResult(output);

    // After a failed step the output files hold no result of this run.
    if (made && settings_.previewImages)
        ShowPreview(platform_, outputs.paths.front(), this);
    if (settings_.deleteTempFiles) {
        std::vector<std::string> keep = outputs.paths;
        keep.insert(keep.end(), {paths_.imagePath, paths_.depthPath});
        DeleteTempFiles(paths_.imagePath, settings_.saveFormat, keep);
    }
    SetStatus(made && !outputs.moved.empty() ? MovedStatus(outputs) : messages::kStatusReady);
    return made ? std::optional(outputs) : std::nullopt;
}

void CMainDlg::ShowSmoothDialog()
{
    CSmoothDlg dialog(*this, this);
    dialog.exec();
}

SegmentationInputs CMainDlg::CurrentSegmentationInputs() const
{
    return {paths_.imagePath, paths_.imageTitle, paths_.depthPath, paths_.depthTitle, settings_.saveFormat,
            settings_.previewImages, runOptions_};
}

void CMainDlg::ShowPreviewOf(const std::string& fileName)
{
    ShowPreview(platform_, fileName, this);
}

} // namespace velmora
