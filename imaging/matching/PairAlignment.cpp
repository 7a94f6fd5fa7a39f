// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/PairAlignment.h"

#include "imaging/matching/FeatureMatching.h"
#include "imaging/matching/KeystoneModel.h"
#include "imaging/matching/LensDistortion.h"
#include "imaging/matching/LensWarpMap.h"
#include "imaging/matching/OpenCvErrors.h"
#include "imaging/matching/OpenCvPictures.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <numeric>
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
// The same in the first matching from a start, and the rows its refit
// allows: a start is often this far off towards the picture's edges, and a
// repeated pattern's copies lie a period of rows apart, further still.
constexpr double kFirstBand = 5;
constexpr double kColumnShare = 0.02;     // of the agreeing columns each side left out of the span searched again
constexpr double kColumnSpan = 0.25;      // of that span searched beyond it each side, and
constexpr double kColumnMargin = 0.02;    // of the width
constexpr double kKeystonePixels = 1;     // row distance that still agrees while refitting keystones, on the copy
constexpr int kNeighbours = 8;            // whose columns apart a match matched again must share
constexpr int kRefits = 3;
constexpr int kMostOffsets = 4;     // row offsets the sure matches share that are tried as starts
constexpr double kOffsetPixels = 3; // half the rows an offset's sure matches span, on the copy
// Of the width: the columns apart (left less right) in which a look-alike of
// a right feature counts towards a straightening's support, from a far
// point's behind the screen to a near one's.
constexpr struct {
    double fewest, most;
} kSupportColumns{-0.1, 0.5};
constexpr int kGuidedPasses = 2;
constexpr double kClearlyCloser = 0.8;     // the keystone's row error at most this share of the similarity's,
constexpr double kKeystoneWorth = 0.1;     // which must leave at least this, on the matching copy: else the
                                           // keystone only fits the matches' noise, and bends rows for nothing
