// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/DepthFitting.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

TEST(DepthFittingTest, SidesInTheSameRatioUpToRoundingAreOneShape)
{
    EXPECT_TRUE(SameShape(6000, 4000, 3000, 2000));
    EXPECT_TRUE(SameShape(4032, 3024, 518, 389));  // 388.5 rounded
    EXPECT_TRUE(SameShape(518, 389, 4032, 3024));  // either way round
    EXPECT_TRUE(SameShape(1001, 667, 500, 333));   // both sides rounded down
    EXPECT_FALSE(SameShape(6000, 4000, 3000, 3000));
    EXPECT_FALSE(SameShape(6000, 4000, 3000, 1990)); // a crop, not a scale
    EXPECT_FALSE(SameShape(4000, 6000, 3000, 2000)); // turned
}

TEST(DepthFittingTest, ShrinkingAveragesTheAreaEachPixelCovers)
{
    // 4 x 2 to 2 x 1: each new pixel the mean of a 2 x 2 block; 3 x 1 to 2 x 1: thirds shared.
    const Bitmap blocks = MakeImage(4, 2, [](int x, int y) { return Grey(x < 2 ? 10 * (x + 2 * y) : 200 + x + y); });
    const Bitmap halved = Resized(blocks.get(), 2, 1);
    ASSERT_TRUE(halved);
    EXPECT_EQ(PixelOf(halved.get(), 0, 0), Grey(15));  // 0, 10, 20, 30
    EXPECT_EQ(PixelOf(halved.get(), 1, 0), Grey(203)); // 202, 203, 203, 204
    const Bitmap row = MakeImage(3, 1, [](int x, int) { return Grey(x == 1 ? 90 : 0); });
    const Bitmap two = Resized(row.get(), 2, 1);
    ASSERT_TRUE(two);
    // Each new pixel covers one and a half old ones: 0 x 2/3 + 90 x 1/3 = 30.
    EXPECT_EQ(PixelOf(two.get(), 0, 0), Grey(30));
    EXPECT_EQ(PixelOf(two.get(), 1, 0), Grey(30));
}

TEST(DepthFittingTest, GrowingInterpolatesBetweenCentresAndHoldsTheEdges)
{
    const Bitmap ramp = MakeImage(2, 1, [](int x, int) { return Bgr{static_cast<std::uint8_t>(x * 100), 7, 255}; });
    const Bitmap grown = Resized(ramp.get(), 4, 2);
    ASSERT_TRUE(grown);
    // New centres at 0.5, 1.5, 2.5, 3.5 fall on old positions -0.25, 0.25, 0.75, 1.25.
    const int expected[] = {0, 25, 75, 100};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelOf(grown.get(), x, y), (Bgr{static_cast<std::uint8_t>(expected[x]), 7, 255}))
                << x << "," << y;
}

TEST(DepthFittingTest, ASideThatShrinksAndOneThatGrowsAreEachDoneTheirWay)
{
    std::mt19937 random(3);
    const Bitmap picture = RandomImage(6, 2, random);
    const Bitmap resized = Resized(picture.get(), 3, 4);
    ASSERT_TRUE(resized);
    // The bottom row of the result: halves across, the bottom old row held.
    for (int x = 0; x < 3; ++x) {
        const Bgr a = PixelOf(picture.get(), 2 * x, 0), b = PixelOf(picture.get(), 2 * x + 1, 0);
        const auto mean = [](int p, int q) { return static_cast<std::uint8_t>((p + q + 1) / 2); };
        EXPECT_EQ(PixelOf(resized.get(), x, 0),
                  (Bgr{mean(a.blue, b.blue), mean(a.green, b.green), mean(a.red, b.red)}));
    }
}

} // namespace
} // namespace velmora::test
