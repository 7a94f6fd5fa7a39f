// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"

namespace velmora {

// Byte offsets of the channels within a 24-bit pixel.
inline constexpr int kBlueByte = 0;
inline constexpr int kGreenByte = 1;

// Where a depth map's depth is: one byte of every pixel of a 24-bit bitmap.
// A depth map read from a file has it in the blue byte; the whole commands'
// smoothing leaves its result in the green one (SmoothDepthPlane).
struct DepthBytes {
    DepthBytes(FIBITMAP* bitmap, int channel = kBlueByte)
        : bitmap(bitmap)
        , channel(channel)
    {
    }

    FIBITMAP* bitmap;
    int channel;
};

} // namespace velmora
