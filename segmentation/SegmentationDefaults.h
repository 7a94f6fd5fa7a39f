// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The segmentation tool's parameters, for its window and the command line.
namespace velmora {

inline constexpr int kDefaultOutlineLevel = 50;
inline constexpr int kMaxOutlineLevel = 256; // every pixel white
inline constexpr int kDefaultSmoothingDegree = 5;

} // namespace velmora
