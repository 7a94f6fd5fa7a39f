// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/estimating/EstimatorOptions.h"
#include "imaging/photo/DisparityMap.h"
#include "imaging/picture/Bitmap.h"

#include <string>
#include <variant>

namespace velmora {

// The disparity (larger = nearer) that the ONNX relative-depth model at
// `modelPath` estimates for a 24-bit picture, at the picture's size: one
// forward pass over InputBlob's input, the output brought back by
// DisparityAtSize, on `run.threads` of OpenCV's threads. Why not, naming the
// model file, when it is missing, not ONNX, cannot run on the options'
// input size or gives no depth, or memory runs out; never throws.
std::variant<DisparityMap, std::string> EstimateDisparity(FIBITMAP* picture, const std::string& modelPath,
                                                          const EstimatorOptions& options, const RunOptions& run);

// The estimated depth map of `picture` as our grey depth map at the
// picture's size (brighter = nearer, over the estimate's own range), or
// why not.
struct EstimateResult {
    Bitmap depth;
    std::string problem; // empty when there is a depth map
};
EstimateResult EstimateDepth(FIBITMAP* picture, const std::string& modelPath, const EstimatorOptions& options,
                             const RunOptions& run);

} // namespace velmora
