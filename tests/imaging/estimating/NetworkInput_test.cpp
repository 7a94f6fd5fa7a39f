// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/estimating/NetworkInput.h"

#include "tests/imaging/estimating/BlockPicture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora::test {
namespace {

float BlobAt(const cv::Mat& blob, int channel, int yFromTop, int x)
{
    return blob.ptr<float>(0, channel)[yFromTop * blob.size[3] + x];
}

TEST(NetworkInputTest, ShrinkingAveragesEveryPixelEnlargingIsBicubic)
{
    EstimatorOptions options;
    options.inputWidth = options.inputHeight = 4;
    options.mean = {0, 0, 0};
    options.scale = {255, 255, 255};
    const Bitmap blocks = BlockPicture(4, 4);
    const cv::Mat shrunk = InputBlob(blocks.get(), options);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_FLOAT_EQ(BlobAt(shrunk, 0, y, x), BlockColour(x, y).red);
            EXPECT_FLOAT_EQ(BlobAt(shrunk, 2, y, x), BlockColour(x, y).blue);
        }

    // A step from 100 to 200 rings past both levels under bicubic
    // enlargement, where bilinear or area resampling would stay between them.
    const Bitmap step = MakeImage(2, 2, [](int x, int) { return Grey(x ? 200 : 100); });
    options.inputWidth = options.inputHeight = 8;
    const cv::Mat enlarged = InputBlob(step.get(), options);
    const float* row = enlarged.ptr<float>(0, 1);
    EXPECT_LT(*std::min_element(row, row + 8), 100);
    EXPECT_GT(*std::max_element(row, row + 8), 200);
}

} // namespace
} // namespace velmora::test
