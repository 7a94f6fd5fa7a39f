// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PngChunks.h"

namespace velmora {

std::optional<std::uint64_t> FindPngChunk(FileBytes& bytes, std::string_view type, bool beforePixels)
{
    // Length and type before the data, its CRC after.
    constexpr std::uint64_t kSignature = 8, kChunkHead = 8, kChunkFraming = 12;
    for (std::uint64_t at = kSignature; bytes.Has(at, kChunkHead);) {
        const auto length = bytes.Big32(at);
        if (bytes.Matches(at + 4, type))
            return at + kChunkHead;
        if ((beforePixels && bytes.Matches(at + 4, "IDAT")) || bytes.Matches(at + 4, "IEND"))
            return std::nullopt;
        at += kChunkFraming + *length;
    }
    return std::nullopt;
}

} // namespace velmora
