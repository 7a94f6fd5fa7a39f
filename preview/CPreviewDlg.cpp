// SPDX-License-Identifier: GPL-3.0-or-later

#include "preview/CPreviewDlg.h"

#include "preview/CPreviewPane.h"
#include "resources/PreviewDialogIds.h"

#include <QLabel>
#include <QPushButton>

namespace velmora {
CPreviewDlg::CPreviewDlg(Platform& platform, std::string fileName, QWidget* parent)
    : QDialog(parent), fileName_(std::move(fileName))
{
    controls_ = BuildDialog(*this, PreviewDialogTemplate());
    qobject_cast<QLabel*>(controls_.Control(preview_ids::kFileName))->setText(QString::fromStdString(fileName_));

    pane_ = new CPreviewPane(platform, this);
    pane_->setObjectName("preview-pane");
    pane_->setGeometry(controls_.Control(preview_ids::kPaneFrame)->geometry());
    pane_->show();
    // The close button comes first in the tab order; no button is the default.
    for (auto* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(controls_.As<QPushButton>(preview_ids::kZoomIn), &QPushButton::clicked, this, [this] { pane_->ZoomIn(); });
    connect(controls_.As<QPushButton>(preview_ids::kZoomOut), &QPushButton::clicked, this, [this] { pane_->ZoomOut(); });
    connect(controls_.As<QPushButton>(preview_ids::kClose), &QPushButton::clicked, this, &QDialog::reject);

    pane_->LoadFile(fileName_);
}

void ShowPreview(Platform& platform, const std::string& fileName, QWidget* parent)
{
    CPreviewDlg dialog(platform, fileName, parent);
    dialog.exec();
}

} // namespace velmora
