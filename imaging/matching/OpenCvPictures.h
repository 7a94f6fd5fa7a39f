// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"

#include <opencv2/core.hpp>

#include <vector>

// The matching room's own tools: pictures as OpenCV keeps them.
namespace velmora {

// A 24-bit bitmap's own pixels seen as an OpenCV picture, no copy: blue,
// green, red, the bottom row first. Valid while the bitmap lives.
cv::Mat BottomUpView(FIBITMAP* bitmap);

// A 24-bit bitmap's pixels as OpenCV keeps pictures: blue, green, red, the
// top row first (a copy).
cv::Mat TopDown(FIBITMAP* bitmap);

// Such a picture as a bitmap with `resolutionOf`'s resolution; throws
// std::bad_alloc when there is no memory for it.
Bitmap ToBitmap(const cv::Mat& topDown, FIBITMAP* resolutionOf);

// The value `share` of the way up the sorted values (0: the least, 0.5 the
// median, 1 the largest); the values must not be empty.
double Percentile(std::vector<double> values, double share);

} // namespace velmora
