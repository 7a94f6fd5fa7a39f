// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/PlainBmpReader.h"

#include "imaging/LittleEndian.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace velmora {
namespace {

// Reads `count` bytes at `offset`; false when the file ends first or a read
// fails.
bool ReadFully(int descriptor, std::uint8_t* bytes, std::uint64_t count, std::uint64_t offset)
{
    while (count > 0) {
        const ssize_t got = pread(descriptor, bytes, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        count -= static_cast<std::uint64_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

} // namespace

std::optional<Bitmap> ReadPlainBmp(int descriptor)
{
    unsigned char header[54] = {};
    if (pread(descriptor, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header))
        return std::nullopt;
    // The later Windows headers (V4, V5) the library refuses with 24-bit
    // pixels; they stay its to refuse.
    constexpr std::uint32_t kInfoHeader = 40, kBitsPerPixel = 24, kUncompressed = 0;
    const auto width = static_cast<std::int32_t>(LittleEndianField(header, 18, 4));
    const auto height = static_cast<std::int32_t>(LittleEndianField(header, 22, 4));
    if (header[0] != 'B' || header[1] != 'M' || LittleEndianField(header, 14, 4) != kInfoHeader ||
        LittleEndianField(header, 28, 2) != kBitsPerPixel || LittleEndianField(header, 30, 4) != kUncompressed ||
        width <= 0 || height == 0 || height == INT_MIN)
        return std::nullopt;

    // Rows are stored from the bottom up, or from the top down when the
    // height is negative; in the bitmap they always go from the bottom up.
    const int rows = std::abs(height);
    Bitmap bitmap = NewImage(width, rows, kBitsPerPixel);
    if (!bitmap)
        return bitmap;
    const std::uint64_t pixelsAt = LittleEndianField(header, 10, 4);
    const std::uint64_t pitch = FreeImage_GetPitch(bitmap.get());
    bool complete = true;
    if (height > 0) {
        complete = ReadFully(descriptor, FreeImage_GetBits(bitmap.get()), pitch * rows, pixelsAt);
    } else {
        for (int row = 0; row < rows && complete; ++row)
            complete = ReadFully(descriptor, FreeImage_GetScanLine(bitmap.get(), rows - 1 - row), pitch,
                                 pixelsAt + pitch * row);
    }
    if (!complete)
        return Bitmap();
    FreeImage_SetDotsPerMeterX(bitmap.get(), LittleEndianField(header, 38, 4));
    FreeImage_SetDotsPerMeterY(bitmap.get(), LittleEndianField(header, 42, 4));
    return bitmap;
}

} // namespace velmora
