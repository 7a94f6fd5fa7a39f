// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/photo/DepthImage.h"
#include "imaging/picture/Bitmap.h"

#include <optional>
#include <string>
#include <variant>

namespace velmora {

// How a photograph's depth image stands for distances d between `near` and
// `far` (in any unit: only their ratios count here). The normalised level
// d_n, 0 to 1, of a pixel at distance d is
//   RangeLinear:  d_n = (d - near) / (far - near)
//   RangeInverse: d_n = far * (d - near) / (d * (far - near))
// so 0 is near and 1 is far in both; RangeInverse gives the near distances
// more levels.
struct DepthEncoding {
    bool inverse = true; // RangeInverse, else RangeLinear
    double near = 0;
    double far = 0;
};

// The encoding that the properties give (Format, Near, Far, as written):
// RangeInverse when no format is given, as both layouts default to it;
// otherwise why it cannot be used, in words that follow "its stored depth
// map": an unknown format, a missing or unreadable near or far, or a range
// that is not 0 < near < far.
std::variant<DepthEncoding, std::string> ReadDepthEncoding(const std::optional<std::string>& format,
                                                           const std::optional<std::string>& near,
                                                           const std::optional<std::string>& far);

// Our grey depth map of the levels: each turned into its distance d and
// then into disparity 1 / d, so that 1 / far is black and 1 / near white,
// linear in disparity between (GreyDepthMap). Sized as the levels; none
// when memory runs out.
Bitmap GreyDepthOf(const DepthLevels& levels, const DepthEncoding& encoding);

} // namespace velmora
