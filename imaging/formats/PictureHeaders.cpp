// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PictureHeaders.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

namespace velmora {
namespace {

// Bounds-checked reading of the header bytes; every read past the end fails.
class HeaderBytes {
public:
    HeaderBytes(const std::uint8_t* start, std::size_t size) : start_(start), size_(size) {}

    bool Has(std::uint64_t offset, std::uint64_t count) const { return offset <= size_ && count <= size_ - offset; }
    std::optional<std::uint32_t> Byte(std::uint64_t at) const
    {
        return Has(at, 1) ? std::optional<std::uint32_t>(start_[at]) : std::nullopt;
    }
    std::optional<std::uint32_t> Little16(std::uint64_t at) const { return Number(at, 2, false); }
    std::optional<std::uint32_t> Big16(std::uint64_t at) const { return Number(at, 2, true); }
    std::optional<std::uint32_t> Little32(std::uint64_t at) const { return Number(at, 4, false); }
    std::optional<std::uint32_t> Big32(std::uint64_t at) const { return Number(at, 4, true); }
    bool Matches(std::uint64_t at, std::string_view text) const
    {
        return Has(at, text.size()) && std::memcmp(start_ + at, text.data(), text.size()) == 0;
    }
    // The first offset at or after `from` where `text` stands.
    std::optional<std::size_t> Find(std::string_view text, std::size_t from = 0) const
    {
        const std::string_view all(reinterpret_cast<const char*>(start_), size_);
        const std::size_t at = from < size_ ? all.find(text, from) : std::string_view::npos;
        return at == std::string_view::npos ? std::nullopt : std::optional<std::size_t>(at);
    }

private:
    std::optional<std::uint32_t> Number(std::uint64_t at, int count, bool bigEndian) const
    {
        if (!Has(at, count))
            return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i)
            value |= std::uint32_t{start_[at + i]} << 8 * (bigEndian ? count - 1 - i : i);
        return value;
    }

    const std::uint8_t* start_;
    std::size_t size_;
};

std::optional<ClaimedSize> Size(std::optional<std::uint32_t> width, std::optional<std::uint32_t> height,
                                std::uint64_t bytesPerPixel)
{
    if (!width || !height)
        return std::nullopt;
    return ClaimedSize{*width, *height, bytesPerPixel};
}

// The logical screen, widened to the first image when that is larger.
std::optional<ClaimedSize> GifSize(const HeaderBytes& bytes)
{
    auto size = Size(bytes.Little16(6), bytes.Little16(8), 4);
    const auto flags = bytes.Byte(10);
    if (!size || !flags)
        return std::nullopt;
    std::uint64_t at = 13 + ((*flags & 0x80) ? 3u << ((*flags & 7) + 1) : 0);
    for (;;) {
        const auto block = bytes.Byte(at);
        if (!block || *block == 0x3B) // no image in the header bytes: the screen is all there is
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
std::optional<std::uint32_t> WbmpNumber(const HeaderBytes& bytes, std::uint64_t& at)
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

std::optional<ClaimedSize> WbmpSize(const HeaderBytes& bytes)
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
std::optional<ClaimedSize> CodestreamSize(const HeaderBytes& bytes, std::uint64_t at)
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
// the codestream box the codestream. Both must be found in the header bytes,
// and the larger size of the two counts.
std::optional<ClaimedSize> Jp2Size(const HeaderBytes& bytes)
{
    std::optional<ClaimedSize> header, codestream;
    // Boxes from `at` to `end`: length (0: to the end), type, contents.
    const auto walk = [&](std::uint64_t at, std::uint64_t end, auto& self) -> void {
        while (at + 8 <= end) {
            const auto length = bytes.Big32(at);
            if (!length || (*length != 0 && *length < 8))
                return;
            const std::uint64_t next = *length == 0 ? end : at + *length;
            // A box cannot reach past the box it lies in; walked on, what
            // follows would be walked once more at every level of such
            // boxes, the work doubling with each.
            if (next > end)
                return;
            if (bytes.Matches(at + 4, "jp2h"))
                self(at + 8, next, self);
            else if (bytes.Matches(at + 4, "ihdr"))
                header = Size(bytes.Big32(at + 12), bytes.Big32(at + 8), 8);
            else if (bytes.Matches(at + 4, "jp2c"))
                codestream = CodestreamSize(bytes, at + 8);
            at = next;
        }
    };
    walk(0, UINT64_MAX, walk);
    if (!header || !codestream)
        return std::nullopt;
    return ClaimedSize{std::max(header->width, codestream->width), std::max(header->height, codestream->height), 8};
}

// The bitmap header chunk of an IFF picture.
std::optional<ClaimedSize> IffSize(const HeaderBytes& bytes)
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
std::optional<ClaimedSize> XbmSize(const HeaderBytes& bytes, const std::uint8_t* start, std::size_t size)
{
    auto numberAfter = [&](std::string_view key) -> std::optional<std::uint32_t> {
        const auto at = bytes.Find(key);
        if (!at)
            return std::nullopt;
        std::size_t i = *at + key.size();
        while (i < size && (start[i] == ' ' || start[i] == '\t'))
            ++i;
        std::uint64_t value = 0;
        const std::size_t first = i;
        for (; i < size && std::isdigit(start[i]) && value <= 0xFFFFFFFF; ++i)
            value = value * 10 + (start[i] - '0');
        if (i == first || value > 0xFFFFFFFF)
            return std::nullopt;
        return static_cast<std::uint32_t>(value);
    };
    return Size(numberAfter("_width"), numberAfter("_height"), 1);
}

} // namespace

std::optional<ClaimedSize> ReadClaimedSize(FREE_IMAGE_FORMAT format, const std::uint8_t* start, std::size_t size)
{
    const HeaderBytes bytes(start, size);
    switch (format) {
    case FIF_GIF: return GifSize(bytes);
    case FIF_SGI: return Size(bytes.Big16(6), bytes.Big16(8), 8);
    case FIF_DDS: return Size(bytes.Little32(16), bytes.Little32(12), 16);
    case FIF_WBMP: return WbmpSize(bytes);
    case FIF_J2K: return CodestreamSize(bytes, 0);
    case FIF_JP2: return Jp2Size(bytes);
    case FIF_IFF: return IffSize(bytes);
    case FIF_XBM: return XbmSize(bytes, start, size);
    case FIF_KOALA: return ClaimedSize{320, 200, 4}; // the format has one size
    default: return std::nullopt;
    }
}

} // namespace velmora
