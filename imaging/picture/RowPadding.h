// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>

namespace velmora {

// The bytes of one row of pixels padded to whole 32-bit words, as BMP files
// store rows and FreeImage keeps them in memory.
inline std::uint64_t PaddedRowBytes(std::uint64_t width, std::uint64_t bitsPerPixel)
{
    return (width * bitsPerPixel + 31) / 32 * 4;
}

} // namespace velmora
