#include "app/CMainDlg.h"

#include "resources/CNumericEdit.h"
#include "resources/MainDialogIds.h"
#include "platform/Platform.h"
#include "preview/CPreviewPane.h"

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

CMainDlg::CMainDlg(Platform& platform, QWidget* parent) : QDialog(parent), platform_(platform)
{
    controls_ = BuildDialog(*this, MainDialogTemplate(), [](const ControlTemplate& control, QWidget* owner) {
        return IsNumericEdit(control.id) ? new CNumericEdit(owner) : nullptr;
    });
    Initialise();
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::Initialise()
{
    busy_ = false;
    // The About entry of the system menu exists only where the platform has
    // a system menu to extend; Qt offers none, so it is left out here.
    ConnectSettings();
    ConnectCommands();
    ConnectInformation();

    SetEditText(kViewCount, "2");
    SetEditText(kViewingAngle, "12");
    SetEditText(kSmoothingRadius, "3");
    SetStatus("What do you want, master?");
    SetEditText(kParallax, "");

    settings_.autoParallax = true;
    Check(kAutoParallax)->setChecked(true);
    Edit(kParallax)->setEnabled(false);
    settings_.previewImages = true;
    Check(kPreviewImages)->setChecked(true);
    settings_.deleteTempFiles = true;
    Check(kDeleteTempFiles)->setChecked(true);
    settings_.saveFormat = kSaveBmp;
    controls_.As<QComboBox>(kSaveAs)->setCurrentIndex(0);
    imageLoaded_ = false;
    depthLoaded_ = false;
    settings_.anaglyphMode = kAnaglyphGrey;
    controls_.As<QRadioButton>(kGrey)->setChecked(true);

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
    controls_.As<QLabel>(kStatus)->setText(QString::fromStdString(text));
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
