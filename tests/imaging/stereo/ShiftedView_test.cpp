// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/ShiftedView.h"

#include "imaging/stereo/Messages.h"
#include "imaging/threads/RowWorkers.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/ReferenceRoutines.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <filesystem>
#include <random>
#include <utility>

namespace velmora::test {
namespace {

class ShiftedViewTest : public ::testing::Test {
protected:
    // Writes the two pictures, makes the view with parallax P and window S and
    // returns its pixels.
    Pixels MakeView(FIBITMAP* image, FIBITMAP* depth, int parallax, int stereoWindow)
    {
        Save(image, sandbox.Path("image.bmp"));
        Save(depth, sandbox.Path("depth.bmp"));
        StereoSettings settings;
        settings.geometry.parallax = parallax;
        settings.geometry.stereoWindow = stereoWindow;
        settings.pixelsPerMetre = 2835;
        EXPECT_TRUE(MakeShiftedView(sandbox.Path("view.bmp"), sandbox.Path("image.bmp"), sandbox.Path("depth.bmp"),
                                    settings, RunOptions{}, sink));
        EXPECT_TRUE(sink.messages.empty());
        return ReadPixels(sandbox.Path("view.bmp")).value();
    }

    // The level the routine gives depth value d: on a one-row picture whose
    // column x has grey value x, the pixel landing on column 20 came from
    // column 20 - level.
    int ObservedLevel(int parallax, int depthValue)
    {
        Bitmap image = MakeImage(41, 1, [](int x, int) { return Grey(x); });
        Bitmap depth = MakeImage(41, 1, [&](int, int) { return Grey(depthValue); });
        return 20 - MakeView(image.get(), depth.get(), parallax, 0).At(20, 0).blue;
    }

