// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <opencv2/core.hpp>

#include <vector>

// The points two eyes share: features found in each, and matched between
// them either alone or under a first guess at the pair's geometry.
namespace velmora {

// A point seen in both eyes, in the full pictures' pixels.
struct Match {
    cv::Point2d left, right;
};

// Each eye's AKAZE features, found on a copy of at most `side` pixels a side;
// the points in the full picture's pixels.
struct EyeFeatures {
    std::vector<cv::Point2d> points[2]; // left, right
    cv::Mat descriptors[2];
    double reduce = 1; // the copy's size over the picture's
};

EyeFeatures FindFeatures(const cv::Mat& left, const cv::Mat& right, int side);

// The size of that copy over the picture's, for a picture of `width` x `height`.
double MatchingReduce(int width, int height, int side);

// Features matched from the right eye to the left whose best match is
// clearly better than the next (the ratio test): sure, but blind to
// repeated patterns, whose every copy looks alike.
std::vector<Match> RatioMatches(const EyeFeatures& features);

// Both steps at once.
std::vector<Match> MatchFeatures(const cv::Mat& left, const cv::Mat& right, int side);

// Features matched again under a first straightening: `leftWarp` and
// `rightWarp` (homographies, pixels to pixels) put each right feature's match
// within `band` pixels of its row and `fewestColumns` to `mostColumns` to the
// right of it. Among so few candidates the copies of a repeated pattern no
// longer compete, so the best one is kept when it is also the right
// feature's best in return and somewhat better than the runner-up.
std::vector<Match> GuidedMatches(const EyeFeatures& features, const cv::Matx33d& leftWarp, const cv::Matx33d& rightWarp,
                                 double band, double fewestColumns, double mostColumns);

// How many right features find a look-alike among the left ones that
// `leftWarp` and `rightWarp` put within `band` rows of them and
// `fewestColumns` to `mostColumns` to their right: how much of the scene a
// geometry finds again. The pair's own geometry finds nearly every point
// both eyes see; a repeated pattern's copy one period off finds only the
// pattern, however many of the sure matches it gathered.
int RowSupport(const EyeFeatures& features, const cv::Matx33d& leftWarp, const cv::Matx33d& rightWarp, double band,
               double fewestColumns, double mostColumns);

// The matches whose columns apart (left minus right) lie within `tolerance`
// of the median of their `neighbours` nearest matches' (in the left eye): a
// surface's depth changes smoothly, while a repeated pattern's wrong copies
// jump by its period.
std::vector<Match> AgreeingWithNeighbours(const std::vector<Match>& matches, int neighbours, double tolerance);

} // namespace velmora
