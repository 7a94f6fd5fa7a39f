// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PlainBmpReader.h"

#include "imaging/files/FileHandles.h"
#include "imaging/formats/BmpLayout.h"
#include "imaging/picture/ByteRows.h"
#include "imaging/picture/RowPadding.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace velmora {
namespace {

// Rows read at once by the channel reader: a megabyte's worth, or one row.
constexpr std::uint64_t kBandBytes = std::uint64_t{1} << 20;

// The info header and its later versions (V2 to V5). Without compression
// their colour masks do not apply: 24-bit pixels are blue, green, red.
bool IsWindowsHeader(std::uint32_t size)
{
    return size == bmp::kInfoHeaderBytes || bmp::IsLaterHeader(size);
}

} // namespace

int PlainBmpHeader::Rows() const
{
    return std::abs(height);
}

std::uint64_t PlainBmpHeader::RowBytes() const
{
    return PaddedRowBytes(static_cast<std::uint64_t>(width), 24);
}

std::optional<PlainBmpHeader> PlainBmpOf(const BmpHeader& bmp)
{
    constexpr std::uint32_t kBitsPerPixel = 24;
    if (!bmp.signature || bmp.bytesRead < bmp::kInfoEnd || !IsWindowsHeader(bmp.headerSize) ||
        bmp.bitsPerPixel != kBitsPerPixel || bmp.compression != bmp::kUncompressed || bmp.width <= 0 ||
        bmp.height == 0 || bmp.height == INT_MIN)
        return std::nullopt;
    PlainBmpHeader header;
    header.width = static_cast<std::int32_t>(bmp.width);
    header.height = static_cast<std::int32_t>(bmp.height);
    header.pixelsAt = bmp.pixelsAt;
    header.pixelsPerMetreX = bmp.pixelsPerMetreX;
    header.pixelsPerMetreY = bmp.pixelsPerMetreY;
    return header;
}

Bitmap ReadPlainBmp(int descriptor, const PlainBmpHeader& header)
{
    // Rows are stored from the bottom up, or from the top down when the
    // height is negative; in the bitmap they always go from the bottom up.
    const int rows = header.Rows();
    Bitmap bitmap = NewImage(header.width, rows, 24);
    if (!bitmap)
        return bitmap;
    const std::uint64_t pitch = header.RowBytes();
    bool complete = true;
    if (header.height > 0) {
        complete = ReadFully(descriptor, FreeImage_GetBits(bitmap.get()), pitch * rows, header.pixelsAt);
    } else {
        for (int row = 0; row < rows && complete; ++row)
            complete = ReadFully(descriptor, FreeImage_GetScanLine(bitmap.get(), rows - 1 - row), pitch,
                                 header.pixelsAt + pitch * row);
    }
    if (!complete)
        return {};
    FreeImage_SetDotsPerMeterX(bitmap.get(), static_cast<unsigned>(header.pixelsPerMetreX));
    FreeImage_SetDotsPerMeterY(bitmap.get(), static_cast<unsigned>(header.pixelsPerMetreY));
    return bitmap;
}

BytePlane ReadPlainBmpChannel(int descriptor, const PlainBmpHeader& header, int channel)
{
    const int rows = header.Rows();
    BytePlane plane(header.width, rows);
    const std::uint64_t pitch = header.RowBytes();
    const int bandRows = static_cast<int>(std::clamp<std::uint64_t>(kBandBytes / pitch, 1, rows));
    std::vector<std::uint8_t> band(pitch * static_cast<std::uint64_t>(bandRows));
    // Stored row s is the picture's row s from the bottom, or from the top
    // when the height is negative.
    for (int first = 0; first < rows; first += bandRows) {
        const int count = std::min(bandRows, rows - first);
        if (!ReadFully(descriptor, band.data(), pitch * static_cast<std::uint64_t>(count),
                       header.pixelsAt + pitch * static_cast<std::uint64_t>(first)))
            return {};
        for (int i = 0; i < count; ++i) {
            const int stored = first + i;
            GatherBytes(band.data() + pitch * static_cast<std::uint64_t>(i) + channel, 3,
                        plane.Row(header.height > 0 ? stored : rows - 1 - stored), header.width);
        }
    }
    return plane;
}

} // namespace velmora
