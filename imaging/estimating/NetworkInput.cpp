// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/estimating/NetworkInput.h"

#include "imaging/matching/OpenCvPictures.h"

#include <opencv2/imgproc.hpp>

namespace velmora {

cv::Mat InputBlob(FIBITMAP* picture, const EstimatorOptions& options)
{
    const cv::Mat bottomUp = BottomUpView(picture);
    const cv::Size size(options.inputWidth, options.inputHeight);
    const bool shrinks = bottomUp.cols >= size.width && bottomUp.rows >= size.height;
    cv::Mat resized;
    cv::resize(bottomUp, resized, size, 0, 0, shrinks ? cv::INTER_AREA : cv::INTER_CUBIC);

    const int blobSizes[] = {1, 3, size.height, size.width};
    cv::Mat blob(4, blobSizes, CV_32F);
    for (int channel = 0; channel < 3; ++channel) {
        // Stored pixels are blue, green, red.
        const int stored = options.rgb ? 2 - channel : channel;
        const float scale = options.scale[channel] / 255;
        const float offset = -options.mean[channel] * options.scale[channel];
        float* to = blob.ptr<float>(0, channel);
        for (int y = 0; y < size.height; ++y) {
            // The resized picture's rows still run from the bottom.
            const std::uint8_t* from = resized.ptr<std::uint8_t>(size.height - 1 - y) + stored;
            for (int x = 0; x < size.width; ++x)
                *to++ = from[3 * x] * scale + offset;
        }
    }
    return blob;
}

} // namespace velmora
