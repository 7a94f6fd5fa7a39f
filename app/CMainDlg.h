// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/OutputNames.h"
#include "imaging/RunOptions.h"
#include "imaging/stereo/StereoLayouts.h"
#include "imaging/stereo/StereoOutput.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/ProgressSink.h"
#include "resources/DialogBuilder.h"
#include "segmentation/dialog/SmoothDialogHost.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QProgressBar;
class QSlider;

namespace velmora {

class CPreviewPane;
class Platform;
class PrivateFolder;

// The picture and depth map the window works on. Paths are absolute, as the
// open dialog returns them (and as an adopted depth map is made), so that
// they still name the same files after another dialog changes the current
// folder; titles are the file names without folder and without the part
// from the last dot.
struct DocumentPaths {
    std::string imagePath;
    std::string imageTitle;
    std::string depthPath;
    std::string depthTitle;
};

// The main window: the picture and depth map, the stereo settings and the
// commands. It is also the processing routines' ProgressSink: status line,
// progress bar, message boxes, and a window that stays usable during a run.
class CMainDlg : public QDialog, public ProgressSink, public SmoothDialogHost {
    Q_OBJECT

public:
    // The desktop program reads no settings: runOptions are the machine's
    // defaults, unless a test hands others.
    explicit CMainDlg(Platform& platform, QWidget* parent = nullptr, const RunOptions& runOptions = {});
    ~CMainDlg() override;

    // ProgressSink
    void SetStatus(const std::string& text) override;
    void BeginProgress(int total) override;
    void StepProgress() override;
    void ResetProgress() override;
    void PumpOneMessage() override;
    void ShowMessage(const std::string& text) override;

    // The commands of the two open buttons: the open dialog, then the file.
    void OpenImage();
    void OpenDepthMap();
    // The same with a file already chosen (dropped on the window), or none,
    // as after a cancelled dialog.
    void OpenImageFile(const std::optional<std::string>& path);
    void OpenDepthMapFile(const std::optional<std::string>& path);

    const StereoSettings& Settings() const { return settings_; }
    StereoSettings& Settings() { return settings_; }
    const DocumentPaths& Paths() const { return paths_; }
    DocumentPaths& Paths() { return paths_; }
    bool ImageLoaded() const { return imageLoaded_; }
    bool DepthLoaded() const { return depthLoaded_; }
    int ImageDpi() const { return imageDpi_; }
    bool Busy() const { return busy_; }
    CPreviewPane& ImagePane() const { return *imagePane_; }
    CPreviewPane& DepthPane() const { return *depthPane_; }
    Platform& DesktopPlatform() override { return platform_; }
    QWidget* Control(int id) const { return controls_.Control(id); }

    // "&Anaglyph image" and "LC Shutter": ask for the output file, smooth the
    // depth map, make the view, compose, preview, tidy up. A second click
    // while one runs only beeps.
    void RunOutputCommand(StereoOutputKind kind);
    // "Cross eyed": both eyes in one picture, the left eye (the view) on the
    // right, as the command line's `sbs --layout cross` makes it.
    void RunCrossEyed();
    // "Lenticular views": the series of "Number of views" views (2 to 64),
    // NAME-00.EXT, NAME-01.EXT... from the chosen NAME.EXT, as the command
    // line's `views` makes them; the first is previewed.
    void RunLenticularViews();
    // "From pair": when the picture is the left eye of a stereo file, the
    // pair aligned and its depth map made, saved where the user chooses
    // with the aligned left eye it belongs to beside it (as the command
    // line's `depth --stereo` makes them), and both opened in place of the
    // picture and the depth map. A pair that cannot be aligned or matched
    // is told why, and nothing changes.
    void MakeDepthFromPair();

    // "Smooth...": the Segmentation Smoothing dialog, modally.
    void ShowSmoothDialog();

    // "Help": the help page beside the program, in the user's browser.
    void ShowHelp();
    // "About": the About box, modally.
    void ShowAbout();

    // SmoothDialogHost
    SegmentationInputs CurrentSegmentationInputs() const override;
    ProgressSink& MessageSink() override { return *this; }
    void ShowPreviewOf(const std::string& fileName) override;
    // Makes a new depth map the current one, as the segmentation tool's
    // "Open depth map" does: label, path, title, loaded mark and thumbnail.
    // The recorded bits per pixel and the output buttons stay as they were.
    void AdoptDepthMap(const std::string& path, const std::string& title) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A file dropped on the Image group opens as its "Open..." would open
    // it, one dropped on the Depth map group likewise; nothing else drops.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Initialise();
    void ConnectSettings();
    void ConnectCommands();
    void ConnectInformation();
    void SetEditText(int id, const QString& text);

    // Reactions to the settings controls.
    void OnViewCountChanged();
    void OnViewingAngleChanged();
    void OnParallaxChanged();
    void OnStereoWindowTextChanged();
    void OnStereoWindowSlid(int position);
    void OnAutoParallaxClicked();
    void RecomputeParallax();
    void SetSliderRange(int maximum, int position);
    void RefreshOutputButtons();
    // The depth map of the pair at pairPath_ and its aligned left eye,
    // written to `outputs` (depth map, picture); false after the message.
    bool WriteDepthFromPair(const std::vector<std::string>& outputs);

    // Whether an output command may start: beeps while one runs, asks for a
    // parallax when there is none; takes the parallax and smoothing radius
    // from their fields.
    bool ReadyToRun();
    // What the layout routines make the window's views from.
    LayoutRun CurrentLayoutRun() const;
    // The flow every output command shares: the save dialog, the files
    // `naming` makes of its answer, `making` writing them, the preview of
    // the first, the temporary files deleted when asked, and the status.
    // The files when they were made.
    std::optional<OutputFiles> RunOutput(const std::function<OutputFiles(const std::string& answer)>& naming,
                                         const std::function<bool(const std::vector<std::string>& outputs)>& making);
    // Whether a command runs, so that another must not start: beeps if so.
    bool BeepsWhileBusy();
    // The status line's whole text, however it is shortened on screen.
    std::string StatusText() const;
    // A status about a setting's value, and its end once the value is fixed,
    // which brings back what the line said before.
    void ShowSettingProblem(const char* text);
    void ClearSettingProblem(const char* text);

    // Which open command a drop at `position` with `data` would run.
    enum class DropTarget { kNone, kImage, kDepthMap };
    DropTarget TargetOf(const QMimeData* data, const QPoint& position) const;

    QLineEdit* Edit(int id) const;
    QCheckBox* Check(int id) const;

    Platform& platform_;
    BuiltDialog controls_;
    CPreviewPane* imagePane_ = nullptr;
    CPreviewPane* depthPane_ = nullptr;
    StereoSettings settings_;
    const RunOptions runOptions_; // handed to every routine the window runs
    DocumentPaths paths_;
    // Where the left eye of a stereo file opened as the picture is kept for
    // the routines to read.
    std::unique_ptr<PrivateFolder> eyeFolder_;
    // The stereo file the picture is the left eye of (its whole path, as the
    // current folder changes); empty when the picture is no eye.
    std::string pairPath_;
    bool imageLoaded_ = false;
    bool depthLoaded_ = false;
    int imageBitsPerPixel_ = 0;
    int depthBitsPerPixel_ = 0;
    int imageDpi_ = 0;
    bool busy_ = false;
    bool settingSlider_ = false; // the dialog moves the slider itself
    std::optional<std::string> statusBeforeProblem_;
    QElapsedTimer sinceLastPump_;
};

} // namespace velmora
