// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/picture/ByteRows.h"
#include "imaging/stereo/DepthBytes.h"
#include "imaging/stereo/DepthMapFile.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/ProgressSink.h"

#include <string>

namespace velmora {

// Box-smooths a depth map: every byte of output pixel (x, y) is the
// RoundHalfAway mean of that byte over the (2r+1) x (2r+1) square around it,
// clipped to the picture (outside positions are not counted). All windows read
// the unsmoothed source. Cost does not grow with the radius. A radius below 1
// copies the picture. Writes to destinationPath in settings.saveFormat with a
// new bitmap's default resolution. Returns false when a step failed; every
// failure shows its message.
bool SmoothDepthMap(const DepthMapFile& source, const std::string& destinationPath, int radius, StereoSettings settings,
                    const RunOptions& options, ProgressSink& sink);

// The same in memory: the smoothed copy of `source`, its rows shared among
// the options' threads; the progress runs over the rows and is left at its
// end. None, after the message, when there is no memory for it.
Bitmap SmoothDepthBitmap(FIBITMAP* source, int radius, const RunOptions& options, ProgressSink& sink);

// The smoothing of the whole commands, which need nothing of a depth map but
// its depth: that byte alone (the blue one of a depth map's pixels, or a
// plane) is smoothed, each as SmoothDepthBitmap smooths the blue bytes, into
// `smoothed`: a plane of its own (stride 1), or a byte of the map's own
// pixels other than the one read (stride 3). Threads and progress as above.
void SmoothDepthPlane(DepthBytes depth, ByteRows smoothed, int radius, const RunOptions& options, ProgressSink& sink);

// The same over a depth map's own pixels: its blue bytes smoothed into its
// green ones, which hold the depth from then on, so that the map's pages can
// take a view later. Returns the byte of each pixel that holds it.
int SmoothDepthInItsPixels(FIBITMAP* map, int radius, const RunOptions& options, ProgressSink& sink);

} // namespace velmora
