// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PictureHeaders.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace velmora {
namespace {

std::optional<ClaimedSize> Size(std::optional<std::uint32_t> width, std::optional<std::uint32_t> height,
                                std::uint64_t bytesPerPixel)
{
    if (!width || !height)
        return std::nullopt;
    return ClaimedSize{*width, *height, bytesPerPixel};
}

// The logical screen, widened to the first image when that is larger.
std::optional<ClaimedSize> GifSize(FileBytes& bytes)
{
    auto size = Size(bytes.Little16(6), bytes.Little16(8), 4);
    const auto flags = bytes.Byte(10);
    if (!size || !flags)
        return std::nullopt;
    std::uint64_t at = 13 + ((*flags & 0x80) ? 3u << ((*flags & 7) + 1) : 0);
    for (;;) {
        const auto block = bytes.Byte(at);
        if (!block || *block == 0x3B) // no image in the file: the screen is all there is
            return block ? size : std::nullopt;
        if (*block == 0x2C) {
            const auto left = bytes.Little16(at + 1), top = bytes.Little16(at + 3);
            const auto width = bytes.Little16(at + 5), height = bytes.Little16(at + 7);
            if (!left || !top || !width || !height)
                return std::nullopt;
            size->width = std::max<std::uint64_t>(size->width, std::uint64_t{*left} + *width);
            size->height = std::max<std::uint64_t>(size->height, std::uint64_t{*top} + *height);
            return size;
        }
        if (*block != 0x21)
            return std::nullopt;
        at += 2; // extension introducer and label, then sub-blocks up to an empty one
        for (auto length = bytes.Byte(at); length && *length != 0; length = bytes.Byte(at))
            at += *length + 1;
        if (!bytes.Has(at, 1))
            return std::nullopt;
        at += 1;
    }
}

// A WAP bitmap's numbers: seven bits a byte, the high bit saying more follow.
std::optional<std::uint32_t> WbmpNumber(FileBytes& bytes, std::uint64_t& at)
{
    std::uint64_t value = 0;
    for (int i = 0; i < 5; ++i) {
        const auto byte = bytes.Byte(at++);
        if (!byte)
            return std::nullopt;
        value = value << 7 | (*byte & 0x7F);
        if (!(*byte & 0x80))
            return value <= 0xFFFFFFFF ? std::optional<std::uint32_t>(value) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<ClaimedSize> WbmpSize(FileBytes& bytes)
{
    std::uint64_t at = 0;
    const auto type = WbmpNumber(bytes, at);
    const auto fixedHeader = bytes.Byte(at++);
    if (!type || !fixedHeader || (*fixedHeader & 0x80)) // extension headers are not read here
        return std::nullopt;
    const auto width = WbmpNumber(bytes, at);
    const auto height = WbmpNumber(bytes, at);
    return Size(width, height, 1);
}

// A JPEG 2000 codestream, which starts with its SIZ marker segment: the
// image area reaches from its offset to its extent on each axis.
std::optional<ClaimedSize> CodestreamSize(FileBytes& bytes, std::uint64_t at)
{
    if (!bytes.Matches(at, "\xFF\x4F\xFF\x51"))
        return std::nullopt;
    const auto xExtent = bytes.Big32(at + 8), yExtent = bytes.Big32(at + 12);
    const auto xOffset = bytes.Big32(at + 16), yOffset = bytes.Big32(at + 20);
    if (!xExtent || !yExtent || !xOffset || !yOffset || *xOffset > *xExtent || *yOffset > *yExtent)
        return std::nullopt;
    return ClaimedSize{*xExtent - *xOffset, *yExtent - *yOffset, 8};
}

// A JP2 file is a row of boxes: the header box holds the image header box,
// the codestream box the codestream. Both must be found, and the larger size
// of the two counts. Boxes are walked in a loop, the header box's own once,
// so no nesting in a file can make the walk go deeper.
std::optional<ClaimedSize> Jp2Size(FileBytes& bytes)
{
    std::optional<ClaimedSize> header, codestream;
    // Boxes from `at` to `end`: length (0: to the end; 1: a 64-bit length
    // follows the type), type, contents. Calls `visit(type at, contents at,
    // next box at)` for each.
    const auto walk = [&](std::uint64_t at, std::uint64_t end, const auto& visit) {
        while (at < end && 8 <= end - at) {
            const auto length = bytes.Big32(at);
            std::uint64_t boxLength = length.value_or(0);
            std::uint64_t contents = at + 8;
            if (length && *length == 1) {
                boxLength = bytes.Big64(at + 8).value_or(0);
                contents = at + 16;
            }
            if (!length || (*length != 0 && boxLength < contents - at) || (*length != 0 && boxLength > end - at))
                return;
            const std::uint64_t next = *length == 0 ? end : at + boxLength;
            visit(at + 4, contents, next);
            at = next;
        }
    };
    walk(0, bytes.Size(), [&](std::uint64_t type, std::uint64_t contents, std::uint64_t next) {
        if (bytes.Matches(type, "jp2h")) {
            walk(contents, next, [&](std::uint64_t innerType, std::uint64_t innerContents, std::uint64_t) {
                if (bytes.Matches(innerType, "ihdr"))
                    header = Size(bytes.Big32(innerContents + 4), bytes.Big32(innerContents), 8);
            });
        } else if (bytes.Matches(type, "jp2c")) {
            codestream = CodestreamSize(bytes, contents);
        }
    });
    if (!header || !codestream)
        return std::nullopt;
    return ClaimedSize{std::max(header->width, codestream->width), std::max(header->height, codestream->height), 8};
}

// The bitmap header chunk of an IFF picture.
std::optional<ClaimedSize> IffSize(FileBytes& bytes)
{
    if (!bytes.Matches(0, "FORM"))
        return std::nullopt;
    for (std::uint64_t at = 12; bytes.Has(at, 8);) {
        const auto length = bytes.Big32(at + 4);
        if (bytes.Matches(at, "BMHD"))
            return Size(bytes.Big16(at + 8), bytes.Big16(at + 10), 4);
        at += 8 + std::uint64_t{*length} + (*length & 1);
    }
    return std::nullopt;
}

// "#define name_width 16" and "#define name_height 16".
std::optional<ClaimedSize> XbmSize(FileBytes& bytes)
{
    auto numberAfter = [&](std::string_view key) -> std::optional<std::uint32_t> {
        const auto at = bytes.Find(key, 0, bytes.Size());
        if (!at)
            return std::nullopt;
        std::uint64_t i = *at + key.size();
        for (auto c = bytes.Byte(i); c && (*c == ' ' || *c == '\t'); c = bytes.Byte(++i)) {
        }
        std::uint64_t value = 0;
        const std::uint64_t first = i;
        for (auto c = bytes.Byte(i); c && std::isdigit(static_cast<int>(*c)) && value <= 0xFFFFFFFF; c = bytes.Byte(++i))
            value = value * 10 + (*c - '0');
        if (i == first || value > 0xFFFFFFFF)
            return std::nullopt;
        return static_cast<std::uint32_t>(value);
    };
    return Size(numberAfter("_width"), numberAfter("_height"), 1);
}

} // namespace

std::optional<ClaimedSize> ReadClaimedSize(FREE_IMAGE_FORMAT format, FileBytes& bytes)
{
    switch (format) {
    case FIF_GIF: return GifSize(bytes);
    case FIF_SGI: return Size(bytes.Big16(6), bytes.Big16(8), 8);
    case FIF_DDS: return Size(bytes.Little32(16), bytes.Little32(12), 16);
    case FIF_WBMP: return WbmpSize(bytes);
    case FIF_J2K: return CodestreamSize(bytes, 0);
    case FIF_JP2: return Jp2Size(bytes);
    case FIF_IFF: return IffSize(bytes);
    case FIF_XBM: return XbmSize(bytes);
    case FIF_KOALA: return ClaimedSize{320, 200, 4}; // the format has one size
    default: return std::nullopt;
    }
}

} // namespace velmora
