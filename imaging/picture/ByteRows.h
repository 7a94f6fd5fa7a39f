// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora {

// One byte of every pixel of a picture, wherever it is held: row y starts at
// first + y * pitch (row 0 is the bottom one) and its pixel x is x * stride
// bytes on.
struct ByteRows {
    std::uint8_t* first;
    std::size_t pitch;
    int stride = 1;

    std::uint8_t* Row(int y) const { return first + static_cast<std::size_t>(y) * pitch; }
};

// Copies `count` bytes lying `stride` bytes apart from `source` (one byte of
// each pixel of a row) to `target`, side by side, going forward.
void GatherBytes(const std::uint8_t* source, std::size_t stride, std::uint8_t* target, int count);

// Makes a byte of each of `width` three-byte pixels (a grey, a luma, one
// channel): values[x] from pixels[3 x] onwards.
using ByteOfPixels = void (*)(const std::uint8_t* pixels, std::uint8_t* values, int width);

} // namespace velmora
