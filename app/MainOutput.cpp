// SPDX-License-Identifier: GPL-3.0-or-later

// The two output commands and the segmentation tool, from the main window.

#include "app/CMainDlg.h"

#include "app/ScopedFlag.h"

#include "app/OutputNames.h"
#include "imaging/files/WrittenFiles.h"
#include "imaging/stereo/Messages.h"
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
// replaced.
FileDialogRequest SaveRequest(int saveFormat)
{
    return {"Save image", "Image files", "*.bmp;*.png;*.tif", FormatExtension(saveFormat)};
}

} // namespace

void CMainDlg::ConnectCommands()
{
    connect(controls_.As<QPushButton>(kAnaglyph), &QPushButton::clicked, this,
            [this] { RunOutputCommand(StereoOutputKind::Anaglyph); });
    connect(controls_.As<QPushButton>(kLcShutter), &QPushButton::clicked, this,
            [this] { RunOutputCommand(StereoOutputKind::LcShutter); });
    connect(controls_.As<QPushButton>(kSmooth), &QPushButton::clicked, this, &CMainDlg::ShowSmoothDialog);
    // "Lenticular views", "Integral views", "ViewMaster" and "Cross eyed"
    // stay disabled and do nothing.
}

void CMainDlg::RunOutputCommand(StereoOutputKind kind)
{
    if (busy_) {
        platform_.Beep();
        return;
    }
    settings_.geometry.parallax = IntegerIn(Edit(kParallax));
    if (settings_.geometry.parallax == 0) {
        ShowMessage(messages::kEnterParallax);
        return;
    }
    StereoOutputRun run;
    run.geometry = settings_.geometry;
    settings_.smoothingRadius = IntegerIn(Edit(kSmoothingRadius));
    run.smoothingRadius = settings_.smoothingRadius;

    const std::optional<std::string> answer = platform_.AskSaveFile(this, SaveRequest(settings_.saveFormat));
    if (!answer || answer->empty())
        return;
    const ScopedFlag running(busy_);
    run.outputPath =
        MakeOutputPath(*answer, FormatExtension(settings_.saveFormat), paths_.imagePath, paths_.depthPath);
    run.smoothedDepthPath =
        SmoothedDepthMapPath(settings_.saveFormat, {run.outputPath, paths_.imagePath, paths_.depthPath});
    const bool made = MakeStereoOutput(kind, run, paths_.imagePath, paths_.depthPath, settings_, runOptions_, *this);
    KeepAsResult(run.outputPath);

    // After a failed step the output file holds no result of this run.
    if (made && settings_.previewImages)
        ShowPreview(platform_, run.outputPath, this);
    if (settings_.deleteTempFiles)
        DeleteTempFiles(paths_.imagePath, settings_.saveFormat, {run.outputPath, paths_.imagePath, paths_.depthPath});
    SetStatus("Ready");
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
