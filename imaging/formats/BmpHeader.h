// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/BmpLayout.h"

#include <cstdint>
#include <optional>

namespace velmora {

// The start of a BMP file, read once and parsed once: the file header, the
// bitmap header's fields every reader of the program needs (under the OS/2
// 1.x header and the Windows ones alike) and the bytes themselves, which the
// later-header reader rewrites.
struct BmpHeader {
    unsigned char bytes[bmp::kStartBytes] = {}; // zeros past what the file has
    bool signature = false;      // it starts with "BM"
    std::uint32_t bytesRead = 0; // fewer than kStartBytes for a short file
    std::uint32_t pixelsAt = 0;
    std::uint32_t headerSize = 0; // of the bitmap header: 12 (OS/2), 40 (info) or a later version's
    std::int64_t width = 0;
    std::int64_t height = 0; // negative when the rows are stored from the top down
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = bmp::kUncompressed;
    std::int32_t pixelsPerMetreX = 0;
    std::int32_t pixelsPerMetreY = 0;

};

// The start of the file open as `descriptor`, whatever it holds (a file
// named .bmp may hold anything); none when it cannot be read.
std::optional<BmpHeader> ReadBmpHeader(int descriptor);

} // namespace velmora
