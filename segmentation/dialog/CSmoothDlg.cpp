// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/dialog/CSmoothDlg.h"

#include "imaging/stereo/Messages.h"

#include "platform/Platform.h"
#include "resources/CNumericEdit.h"
#include "resources/FieldText.h"
#include "resources/SmoothDialogIds.h"
#include "segmentation/SegmentationCommands.h"
#include "segmentation/SegmentationDefaults.h"
#include "segmentation/dialog/SmoothDialogHost.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace velmora {
CSmoothDlg::CSmoothDlg(SmoothDialogHost& host, QWidget* parent) : QDialog(parent), host_(host)
{
    controls_ = BuildDialog(*this, SmoothDialogTemplate(), [](const ControlTemplate& control, QWidget* owner) {
        return control.id == smooth_ids::kDegree ? new CNumericEdit(owner) : nullptr;
    });
    controls_.As<QLineEdit>(smooth_ids::kDegree)->setText(DecimalText(kDefaultSmoothingDegree));
    controls_.As<QLineEdit>(smooth_ids::kLevelText)->setText(DecimalText(kDefaultOutlineLevel));
    auto* slider = controls_.As<QSlider>(smooth_ids::kLevel);
    slider->setRange(0, kMaxOutlineLevel);
    slider->setValue(kDefaultOutlineLevel);
    connect(slider, &QSlider::valueChanged, this, [this](int position) {
        controls_.As<QLineEdit>(smooth_ids::kLevelText)->setText(DecimalText(position));
    });
    connect(controls_.As<QPushButton>(smooth_ids::kCreateOutline), &QPushButton::clicked, this, &CSmoothDlg::CreateOutline);
    connect(controls_.As<QPushButton>(smooth_ids::kSmooth), &QPushButton::clicked, this, &CSmoothDlg::SmoothDepthMap);
    connect(controls_.As<QPushButton>(smooth_ids::kOpenDepthMap), &QPushButton::clicked, this, &CSmoothDlg::OpenDepthMap);
    connect(controls_.As<QPushButton>(smooth_ids::kClose), &QPushButton::clicked, this, &QDialog::accept);
    Control(smooth_ids::kClose)->setFocus();
}

void CSmoothDlg::CreateOutline()
{
    WaitCursor waiting(host_.DesktopPlatform());
    const int level = IntegerIn(controls_.As<QLineEdit>(smooth_ids::kLevelText));
    CreateOutlineImage(level, host_.CurrentSegmentationInputs(), record_, host_.MessageSink(),
                       [this](const std::string& file) { host_.ShowPreviewOf(file); });
    host_.MessageSink().SetStatus(messages::kStatusReady);
}

void CSmoothDlg::SmoothDepthMap()
{
    WaitCursor waiting(host_.DesktopPlatform());
    SmoothDepthMapBySegments(IntegerIn(controls_.As<QLineEdit>(smooth_ids::kDegree)), host_.CurrentSegmentationInputs(), record_,
                             host_.MessageSink(), [this](const std::string& file) { host_.ShowPreviewOf(file); });
    host_.MessageSink().SetStatus(messages::kStatusReady);
}

void CSmoothDlg::OpenDepthMap()
{
    if (const auto adopted = ReadSmoothedDepthMap(host_.CurrentSegmentationInputs(), host_.MessageSink()))
        host_.AdoptDepthMap(adopted->path, adopted->title);
}

} // namespace velmora
