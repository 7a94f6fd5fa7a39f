// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>

namespace velmora::bmp {

// Where the fields of a BMP file lie from its start, in the file header and
// in the Windows info header after it (its later versions only add fields).
inline constexpr int kFileSize = 2;
inline constexpr int kPixelsAt = 10;
inline constexpr int kHeaderSize = 14;
inline constexpr int kWidth = 18;
inline constexpr int kHeight = 22;
inline constexpr int kBitsPerPixel = 28;
inline constexpr int kCompression = 30;
inline constexpr int kPixelsPerMetreX = 38;
inline constexpr int kPixelsPerMetreY = 42;

inline constexpr std::uint32_t kFileHeaderBytes = 14;
inline constexpr std::uint32_t kInfoHeaderBytes = 40;

// Compressions: none, and channels given by colour masks.
inline constexpr std::uint32_t kUncompressed = 0;
inline constexpr std::uint32_t kBitFields = 3;

// The sizes of the info header's later versions, V2 to V5.
constexpr bool IsLaterHeader(std::uint32_t size)
{
    return size == 52 || size == 56 || size == 108 || size == 124;
}

} // namespace velmora::bmp
