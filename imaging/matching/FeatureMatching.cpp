// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/FeatureMatching.h"

#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

namespace velmora {
namespace {

constexpr double kRatio = 0.75;      // a match must be this much better than the next best
constexpr double kGuidedRatio = 0.9; // the same among the few candidates the geometry leaves
constexpr int kLookAlikeBits = 100;  // of a descriptor's 486 that two views of one point may differ in

int Distance(const cv::Mat& descriptors, int row, const cv::Mat& others, int otherRow)
{
    return static_cast<int>(cv::norm(descriptors.row(row), others.row(otherRow), cv::NORM_HAMMING));
}

// Both eyes' features where a first straightening puts them, the left ones
// by row, so that each right feature's candidates are found by search.
class RowCandidates {
public:
    RowCandidates(const EyeFeatures& features, const cv::Matx33d& leftWarp, const cv::Matx33d& rightWarp)
    {
        if (!features.points[0].empty())
            cv::perspectiveTransform(features.points[0], lefts_, leftWarp);
        if (!features.points[1].empty())
            cv::perspectiveTransform(features.points[1], rights_, rightWarp);
        byRow_.resize(lefts_.size());
        std::iota(byRow_.begin(), byRow_.end(), 0);
        std::sort(byRow_.begin(), byRow_.end(), [&](int a, int b) { return lefts_[a].y < lefts_[b].y; });
        for (int index : byRow_)
            rows_.push_back(lefts_[static_cast<std::size_t>(index)].y);
    }

