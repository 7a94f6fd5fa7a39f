// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/DisparityMap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace velmora {

Bitmap GreyDepthMap(const DisparityMap& map, float farthest, float nearest)
{
    Bitmap grey = NewImage(map.width, map.height, 24);
    if (!grey)
        return grey;
    const double span = static_cast<double>(nearest) - farthest;
    const double scale = span == 0 ? 0 : 255 / span;
    for (int row = 0; row < map.height; ++row) {
        const float* from = map.values.data() + static_cast<std::size_t>(row) * map.width;
        // Stored rows run from the bottom.
        std::uint8_t* to = RowAt(grey.get(), map.height - 1 - row);
        for (int column = 0; column < map.width; ++column) {
            const double level = std::isnan(from[column]) ? 0 : (from[column] - farthest) * scale;
            const auto value = static_cast<std::uint8_t>(std::clamp(std::floor(level + 0.5), 0.0, 255.0));
            std::memset(to + 3 * column, value, 3);
        }
    }
    return grey;
}

Bitmap GreyDepthMapOverItsRange(const DisparityMap& map)
{
    float lowest = std::numeric_limits<float>::infinity();
    float highest = -lowest;
    for (const float value : map.values)
        if (std::isfinite(value)) {
            lowest = std::min(lowest, value);
            highest = std::max(highest, value);
        }
    if (lowest > highest)
        lowest = highest = 0;
    return GreyDepthMap(map, lowest, highest);
}

} // namespace velmora
