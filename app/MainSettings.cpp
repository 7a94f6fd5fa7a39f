// SPDX-License-Identifier: GPL-3.0-or-later

// How the main window's settings follow their controls, and how parallax,
// stereo window and slider are coupled.

#include "app/CMainDlg.h"

#include "app/ScopedFlag.h"

#include "imaging/stereo/AutoParallax.h"
#include "imaging/stereo/Messages.h"
#include "resources/FieldText.h"
#include "resources/MainDialogIds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace velmora {
namespace {

using namespace main_ids;

constexpr const char* kTooFewViews = "The automatic parallax needs 2 views or more; the parallax is unchanged.";

} // namespace

void CMainDlg::ConnectSettings()
{
    connect(Edit(kViewCount), &QLineEdit::textChanged, this, &CMainDlg::OnViewCountChanged);
    connect(Edit(kViewingAngle), &QLineEdit::textChanged, this, &CMainDlg::OnViewingAngleChanged);
    connect(Edit(kParallax), &QLineEdit::textChanged, this, &CMainDlg::OnParallaxChanged);
    connect(Edit(kStereoWindowText), &QLineEdit::textChanged, this, &CMainDlg::OnStereoWindowTextChanged);
    connect(controls_.As<QSlider>(kStereoWindow), &QSlider::valueChanged, this, &CMainDlg::OnStereoWindowSlid);
    connect(Check(kAutoParallax), &QCheckBox::clicked, this, &CMainDlg::OnAutoParallaxClicked);
    connect(Check(kPreviewImages), &QCheckBox::clicked, this,
            [this](bool checked) { settings_.previewImages = checked; });
    connect(Check(kDeleteTempFiles), &QCheckBox::clicked, this,
            [this](bool checked) { settings_.deleteTempFiles = checked; });
    connect(controls_.As<QRadioButton>(kGrey), &QRadioButton::clicked, this,
            [this](bool checked) { settings_.anaglyphMode = checked ? kAnaglyphGrey : kAnaglyphColour; });
    connect(controls_.As<QRadioButton>(kColour), &QRadioButton::clicked, this,
            [this](bool checked) { settings_.anaglyphMode = checked ? kAnaglyphColour : kAnaglyphGrey; });
    connect(controls_.As<QComboBox>(kSaveAs), &QComboBox::activated, this,
            [this](int index) { settings_.saveFormat = index; });
    connect(controls_.As<QPushButton>(kOpenImage), &QPushButton::clicked, this, &CMainDlg::OpenImage);
    connect(controls_.As<QPushButton>(kOpenDepthMap), &QPushButton::clicked, this, &CMainDlg::OpenDepthMap);
}

void CMainDlg::SetEditText(int id, const QString& text)
{
    QLineEdit* edit = Edit(id);
    // Setting a text runs the field's reaction as typing would, even when
    // the text stays the same.
    if (edit->text() == text)
        emit edit->textChanged(text);
    else
        edit->setText(text);
}

void CMainDlg::OnViewCountChanged()
{
    settings_.viewCount = IntegerIn(Edit(kViewCount));
    settings_.viewingAngle = RealIn(Edit(kViewingAngle));
    if (settings_.autoParallax)
        RecomputeParallax();
}

void CMainDlg::OnViewingAngleChanged()
{
    // Here the angle is read as a whole number; the change of the number of
    // views and the opening of a picture read its fraction too.
    settings_.viewingAngle = IntegerIn(Edit(kViewingAngle));
    settings_.viewCount = IntegerIn(Edit(kViewCount));
    if (settings_.autoParallax)
        RecomputeParallax();
}

void CMainDlg::RecomputeParallax()
{
    // Without a picture's resolution there is nothing to compute from; the
    // parallax field keeps what it holds.
    if (imageDpi_ == 0)
        return;
    // One view (or none) has no gaps to share the parallax among: leave the
    // parallax as it is rather than make a runaway value.
    const std::optional<int> parallax =
        settings_.viewCount >= 2 ? ComputeAutoParallax(settings_.viewCount, settings_.viewingAngle, imageDpi_)
                                 : std::nullopt;
    if (!parallax) {
        ShowSettingProblem(kTooFewViews);
        return;
    }
    ClearSettingProblem(kTooFewViews);
    settings_.geometry.parallax = *parallax;
    SetEditText(kParallax, DecimalText(*parallax));
}

void CMainDlg::OnParallaxChanged()
{
    settings_.geometry.parallax = IntegerIn(Edit(kParallax));
    SetEditText(kStereoWindowText, Edit(kParallax)->text());
    SetSliderRange(settings_.geometry.parallax, settings_.geometry.parallax);
}

void CMainDlg::OnStereoWindowTextChanged()
{
    settings_.geometry.stereoWindow = IntegerIn(Edit(kStereoWindowText));
    // The slider keeps its thumb inside its range; the field keeps the value.
    const ScopedFlag settingSlider(settingSlider_);
    controls_.As<QSlider>(kStereoWindow)->setValue(settings_.geometry.stereoWindow);
}

void CMainDlg::OnStereoWindowSlid(int position)
{
    if (settingSlider_)
        return;
    settings_.geometry.stereoWindow = position;
    SetEditText(kStereoWindowText, DecimalText(position));
}

void CMainDlg::SetSliderRange(int maximum, int position)
{
    auto* slider = controls_.As<QSlider>(kStereoWindow);
    const ScopedFlag settingSlider(settingSlider_);
    slider->setRange(0, maximum);
    slider->setValue(position);
}

void CMainDlg::OnAutoParallaxClicked()
{
    settings_.autoParallax = Check(kAutoParallax)->isChecked();
    if (imageDpi_ == 0) {
        ShowSettingProblem(messages::kNoAutomaticParallax);
        settings_.autoParallax = false;
        Check(kAutoParallax)->setChecked(false);
    }
    // The parallax field is open exactly while "Auto" is off, a picture or not.
    Edit(kParallax)->setEnabled(!settings_.autoParallax);
}

void CMainDlg::ShowSettingProblem(const char* text)
{
    const std::string now = StatusText();
    if (!statusBeforeProblem_)
        statusBeforeProblem_ = now;
    SetStatus(text);
}

void CMainDlg::ClearSettingProblem(const char* text)
{
    // Only while the line still says so: a run's status has taken over.
    if (statusBeforeProblem_ && StatusText() == text)
        SetStatus(*statusBeforeProblem_);
    statusBeforeProblem_.reset();
}

void CMainDlg::RefreshOutputButtons()
{
    const bool ready = imageLoaded_ && depthLoaded_ && imageBitsPerPixel_ == 24 && depthBitsPerPixel_ == 24;
    Control(kAnaglyph)->setEnabled(ready);
    Control(kLcShutter)->setEnabled(ready);
    Control(kCrossEyed)->setEnabled(ready);
    Control(kLenticularViews)->setEnabled(ready);
    Control(kDepthFromPair)->setEnabled(!pairPath_.empty());
}

} // namespace velmora
