// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/formats/HeifFile.h"
#include "imaging/photo/StoredDepth.h"

#include <string>

namespace velmora {

// The depth image a HEIF file (a phone's HEIC) stores beside its primary
// picture, as our grey depth map: brighter = nearer, at the depth image's
// own size. Absent for a file that is no HEIF or stores no depth image; a
// problem when the file cannot be read, or its depth image cannot be decoded
// or is of a kind not supported.
StoredDepthRead ReadHeifStoredDepth(const std::string& path, const RunOptions& options);

// A decoded depth image brought to disparity, then to our grey map. Levels
// are taken as uniform between the ends the file states, the smaller
// quantity at level 0: disparity from its lowest to its highest, 1 / distance
// from 1 / far to 1 / near, the distance from near to far (and turned into 1
// / distance). With both ends stated the map spans them, so that maps of one
// camera compare; otherwise it spans its own levels, nearest brightest. A
// depth image that states no kind is taken as disparity, as iPhones store it.
// Non-uniform disparity is refused.
StoredDepthRead StoredDepthOfHeif(const HeifDepthImage& image);

} // namespace velmora
