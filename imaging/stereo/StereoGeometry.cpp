// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/StereoGeometry.h"

#include "imaging/stereo/RoundHalfAway.h"

namespace velmora {

int SeriesShare(int value, int k, int count)
{
    return RoundHalfAway(static_cast<double>(value) * k / (count - 1));
}

StereoGeometry StereoGeometry::ShareOfSeries(int k, int count) const
{
    return {SeriesShare(parallax, k, count), SeriesShare(stereoWindow, k, count)};
}

} // namespace velmora
