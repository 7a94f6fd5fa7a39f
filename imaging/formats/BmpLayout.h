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
inline constexpr std::uint32_t kInfoEnd = kFileHeaderBytes + kInfoHeaderBytes;

// The OS/2 1.x header: 16-bit width, height and bits per pixel.
inline constexpr std::uint32_t kOs2HeaderBytes = 12;
inline constexpr int kOs2Width = 18;
inline constexpr int kOs2Height = 20;
inline constexpr int kOs2BitsPerPixel = 24;
inline constexpr std::uint32_t kOs2End = kFileHeaderBytes + kOs2HeaderBytes;

// The red, green and blue masks that follow the info header when the
// channels are given by them.
inline constexpr std::uint32_t kMaskBytes = 12;

// What the program reads of a BMP's start: the file and info headers and
// the masks, all that any of its readers looks at.
inline constexpr std::uint32_t kStartBytes = kInfoEnd + kMaskBytes;

// Compressions: none, and channels given by colour masks.
inline constexpr std::uint32_t kUncompressed = 0;
inline constexpr std::uint32_t kBitFields = 3;

// The sizes of the info header's later versions, V2 to V5.
constexpr bool IsLaterHeader(std::uint32_t size)
{
    return size == 52 || size == 56 || size == 108 || size == 124;
}

} // namespace velmora::bmp
