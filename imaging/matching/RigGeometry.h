// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>

namespace velmora {

// The lens corrections (RadialLens's k) a pair's alignment searches, from
// a strong barrel to a pincushion: a rig's lens is always among them.
inline constexpr struct {
    double from, to;
} kLensesSearched{-0.4, 0.2};

// Whether the lens `k` is among them (the search's steps may pass its ends
// by a rounding).
constexpr bool LensSearched(double k)
{
    constexpr double rounding = 1e-9;
    return k >= kLensesSearched.from - rounding && k <= kLensesSearched.to + rounding;
}

// What the pairs of one rig share: its lens (RadialLens's k) and both eyes'
// keystone, for pictures of one size. A repeated pattern filling one pair's
// frame can mislead that pair's alignment, but not the rig's other pairs.
// Kept free of OpenCV, so that a rig can be saved and read (RigFile.h)
// without it.
struct RigGeometry {
    int width = 0, height = 0;
    double lens = 0;
    // The keystone's numbers in KeystoneModel.h's order: the left eye's lean
    // and narrowing, the right eye's rise, scale, offset and narrowings
    // across and down.
    std::array<double, 7> keystone{0, 0, 0, 1, 0, 0, 0};
    int pairs = 0; // whose matched points agree with it: 1 for one pair's own

    bool operator==(const RigGeometry&) const = default;
};

} // namespace velmora
