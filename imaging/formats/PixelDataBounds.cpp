// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PixelDataBounds.h"

#include "imaging/formats/TiffDirectory.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace velmora {
namespace {

using U64 = std::uint64_t;

// The best expansion of the formats' compressions.
constexpr U64 kDeflateRatio = 1032;     // bytes out per byte in
constexpr U64 kLzwPixelsPerCode = 4096; // the longest string a 12-bit table holds
constexpr U64 kLzwLeastCodeBits = 3;    // the smallest code size a GIF may start with, plus one
constexpr U64 kPackBitsRun = 128;       // bytes one two-byte run packet repeats
constexpr U64 kSgiRun = 127;            // pixels one SGI run packet repeats
constexpr U64 kDxtBlockBytes = 8;       // the smallest compressed 4 x 4 block (DXT1)

U64 CeilDiv(U64 value, U64 by)
{
    return value / by + (value % by != 0);
}

// a * b, saturating: claims are 32-bit, but their products may not fit.
U64 Times(U64 a, U64 b)
{
    return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b;
}

PixelData AllThere(FileBytes& bytes, U64 at, U64 count)
{
    return bytes.Has(at, count) ? PixelData::kWhole : PixelData::kCutShort;
}

// Run-length data from `at`, `total` units to cover: `packet(at)` reads the
// packet there, returning how many units it covers and where the next one
// starts, or none when the file ends inside it.
template <typename Packet>
PixelData RunsCover(FileBytes& bytes, U64 at, U64 total, Packet packet)
{
    for (U64 covered = 0; covered < total;) {
        const auto read = packet(at);
        if (!read || read->second > bytes.Size())
            return PixelData::kCutShort;
        covered += read->first;
        at = read->second;
    }
    return PixelData::kWhole;
}

using Step = std::optional<std::pair<U64, U64>>; // units covered, next packet

PixelData Targa(FileBytes& bytes)
{
    const auto idLength = bytes.Byte(0), mapType = bytes.Byte(1), type = bytes.Byte(2);
    const auto mapLength = bytes.Little16(5), mapBits = bytes.Byte(7);
    const auto width = bytes.Little16(12), height = bytes.Little16(14), bits = bytes.Byte(16);
    if (!idLength || !mapType || !type || !mapLength || !mapBits || !width || !height || !bits)
        return PixelData::kCutShort;
    const U64 pixelBytes = CeilDiv(*bits, 8);
    const U64 at = 18 + U64{*idLength} + (*mapType == 1 ? U64{*mapLength} * CeilDiv(*mapBits, 8) : 0);
    const U64 pixels = U64{*width} * *height;
    if (*type >= 1 && *type <= 3)
        return AllThere(bytes, at, pixels * pixelBytes);
    if (*type < 9 || *type > 11)
        return PixelData::kWhole;
    // A header byte: its low seven bits plus one pixels, then one pixel to
    // repeat (high bit set) or that many pixels as they are.
    return RunsCover(bytes, at, pixels, [&](U64 packet) -> Step {
        const auto header = bytes.Byte(packet);
        if (!header)
            return std::nullopt;
        const U64 count = (*header & 0x7F) + 1;
        return Step({count, packet + 1 + ((*header & 0x80) ? pixelBytes : count * pixelBytes)});
    });
}

PixelData Pcx(FileBytes& bytes)
{
    const auto encoding = bytes.Byte(2);
    const auto xMin = bytes.Little16(4), yMin = bytes.Little16(6), xMax = bytes.Little16(8), yMax = bytes.Little16(10);
    const auto planes = bytes.Byte(65), lineBytes = bytes.Little16(66);
    if (!encoding || !xMin || !yMin || !xMax || !yMax || !planes || !lineBytes)
        return PixelData::kCutShort;
    if (*xMax < *xMin || *yMax < *yMin)
        return PixelData::kWhole; // the library refuses it
    const U64 total = U64{*planes} * *lineBytes * (*yMax - *yMin + 1);
    constexpr U64 kPixelsAt = 128;
    if (*encoding == 0)
        return AllThere(bytes, kPixelsAt, total);
    // A byte with both high bits set repeats the next byte its low six
    // bits' times; any other byte stands for itself.
    return RunsCover(bytes, kPixelsAt, total, [&](U64 packet) -> Step {
        const auto value = bytes.Byte(packet);
        if (!value)
            return std::nullopt;
        if ((*value & 0xC0) == 0xC0)
            return Step({*value & 0x3F, packet + 2});
        return Step({1, packet + 1});
    });
}

// The netpbm formats: "P1" to "P6", then width, height and (but for
// bitmaps) the largest value, as decimal text with comments from '#' to the
// end of the line; binary pixels follow one white-space character on.
class NetpbmText {
public:
    explicit NetpbmText(FileBytes& bytes) : bytes_(bytes) {}

