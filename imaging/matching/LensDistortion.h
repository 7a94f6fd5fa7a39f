// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <optional>

namespace velmora {

// A wide lens bends straight lines (barrel) or pinches them (pincushion),
// more the further from the picture's centre: rows that a homography would
// straighten at the centre stay pixels apart at the edges. One number
// describes most lenses (the division model): a point the lens put at
// distance r from the centre, in units of half the picture's diagonal,
// belongs at distance r (1 + k m^2) / (1 + k r^2), m the distance of the
// longer sides' middles, the frame's points nearest the centre, so that
// those stay put. k < 0 straightens a barrel (the rest of the frame moves
// out, so the corrected picture still fills it), k > 0 a pincushion; 0 is
// none.
struct RadialLens {
    double k = 0;
    double centreX = 0, centreY = 0;
    double unit = 1; // half the diagonal, pixels
    double kept = 0; // m^2

    // How much the correction enlarges the picture at its centre.
    double CentreScale() const { return 1 + k * kept; }

    // Where a point the lens put at `seen` belongs.
    std::array<double, 2> Straightened(std::array<double, 2> seen) const;
    // Where the lens put the point that belongs at `straight`; none when no
    // point of the lens's view belongs there.
    std::optional<std::array<double, 2>> Seen(std::array<double, 2> straight) const;
};

// The lens correction `k` for pictures of `width` x `height` pixels.
RadialLens LensOf(double k, int width, int height);

} // namespace velmora
