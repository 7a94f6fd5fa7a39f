// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/matching/LensDistortion.h"

#include <opencv2/core.hpp>

// Where a lens-corrected, warped eye takes each of its pixels from, as maps
// for cv::remap.
namespace velmora {

// Fills `map` (CV_32FC2, `rows` x `width`) with the point of the eye as the
// lens saw it for each pixel (left + x, top + y) of the result, that pixel
// first put back through `back` (a homography) and then bent by `lens`;
// (-1, -1) where the lens saw nothing. Both are smooth, so the points are
// worked out exactly every kMapStep pixels across and down and interpolated
// in between, where that puts each cell's centre within 0.004 of a
// pixel of its own point (remap resolves a 32nd); other cells, and those
// next to a point the lens did not see, are worked out point by point.
void FillLensWarpMap(const cv::Matx33d& back, const RadialLens& lens, int left, int top, int width, int rows,
                     cv::Mat& map);

inline constexpr int kMapStep = 8;

} // namespace velmora
