// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/files/FileStatus.h"
#include "imaging/formats/FileBytes.h"
#include "imaging/picture/Bitmap.h"

#include <optional>
#include <string>

namespace velmora {

// How the two eyes share one picture.
struct PairHalves {
    bool sideBySide = true; // else one above the other
    bool leftFirst = false; // the left eye on the left (above); cross-eyed pictures put the right eye there
};

inline constexpr PairHalves kParallelHalves{true, true};
inline constexpr PairHalves kCrossHalves{true, false};
inline constexpr PairHalves kTopBottomHalves{false, true};

// Whether the name is of a picture of both eyes cross-eyed: .jps (a JPEG)
// or .pns (a PNG), in any case.
bool IsCrossEyedName(const std::string& path);

// Whether the file holds both eyes by its own account: an MPO whose MP index
// names two views, a JPEG with a JPS descriptor, or a file named .jps or
// .pns. An ordinary camera's or phone's JPEG whose index holds only its
// preview, gain map or depth image, or no longer fits the file, is none.
bool IsStereoFile(const std::string& path);

// The halves a JPS file's "_JPSJPS_" APP3 descriptor gives; none when it has
// none, or it describes no stereo picture in halves (interleaved rows,
// anaglyph, mono).
std::optional<PairHalves> JpsHalves(FileBytes& bytes);

// Where a pair's eyes come from: one stereo file (an MPO from a two-lens
// camera; a JPS or PNS; any picture of both eyes with `halves`) or two files.
struct PairSource {
    std::string stereo;
    std::optional<PairHalves> halves; // for a picture of both eyes; JPS and PNS files say it themselves
    std::string left;
    std::string right;
};

// A pair's eyes as 24-bit bitmaps, or why there are none ("its eyes differ
// in size: 640 x 480 and 640 x 482", "a single picture, not a stereo pair").
struct PairRead {
    Bitmap left;
    Bitmap right;
    std::string problem;
    // With a problem: kTooLarge when an eye's pixels would not fit within
    // the picture size limit, kUnreadable otherwise.
    FileProblem kind = FileProblem::kNone;
};

// Reads both eyes. An MPO's first two views are the left and right eye,
// each read as any JPEG is (size limit, cut-short check); a picture of both
// eyes is split in its halves, which must be of one size; eyes of different
// sizes are refused, never cropped.
PairRead ReadStereoPair(const PairSource& source, const RunOptions& options);

// Writes the eyes as a stereo MPO: each a JPEG of the options' quality,
// colour at full resolution, with the MP index and attributes other readers
// need; the file is replaced at once, or left as it was.
FileStatus WriteStereoMpo(FIBITMAP* left, FIBITMAP* right, const std::string& path, const RunOptions& options);

} // namespace velmora
