// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/FileBytes.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace velmora {

// The first marker segment `marker` (0xE2 for APP2...) of a JPEG file's
// header whose contents start with `id`: where its contents after the id
// begin and where the segment ends. The walk goes from segment to segment up
// to the start of the scan (whose own segment, 0xDA, ends where the
// entropy-coded data begins), so it is bounded by the file's size; none when
// the file is no JPEG, its segments are damaged or none matches. The walk
// starts at `from`, the start of a segment: the end of one found before, to
// find the next.
std::optional<std::pair<std::uint64_t, std::uint64_t>> FindJpegSegment(FileBytes& bytes, std::uint32_t marker,
                                                                       std::string_view id, std::uint64_t from = 2);

// The width and height in the frame header of the JPEG starting at `start`
// (0 for a file's first picture); none when its segments are damaged or no
// frame header comes before the scan, or the header leaves its height to
// the scan (0).
std::optional<std::pair<std::uint32_t, std::uint32_t>> JpegFrameSize(FileBytes& bytes, std::uint64_t start);

} // namespace velmora