constexpr double kLensCloser = 0.93;       // the lens correction's row cost at most this share of none's,
constexpr double kLensGain = 0.02;         // and less by this share of the most a match can cost, per match
constexpr double kLensProposingPixels = 3; // row distance that still counts while proposing a lens, on the copy
// The lens corrections searched (kLensesSearched), in coarse steps, then in
// fine ones about the best.
constexpr struct {
    double from, to, coarse, fine;
} kLensSearch{kLensesSearched.from, kLensesSearched.to, 0.02, 0.004};
// A rig's geometry is kept for a pair unless the pair's own alignment brings
// clearly more matched points onto common rows: then the rig does not fit it.
constexpr double kRigShare = 0.8;
constexpr std::size_t kRigCandidates = 32; // samples whose geometry is weighed as the rig's, spread over them all
constexpr int kWarpBandRows = 64; // rows of a lens-corrected eye mapped at a time, to bound the maps' memory

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
    if (matches.size() < 3) // no three to sample: a matching again may find none where no sure match agrees
        return std::nullopt;
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
// the columns its own agreeing matches span and a margin. A rig's keystone
// (`anyColumns`) was not found from these sure matches, which may all be a
// pattern's copies: then, when too few of them agree, every column a scene
// spans is searched.
std::vector<Match> MatchedAgain(const EyeFeatures& features, const std::vector<Match>& sure, const Keystone& keystone,
                                cv::Size size, double band, bool anyColumns = false)
{
    const EyeWarps warps = keystone.Warps(size);
    std::vector<double> columns;
    for (const Match& m : Agreeing(sure, warps, band))
        columns.push_back(warps.Left(m.left).x - warps.Right(m.right).x);
    double fewest = kSupportColumns.fewest * size.width, most = kSupportColumns.most * size.width;
    if (!anyColumns || static_cast<int>(columns.size()) >= kFewestMatches) {
        if (columns.empty())
            return {};
        const double first = Percentile(columns, kColumnShare), last = Percentile(columns, 1 - kColumnShare);
        const double margin = kColumnSpan * (last - first) + kColumnMargin * size.width;
        std::tie(fewest, most) = std::pair(first - margin, last + margin);
    }
    return AgreeingWithNeighbours(GuidedMatches(features, warps.left, warps.right, band, fewest, most), kNeighbours,
                                  band);
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

// What a first keystone and the matching under it found.
struct Straightening {
    Keystone keystone;
    std::vector<Match> matches;
};

// The matches a keystone allows within a narrow band of rows, the keystone
// refitted to them, twice.
void MatchNarrowly(const EyeFeatures& features, const std::vector<Match>& sure, cv::Size size, Straightening& found,
                   bool anyColumns = false)
{
    const double band = kGuidedBand / features.reduce, closeRows = kKeystonePixels / features.reduce;
    for (int pass = 0; pass < kGuidedPasses; ++pass) {
        found.matches = MatchedAgain(features, sure, found.keystone, size, band, anyColumns);
        found.keystone = Refitted(found.matches, found.keystone, size, closeRows);
    }
}

// The matches a first keystone allows, first in a wide band of rows, then
// twice in a narrow one, the keystone refitted to them each time: each pass
// finds more of a repeated pattern's points. Matched only on the rows where
// a start is already right, the pair's points elsewhere would be missed and
// the refit would stay near the start.
Straightening StraightenFrom(const EyeFeatures& features, const std::vector<Match>& sure, cv::Size size,
                             const Keystone& start)
{
    Straightening found{Refitted(sure, start, size, kInlierPixels / features.reduce), {}};
    const double firstBand = kFirstBand / features.reduce;
    found.matches = MatchedAgain(features, sure, found.keystone, size, firstBand);
    found.keystone = Refitted(found.matches, found.keystone, size, firstBand);
    MatchNarrowly(features, sure, size, found);
    return found;
}

// The row offsets (left less right) that most sure matches share, each by
// at least kFewestMatches of them whose offsets lie within 2 `width` of one
// another, the most shared first.
std::vector<double> SharedOffsets(const std::vector<Match>& sure, double width)
{
    std::vector<double> offsets, rows;
    for (const Match& m : sure)
        rows.push_back(m.left.y - m.right.y);
    std::sort(rows.begin(), rows.end());
    while (static_cast<int>(offsets.size()) < kMostOffsets) {
        // The window of rows [first, last) holding the most offsets.
        std::size_t bestFirst = 0, bestLast = 0;
        for (std::size_t first = 0, last = 0; first < rows.size(); ++first) {
            last = std::max(last, first);
            while (last < rows.size() && rows[last] - rows[first] <= 2 * width)
                ++last;
            if (last - first > bestLast - bestFirst)
                std::tie(bestFirst, bestLast) = std::pair(first, last);
        }
        if (static_cast<int>(bestLast - bestFirst) < kFewestMatches)
            break;
        offsets.push_back(std::accumulate(rows.begin() + static_cast<std::ptrdiff_t>(bestFirst),
                                          rows.begin() + static_cast<std::ptrdiff_t>(bestLast), 0.0) /
                          static_cast<double>(bestLast - bestFirst));
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(bestFirst),
                   rows.begin() + static_cast<std::ptrdiff_t>(bestLast));
    }
    return offsets;
}

// Where straightening may start: the keystone whose agreeing sure matches
// cover most of the picture, and an offset alone for each row offset many
// sure matches share. A repeated pattern's copies one period off may
// outnumber the scene's own matches among the sure ones, so the pattern's
// offset and the scene's are both tried.
std::vector<Keystone> Starts(const std::vector<Match>& sure, cv::Size size, double reduce)
{
    std::vector<Keystone> starts;
    if (const std::optional<Keystone> first = FirstKeystone(sure, size, kInlierPixels / reduce))
        starts.push_back(*first);
    const double half = std::max(size.width, size.height) / 2.0, width = kOffsetPixels / reduce;
    for (const double offset : SharedOffsets(sure, width)) {
        Keystone start;
        start.rightOffset = offset / half;
        starts.push_back(start);
    }
    return starts;
}

cv::Point2d Straightened(const RadialLens& lens, const cv::Point2d& seen)
{
    const auto [x, y] = lens.Straightened({seen.x, seen.y});
    return {x, y};
}

std::vector<Match> Straightened(const RadialLens& lens, std::vector<Match> matches)
{
    for (Match& m : matches)
        m = {Straightened(lens, m.left), Straightened(lens, m.right)};
    return matches;
}

