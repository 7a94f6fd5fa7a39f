// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace velmora {

// The arithmetic of the preview pane, apart from any window: zoom, scroll
// offsets and where the picture is drawn. All conversions from double to int
// truncate toward zero.

// The pane's client area, without its border and visible scroll bars.
struct PaneClient {
    int width = 0;  // cW
    int height = 0; // cH
};

struct PaneView {
    // Offset of the visible area into the zoomed picture, in device pixels;
    // always between 0 and MaxOffset after an operation.
    int scrollX = 0;
    int scrollY = 0;
    int imageWidth = 0;
    int imageHeight = 0;
    // Device pixels per picture pixel. In fit mode it is recomputed from the
    // client area at every paint (PlanDrawing).
    double zoom = 1.0;
    bool fitMode = true;
};

// The largest offset: trunc(size x zoom - client), which may be negative.
// Zoom has no upper limit, so a zoomed picture may be wider than an int:
// extents saturate at the int range, where the scroll bars stop too.
int MaxOffset(int size, double zoom, int client);

// Both offsets into 0..MaxOffset.
void ClampOffsets(PaneView& view, PaneClient client);

// Whether the picture fits the pane at its own size.
bool FitsAtOwnSize(const PaneView& view, PaneClient client);

// What a zoom command asks of the pane after it has changed the view.
enum class ZoomNext {
    ShowView,  // the offsets and zoom are set: show them
    FitToPane, // switch to fit mode (which resets the offsets)
};

// Zoom In: +1, from below 1 to exactly 1; a fitting picture at 1.0 goes to
// fit mode (enlarged), an enlarged fit view to 2.0. The view's centre stays.
ZoomNext ZoomIn(PaneView& view, PaneClient client);

// Zoom Out: -1; for a fitting picture 1 or less becomes 1.0 at offset 0, for
// a larger picture below 1 becomes fit mode.
ZoomNext ZoomOut(PaneView& view, PaneClient client);

// Scroll-bar requests and how they move an offset.
enum class ScrollRequest { LineBack, LineForward, PageBack, PageForward, ToStart, ToEnd, ToPosition, End };

// The offset a request asks for, before clamping: lines move 1, pages 20,
// and a request for an edge moves one line, not to the edge.
int RequestedOffset(int offset, ScrollRequest request, int position);

// Which scroll bars show and their ranges (0..max) and pages.
struct ScrollBarPlan {
    bool horizontal = false;
    bool vertical = false;
    int horizontalMax = 0;
    int verticalMax = 0;
    int horizontalPage = 0;
    int verticalPage = 0;
};

ScrollBarPlan PlanScrollBars(const PaneView& view, PaneClient client, bool showsPicture);

// A rectangle with double coordinates.
struct Area {
    double x = 0, y = 0, width = 0, height = 0;
};

// Where the picture goes in the client area: the part of the picture
// (counted from its top-left corner, in picture pixels) and the client
// rectangle it is drawn into. Nothing to draw when source.width is 0.
struct DrawPlan {
    Area source;
    Area target;
    bool scaled = false;
};

// In fit mode first sets the zoom to the smaller of the two ratios. Scaled
// drawing centres the picture when it is smaller than the pane (or fits at
// this zoom) and otherwise starts at the top-left; unscaled drawing centres
// each direction by itself and copies the visible block only.
DrawPlan PlanDrawing(PaneView& view, PaneClient client);

} // namespace velmora
