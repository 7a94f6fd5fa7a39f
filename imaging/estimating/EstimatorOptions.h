// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>

namespace velmora {

// What the network's one output value a pixel means.
enum class DepthOutput {
    kInverseDepth, // relative inverse depth (disparity): larger = nearer
    kDepth,        // relative depth: larger = farther
};

// How a depth network wants its picture and what it gives back. The defaults
// fit the smallest of the common relative-depth models, MiDaS v2.1 small: a
// fixed 256 x 256 input of RGB in ImageNet's mean and deviation, inverse
// depth out. DPT models (MiDaS v3) take 384 x 384 with mean 0.5 and scale 2
// in every channel; Depth Anything takes 518 x 518 (a multiple of 14) with
// these means and scales.
struct EstimatorOptions {
    int inputWidth = 256;
    int inputHeight = 256;
    bool rgb = true; // the input's channels red, green, blue; false: blue, green, red
    // In the input's channel order: each value v (0 to 255) goes in as
    // (v / 255 - mean) * scale, the scale being 1 / the deviation.
    std::array<float, 3> mean {0.485f, 0.456f, 0.406f};
    std::array<float, 3> scale {1 / 0.229f, 1 / 0.224f, 1 / 0.225f};
    DepthOutput output = DepthOutput::kInverseDepth;
};

// The largest input side the options may ask for: far beyond any published
// model's, and a blob of it still fits in memory.
inline constexpr int kLargestInputSide = 8192;

} // namespace velmora
