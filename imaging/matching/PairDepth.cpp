// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/PairDepth.h"

#include "imaging/matching/FeatureMatching.h"
#include "imaging/matching/OpenCvErrors.h"
#include "imaging/matching/OpenCvPictures.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora {
namespace {

constexpr int kFewestMatches = 8;      // to find the range of disparities
constexpr double kRangeShare = 0.01;   // the share of matches cut off each end of the range, as outliers
constexpr int kRangeMargin = 8;        // pixels added at each end of the matched range, at the least
constexpr double kRangeWidening = 0.5; // or this share of it: thin near things hold few features
constexpr double kSameRow = 1.5;       // pixels two matched points of an aligned pair may lie apart vertically
constexpr int kBlock = 3;              // SGBM's matching block
constexpr int kUniqueness = 15;        // percent by which the best cost must beat the next, or the pixel is untrusted
constexpr int kSpeckleArea = 200;      // pixels: smaller islands of disparities apart from their surroundings...
constexpr int kSpeckleStep = 1;        // ...by more than this (in pixels) are untrusted
constexpr int kSpeckle = 5;            // the median filter's square that removes single wrong disparities
// Rows of the matching copy an alignment may move one eye against the other
// and change nothing the matching sees.
constexpr double kRowsAgree = 0.5;

// Pixels without a trusted disparity take the farther (smaller) of their
// row's nearest trusted neighbours: hidden pixels lie behind what hides
// them. A row with none takes the farthest disparity.
void FillFromBackground(cv::Mat& disparity, const cv::Mat& trusted, float farthest)
{
    for (int y = 0; y < disparity.rows; ++y) {
        float* row = disparity.ptr<float>(y);
        const unsigned char* ok = trusted.ptr<unsigned char>(y);
        std::vector<float> fromLeft(disparity.cols), fromRight(disparity.cols);
        float last = -1;
        for (int x = 0; x < disparity.cols; ++x)
            fromLeft[x] = last = ok[x] ? row[x] : last;
        last = -1;
        for (int x = disparity.cols - 1; x >= 0; --x)
            fromRight[x] = last = ok[x] ? row[x] : last;
        for (int x = 0; x < disparity.cols; ++x)
            if (!ok[x]) {
                const float a = fromLeft[x], b = fromRight[x];
                row[x] = a < 0 && b < 0 ? farthest : a < 0 ? b : b < 0 ? a : std::min(a, b);
            }
    }
}

// SGBM matches no pixel whose whole search range does not lie in the right
// eye: the left `lowest + count` columns (and the right `-lowest` ones when
// the range reaches below zero). Both eyes are widened there with their edge
// columns so that every pixel whose match is in view is matched. A match
// whose block reaches into the added columns, give or take the left-right
// check's tolerance, cannot be told from one out of view, so is not trusted.
cv::Mat MatchAcrossTheWidth(cv::StereoSGBM& sgbm, const cv::Mat& left, const cv::Mat& right)
{
    const int before = std::max(0, sgbm.getMinDisparity() + sgbm.getNumDisparities());
    const int after = std::max(0, -sgbm.getMinDisparity());
    cv::Mat wideLeft, wideRight, fixedPoint;
    cv::copyMakeBorder(left, wideLeft, 0, 0, before, after, cv::BORDER_REPLICATE);
    cv::copyMakeBorder(right, wideRight, 0, 0, before, after, cv::BORDER_REPLICATE);
    sgbm.compute(wideLeft, wideRight, fixedPoint);
    cv::Mat disparity = fixedPoint(cv::Rect(before, 0, left.cols, left.rows)).clone();
    const int scale = cv::StereoMatcher::DISP_SCALE;
    const short untrusted = static_cast<short>((sgbm.getMinDisparity() - 1) * scale);
    const int edge = (sgbm.getBlockSize() / 2 + sgbm.getDisp12MaxDiff()) * scale;
    for (int y = 0; y < disparity.rows; ++y) {
        short* row = disparity.ptr<short>(y);
        for (int x = 0; x < disparity.cols; ++x) {
            const int inRightEye = x * scale - row[x];
            if (inRightEye < edge || inRightEye > (disparity.cols - 1) * scale - edge)
                row[x] = untrusted;
        }
    }
    return disparity;
}

// DepthFromPair, OpenCV's errors aside.
std::variant<PairDepth, std::string> DepthOf(FIBITMAP* left, FIBITMAP* right)
{
    const cv::Mat leftEye = TopDown(left), rightEye = TopDown(right);
    const double reduce = std::min(1.0, static_cast<double>(kDepthMatchingWidth) / leftEye.cols);
    cv::Mat smallLeft = leftEye, smallRight = rightEye;
    if (reduce < 1) {
        cv::resize(leftEye, smallLeft, cv::Size(), reduce, reduce, cv::INTER_AREA);
        cv::resize(rightEye, smallRight, cv::Size(), reduce, reduce, cv::INTER_AREA);
    }
    // The range to search, from the features both eyes show.
    const std::vector<Match> matches = MatchFeatures(smallLeft, smallRight, std::max(smallLeft.cols, smallLeft.rows));
    if (static_cast<int>(matches.size()) < kFewestMatches)
        return "too few points match between the eyes (" + std::to_string(matches.size()) +
               ") to tell their depths: is the pair aligned, with some texture?";
    // On an aligned pair true matches lie on one row: the rest are wrong.
    std::vector<double> found;
    for (const Match& m : matches)
        if (std::abs(m.left.y - m.right.y) <= kSameRow)
            found.push_back(m.left.x - m.right.x);
    if (static_cast<int>(found.size()) < kFewestMatches)
        return "too few points match on the same rows (" + std::to_string(found.size()) +
               "): align the pair first";
    const double farthestFound = Percentile(found, kRangeShare), nearestFound = Percentile(found, 1 - kRangeShare);
    const double margin = std::max<double>(kRangeMargin, kRangeWidening * (nearestFound - farthestFound));
    const int lowest = static_cast<int>(std::floor(farthestFound - margin));
    const int highest = static_cast<int>(std::ceil(nearestFound + margin));
    const int count = std::max(16, (highest - lowest + 15) / 16 * 16);

    const int channels = 3;
    const cv::Ptr<cv::StereoSGBM> sgbm =
        cv::StereoSGBM::create(lowest, count, kBlock, 8 * channels * kBlock * kBlock, 32 * channels * kBlock * kBlock,
                               1, 63, kUniqueness, kSpeckleArea, kSpeckleStep, cv::StereoSGBM::MODE_SGBM_3WAY);
    cv::Mat disparity;
    MatchAcrossTheWidth(*sgbm, smallLeft, smallRight).convertTo(disparity, CV_32F, 1.0 / 16);
    // SGBM marks what it cannot trust below its range.
    const cv::Mat trusted = disparity >= static_cast<float>(lowest);
    const int trustedCount = cv::countNonZero(trusted);
    if (static_cast<std::size_t>(trustedCount) < disparity.total() / 10)
        return std::string("the eyes hold too little texture to match");
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(trustedCount));
    for (int y = 0; y < disparity.rows; ++y)
        for (int x = 0; x < disparity.cols; ++x)
            if (trusted.at<unsigned char>(y, x))
                values.push_back(disparity.at<float>(y, x));
    const float farthest = static_cast<float>(Percentile(values, kRangeShare));
    FillFromBackground(disparity, trusted, farthest);
    cv::medianBlur(disparity, disparity, kSpeckle);

