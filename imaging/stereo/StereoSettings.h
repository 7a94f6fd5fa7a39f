// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/SaveFormat.h"
#include "imaging/stereo/StereoGeometry.h"

namespace velmora {

// Anaglyph modes, as stored in StereoSettings::anaglyphMode. The window
// offers the first two; the others are the command line's.
enum AnaglyphMode : int { kAnaglyphColour = 0, kAnaglyphGrey = 1, kAnaglyphHalfColour = 2, kAnaglyphDubois = 3 };

// The stereo settings the main window keeps and the processing routines read.
// The initial values are the window's start state and the command line's
// defaults. No field is range-checked here.
struct StereoSettings {
    int viewCount = 2;            // views, only for the automatic parallax
    double viewingAngle = 12.0;   // degrees, only for the automatic parallax
    StereoGeometry geometry;      // parallax and stereo window
    bool autoParallax = true;
    int smoothingRadius = 3; // box smoothing of the depth map; 0 or less = none
    int anaglyphMode = kAnaglyphGrey;
    int saveFormat = kSaveBmp;
    bool deleteTempFiles = true;
    bool previewImages = true;
    double pixelsPerMetre = 0.0;  // horizontal resolution of the opened picture
};

} // namespace velmora
