// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <opencv2/core.hpp>

// Synthetic stereo scenes for the pair commands' tests: textured enough for
// features to match, moved and bent as real rigs move and bend them.
namespace velmora::test {

// A textured scene, `seed` picking it.
cv::Mat TexturedScene(unsigned seed);

// `scene` turned by `turn` degrees and moved `across` and `down` pixels.
cv::Mat Moved(const cv::Mat& scene, double turn, double across, double down);

// Saves the eyes (top-down, OpenCV's order) as scene-left.png and scene-right.png.
void SaveEyes(const cv::Mat& left, const cv::Mat& right);

// A textured scene and the same turned by `turn` degrees and moved down by
// `down` pixels, as a slide bar's second shot might be.
void SaveTurnedPair(double turn, double down);

// `eye` as a wide lens bending it into a barrel by `barrel` at the corners sees it.
cv::Mat ThroughBarrel(const cv::Mat& eye, double barrel);

} // namespace velmora::test
