// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/AutoParallax.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmora::test {
namespace {

TEST(AutoParallaxTest, ResolutionRoundsToDotsPerInch)
{
    EXPECT_EQ(DotsPerInch(2835), 72);
    EXPECT_EQ(DotsPerInch(3780), 96);
    EXPECT_EQ(DotsPerInch(19), 0);
    EXPECT_EQ(DotsPerInch(20), 1);
    EXPECT_EQ(DotsPerInch(0), 0);
}

TEST(AutoParallaxTest, SharesThreeMillimetresPerTwelveDegreesAmongTheGaps)
{
    EXPECT_EQ(ComputeAutoParallax(2, 12, 72), 9);
    EXPECT_EQ(ComputeAutoParallax(3, 12, 300), 18);
    EXPECT_EQ(ComputeAutoParallax(2, 12, 96), 11);
    EXPECT_EQ(ComputeAutoParallax(3, 12, 72), 4);
    EXPECT_EQ(ComputeAutoParallax(3, 12.9, 72), 5);
    EXPECT_EQ(ComputeAutoParallax(2, 0, 72), 0);
}

TEST(AutoParallaxTest, NoFiniteAnswerGivesNone)
{
    EXPECT_EQ(ComputeAutoParallax(1, 12, 72), std::nullopt);
    EXPECT_EQ(ComputeAutoParallax(1, 0, 72), std::nullopt);
    EXPECT_EQ(ComputeAutoParallax(2, std::numeric_limits<double>::infinity(), 72), std::nullopt);
    EXPECT_EQ(ComputeAutoParallax(2, 1e12, 72), std::nullopt);
}

} // namespace
} // namespace velmora::test
