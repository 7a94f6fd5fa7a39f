// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/FeatureMatching.h"
#include "imaging/matching/KeystoneModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace velmora::test {
namespace {

const cv::Size kSize(960, 640);

// Matches that `keystone` puts on common rows: left points on a grid, their
// right matches found back through the right warp, at columns apart that
// vary smoothly with depth.
std::vector<Match> MatchesOf(const Keystone& keystone)
{
    const EyeWarps warps = keystone.Warps(kSize);
    std::vector<Match> matches;
    for (int y = 20; y < kSize.height; y += 40)
        for (int x = 20; x < kSize.width; x += 40) {
            const cv::Point2d straight = warps.Left({static_cast<double>(x), static_cast<double>(y)});
            const cv::Point2d right = EyeWarps::Warped(warps.right.inv(), straight - cv::Point2d(10 + 0.02 * x, 0));
            matches.push_back({{static_cast<double>(x), static_cast<double>(y)}, right});
        }
    return matches;
}

TEST(KeystoneModelTest, AKnownKeystoneIsFittedBackOntoCommonRows)
{
    const Keystone known{0, 0.04, 0.01, 1.003, -0.02, 0.06, -0.03};
    const std::vector<Match> matches = MatchesOf(known);
    const EyeWarps fitted = FitKeystone(matches, kSize).Warps(kSize);
    double largest = 0;
    for (const Match& m : matches)
        largest = std::max(largest, std::abs(fitted.RowError(m)));
    EXPECT_LT(largest, 0.1);
    // Unstraightened, their rows are apart: the test says something.
    EXPECT_GT(std::abs(EyeWarps{}.RowError(matches.front())), 1);
}

TEST(KeystoneModelTest, WarpsThatShearOrStretchTheFrameAreTold)
{
    EXPECT_TRUE(KeepsTheFrame(Keystone{}.Warps(kSize), kSize));
    EXPECT_TRUE(KeepsTheFrame(Keystone{0.01, 0.05, 0.01, 1, 0, 0.05, 0.01}.Warps(kSize), kSize));
    EXPECT_FALSE(KeepsTheFrame(Keystone{0.3, 0, 0.3, 1, 0, 0, 0}.Warps(kSize), kSize)); // both eyes leaning 17 degrees
    EXPECT_FALSE(KeepsTheFrame(Keystone{0, 0, 0, 1, 0, 0.4, 0}.Warps(kSize), kSize)); // the right eye narrowed by half
}

TEST(FeatureMatchingTest, AMatchWhoseColumnsJumpFromItsNeighboursIsDropped)
{
    // A slanted surface, one of whose matches took a repeated pattern's next copy.
    std::vector<Match> matches;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const cv::Point2d left(20.0 * x, 16.0 * y);
            matches.push_back({left, left - cv::Point2d(20 + 0.05 * left.x, 0)});
        }
    matches[55].right.x -= 40;
    const std::vector<Match> kept = AgreeingWithNeighbours(matches, 8, 2);
    ASSERT_EQ(kept.size(), matches.size() - 1);
    for (const Match& m : kept)
        EXPECT_NE(m.left, matches[55].left);
}

} // namespace
} // namespace velmora::test
