// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"

namespace velmora {

// Whether a depth map of one size belongs to a picture of another, only
// scaled: their sides agree in ratio to within the pixel that rounding
// either side may have cost (estimators and phones store maps of a
// fraction of the picture's size).
bool SameShape(int width, int height, int otherWidth, int otherHeight);

// A 24-bit picture brought to width x height: each side that shrinks
// averages the area every new pixel covers, each side that grows
// interpolates linearly between pixel centres (edges held), so a depth map
// keeps its levels and gains no steps. Rounded half up; the resolution is
// not kept (it is the picture's that counts). None when memory runs out.
Bitmap Resized(FIBITMAP* picture, int width, int height);

} // namespace velmora
