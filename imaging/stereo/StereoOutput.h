// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/stereo/StereoGeometry.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/ProgressSink.h"

#include <optional>
#include <string>

namespace velmora {

enum class StereoOutputKind { Anaglyph, LcShutter };

// "Anaglyph image" or "LC Shutter".
const char* StatusText(StereoOutputKind kind);

// What one output run was given when it started.
struct StereoOutputRun {
    std::string outputPath;
    std::string smoothedDepthPath; // where the smoothed depth map is written too; empty: nowhere
    StereoGeometry geometry;       // as the settings were when the run started
    int smoothingRadius = 0;       // 0 or less: the depth map is used as it is
    bool stopAtFirstFailure = false;
    bool readPictureOnce = false;  // the composition uses the picture the view read
    bool invertDepth = false;      // the depth map has darker = nearer (DepthMapFile)
    // LC shutter: whether the left eye (the view) or the right eye (the
    // picture) has the top row, for displays that need one there; none: the
    // rows fall as they are counted, from the bottom, the view's first.
    std::optional<bool> leftEyeOnTop = std::nullopt;
};

// The processing of an output command, in memory: box-smooth the depth map
// when the radius is 1 or more (and write it to smoothedDepthPath), make the
// shifted view, then compose the anaglyph or the LC-shutter image and write
// it to the output file. Nothing written is read back. A failing step shows
// its message; unless the run stops at the first failure, the next steps
// still run and report their own failure (a step whose input a failed step
// was to make reports it missing). The picture and depth map paths and every
// other setting (format, anaglyph mode, resolution) are read when the step
// that needs them starts, so a change made while the run dispatches
// messages reaches the later steps; the composition reads the picture again
// unless readPictureOnce. Returns true when every step succeeded.
bool MakeStereoOutput(StereoOutputKind kind, const StereoOutputRun& run, const std::string& imagePath,
                      const std::string& depthPath, const StereoSettings& settings, const RunOptions& options,
                      ProgressSink& sink);

} // namespace velmora
