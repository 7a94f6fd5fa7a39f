// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/estimating/EstimatorOptions.h"

#include <FreeImage.h>
#include <opencv2/core.hpp>

namespace velmora {

// The network's input made from a 24-bit picture: a 1 x 3 x inputHeight x
// inputWidth float blob, channels in the options' order, the picture's top
// row first, each value (v / 255 - mean) * scale. The picture is stretched
// to the input size, as the fixed-size models need: by area averaging where
// it shrinks in both directions (a large photograph, every pixel counted),
// bicubic otherwise (a picture smaller than the input).
cv::Mat InputBlob(FIBITMAP* picture, const EstimatorOptions& options);

} // namespace velmora
