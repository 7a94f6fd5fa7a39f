// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/AutoParallax.h"

#include "imaging/stereo/RoundHalfAway.h"

#include <cmath>
#include <limits>

namespace velmora {

int DotsPerInch(double pixelsPerMetre)
{
    // The double one unit in the last place above the one nearest to 0.0254;
    // it decides the rounding of resolutions that fall near a half.
    return RoundHalfAway(pixelsPerMetre * 0.025400000000000002);
}

std::optional<int> ComputeAutoParallax(int viewCount, double viewingAngle, int imageDpi)
{
    // The order of the products is part of the result: keep it.
    double a = viewingAngle * 0.08333333333333333;
    a = a * imageDpi;
    a = a * 3.0;
    const double d = (static_cast<double>(viewCount) - 1.0) * 25.4;
    const double parallax = a / d;
    if (!std::isfinite(parallax) || std::fabs(parallax) >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::nullopt;
    return RoundHalfAway(parallax);
}

} // namespace velmora
