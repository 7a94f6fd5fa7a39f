// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PlainBmpReader.h"

#include "imaging/files/FileHandles.h"
#include "imaging/formats/BmpLayout.h"
#include "imaging/picture/RowPadding.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace velmora {
namespace {


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

} // namespace velmora
