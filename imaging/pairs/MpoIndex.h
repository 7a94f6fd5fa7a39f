// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/FileBytes.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace velmora {

// One picture of a multi-picture object: where its JPEG lies in the file.
struct MpImage {
    std::uint32_t attribute = 0; // flags and type code
    std::uint64_t at = 0;        // from the start of the file
    std::uint64_t size = 0;
    std::uint32_t width = 0, height = 0; // from its frame header; 0 where that could not be read

    std::uint32_t Type() const { return attribute & 0xFFFFFF; }
};

// The type codes of the pictures a stereo file is made of.
inline constexpr std::uint32_t kMpDisparity = 0x020002;
inline constexpr std::uint32_t kMpMultiAngle = 0x020003;
inline constexpr std::uint32_t kMpLargeThumbnail = 0x010001;
inline constexpr std::uint32_t kMpFullHdThumbnail = 0x010002;

// The MP Index of a multi-picture object (an MPO from a two-lens camera):
// the first JPEG's APP2 "MPF" segment holds a TIFF-like header (either
// byte order) and the index's entries of 16 bytes, whose offsets count from
// that header's byte-order mark. Every entry is checked to lie inside the
// file, and no two to overlap. The images in file order, each with its size
// where its frame header tells it, or why there are
// none. The walk over the JPEG's segments and the index is bounded by the
// file's size; nothing recurses.
std::variant<std::vector<MpImage>, std::string> ReadMpIndex(FileBytes& bytes);

// Whether the file is a JPEG with an MPF segment: a multi-picture object,
// whose index ReadMpIndex reads (or finds damaged).
bool HasMpIndex(FileBytes& bytes);

// The left and right eyes of a stereo object: its first two pictures of a
// multi-view type (disparity or multi-angle), else its first two that are
// no thumbnails when they are of one size (a phone's photo indexes its
// smaller gain map or depth image the same way); or why there are no two.
std::variant<std::pair<MpImage, MpImage>, std::string> StereoImages(const std::vector<MpImage>& images);

// A stereo multi-picture object made of two JPEG files (each starting with
// its SOI marker): both get an MPF segment after their JFIF one, the first
// with the MP Index and both with their attributes (individual image number,
// base viewpoint 1), so that other readers take them as a stereo pair.
std::vector<std::uint8_t> BuildStereoMpo(const std::vector<std::uint8_t>& left, const std::vector<std::uint8_t>& right);

} // namespace velmora
