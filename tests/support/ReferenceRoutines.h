// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/ProgressSink.h"

#include <string>

namespace velmora::test {

// The view synthesis and the box smoothing written the straightforward way,
// in the reference order: every level pass evaluates every pixel's level,
// every box reads all its pixels. The fast routines must give the same bytes.

void ReferenceShiftedView(const std::string& outputPath, const std::string& imagePath, const std::string& depthPath,
                          const StereoSettings& settings, ProgressSink& sink);

void ReferenceSmoothDepthMap(const std::string& sourcePath, const std::string& destinationPath, int radius,
                             const StereoSettings& settings, ProgressSink& sink);

} // namespace velmora::test
