// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/estimating/NetworkOutput.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora::test {
namespace {

TEST(NetworkOutputTest, OneValueAPixelInAnyOfItsShapesAndNothingElse)
{
    for (const std::vector<int>& shape : std::vector<std::vector<int>> {{2, 3}, {1, 2, 3}, {1, 1, 2, 3}}) {
        cv::Mat output(static_cast<int>(shape.size()), shape.data(), CV_32F);
        for (int i = 0; i < 6; ++i)
            output.ptr<float>()[i] = static_cast<float>(i);
        auto plane = OutputPlane(output);
        ASSERT_TRUE(std::holds_alternative<cv::Mat>(plane)) << std::get<std::string>(plane);
        const cv::Mat& values = std::get<cv::Mat>(plane);
        EXPECT_EQ(values.rows, 2);
        EXPECT_EQ(values.cols, 3);
        EXPECT_EQ(values.at<float>(1, 0), 3);
    }
    for (const std::vector<int>& shape : std::vector<std::vector<int>> {{1, 3, 8, 8}, {2, 8, 8}, {1, 1, 1, 8, 8}}) {
        auto plane = OutputPlane(cv::Mat(static_cast<int>(shape.size()), shape.data(), CV_32F, cv::Scalar(0)));
        ASSERT_TRUE(std::holds_alternative<std::string>(plane));
        EXPECT_NE(std::get<std::string>(plane).find("a depth model gives one value per pixel"), std::string::npos);
    }
    EXPECT_EQ(std::get<std::string>(OutputPlane(cv::Mat(std::vector<int> {1, 3, 8, 8}, CV_32F))),
              "its output has shape 1x3x8x8; a depth model gives one value per pixel");
}

TEST(NetworkOutputTest, StretchedBilinearlyToThePictureAndDepthTurnedToDisparityFirst)
{
    const cv::Mat plane = (cv::Mat_<float>(1, 2) << 4, 8);
    // Twice the width: pixel centres a quarter and three quarters between the two values.
    const DisparityMap wide = DisparityAtSize(plane, DepthOutput::kInverseDepth, 4, 2);
    ASSERT_EQ(wide.values.size(), 8u);
    EXPECT_EQ(wide.values, (std::vector<float> {4, 5, 7, 8, 4, 5, 7, 8}));

    const DisparityMap near = DisparityAtSize(plane, DepthOutput::kDepth, 4, 1);
    EXPECT_EQ(near.values, (std::vector<float> {0.25f, 0.21875f, 0.15625f, 0.125f}));

    // No depth (zero, negative, not a number) is as far as the farthest.
    const cv::Mat holes = (cv::Mat_<float>(1, 4) << 2, 0, -1, NAN);
    EXPECT_EQ(DisparityAtSize(holes, DepthOutput::kDepth, 4, 1).values, (std::vector<float> {0.5f, 0.5f, 0.5f, 0.5f}));
    const cv::Mat none = (cv::Mat_<float>(1, 2) << 0, -3);
    EXPECT_EQ(DisparityAtSize(none, DepthOutput::kDepth, 2, 1).values, (std::vector<float> {0, 0}));
}

} // namespace
} // namespace velmora::test
