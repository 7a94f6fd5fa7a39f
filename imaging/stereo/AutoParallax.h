// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>

namespace velmora {

// Dots per inch from pixels per metre, rounded: 2835 -> 72, 3780 -> 96, and
// anything below 20 -> 0 (no usable resolution).
int DotsPerInch(double pixelsPerMetre);

// The parallax between neighbouring views, in pixels: every 12 degrees of
// viewing angle stand for 3 mm of total parallax, turned into pixels at the
// picture's resolution and shared among the viewCount - 1 gaps between views.
// 12 degrees, 2 views, 72 dpi -> 9.
// None when there is no finite whole-number answer (one view divides by
// zero; an infinite angle) or it does not fit in an int.
std::optional<int> ComputeAutoParallax(int viewCount, double viewingAngle, int imageDpi);

} // namespace velmora
