// SPDX-License-Identifier: GPL-3.0-or-later

#include "preview/PaneView.h"

#include <gtest/gtest.h>

#include <climits>

namespace velmora {
namespace {

PaneView Picture(int width, int height, double zoom, bool fitMode)
{
    PaneView view;
    view.imageWidth = width;
    view.imageHeight = height;
    view.zoom = zoom;
    view.fitMode = fitMode;
    return view;
}

TEST(PaneViewTest, ZoomInFromAReducedFitKeepsThePanesCentre)
{
    PaneView view = Picture(2000, 1000, 1.0, true);
    PlanDrawing(view, {500, 400});
    EXPECT_DOUBLE_EQ(view.zoom, 0.25);
    EXPECT_EQ(ZoomIn(view, {500, 400}), ZoomNext::ShowView);
    EXPECT_DOUBLE_EQ(view.zoom, 1.0);
    EXPECT_FALSE(view.fitMode);
    EXPECT_EQ(view.scrollX, 750); // 4 x 250 - 250, the middle
    EXPECT_EQ(view.scrollY, 600); // 4 x 200 - 200, the lowest position
}

TEST(PaneViewTest, TheLadderOfAFittingPicture)
{
    // At its own size, Zoom In goes to fit mode, enlarged.
    PaneView view = Picture(100, 100, 1.0, false);
    EXPECT_EQ(ZoomIn(view, {300, 200}), ZoomNext::FitToPane);
    // From an enlarged fit view of 3.7 the next step is 2.0.
    view = Picture(100, 100, 3.7, true);
    ZoomIn(view, {370, 400});
    EXPECT_DOUBLE_EQ(view.zoom, 2.0);
    ZoomIn(view, {370, 400});
    EXPECT_DOUBLE_EQ(view.zoom, 3.0);
    // From a fit factor of 2.5: 1.5, then 1.0 with the offsets at 0.
    view = Picture(100, 100, 2.5, true);
    ZoomOut(view, {250, 300});
    EXPECT_DOUBLE_EQ(view.zoom, 1.5);
    view.scrollX = 7;
    ZoomOut(view, {250, 300});
    EXPECT_DOUBLE_EQ(view.zoom, 1.0);
    EXPECT_EQ(view.scrollX, 0);
}

TEST(PaneViewTest, TheLadderOfALargePicture)
{
    PaneView view = Picture(2000, 1000, 0.25, true);
    EXPECT_EQ(ZoomOut(view, {500, 400}), ZoomNext::FitToPane);
    view = Picture(2000, 1000, 3.0, false);
    view.scrollX = 2000;
    ZoomOut(view, {500, 400});
    EXPECT_DOUBLE_EQ(view.zoom, 2.0);
    EXPECT_EQ(view.scrollX, 1250); // (2000 + 250) x 2/3 - 250, within 2 x 2000 - 500
    view = Picture(2000, 1000, 1.0, false);
    EXPECT_EQ(ZoomOut(view, {500, 400}), ZoomNext::FitToPane);
}

TEST(PaneViewTest, ScrollRequestsMoveByLinesAndPagesNotToEdges)
{
    EXPECT_EQ(RequestedOffset(50, ScrollRequest::LineBack, 0), 49);
    EXPECT_EQ(RequestedOffset(50, ScrollRequest::LineForward, 0), 51);
    EXPECT_EQ(RequestedOffset(50, ScrollRequest::PageBack, 0), 30);
    EXPECT_EQ(RequestedOffset(50, ScrollRequest::PageForward, 0), 70);
    EXPECT_EQ(RequestedOffset(50, ScrollRequest::ToStart, 0), 49);
    EXPECT_EQ(RequestedOffset(50, ScrollRequest::ToEnd, 0), 51);
    EXPECT_EQ(RequestedOffset(50, ScrollRequest::ToPosition, 321), 321);
    EXPECT_EQ(RequestedOffset(50, ScrollRequest::End, 321), 50);
}

TEST(PaneViewTest, OffsetsStayBetweenZeroAndTheEnd)
{
    PaneView view = Picture(600, 300, 1.0, false);
    view.scrollX = 5000;
    view.scrollY = -3;
    ClampOffsets(view, {500, 400});
    EXPECT_EQ(view.scrollX, 100);
    EXPECT_EQ(view.scrollY, 0);
    // Zoom has no upper limit: extents saturate instead of wrapping.
    EXPECT_EQ(MaxOffset(20000, 1e6, 500), INT_MAX);
    view = Picture(20000, 20000, 1e6, false);
    view.scrollX = INT_MAX;
    ClampOffsets(view, {500, 400});
    EXPECT_EQ(view.scrollX, INT_MAX);
}

TEST(PaneViewTest, ScrollBarsShowWhereTheZoomedPictureExceedsThePane)
{
    const ScrollBarPlan wide = PlanScrollBars(Picture(600, 300, 1.0, false), {500, 400}, true);
    EXPECT_TRUE(wide.horizontal);
    EXPECT_FALSE(wide.vertical);
    EXPECT_EQ(wide.horizontalMax, 599);
    EXPECT_EQ(wide.horizontalPage, 500);
    EXPECT_FALSE(PlanScrollBars(Picture(600, 300, 1.0, true), {500, 400}, true).horizontal);
    EXPECT_FALSE(PlanScrollBars(Picture(600, 300, 1.0, false), {500, 400}, false).horizontal);
}

TEST(PaneViewTest, DrawingPlaces)
{
    // Exactly the client size: unscaled at (0, 0).
    PaneView exact = Picture(500, 400, 1.0, false);
    DrawPlan plan = PlanDrawing(exact, {500, 400});
    EXPECT_FALSE(plan.scaled);
    EXPECT_EQ(plan.target.x, 0);
    EXPECT_EQ(plan.target.y, 0);
    EXPECT_EQ(plan.source.width, 500);

    // One pixel wider, in fit mode: scaled by the smaller ratio and centred.
    PaneView wider = Picture(501, 400, 1.0, true);
    plan = PlanDrawing(wider, {500, 400});
    EXPECT_DOUBLE_EQ(wider.zoom, 500.0 / 501);
    EXPECT_TRUE(plan.scaled);
    EXPECT_EQ(plan.target.x, 0);
    EXPECT_EQ(plan.target.y, 0); // trunc((400 - 399.2) / 2)

    // A wide, low picture at 1.0 is centred vertically only.
    PaneView low = Picture(800, 100, 1.0, false);
    low.scrollX = 40;
    plan = PlanDrawing(low, {500, 400});
    EXPECT_EQ(plan.target.x, 0);
    EXPECT_EQ(plan.target.y, 150);
    EXPECT_EQ(plan.source.x, 40);
    EXPECT_EQ(plan.source.width, 500);

    // At 2.0, wider but not taller than the pane: drawn from the top.
    PaneView twice = Picture(800, 100, 2.0, false);
    plan = PlanDrawing(twice, {500, 400});
    EXPECT_EQ(plan.target.y, 0);

    // A small picture enlarged to fit is centred.
    PaneView small = Picture(100, 100, 1.0, true);
    plan = PlanDrawing(small, {300, 200});
    EXPECT_DOUBLE_EQ(small.zoom, 2.0);
    EXPECT_EQ(plan.target.x, 50);
    EXPECT_EQ(plan.target.width, 200);
}

} // namespace
} // namespace velmora
