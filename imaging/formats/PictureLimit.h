// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/files/FileStatus.h"

#include <cstdint>

namespace velmora {

// The largest decoded bitmap a picture may need, in bytes. Pictures are
// checked against it from their header, before any pixel is allocated, so
// that a small file claiming a huge size is refused at once instead of
// exhausting memory. The default is an eighth of the physical memory (a run
// holds several bitmaps of the picture's size at once); no bitmap row may
// ever exceed 2^31 bytes.
std::uint64_t PictureSizeLimit();
std::uint64_t DefaultPictureSizeLimit();
void SetPictureSizeLimit(std::uint64_t bytes);

inline constexpr std::uint64_t kMaxRowBytes = std::uint64_t{1} << 31;

// Whether a bitmap of this size, with rows of `rowBytes`, may be decoded;
// kTooLarge with the sizes in words when not. The 24-bit copy that the
// processing converts every picture to is checked too.
FileStatus CheckPictureSize(std::uint64_t width, std::uint64_t height, std::uint64_t rowBytes);

} // namespace velmora