// Matches straightened by `lens` where the lens saw them.
std::vector<Match> Seen(const RadialLens& lens, const std::vector<Match>& matches)
{
    std::vector<Match> seen;
    for (const Match& m : matches) {
        const auto left = lens.Seen({m.left.x, m.left.y}), right = lens.Seen({m.right.x, m.right.y});
        if (left && right)
            seen.push_back({{(*left)[0], (*left)[1]}, {(*right)[0], (*right)[1]}});
    }
    return seen;
}

EyeFeatures Straightened(const RadialLens& lens, EyeFeatures features)
{
    for (std::vector<cv::Point2d>& points : features.points)
        for (cv::Point2d& point : points)
            point = Straightened(lens, point);
    return features;
}

// How far from common rows the keystone refitted after a lens correction
// leaves the matches: the sum of squared row errors, each at most
// `tolerance`'s square, so that a wrong match weighs no more than a miss.
// The errors are in the picture's pixels at its centre, where the correction
// scales by `scale`: else a correction that shrinks the picture would seem to
// bring its rows closer.
double RowCost(const std::vector<Match>& matches, const Keystone& keystone, cv::Size size, double tolerance,
               double scale)
{
    const EyeWarps warps = Refitted(matches, keystone, size, tolerance * scale).Warps(size);
    double cost = 0;
    for (const Match& m : matches)
        cost += std::min(std::pow(warps.RowError(m) / scale, 2), tolerance * tolerance);
    return cost;
}

// The lens correction that brings the matches closest to common rows (a
// coarse search over the lenses cameras have, then a finer one about the
// best), with the cost it leaves and the cost of none.
struct LensSearch {
    RadialLens lens;
    double cost = 0, none = 0;

    // Whether the lens leaves the rows clearly closer than none does.
    bool ClearlyCloser(std::size_t matches, double tolerance) const
    {
        return cost < kLensCloser * none &&
            none - cost >= kLensGain * tolerance * tolerance * static_cast<double>(matches);
    }
};

LensSearch SearchLens(const std::vector<Match>& matches, const Keystone& keystone, cv::Size size, double tolerance)
{
    const auto cost = [&](double k) {
        const RadialLens lens = LensOf(k, size.width, size.height);
        return RowCost(Straightened(lens, matches), keystone, size, tolerance, lens.CentreScale());
    };
    LensSearch found{LensOf(0, size.width, size.height), cost(0), 0};
    found.none = found.cost;
    const auto search = [&](double from, double to, double step) {
        for (double k = std::max(from, kLensSearch.from); k <= std::min(to, kLensSearch.to) + step / 2; k += step)
            if (const double c = cost(k); c < found.cost) {
                found.cost = c;
                found.lens = LensOf(k, size.width, size.height);
            }
    };
    search(kLensSearch.from, kLensSearch.to, kLensSearch.coarse);
    search(found.lens.k - kLensSearch.coarse, found.lens.k + kLensSearch.coarse, kLensSearch.fine);
    return found;
}

// A warp's turn (degrees) and scale at `at`, from its derivatives there.
std::pair<double, double> TurnAndScale(const cv::Matx33d& warp, const cv::Point2d& at)
{
    const cv::Point2d centre = EyeWarps::Warped(warp, at);
    const cv::Point2d across = EyeWarps::Warped(warp, at + cv::Point2d(1, 0)) - centre;
    const cv::Point2d down = EyeWarps::Warped(warp, at + cv::Point2d(0, 1)) - centre;
    return {std::atan2(across.y, across.x) * 180 / CV_PI, std::sqrt(std::abs(across.cross(down)))};
}

cv::Point2d Aligned(const cv::Matx33d& warp, const RadialLens& lens, const cv::Point2d& p)
{
    return EyeWarps::Warped(warp, Straightened(lens, p));
}

// The eye straightened by `lens` and put through `warp`, over `area` of the result.
cv::Mat AlignedEye(const cv::Mat& eye, const cv::Matx33d& warp, const RadialLens& lens, const cv::Rect& area)
{
    cv::Mat aligned;
    if (lens.k == 0) {
        if (warp == cv::Matx33d::eye())
            return eye(area);
        cv::warpPerspective(eye, aligned, warp, eye.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT);
        return aligned(area);
    }
    // No homography undoes a lens: each pixel is looked up where the lens saw
    // it, bands of rows on all threads, each with a map of its own.
    const cv::Matx33d back = warp.inv();
    aligned.create(area.size(), eye.type());
    const int bands = (area.height + kWarpBandRows - 1) / kWarpBandRows;
    cv::parallel_for_(cv::Range(0, bands), [&](const cv::Range& range) {
        cv::Mat map;
        for (int top = range.start * kWarpBandRows; top < std::min(area.height, range.end * kWarpBandRows);
             top += kWarpBandRows) {
            const int rows = std::min(kWarpBandRows, area.height - top);
            FillLensWarpMap(back, lens, area.x, area.y + top, area.width, rows, map);
            cv::Mat band = aligned.rowRange(top, top + rows);
            cv::remap(eye, band, map, cv::noArray(), cv::INTER_LINEAR, cv::BORDER_CONSTANT);
        }
    });
    return aligned;
}