    Sandbox sandbox;
    RecordingSink sink;
};

TEST_F(ShiftedViewTest, LevelIsTheRoundedShareOfTheParallax)
{
    EXPECT_EQ(ObservedLevel(1, 127), 0);
    EXPECT_EQ(ObservedLevel(1, 128), 1);
    EXPECT_EQ(ObservedLevel(2, 63), 0);
    EXPECT_EQ(ObservedLevel(2, 64), 1);
    EXPECT_EQ(ObservedLevel(2, 191), 1);
    EXPECT_EQ(ObservedLevel(2, 192), 2);
    EXPECT_EQ(ObservedLevel(-2, 64), -1);
    EXPECT_EQ(ObservedLevel(-2, 192), -2);
    EXPECT_EQ(ObservedLevel(10, 255), 10);
}

TEST_F(ShiftedViewTest, FirstSweepFollowsTheDirectionOfTheParallax)
{
    // After the passes columns 0, 3 and 4 hold 10, 21 and 30; 1 and 2 are holes.
    Bitmap image = MakeImage(5, 1, [](int x, int) { return Grey(std::array{10, 21, 30, 0, 0}[x]); });
    Bitmap depth = MakeImage(5, 1, [](int x, int) { return Grey(x == 0 ? 0 : 255); });
    Pixels right = MakeView(image.get(), depth.get(), 2, 0);
    EXPECT_EQ(right.At(1, 0), Grey(10));
    EXPECT_EQ(right.At(2, 0), Grey(16)); // 15.5 rounds up
    EXPECT_EQ(right.At(3, 0), Grey(21));

    image = MakeImage(5, 1, [](int x, int) { return Grey(std::array{5, 7, 10, 21, 30}[x]); });
    depth = MakeImage(5, 1, [](int x, int) { return Grey(x == 1 || x == 2 ? 255 : 0); });
    Pixels left = MakeView(image.get(), depth.get(), -2, 0);
    EXPECT_EQ(left.At(0, 0), Grey(10));
    EXPECT_EQ(left.At(2, 0), Grey(21));
    EXPECT_EQ(left.At(1, 0), Grey(16));
}

TEST_F(ShiftedViewTest, PixelsAtTheStereoWindowKeepTheirColumn)
{
    std::mt19937 random(7);
    Bitmap image = RandomImage(30, 20, random);
    Save(image.get(), sandbox.Path("expected.bmp"));
    Bitmap nearest = MakeImage(30, 20, [](int, int) { return Grey(255); });
    Bitmap farthest = MakeImage(30, 20, [](int, int) { return Grey(0); });

    MakeView(image.get(), nearest.get(), 10, 10);
    EXPECT_TRUE(SamePixels(sandbox.Path("expected.bmp"), sandbox.Path("view.bmp")));
    MakeView(image.get(), farthest.get(), 10, 0);
    EXPECT_TRUE(SamePixels(sandbox.Path("expected.bmp"), sandbox.Path("view.bmp")));
}

TEST_F(ShiftedViewTest, AWindowBeyondTheLevelsShiftsLeftAndFillsTheRightEdge)
{
    std::mt19937 random(8);
    Bitmap image = RandomImage(30, 20, random);
    Bitmap farthest = MakeImage(30, 20, [](int, int) { return Grey(0); });
    const Pixels view = MakeView(image.get(), farthest.get(), 10, 3);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 27; ++x)
            ASSERT_EQ(view.At(x, y), PixelOf(image.get(), x + 3, y)) << x << ", " << y;
    // The bottom pixel of the first hole column sees only column 26: the
    // pixel above it is still a hole and the next column is one too.
    const Bgr a = view.At(26, 0), b = view.At(26, 1);
    EXPECT_EQ(view.At(27, 0).blue, (a.blue + b.blue + 1) / 2);
}

TEST_F(ShiftedViewTest, GapBehindANearSquareFillsFromTheFarSide)
{
    const Bgr background{40, 80, 120}, square{200, 10, 10};
    auto inSquare = [](int x, int y) { return x >= 30 && x < 50 && y >= 10 && y < 30; };
    Bitmap image = MakeImage(80, 40, [&](int x, int y) { return inSquare(x, y) ? square : background; });
    Bitmap depth = MakeImage(80, 40, [&](int x, int y) { return Grey(inSquare(x, y) ? 255 : 0); });

    const Pixels right = MakeView(image.get(), depth.get(), 10, 0);
    for (int y = 10; y < 30; ++y) {
        EXPECT_EQ(right.At(40, y), square); // moved ten columns right
        EXPECT_EQ(right.At(59, y), square);
        EXPECT_EQ(right.At(30, y), background); // first gap column, filled from the left
    }

    const Pixels left = MakeView(image.get(), depth.get(), -10, 0);
    for (int y = 10; y < 30; ++y) {
        EXPECT_EQ(left.At(20, y), square);
        EXPECT_EQ(left.At(39, y), square);
        EXPECT_EQ(left.At(49, y), background); // filled from the right
    }
}

TEST_F(ShiftedViewTest, EverythingOutsideTheWidthGivesABlackView)
{
    std::mt19937 random(9);
    Bitmap image = RandomImage(12, 6, random);
    Bitmap depth = RandomDepthMap(12, 6, random);
    const Pixels view = MakeView(image.get(), depth.get(), 5, -100);
    EXPECT_EQ(view.bytes, std::vector<std::uint8_t>(view.bytes.size(), 0));
}

TEST_F(ShiftedViewTest, WorksOnTheBottomLeftOfTheSmallerPicture)
{
    std::mt19937 random(10);
    Bitmap image = RandomImage(64, 48, random);
    Bitmap depth = MakeImage(32, 24, [](int, int) { return Grey(255); });
    const Pixels view = MakeView(image.get(), depth.get(), 10, 10);
    ASSERT_EQ(view.width, 32);
    ASSERT_EQ(view.height, 24);
    EXPECT_EQ(view.At(0, 0), PixelOf(image.get(), 0, 0));
    EXPECT_EQ(view.At(31, 23), PixelOf(image.get(), 31, 23));
    EXPECT_EQ(view.resolution, 2835);
}

TEST_F(ShiftedViewTest, ReportsProgressPerPassAndPumpsPerRowAndColumn)
{
    std::mt19937 random(11);
    Bitmap image = RandomImage(7, 5, random);
    Bitmap depth = RandomDepthMap(7, 5, random);
    MakeView(image.get(), depth.get(), -3, 0);
    // Reading the picture and the depth map come first, two steps each.
    EXPECT_EQ(
        sink.events,
        (std::vector<std::string>{"begin:2", "step", "reset", "begin:2", "step", "reset", "begin:4", "step", "reset"}));
    EXPECT_EQ(sink.steps, 2 + 2 + 4);
    EXPECT_EQ(sink.pumps, 5 + 4 * 5 + 2 * 7); // clearing, passes, sweeps
}

TEST_F(ShiftedViewTest, UnreadableInputsAreReportedAndNothingIsWritten)
{
    std::mt19937 random(12);
    Bitmap image = RandomImage(4, 4, random);
    Save(image.get(), sandbox.Path("image.bmp"));
    StereoSettings settings;
    settings.geometry.parallax = 4;

    EXPECT_FALSE(MakeShiftedView("view.bmp", "missing.bmp", "image.bmp", settings, RunOptions{}, sink));
    EXPECT_FALSE(MakeShiftedView("view.bmp", "image.bmp", "missing.bmp", settings, RunOptions{}, sink));
    // A missing file is not counted; the picture read before the missing
    // depth map is.
    EXPECT_EQ(sink.events,
              (std::vector<std::string>{"message:" + std::string(messages::kCouldntLoadBitmap), "begin:2", "step",
                                        "reset", "message:" + std::string(messages::kCouldntLoadDepthMap)}));
    EXPECT_FALSE(std::filesystem::exists("view.bmp"));
}

TEST_F(ShiftedViewTest, AFailedWriteIsReported)
{
    std::mt19937 random(13);
    Bitmap image = RandomImage(4, 4, random);
    Save(image.get(), sandbox.Path("image.bmp"));
    StereoSettings settings;
    settings.geometry.parallax = 4;
    EXPECT_FALSE(MakeShiftedView("no/such/folder/view.bmp", "image.bmp", "image.bmp", settings, RunOptions{}, sink));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"Couldn't save no/such/folder/view.bmp"}));
}

