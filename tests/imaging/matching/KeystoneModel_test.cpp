// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/FeatureMatching.h"
#include "imaging/matching/KeystoneModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
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

// The matches whose columns apart lie within `tolerance` of the median of
// their `neighbours` nearest, each measured against every other.
std::vector<Match> AgreeingByEveryDistance(const std::vector<Match>& matches, int neighbours, double tolerance)
{
    std::vector<Match> agreeing;
    for (const Match& m : matches) {
        std::vector<std::pair<double, double>> others;
        for (const Match& other : matches)
            if (&other != &m) {
                const cv::Point2d apart = other.left - m.left;
                others.push_back({apart.dot(apart), other.left.x - other.right.x});
            }
        std::sort(others.begin(), others.end());
        std::vector<double> columns;
        for (int i = 0; i < neighbours; ++i)
            columns.push_back(others[static_cast<std::size_t>(i)].second);
        std::sort(columns.begin(), columns.end());
        if (std::abs(m.left.x - m.right.x - columns[columns.size() / 2]) <= tolerance)
            agreeing.push_back(m);
    }
    return agreeing;
}

TEST(FeatureMatchingTest, EachMatchIsJudgedByItsNearestNeighboursWhereverTheyLie)
{
    // Clusters far apart across and close in columns: the nearest in column
    // order are often not the nearest, so the search must look past them.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> across(0, 2000), down(0, 1500), near(-15, 15), chance(0, 1);
    std::vector<Match> matches;
    for (int cluster = 0; cluster < 40; ++cluster) {
        const cv::Point2d centre(across(random), down(random));
        for (int i = 0; i < 15; ++i) {
            const cv::Point2d left = centre + cv::Point2d(near(random), 20 * near(random));
            const double apart = 30 + 0.02 * left.x + 0.01 * left.y + (chance(random) < 0.2 ? 40 : 0);
            matches.push_back({left, left - cv::Point2d(apart, 0)});
        }
    }
    const std::vector<Match> kept = AgreeingWithNeighbours(matches, 8, 2);
    const std::vector<Match> expected = AgreeingByEveryDistance(matches, 8, 2);
    ASSERT_GT(expected.size(), matches.size() / 2);
    ASSERT_LT(expected.size(), matches.size());
    ASSERT_EQ(kept.size(), expected.size());
    for (std::size_t i = 0; i < kept.size(); ++i)
        EXPECT_EQ(kept[i].left, expected[i].left);
}

TEST(FeatureMatchingTest, NeighboursUnderAPixelApartAndEquallyNearAreFoundAsByEveryDistance)
{
    // On a grid of half a pixel many neighbours lie equally near, the nearer
    // of them those whose columns apart are fewer, and columns lie under a
    // pixel apart, where a gap is larger than its square.
    std::mt19937 random(3);
    std::uniform_real_distribution<double> columns(10, 11), chance(0, 1);
    std::vector<Match> matches;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const cv::Point2d left(0.5 * x, 0.5 * y);
            const double apart = columns(random) + (chance(random) < 0.2 ? 3 : 0);
            matches.push_back({left, left - cv::Point2d(apart, 0)});
        }
    for (const int neighbours : {2, 4, 8}) {
        const std::vector<Match> kept = AgreeingWithNeighbours(matches, neighbours, 0.3);
        const std::vector<Match> expected = AgreeingByEveryDistance(matches, neighbours, 0.3);
        ASSERT_EQ(kept.size(), expected.size()) << neighbours;
        for (std::size_t i = 0; i < kept.size(); ++i)
            EXPECT_EQ(kept[i].left, expected[i].left) << neighbours;
    }
}

TEST(FeatureMatchingTest, TheMatchesAtEitherEndOfTheColumnsAreNeighboursToo)
{
    // A row whose ends lie nearer than its middle: each end's neighbours
    // include the end itself, and agree with it.
    std::vector<Match> matches;
    for (int x = 0; x < 10; ++x) {
        const cv::Point2d left(10.0 * x, 50);
        matches.push_back({left, left - cv::Point2d(x < 3 || x > 6 ? 20 : 30, 0)});
    }
    std::vector<double> kept;
    for (const Match& m : AgreeingWithNeighbours(matches, 3, 2))
        kept.push_back(m.left.x);
    EXPECT_EQ(kept, (std::vector<double>{0, 10, 20, 40, 50, 70, 80, 90}));
}

TEST(FeatureMatchingTest, MatchesPiledOnOnePointHaveNoNeighboursToAgreeWith)
{
    std::vector<Match> matches(12, Match{{100, 100}, {80, 100}});
    for (int x = 0; x < 10; ++x)
        matches.push_back({{300.0 + 10 * x, 200}, {280.0 + 10 * x, 200}});
    const std::vector<Match> kept = AgreeingWithNeighbours(matches, 8, 2);
    ASSERT_EQ(kept.size(), 10u);
    for (const Match& m : kept)
        EXPECT_GE(m.left.x, 300);
}

} // namespace
} // namespace velmora::test
