// SPDX-License-Identifier: GPL-3.0-or-later

// Choosing the picture and the depth map.

#include "app/CMainDlg.h"

#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/AutoParallax.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/stereo/TempFiles.h"
#include "platform/Platform.h"
#include "preview/CPreviewPane.h"
#include "resources/FieldText.h"
#include "resources/MainDialogIds.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <filesystem>

namespace velmora {
namespace {

using namespace main_ids;

const FileDialogRequest kOpenRequest{"Open image", "Image files", "*.bmp;*.png;*.tif;*.jpg", ""};

struct ChosenFile {
    std::string path;
    ImageRead read; // no bitmap when it could not be read
};

// The file read by its bare name, its folder made the current one first, as
// the open dialog does; none when no file was chosen.
std::optional<ChosenFile> ReadChosen(const std::optional<std::string>& path, const RunOptions& options)
{
    if (!path || path->empty())
        return std::nullopt;
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::absolute(*path).parent_path(), ignored);
    return ChosenFile{*path, ReadImageFile(FileName(*path), options)};
}

} // namespace

void CMainDlg::OpenImage()
{
    OpenImageFile(platform_.AskOpenFile(this, kOpenRequest));
}

void CMainDlg::OpenImageFile(const std::optional<std::string>& path)
{
    if (std::optional<ChosenFile> chosen = ReadChosen(path, runOptions_)) {
        paths_.imagePath = chosen->path;
        paths_.imageTitle = FileTitle(chosen->path);
        if (!chosen->read.bitmap) {
            imageLoaded_ = false;
            ShowMessage(ReadFailureMessage(chosen->read.status, messages::kCouldntLoadBitmap));
            return;
        }
        imageLoaded_ = true;
        controls_.As<QLabel>(kImageName)->setText(QString::fromStdString(FileName(chosen->path)));

        FIBITMAP* bitmap = chosen->read.bitmap.get();
        imageBitsPerPixel_ = BitsPerPixel(bitmap);
        settings_.pixelsPerMetre = HorizontalResolution(bitmap);
        imageDpi_ = DotsPerInch(settings_.pixelsPerMetre);
        if (imageDpi_ == 0) {
            settings_.autoParallax = false;
            Check(kAutoParallax)->setChecked(false);
            Edit(kParallax)->setEnabled(true);
            ShowSettingProblem(messages::kNoAutomaticParallax);
        } else {
            ClearSettingProblem(messages::kNoAutomaticParallax);
        }
        settings_.viewCount = IntegerIn(Edit(kViewCount));
        settings_.viewingAngle = RealIn(Edit(kViewingAngle));
        if (settings_.autoParallax)
            RecomputeParallax();
        else
            settings_.geometry.parallax = IntegerIn(Edit(kParallax));
        const int parallax = settings_.geometry.parallax;
        settings_.geometry.stereoWindow = parallax;
        SetEditText(kStereoWindowText, DecimalText(parallax));
        SetSliderRange(parallax, parallax);
        chosen->read.bitmap.reset(); // the routines read the file again when they run

        imagePane_->LoadFile(paths_.imagePath);
        imagePane_->UpdateScrollBars();
    }
    // Also after a cancelled dialog, about the picture opened before (none
    // before the first one is opened).
    if (imageBitsPerPixel_ != 0 && imageBitsPerPixel_ != 24)
        ShowMessage("The image is not in the RGB colour mode!");
    RefreshOutputButtons();
}

void CMainDlg::OpenDepthMap()
{
    OpenDepthMapFile(platform_.AskOpenFile(this, kOpenRequest));
}

void CMainDlg::OpenDepthMapFile(const std::optional<std::string>& path)
{
    if (std::optional<ChosenFile> chosen = ReadChosen(path, runOptions_)) {
        paths_.depthPath = chosen->path;
        paths_.depthTitle = FileTitle(chosen->path);
        if (!chosen->read.bitmap) {
            depthLoaded_ = false;
            ShowMessage(ReadFailureMessage(chosen->read.status, messages::kCouldntLoadBitmap));
            return;
        }
        depthLoaded_ = true;
        controls_.As<QLabel>(kDepthName)->setText(QString::fromStdString(FileName(chosen->path)));
        depthBitsPerPixel_ = BitsPerPixel(chosen->read.bitmap.get());
        chosen->read.bitmap.reset();
        depthPane_->LoadFile(paths_.depthPath);
        depthPane_->UpdateScrollBars();
    }
    if (depthBitsPerPixel_ != 0 && depthBitsPerPixel_ != 24)
        ShowMessage("The depth map is not in the RGB colour mode");
    RefreshOutputButtons();
}

void CMainDlg::AdoptDepthMap(const std::string& path, const std::string& title)
{
    controls_.As<QLabel>(kDepthName)->setText(QString::fromStdString(FileName(path)));
    depthLoaded_ = true;
    paths_.depthPath = path;
    paths_.depthTitle = title;
    depthPane_->LoadFile(paths_.depthPath);
    depthPane_->UpdateScrollBars();
}

} // namespace velmora
