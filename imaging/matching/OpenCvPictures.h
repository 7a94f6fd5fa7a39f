// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"

#include <opencv2/core.hpp>

#include <vector>

// The matching room's own tools: pictures as OpenCV keeps them, and the
// features two eyes share.
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

// A point seen in both eyes, in the full pictures' pixels.
struct Match {
    cv::Point2d left, right;
};

// AKAZE features matched from the right eye to the left (the ratio test),
// found on copies of at most `side` pixels a side.
std::vector<Match> MatchFeatures(const cv::Mat& left, const cv::Mat& right, int side);

// The value `share` of the way up the sorted values (0: the least, 0.5 the
// median, 1 the largest); the values must not be empty.
double Percentile(std::vector<double> values, double share);

} // namespace velmora
