// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/matching/PairAlignment.h"
#include "imaging/picture/Bitmap.h"

#include <string>
#include <variant>

namespace velmora {

// A depth map made from an aligned pair: the left eye's, 24-bit grey,
// brighter = nearer, 0 to 255 over the scene's disparities `nearest` to
// `farthest` (in pixels, the left eye's column minus the right eye's),
// linear in disparity.
struct PairDepth {
    Bitmap depth;
    double nearest = 0;
    double farthest = 0;

    // The view command's parallax and stereo window that remake the right
    // eye from the left eye and this depth map: every pixel moves by its
    // level minus the window, and the right eye's pixel lies its disparity
    // to the left of the left eye's.
    int Parallax() const;
    int Window() const;
};

// Semi-global matching (OpenCV's StereoSGBM, checked left against right)
// over the disparities the matched features span, widened by half that span
// at each end (thin near things hold few features), on a copy of at most
// kDepthMatchingWidth columns, every column matched (the eyes are widened
// with their edge columns where the search would fall off the right eye);
// pixels without a trusted disparity (hidden in one eye, out of its view)
// take the farther of their row's nearest trusted neighbours, the background
// they lie in; single wrong disparities go in a 5 x 5 median, and the map is
// brought to full size. Why not, when the eyes hold too little texture to
// match. (Edge-aware refinements made the Aloe pair's map worse or cost too
// much for what they gave: a guided filter with the left eye as guide, a
// weighted-least-squares filter, a colour-weighted median.)
std::variant<PairDepth, std::string> DepthFromPair(FIBITMAP* left, FIBITMAP* right);

inline constexpr int kDepthMatchingWidth = 1400;

// Whether `alignment`, found for a pair `width` x `height`, leaves the rows
// where they are as far as DepthFromPair can tell: any point of the frame
// lands on rows of the two eyes within half a pixel of its matching copy.
// Such a pair (a two-lens camera's, or one aligned before) is matched as it
// is, neither resampled nor cut to the aligned eyes' common area.
bool RowsAlreadyAgree(const Alignment& alignment, int width, int height);

} // namespace velmora
