// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/LensDistortion.h"

#include <algorithm>
#include <cmath>

namespace velmora {

RadialLens LensOf(double k, int width, int height)
{
    const double unit = std::hypot(width, height) / 2, middle = std::min(width, height) / 2.0 / unit;
    return {k, width / 2.0, height / 2.0, unit, middle * middle};
}

std::array<double, 2> RadialLens::Straightened(std::array<double, 2> seen) const
{
    const double x = (seen[0] - centreX) / unit, y = (seen[1] - centreY) / unit;
    const double factor = CentreScale() / (1 + k * (x * x + y * y));
    return {centreX + factor * (seen[0] - centreX), centreY + factor * (seen[1] - centreY)};
}

std::optional<std::array<double, 2>> RadialLens::Seen(std::array<double, 2> straight) const
{
    const double x = (straight[0] - centreX) / unit, y = (straight[1] - centreY) / unit;
    const double r = std::sqrt(x * x + y * y), g = CentreScale(); // hypot's care for overflow costs here
    // r = g s / (1 + k s^2) for the seen distance s: k r s^2 - g s + r = 0,
    // the root that tends to r / g as k does to 0.
    const double discriminant = g * g - 4 * k * r * r;
    if (discriminant < 0)
        return std::nullopt;
    const double seen = 2 * r / (g + std::sqrt(discriminant));
    const double factor = r > 0 ? seen / r : 1 / g;
    return std::array<double, 2>{centreX + factor * (straight[0] - centreX),
                                 centreY + factor * (straight[1] - centreY)};
}

} // namespace velmora
