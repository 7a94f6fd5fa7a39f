// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cmath>
#include <limits>

namespace velmora {

// Nearest integer, halves away from zero: 2.5 -> 3, -2.5 -> -3, 2.49 -> 2.
// The one rounding rule of every computation in Velmora.
// Values beyond the int range saturate to INT_MIN or INT_MAX; NaN gives 0.
inline int RoundHalfAway(double x)
{
    if (std::isnan(x))
        return 0;
    // Within the int range the conversion truncates in one instruction, and
    // the fraction left is exact; per-pixel loops round this way.
    constexpr double kIntRange = static_cast<double>(std::numeric_limits<int>::max());
    if (std::fabs(x) < kIntRange) {
        const int truncated = static_cast<int>(x);
        const double rest = x - truncated;
        return truncated + (rest >= 0.5) - (rest <= -0.5);
    }
    double whole = std::trunc(x);
    const double fraction = x - whole; // exact, and it carries the sign of x
    if (std::fabs(fraction) >= 0.5)
        whole += std::copysign(1.0, fraction);
    if (whole >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (whole <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(whole);
}

} // namespace velmora
