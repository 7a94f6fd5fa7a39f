// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/AutoParallax.h"
#include "imaging/stereo/NumberText.h"
#include "imaging/stereo/RoundHalfAway.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <limits>
#include <random>
#include <vector>

namespace velmora {
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

TEST(ReadIntegerTest, TakesTheLeadingSignedDigits)
{
    EXPECT_EQ(ReadInteger("3.5"), 3);
    EXPECT_EQ(ReadInteger(""), 0);
    EXPECT_EQ(ReadInteger("  -7px"), -7);
    EXPECT_EQ(ReadInteger("+12"), 12);
    EXPECT_EQ(ReadInteger("x12"), 0);
    EXPECT_EQ(ReadInteger("- 5"), 0);
}

TEST(ReadIntegerTest, TooLongNumbersSaturateInsteadOfWrapping)
{
    EXPECT_EQ(ReadInteger("2147483647"), INT_MAX);
    EXPECT_EQ(ReadInteger("2147483648"), INT_MAX);
    EXPECT_EQ(ReadInteger("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(ReadInteger("-2147483648"), INT_MIN);
    EXPECT_EQ(ReadInteger("-4294967297"), INT_MIN);
}

TEST(ReadRealTest, TakesTheLongestLeadingDecimalNumber)
{
    EXPECT_DOUBLE_EQ(ReadReal("12.9"), 12.9);
    EXPECT_DOUBLE_EQ(ReadReal(" .5"), 0.5);
    EXPECT_DOUBLE_EQ(ReadReal("-3.25e1x"), -32.5);
    EXPECT_DOUBLE_EQ(ReadReal("7."), 7.0);
    EXPECT_DOUBLE_EQ(ReadReal("1e"), 1.0);
    EXPECT_DOUBLE_EQ(ReadReal("1e+"), 1.0);
    EXPECT_DOUBLE_EQ(ReadReal("1,5"), 1.0);
    EXPECT_EQ(ReadReal(""), 0.0);
    EXPECT_EQ(ReadReal("-."), 0.0);
    EXPECT_EQ(ReadReal("inf"), 0.0);
    EXPECT_EQ(ReadReal("0x10"), 0.0);
    EXPECT_TRUE(std::isinf(ReadReal("1e999")));
    EXPECT_EQ(ReadReal("1e-999"), 0.0);
}

TEST(ReadRealTest, ReadsEveryDecimalNumberToTheSameBitsAsTheCLibrary)
{
    // Signs, leading zeros, long mantissas, exponents near and past both
    // ends of the range: the nearest double, as strtod rounds it in the C
    // locale the tests run in.
    std::mt19937 random(314);
    const auto digits = [&](int most) {
        std::string text;
        for (int n = static_cast<int>(random() % (most + 1)); n > 0; --n)
            text += static_cast<char>('0' + random() % 10);
        return text;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string text = random() % 3 == 0 ? "-" : random() % 5 == 0 ? "+" : "";
        text.append(random() % 4 == 0 ? "000" : "").append(digits(20));
        if (random() % 2)
            text.append(".").append(digits(25));
        if (random() % 2)
            text.append(random() % 2 ? "e" : "E")
                .append(random() % 2 ? "-" : "+")
                .append(std::to_string(random() % 2 ? random() % 40 : 280 + random() % 60));
        const double expected = std::strtod(text.c_str(), nullptr);
        const double read = ReadReal(text);
        EXPECT_TRUE(std::memcmp(&read, &expected, sizeof read) == 0 || (read == 0 && expected == 0))
            << text << ": " << read << " against " << expected;
    }
}

TEST(FormatIntegerTest, WritesPlainDecimals)
{
    EXPECT_EQ(FormatInteger(9), "9");
    EXPECT_EQ(FormatInteger(-12), "-12");
    EXPECT_EQ(FormatInteger(INT_MIN), "-2147483648");
}

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
} // namespace velmora
