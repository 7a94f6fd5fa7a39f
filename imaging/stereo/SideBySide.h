// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/ProgressSink.h"

namespace velmora {

// How the two eyes' pictures share one picture.
enum class PairLayout {
    kParallel,  // left eye on the left: for parallel viewing and 3D televisions
    kCross,     // left eye on the right: for cross-eyed viewing
    kTopBottom, // left eye above
};

// Puts the left and right eyes' pictures side by side, or one above the
// other, after cutting both to their common bottom-left area. `half`
// squeezes each eye to half its width (half its height for kTopBottom) by
// the rounded-up mean of each pair of neighbouring pixels, byte by byte,
// pairs counted from the left (from the top); an odd last column (row)
// keeps its own value, so nothing of the picture is dropped. The result has
// the settings' resolution; its rows are shared among the options' threads.
// None, after the message, when there is no memory for it.
Bitmap ComposeSideBySide(FIBITMAP* left, FIBITMAP* right, PairLayout layout, bool half, const StereoSettings& settings,
                         const RunOptions& options, ProgressSink& sink);

} // namespace velmora
