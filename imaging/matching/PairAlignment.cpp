// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/PairAlignment.h"

#include "imaging/matching/FeatureMatching.h"
#include "imaging/matching/KeystoneModel.h"
#include "imaging/matching/OpenCvPictures.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <tuple>
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
constexpr double kGuidedBand = 2;         // rows a match may lie from its feature's when matched again, on the copy
constexpr double kColumnShare = 0.02;     // of the agreeing columns each side left out of the span searched again
constexpr double kColumnSpan = 0.25;      // of that span searched beyond it each side, and
constexpr double kColumnMargin = 0.02;    // of the width
constexpr double kKeystonePixels = 1;     // row distance that still agrees while refitting keystones, on the copy
constexpr int kNeighbours = 8;            // whose columns apart a match matched again must share
constexpr int kRefits = 3;
constexpr int kGuidedPasses = 2;
constexpr double kClearlyCloser = 0.75; // the keystone's row error at most this share of the similarity's

// The rows model: a left point's row from its right match, y_l = p x_r +
// q y_r + t, p = s sin(turn), q = s cos(turn).
struct RowModel {
    double p = 0, q = 1, t = 0;

    double RowError(const Match& m) const { return m.left.y - (p * m.right.x + q * m.right.y + t); }
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

// The matches that a rows model or warps bring within `tolerance` of one row.
template <typename Model>
std::vector<Match> Agreeing(const std::vector<Match>& matches, const Model& model, double tolerance)
{
    std::vector<Match> inliers;
    for (const Match& m : matches)
        if (std::abs(model.RowError(m)) <= tolerance)
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

// The right eye's warp that a rows model and a horizontal offset make.
cv::Matx33d SimilarityWarp(const RowModel& rows) { return {rows.q, -rows.p, 0, rows.p, rows.q, rows.t, 0, 0, 1}; }

double MedianRowError(const std::vector<Match>& matches, const EyeWarps& warps)
{
    std::vector<double> errors;
    for (const Match& m : matches)
        errors.push_back(std::abs(warps.RowError(m)));
    return Percentile(errors, 0.5);
}

// The matches that `keystone` allows again, a repeated pattern's too, over
// the columns its own agreeing matches span and a margin.
std::vector<Match> MatchedAgain(const EyeFeatures& features, const std::vector<Match>& sure, const Keystone& keystone,
                                cv::Size size, double band)
{
    const EyeWarps warps = keystone.Warps(size);
    std::vector<double> columns;
    for (const Match& m : Agreeing(sure, warps, band))
        columns.push_back(warps.Left(m.left).x - warps.Right(m.right).x);
    if (columns.empty())
        return {};
    const double fewest = Percentile(columns, kColumnShare), most = Percentile(columns, 1 - kColumnShare);
    const double margin = kColumnSpan * (most - fewest) + kColumnMargin * size.width;
    return AgreeingWithNeighbours(
        GuidedMatches(features, warps.left, warps.right, band, fewest - margin, most + margin), kNeighbours, band);
}

// The keystone refitted to the matches it brings within `tolerance` of one row.
Keystone Refitted(const std::vector<Match>& matches, const Keystone& keystone, cv::Size size, double tolerance)
{
    Keystone refitted = keystone;
    for (int refit = 0; refit < kRefits; ++refit) {
        const std::vector<Match> agreeing = Agreeing(matches, refitted.Warps(size), tolerance);
        if (static_cast<int>(agreeing.size()) < kFewestMatches)
            break;
        refitted = FitKeystone(agreeing, size, refitted);
    }
    return refitted;
}

// A warp's turn (degrees) and scale at `at`, from its derivatives there.
std::pair<double, double> TurnAndScale(const cv::Matx33d& warp, const cv::Point2d& at)
{
    const cv::Point2d centre = EyeWarps::Warped(warp, at);
    const cv::Point2d across = EyeWarps::Warped(warp, at + cv::Point2d(1, 0)) - centre;
    const cv::Point2d down = EyeWarps::Warped(warp, at + cv::Point2d(0, 1)) - centre;
    return {std::atan2(across.y, across.x) * 180 / CV_PI, std::sqrt(std::abs(across.cross(down)))};
}

cv::Mat Warped(const cv::Mat& eye, const cv::Matx33d& warp)
{
    if (warp == cv::Matx33d::eye())
        return eye;
    cv::Mat warped;
    cv::warpPerspective(eye, warped, warp, eye.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT);
    return warped;
}

// The largest upright rectangle inside both warped eyes and the picture.
cv::Rect CommonArea(const EyeWarps& warps, cv::Size size)
{
    const double w = size.width, h = size.height;
    double x0 = 0, x1 = w, y0 = 0, y1 = h;
    for (const cv::Matx33d* warp : {&warps.left, &warps.right}) {
        const cv::Point2d topLeft = EyeWarps::Warped(*warp, {0, 0}), topRight = EyeWarps::Warped(*warp, {w, 0});
        const cv::Point2d bottomRight = EyeWarps::Warped(*warp, {w, h}), bottomLeft = EyeWarps::Warped(*warp, {0, h});
        x0 = std::max({x0, topLeft.x, bottomLeft.x});
        x1 = std::min({x1, topRight.x, bottomRight.x});
        y0 = std::max({y0, topLeft.y, topRight.y});
        y1 = std::min({y1, bottomLeft.y, bottomRight.y});
    }
    const int left = static_cast<int>(std::ceil(x0)), top = static_cast<int>(std::ceil(y0));
    return {left, top, static_cast<int>(std::floor(x1)) - left, static_cast<int>(std::floor(y1)) - top};
}

} // namespace

std::variant<AlignedPair, std::string> AlignPair(FIBITMAP* left, FIBITMAP* right, double windowMargin)
{
    const cv::Mat leftEye = TopDown(left), rightEye = TopDown(right);
    const cv::Size size = leftEye.size();
    const EyeFeatures features = FindFeatures(leftEye, rightEye, kMatchingSide);
    const std::vector<Match> sure = RatioMatches(features);
    if (static_cast<int>(sure.size()) < kFewestMatches)
        return "too few points match between the eyes (" + std::to_string(sure.size()) +
            "): are they two views of one scene, with some texture?";
    const double tolerance = kInlierPixels / features.reduce;
    const auto tooFewAgree = [](std::size_t agree, std::size_t of) {
        return static_cast<int>(agree) < std::max<double>(kFewestMatches, kInlierShare * static_cast<double>(of));
    };
    const auto refusal = [](std::size_t agree, std::size_t of) {
        return "too few of the matching points (" + std::to_string(agree) + " of " + std::to_string(of) +
            ") agree on one alignment; no pair is made";
    };
    // A first keystone from the sure matches, then the matches it allows,
    // twice: each pass finds more of a repeated pattern's points.
    const std::optional<Keystone> first = FirstKeystone(sure, size, tolerance);
    if (!first)
        return refusal(0, sure.size());
    Keystone keystone = Refitted(sure, *first, size, tolerance);
    std::vector<Match> matches;
    const double band = kGuidedBand / features.reduce, closeRows = kKeystonePixels / features.reduce;
    for (int pass = 0; pass < kGuidedPasses; ++pass) {
        matches = MatchedAgain(features, sure, keystone, size, band);
        keystone = Refitted(matches, keystone, size, closeRows);
    }
    const EyeWarps keystoneWarps = keystone.Warps(size);

    const std::optional<RowModel> rows = FitRows(matches, tolerance);
    if (!rows)
        return refusal(0, matches.size());
    EyeWarps warps{cv::Matx33d::eye(), SimilarityWarp(*rows)};
    // Judged on the matches the keystone brings onto common rows: both models
    // fit those, wherever the similarity's own inliers lie.
    const std::vector<Match> straightened = Agreeing(matches, keystoneWarps, tolerance);
    Alignment alignment;
    if (!tooFewAgree(straightened.size(), matches.size()) && KeepsTheFrame(keystoneWarps, size)) {
        alignment.similarityError = MedianRowError(straightened, warps);
        if (MedianRowError(straightened, keystoneWarps) < kClearlyCloser * alignment.similarityError) {
            warps = keystoneWarps;
            alignment.model = AlignmentModel::Keystone;
        }
    }
    // The sure matches must agree too: the others were found where the
    // model looked for them, so they agree with it whether it is right or not.
    const std::size_t sureAgreeing = Agreeing(sure, warps, tolerance).size();
    if (tooFewAgree(sureAgreeing, sure.size()))
        return refusal(sureAgreeing, sure.size());
    const std::vector<Match> inliers = Agreeing(matches, warps, tolerance);
    if (alignment.model == AlignmentModel::Similarity)
        alignment.similarityError = MedianRowError(inliers, warps);

    const cv::Point2d centre(leftEye.cols / 2.0, leftEye.rows / 2.0);
    std::tie(alignment.angle, alignment.scale) = TurnAndScale(warps.right, centre);
    const double leftTurn = TurnAndScale(warps.left, centre).first;
    if (std::abs(alignment.angle - leftTurn) > kLargestTurn || alignment.scale > kScaleRange ||
        alignment.scale < 1 / kScaleRange)
        return "the eyes differ by more than a stereo pair does (turned " + std::to_string(alignment.angle) +
            " degrees, scaled " + std::to_string(alignment.scale) + "); no pair is made";
    // Columns: the nearest points end `windowMargin` behind the screen.
    std::vector<double> disparities, residuals;
    for (const Match& m : inliers) {
        disparities.push_back(warps.Left(m.left).x - warps.Right(m.right).x);
        residuals.push_back(std::abs(warps.RowError(m)));
    }
    const double shift = Percentile(disparities, kNearestShare) + windowMargin;
    warps.right = cv::Matx33d(1, 0, shift, 0, 1, 0, 0, 0, 1) * warps.right;
    const cv::Point2d corner = EyeWarps::Warped(warps.right, {0, 0});
    alignment.offsetX = corner.x;
    alignment.offsetY = corner.y;
    alignment.verticalError = Percentile(residuals, 0.5);
    alignment.matches = static_cast<int>(inliers.size());
    std::copy(warps.left.val, warps.left.val + 9, alignment.leftWarp.begin());
    std::copy(warps.right.val, warps.right.val + 9, alignment.rightWarp.begin());

    const cv::Rect common = CommonArea(warps, leftEye.size());
    if (common.width < 2 || common.height < 2)
        return std::string("the aligned eyes have no area in common");
    alignment.cropX = common.x;
    alignment.cropY = common.y;
    alignment.cropWidth = common.width;
    alignment.cropHeight = common.height;
    return AlignedPair{ToBitmap(Warped(leftEye, warps.left)(common), left),
                       ToBitmap(Warped(rightEye, warps.right)(common), left), alignment};
}

} // namespace velmora
