// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/files/FileStatus.h"
#include "imaging/formats/ImageFile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

// How a depth image's levels stand for the distance, as the file says
// (the depth representation information HEVC carries with it).
enum class HeifDepthKind {
    kUnstated,            // the file says nothing
    kInverseDistance,     // uniform in 1 / distance
    kDisparity,           // uniform in disparity
    kDistance,            // uniform in the distance itself
    kNonuniformDisparity, // disparity along a curve of the file's own
};

// The depth image a HEIF file stores beside its primary picture, decoded
// as it is stored: its levels, and what the file says they mean.
struct HeifDepthImage {
    bool found = false; // the file has one; `status` says whether it was read
    FileStatus status;  // why the file or its depth image cannot be read
    int width = 0;
    int height = 0;
    std::vector<float> levels; // 0 (lowest code) to 1 (highest), rows from the top
    HeifDepthKind kind = HeifDepthKind::kUnstated;
    // The range stated for the levels, each only when the file gives it.
    std::optional<double> nearDistance, farDistance, lowestDisparity, highestDisparity;
};

// A HEIF file (a phone's HEIC, or AVIF) read through libheif: its boxes are
// read when it is opened, its pixels only when asked for, and only through
// the descriptor given, never past `fileSize`. The descriptor must stay open
// while the object lives.
class HeifFile {
public:
    HeifFile(int descriptor, std::uint64_t fileSize);
    ~HeifFile();
    HeifFile(HeifFile&&) noexcept;

    // Whether the boxes were read and name a primary picture; otherwise why
    // not: cut short (reasons::kCutShort), or damaged or not HEIF.
    const FileStatus& Status() const;

    // The primary picture's size, as it looks once turned and cropped as the
    // file says, against the limit (RunOptions::pictureLimit), before any
    // pixel is decoded.
    FileStatus CheckSize(std::uint64_t pictureLimit) const;
    // That size, width then height; 0 x 0 when the boxes could not be read.
    std::pair<int, int> Size() const;

    // The primary picture, checked as CheckSize does, decoded upright (the
    // file's turns and mirroring applied) into a 24-bit bitmap with no
    // resolution, as HEIF stores none: deeper pictures keep their high bits,
    // alpha is dropped. A compression this build of libheif has no decoder
    // for is named in the reason.
    ImageRead DecodePicture(const RunOptions& options);

    // The depth image stored with the primary picture, its size checked
    // against the limit before it is decoded; found false when there is none.
    HeifDepthImage DecodeDepth(std::uint64_t pictureLimit);

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

// The depth image of the HEIF file at `path`; found false, and a good
// status, when the file is no HEIF or stores no depth image.
HeifDepthImage ReadHeifDepthImage(const std::string& path, const RunOptions& options);

} // namespace velmora
