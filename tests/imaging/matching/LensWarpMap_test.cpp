// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/LensWarpMap.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora::test {
namespace {

// Where the lens saw pixel (x, y) of the result, worked out for that pixel alone.
std::optional<std::array<double, 2>> ExactlySeen(const cv::Matx33d& back, const RadialLens& lens, double x, double y)
{
    const cv::Vec3d q = back * cv::Vec3d(x, y, 1);
    return lens.Seen({q[0] / q[2], q[1] / q[2]});
}

// Every pixel of the map against its own exact point: a few thousandths of a pixel
// or less apart, and unseen exactly where the lens saw nothing.
void ExpectCloseToExact(const cv::Matx33d& back, const RadialLens& lens, int left, int top, int width, int rows,
                        int& unseen)
{
    cv::Mat map;
    FillLensWarpMap(back, lens, left, top, width, rows, map);
    ASSERT_EQ(map.type(), CV_32FC2);
    ASSERT_EQ(map.size(), cv::Size(width, rows));
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x) {
            const cv::Vec2f found = map.at<cv::Vec2f>(y, x);
            const auto exact = ExactlySeen(back, lens, left + x, top + y);
            if (!exact) {
                ++unseen;
                ASSERT_EQ(found, cv::Vec2f(-1, -1)) << x << ", " << y;
                continue;
            }
            ASSERT_NEAR(found[0], (*exact)[0], 5e-3) << x << ", " << y << " of " << width << " x " << rows;
            ASSERT_NEAR(found[1], (*exact)[1], 5e-3) << x << ", " << y << " of " << width << " x " << rows;
        }
}

TEST(LensWarpMapTest, InterpolatedPointsStayWithinAFewThousandthsOfAPixelOfExactOnes)
{
    // A turned, keystoned eye of a 24-megapixel picture, through a barrel and a pincushion.
    const double turn = 0.6 * CV_PI / 180;
    const cv::Matx33d back =
        cv::Matx33d(std::cos(turn), -std::sin(turn), 14, std::sin(turn), std::cos(turn), -9, 2e-6, -1e-6, 1).inv();
    for (const double k : {-0.2, 0.12}) {
        const RadialLens lens = LensOf(k, 6000, 4000);
        int unseen = 0;
        for (const int top : {0, 1968, 3936})
            ExpectCloseToExact(back, lens, 0, top, 6000, 64, unseen);
        EXPECT_EQ(unseen, 0) << k;
    }
}

TEST(LensWarpMapTest, PointsTheLensDidNotSeeAreMarkedAndTheirNeighboursExact)
{
    // A strong pincushion sees nothing beyond a circle; an area reaching far
    // outside the frame crosses it.
    const RadialLens lens = LensOf(0.2, 640, 480);
    int unseen = 0;
    ExpectCloseToExact(cv::Matx33d::eye(), lens, -400, -300, 1440, 80, unseen);
    EXPECT_GT(unseen, 1000);
}

TEST(LensWarpMapTest, AreasNarrowerOrShorterThanTheGridStepAreFilled)
{
    const RadialLens lens = LensOf(-0.15, 640, 480);
    int unseen = 0;
    for (const int width : {1, 2, 8, 9, 17})
        for (const int rows : {1, 7, 8, 9})
            ExpectCloseToExact(cv::Matx33d::eye(), lens, 3, 5, width, rows, unseen);
    EXPECT_EQ(unseen, 0);
}

} // namespace
} // namespace velmora::test