TEST_F(ShiftedViewTest, HugeParallaxRunsAtMostOnePassPerDepthValue)
{
    std::mt19937 random(14);
    Bitmap image = RandomImage(9, 4, random);
    Save(image.get(), sandbox.Path("expected.bmp"));
    Bitmap nearest = MakeImage(9, 4, [](int, int) { return Grey(255); });

    for (int parallax : {INT_MAX, INT_MIN}) {
        sink = RecordingSink();
        MakeView(image.get(), nearest.get(), parallax, parallax);
        EXPECT_TRUE(SamePixels(sandbox.Path("expected.bmp"), sandbox.Path("view.bmp")));
        EXPECT_EQ(sink.steps, 2 + 2 + 256); // reading the two inputs, then the passes
        EXPECT_EQ(sink.pumps, 4 + 256 * 4 + 2 * 9);
    }
    // A window far from every level drops every pixel, without overflow.
    const Pixels black = MakeView(image.get(), nearest.get(), INT_MAX, INT_MIN);
    EXPECT_EQ(black.bytes, std::vector<std::uint8_t>(black.bytes.size(), 0));
}

// The fast routine against the reference order on random pictures.
TEST_F(ShiftedViewTest, MatchesTheReferenceOrderByteForByte)
{
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> side(1, 100), parallaxOf(-40, 40), coin(0, 3);
    for (int round = 0; round < 60; ++round) {
        const int width = side(random), height = std::min(side(random), 80);
        const bool mismatched = coin(random) == 0;
        Bitmap image = RandomImage(width, height, random);
        Bitmap depth = mismatched ? RandomDepthMap(side(random), side(random), random)
                                  : RandomDepthMap(width, height, random);
        int parallax = parallaxOf(random);
        if (parallax == 0)
            parallax = round % 2 == 0 ? 300 : -300; // more levels than depth values
        const int windows[] = {0, parallax, width + std::abs(parallax), parallax / 2};
        const int stereoWindow = windows[coin(random)];

        Save(image.get(), sandbox.Path("image.bmp"));
        Save(depth.get(), sandbox.Path("depth.bmp"));
        StereoSettings settings;
        settings.geometry.parallax = parallax;
        settings.geometry.stereoWindow = stereoWindow;
        NullSink quiet;
        ReferenceShiftedView(sandbox.Path("expected.bmp"), sandbox.Path("image.bmp"), sandbox.Path("depth.bmp"),
                             settings, quiet);
        ASSERT_TRUE(MakeShiftedView(sandbox.Path("view.bmp"), sandbox.Path("image.bmp"), sandbox.Path("depth.bmp"),
                                    settings, RunOptions{}, quiet));
        ASSERT_TRUE(SamePixels(sandbox.Path("expected.bmp"), sandbox.Path("view.bmp")))
            << width << "x" << height << " P=" << parallax << " S=" << stereoWindow;
    }
}

TEST_F(ShiftedViewTest, SmoothDepthGivesTheReferenceViewFromAMapOrAPlane)
{
    // Long runs of one depth move together; rectangles hide what lies
    // behind them and runs reach both edges of the row.
    std::mt19937 random(31);
    std::uniform_int_distribution<int> side(1, 300), parallaxOf(-40, 40), coin(0, 3);
    for (int round = 0; round < 40; ++round) {
        const int width = side(random), height = std::min(side(random), 30);
        Bitmap image = RandomImage(width, height, random);
        Bitmap depth = coin(random) == 0 ? SmoothDepthMap(side(random), side(random), random)
                                         : SmoothDepthMap(width, height, random);
        const int parallax = round % 10 == 0 ? 300 : parallaxOf(random);
        const int windows[] = {0, parallax, parallax / 2, -7};
        StereoSettings settings;
        settings.geometry = {parallax, windows[coin(random)]};
        Save(image.get(), sandbox.Path("image.bmp"));
        Save(depth.get(), sandbox.Path("depth.bmp"));
        NullSink quiet;
        ReferenceShiftedView(sandbox.Path("expected.bmp"), sandbox.Path("image.bmp"), sandbox.Path("depth.bmp"),
                             settings, quiet);
        const std::string what = std::to_string(width) + "x" + std::to_string(height) +
            " P=" + std::to_string(parallax) + " S=" + std::to_string(settings.geometry.stereoWindow);
        ASSERT_TRUE(MakeShiftedView(sandbox.Path("view.bmp"), sandbox.Path("image.bmp"), sandbox.Path("depth.bmp"),
                                    settings, RunOptions{}, quiet));
        ASSERT_TRUE(SamePixels(sandbox.Path("expected.bmp"), sandbox.Path("view.bmp"))) << what;
        const BytePlane plane = TakeChannelPlane(Bitmap(FreeImage_Clone(depth.get())), 0);
        const Bitmap fromPlane = ShiftViewBitmap(image.get(), plane, settings.geometry, 2835, RunOptions{}, quiet);
        Save(fromPlane.get(), sandbox.Path("plane.bmp"));
        ASSERT_TRUE(SamePixels(sandbox.Path("expected.bmp"), sandbox.Path("plane.bmp"))) << what << " from a plane";
    }
}

