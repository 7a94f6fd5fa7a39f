// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <string_view>

namespace velmora {

// How the settings fields turn their text into numbers.

// Leading white space, an optional sign, then the decimal digits up to the
// first other character; no digits gives 0. "3.5" -> 3, "" -> 0, " -7x" -> -7.
// A number too long for an int saturates to INT_MIN or INT_MAX.
int ReadInteger(std::string_view text);

// Leading white space, then the longest leading decimal number: optional sign,
// digits, optional point and fraction digits, optional exponent. None gives 0.
// "12.9deg" -> 12.9, ".5" -> 0.5, "1e3" -> 1000, "1e" -> 1. Independent of the
// process locale. Too large a magnitude gives an infinity.
double ReadReal(std::string_view text);

// A plain decimal integer, with a minus sign when negative.
std::string FormatInteger(int value);

// The shortest decimal text that reads back as the same value: 12.0 -> "12",
// 12.5 -> "12.5". Independent of the process locale.
std::string FormatReal(double value);

} // namespace velmora
