// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"

namespace velmora {

// The eight ways a camera may store a picture, as its Exif orientation tag
// numbers them: 1 upright, 2 mirrored left to right, 3 turned half round,
// 4 mirrored top to bottom, 5 mirrored along the diagonal from the top left
// (transposed), 6 to be turned a quarter clockwise, 7 mirrored along the
// other diagonal, 8 to be turned a quarter anticlockwise.
inline constexpr int kUpright = 1;
bool IsOrientation(int orientation);
// Whether making the picture upright swaps its width and height (5 to 8).
bool SwapsSides(int orientation);

// The picture as it is meant to be seen: the same bitmap for 1 or a number
// that is no orientation, otherwise a new one of the same kind, the
// resolutions following the sides, the stored metadata (with its
// orientation tag) not kept. None when memory runs out.
Bitmap Upright(Bitmap picture, int orientation);

} // namespace velmora
