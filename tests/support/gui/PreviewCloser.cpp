// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/gui/PreviewCloser.h"

#include "resources/PreviewDialogIds.h"

#include "preview/CPreviewDlg.h"

#include <QApplication>
#include <QLabel>

namespace velmora::test {

PreviewCloser::PreviewCloser(std::function<void()> whileShown) : whileShown_(std::move(whileShown))
{
    connect(&timer_, &QTimer::timeout, this, &PreviewCloser::CloseOpenPreviews);
    timer_.start(5);
}

void PreviewCloser::CloseOpenPreviews()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* preview = qobject_cast<CPreviewDlg*>(window);
        if (!preview || !preview->isVisible())
            continue;
        shown.push_back(qobject_cast<QLabel*>(preview->Control(preview_ids::kFileName))->text().toStdString());
        if (whileShown_)
            whileShown_();
        preview->reject();
    }
}

} // namespace velmora::test
