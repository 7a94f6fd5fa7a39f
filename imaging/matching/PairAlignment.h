// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/matching/LensDistortion.h"
#include "imaging/matching/RigGeometry.h"
#include "imaging/picture/Bitmap.h"

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace velmora {

// How the eyes were brought onto common rows: the right eye turned, scaled
// and moved alone, or besides both eyes' keystones corrected.
enum class AlignmentModel { Similarity, Keystone };

// What straightening a pair did: the right eye turned by `angle` degrees
// clockwise as the picture is seen, about its top-left corner, scaled by
// `scale` and moved by `offsetX`, `offsetY` pixels (x to the right, y down);
// then both eyes cut to `cropWidth` x `cropHeight` from `cropX`, `cropY`
// (from the top left). A keystone correction warps both eyes besides: the
// angle and scale are then the right eye's at the picture's centre, the
// offsets where its top-left corner went.
struct Alignment {
    AlignmentModel model = AlignmentModel::Similarity;
    double angle = 0;
    double scale = 1;
    double offsetX = 0;
    double offsetY = 0;
    int cropX = 0, cropY = 0, cropWidth = 0, cropHeight = 0;
    double verticalError = 0; // median vertical distance of the matched points after alignment, pixels
    int matches = 0;          // matched points that agree with the model
    double similarityError = 0; // the same median had the right eye only been turned, scaled and moved
    // Where each eye's pixel (x, y) went before the cut: first where the lens
    // correction puts it (the same for both eyes), then through the eye's
    // homography, row by row.
    RadialLens lens;
    std::array<double, 9> leftWarp{1, 0, 0, 0, 1, 0, 0, 0, 1}, rightWarp{1, 0, 0, 0, 1, 0, 0, 0, 1};
    bool fromRig = false; // straightened from its rig's geometry (CommonRig), not from its own
};

// Where the alignment put an eye's pixel `p` (x, y) of the pair as given,
// before the cut.
std::array<double, 2> AlignedPoint(const Alignment& alignment, bool rightEye, std::array<double, 2> p);

struct AlignedPair {
    Bitmap left;
    Bitmap right;
    Alignment alignment;
};

// Straightens a stereo pair: features matched between the eyes (AKAZE, the
// ratio test) on copies of at most kMatchingSide pixels a side give the
// pair's epipolar geometry (RANSAC); matched again under it, the copies of a
// repeated pattern no longer compete, so a chessboard's corners count too.
// Where a pattern's copies one period off outnumber the scene's own matches,
// the geometry is sought from each row offset many matches share as well,
// and the one under which the most of the right eye's features find a
// look-alike on their rows wins: only the pair's own geometry finds the
// rest of the scene.
// A rotation, scale and vertical offset of the right eye are fitted by RANSAC
// to the matches' rows alone (their columns differ by depth), and a keystone
// correction of both eyes (KeystoneModel.h) to the matches the geometry
// agrees with; the keystone is taken when it leaves the rows clearly closer
// and keeps both frames' shape. A wide lens's bending (LensDistortion.h) is
// corrected in both eyes first when that brings the rows clearly closer
// still. The eyes are warped so that matching points
// lie on the same rows, the horizontal offset set so that the nearest matched
// point lies `windowMargin` pixels behind the screen (0: at it), and both eyes
// cut to their common valid area. The eyes must be 24-bit and of one size.
// Why not, when too few matches agree on a model (a flat picture, two
// unrelated photographs): a distorted pair is never made.
//
// With `rig`, the pair is also matched only near the rig's geometry and
// straightened from it, so that a pattern's copies never take over (the
// alignment says `fromRig`): even a pair refused on its own, when at least
// as many of its sure matches agree as any model needs. When the rig does
// not fit the pair (another size, too few matches near it, clearly fewer
// than its own alignment brings onto common rows), the pair is aligned as
// without. `own`, the pair's own alignment at this margin when it is known
// already (its RigSample's), is not sought again.
std::variant<AlignedPair, std::string> AlignPair(FIBITMAP* left, FIBITMAP* right, double windowMargin = 0,
                                                 const RigGeometry* rig = nullptr, const Alignment* own = nullptr);

// What one pair's own alignment says of its rig: the geometry found and the
// points matched under it, each left x, y, right x, y in the pair's pixels;
// and that alignment, for AlignPair when the pair is straightened.
struct RigSample {
    RigGeometry geometry;
    std::vector<std::array<double, 4>> matches;
    std::optional<Alignment> own; // none when the window margin leaves no cut
};

// The pair's sample, the same whatever the margin, with its own alignment at
// the stereo window `windowMargin` behind the nearest point; or why none
// (AlignPair's reasons).
std::variant<RigSample, std::string> SampleRig(FIBITMAP* left, FIBITMAP* right, double windowMargin = 0);

// The sample geometry that the most of all samples' matches agree with (of a
// bounded number of samples spread over them), refitted (lens and keystone)
// to the matches of the pairs that agree with it; none unless at least two
// pairs of one size do (as large a share of their matches as one pair's own
// geometry must gather). Ties go to the earlier sample, so the same samples
// in the same order always give the same rig.
std::optional<RigGeometry> CommonRig(const std::vector<RigSample>& samples);

inline constexpr int kMatchingSide = 1600;

} // namespace velmora
