// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/NumberText.h"

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

} // namespace
} // namespace velmora
