// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/stereo/DepthMapFile.h"
#include "imaging/stereo/SideBySide.h"
#include "imaging/stereo/StereoGeometry.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/ProgressSink.h"

#include <string>
#include <vector>

namespace velmora {

// What a layout command makes its views from. As in the anaglyph, the
// synthesised view is the left eye's picture and the picture the right's.
struct LayoutRun {
    std::string imagePath;
    DepthMapFile depth{""};
    StereoGeometry geometry;
    int smoothingRadius = 0; // 0 or less: the depth map is used as it is
};

// Each routine reads the picture and depth map once, box-smooths the depth
// map when the radius is 1 or more, makes its views in memory and writes
// only its results, with settings.pixelsPerMetre as their resolution. A
// failing step shows its message and ends the run; returns whether every
// step succeeded.

// Both eyes in one picture (ComposeSideBySide), written in settings.saveFormat.
bool MakeSideBySide(const LayoutRun& run, PairLayout layout, bool half, const std::string& outputPath,
                    const StereoSettings& settings, const RunOptions& options, ProgressSink& sink);

// The left eye's picture (the view) and the right eye's (the picture as it
// is), each into its own file and format.
bool MakeEyePair(const LayoutRun& run, const std::string& leftPath, int leftFormat, const std::string& rightPath,
                 int rightFormat, const StereoSettings& settings, const RunOptions& options, ProgressSink& sink);

// Both eyes, as MakeEyePair makes them, in one stereo MPO file (JPEGs of
// the options' quality) that cameras' viewers and other programs read.
bool MakeStereoMpo(const LayoutRun& run, const std::string& path, const StereoSettings& settings,
                   const RunOptions& options, ProgressSink& sink);

// How many views a series has: two digits number them in its names.
inline constexpr int kFewestSeriesViews = 2;
inline constexpr int kMostSeriesViews = 64;

// paths.size() views for lenticular prints and animations, written in
// settings.saveFormat: view 0 is the picture itself, view k the view made
// with the geometry's ShareOfSeries.
bool MakeViewSeries(const LayoutRun& run, const std::vector<std::string>& paths, const StereoSettings& settings,
                    const RunOptions& options, ProgressSink& sink);

} // namespace velmora
