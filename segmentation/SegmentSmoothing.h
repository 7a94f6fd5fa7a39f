// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/ProgressSink.h"
#include "segmentation/SegmentationRecord.h"

#include <string>

namespace velmora {

// One pass of depth smoothing within outline classes: every interior pixel of
// the common bottom-left area gets the rounded mean depth (blue byte) of the
// cells of its 3 x 3 window that share its outline class:
//   green centre: green, white and black cells; blue centre: blue, white and
//   black cells; white centre: the blue and white cells when more cells have
//   blue 255 than green 255, else the green and white cells.
// (A centre with equal blue and green bytes other than 255, found only in
// outline files made elsewhere, may have no such cells; it keeps its depth.)
// The result is grey; the border repeats its inner neighbour, the four
// corners stay black. The pass reads its input whole before writing, so
// inputPath may be outputPath. A failed read shows its message and sets
// record.smoothFailed; a failed write shows its message. Returns whether it
// succeeded.
// `unchanged`, when given, tells whether the result equals the input depth
// map byte for byte (a further pass would then give the same again).
bool SmoothBySegments(const std::string& outlinePath, const std::string& inputPath, const std::string& outputPath,
                      int saveFormat, SegmentationRecord& record, ProgressSink& sink, bool* unchanged = nullptr);

// The passes of one smoothing: the first from depthPath into outputPath, then
// degree - 1 more from outputPath into itself (a degree below 1 makes one
// pass). A pass that could not read an input or write its result stops the
// rest (the next pass would read an older file left in place). Once a pass
// changes nothing, the passes left would write the same file again, so they
// are not run: a huge degree ends as soon as the smoothing has settled.
// Returns whether every pass succeeded.
bool SmoothBySegmentsPasses(const std::string& outlinePath, const std::string& depthPath,
                            const std::string& outputPath, int degree, int saveFormat, SegmentationRecord& record,
                            ProgressSink& sink);

} // namespace velmora
