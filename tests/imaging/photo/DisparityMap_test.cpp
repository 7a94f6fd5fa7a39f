// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/DisparityMap.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora::test {
namespace {

std::uint8_t GreyAt(FIBITMAP* map, int column, int rowFromTop)
{
    const std::uint8_t* pixel = PixelAt(map, column, Height(map) - 1 - rowFromTop);
    EXPECT_EQ(pixel[0], pixel[1]);
    EXPECT_EQ(pixel[1], pixel[2]);
    return pixel[0];
}

TEST(DisparityMapTest, NearestIsWhiteFarthestBlackAndTheTopRowStaysOnTop)
{
    // Two rows: the top one near, the bottom one far, with values between and beyond.
    const DisparityMap map{4, 2, {2.0f, 1.5f, 1.0f, 3.0f, 0.0f, 1.0f, NAN, -1.0f}};
    const Bitmap grey = GreyDepthMap(map, 0.0f, 2.0f);
    ASSERT_TRUE(grey);
    EXPECT_EQ(BitsPerPixel(grey.get()), 24);
    EXPECT_EQ(GreyAt(grey.get(), 0, 0), 255);
    EXPECT_EQ(GreyAt(grey.get(), 1, 0), 191); // 191.25
    EXPECT_EQ(GreyAt(grey.get(), 2, 0), 128); // 127.5 rounds up
    EXPECT_EQ(GreyAt(grey.get(), 3, 0), 255); // nearer than the nearest
    EXPECT_EQ(GreyAt(grey.get(), 0, 1), 0);
    EXPECT_EQ(GreyAt(grey.get(), 1, 1), 128);
    EXPECT_EQ(GreyAt(grey.get(), 2, 1), 0); // unknown counts as far
    EXPECT_EQ(GreyAt(grey.get(), 3, 1), 0);
}

TEST(DisparityMapTest, ItsOwnRangeSpansTheGreysAndAFlatMapIsBlack)
{
    const DisparityMap ramp{3, 1, {10.0f, 20.0f, 30.0f}};
    const Bitmap grey = GreyDepthMapOverItsRange(ramp);
    ASSERT_TRUE(grey);
    EXPECT_EQ(GreyAt(grey.get(), 0, 0), 0);
    EXPECT_EQ(GreyAt(grey.get(), 1, 0), 128);
    EXPECT_EQ(GreyAt(grey.get(), 2, 0), 255);

    const Bitmap flat = GreyDepthMapOverItsRange(DisparityMap{2, 1, {5.0f, 5.0f}});
    ASSERT_TRUE(flat);
    EXPECT_EQ(GreyAt(flat.get(), 0, 0), 0);
    EXPECT_EQ(GreyAt(flat.get(), 1, 0), 0);
}

} // namespace
} // namespace velmora::test
