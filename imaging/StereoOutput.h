// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/ProgressSink.h"
#include "imaging/StereoSettings.h"

#include <string>

namespace velmora {

enum class StereoOutputKind { Anaglyph, LcShutter };

// "Anaglyph image" or "LC Shutter".
const char* StatusText(StereoOutputKind kind);

// What one output run was given when it started.
struct StereoOutputRun {
    std::string outputPath;
    std::string smoothedDepthPath; // where the smoothed depth map goes
    int parallax = 0;
    int stereoWindow = 0;
    int smoothingRadius = 0;       // 0 or less: the depth map is used as it is
    std::string viewPath;          // where the view goes; empty: the output file itself
    bool stopAtFirstFailure = false;
};

// The processing of an output command: box-smooth the depth map when the
// radius is 1 or more, make the shifted view (into the output file unless
// viewPath is given), then compose the anaglyph or the LC-shutter image into
// the output file. A failing step shows its message; unless the run stops at
// the first failure, the next steps still run and report their own failure,
// but a step never reads an input that a failed step of this run was to make
// (the file would hold an earlier run's). The picture and depth map paths
// and every other setting (format, anaglyph mode, resolution) are read when
// the step that needs them starts, so a change made while the run dispatches
// messages reaches the later steps. Returns true when every step succeeded.
bool MakeStereoOutput(StereoOutputKind kind, const StereoOutputRun& run, const std::string& imagePath,
                      const std::string& depthPath, const StereoSettings& settings, ProgressSink& sink);

} // namespace velmora
