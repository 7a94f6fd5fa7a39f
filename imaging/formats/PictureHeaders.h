// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <FreeImage.h>

#include <cstddef>
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

// `start` holds the first bytes of the file (64 KiB or the whole file when
// smaller). None when the header cannot be read there, or for a format whose
// size this reader does not know (MNG, PICT): such files are not decoded.
std::optional<ClaimedSize> ReadClaimedSize(FREE_IMAGE_FORMAT format, const std::uint8_t* start, std::size_t size);

inline constexpr std::size_t kHeaderBytes = 64 * 1024;

} // namespace velmora
