// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/PairAlignment.h"

#include "imaging/matching/OpenCvPictures.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

namespace velmora {
namespace {

constexpr int kFewestMatches = 12;        // below this no model is believed
constexpr double kInlierShare = 0.3;      // of the matches that must agree with the model
constexpr double kInlierPixels = 1.5;     // vertical distance that still agrees, on the matching copy
constexpr int kRansacRounds = 2000;
constexpr double kLargestTurn = 15;       // degrees; beyond, the eyes are no stereo pair
constexpr double kScaleRange = 1.25;      // the larger eye at most this much larger
constexpr double kNearestShare = 0.98;    // the nearest point: this share of the disparities, not an outlier

// The rows model: a left point's row from its right match, y_l = p x_r +
// q y_r + t, p = s sin(turn), q = s cos(turn).
struct RowModel {
    double p = 0, q = 1, t = 0;

    double Residual(const Match& m) const { return m.left.y - (p * m.right.x + q * m.right.y + t); }
};

// Least squares over `matches`; none when they fix no model.
std::optional<RowModel> Fit(const std::vector<Match>& matches)
{
    cv::Mat a(static_cast<int>(matches.size()), 3, CV_64F), b(static_cast<int>(matches.size()), 1, CV_64F);
    for (int i = 0; i < a.rows; ++i) {
        a.at<double>(i, 0) = matches[i].right.x;
        a.at<double>(i, 1) = matches[i].right.y;
        a.at<double>(i, 2) = 1;
        b.at<double>(i, 0) = matches[i].left.y;
    }
    cv::Mat x;
    if (!cv::solve(a, b, x, cv::DECOMP_SVD))
        return std::nullopt;
    return RowModel{x.at<double>(0), x.at<double>(1), x.at<double>(2)};
}

std::vector<Match> Agreeing(const std::vector<Match>& matches, const RowModel& model, double tolerance)
{
    std::vector<Match> inliers;
    for (const Match& m : matches)
        if (std::abs(model.Residual(m)) <= tolerance)
            inliers.push_back(m);
    return inliers;
}

// RANSAC: the model of three matches that most agree with, refitted to them.
std::optional<RowModel> FitRows(const std::vector<Match>& matches, double tolerance)
{
    std::mt19937 random(1); // the same pair is always aligned the same way
    std::uniform_int_distribution<std::size_t> pick(0, matches.size() - 1);
    std::size_t bestCount = 0;
    std::optional<RowModel> best;
    for (int round = 0; round < kRansacRounds; ++round) {
        const std::size_t i = pick(random), j = pick(random), k = pick(random);
        if (i == j || j == k || i == k)
            continue;
        const auto model = Fit({matches[i], matches[j], matches[k]});
        if (!model)
            continue;
        const std::size_t count = Agreeing(matches, *model, tolerance).size();
        if (count > bestCount) {
            bestCount = count;
            best = model;
        }
    }
    for (int refit = 0; best && refit < 3; ++refit)
        best = Fit(Agreeing(matches, *best, tolerance));
    return best;
}


} // namespace

std::variant<AlignedPair, std::string> AlignPair(FIBITMAP* left, FIBITMAP* right, double windowMargin)
{
    const cv::Mat leftEye = TopDown(left), rightEye = TopDown(right);
    const std::vector<Match> matches = MatchFeatures(leftEye, rightEye, kMatchingSide);
    if (static_cast<int>(matches.size()) < kFewestMatches)
        return "too few points match between the eyes (" + std::to_string(matches.size()) +
               "): are they two views of one scene, with some texture?";
    const double reduce = std::min(1.0, static_cast<double>(kMatchingSide) / std::max(leftEye.cols, leftEye.rows));
    const double tolerance = kInlierPixels / reduce;
    const std::optional<RowModel> rows = FitRows(matches, tolerance);
    const std::vector<Match> inliers = rows ? Agreeing(matches, *rows, tolerance) : std::vector<Match>();
    if (static_cast<int>(inliers.size()) < std::max<double>(kFewestMatches, kInlierShare * matches.size()))
        return "too few of the matching points (" + std::to_string(inliers.size()) + " of " +
               std::to_string(matches.size()) + ") agree on one alignment; no pair is made";

    Alignment alignment;
    alignment.scale = std::hypot(rows->p, rows->q);
    const double turn = std::atan2(rows->p, rows->q);
    alignment.angle = turn * 180 / CV_PI;
    if (std::abs(alignment.angle) > kLargestTurn || alignment.scale > kScaleRange ||
        alignment.scale < 1 / kScaleRange)
        return "the eyes differ by more than a stereo pair does (turned " + std::to_string(alignment.angle) +
               " degrees, scaled " + std::to_string(alignment.scale) + "); no pair is made";
    alignment.offsetY = rows->t;
    // Columns: the nearest points end `windowMargin` behind the screen.
    std::vector<double> disparities, residuals;
    for (const Match& m : inliers) {
        disparities.push_back(m.left.x - (rows->q * m.right.x - rows->p * m.right.y));
        residuals.push_back(std::abs(rows->Residual(m)));
    }
    alignment.offsetX = Percentile(disparities, kNearestShare) + windowMargin;
    alignment.verticalError = Percentile(residuals, 0.5);
    alignment.matches = static_cast<int>(inliers.size());

    const cv::Matx23d warp(rows->q, -rows->p, alignment.offsetX, rows->p, rows->q, alignment.offsetY);
    cv::Mat warped;
    cv::warpAffine(rightEye, warped, warp, leftEye.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT);
    // The largest upright rectangle inside both the left eye and the turned right one.
    const double w = rightEye.cols, h = rightEye.rows;
    cv::Point2d corners[4];
    const cv::Point2d from[4] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    for (int c = 0; c < 4; ++c)
        corners[c] = {warp(0, 0) * from[c].x + warp(0, 1) * from[c].y + warp(0, 2),
                      warp(1, 0) * from[c].x + warp(1, 1) * from[c].y + warp(1, 2)};
    const int x0 = static_cast<int>(std::ceil(std::max({0.0, corners[0].x, corners[3].x})));
    const int x1 = static_cast<int>(std::floor(std::min({static_cast<double>(leftEye.cols), corners[1].x, corners[2].x})));
    const int y0 = static_cast<int>(std::ceil(std::max({0.0, corners[0].y, corners[1].y})));
    const int y1 = static_cast<int>(std::floor(std::min({static_cast<double>(leftEye.rows), corners[2].y, corners[3].y})));
    if (x1 - x0 < 2 || y1 - y0 < 2)
        return std::string("the aligned eyes have no area in common");
    alignment.cropX = x0;
    alignment.cropY = y0;
    alignment.cropWidth = x1 - x0;
    alignment.cropHeight = y1 - y0;
    const cv::Rect common(x0, y0, x1 - x0, y1 - y0);
    return AlignedPair{ToBitmap(leftEye(common), left), ToBitmap(warped(common), left), alignment};
}

} // namespace velmora
