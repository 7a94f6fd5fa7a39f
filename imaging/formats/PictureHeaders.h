// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/FileBytes.h"

#include <FreeImage.h>

#include <cstdint>
#include <optional>

namespace velmora {

// The size a picture claims, read from the header itself, for the formats
// whose FreeImage plugin cannot load a header without its pixels.
struct ClaimedSize {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint64_t bytesPerPixel = 0; // the most the format's decoder may use
};

// Read from the file's structure wherever it lies (a GIF's image after a
// long comment, a JP2 header after a large box). None when the header cannot
// be read, or for a format whose size this reader does not know (MNG,
// PICT): such files are not decoded.
std::optional<ClaimedSize> ReadClaimedSize(FREE_IMAGE_FORMAT format, FileBytes& bytes);

} // namespace velmora
