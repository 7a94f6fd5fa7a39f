// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/RoundHalfAway.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace velmora::test {
namespace {

TEST(RoundHalfAwayTest, HalvesGoAwayFromZero)
{
    EXPECT_EQ(RoundHalfAway(0.5), 1);
    EXPECT_EQ(RoundHalfAway(-0.5), -1);
    EXPECT_EQ(RoundHalfAway(2.5), 3);
    EXPECT_EQ(RoundHalfAway(-2.5), -3);
    EXPECT_EQ(RoundHalfAway(1.4999), 1);
    EXPECT_EQ(RoundHalfAway(0.4999), 0);
    EXPECT_EQ(RoundHalfAway(-2.49), -2);
}

TEST(RoundHalfAwayTest, AgreesWithTheLibraryRoundingAcrossTheIntRange)
{
    // std::round also takes halves away from zero; what lies next to the
    // halves and to the ends of the int range is where a shortcut goes wrong.
    std::mt19937_64 random(14);
    std::vector<double> values = {0.49999999999999994, -0.49999999999999994, 4503599627370495.5 / 2097152.0,
                                  2147483646.5,        -2147483646.5,        2147483646.49,
                                  -2147483647.4,       1e-300,               -0.0};
    std::uniform_real_distribution<double> any(-2147483647.0, 2147483647.0);
    std::uniform_int_distribution<int> whole(-1000, 1000);
    for (int i = 0; i < 100000; ++i) {
        values.push_back(any(random));
        const double half = whole(random) + 0.5;
        values.insert(values.end(), {half, std::nextafter(half, 0.0), std::nextafter(half, 1e9)});
    }
    for (double x : values) {
        const double expected = std::clamp(std::round(x), double(INT_MIN), double(INT_MAX)); // saturated
        ASSERT_EQ(RoundHalfAway(x), static_cast<int>(expected)) << std::setprecision(17) << x;
    }
}

TEST(RoundHalfAwayTest, ValuesWithoutAnIntSaturate)
{
    EXPECT_EQ(RoundHalfAway(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(RoundHalfAway(1e300), INT_MAX);
    EXPECT_EQ(RoundHalfAway(-std::numeric_limits<double>::infinity()), INT_MIN);
    EXPECT_EQ(RoundHalfAway(2147483646.7), INT_MAX);
}

} // namespace
} // namespace velmora::test