    // The next number, skipping white space and comments; none when there
    // is none before the file ends.
    std::optional<U64> Number()
    {
        if (!SkipSpace())
            return std::nullopt;
        U64 value = 0;
        bool any = false;
        for (auto c = bytes_.Byte(at_); c && *c >= '0' && *c <= '9'; c = bytes_.Byte(++at_)) {
            value = std::min<U64>(value * 10 + (*c - '0'), UINT32_MAX);
            any = true;
        }
        return any ? std::optional<U64>(value) : std::nullopt;
    }

    // How many plain-text values follow, up to `wanted`: numbers, or each
    // 0 and 1 of a plain bitmap, which need no space between them.
    U64 CountValues(U64 wanted, bool bits)
    {
        U64 count = 0;
        while (count < wanted && SkipSpace()) {
            if (bits) {
                const auto c = bytes_.Byte(at_++);
                if (*c != '0' && *c != '1')
                    break;
                ++count;
            } else if (Number()) {
                ++count;
            } else {
                break;
            }
        }
        return count;
    }

    U64 At() const { return at_; }

private:
    bool SkipSpace()
    {
        for (auto c = bytes_.Byte(at_); c; c = bytes_.Byte(at_)) {
            if (*c == '#') {
                const auto end = bytes_.Find("\n", at_, bytes_.Size());
                if (!end)
                    return false;
                at_ = *end;
            } else if (*c == ' ' || *c == '\t' || *c == '\n' || *c == '\r' || *c == '\v' || *c == '\f') {
                ++at_;
            } else {
                return true;
            }
        }
        return false;
    }

