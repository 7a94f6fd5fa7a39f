// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/PairAlignment.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <random>

namespace velmora::test {
namespace {

// A scene with texture at every scale: shapes of random colours over noise,
// a little blurred, as a photograph's edges are.
cv::Mat Scene(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    cv::Mat scene(height, width, CV_8UC3);
    cv::randu(scene, cv::Scalar::all(0), cv::Scalar::all(255));
    cv::GaussianBlur(scene, scene, cv::Size(0, 0), 3);
    std::uniform_int_distribution<int> x(0, width), y(0, height), size(4, 60), byte(0, 255);
    for (int shape = 0; shape < 400; ++shape) {
        const cv::Scalar colour(byte(random), byte(random), byte(random));
        if (shape % 2)
            cv::circle(scene, {x(random), y(random)}, size(random), colour, cv::FILLED, cv::LINE_AA);
        else
            cv::rectangle(scene, cv::Rect(x(random), y(random), size(random), size(random)), colour, cv::FILLED);
    }
    cv::GaussianBlur(scene, scene, cv::Size(0, 0), 0.8);
    return scene;
}

// The right eye that `turn` degrees, `scale` and the offsets make of the
// left: right(x, y) = left(T(x, y)), T the transform alignment must find.
cv::Mat RightEye(const cv::Mat& left, double turn, double scale, double offsetX, double offsetY)
{
    const double radians = turn * CV_PI / 180;
    const cv::Matx23d toLeft(scale * std::cos(radians), -scale * std::sin(radians), offsetX,
                             scale * std::sin(radians), scale * std::cos(radians), offsetY);
    cv::Mat right;
    cv::warpAffine(left, right, toLeft, left.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REFLECT);
    return right;
}

Bitmap ToBitmap(const cv::Mat& topDown)
{
    return MakeImage(topDown.cols, topDown.rows, [&](int x, int y) {
        const cv::Vec3b bgr = topDown.at<cv::Vec3b>(topDown.rows - 1 - y, x);
        return Bgr{bgr[0], bgr[1], bgr[2]};
    });
}

AlignedPair Aligned(const cv::Mat& left, const cv::Mat& right, double margin = 0)
{
    auto aligned = AlignPair(ToBitmap(left).get(), ToBitmap(right).get(), margin);
    if (const auto* why = std::get_if<std::string>(&aligned)) {
        ADD_FAILURE() << *why;
        return {};
    }
    return std::move(std::get<AlignedPair>(aligned));
}

TEST(PairAlignmentTest, AKnownTurnScaleAndOffsetAreRecovered)
{
    const cv::Mat left = Scene(960, 640, 1);
    struct Case {
        double turn, scale, offsetY;
    };
    for (const Case& known : {Case{0.6, 1.004, 3.5}, Case{-1.3, 0.993, -7.25}, Case{0, 1, 12}}) {
        const AlignedPair pair = Aligned(left, RightEye(left, known.turn, known.scale, 0, known.offsetY));
        ASSERT_TRUE(pair.left);
        const Alignment& found = pair.alignment;
        EXPECT_NEAR(found.angle, known.turn, 0.05) << known.turn;
        EXPECT_NEAR(found.scale, known.scale, 0.001) << known.turn;
        // The offset is found at the top-left corner, where it applies.
        EXPECT_NEAR(found.offsetY, known.offsetY, 0.2) << known.turn;
        EXPECT_LT(found.verticalError, 0.2) << known.turn;
        EXPECT_EQ(Width(pair.left.get()), Width(pair.right.get()));
        EXPECT_EQ(Height(pair.left.get()), Height(pair.right.get()));
        EXPECT_EQ(Width(pair.left.get()), found.cropWidth);
    }
}

TEST(PairAlignmentTest, TheNearestPointEndsAtTheScreenOrTheMarginBehindIt)
{
    // A flat scene 14 pixels nearer in the left eye than in the right.
    const cv::Mat left = Scene(800, 600, 2);
    const cv::Mat right = RightEye(left, 0, 1, 14, 0);
    EXPECT_NEAR(Aligned(left, right).alignment.offsetX, 14, 0.3);
    EXPECT_NEAR(Aligned(left, right, 5).alignment.offsetX, 19, 0.3);
}

TEST(PairAlignmentTest, PairsWithoutAnAlignmentAreRefused)
{
    const cv::Mat flat(400, 600, CV_8UC3, cv::Scalar(90, 120, 200));
    const auto nothing = AlignPair(ToBitmap(flat).get(), ToBitmap(flat).get(), 0);
    ASSERT_TRUE(std::holds_alternative<std::string>(nothing));
    EXPECT_NE(std::get<std::string>(nothing).find("too few points match"), std::string::npos);

    const auto unrelated = AlignPair(ToBitmap(Scene(600, 400, 3)).get(), ToBitmap(Scene(600, 400, 4)).get(), 0);
    EXPECT_TRUE(std::holds_alternative<std::string>(unrelated));
}

} // namespace
} // namespace velmora::test
