#include "preview/CPreviewDlg.h"

#include "preview/CPreviewPane.h"

#include <QLabel>
#include <QPushButton>

namespace velmora {
namespace {

enum : int {
    kIdClose = 2,
    kIdFileName = 1037,
    kIdPaneFrame = 1040,
    kIdZoomIn = 1042,
    kIdZoomOut = 1043,
};

} // namespace

CPreviewDlg::CPreviewDlg(Platform& platform, std::string fileName, QWidget* parent)
    : QDialog(parent), fileName_(std::move(fileName))
{
    controls_ = BuildDialog(*this, PreviewDialogTemplate());
    qobject_cast<QLabel*>(controls_.Control(kIdFileName))->setText(QString::fromStdString(fileName_));

    pane_ = new CPreviewPane(platform, this);
    pane_->setObjectName("preview-pane");
    pane_->setGeometry(controls_.Control(kIdPaneFrame)->geometry());
    pane_->show();
    // The close button comes first in the tab order; no button is the default.
    for (auto* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(controls_.As<QPushButton>(kIdZoomIn), &QPushButton::clicked, this, [this] { pane_->ZoomIn(); });
    connect(controls_.As<QPushButton>(kIdZoomOut), &QPushButton::clicked, this, [this] { pane_->ZoomOut(); });
    connect(controls_.As<QPushButton>(kIdClose), &QPushButton::clicked, this, &QDialog::reject);

    pane_->LoadFile(fileName_);
}

void ShowPreview(Platform& platform, const std::string& fileName, QWidget* parent)
{
    CPreviewDlg dialog(platform, fileName, parent);
    dialog.exec();
}

} // namespace velmora
