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

TEST(NetworkInputTest, ChannelOrderMeanAndScaleOfEveryPixelTopRowFirst)
{
    // At the input size: no resampling, each value as it is.
    const Bitmap picture = MakeImage(5, 3, [](int x, int y) {
        return Bgr {static_cast<std::uint8_t>(10 * x), static_cast<std::uint8_t>(100 + y),
                    static_cast<std::uint8_t>(250 - x * y)};
    });
    EstimatorOptions options;
    options.inputWidth = 5;
    options.inputHeight = 3;
    options.mean = {0.1f, 0.5f, 0.9f};
    options.scale = {2, 3, 4};
    for (const bool rgb : {true, false}) {
        options.rgb = rgb;
        const cv::Mat blob = InputBlob(picture.get(), options);
        ASSERT_EQ(blob.dims, 4);
        ASSERT_EQ(std::vector<int>(blob.size.p, blob.size.p + 4), (std::vector<int> {1, 3, 3, 5}));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const Bgr pixel = PixelOf(picture.get(), x, 2 - y);
                const int first = rgb ? pixel.red : pixel.blue, last = rgb ? pixel.blue : pixel.red;
                EXPECT_NEAR(BlobAt(blob, 0, y, x), (first / 255.0 - 0.1) * 2, 1e-5);
                EXPECT_NEAR(BlobAt(blob, 1, y, x), (pixel.green / 255.0 - 0.5) * 3, 1e-5);
                EXPECT_NEAR(BlobAt(blob, 2, y, x), (last / 255.0 - 0.9) * 4, 1e-5);
            }
    }
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