// The largest upright rectangle inside both aligned eyes and the picture.
// The frame's sides are followed point by point, as a lens correction bends them.
cv::Rect CommonArea(const EyeWarps& warps, const RadialLens& lens, cv::Size size)
{
    constexpr int kSteps = 64;
    const double w = size.width, h = size.height;
    double x0 = 0, x1 = w, y0 = 0, y1 = h;
    for (const cv::Matx33d* warp : {&warps.left, &warps.right})
        for (int step = 0; step <= kSteps; ++step) {
            const double along = static_cast<double>(step) / kSteps;
            x0 = std::max(x0, Aligned(*warp, lens, {0, along * h}).x);
            x1 = std::min(x1, Aligned(*warp, lens, {w, along * h}).x);
            y0 = std::max(y0, Aligned(*warp, lens, {along * w, 0}).y);
            y1 = std::min(y1, Aligned(*warp, lens, {along * w, h}).y);
        }
    const int left = static_cast<int>(std::ceil(x0)), top = static_cast<int>(std::ceil(y0));
    return {left, top, static_cast<int>(std::floor(x1)) - left, static_cast<int>(std::floor(y1)) - top};
}

bool TooFewAgree(std::size_t agree, std::size_t of)
{
    return static_cast<int>(agree) < std::max<double>(kFewestMatches, kInlierShare * static_cast<double>(of));
}

std::string Refusal(std::size_t agree, std::size_t of)
{
    return "too few of the matching points (" + std::to_string(agree) + " of " + std::to_string(of) +
        ") agree on one alignment; no pair is made";
}

// The points matched and the first straightening, where a lens correction
// puts the features.
struct Matching {
    RadialLens lens;
    std::vector<Match> sure;
    Straightening straightening;
};

// The matching again under a lens correction, from the keystone the
// matching without it found.
Matching MatchedThrough(const RadialLens& lens, const EyeFeatures& features, const Matching& plain, cv::Size size)
{
    std::vector<Match> sure = Straightened(lens, plain.sure);
    Straightening straightening =
        StraightenFrom(Straightened(lens, features), sure, size, plain.straightening.keystone);
    return Matching{lens, std::move(sure), std::move(straightening)};
}

// The matches and the sure ones, where the lens saw them.
std::vector<Match> Judged(const Matching& matching, const Matching& plain)
{
    std::vector<Match> judged = Seen(matching.lens, matching.straightening.matches);
    judged.insert(judged.end(), plain.sure.begin(), plain.sure.end());
    return judged;
}

// The lens correction the matches call for and the matching again under it;
// none when no correction brings the rows clearly closer. A first search
// with a wide row distance proposes a lens (the rows of a bent picture lie
// far apart towards its edges); the matches found under it then judge it,
// and finer, against none.
std::optional<Matching> LensCorrected(const EyeFeatures& features, const Matching& plain, cv::Size size)
{
    const LensSearch proposed =
        SearchLens(Judged(plain, plain), plain.straightening.keystone, size, kLensProposingPixels / features.reduce);
    if (proposed.lens.k == 0)
        return std::nullopt;
    const Matching corrected = MatchedThrough(proposed.lens, features, plain, size);
    const double tolerance = kKeystonePixels / features.reduce;
    const std::vector<Match> judged = Judged(corrected, plain);
    const LensSearch judgedAgain = SearchLens(judged, corrected.straightening.keystone, size, tolerance);
    if (!judgedAgain.ClearlyCloser(judged.size(), tolerance))
        return std::nullopt;
    if (judgedAgain.lens.k != proposed.lens.k)
        return MatchedThrough(judgedAgain.lens, features, plain, size);
    return corrected;
}

