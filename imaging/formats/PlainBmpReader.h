// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/BmpHeader.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/picture/BytePlane.h"

#include <cstdint>
#include <optional>

namespace velmora {

// The BMP files this program writes, and most others do: 24-bit pixels
// without compression under one of the Windows headers (the info header,
// or its later versions up to V5, which GIMP and ImageMagick write). The
// image library refuses the later versions with 24-bit pixels, though
// their pixels are stored just the same, and zeroes every picture it reads
// before filling it, which for a large one costs as much as the reading.
struct PlainBmpHeader {
    std::int32_t width = 0;
    std::int32_t height = 0; // negative when the rows are stored from the top down
    std::uint32_t pixelsAt = 0;
    std::int32_t pixelsPerMetreX = 0;
    std::int32_t pixelsPerMetreY = 0;

    int Rows() const;
    std::uint64_t RowBytes() const; // padded to whole 32-bit words
};

// The header when the file is such a BMP; none for any other file, which the
// library reads (or refuses) instead.
std::optional<PlainBmpHeader> PlainBmpOf(const BmpHeader& bmp);

// Reads the pixels of such a BMP, as `header` gave them, the way the library
// reads its info-header files: the same pixels, rows and resolution, straight
// from the file into pages of their own (NewImage). None when the pixels
// cannot be read (the file shrank, a read failed) or there is no memory for
// them.
Bitmap ReadPlainBmp(int descriptor, const PlainBmpHeader& header);

// One byte (0 blue, 1 green, 2 red) of every pixel of such a BMP as a plane,
// the same bytes as that byte of ReadPlainBmp's bitmap, read a band of rows
// at a time so that the other bytes never take memory of their own. None
// when the pixels cannot be read; std::bad_alloc when there is no memory for
// the plane.
BytePlane ReadPlainBmpChannel(int descriptor, const PlainBmpHeader& header, int channel);

} // namespace velmora