    FileBytes& bytes_;
    U64 at_ = 2;
};

PixelData Netpbm(FileBytes& bytes)
{
    const auto letter = bytes.Byte(0), kind = bytes.Byte(1);
    if (!letter || !kind || *letter != 'P' || *kind < '1' || *kind > '6')
        return PixelData::kWhole;
    const int type = static_cast<int>(*kind - '0');
    const bool bitmap = type == 1 || type == 4;
    NetpbmText text(bytes);
    const auto width = text.Number(), height = text.Number();
    const auto largest = bitmap ? std::optional<U64>(1) : text.Number();
    if (!width || !height || !largest)
        return PixelData::kCutShort;
    const U64 channels = type == 3 || type == 6 ? 3 : 1;
    const U64 values = Times(Times(*width, *height), channels);
    if (type <= 3)
        return text.CountValues(values, type == 1) == values ? PixelData::kWhole : PixelData::kCutShort;
    const U64 sampleBytes = *largest > 255 ? 2 : 1;
    const U64 total = type == 4 ? Times(CeilDiv(*width, 8), *height) : Times(values, sampleBytes);
    return AllThere(bytes, text.At() + 1, total);
}

PixelData SunRaster(FileBytes& bytes)
{
    const auto width = bytes.Big32(4), height = bytes.Big32(8), depth = bytes.Big32(12);
    const auto type = bytes.Big32(20), mapLength = bytes.Big32(28);
    if (!width || !height || !depth || !type || !mapLength)
        return PixelData::kCutShort;
    const U64 rowBytes = CeilDiv(Times(*width, *depth), 16) * 2;
    const U64 total = Times(rowBytes, *height);
    const U64 at = 32 + U64{*mapLength};
    constexpr std::uint32_t kRunLength = 2;
    if (*type != kRunLength)
        return AllThere(bytes, at, total);
    // 0x80 escapes: 0x80 0 is one 0x80; 0x80 n v repeats v n + 1 times.
    return RunsCover(bytes, at, total, [&](U64 packet) -> Step {
        const auto value = bytes.Byte(packet);
        if (!value)
            return std::nullopt;
        if (*value != 0x80)
            return Step({1, packet + 1});
        const auto count = bytes.Byte(packet + 1);
        if (!count)
            return std::nullopt;
        return *count == 0 ? Step({1, packet + 2}) : Step({*count + 1, packet + 3});
    });
}

PixelData Sgi(FileBytes& bytes)
{
    const auto storage = bytes.Byte(2), bpc = bytes.Byte(3), dimension = bytes.Big16(4);
    const auto x = bytes.Big16(6), y = bytes.Big16(8), z = bytes.Big16(10);
    if (!storage || !bpc || !dimension || !x || !y || !z)
        return PixelData::kCutShort;
    const U64 rows = U64{*dimension < 2 ? 1 : *y} * (*dimension < 3 ? 1 : *z);
    constexpr U64 kPixelsAt = 512;
    if (*storage == 0)
        return AllThere(bytes, kPixelsAt, rows * *x * *bpc);
    // Tables of every row's start and length, then the rows: each needs a
    // count and a value for every run of up to 127 pixels, and an end.
    if (!bytes.Has(kPixelsAt, rows * 8))
        return PixelData::kCutShort;
    const U64 leastRow = *bpc * (2 * CeilDiv(*x, kSgiRun) + 1);
    for (U64 row = 0; row < rows; ++row) {
        const auto start = bytes.Big32(kPixelsAt + 4 * row), length = bytes.Big32(kPixelsAt + 4 * (rows + row));
        if (!bytes.Has(*start, *length))
            return PixelData::kCutShort;
        if (*length < leastRow)
            return PixelData::kImpossible;
    }
    return PixelData::kWhole;
}

PixelData Photoshop(FileBytes& bytes)
{
    const auto version = bytes.Big16(4), channels = bytes.Big16(12), height = bytes.Big32(14);
    const auto width = bytes.Big32(18), depth = bytes.Big16(22);
    if (!version || !channels || !height || !width || !depth)
        return PixelData::kCutShort;
    const bool large = *version == 2; // the large document format: 64-bit lengths and 32-bit row counts
    // The colour-mode, resources and layers sections, each after its length.
    U64 at = 26;
    for (int section = 0; section < 3; ++section) {
        const bool wide = large && section == 2;
        const std::optional<U64> length = wide ? bytes.Big64(at) : std::optional<U64>(bytes.Big32(at));
        if (!length)
            return PixelData::kCutShort;
        at += (wide ? 8 : 4);
        if (*length > bytes.Size() - std::min(at, bytes.Size()))
            return PixelData::kCutShort;
        at += *length;
    }
    const auto compression = bytes.Big16(at);
    if (!compression)
        return PixelData::kCutShort;
    at += 2;
    const U64 rowBytes = CeilDiv(Times(*width, *depth), 8);
    const U64 rows = U64{*channels} * *height;
    const U64 total = Times(rowBytes, rows);
    switch (*compression) {
    case 0: return AllThere(bytes, at, total);
    case 1: {
        // A table of every row's length, then PackBits rows.
        const U64 entry = large ? 4 : 2;
        if (!bytes.Has(at, Times(rows, entry)))
            return PixelData::kCutShort;
        const U64 leastRow = 2 * CeilDiv(rowBytes, kPackBitsRun);
        U64 sum = 0;
        for (U64 row = 0; row < rows; ++row) {
            const U64 length = *(large ? bytes.Big32(at + entry * row) : bytes.Big16(at + entry * row));
            if (length < leastRow)
                return PixelData::kImpossible;
            sum += length;
        }
        return AllThere(bytes, at + rows * entry, sum);
    }
    case 2:
    case 3:
        return Times(bytes.Size() - std::min(at, bytes.Size()), kDeflateRatio) >= total ? PixelData::kWhole
                                                                                          : PixelData::kImpossible;
    default: return PixelData::kWhole;
    }
}

// An X bitmap's pixels are hexadecimal numbers, a byte of eight pixels
// each; its decoder does not stop when they end too soon.
PixelData XBitmap(FileBytes& bytes, U64 width, U64 height)
{
    const U64 wanted = Times(CeilDiv(width, 8), height);
    const auto open = bytes.Find("{", 0, bytes.Size());
    if (!open)
        return PixelData::kCutShort;
    U64 found = 0;
    for (U64 at = *open; found < wanted; ++found) {
        const auto hex = bytes.Find("0x", at, bytes.Size());
        const auto upper = bytes.Find("0X", at, hex.value_or(bytes.Size()));
        const auto next = upper ? upper : hex;
        if (!next)
            break;
        at = *next + 2;
    }
    return found == wanted ? PixelData::kWhole : PixelData::kCutShort;
}

// The image library stops the whole program (a failed assertion) where it
// copies samples of a size it has no copy for: one-bit samples with more
// than one sample a pixel, and samples stored plane by plane (planar
// configuration 2) that are not 1, 2, 3, 4, 6, 8, 12 or 16 whole bytes
// (below a byte, none). No camera or editor writes such files; they are
// refused before the library sees them.
PixelData Tiff(FileBytes& bytes)
{
    const auto directory = FirstTiffDirectory(bytes);
    if (!directory)
        return PixelData::kWhole; // the library finds the file damaged itself
    constexpr std::uint32_t kBitsPerSample = 258, kSamplesPerPixel = 277, kPlanarConfiguration = 284;
    constexpr std::uint32_t kPlaneByPlane = 2;
    std::uint32_t bits = 1, samples = 1, planar = 1;
    for (const TiffDirectory::Entry& entry : directory->entries) {
        // All three are shorts; a list of more than two lies elsewhere, its first the one that counts.
        const U64 at = entry.count > 2 ? directory->Long(bytes, entry.valueAt).value_or(0) : entry.valueAt;
        const auto value = directory->Short(bytes, at);
        if (entry.tag == kBitsPerSample && value)
            bits = *value;
        else if (entry.tag == kSamplesPerPixel && value)
            samples = *value;
        else if (entry.tag == kPlanarConfiguration && value)
            planar = *value;
    }
    const auto copiedWhole = [](std::uint32_t sampleBits) {
        constexpr std::uint32_t kCopied[] = {1, 2, 3, 4, 6, 8, 12, 16}; // bytes
        return sampleBits % 8 == 0 &&
            std::find(std::begin(kCopied), std::end(kCopied), sampleBits / 8) != std::end(kCopied);
    };
    if ((bits == 1 && samples > 1) || (planar == kPlaneByPlane && !copiedWhole(bits)))
        return PixelData::kImpossible;
    return PixelData::kWhole;
}

} // namespace

