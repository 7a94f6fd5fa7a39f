// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/stereo/DepthMapFile.h"
#include "imaging/threads/ProgressSink.h"
#include "segmentation/SegmentationRecord.h"

#include <string>

namespace velmora {

// Smooths a depth map within the classes of an outline image, `degree`
// passes (a degree below 1 makes one pass), in memory. In one pass every
// interior pixel of the common bottom-left area gets the rounded mean depth
// (blue byte) of the cells of its 3 x 3 window that share its outline class:
//   green centre: green, white and black cells; blue centre: blue, white and
//   black cells; white centre: the blue and white cells when more cells have
//   blue 255 than green 255, else the green and white cells.
// (A centre with equal blue and green bytes other than 255, found only in
// outline files made elsewhere, may have no such cells; it keeps its depth.)
// The result is grey; the border repeats its inner neighbour, the four
// corners stay black. Each pass reads the one before it whole; the rows of a
// pass are shared among the options' threads. Once a pass changes nothing, the
// passes left would give the same again, so they are not run: a huge degree
// ends as soon as the smoothing has settled. None, after the message, when
// there is no memory.
Bitmap SmoothBySegmentsBitmap(FIBITMAP* outline, FIBITMAP* depth, int degree, const RunOptions& options,
                              ProgressSink& sink);

// From files to a file: reads the outline (its stored bits per pixel go to
// record.bitsPerPixel) and the depth map once, smooths, writes the result
// once. A failed read shows its message and sets record.smoothFailed; a
// failed write shows its message. Returns whether all worked.
bool SmoothBySegmentsPasses(const std::string& outlinePath, const DepthMapFile& depthMap, const std::string& outputPath,
                            int degree, int saveFormat, SegmentationRecord& record, const RunOptions& options,
                            ProgressSink& sink);

} // namespace velmora
