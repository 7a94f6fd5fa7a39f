// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/picture/BytePlane.h"
#include "imaging/stereo/StereoOutput.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/ProgressSink.h"

namespace velmora {

// Which rows of an LC-shutter image of this height are the view's: 0 for the
// even ones (counted from the bottom, the view's first), 1 for the odd ones
// when the run wants the other eye's on top.
int ViewRowParity(const StereoOutputRun& run, int height);

// The view and the composition of a run that keeps the picture it read,
// without a view bitmap: the view is held as moves over the depth plane's own
// bytes, and each of its rows is made only as the composition needs it,
// which then writes over the picture's pixels under a new header when they
// are the common area and pages of their own (TakePixels), else into a new
// bitmap. The progress and the status as the view and the composition give
// them; the same bytes as composing a view bitmap. None, after the message,
// when there is no memory for a bitmap; std::bad_alloc when there is none
// for the view's bookkeeping.
Bitmap ComposeOverPicture(StereoOutputKind kind, Bitmap picture, BytePlane depth, const StereoOutputRun& run,
                          const StereoSettings& settings, const RunOptions& options, ProgressSink& sink);

} // namespace velmora