// A tall picture lists its holes by several blocks of rows, which the threads
// share; the lists must still come out in row order within each column.
TEST_F(ShiftedViewTest, TallPicturesMatchTheReferenceWhateverTheThreads)
{
    std::mt19937 random(77);
    Bitmap image = RandomImage(23, 300, random);
    Bitmap depth = RandomDepthMap(23, 300, random);
    Save(image.get(), sandbox.Path("image.bmp"));
    Save(depth.get(), sandbox.Path("depth.bmp"));
    for (int parallax : {17, -17}) {
        StereoSettings settings;
        settings.geometry.parallax = settings.geometry.stereoWindow = parallax;
        NullSink quiet;
        ReferenceShiftedView(sandbox.Path("expected.bmp"), sandbox.Path("image.bmp"), sandbox.Path("depth.bmp"),
                             settings, quiet);
        for (int threads : {1, 2, 3}) {
            ASSERT_TRUE(MakeShiftedView(sandbox.Path("view.bmp"), sandbox.Path("image.bmp"), sandbox.Path("depth.bmp"),
                                        settings, RunOptions{.threads = threads}, quiet));
            EXPECT_TRUE(SamePixels(sandbox.Path("expected.bmp"), sandbox.Path("view.bmp")))
                << "P=" << parallax << ", " << threads << " threads";
        }
    }
}

TEST(ShiftViewOverPagesTest, AViewPaintedOverAFinishedBitmapIsTheSameAsInFreshMemory)
{
    // Over a megabyte, so that the depth map's pixels are pages of its own:
    // the view takes them when the depth map is the common area (the
    // picture as large or larger), else it is made in fresh memory. The
    // depth is the blue byte of those pages themselves, as read, or a plane
    // of its own, as smoothed.
    const auto depthMap = [] {
        std::mt19937 random(77);
        Bitmap blue = RandomDepthMap(700, 520, random), green = RandomDepthMap(700, 520, random);
        return MakeImage(700, 520, [&](int x, int y) {
            return Bgr{PixelOf(blue.get(), x, y).blue, PixelOf(green.get(), x, y).green, 99};
        });
    };
    const auto greenPlane = [](FIBITMAP* map) { return TakeChannelPlane(Bitmap(FreeImage_Clone(map)), 1); };
    const std::pair<int, int> pictureSizes[] = {{700, 520}, {710, 530}, {690, 520}};
    const StereoGeometry geometry{23, 9};
    for (bool inPages : {true, false})
        for (const auto& [width, height] : pictureSizes)
            for (int threads : {1, 2, 7}) {
                std::mt19937 random(width);
                Bitmap image = RandomImage(width, height, random);
                RunOptions options;
                options.threads = threads;
                RecordingSink fresh, over;
                Bitmap expectedDepth = depthMap();
                const BytePlane expectedPlane = greenPlane(expectedDepth.get());
                const DepthBytes expectedBytes = inPages ? DepthBytes(expectedDepth.get()) : DepthBytes(expectedPlane);
                Bitmap expected = ShiftViewBitmap(image.get(), expectedBytes, geometry, 4321, options, fresh);
                Bitmap pages = depthMap();
                const BytePlane plane = greenPlane(pages.get());
                const DepthBytes bytes = inPages ? DepthBytes(pages.get()) : DepthBytes(plane);
                const BYTE* pagePixels = FreeImage_GetBits(pages.get());
                Bitmap view = ShiftViewOverPages(image.get(), std::move(pages), bytes, geometry, 4321, options, over);
                ASSERT_TRUE(SameBitmaps(expected.get(), view.get())) << inPages << " " << width << "x" << height;
                EXPECT_EQ(FreeImage_GetBits(view.get()) == pagePixels, width >= 700);
                EXPECT_EQ(over.events, fresh.events);
                EXPECT_EQ(over.pumps, fresh.pumps);
            }
}

} // namespace
} // namespace velmora::test
