// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/LensDistortion.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora::test {
namespace {

TEST(LensDistortionTest, SeenUndoesStraightenedOverTheWholeFrame)
{
    for (const double k : {-0.4, -0.15, 0.0, 0.1, 0.2}) {
        const RadialLens lens = LensOf(k, 640, 480);
        for (double y = 0; y <= 480; y += 40)
            for (double x = 0; x <= 640; x += 40) {
                const auto back = lens.Seen(lens.Straightened({x, y}));
                ASSERT_TRUE(back) << k;
                EXPECT_NEAR((*back)[0], x, 1e-9) << k;
                EXPECT_NEAR((*back)[1], y, 1e-9) << k;
            }
    }
}

TEST(LensDistortionTest, TheLongerSidesMiddlesStayAndTheRestOfABarrelsFrameMovesOut)
{
    const RadialLens barrel = LensOf(-0.2, 640, 480);
    for (const double y : {0.0, 480.0}) {
        const auto middle = barrel.Straightened({320, y});
        EXPECT_NEAR(middle[0], 320, 1e-9);
        EXPECT_NEAR(middle[1], y, 1e-9);
    }
    // Every other point of the frame lies further out and moves further
    // out: the straightened picture still fills the frame.
    const auto corner = barrel.Straightened({0, 0});
    EXPECT_LT(corner[0], -10);
    EXPECT_LT(corner[1], -10);
    EXPECT_LT(barrel.Straightened({0, 240})[0], 0);
    EXPECT_LT(barrel.Straightened({100, 0})[1], 0);
    // No correction moves nothing.
    const auto still = LensOf(0, 640, 480).Straightened({17.5, 401.25});
    EXPECT_EQ(still[0], 17.5);
    EXPECT_EQ(still[1], 401.25);
}

TEST(LensDistortionTest, APincushionSeesNothingFarBeyondItsFrame)
{
    const RadialLens pincushion = LensOf(0.2, 640, 480);
    EXPECT_TRUE(pincushion.Seen({0, 0}));
    EXPECT_FALSE(pincushion.Seen({-3000, -3000}));
}

} // namespace
} // namespace velmora::test