    // Back to full size, the disparities in full-size pixels.
    if (reduce < 1) {
        cv::resize(disparity, disparity, leftEye.size(), 0, 0, cv::INTER_LINEAR);
        disparity /= reduce;
    }
    // The map spans every disparity it holds, so that none is cut off.
    double lowestFound = 0, highestFound = 0;
    cv::minMaxLoc(disparity, &lowestFound, &highestFound);
    PairDepth depth;
    depth.farthest = lowestFound;
    depth.nearest = highestFound;
    const double span = std::max(1e-6, depth.nearest - depth.farthest);
    cv::Mat grey;
    disparity.convertTo(grey, CV_8U, 255 / span, -255 * depth.farthest / span);
    cv::Mat bgr;
    cv::cvtColor(grey, bgr, cv::COLOR_GRAY2BGR);
    depth.depth = ToBitmap(bgr, left);
    return depth;
}

} // namespace

int PairDepth::Parallax() const
{
    return -static_cast<int>(std::lround(nearest - farthest));
}

int PairDepth::Window() const
{
    return static_cast<int>(std::lround(farthest));
}

std::variant<PairDepth, std::string> DepthFromPair(FIBITMAP* left, FIBITMAP* right)
{
    return WithOpenCvErrors<PairDepth>([&] { return DepthOf(left, right); });
}

bool RowsAlreadyAgree(const Alignment& alignment, int width, int height)
{
    const double reduce = std::min(1.0, static_cast<double>(kDepthMatchingWidth) / width);
    // A point's match lies on its row anywhere across the other eye, so each
    // row must stay level in both eyes and at one height. A homography and a
    // lens bend rows most at the frame's edges and corners: rows are
    // compared there and in the middle.
    const double across[] = {0.0, width / 2.0, static_cast<double>(width)};
    for (const double y : {0.0, height / 2.0, static_cast<double>(height)}) {
        double lowest = INFINITY, highest = -INFINITY;
        for (const bool rightEye : {false, true})
            for (const double x : across) {
                const double row = AlignedPoint(alignment, rightEye, {x, y})[1];
                lowest = std::min(lowest, row);
                highest = std::max(highest, row);
            }
        if ((highest - lowest) * reduce > kRowsAgree)
            return false;
    }
    return true;
}

} // namespace velmora
