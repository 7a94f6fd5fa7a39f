// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "resources/DialogBuilder.h"
#include "segmentation/SegmentationRecord.h"

#include <QDialog>

namespace velmora {

class SmoothDialogHost;

// The modal "Segmentation Smoothing" dialog: the outline level (a slider from
// 0 to 256 shown in a field beside it), the smoothing degree, and the three
// commands of the segmentation tool on the main window's current files.
// Every opening starts from the defaults: level 50, degree 5.
class CSmoothDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSmoothDlg(SmoothDialogHost& host, QWidget* parent = nullptr);

    void CreateOutline();
    void SmoothDepthMap();
    void OpenDepthMap();

    const SegmentationRecord& Record() const { return record_; }
    QWidget* Control(int id) const { return controls_.Control(id); }

private:
    SmoothDialogHost& host_;
    BuiltDialog controls_;
    SegmentationRecord record_;
};

} // namespace velmora
