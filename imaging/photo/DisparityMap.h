// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"

#include <vector>

namespace velmora {

// A depth map as a photograph or an estimator stores it, turned into
// disparity (larger = nearer, linear in 1 / distance): the one form every
// source is brought to before it becomes a depth map of ours. Rows run from
// the top of the picture.
struct DisparityMap {
    int width = 0;
    int height = 0;
    std::vector<float> values; // width * height, row by row
};

// Our depth map of it: 24-bit grey, brighter = nearer, `nearest` at 255 and
// `farthest` at 0, linear between (rounded half up), clamped outside; NaN
// counts as farthest. When the two are equal every pixel is 0. Sized as
// the map; none when memory runs out.
Bitmap GreyDepthMap(const DisparityMap& map, float farthest, float nearest);

// GreyDepthMap over the map's own range: its smallest and largest finite values.
Bitmap GreyDepthMapOverItsRange(const DisparityMap& map);

} // namespace velmora
