// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "tests/support/TestImages.h"

namespace velmora::test {

// A picture of `blocks` x `blocks` square blocks of `side` pixels, each
// block's colour different in every channel and row. Its pixels differ from
// the block's colour by ox * oy, where o is 1 - side on the block's first
// row or column and 1 on the others: each block's mean is exactly its
// colour, and for a side of 3 or more the mean of its middle pixels is not.
inline Bgr BlockColour(int blockX, int blockYFromTop)
{
    const int base = 16 + 24 * blockX + 3 * blockYFromTop;
    return {static_cast<std::uint8_t>(base), static_cast<std::uint8_t>(base + 1), static_cast<std::uint8_t>(base + 7)};
}

inline Bitmap BlockPicture(int blocks, int side)
{
    const int length = blocks * side;
    return MakeImage(length, length, [&](int x, int y) {
        const int yFromTop = length - 1 - y;
        const Bgr colour = BlockColour(x / side, yFromTop / side);
        const int offset = (x % side ? 1 : 1 - side) * (yFromTop % side ? 1 : 1 - side);
        return Bgr {static_cast<std::uint8_t>(colour.blue + offset), static_cast<std::uint8_t>(colour.green + offset),
                    static_cast<std::uint8_t>(colour.red + offset)};
    });
}

} // namespace velmora::test
