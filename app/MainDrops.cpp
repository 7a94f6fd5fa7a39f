// SPDX-License-Identifier: GPL-3.0-or-later

// Files dropped on the main window's Image and Depth map groups.

#include "app/CMainDlg.h"

#include "resources/MainDialogIds.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QMimeData>
#include <QUrl>

namespace velmora {
namespace {

using namespace main_ids;

// The one local file a drag carries; none for several files, text or
// addresses of other places.
std::optional<std::string> DroppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().front().isLocalFile())
        return std::nullopt;
    return data->urls().front().toLocalFile().toStdString();
}

} // namespace

CMainDlg::DropTarget CMainDlg::TargetOf(const QMimeData* data, const QPoint& position) const
{
    if (!DroppedFile(data))
        return DropTarget::kNone;
    // Each group is the one around its thumbnail's frame.
    for (const QGroupBox* group : findChildren<QGroupBox*>()) {
        if (!group->geometry().contains(position))
            continue;
        if (group->geometry().contains(Control(kImageFrame)->geometry()))
            return DropTarget::kImage;
        if (group->geometry().contains(Control(kDepthFrame)->geometry()))
            return DropTarget::kDepthMap;
    }
    return DropTarget::kNone;
}

void CMainDlg::dragEnterEvent(QDragEnterEvent* event)
{
    // Accepted on the whole window, so that moves over it keep coming and
    // the pointer can say where a drop would land.
    if (DroppedFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMainDlg::dragMoveEvent(QDragMoveEvent* event)
{
    if (TargetOf(event->mimeData(), event->position().toPoint()) == DropTarget::kNone)
        event->ignore(); // the pointer shows that nothing drops here
    else
        event->acceptProposedAction();
}

void CMainDlg::dropEvent(QDropEvent* event)
{
    const DropTarget target = TargetOf(event->mimeData(), event->position().toPoint());
    if (target == DropTarget::kNone) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const std::optional<std::string> file = DroppedFile(event->mimeData());
    if (target == DropTarget::kImage)
        OpenImageFile(file);
    else
        OpenDepthMapFile(file);
}

} // namespace velmora
