// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"
#include "imaging/picture/ZeroedArray.h"

#include <cstdint>

namespace velmora {

// Which cells of the 3 x 3 window around each interior pixel share its
// outline class (the rule is SmoothBySegmentsBitmap's). It depends on the
// outline alone, so it is worked out once and serves every pass.
// A pixel's entry holds one bit per cell, (row below, at, above) x (left,
// centre, right) from bit 0, and the number of members from bit kCountShift.
class WindowMembers {
public:
    static constexpr int kCountShift = 9;

    // Over the given width and height, which fit in the outline; the rows
    // are shared among `threads` threads. Throws std::bad_alloc.
    WindowMembers(FIBITMAP* outline, int width, int height, int threads);

    const std::uint16_t* Row(int y) const { return entries_.data() + static_cast<std::size_t>(y) * width_; }

private:
    int width_;
    ZeroedArray<std::uint16_t> entries_;
};

} // namespace velmora
