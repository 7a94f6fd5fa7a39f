// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/BmpHeader.h"

#include "imaging/formats/LittleEndian.h"

#include <unistd.h>

namespace velmora {

std::optional<BmpHeader> ReadBmpHeader(int descriptor)
{
    BmpHeader header;
    const ssize_t got = pread(descriptor, header.bytes, sizeof header.bytes, 0);
    if (got < 0)
        return std::nullopt;
    header.bytesRead = static_cast<std::uint32_t>(got);
    header.signature = got >= 2 && header.bytes[0] == 'B' && header.bytes[1] == 'M';
    const unsigned char* bytes = header.bytes;
    header.pixelsAt = LittleEndianField(bytes, bmp::kPixelsAt, 4);
    header.headerSize = LittleEndianField(bytes, bmp::kHeaderSize, 4);
    if (header.headerSize == bmp::kOs2HeaderBytes) {
        // 16-bit width and height, never compressed.
        header.width = LittleEndianField(bytes, bmp::kOs2Width, 2);
        header.height = LittleEndianField(bytes, bmp::kOs2Height, 2);
        header.bitsPerPixel = LittleEndianField(bytes, bmp::kOs2BitsPerPixel, 2);
        return header;
    }
    header.width = static_cast<std::int32_t>(LittleEndianField(bytes, bmp::kWidth, 4));
    header.height = static_cast<std::int32_t>(LittleEndianField(bytes, bmp::kHeight, 4));
    header.bitsPerPixel = LittleEndianField(bytes, bmp::kBitsPerPixel, 2);
    if (header.headerSize >= bmp::kCompression + 4 - bmp::kFileHeaderBytes)
        header.compression = LittleEndianField(bytes, bmp::kCompression, 4);
    header.pixelsPerMetreX = static_cast<std::int32_t>(LittleEndianField(bytes, bmp::kPixelsPerMetreX, 4));
    header.pixelsPerMetreY = static_cast<std::int32_t>(LittleEndianField(bytes, bmp::kPixelsPerMetreY, 4));
    return header;
}

} // namespace velmora
