// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/matching/PairAlignment.h"
#include "imaging/pairs/PairFiles.h"
#include "imaging/stereo/SideBySide.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/ProgressSink.h"

#include <optional>
#include <string>

namespace velmora::cli {

// The work of align and depth on one pair, for the commands and for batch.

// `value` with `decimals` digits after the point, as the figures said on a terminal are.
std::string Fixed(double value, int decimals);

// What align makes of the aligned pair.
struct PairResult {
    std::string then; // "anaglyph", "lcshutter", "sbs", or empty: the pair as OUT's name says
    PairLayout layout = PairLayout::kParallel;
    int anaglyphMode = StereoSettings{}.anaglyphMode;
};

// The pair read and aligned (from `rig` when given, weighed against `own`
// when known, as AlignPair says), with the stereo window `windowMargin`
// pixels behind the nearest matched point; said on a terminal. None after
// the message when it cannot be read or aligned.
std::optional<AlignedPair> AlignedOrReport(const PairSource& source, double windowMargin, const RunOptions& runOptions,
                                           ProgressSink& sink, const RigGeometry* rig = nullptr,
                                           const Alignment* own = nullptr);

// Writes an aligned pair as the path's name says: an MPO, a JPS or PNS, or a
// picture of both eyes in `format` (a --format value, or empty); or what
// `result` goes on to make of it.
bool WriteAlignedPair(const AlignedPair& pair, const std::string& path, const std::string& format,
                      const PairResult& result, const RunOptions& runOptions, ProgressSink& sink);

// The depth map of the pair's left eye (aligned first unless `aligned`, as
// AlignedOrReport says, and taken as it is when the alignment leaves its
// rows where they are) to depthPath, and the left eye it belongs to to
// picturePath unless empty; on a terminal, how view re-creates the right eye.
bool MakePairDepth(const PairSource& source, bool aligned, const std::string& depthPath, const std::string& picturePath,
                   const std::string& format, const RunOptions& runOptions, ProgressSink& sink,
                   const RigGeometry* rig = nullptr, const Alignment* own = nullptr);

} // namespace velmora::cli
