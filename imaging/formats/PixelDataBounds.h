// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/FileBytes.h"

#include <FreeImage.h>

namespace velmora {

// What a file's pixel data says about the picture its header claims,
// before any pixel is decoded.
enum class PixelData {
    kWhole,      // all there, or no bound is known for the format
    kCutShort,   // the file ends before the pixels do
    kImpossible, // more pixels than the format's best compression gets from a file of this size
};

// Uncompressed pixels must all be in the file; run-length data must cover
// every row (its packets are walked, no pixel is written); compressed data
// can expand only so far (deflate 1032:1, LZW 4096 pixels a code, at least a
// bit per 8 x 8 block of a JPEG). So a small file claiming a huge picture
// costs neither seconds nor gigabytes, and one cut short is refused as such.
// `width` and `height` are the claimed size where the header was read
// already (0 otherwise); each check reads what else it needs itself.
// Formats without such a bound (TIFF, JPEG 2000, run-length BMP, whose
// deltas may skip any number of pixels) are kWhole, their cost bounded by
// the picture limit alone; but a TIFF whose layout stops the image library's
// decoder is kImpossible.
PixelData CheckPixelData(FREE_IMAGE_FORMAT format, FileBytes& bytes, std::uint64_t width, std::uint64_t height);

} // namespace velmora