// The alignment the matching agrees on, or why none.
// A rig's geometry (`fromRig`) was not found from this pair's sure matches,
// which may be mostly a pattern's copies, so their share need not agree
// with it: only as many as any model needs.
std::variant<Alignment, std::string> AlignmentOf(const Matching& matching, cv::Size size, double reduce,
                                                 double windowMargin, bool fromRig = false)
{
    const double tolerance = kInlierPixels / reduce;
    const std::vector<Match>& matches = matching.straightening.matches;
    const std::optional<RowModel> rows = FitRows(matches, tolerance);
    if (!rows)
        return Refusal(0, matches.size());
    const EyeWarps keystoneWarps = matching.straightening.keystone.Warps(size);
    EyeWarps warps{cv::Matx33d::eye(), SimilarityWarp(*rows)};
    // Judged on the matches the keystone brings onto common rows: both models
    // fit those, wherever the similarity's own inliers lie.
    const std::vector<Match> straightened = Agreeing(matches, keystoneWarps, tolerance);
    Alignment alignment;
    alignment.lens = matching.lens;
    alignment.fromRig = fromRig;
    if (!TooFewAgree(straightened.size(), matches.size()) && KeepsTheFrame(keystoneWarps, size)) {
        alignment.similarityError = MedianRowError(straightened, warps);
        if (alignment.similarityError * reduce > kKeystoneWorth &&
            MedianRowError(straightened, keystoneWarps) < kClearlyCloser * alignment.similarityError) {
            warps = keystoneWarps;
            alignment.model = AlignmentModel::Keystone;
        }
    }
    // The sure matches must agree too: the others were found where the
    // model looked for them, so they agree with it whether it is right or not.
    const std::size_t sureAgreeing = Agreeing(matching.sure, warps, tolerance).size();
    if (fromRig ? static_cast<int>(sureAgreeing) < kFewestMatches : TooFewAgree(sureAgreeing, matching.sure.size()))
        return Refusal(sureAgreeing, matching.sure.size());
    const std::vector<Match> inliers = Agreeing(matches, warps, tolerance);
    if (static_cast<int>(inliers.size()) < kFewestMatches)
        return Refusal(inliers.size(), matches.size());
    if (alignment.model == AlignmentModel::Similarity)
        alignment.similarityError = MedianRowError(inliers, warps);

    const cv::Point2d centre(size.width / 2.0, size.height / 2.0);
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
    const cv::Point2d corner = Aligned(warps.right, matching.lens, {0, 0});
    alignment.offsetX = corner.x;
    alignment.offsetY = corner.y;
    alignment.verticalError = Percentile(residuals, 0.5);
    alignment.matches = static_cast<int>(inliers.size());
    std::copy(warps.left.val, warps.left.val + 9, alignment.leftWarp.begin());
    std::copy(warps.right.val, warps.right.val + 9, alignment.rightWarp.begin());

    const cv::Rect common = CommonArea(warps, matching.lens, size);
    if (common.width < 2 || common.height < 2)
        return std::string("the aligned eyes have no area in common");
    alignment.cropX = common.x;
    alignment.cropY = common.y;
    alignment.cropWidth = common.width;
    alignment.cropHeight = common.height;
    return alignment;
}

// How many of the right eye's features a matching finds a look-alike for on
// their rows (RowSupport).
int SceneFound(const EyeFeatures& features, const Matching& matching, cv::Size size)
{
    const EyeWarps warps = matching.straightening.keystone.Warps(size);
    return RowSupport(Straightened(matching.lens, features), warps.left, warps.right, kGuidedBand / features.reduce,
                      kSupportColumns.fewest * size.width, kSupportColumns.most * size.width);
}

// A start's matchings and how much of the scene the better one finds.
struct Candidate {
    int found = 0;
    Matching plain;
    std::optional<Matching> corrected;
};

// What a pair's features say of its geometry: its own alignment, with the
// matching it came from, or why none.
struct OwnAlignment {
    Alignment alignment;
    Matching matching;
};

// A pair's features and the sure matches among them.
struct PairFeatures {
    cv::Size size;
    EyeFeatures features;
    std::vector<Match> sure;
};