PixelData CheckPixelData(FREE_IMAGE_FORMAT format, FileBytes& bytes, U64 width, U64 height)
{
    const U64 size = bytes.Size();
    switch (format) {
    case FIF_TARGA: return Targa(bytes);
    case FIF_PCX: return Pcx(bytes);
    case FIF_PBM:
    case FIF_PBMRAW:
    case FIF_PGM:
    case FIF_PGMRAW:
    case FIF_PPM:
    case FIF_PPMRAW: return Netpbm(bytes);
    case FIF_RAS: return SunRaster(bytes);
    case FIF_SGI: return Sgi(bytes);
    case FIF_PSD: return Photoshop(bytes);
    case FIF_XBM: return XBitmap(bytes, width, height);
    case FIF_TIFF: return Tiff(bytes);
    case FIF_WBMP: // at least four header bytes, then a bit a pixel
        return AllThere(bytes, 4, Times(CeilDiv(width, 8), height));
    case FIF_DDS: { // a 128-byte header, then at least 8 bytes a 4 x 4 block
        const U64 blocks = Times(CeilDiv(width, 4), CeilDiv(height, 4));
        return AllThere(bytes, 128, Times(blocks, kDxtBlockBytes));
    }
    case FIF_GIF: {
        const U64 codes = Times(size, 8) / kLzwLeastCodeBits;
        return Times(codes, kLzwPixelsPerCode) >= Times(width, height) ? PixelData::kWhole : PixelData::kImpossible;
    }
    case FIF_PNG: // a filter byte and at least a bit a pixel a row, through deflate
        return Times(size, kDeflateRatio) >= Times(height, 1 + CeilDiv(width, 8)) ? PixelData::kWhole
                                                                                 : PixelData::kImpossible;
    case FIF_JPEG: // a DC difference of at least one bit for every 8 x 8 block
        return Times(size, 8) >= Times(CeilDiv(width, 8), CeilDiv(height, 8)) ? PixelData::kWhole
                                                                               : PixelData::kImpossible;
    default: return PixelData::kWhole;
    }
}

} // namespace velmora
