// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "resources/DialogBuilder.h"

#include <QDialog>

#include <string>

namespace velmora {

class CPreviewPane;
class Platform;

// The modal "Image Preview" window: one picture file in a preview pane, with
// Zoom In, Zoom Out and Close, and the file's name below. Every opening loads
// the file afresh into a new pane, so it starts in its initial view.
class CPreviewDlg : public QDialog {
    Q_OBJECT

public:
    CPreviewDlg(Platform& platform, std::string fileName, QWidget* parent = nullptr);

    CPreviewPane& Pane() const { return *pane_; }
    QWidget* Control(int id) const { return controls_.Control(id); }

private:
    std::string fileName_;
    BuiltDialog controls_;
    CPreviewPane* pane_;
};

// Shows a produced file in the Image Preview window and returns when the user
// has closed it.
void ShowPreview(Platform& platform, const std::string& fileName, QWidget* parent = nullptr);

} // namespace velmora
