// SPDX-License-Identifier: GPL-3.0-or-later

#include "preview/CPreviewPane.h"

#include "tests/support/TestImages.h"
#include "tests/support/gui/FakePlatform.h"

#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

class PreviewPaneTest : public ::testing::Test {
protected:
    PreviewPaneTest() : pane(platform, nullptr)
    {
        // A client area of 500 x 400 inside the sunken border.
        const int border = pane.frameWidth();
        pane.resize(500 + 2 * border, 400 + 2 * border);
        pane.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&pane));
    }

    std::string Picture(int width, int height)
    {
        const std::string name = "picture-" + std::to_string(width) + "x" + std::to_string(height) + ".bmp";
        Save(MakeImage(width, height, [](int x, int y) { return Bgr{uint8_t(x), uint8_t(y), 90}; }).get(), name);
        return name;
    }

    Sandbox sandbox;
    FakePlatform platform;
    CPreviewPane pane;
};

TEST_F(PreviewPaneTest, ALargePictureLoadsFittedAndZoomsInAboutTheCentre)
{
    ASSERT_TRUE(pane.LoadFile(Picture(2000, 1000)));
    EXPECT_TRUE(pane.View().fitMode);
    EXPECT_DOUBLE_EQ(pane.View().zoom, 0.25); // computed by the paint that loading ran
    EXPECT_FALSE(pane.HorizontalBar()->isVisible());

    pane.ZoomIn();
    EXPECT_DOUBLE_EQ(pane.View().zoom, 1.0);
    EXPECT_EQ(pane.View().scrollX, 750);
    EXPECT_TRUE(pane.HorizontalBar()->isVisible());
    EXPECT_TRUE(pane.VerticalBar()->isVisible());
    EXPECT_EQ(pane.HorizontalBar()->value(), 750);

    pane.ZoomOut();
    EXPECT_TRUE(pane.View().fitMode);
    EXPECT_EQ(pane.View().scrollX, 0);
}

TEST_F(PreviewPaneTest, ExactSizeLoadsUnscaledAndOnePixelMoreLoadsFitted)
{
    ASSERT_TRUE(pane.LoadFile(Picture(500, 400)));
    EXPECT_FALSE(pane.View().fitMode);
    EXPECT_DOUBLE_EQ(pane.View().zoom, 1.0);
    EXPECT_FALSE(pane.HorizontalBar()->isVisible());

    ASSERT_TRUE(pane.LoadFile(Picture(501, 400)));
    EXPECT_TRUE(pane.View().fitMode);
    EXPECT_DOUBLE_EQ(pane.View().zoom, 500.0 / 501);
}

TEST_F(PreviewPaneTest, ScrollBarsStepByTheirRulesAndClamp)
{
    ASSERT_TRUE(pane.LoadFile(Picture(2000, 1000)));
    pane.ZoomIn(); // 1.0 at 750, 600
    QScrollBar* bar = pane.HorizontalBar();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(pane.View().scrollX, 770);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(pane.View().scrollX, 769);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(pane.View().scrollX, 768); // an edge request is a line step
    const PaneClient client = pane.Client();
    for (int i = 0; i < 200; ++i)
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(pane.View().scrollX, 2000 - client.width);
    for (int i = 0; i < 200; ++i)
        pane.VerticalBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(pane.View().scrollY, 0);
}

TEST_F(PreviewPaneTest, AFailedLoadLeavesAnEmptyPaneAndSaysSo)
{
    ASSERT_TRUE(pane.LoadFile(Picture(100, 100)));
    EXPECT_FALSE(pane.LoadFile("vanished.png"));
    EXPECT_FALSE(pane.ShowsPicture());
    EXPECT_EQ(pane.FileName(), "vanished.png");
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"File vanished.png could not be opened."}));

    EXPECT_FALSE(pane.LoadFile(""));
    EXPECT_EQ(platform.messages.back(), "CPreviewPane::LoadFile(): no file name provided");
    EXPECT_EQ(pane.FileName(), "vanished.png"); // unchanged
}

TEST_F(PreviewPaneTest, PaintsThePictureTheRightWayUp)
{
    // Top half red, bottom half blue (row 0 is the bottom).
    Save(MakeImage(100, 100, [](int, int y) { return y < 50 ? Bgr{255, 0, 0} : Bgr{0, 0, 255}; }).get(),
         "halves.bmp");
    ASSERT_TRUE(pane.LoadFile("halves.bmp"));
    const QImage shown = pane.grab().toImage();
    const QPoint origin = pane.contentsRect().topLeft();
    // 100 x 100 at 1.0, centred in 500 x 400: from (200, 150).
    EXPECT_EQ(shown.pixelColor(origin + QPoint(250, 160)), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(origin + QPoint(250, 240)), QColor(0, 0, 255));
    EXPECT_EQ(shown.pixelColor(origin + QPoint(10, 10)), pane.palette().button().color());
}

TEST_F(PreviewPaneTest, OtherDepthsAndHugeAndTinyPicturesDoNotBreakIt)
{
    Bitmap grey = GreyPaletteImage(40, 30);
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, grey.get(), "grey.png", 0));
    Bitmap wide(FreeImage_AllocateT(FIT_UINT16, 40, 30));
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, wide.get(), "grey16.png", 0));

    for (const std::string& name : {std::string("grey.png"), std::string("grey16.png"), Picture(1, 1)}) {
        ASSERT_TRUE(pane.LoadFile(name)) << name;
        for (int i = 0; i < 3; ++i)
            pane.ZoomIn();
        pane.grab();
    }
    // 20000 x 20000 at one bit per pixel keeps the test quick; painting
    // samples only the pixels it shows, whatever the depth.
    Bitmap huge(FreeImage_Allocate(20000, 20000, 1));
    FreeImage_GetPalette(huge.get())[1] = RGBQUAD{255, 255, 255, 0};
    ASSERT_TRUE(FreeImage_Save(FIF_BMP, huge.get(), "huge.bmp", 0));
    huge.reset();
    ASSERT_TRUE(pane.LoadFile("huge.bmp"));
    pane.grab();
    EXPECT_TRUE(pane.View().fitMode);
    for (int i = 0; i < 5; ++i)
        pane.ZoomIn();
    pane.grab();
    EXPECT_DOUBLE_EQ(pane.View().zoom, 5.0);
}

} // namespace
} // namespace velmora::test
