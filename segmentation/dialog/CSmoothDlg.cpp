#include "segmentation/dialog/CSmoothDlg.h"

#include "platform/Platform.h"
#include "resources/CNumericEdit.h"
#include "resources/FieldText.h"
#include "segmentation/SegmentationCommands.h"
#include "segmentation/SegmentationDefaults.h"
#include "segmentation/dialog/SmoothDialogHost.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace velmora {
namespace {

enum : int {
    kIdClose = 1,
    kIdLevelText = 1026,
    kIdCreateOutline = 1027,
    kIdLevel = 1028,
    kIdSmooth = 1029,
    kIdDegree = 1030,
    kIdOpenDepthMap = 1032,
};

} // namespace

CSmoothDlg::CSmoothDlg(SmoothDialogHost& host, QWidget* parent) : QDialog(parent), host_(host)
{
    controls_ = BuildDialog(*this, SmoothDialogTemplate(), [](const ControlTemplate& control, QWidget* owner) {
        return control.id == kIdDegree ? new CNumericEdit(owner) : nullptr;
    });
    controls_.As<QLineEdit>(kIdDegree)->setText(DecimalText(kDefaultSmoothingDegree));
    controls_.As<QLineEdit>(kIdLevelText)->setText(DecimalText(kDefaultOutlineLevel));
    auto* slider = controls_.As<QSlider>(kIdLevel);
    slider->setRange(0, kMaxOutlineLevel);
    slider->setValue(kDefaultOutlineLevel);
    connect(slider, &QSlider::valueChanged, this, [this](int position) {
        controls_.As<QLineEdit>(kIdLevelText)->setText(DecimalText(position));
    });
    connect(controls_.As<QPushButton>(kIdCreateOutline), &QPushButton::clicked, this, &CSmoothDlg::CreateOutline);
    connect(controls_.As<QPushButton>(kIdSmooth), &QPushButton::clicked, this, &CSmoothDlg::SmoothDepthMap);
    connect(controls_.As<QPushButton>(kIdOpenDepthMap), &QPushButton::clicked, this, &CSmoothDlg::OpenDepthMap);
    connect(controls_.As<QPushButton>(kIdClose), &QPushButton::clicked, this, &QDialog::accept);
    Control(kIdClose)->setFocus();
}

void CSmoothDlg::CreateOutline()
{
    WaitCursor waiting(host_.DesktopPlatform());
    const int level = IntegerIn(controls_.As<QLineEdit>(kIdLevelText));
    CreateOutlineImage(level, host_.CurrentSegmentationInputs(), record_, host_.MessageSink(),
                       [this](const std::string& file) { host_.ShowPreviewOf(file); });
}

void CSmoothDlg::SmoothDepthMap()
{
    WaitCursor waiting(host_.DesktopPlatform());
    SmoothDepthMapBySegments(IntegerIn(controls_.As<QLineEdit>(kIdDegree)), host_.CurrentSegmentationInputs(), record_,
                             host_.MessageSink(), [this](const std::string& file) { host_.ShowPreviewOf(file); });
}

void CSmoothDlg::OpenDepthMap()
{
    if (const auto adopted = ReadSmoothedDepthMap(host_.CurrentSegmentationInputs(), host_.MessageSink()))
        host_.AdoptDepthMap(adopted->path, adopted->title);
}

} // namespace velmora
