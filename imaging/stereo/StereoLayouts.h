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

// Writing two eyes in memory (a pair read from files, or a run's eyes):
// both in one picture (ComposeSideBySide) in settings.saveFormat; each into
// its own file and format; or both in one stereo MPO file (JPEGs of the
// options' quality) that cameras' viewers and other programs read. The
// right eye is given the settings' resolution. A failure shows its message.
bool WriteSideBySide(FIBITMAP* left, FIBITMAP* right, PairLayout layout, bool half, const std::string& outputPath,
                     const StereoSettings& settings, const RunOptions& options, ProgressSink& sink);
bool WriteEyes(FIBITMAP* left, FIBITMAP* right, const std::string& leftPath, int leftFormat,
               const std::string& rightPath, int rightFormat, const StereoSettings& settings, const RunOptions& options,
               ProgressSink& sink);
bool WriteEyesMpo(FIBITMAP* left, FIBITMAP* right, const std::string& path, const StereoSettings& settings,
                  const RunOptions& options, ProgressSink& sink);

// Both eyes in one picture (WriteSideBySide).
bool MakeSideBySide(const LayoutRun& run, PairLayout layout, bool half, const std::string& outputPath,
                    const StereoSettings& settings, const RunOptions& options, ProgressSink& sink);

// The left eye's picture (the view) and the right eye's (the picture as it
// is), each into its own file and format.
bool MakeEyePair(const LayoutRun& run, const std::string& leftPath, int leftFormat, const std::string& rightPath,
                 int rightFormat, const StereoSettings& settings, const RunOptions& options, ProgressSink& sink);

// Both eyes, as MakeEyePair makes them, in one stereo MPO file (WriteEyesMpo).
bool MakeStereoMpo(const LayoutRun& run, const std::string& path, const StereoSettings& settings,
                   const RunOptions& options, ProgressSink& sink);

// How many views a series has: two digits number them in its names.
inline constexpr int kFewestSeriesViews = 2;
inline constexpr int kMostSeriesViews = 64;

// How a series of views lies around the picture and is numbered.
struct SeriesPlan {
    // Files from the leftmost eye to the rightmost, as lenticular and
    // animation tools take them; else from the right (the picture) leftwards.
    bool leftToRight = true;
    // The picture in the middle, views shifted to both sides by half the
    // geometry each, so that no view has holes wider than half the
    // parallax's; else the picture at the right end and the last view with
    // the whole geometry.
    bool symmetric = false;

    // Whether file `file` of `count` is the picture itself, and else the
    // geometry of its view.
    bool IsPicture(int file, int count) const;
    StereoGeometry GeometryOf(const StereoGeometry& whole, int file, int count) const;

private:
    // The file's place counted from the picture's end of the series.
    int FromPicturesEnd(int file, int count) const { return leftToRight ? count - 1 - file : file; }
};

// paths.size() views for lenticular prints and animations, written in
// settings.saveFormat as `plan` says: the picture itself where its geometry
// is none, each other view made with its share of the run's geometry.
bool MakeViewSeries(const LayoutRun& run, const std::vector<std::string>& paths, const StereoSettings& settings,
                    const RunOptions& options, ProgressSink& sink, const SeriesPlan& plan = {});

} // namespace velmora