std::variant<PairFeatures, std::string> FeaturesOf(const cv::Mat& leftEye, const cv::Mat& rightEye)
{
    PairFeatures pair{leftEye.size(), FindFeatures(leftEye, rightEye, kMatchingSide), {}};
    pair.sure = RatioMatches(pair.features);
    if (static_cast<int>(pair.sure.size()) < kFewestMatches)
        return "too few points match between the eyes (" + std::to_string(pair.sure.size()) +
               "): are they two views of one scene, with some texture?";
    return pair;
}

// The start whose matching, with a lens correction or without, finds the
// most of the scene again: the pair's own geometry, not a repeated
// pattern's copy one period off. None when there is no start. The stereo
// window plays no part in it.
std::optional<Candidate> BestStart(const PairFeatures& pair)
{
    const auto& [size, features, sure] = pair;
    std::optional<Candidate> best;
    for (const Keystone& start : Starts(sure, size, features.reduce)) {
        Matching plain{LensOf(0, size.width, size.height), sure, StraightenFrom(features, sure, size, start)};
        std::optional<Matching> corrected = LensCorrected(features, plain, size);
        const int sceneFound =
            std::max(SceneFound(features, plain, size), corrected ? SceneFound(features, *corrected, size) : 0);
        if (!best || sceneFound > best->found)
            best = Candidate{sceneFound, std::move(plain), std::move(corrected)};
    }
    return best;
}

// The pair aligned from its best start, with the stereo window
// `windowMargin` behind the nearest point.
std::variant<OwnAlignment, std::string> AlignmentFrom(const PairFeatures& pair, const Candidate& best,
                                                      double windowMargin)
{
    // A wide lens leaves the rows apart towards the edges. Its correction is
    // kept when the pair aligns with it; otherwise the pair is aligned
    // without, as well as that goes.
    if (best.corrected) {
        auto found = AlignmentOf(*best.corrected, pair.size, pair.features.reduce, windowMargin);
        if (auto* alignment = std::get_if<Alignment>(&found))
            return OwnAlignment{*alignment, *best.corrected};
    }
    auto found = AlignmentOf(best.plain, pair.size, pair.features.reduce, windowMargin);
    if (auto* alignment = std::get_if<Alignment>(&found))
        return OwnAlignment{*alignment, best.plain};
    return std::get<std::string>(found);
}

std::variant<OwnAlignment, std::string> OwnAlignmentOf(const PairFeatures& pair, double windowMargin)
{
    const std::optional<Candidate> best = BestStart(pair);
    if (!best)
        return Refusal(0, pair.sure.size());
    return AlignmentFrom(pair, *best, windowMargin);
}

Keystone KeystoneOf(const RigGeometry& rig)
{
    const std::array<double, 7>& k = rig.keystone;
    return {k[0], k[1], k[2], k[3], k[4], k[5], k[6]};
}

RigGeometry RigOf(cv::Size size, const RadialLens& lens, const Keystone& k, int pairs)
{
    return {
        size.width,
        size.height,
        lens.k,
        {k.leftLean, k.leftNarrowing, k.rightRise, k.rightScale, k.rightOffset, k.rightNarrowingX, k.rightNarrowingY},
        pairs};
}

// The pair straightened from its rig's geometry, matched only near it, or
// why the rig does not fit the pair.
std::variant<Alignment, std::string> AlignmentFromRig(const PairFeatures& pair, const RigGeometry& rig,
                                                      double windowMargin)
{
    const auto& [size, features, sure] = pair;
    if (size != cv::Size(rig.width, rig.height))
        return std::string("the rig's pictures are of another size");
    // Whatever a rig says, only a lens this program would find is used (a
    // keystone that bends the frame is refitted or left, as a pair's own is).
    if (!LensSearched(rig.lens))
        return std::string("the rig's lens is beyond the lenses searched");
    const RadialLens lens = LensOf(rig.lens, size.width, size.height);
    Matching matching{lens, Straightened(lens, sure), {KeystoneOf(rig), {}}};
    MatchNarrowly(Straightened(lens, features), matching.sure, size, matching.straightening, true);
    return AlignmentOf(matching, size, features.reduce, windowMargin, true);
}

