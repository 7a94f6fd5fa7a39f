// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/OpenCvPictures.h"

#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>
#include <new>

namespace velmora {
namespace {

constexpr double kRatio = 0.75; // a match must be this much better than the next best

} // namespace

cv::Mat BottomUpView(FIBITMAP* bitmap)
{
    return cv::Mat(Height(bitmap), Width(bitmap), CV_8UC3, FreeImage_GetBits(bitmap), FreeImage_GetPitch(bitmap));
}

// A bitmap's pixels as OpenCV keeps pictures: blue, green, red, top row first.
cv::Mat TopDown(FIBITMAP* bitmap)
{
    cv::Mat topDown;
    cv::flip(BottomUpView(bitmap), topDown, 0);
    return topDown;
}

Bitmap ToBitmap(const cv::Mat& topDown, FIBITMAP* resolutionOf)
{
    Bitmap bitmap = NewImage(topDown.cols, topDown.rows, 24);
    if (!bitmap)
        throw std::bad_alloc();
    for (int y = 0; y < topDown.rows; ++y)
        std::memcpy(RowAt(bitmap.get(), topDown.rows - 1 - y), topDown.ptr(y), 3 * static_cast<std::size_t>(topDown.cols));
    FreeImage_SetDotsPerMeterX(bitmap.get(), FreeImage_GetDotsPerMeterX(resolutionOf));
    FreeImage_SetDotsPerMeterY(bitmap.get(), FreeImage_GetDotsPerMeterY(resolutionOf));
    return bitmap;
}

std::vector<Match> MatchFeatures(const cv::Mat& left, const cv::Mat& right, int side)
{
    const double reduce = std::min(1.0, static_cast<double>(side) / std::max(left.cols, left.rows));
    cv::Mat greys[2];
    const cv::Mat* eyes[2] = {&left, &right};
    std::vector<cv::KeyPoint> points[2];
    cv::Mat descriptors[2];
    const cv::Ptr<cv::AKAZE> akaze = cv::AKAZE::create();
    for (int eye = 0; eye < 2; ++eye) {
        cv::cvtColor(*eyes[eye], greys[eye], cv::COLOR_BGR2GRAY);
        if (reduce < 1)
            cv::resize(greys[eye], greys[eye], cv::Size(), reduce, reduce, cv::INTER_AREA);
        akaze->detectAndCompute(greys[eye], cv::noArray(), points[eye], descriptors[eye]);
    }
    std::vector<Match> matches;
    if (descriptors[0].empty() || descriptors[1].empty())
        return matches;
    cv::BFMatcher matcher(cv::NORM_HAMMING);
    std::vector<std::vector<cv::DMatch>> best;
    matcher.knnMatch(descriptors[1], descriptors[0], best, 2);
    for (const std::vector<cv::DMatch>& two : best)
        if (two.size() == 2 && two[0].distance < kRatio * two[1].distance) {
            const cv::Point2f l = points[0][two[0].trainIdx].pt, r = points[1][two[0].queryIdx].pt;
            matches.push_back({cv::Point2d(l.x, l.y) / reduce, cv::Point2d(r.x, r.y) / reduce});
        }
    return matches;
}

double Percentile(std::vector<double> values, double share)
{
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(share * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

} // namespace velmora
