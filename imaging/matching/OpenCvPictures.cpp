// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/OpenCvPictures.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>
#include <new>

namespace velmora {

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

double Percentile(std::vector<double> values, double share)
{
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(share * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

} // namespace velmora
