// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/JpegXmp.h"

#include "imaging/formats/JpegSegments.h"

#include <vector>

namespace velmora {
namespace {

constexpr std::uint32_t kApp1 = 0xE1;
constexpr std::string_view kMainId {"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kExtensionId {"http://ns.adobe.com/xmp/extension/\0", 35};
constexpr std::uint64_t kGuidLength = 32;
constexpr std::uint64_t kChunkHeader = kGuidLength + 8; // GUID, full length, offset

ExtendedXmpRead Problem(std::string problem) { return {std::string(), std::move(problem)}; }

} // namespace

std::optional<std::string> ReadByteRange(FileBytes& bytes, std::uint64_t at, std::uint64_t count)
{
    if (!bytes.Has(at, count))
        return std::nullopt;
    std::string range(static_cast<std::size_t>(count), '\0');
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto byte = bytes.Byte(at + i);
        if (!byte)
            return std::nullopt;
        range[static_cast<std::size_t>(i)] = static_cast<char>(*byte);
    }
    return range;
}

std::optional<std::string> ReadMainXmp(FileBytes& bytes)
{
    const auto segment = FindJpegSegment(bytes, kApp1, kMainId);
    if (!segment)
        return std::nullopt;
    return ReadByteRange(bytes, segment->first, segment->second - segment->first);
}

ExtendedXmpRead ReadExtendedXmp(FileBytes& bytes, std::string_view guid)
{
    if (guid.size() != kGuidLength)
        return Problem("its extended XMP is named by a GUID that is not 32 characters long");
    std::optional<std::uint32_t> fullLength;
    std::string packet;
    std::vector<bool> placed;
    for (auto segment = FindJpegSegment(bytes, kApp1, kExtensionId); segment;
         segment = FindJpegSegment(bytes, kApp1, kExtensionId, segment->second)) {
        const auto [at, end] = *segment;
        if (!bytes.Matches(at, guid))
            continue;
        const auto length = bytes.Big32(at + kGuidLength), offset = bytes.Big32(at + kGuidLength + 4);
        if (end - at < kChunkHeader || !length || !offset)
            return Problem("a chunk of its extended XMP is cut short");
        if (!fullLength) {
            if (*length > bytes.Size())
                return Problem("its extended XMP claims " + std::to_string(*length) +
                               " bytes, more than the whole file holds");
            fullLength = *length;
            packet.assign(*length, '\0');
            placed.assign(*length, false);
        } else if (*length != *fullLength) {
            return Problem("the chunks of its extended XMP disagree on its length");
        }
        const std::uint64_t chunk = end - at - kChunkHeader;
        if (*offset > *fullLength || chunk > *fullLength - *offset)
            return Problem("a chunk of its extended XMP reaches past the length it gives");
        for (std::uint64_t i = 0; i < chunk; ++i) {
            const auto byte = bytes.Byte(at + kChunkHeader + i);
            const std::size_t to = static_cast<std::size_t>(*offset + i);
            if (!byte || (placed[to] && packet[to] != static_cast<char>(*byte)))
                return Problem("chunks of its extended XMP overlap and disagree");
            packet[to] = static_cast<char>(*byte);
            placed[to] = true;
        }
    }
    if (!fullLength)
        return Problem("its extended XMP, which its XMP names, is not in the file");
    for (const bool part : placed)
        if (!part)
            return Problem("its extended XMP is cut short: parts of it are missing");
    return {std::move(packet), std::string()};
}

} // namespace velmora
