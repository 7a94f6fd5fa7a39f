// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/JpegSegments.h"

#include <algorithm>

namespace velmora {

std::optional<std::pair<std::uint64_t, std::uint64_t>> FindJpegSegment(FileBytes& bytes, std::uint32_t marker,
                                                                       std::string_view id, std::uint64_t from)
{
    constexpr std::uint32_t kSoi = 0xD8, kSos = 0xDA, kEoi = 0xD9, kFill = 0xFF;
    if (bytes.Byte(0) != 0xFFu || bytes.Byte(1) != kSoi)
        return std::nullopt;
    for (std::uint64_t at = std::max<std::uint64_t>(from, 2); bytes.Has(at, 4);) {
        if (bytes.Byte(at) != 0xFFu)
            return std::nullopt;
        const std::uint32_t code = *bytes.Byte(at + 1);
        if (code == kFill) {
            ++at;
            continue;
        }
        if (code == kEoi || (code == kSos && marker != kSos))
            return std::nullopt;
        const auto length = bytes.Big16(at + 2);
        if (!length || *length < 2)
            return std::nullopt;
        const std::uint64_t end = at + 2 + *length;
        if (code == marker && end <= bytes.Size() && id.size() <= *length - 2u && bytes.Matches(at + 4, id))
            return std::make_pair(at + 4 + id.size(), end);
        at = end;
    }
    return std::nullopt;
}

} // namespace velmora
