// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/files/FileStatus.h"

#include <cstdint>

namespace velmora {

// No bitmap row may ever exceed 2^31 bytes, whatever the picture limit.
inline constexpr std::uint64_t kMaxRowBytes = std::uint64_t{1} << 31;

// Whether a bitmap of this size, with rows of `rowBytes`, may be decoded
// within `limit` bytes (RunOptions::pictureLimit); kTooLarge with the sizes
// in words when not. Pictures are checked from their header, before any
// pixel is allocated, so that a small file claiming a huge size is refused
// at once instead of exhausting memory. The 24-bit copy that the processing
// converts every picture to is checked too.
FileStatus CheckPictureSize(std::uint64_t width, std::uint64_t height, std::uint64_t rowBytes, std::uint64_t limit);

} // namespace velmora
