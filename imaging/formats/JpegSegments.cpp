// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/JpegSegments.h"

#include <algorithm>

namespace velmora {

namespace {

constexpr std::uint32_t kSoi = 0xD8, kSos = 0xDA, kEoi = 0xD9, kFill = 0xFF;

// The first segment of the JPEG starting at `start` that `wanted(code,
// contents, end)` takes, walking from `from`: where its contents begin (after
// marker and length) and where it ends. The walk stops at the scan, whose
// segment only a caller that wants it takes.
template <typename Wanted>
std::optional<std::pair<std::uint64_t, std::uint64_t>> FindSegment(FileBytes& bytes, std::uint64_t start,
                                                                    std::uint64_t from, Wanted wanted)
{
    if (bytes.Byte(start) != 0xFFu || bytes.Byte(start + 1) != kSoi)
        return std::nullopt;
    for (std::uint64_t at = std::max(from, start + 2); bytes.Has(at, 4);) {
        if (bytes.Byte(at) != 0xFFu)
            return std::nullopt;
        const std::uint32_t code = *bytes.Byte(at + 1);
        if (code == kFill) {
            ++at;
            continue;
        }
        if (code == kEoi)
            return std::nullopt;
        const auto length = bytes.Big16(at + 2);
        if (!length || *length < 2)
            return std::nullopt;
        const std::uint64_t end = at + 2 + *length;
        if (end <= bytes.Size() && wanted(code, at + 4, end))
            return std::make_pair(at + 4, end);
        if (code == kSos)
            return std::nullopt;
        at = end;
    }
    return std::nullopt;
}

// The start-of-frame markers, which give a picture's size: all of 0xC0 to
// 0xCF but the Huffman and arithmetic coding tables and the reserved one.
bool IsFrameHeader(std::uint32_t code)
{
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

} // namespace

std::optional<std::pair<std::uint64_t, std::uint64_t>> FindJpegSegment(FileBytes& bytes, std::uint32_t marker,
                                                                       std::string_view id, std::uint64_t from)
{
    auto found = FindSegment(bytes, 0, from, [&](std::uint32_t code, std::uint64_t contents, std::uint64_t end) {
        return code == marker && id.size() <= end - contents && bytes.Matches(contents, id);
    });
    if (found)
        found->first += id.size();
    return found;
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> JpegFrameSize(FileBytes& bytes, std::uint64_t start)
{
    // After the sample precision: the height, then the width.
    const auto frame =
        FindSegment(bytes, start, start + 2, [](std::uint32_t code, std::uint64_t contents, std::uint64_t end) {
            return IsFrameHeader(code) && end - contents >= 5;
        });
    const auto height = frame ? bytes.Big16(frame->first + 1) : std::nullopt;
    const auto width = frame ? bytes.Big16(frame->first + 3) : std::nullopt;
    if (!width || !height || *width == 0 || *height == 0)
        return std::nullopt;
    return std::make_pair(*width, *height);
}

} // namespace velmora
