// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/stereo/DepthBytes.h"
#include "imaging/stereo/DepthMapFile.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/ProgressSink.h"

#include <string>

namespace velmora {

// Synthesises the second view of a stereo pair: every pixel of the picture
// moves along its row by level - stereoWindow columns, where its level is
// RoundHalfAway(parallax * depth / 255) and depth is the blue byte of the
// depth map (brighter = nearer). Nearer pixels cover farther ones; the holes
// are then filled from their painted neighbours in two column sweeps.
// Works on the common bottom-left area of picture and depth map and writes
// the view to outputPath in settings.saveFormat with the picture's resolution.
// The caller sets the status text. Returns false when a step failed; every
// failure shows its message.
bool MakeShiftedView(const std::string& outputPath, const std::string& imagePath, const DepthMapFile& depth,
                     StereoSettings settings, const RunOptions& options, ProgressSink& sink);

// The same in memory, with the given geometry and resolution, over the
// common bottom-left area of the picture and the depth, the rows
// shared among the options' threads; the progress runs over the level
// passes and is left at its end. None, after the message, when there is no
// memory for it.
Bitmap ShiftViewBitmap(FIBITMAP* image, DepthBytes depth, const StereoGeometry& geometry, double pixelsPerMetre,
                       const RunOptions& options, ProgressSink& sink);

// The same over the pixels of a finished 24-bit bitmap, `pages` (the depth
// map itself, or what it was smoothed from), when they are the common area's
// and pages of their own (TakePixels), instead of in fresh memory; else as
// above. The depth may lie in those pixels: each row's is read before the
// row is painted. The same bytes either way.
Bitmap ShiftViewOverPages(FIBITMAP* image, Bitmap pages, DepthBytes depth, const StereoGeometry& geometry,
                          double pixelsPerMetre, const RunOptions& options, ProgressSink& sink);

} // namespace velmora
