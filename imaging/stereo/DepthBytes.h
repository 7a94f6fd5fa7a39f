// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"
#include "imaging/picture/BytePlane.h"
#include "imaging/picture/ByteRows.h"

namespace velmora {

// Byte offsets of the channels within a 24-bit pixel.
inline constexpr int kBlueByte = 0;
inline constexpr int kGreenByte = 1;

// Where the depth a view reads is, and the size of the map: a byte of every
// pixel of a 24-bit bitmap (the blue one of a depth map as read, the green
// one as the window smooths it), or a plane of its own (as the commands that
// compose over the picture keep it).
struct DepthBytes {
    DepthBytes(FIBITMAP* bitmap, int channel = kBlueByte)
        : rows{FreeImage_GetBits(bitmap) + channel, FreeImage_GetPitch(bitmap), 3}
        , width(Width(bitmap))
        , height(Height(bitmap))
    {
    }
    DepthBytes(const BytePlane& plane)
        : rows(plane.Rows())
        , width(plane.Width())
        , height(plane.Height())
    {
    }

    ByteRows rows;
    int width;
    int height;
};

} // namespace velmora
