// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/matching/FeatureMatching.h"

#include <opencv2/core.hpp>

#include <optional>
#include <vector>

// Straightening a pair whose cameras converge: each eye needs a keystone
// correction of its own, which no turn of one eye replaces.
namespace velmora {

// Where each eye's pixels go in the straightened pair (x right, y down, from
// the top left), one homography each.
struct EyeWarps {
    cv::Matx33d left = cv::Matx33d::eye(), right = cv::Matx33d::eye();

    cv::Point2d Left(const cv::Point2d& p) const { return Warped(left, p); }
    cv::Point2d Right(const cv::Point2d& p) const { return Warped(right, p); }
    // How far below the left point its right match ends up.
    double RowError(const Match& m) const { return Left(m.left).y - Right(m.right).y; }

    static cv::Point2d Warped(const cv::Matx33d& h, const cv::Point2d& p);
};

// The keystone model: the left eye may lean and narrow towards one side; the
// right eye besides turn, scale, move up or down and narrow towards any side.
// About the picture's centre, in units of half its longer side, the left eye
// maps (x, y) to (x, y + lean x) / (1 + narrowing x) and the right eye to
// (scale x - rise y, rise x + scale y + offset) / (1 + narrowingX x +
// narrowingY y): rise / scale is the tangent of its turn.
struct Keystone {
    double leftLean = 0, leftNarrowing = 0;
    double rightRise = 0, rightScale = 1, rightOffset = 0, rightNarrowingX = 0, rightNarrowingY = 0;

    EyeWarps Warps(cv::Size size) const;
};

// The keystone that brings `matches` onto common rows, fitted by least
// squares from `start`. The corrections are held close to nothing where the
// matches hardly tell them, since a wide lean that fits a flat board changes
// every other depth. Columns are left to the caller.
Keystone FitKeystone(const std::vector<Match>& matches, cv::Size size, const Keystone& start = {});

// A first keystone from matches of which many may be wrong (RANSAC): the
// model without the left eye's lean, nearly linear in its numbers, fitted
// to six matches at a time; the one whose agreeing matches (rows within
// `tolerance` pixels) cover most of the picture wins, so that a repeated
// pattern's wrong matches, crowded on the pattern, lose to the scene's. None
// when no sample fixes a model.
std::optional<Keystone> FirstKeystone(const std::vector<Match>& matches, cv::Size size, double tolerance);

// Whether warped frames of `size` still look like the picture: no corner
// angle more than a few degrees from square, no side much longer or shorter
// than it was.
bool KeepsTheFrame(const EyeWarps& warps, cv::Size size);

} // namespace velmora
