// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/estimating/NetworkOutput.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <limits>
#include <vector>

namespace velmora {
namespace {

std::string ShapeText(const cv::Mat& output)
{
    std::string text;
    for (int axis = 0; axis < output.dims; ++axis) {
        if (axis > 0)
            text += 'x';
        text += std::to_string(output.size[axis]);
    }
    return text;
}

// 1 / depth, where depth > 0; elsewhere the smallest such disparity.
cv::Mat InverseOfDepth(const cv::Mat& depth)
{
    cv::Mat disparity(depth.size(), CV_32F);
    float farthest = std::numeric_limits<float>::infinity();
    for (int y = 0; y < depth.rows; ++y)
        for (int x = 0; x < depth.cols; ++x) {
            const float d = depth.at<float>(y, x);
            disparity.at<float>(y, x) = d > 0 ? 1 / d : -1;
            if (d > 0)
                farthest = std::min(farthest, 1 / d);
        }
    if (farthest == std::numeric_limits<float>::infinity())
        farthest = 0;
    disparity.setTo(farthest, disparity < 0);
    return disparity;
}

} // namespace

std::variant<cv::Mat, std::string> OutputPlane(const cv::Mat& output)
{
    const bool onePlane = output.type() == CV_32F &&
        (output.dims == 2 || (output.dims == 3 && output.size[0] == 1) ||
         (output.dims == 4 && output.size[0] == 1 && output.size[1] == 1));
    if (!onePlane || output.empty())
        return "its output has shape " + ShapeText(output) + "; a depth model gives one value per pixel";
    const int height = output.size[output.dims - 2], width = output.size[output.dims - 1];
    return output.reshape(1, std::vector<int> {height, width});
}

DisparityMap DisparityAtSize(const cv::Mat& plane, DepthOutput kind, int width, int height)
{
    const cv::Mat disparity = kind == DepthOutput::kDepth ? InverseOfDepth(plane) : plane;
    DisparityMap map {width, height, std::vector<float>(static_cast<std::size_t>(width) * height)};
    // Straight into the map's own values, a picture's worth of floats.
    cv::Mat stretched(height, width, CV_32F, map.values.data());
    cv::resize(disparity, stretched, stretched.size(), 0, 0, cv::INTER_LINEAR);
    return map;
}

} // namespace velmora
