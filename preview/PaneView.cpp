// SPDX-License-Identifier: GPL-3.0-or-later

#include "preview/PaneView.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora {
namespace {

int Truncate(double value)
{
    constexpr double lowest = std::numeric_limits<int>::min(), highest = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(std::trunc(value), lowest, highest));
}

int Half(int length)
{
    return length / 2;
}

// Keeps the point at the pane's centre where it is when the zoom changes by
// `ratio`.
void ScaleAboutCentre(PaneView& view, PaneClient client, double ratio)
{
    view.scrollX = Truncate(ratio * (view.scrollX + Half(client.width)) - Half(client.width));
    view.scrollY = Truncate(ratio * (view.scrollY + Half(client.height)) - Half(client.height));
}

} // namespace

int MaxOffset(int size, double zoom, int client)
{
    return Truncate(size * zoom - client);
}

void ClampOffsets(PaneView& view, PaneClient client)
{
    if (view.scrollX > view.imageWidth * view.zoom - client.width)
        view.scrollX = MaxOffset(view.imageWidth, view.zoom, client.width);
    view.scrollX = std::max(view.scrollX, 0);
    if (view.scrollY > view.imageHeight * view.zoom - client.height)
        view.scrollY = MaxOffset(view.imageHeight, view.zoom, client.height);
    view.scrollY = std::max(view.scrollY, 0);
}

bool FitsAtOwnSize(const PaneView& view, PaneClient client)
{
    return view.imageWidth <= client.width && view.imageHeight <= client.height;
}

ZoomNext ZoomIn(PaneView& view, PaneClient client)
{
    const double before = view.zoom;
    if (FitsAtOwnSize(view, client)) {
        if (view.zoom <= 1 && !view.fitMode) {
            ClampOffsets(view, client);
            return ZoomNext::FitToPane; // enlarge to fill the pane
        }
        if (view.zoom > 1 && view.fitMode)
            view.zoom = 1.0; // from an enlarged fit view the next step is 2.0
    }
    view.zoom = view.zoom < 1 ? 1.0 : view.zoom + 1.0;
    view.fitMode = false;
    ScaleAboutCentre(view, client, view.zoom / before);
    ClampOffsets(view, client);
    return ZoomNext::ShowView;
}

ZoomNext ZoomOut(PaneView& view, PaneClient client)
{
    const bool fits = FitsAtOwnSize(view, client);
    const double before = view.zoom;
    view.fitMode = false;
    const double lowered = view.zoom - 1;
    if (lowered <= 1 && fits) {
        view.zoom = 1.0;
        view.scrollX = 0;
        view.scrollY = 0;
    } else if (lowered < 1) {
        return ZoomNext::FitToPane;
    } else {
        view.zoom = lowered;
        ScaleAboutCentre(view, client, lowered / before);
        ClampOffsets(view, client);
    }
    return ZoomNext::ShowView;
}

int RequestedOffset(int offset, ScrollRequest request, int position)
{
    switch (request) {
    case ScrollRequest::LineBack:
    case ScrollRequest::ToStart:
        return offset - 1;
    case ScrollRequest::LineForward:
    case ScrollRequest::ToEnd:
        return offset + 1;
    case ScrollRequest::PageBack:
        return offset - 20;
    case ScrollRequest::PageForward:
        return offset + 20;
    case ScrollRequest::ToPosition:
        return position;
    case ScrollRequest::End:
        break;
    }
    return offset;
}

ScrollBarPlan PlanScrollBars(const PaneView& view, PaneClient client, bool showsPicture)
{
    ScrollBarPlan plan;
    if (!showsPicture || view.fitMode)
        return plan;
    plan.horizontal = client.width < view.imageWidth * view.zoom;
    plan.vertical = client.height < view.imageHeight * view.zoom;
    plan.horizontalMax = Truncate(view.imageWidth * view.zoom - 1);
    plan.verticalMax = Truncate(view.imageHeight * view.zoom - 1);
    plan.horizontalPage = client.width;
    plan.verticalPage = client.height;
    return plan;
}

DrawPlan PlanDrawing(PaneView& view, PaneClient client)
{
    DrawPlan plan;
    if (view.imageWidth <= 0 || view.imageHeight <= 0)
        return plan;
    const bool fitsAtZoom =
        client.width >= view.imageWidth * view.zoom && client.height >= view.imageHeight * view.zoom;
    if (view.fitMode)
        view.zoom = std::min(static_cast<double>(client.width) / view.imageWidth,
                             static_cast<double>(client.height) / view.imageHeight);
    if (view.zoom <= 0)
        return plan;

    const double width = view.imageWidth, height = view.imageHeight, zoom = view.zoom;
    if (zoom != 1.0) {
        plan.scaled = true;
        const double targetWidth = Truncate(width * zoom), targetHeight = Truncate(height * zoom);
        double x = 0, y = 0;
        if (zoom < 1 || fitsAtZoom) {
            x = Truncate((client.width - width * zoom) * 0.5);
            y = Truncate((client.height - height * zoom) * 0.5);
        }
        // The whole picture shifted by the offsets in picture pixels, onto
        // (x, y, targetWidth, targetHeight); only its part inside the
        // picture is drawn, at the same scale.
        const double su = Truncate(view.scrollX / zoom), sv = Truncate(view.scrollY / zoom);
        const double scaleX = targetWidth / width, scaleY = targetHeight / height;
        const double visibleWidth = width - su, visibleHeight = height - sv;
        if (visibleWidth <= 0 || visibleHeight <= 0)
            return plan;
        plan.source = {su, sv, visibleWidth, visibleHeight};
        plan.target = {x, y, visibleWidth * scaleX, visibleHeight * scaleY};
        return plan;
    }
    const int visibleWidth = std::min(view.imageWidth, client.width);
    const int visibleHeight = std::min(view.imageHeight, client.height);
    plan.source = {static_cast<double>(view.scrollX), static_cast<double>(view.scrollY),
                   static_cast<double>(visibleWidth), static_cast<double>(visibleHeight)};
    plan.target = {static_cast<double>(Truncate((client.width - visibleWidth) * 0.5)),
                   static_cast<double>(Truncate((client.height - visibleHeight) * 0.5)),
                   static_cast<double>(visibleWidth), static_cast<double>(visibleHeight)};
    return plan;
}

} // namespace velmora
