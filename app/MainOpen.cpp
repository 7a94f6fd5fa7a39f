// SPDX-License-Identifier: GPL-3.0-or-later

// Choosing the picture and the depth map.

#include "app/CMainDlg.h"

#include "imaging/files/PrivateFolder.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/formats/SaveFormat.h"
#include "imaging/pairs/PairFiles.h"
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

// Phones' HEIC pictures too; the picture may also be one eye of a stereo file.
const FileDialogRequest kOpenRequest {"Open image", "Image files", "*.bmp;*.png;*.tif;*.jpg;*.heic;*.heif", "", {}};
const FileDialogRequest kOpenPictureRequest {
    "Open image", "Image files", "*.bmp;*.png;*.tif;*.jpg;*.heic;*.heif;*.mpo;*.jps;*.pns", "", {}};

struct ChosenFile {
    std::string path;
    ImageRead read; // no bitmap when it could not be read
    std::string readPath; // what the routines read: the file, or the left eye taken from it
    bool stereo = false;  // the file holds both eyes
};

// The chosen file's folder made the current one, as the open dialog does:
// the file is then read by its bare name.
void EnterFolderOf(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::absolute(path).parent_path(), ignored);
}

// The file read; none when no file was chosen.
std::optional<ChosenFile> ReadChosen(const std::optional<std::string>& path, const RunOptions& options)
{
    if (!path || path->empty())
        return std::nullopt;
    EnterFolderOf(*path);
    return ChosenFile{*path, ReadImageFile(FileName(*path), options), *path};
}

// The left eye of a stereo file (a camera's MPO, a JPS or PNS), written to
// `folder` (made anew) for the routines to read; each eye is decoded once.
// The read fails with the pair's problem, and its kind, when the file holds
// no pair.
ChosenFile ReadLeftEye(const std::string& path, std::unique_ptr<PrivateFolder>& folder, const RunOptions& options)
{
    EnterFolderOf(path);
    ChosenFile chosen{path, {}, path, true};
    PairRead pair = ReadStereoPair(PairSource{FileName(path), std::nullopt, "", ""}, options);
    if (!pair.left) {
        chosen.read = {Bitmap(), Failure(pair.kind, pair.problem)};
        return chosen;
    }
    folder = std::make_unique<PrivateFolder>();
    if (!*folder) {
        chosen.read = {Bitmap(), Failure(FileProblem::kUnreadable, folder->Failure())};
        return chosen;
    }
    const std::string eyePath = folder->Path("left-eye.bmp");
    if (const FileStatus written = WriteImageFile(pair.left.get(), eyePath, kSaveBmp, options); !written) {
        chosen.read = {Bitmap(), Failure(FileProblem::kUnreadable, written.reason)};
        return chosen;
    }
    chosen.read = {std::move(pair.left), {}};
    chosen.readPath = eyePath;
    return chosen;
}

// The picture chosen: a stereo file gives its left eye.
std::optional<ChosenFile> ReadChosenPicture(const std::optional<std::string>& path,
                                            std::unique_ptr<PrivateFolder>& eyeFolder, const RunOptions& options)
{
    if (path && !path->empty() && IsStereoFile(*path))
        return ReadLeftEye(*path, eyeFolder, options);
    return ReadChosen(path, options);
}

} // namespace

void CMainDlg::OpenImage()
{
    if (!BeepsWhileBusy())
        OpenImageFile(platform_.AskOpenFile(this, kOpenPictureRequest));
}

void CMainDlg::OpenImageFile(const std::optional<std::string>& path)
{
    // A run pumps events: a drop then must not change the files it uses.
    if (BeepsWhileBusy())
        return;
    std::error_code ignored; // before the chosen file's folder becomes the current one
    const std::string wholePath = path ? std::filesystem::absolute(*path, ignored).string() : "";
    if (std::optional<ChosenFile> chosen = ReadChosenPicture(path, eyeFolder_, runOptions_)) {
        paths_.imagePath = chosen->readPath;
        paths_.imageTitle = FileTitle(chosen->path);
        pairPath_.clear();
        if (!chosen->read.bitmap) {
            imageLoaded_ = false;
            Control(kDepthFromPair)->setEnabled(false);
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
        if (chosen->stereo) {
            pairPath_ = wholePath;
            SetStatus("The picture is the left eye of the stereo pair " + FileName(chosen->path));
        }
    }
    // Also after a cancelled dialog, about the picture opened before (none
    // before the first one is opened).
    if (imageBitsPerPixel_ != 0 && imageBitsPerPixel_ != 24)
        ShowMessage("The image is not in the RGB colour mode!");
    RefreshOutputButtons();
}

void CMainDlg::OpenDepthMap()
{
    if (!BeepsWhileBusy())
        OpenDepthMapFile(platform_.AskOpenFile(this, kOpenRequest));
}

void CMainDlg::OpenDepthMapFile(const std::optional<std::string>& path)
{
    if (BeepsWhileBusy())
        return;
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
