// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/CMainDlg.h"

#include "imaging/files/PrivateFolder.h"
#include "imaging/stereo/NumberText.h"
#include "platform/Platform.h"
#include "preview/CPreviewPane.h"
#include "resources/CNumericEdit.h"
#include "resources/FieldText.h"
#include "resources/MainDialogIds.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace velmora {
namespace {

using namespace main_ids;

// A pump dispatches waiting events at most this often, so that a routine
// can call it once per row at next to no cost.
constexpr int kPumpIntervalMs = 5;

bool IsNumericEdit(int id)
{
    return id == kViewCount || id == kViewingAngle || id == kParallax || id == kSmoothingRadius;
}

} // namespace

CMainDlg::CMainDlg(Platform& platform, QWidget* parent, const RunOptions& runOptions)
    : QDialog(parent), platform_(platform), runOptions_(runOptions)
{
    controls_ = BuildDialog(*this, MainDialogTemplate(), [](const ControlTemplate& control, QWidget* owner) {
        return IsNumericEdit(control.id) ? new CNumericEdit(owner) : nullptr;
    });
    // The program's one window: a top-level window of its own with a
    // task-bar entry and a minimise button, not a dialog over another; its
    // size stays fixed.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    Initialise();
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::Initialise()
{
    // The About entry of the system menu exists only where the platform has
    // a system menu to extend; Qt offers none, so it is left out here.
    ConnectSettings();
    ConnectCommands();
    ConnectInformation();

    // Every start begins from the settings' defaults. Filling a field runs its
    // reaction, which reads the others into settings_; the last one set
    // leaves every field's value there.
    const StereoSettings defaults;
    SetEditText(kViewCount, DecimalText(defaults.viewCount));
    SetEditText(kViewingAngle, QString::fromStdString(FormatReal(defaults.viewingAngle)));
    SetEditText(kSmoothingRadius, DecimalText(defaults.smoothingRadius));
    SetStatus("What do you want, master?");
    SetEditText(kParallax, "");

    settings_ = defaults;
    Check(kAutoParallax)->setChecked(settings_.autoParallax);
    Edit(kParallax)->setEnabled(!settings_.autoParallax);
    Check(kPreviewImages)->setChecked(settings_.previewImages);
    Check(kDeleteTempFiles)->setChecked(settings_.deleteTempFiles);
    controls_.As<QComboBox>(kSaveAs)->setCurrentIndex(settings_.saveFormat);
    controls_.As<QRadioButton>(settings_.anaglyphMode == kAnaglyphGrey ? kGrey : kColour)->setChecked(true);

    imagePane_ = new CPreviewPane(platform_, this);
    imagePane_->setObjectName("image-pane");
    imagePane_->setGeometry(Control(kImageFrame)->geometry());
    depthPane_ = new CPreviewPane(platform_, this);
    depthPane_->setObjectName("depth-pane");
    depthPane_->setGeometry(Control(kDepthFrame)->geometry());
}

QLineEdit* CMainDlg::Edit(int id) const
{
    return controls_.As<QLineEdit>(id);
}

QCheckBox* CMainDlg::Check(int id) const
{
    return controls_.As<QCheckBox>(id);
}

void CMainDlg::SetStatus(const std::string& text)
{
    // A text longer than the line ends in "..." and shows whole as a tooltip
    // and to screen readers.
    auto* status = controls_.As<QLabel>(kStatus);
    const QString whole = QString::fromStdString(text);
    const QString shown = status->fontMetrics().elidedText(whole, Qt::ElideRight, status->width());
    status->setText(shown);
    status->setToolTip(shown == whole ? QString() : whole);
    status->setAccessibleName(whole);
}

std::string CMainDlg::StatusText() const
{
    return controls_.As<QLabel>(kStatus)->accessibleName().toStdString();
}

void CMainDlg::BeginProgress(int total)
{
    auto* bar = controls_.As<QProgressBar>(kProgress);
    bar->setRange(0, std::max(total, 1));
    bar->setValue(0);
}

void CMainDlg::StepProgress()
{
    auto* bar = controls_.As<QProgressBar>(kProgress);
    bar->setValue(std::min(bar->value() + 1, bar->maximum()));
}

void CMainDlg::ResetProgress()
{
    controls_.As<QProgressBar>(kProgress)->setValue(0);
}

void CMainDlg::PumpOneMessage()
{
    if (sinceLastPump_.isValid() && sinceLastPump_.elapsed() < kPumpIntervalMs)
        return;
    QCoreApplication::processEvents();
    sinceLastPump_.restart();
}

void CMainDlg::ShowMessage(const std::string& text)
{
    platform_.ShowMessage(this, text);
}

void CMainDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter while no push button has the focus (a focused button takes it
    // itself) is the OK command: the program ends.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMainDlg::closeEvent(QCloseEvent* event)
{
    event->ignore(); // the close box does not end the program; Enter does
}

void CMainDlg::reject()
{
    // Escape is ignored.
}

} // namespace velmora