    // Calls visit(l) for each left feature l within `band` rows of right
    // feature r and `fewestColumns` to `mostColumns` to its right, until
    // visit returns false.
    template <typename Visit>
    void ForEach(std::size_t r, double band, double fewestColumns, double mostColumns, Visit visit) const
    {
        const cv::Point2d& at = rights_[r];
        const auto from = std::lower_bound(rows_.begin(), rows_.end(), at.y - band);
        const auto to = std::upper_bound(rows_.begin(), rows_.end(), at.y + band);
        for (auto candidate = from; candidate != to; ++candidate) {
            const int l = byRow_[static_cast<std::size_t>(candidate - rows_.begin())];
            const double columns = lefts_[static_cast<std::size_t>(l)].x - at.x;
            if (columns >= fewestColumns && columns <= mostColumns && !visit(l))
                return;
        }
    }

private:
    std::vector<cv::Point2d> lefts_, rights_;
    std::vector<int> byRow_;
    std::vector<double> rows_;
};

} // namespace

double MatchingReduce(int width, int height, int side)
{
    return std::min(1.0, static_cast<double>(side) / std::max(width, height));
}

EyeFeatures FindFeatures(const cv::Mat& left, const cv::Mat& right, int side)
{
    EyeFeatures features;
    features.reduce = MatchingReduce(left.cols, left.rows, side);
    const cv::Mat* eyes[2] = {&left, &right};
    const cv::Ptr<cv::AKAZE> akaze = cv::AKAZE::create();
    for (int eye = 0; eye < 2; ++eye) {
        cv::Mat grey;
        cv::cvtColor(*eyes[eye], grey, cv::COLOR_BGR2GRAY);
        if (features.reduce < 1)
            cv::resize(grey, grey, cv::Size(), features.reduce, features.reduce, cv::INTER_AREA);
        std::vector<cv::KeyPoint> points;
        akaze->detectAndCompute(grey, cv::noArray(), points, features.descriptors[eye]);
        for (const cv::KeyPoint& point : points)
            features.points[eye].push_back(cv::Point2d(point.pt.x, point.pt.y) / features.reduce);
    }
    return features;
}

std::vector<Match> RatioMatches(const EyeFeatures& features)
{
    std::vector<Match> matches;
    if (features.descriptors[0].empty() || features.descriptors[1].empty())
        return matches;
    cv::BFMatcher matcher(cv::NORM_HAMMING);
    std::vector<std::vector<cv::DMatch>> best;
    matcher.knnMatch(features.descriptors[1], features.descriptors[0], best, 2);
    for (const std::vector<cv::DMatch>& two : best)
        if (two.size() == 2 && two[0].distance < kRatio * two[1].distance)
            matches.push_back({features.points[0][two[0].trainIdx], features.points[1][two[0].queryIdx]});
    return matches;
}

std::vector<Match> MatchFeatures(const cv::Mat& left, const cv::Mat& right, int side)
{
    return RatioMatches(FindFeatures(left, right, side));
}

std::vector<Match> GuidedMatches(const EyeFeatures& features, const cv::Matx33d& leftWarp, const cv::Matx33d& rightWarp,
                                 double band, double fewestColumns, double mostColumns)
{
    const std::vector<cv::Point2d>& lefts = features.points[0];
    const std::vector<cv::Point2d>& rights = features.points[1];
    const RowCandidates candidates(features, leftWarp, rightWarp);
    constexpr int kNone = std::numeric_limits<int>::max();
    std::vector<int> bestLeft(rights.size(), -1), bestDistance(rights.size(), kNone), runnerUp(rights.size(), kNone);
    std::vector<int> bestRight(lefts.size(), -1), bestReturn(lefts.size(), kNone);
    for (std::size_t r = 0; r < rights.size(); ++r)
        candidates.ForEach(r, band, fewestColumns, mostColumns, [&](int l) {
            const int distance = Distance(features.descriptors[1], static_cast<int>(r), features.descriptors[0], l);
            if (distance < bestDistance[r]) {
                runnerUp[r] = bestDistance[r];
                bestDistance[r] = distance;
                bestLeft[r] = l;
            } else if (distance < runnerUp[r]) {
                runnerUp[r] = distance;
            }
            if (distance < bestReturn[static_cast<std::size_t>(l)]) {
                bestReturn[static_cast<std::size_t>(l)] = distance;
                bestRight[static_cast<std::size_t>(l)] = static_cast<int>(r);
            }
            return true;
        });
    std::vector<Match> matches;
    for (std::size_t r = 0; r < rights.size(); ++r) {
        const int l = bestLeft[r];
        if (l >= 0 && bestRight[static_cast<std::size_t>(l)] == static_cast<int>(r) &&
            (runnerUp[r] == kNone || bestDistance[r] < kGuidedRatio * runnerUp[r]))
            matches.push_back({lefts[static_cast<std::size_t>(l)], rights[r]});
    }
    return matches;
}

int RowSupport(const EyeFeatures& features, const cv::Matx33d& leftWarp, const cv::Matx33d& rightWarp, double band,
               double fewestColumns, double mostColumns)
{
    const RowCandidates candidates(features, leftWarp, rightWarp);
    int supported = 0;
    for (std::size_t r = 0; r < features.points[1].size(); ++r) {
        bool found = false;
        candidates.ForEach(r, band, fewestColumns, mostColumns, [&](int l) {
            found =
                Distance(features.descriptors[1], static_cast<int>(r), features.descriptors[0], l) <= kLookAlikeBits;
            return !found;
        });
        supported += found;
    }
    return supported;
}

std::vector<Match> AgreeingWithNeighbours(const std::vector<Match>& matches, int neighbours, double tolerance)
{
    if (static_cast<int>(matches.size()) <= neighbours)
        return matches;
    // The nearest matches are sought outwards from each one's place in the
    // order of columns, and no further than the farthest of the nearest
    // found so far: a picture's thousands of matches are not each measured
    // against all the others.
    std::vector<std::size_t> byColumn(matches.size()), place(matches.size());
    std::iota(byColumn.begin(), byColumn.end(), 0);
    std::sort(byColumn.begin(), byColumn.end(),
              [&](std::size_t a, std::size_t b) { return matches[a].left.x < matches[b].left.x; });
    for (std::size_t at = 0; at < byColumn.size(); ++at)
        place[byColumn[at]] = at;
    const std::size_t wanted = static_cast<std::size_t>(neighbours) + 1; // the nearest is the match itself
    std::vector<Match> agreeing;
    std::vector<std::pair<double, double>> nearest; // squared distance, columns apart; the farthest first
    std::vector<double> columns;
    for (std::size_t index = 0; index < matches.size(); ++index) {
        const Match& m = matches[index];
        nearest.clear();
        const auto consider = [&](std::size_t inOrder) {
            const Match& other = matches[byColumn[inOrder]];
            const cv::Point2d apart = other.left - m.left;
            const std::pair<double, double> seen{apart.dot(apart), other.left.x - other.right.x};
            if (nearest.size() == wanted) {
                if (seen >= nearest.front())
                    return;
                std::pop_heap(nearest.begin(), nearest.end());
                nearest.pop_back();
            }
            nearest.push_back(seen);
            std::push_heap(nearest.begin(), nearest.end());
        };
        const std::size_t at = place[index];
        consider(at);
        for (std::size_t before = at, after = at + 1;;) {
            constexpr double kNone = std::numeric_limits<double>::infinity();
            const double leftGap = before > 0 ? m.left.x - matches[byColumn[before - 1]].left.x : kNone;
            const double rightGap = after < byColumn.size() ? matches[byColumn[after]].left.x - m.left.x : kNone;
            const double gap = std::min(leftGap, rightGap);
            if (gap == kNone || (nearest.size() == wanted && gap * gap > nearest.front().first))
                break;
            consider(leftGap <= rightGap ? --before : after++);
        }
        columns.clear();
        for (const auto& [distance, apart] : nearest)
            if (distance > 0)
                columns.push_back(apart);
        if (columns.empty()) // every neighbour at its very place: nothing to agree with
            continue;
        std::nth_element(columns.begin(), columns.begin() + columns.size() / 2, columns.end());
        if (std::abs(m.left.x - m.right.x - columns[columns.size() / 2]) <= tolerance)
            agreeing.push_back(m);
    }
    return agreeing;
}

} // namespace velmora
