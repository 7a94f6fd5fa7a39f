// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace velmora {

// How far the views of a stereo picture lie apart: what the window's
// settings hold, what an output run takes when it starts, and what each view
// of a series is made with.
struct StereoGeometry {
    int parallax = 0;     // pixels between neighbouring views (the nearest level's shift); 0 = not set
    int stereoWindow = 0; // pixels; the level that keeps its column (stays in the plane of the screen)

    // View k of a series of `count` (k = 0 .. count - 1): both values'
    // SeriesShare, so the last view has the whole geometry and the first none.
    StereoGeometry ShareOfSeries(int k, int count) const;

    bool operator==(const StereoGeometry&) const = default;
};

// The parallax or stereo window of view k of `count`: value * k / (count - 1),
// rounded half away from zero, so that the last view has the full value.
int SeriesShare(int value, int k, int count);

} // namespace velmora