// The pair's own alignment: `known` when it fits the eyes (its cut lies
// within them), else sought; an OpenCV error is a reason, as the rig's is.
std::variant<Alignment, std::string> OwnOrKnown(const PairFeatures& pair, double windowMargin, const Alignment* known)
{
    if (known) {
        const cv::Rect common(known->cropX, known->cropY, known->cropWidth, known->cropHeight);
        if (!common.empty() && (common & cv::Rect({}, pair.size)) == common)
            return *known;
    }
    return WithOpenCvErrors<Alignment>([&]() -> std::variant<Alignment, std::string> {
        auto own = OwnAlignmentOf(pair, windowMargin);
        if (const auto* why = std::get_if<std::string>(&own))
            return *why;
        return std::get<OwnAlignment>(own).alignment;
    });
}

// AlignPair, OpenCV's errors aside.
std::variant<AlignedPair, std::string> AlignedPairOf(FIBITMAP* left, FIBITMAP* right, double windowMargin,
                                                     const RigGeometry* rig, const Alignment* own)
{
    const cv::Mat leftEye = TopDown(left), rightEye = TopDown(right);
    const auto pair = FeaturesOf(leftEye, rightEye);
    if (const auto* why = std::get_if<std::string>(&pair))
        return *why;
    // A rig that does not fit the pair, for whatever reason, leaves it to its
    // own alignment.
    std::optional<Alignment> found;
    if (rig) {
        auto fromRig = WithOpenCvErrors<Alignment>(
            [&] { return AlignmentFromRig(std::get<PairFeatures>(pair), *rig, windowMargin); });
        if (auto* alignment = std::get_if<Alignment>(&fromRig))
            found = *alignment;
    }
    // The pair's own alignment, to weigh the rig's against.
    const auto mine = OwnOrKnown(std::get<PairFeatures>(pair), windowMargin, own);
    if (const auto* alignment = std::get_if<Alignment>(&mine)) {
        if (!found || found->matches < kRigShare * alignment->matches)
            found = *alignment;
    } else if (!found) {
        return std::get<std::string>(mine);
    }
    const Alignment& alignment = *found;
    const cv::Rect common(alignment.cropX, alignment.cropY, alignment.cropWidth, alignment.cropHeight);
    return AlignedPair{
        ToBitmap(AlignedEye(leftEye, cv::Matx33d(alignment.leftWarp.data()), alignment.lens, common), left),
        ToBitmap(AlignedEye(rightEye, cv::Matx33d(alignment.rightWarp.data()), alignment.lens, common), left),
        alignment};
}

cv::Size SizeOf(const RigGeometry& rig)
{
    return {rig.width, rig.height};
}

// Row distances that still agree, on the matching copy of the rig's pictures.
double RigTolerance(const RigGeometry& rig)
{
    return kKeystonePixels / MatchingReduce(rig.width, rig.height, kMatchingSide);
}

std::variant<RigSample, std::string> RigSampleOf(FIBITMAP* left, FIBITMAP* right, double windowMargin)
{
    const auto features = FeaturesOf(TopDown(left), TopDown(right));
    if (const auto* why = std::get_if<std::string>(&features))
        return *why;
    const PairFeatures& pair = std::get<PairFeatures>(features);
    const std::optional<Candidate> best = BestStart(pair);
    if (!best)
        return Refusal(0, pair.sure.size());
    // The geometry as at the screen, so that the rig learnt is the same
    // whatever margin the pairs are made with; a margin no cut leaves room
    // for only leaves the pair's own alignment to be sought again.
    const auto atScreen = AlignmentFrom(pair, *best, 0);
    if (const auto* why = std::get_if<std::string>(&atScreen))
        return *why;
    const auto& [alignment, matching] = std::get<OwnAlignment>(atScreen);
    RigSample sample{RigOf(pair.size, matching.lens, matching.straightening.keystone, 1), {}, alignment};
    const std::vector<Match> agreeing =
        Agreeing(matching.straightening.matches, matching.straightening.keystone.Warps(pair.size),
                 RigTolerance(sample.geometry));
    for (const Match& m : Seen(matching.lens, agreeing))
        sample.matches.push_back({m.left.x, m.left.y, m.right.x, m.right.y});
    if (windowMargin != 0) {
        const auto own = AlignmentFrom(pair, *best, windowMargin);
        const auto* atMargin = std::get_if<OwnAlignment>(&own);
        sample.own = atMargin ? std::optional(atMargin->alignment) : std::nullopt;
    }
    return sample;
}

