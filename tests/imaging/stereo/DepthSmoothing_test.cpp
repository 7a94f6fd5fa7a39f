// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/DepthSmoothing.h"

#include "imaging/stereo/ByteMeanDivisor.h"
#include "imaging/stereo/DepthBytes.h"
#include "imaging/stereo/Messages.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/ReferenceRoutines.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <random>

namespace velmora::test {
namespace {

class DepthSmoothingTest : public ::testing::Test {
protected:
    Pixels Smooth(FIBITMAP* depth, int radius)
    {
        Save(depth, sandbox.Path("depth.bmp"));
        EXPECT_TRUE(
            SmoothDepthMap(sandbox.Path("depth.bmp"), sandbox.Path("smooth.bmp"), radius, {}, RunOptions{}, sink));
        return ReadPixels(sandbox.Path("smooth.bmp")).value();
    }

    Sandbox sandbox;
    RecordingSink sink;
};

TEST_F(DepthSmoothingTest, ClippedBoxMeansRoundHalfAway)
{
    Bitmap spot = MakeImage(3, 3, [](int x, int y) { return Grey(x == 1 && y == 1 ? 255 : 0); });
    const Pixels smooth = Smooth(spot.get(), 1);
    EXPECT_EQ(smooth.At(1, 1), Grey(28)); // 255 / 9
    EXPECT_EQ(smooth.At(1, 0), Grey(43)); // 255 / 6 = 42.5 goes up
    EXPECT_EQ(smooth.At(0, 1), Grey(43));
    EXPECT_EQ(smooth.At(0, 0), Grey(64)); // 255 / 4 = 63.75
    EXPECT_EQ(smooth.At(2, 2), Grey(64));
}

TEST_F(DepthSmoothingTest, AnExactHalfOfAWholeWindowGoesUp)
{
    // The window around (6, 6) with radius 7 is the whole 14 x 14 picture:
    // 98 ones among 196 pixels, a mean of exactly 0.5.
    Bitmap half = MakeImage(14, 14, [](int, int y) { return Grey(y < 7 ? 1 : 0); });
    EXPECT_EQ(Smooth(half.get(), 7).At(6, 6), Grey(1));
}

TEST_F(DepthSmoothingTest, ChannelsAreSmoothedApart)
{
    Bitmap stripes = MakeImage(2, 1, [](int x, int) { return x == 0 ? Bgr{0, 100, 255} : Bgr{255, 101, 0}; });
    const Pixels smooth = Smooth(stripes.get(), 1);
    EXPECT_EQ(smooth.At(0, 0), (Bgr{128, 101, 128})); // 127.5, 100.5, 127.5
}

TEST_F(DepthSmoothingTest, ARadiusBeyondThePictureGivesItsMeanEverywhere)
{
    Bitmap ramp = MakeImage(4, 3, [](int x, int y) { return Grey(x * 10 + y); }); // mean 16
    for (int radius : {4, 100, INT_MAX}) {
        const Pixels smooth = Smooth(ramp.get(), radius);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                ASSERT_EQ(smooth.At(x, y), Grey(16)) << radius;
    }
}

TEST_F(DepthSmoothingTest, UniformMapsStayUnchanged)
{
    Bitmap flat = MakeImage(9, 7, [](int, int) { return Bgr{17, 99, 230}; });
    for (int radius : {1, 3, 8}) {
        const Pixels smooth = Smooth(flat.get(), radius);
        EXPECT_EQ(smooth.At(4, 3), (Bgr{17, 99, 230}));
        EXPECT_EQ(smooth.At(0, 6), (Bgr{17, 99, 230}));
    }
}

TEST_F(DepthSmoothingTest, ReportsStatusAndOneStepAndPumpPerRow)
{
    std::mt19937 random(3);
    Bitmap depth = RandomDepthMap(6, 5, random);
    Smooth(depth.get(), 2);
    // Reading the depth map comes first, as two steps of its own.
    EXPECT_EQ(sink.events,
              (std::vector<std::string>{"status:Depth map smoothing", "begin:2", "step", "reset", "begin:5", "step",
                                        "reset"}));
    EXPECT_EQ(sink.steps, 2 + 5);
    EXPECT_EQ(sink.pumps, 5);
}

TEST_F(DepthSmoothingTest, AnUnreadableSourceWritesNothing)
{
    EXPECT_FALSE(SmoothDepthMap("missing.png", "DepthMapTemp.bmp", 3, {}, RunOptions{}, sink));
    EXPECT_EQ(sink.events, (std::vector<std::string>{"status:Depth map smoothing",
                                                     "message:" + std::string(messages::kCouldntLoadBitmap)}));
    EXPECT_FALSE(std::filesystem::exists("DepthMapTemp.bmp"));
}

TEST_F(DepthSmoothingTest, TheResolutionIsNotCopied)
{
    Bitmap depth = MakeImage(3, 3, [](int, int) { return Grey(9); });
    SetResolution(depth.get(), 5000);
    Bitmap fresh = NewImage(1, 1, 24);
    EXPECT_EQ(Smooth(depth.get(), 1).resolution, HorizontalResolution(fresh.get()));
}

TEST_F(DepthSmoothingTest, MatchesTheReferenceBoxByteForByte)
{
    std::mt19937 random(99);
    std::uniform_int_distribution<int> width(1, 100), height(1, 80), radius(1, 120);
    for (int round = 0; round < 40; ++round) {
        Bitmap depth = RandomImage(width(random), height(random), random);
        const int r = round < 5 ? round + 1 : radius(random);
        Save(depth.get(), sandbox.Path("depth.bmp"));
        NullSink quiet;
        ReferenceSmoothDepthMap(sandbox.Path("depth.bmp"), sandbox.Path("expected.bmp"), r, {}, quiet);
        ASSERT_TRUE(SmoothDepthMap(sandbox.Path("depth.bmp"), sandbox.Path("smooth.bmp"), r, {}, RunOptions{}, quiet));
        ASSERT_TRUE(SamePixels(sandbox.Path("expected.bmp"), sandbox.Path("smooth.bmp")))
            << Width(depth.get()) << "x" << Height(depth.get()) << " r=" << r;
    }
}

TEST(ByteMeanDivisorTest, EverySumOfEveryExactWindowRoundsAsTheDivisionDid)
{
    // The division rounded (2 sum + count) / (2 count) down; its quotient
    // and remainder are carried along as the sum grows, without dividing.
    for (std::uint64_t count = 1; count <= ByteMeanDivisor::kMaxCount; ++count) {
        const ByteMeanDivisor divisor(count);
        std::uint64_t quotient = 0, remainder = count; // of 2 * 0 + count by 2 count
        for (std::uint32_t sum = 0; sum <= 255 * count; ++sum) {
            if (divisor.MeanOf(sum) != quotient) {
                ADD_FAILURE() << sum << " / " << count << ": " << divisor.MeanOf(sum) << " instead of " << quotient;
                return;
            }
            remainder += 2;
            if (remainder >= 2 * count) {
                remainder -= 2 * count;
                ++quotient;
            }
        }
    }
}

// Whether the green bytes of `plane` are the blue bytes of `expected` and
// its blue bytes those of `source`, naming the first pixel that differs.
::testing::AssertionResult PlaneIsSmoothedBlue(const BytePlane& plane, FIBITMAP* expected)
{
    for (int y = 0; y < Height(expected); ++y)
        for (int x = 0; x < Width(expected); ++x)
            if (plane.Row(y)[x] != PixelOf(expected, x, y).blue)
                return ::testing::AssertionFailure() << "pixel " << x << ", " << y;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GreenIsSmoothedBlue(FIBITMAP* smoothed, FIBITMAP* expected, FIBITMAP* source)
{
    for (int y = 0; y < Height(source); ++y)
        for (int x = 0; x < Width(source); ++x) {
            const Bgr got = PixelOf(smoothed, x, y);
            if (got.green != PixelOf(expected, x, y).blue || got.blue != PixelOf(source, x, y).blue)
                return ::testing::AssertionFailure() << "pixel " << x << ", " << y;
        }
    return ::testing::AssertionSuccess();
}

TEST(DepthPlaneTest, TheBluePlaneIsSmoothedAsTheWholeMapSmoothsItsBlueBytes)
{
    // From the map's blue bytes or a plane of them, into a plane of its own
    // or into the map's own green bytes, which the smoothing reads none of
    // while it writes them.
    std::mt19937 random(41);
    std::uniform_int_distribution<int> width(1, 90), height(1, 70);
    NullSink quiet;
    for (bool grey : {true, false})
        for (int radius : {1, 2, 3, 9, kMaxExactRadius, kMaxExactRadius + 1, 60})
            for (int threads : {1, 2, 7}) {
                const int w = radius > kMaxExactRadius ? 90 : width(random);
                const int h = radius > kMaxExactRadius ? 70 : height(random);
                Bitmap source = grey ? RandomDepthMap(w, h, random) : RandomImage(w, h, random);
                RunOptions options;
                options.threads = threads;
                Bitmap expected = SmoothDepthBitmap(source.get(), radius, options, quiet);
                const std::string what = std::to_string(w) + "x" + std::to_string(h) + (grey ? " grey" : " coloured") +
                    " r=" + std::to_string(radius) + " threads " + std::to_string(threads);
                const BytePlane blue = TakeChannelPlane(Bitmap(FreeImage_Clone(source.get())), kBlueByte);
                for (const DepthBytes& from : {DepthBytes(source.get()), DepthBytes(blue)}) {
                    BytePlane plane(w, h);
                    SmoothDepthPlane(from, plane.Rows(), radius, options, quiet);
                    ASSERT_TRUE(PlaneIsSmoothedBlue(plane, expected.get())) << what;
                    Bitmap greens(FreeImage_Clone(source.get()));
                    SmoothDepthPlane(from.rows.stride == 1 ? from : DepthBytes(greens.get()),
                                     DepthBytes(greens.get(), kGreenByte).rows, radius, options, quiet);
                    ASSERT_TRUE(GreenIsSmoothedBlue(greens.get(), expected.get(), source.get())) << what;
                }
            }
}

} // namespace
} // namespace velmora::test
