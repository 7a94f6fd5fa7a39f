// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/estimating/EstimatorOptions.h"
#include "imaging/photo/DisparityMap.h"

#include <opencv2/core.hpp>

#include <string>
#include <variant>

namespace velmora {

// The network's output as one plane of float values, rows from the top: an
// output of 1 x H x W, 1 x 1 x H x W or H x W. Why not for any other shape
// ("its output has shape 1x3x8x8; a depth model gives one value per pixel").
std::variant<cv::Mat, std::string> OutputPlane(const cv::Mat& output);

// Such a plane as the picture's disparity map, `width` x `height`. A depth
// output becomes 1 / depth first, at the network's size; a depth of zero or
// less (no depth) takes the smallest disparity found, the farthest. Then it
// is stretched to the picture's size bilinearly. Throws std::bad_alloc when
// there is no memory for it.
DisparityMap DisparityAtSize(const cv::Mat& plane, DepthOutput kind, int width, int height);

} // namespace velmora
