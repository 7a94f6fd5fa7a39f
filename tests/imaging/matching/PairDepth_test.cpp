// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/PairDepth.h"

#include "imaging/matching/LensDistortion.h"
#include "imaging/matching/OpenCvErrors.h"

#include "imaging/stereo/ShiftedView.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <new>
#include <random>

namespace velmora::test {
namespace {

// Texture at every scale, as in a photograph.
cv::Mat Texture(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    cv::Mat texture(height, width, CV_8UC3);
    cv::randu(texture, cv::Scalar::all(0), cv::Scalar::all(255));
    cv::GaussianBlur(texture, texture, cv::Size(0, 0), 1.5);
    for (int shape = 0; shape < 200; ++shape)
        cv::circle(texture, {int(random() % width), int(random() % height)}, 3 + int(random() % 20),
                   cv::Scalar(random() % 256, random() % 256, random() % 256), cv::FILLED, cv::LINE_AA);
    return texture;
}

Bitmap ToBitmap(const cv::Mat& topDown)
{
    return MakeImage(topDown.cols, topDown.rows, [&](int x, int y) {
        const cv::Vec3b bgr = topDown.at<cv::Vec3b>(topDown.rows - 1 - y, x);
        return Bgr{bgr[0], bgr[1], bgr[2]};
    });
}

// An aligned pair of a wall 8 pixels apart between the eyes and a square
// `squareDisparity` apart in front of it, its left side at `squareLeft` in the
// left eye: each lies its disparity further left in the right eye.
struct Scene {
    Bitmap left, right;
};

Scene WallAndSquare(int squareLeft = 300, int squareDisparity = 24)
{
    const int width = 640, height = 400;
    const cv::Mat wall = Texture(width + 40, height, 1), square = Texture(160, 160, 2);
    cv::Mat left(height, width, CV_8UC3), right(height, width, CV_8UC3);
    wall(cv::Rect(20, 0, width, height)).copyTo(left);
    wall(cv::Rect(28, 0, width, height)).copyTo(right);
    square.copyTo(left(cv::Rect(squareLeft, 120, 160, 160)));
    square.copyTo(right(cv::Rect(squareLeft - squareDisparity, 120, 160, 160)));
    return {ToBitmap(left), ToBitmap(right)};
}

// The disparity a map's pixel stands for.
double DisparityAt(const PairDepth& depth, int x, int y)
{
    return depth.farthest + (depth.nearest - depth.farthest) * PixelAt(depth.depth.get(), x, y)[0] / 255.0;
}

TEST(PairDepthTest, NearerIsBrighterAndThePrintedParallaxRemakesTheRightEye)
{
    const Scene scene = WallAndSquare();
    auto made = DepthFromPair(scene.left.get(), scene.right.get());
    ASSERT_TRUE(std::holds_alternative<PairDepth>(made)) << std::get<std::string>(made);
    const PairDepth& depth = std::get<PairDepth>(made);
    EXPECT_NEAR(depth.farthest, 8, 1);
    EXPECT_NEAR(depth.nearest, 24, 1);
    const int squareCentre = PixelAt(depth.depth.get(), 380, 200)[0];
    const int wall = PixelAt(depth.depth.get(), 150, 200)[0];
    EXPECT_GT(squareCentre, 240);
    EXPECT_LT(wall, 15);

    // The view of the left eye with that parallax and window is the right eye.
    RecordingSink sink;
    Bitmap view = ShiftViewBitmap(scene.left.get(), depth.depth.get(), {depth.Parallax(), depth.Window()}, 0,
                                  RunOptions{}, sink);
    ASSERT_TRUE(view);
    int same = 0, all = 0;
    for (int y = 20; y < 380; ++y)
        for (int x = 40; x < 600; ++x, ++all) {
            const std::uint8_t* a = PixelAt(view.get(), x, y);
            const std::uint8_t* b = PixelAt(scene.right.get(), x, y);
            same += std::abs(a[0] - b[0]) <= 12 && std::abs(a[1] - b[1]) <= 12 && std::abs(a[2] - b[2]) <= 12;
        }
    EXPECT_GT(static_cast<double>(same) / all, 0.9);
}

// A square 80 pixels apart near the left edge: left of it the wall is seen
// by both eyes (columns 8 to 47) and then hidden from the right eye behind
// the square (48 to 119). Both lie within the columns where the search runs
// off the right eye, and take the wall's disparity, not the square's.
TEST(PairDepthTest, TheLeftBorderAndTheStripHiddenBesideANearSquareTakeTheWallsDisparity)
{
    const Scene scene = WallAndSquare(120, 80);
    auto made = DepthFromPair(scene.left.get(), scene.right.get());
    ASSERT_TRUE(std::holds_alternative<PairDepth>(made)) << std::get<std::string>(made);
    const PairDepth& depth = std::get<PairDepth>(made);
    for (int y : {150, 200, 250}) {
        EXPECT_NEAR(DisparityAt(depth, 30, y), 8, 2) << "seen by both eyes, row " << y;
        EXPECT_NEAR(DisparityAt(depth, 90, y), 8, 2) << "hidden from the right eye, row " << y;
        EXPECT_NEAR(DisparityAt(depth, 200, y), 80, 2) << "the square, row " << y;
    }
}

TEST(PairDepthTest, TheMapIsTheSameWhateverTheThreadCount)
{
    const Scene scene = WallAndSquare();
    const int threads = cv::getNumThreads();
    cv::setNumThreads(1);
    auto alone = DepthFromPair(scene.left.get(), scene.right.get());
    cv::setNumThreads(4);
    auto shared = DepthFromPair(scene.left.get(), scene.right.get());
    cv::setNumThreads(threads);
    ASSERT_TRUE(std::holds_alternative<PairDepth>(alone) && std::holds_alternative<PairDepth>(shared));
    const PairDepth &a = std::get<PairDepth>(alone), &b = std::get<PairDepth>(shared);
    EXPECT_EQ(a.farthest, b.farthest);
    EXPECT_EQ(a.nearest, b.nearest);
    int differing = 0;
    for (int y = 0; y < Height(a.depth.get()); ++y)
        for (int x = 0; x < Width(a.depth.get()); ++x)
            differing += PixelAt(a.depth.get(), x, y)[0] != PixelAt(b.depth.get(), x, y)[0];
    EXPECT_EQ(differing, 0);
}

TEST(PairDepthTest, APairWithNothingToMatchGivesNoDepth)
{
    Bitmap flat = MakeImage(300, 200, [](int, int) { return Grey(77); });
    EXPECT_TRUE(std::holds_alternative<std::string>(DepthFromPair(flat.get(), flat.get())));
}

TEST(PairDepthTest, WhatTheMatchingCannotTakeIsAReasonNotAnException)
{
    // Eyes of two sizes, which the readers refuse before: the matching
    // library's own error comes back as the reason.
    const cv::Mat scene = Texture(300, 200, 5);
    const Bitmap left = ToBitmap(scene), right = ToBitmap(scene(cv::Rect(6, 0, 280, 200)).clone());
    std::variant<PairDepth, std::string> made;
    EXPECT_NO_THROW(made = DepthFromPair(left.get(), right.get()));
    ASSERT_TRUE(std::holds_alternative<std::string>(made));
    EXPECT_EQ(std::get<std::string>(made).rfind("the matching failed (", 0), 0u) << std::get<std::string>(made);
}

TEST(PairDepthTest, OpenCvRunningOutOfMemoryIsAnAllocationFailureNotAReason)
{
    // The callers guard allocation failures as for every routine and say so;
    // told as a matching failure, it would read as a fault of the pair.
    const auto throwing = [](int code) {
        return [code]() -> int { throw cv::Exception(code, "refused", "Work", __FILE__, __LINE__); };
    };
    EXPECT_THROW(WithOpenCvErrors<int>(throwing(cv::Error::StsNoMem)), std::bad_alloc);
    const std::variant<int, std::string> failed = WithOpenCvErrors<int>(throwing(cv::Error::StsBadArg));
    ASSERT_TRUE(std::holds_alternative<std::string>(failed));
    EXPECT_EQ(std::get<std::string>(failed), "the matching failed (refused)");
    EXPECT_EQ(std::get<int>(WithOpenCvErrors<int>([] { return 7; })), 7);
}

// An alignment whose right eye is turned `degrees` about the frame's middle,
// moved `down` rows and `across` columns.
Alignment Moved(double degrees, double down, double across, int width, int height)
{
    const double turn = degrees * CV_PI / 180, c = std::cos(turn), s = std::sin(turn);
    const double cx = width / 2.0, cy = height / 2.0;
    Alignment alignment;
    alignment.rightWarp = {c, -s, cx - c * cx + s * cy + across, s, c, cy - s * cx - c * cy + down, 0, 0, 1};
    return alignment;
}

TEST(PairDepthTest, RowsAgreeWithinHalfAPixelOfTheMatchingCopy)
{
    EXPECT_TRUE(RowsAlreadyAgree(Alignment{}, 1000, 700));
    // The stereo window's shift moves no row.
    EXPECT_TRUE(RowsAlreadyAgree(Moved(0, 0, 120, 1000, 700), 1000, 700));
    EXPECT_TRUE(RowsAlreadyAgree(Moved(0, 0.45, 0, 1000, 700), 1000, 700));
    EXPECT_FALSE(RowsAlreadyAgree(Moved(0, 0.55, 0, 1000, 700), 1000, 700));
    EXPECT_FALSE(RowsAlreadyAgree(Moved(0, -0.55, 0, 1000, 700), 1000, 700));
    // A picture four times the matching width is matched on a copy a
    // quarter its size, where 1.8 rows are 0.45.
    const int wide = 4 * kDepthMatchingWidth;
    EXPECT_TRUE(RowsAlreadyAgree(Moved(0, 1.8, 0, wide, 3000), wide, 3000));
    EXPECT_FALSE(RowsAlreadyAgree(Moved(0, 2.2, 0, wide, 3000), wide, 3000));
    // A turn tilts the rows: 0.025 degrees, 0.44 rows across the frame.
    EXPECT_TRUE(RowsAlreadyAgree(Moved(0.025, 0, 0, 1000, 700), 1000, 700));
    EXPECT_FALSE(RowsAlreadyAgree(Moved(0.1, 0, 0, 1000, 700), 1000, 700));
    // Both eyes turned alike: a point's match further along its row would
    // land on another row.
    Alignment bothTurned = Moved(0.1, 0, 0, 1000, 700);
    bothTurned.leftWarp = bothTurned.rightWarp;
    EXPECT_FALSE(RowsAlreadyAgree(bothTurned, 1000, 700));
    // A keystone leaves the rows at one end of the frame level and tilts the
    // others the more the further they lie: 0.35 rows across the middle one,
    // 0.7 across the far one, whichever end that is.
    Alignment fromTheTop;
    fromTheTop.rightWarp = {1, 0, 0, 0, 1, 0, 1e-6, 0, 1};
    EXPECT_FALSE(RowsAlreadyAgree(fromTheTop, 1000, 700));
    Alignment fromTheBottom;
    fromTheBottom.rightWarp = {1, 0, 0, 700e-6, 1, 0, 1e-6, 0, 1};
    EXPECT_FALSE(RowsAlreadyAgree(fromTheBottom, 1000, 700));
    // A lens correction bends the rows of both eyes.
    Alignment lens;
    lens.lens = LensOf(-0.05, 1000, 700);
    EXPECT_FALSE(RowsAlreadyAgree(lens, 1000, 700));
}

} // namespace
} // namespace velmora::test
