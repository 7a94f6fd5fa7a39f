// SPDX-License-Identifier: GPL-3.0-or-later

// The claimed size of a picture read from its bytes, for the formats whose
// size the program reads itself, and the check of its pixel data against it;
// the resolution and orientation a file stores, which must be 1 to 8.
// The first byte is the format, as FreeImage numbers them (25: GIF, 31:
// JP2...), taken modulo the number of formats so that every byte names one;
// the rest is the file. Formats the reader does not know must simply give no
// size, and pass the pixel check unless it knows them.

#include "imaging/formats/PictureHeaders.h"
#include "imaging/formats/PixelDataBounds.h"
#include "imaging/formats/StoredOrientation.h"
#include "imaging/formats/StoredResolution.h"
#include "tests/fuzz/FuzzSupport.h"

#include <FreeImage.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const auto format = static_cast<FREE_IMAGE_FORMAT>(data[0] % (FIF_JXR + 1));
    velmora::FileBytes bytes(data + 1, size - 1);
    const auto claimed = velmora::ReadClaimedSize(format, bytes);
    (void)velmora::CheckPixelData(format, bytes, claimed ? claimed->width : 0, claimed ? claimed->height : 0);
    (void)velmora::HasStoredResolution(format, bytes);
    const int orientation = velmora::StoredOrientation(format, bytes);
    velmora::fuzz::Require(orientation >= 1 && orientation <= 8, "an orientation out of range");
    return 0;
}