// The pairs of the rig's pictures' size that agree with `rig` (it brings
// as large a share of their matches within RigTolerance of one row as a
// pair's own geometry must gather) and those matches, as the pairs gave
// them. A few matches of any other pair agree by chance, where its rows
// cross the rig's.
struct RigAgreement {
    std::vector<Match> matches;
    int pairs = 0;
};

RigAgreement AgreeingWithRig(const std::vector<RigSample>& samples, const RigGeometry& rig)
{
    const RadialLens lens = LensOf(rig.lens, rig.width, rig.height);
    const EyeWarps warps = KeystoneOf(rig).Warps(SizeOf(rig));
    const double tolerance = RigTolerance(rig);
    RigAgreement agreement;
    for (const RigSample& sample : samples) {
        if (SizeOf(sample.geometry) != SizeOf(rig))
            continue;
        std::vector<Match> agree;
        for (const auto& [lx, ly, rx, ry] : sample.matches) {
            const Match seen{{lx, ly}, {rx, ry}};
            if (std::abs(warps.RowError({Straightened(lens, seen.left), Straightened(lens, seen.right)})) <= tolerance)
                agree.push_back(seen);
        }
        if (TooFewAgree(agree.size(), sample.matches.size()))
            continue;
        agreement.matches.insert(agreement.matches.end(), agree.begin(), agree.end());
        ++agreement.pairs;
    }
    return agreement;
}

// CommonRig, OpenCV's errors aside.
std::variant<RigGeometry, std::string> CommonRigOf(const std::vector<RigSample>& samples)
{
    // The sample geometry that the most matches of all pairs agree with: a
    // pair misled by a pattern's copies agrees with little but itself. Up to
    // kRigCandidates of them are weighed, spread over the samples in their
    // order, so that a large batch costs no more than a pass over its matches
    // each.
    const RigSample* best = nullptr;
    RigAgreement bestAgreement;
    const std::size_t step = std::max<std::size_t>(1, (samples.size() + kRigCandidates - 1) / kRigCandidates);
    for (std::size_t i = 0; i < samples.size(); i += step) {
        RigAgreement agreement = AgreeingWithRig(samples, samples[i].geometry);
        if (agreement.pairs >= 2 && agreement.matches.size() > bestAgreement.matches.size())
            std::tie(best, bestAgreement) = std::pair(&samples[i], std::move(agreement));
    }
    if (!best)
        return std::string("no two pairs agree on one geometry");
    // Refitted to the matches that agree with it: the lens first (none
    // unless it brings them clearly closer, as for one pair), then the
    // keystone under that lens.
    const cv::Size size = SizeOf(best->geometry);
    const double tolerance = RigTolerance(best->geometry);
    const std::vector<Match>& agreeing = bestAgreement.matches;
    const Keystone start = KeystoneOf(best->geometry);
    const LensSearch search = SearchLens(agreeing, start, size, tolerance);
    const RadialLens lens =
        search.ClearlyCloser(agreeing.size(), tolerance) ? search.lens : LensOf(0, size.width, size.height);
    return RigOf(size, lens, Refitted(Straightened(lens, agreeing), start, size, tolerance), bestAgreement.pairs);
}

} // namespace

std::variant<AlignedPair, std::string> AlignPair(FIBITMAP* left, FIBITMAP* right, double windowMargin,
                                                 const RigGeometry* rig, const Alignment* own)
{
    return WithOpenCvErrors<AlignedPair>([&] { return AlignedPairOf(left, right, windowMargin, rig, own); });
}

std::variant<RigSample, std::string> SampleRig(FIBITMAP* left, FIBITMAP* right, double windowMargin)
{
    return WithOpenCvErrors<RigSample>([&] { return RigSampleOf(left, right, windowMargin); });
}

std::optional<RigGeometry> CommonRig(const std::vector<RigSample>& samples)
{
    auto found = WithOpenCvErrors<RigGeometry>([&] { return CommonRigOf(samples); });
    if (auto* rig = std::get_if<RigGeometry>(&found))
        return *rig;
    return std::nullopt;
}

std::array<double, 2> AlignedPoint(const Alignment& alignment, bool rightEye, std::array<double, 2> p)
{
    const std::array<double, 9>& w = rightEye ? alignment.rightWarp : alignment.leftWarp;
    const cv::Point2d at = Aligned(cv::Matx33d(w.data()), alignment.lens, {p[0], p[1]});
    return {at.x, at.y};
}

} // namespace velmora
