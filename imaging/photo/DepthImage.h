// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora {

// A depth image as a photograph stores it: each pixel's level as a fraction
// of the largest its bits can hold (stored value / 255, or / 65535 for 16
// bits), 0 to 1; rows from the top of the picture.
struct DepthLevels {
    int width = 0;
    int height = 0;
    std::vector<float> values; // width * height, row by row
};

// Decodes a depth image held in memory, a JPEG or a PNG whatever the
// metadata calls it: grey of 8 or 16 bits, or colour, of which the first
// channel (red) counts. The size its header claims is checked against the
// options' picture limit, and its data against what such a size needs,
// before any pixel is decoded. Otherwise why not, in words that follow
// "its stored depth map".
std::variant<DepthLevels, std::string> DecodeDepthImage(std::string_view bytes, const RunOptions& options);

} // namespace velmora
