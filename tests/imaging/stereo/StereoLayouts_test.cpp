// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/DepthSmoothing.h"
#include "imaging/stereo/ShiftedView.h"
#include "imaging/stereo/SideBySide.h"
#include "imaging/stereo/RoundHalfAway.h"
#include "imaging/stereo/StereoLayouts.h"
#include "imaging/stereo/TempFiles.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace velmora::test {
namespace {

// Pixel (x, row from the top) of the bottom-left width x height of a bitmap.
Bgr FromTop(FIBITMAP* bitmap, int x, int fromTop, int height)
{
    return PixelOf(bitmap, x, height - 1 - fromTop);
}

Bgr MeanUp(const Bgr& a, const Bgr& b)
{
    const auto mean = [](int p, int q) { return static_cast<std::uint8_t>(std::ceil((p + q) / 2.0)); };
    return {mean(a.blue, b.blue), mean(a.green, b.green), mean(a.red, b.red)};
}

// The side-by-side picture pixel by pixel, from the top, the obvious way.
Bgr ReferenceSideBySide(FIBITMAP* left, FIBITMAP* right, PairLayout layout, bool half, int x, int fromTop)
{
    const int width = std::min(Width(left), Width(right));
    const int height = std::min(Height(left), Height(right));
    if (layout == PairLayout::kTopBottom) {
        const int eyeHeight = half ? (height + 1) / 2 : height;
        FIBITMAP* eye = fromTop < eyeHeight ? left : right;
        const int row = fromTop % eyeHeight;
        if (!half)
            return FromTop(eye, x, row, height);
        return MeanUp(FromTop(eye, x, 2 * row, height), FromTop(eye, x, std::min(2 * row + 1, height - 1), height));
    }
    const int eyeWidth = half ? (width + 1) / 2 : width;
    const bool firstEye = x < eyeWidth;
    FIBITMAP* eye = (layout == PairLayout::kParallel) == firstEye ? left : right;
    const int column = x % eyeWidth;
    if (!half)
        return FromTop(eye, column, fromTop, height);
    return MeanUp(FromTop(eye, 2 * column, fromTop, height),
                  FromTop(eye, std::min(2 * column + 1, width - 1), fromTop, height));
}

TEST(SideBySideTest, EveryLayoutMatchesTheStraightforwardOneOnOddAndEvenSizes)
{
    std::mt19937 random(15);
    const std::pair<int, int> sizes[][2] = {{{7, 5}, {9, 6}}, {{8, 6}, {8, 6}}, {{1, 1}, {3, 2}}, {{6, 3}, {5, 7}}};
    for (const auto& size : sizes) {
        Bitmap left = RandomImage(size[0].first, size[0].second, random);
        Bitmap right = RandomImage(size[1].first, size[1].second, random);
        for (PairLayout layout : {PairLayout::kParallel, PairLayout::kCross, PairLayout::kTopBottom})
            for (bool half : {false, true}) {
                StereoSettings settings;
                settings.pixelsPerMetre = 3000;
                RecordingSink sink;
                Bitmap out = ComposeSideBySide(left.get(), right.get(), layout, half, settings, RunOptions{}, sink);
                ASSERT_TRUE(out);
                EXPECT_EQ(HorizontalResolution(out.get()), 3000);
                const int width = Width(out.get()), height = Height(out.get());
                const int commonWidth = std::min(size[0].first, size[1].first);
                const int commonHeight = std::min(size[0].second, size[1].second);
                const int eyeWidth = half ? (commonWidth + 1) / 2 : commonWidth;
                const int eyeHeight = half ? (commonHeight + 1) / 2 : commonHeight;
                if (layout == PairLayout::kTopBottom) {
                    EXPECT_EQ(width, commonWidth);
                    EXPECT_EQ(height, 2 * eyeHeight);
                } else {
                    EXPECT_EQ(width, 2 * eyeWidth);
                    EXPECT_EQ(height, commonHeight);
                }
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x)
                        ASSERT_EQ(FromTop(out.get(), x, y, height),
                                  ReferenceSideBySide(left.get(), right.get(), layout, half, x, y))
                            << "layout " << static_cast<int>(layout) << " half " << half << " at " << x << "," << y;
            }
    }
}

// image.bmp and depth.bmp in the current folder.
void SaveRandomPicture(int width, int height, int depthWidth, int depthHeight, unsigned seed)
{
    std::mt19937 random(seed);
    Save(RandomImage(width, height, random).get(), "image.bmp");
    Save(RandomDepthMap(depthWidth, depthHeight, random).get(), "depth.bmp");
}

TEST(ViewSeriesTest, EachViewIsTheViewOfItsShareAndTheFirstThePicture)
{
    EXPECT_EQ(SeriesShare(10, 0, 4), 0);
    EXPECT_EQ(SeriesShare(10, 1, 4), 3);   // 3.33
    EXPECT_EQ(SeriesShare(10, 2, 5), 5);
    EXPECT_EQ(SeriesShare(-9, 1, 7), -2);  // -1.5 away from zero
    EXPECT_EQ(SeriesShare(9, 1, 7), 2);    // 1.5
    EXPECT_EQ(SeriesShare(-25, 6, 7), -25);

    Sandbox sandbox;
    SaveRandomPicture(37, 14, 35, 15, 18);
    for (int radius : {0, 2}) {
        LayoutRun run;
        run.imagePath = "image.bmp";
        run.depth = DepthMapFile("depth.bmp");
        run.geometry.parallax = -13;
        run.geometry.stereoWindow = 6;
        run.smoothingRadius = radius;
        StereoSettings settings;
        settings.pixelsPerMetre = 1234;
        settings.saveFormat = kSavePng;
        const std::vector<std::string> paths = {"v0.png", "v1.png", "v2.png", "v3.png"};
        RecordingSink sink;
        // Numbered from the picture leftwards, the order the shares count in.
        ASSERT_TRUE(MakeViewSeries(run, paths, settings, RunOptions{}, sink, SeriesPlan{false, false}));

        StereoSettings one = settings;
        one.saveFormat = kSaveBmp;
        ASSERT_TRUE(SmoothDepthMap("depth.bmp", "smoothed.bmp", radius, one, RunOptions{}, sink));
        // The picture itself, cut as every view is to the area it shares with the depth map (37 x 14 and 35 x 15).
        const auto image = ReadPixels("image.bmp"), first = ReadPixels("v0.png");
        ASSERT_TRUE(image && first);
        EXPECT_EQ(first->width, 35);
        EXPECT_EQ(first->height, 14);
        for (int y = 0; y < 14; ++y)
            for (int x = 0; x < 35; ++x)
                ASSERT_EQ(first->At(x, y), image->At(x, y)) << x << "," << y;
        EXPECT_EQ(first->resolution, 1234);
        EXPECT_EQ(ReadPixels(paths[1])->width, 35);
        for (int k = 1; k < 4; ++k) {
            one.geometry.parallax = SeriesShare(-13, k, 4);
            one.geometry.stereoWindow = SeriesShare(6, k, 4);
            ASSERT_TRUE(MakeShiftedView("expected.bmp", "image.bmp", "smoothed.bmp", one, RunOptions{}, sink));
            EXPECT_TRUE(SamePixels("expected.bmp", paths[k])) << "radius " << radius << " view " << k;
        }
    }
}

TEST(ViewSeriesTest, SeriesRunFromTheLeftmostEyeOrSpreadToBothSidesOfThePicture)
{
    const StereoGeometry whole{12, 6};
    const auto geometries = [&](const SeriesPlan& plan, int count) {
        std::vector<std::pair<int, int>> all;
        for (int file = 0; file < count; ++file) {
            const StereoGeometry g = plan.GeometryOf(whole, file, count);
            all.emplace_back(plan.IsPicture(file, count) ? 99 : g.parallax, g.stereoWindow);
        }
        return all;
    };
    using Views = std::vector<std::pair<int, int>>;
    // The leftmost eye (the whole parallax) first, the picture (the right eye) last.
    EXPECT_EQ(geometries(SeriesPlan{}, 4), (Views{{12, 6}, {8, 4}, {4, 2}, {99, 0}}));
    EXPECT_EQ(geometries(SeriesPlan{false, false}, 4), (Views{{99, 0}, {4, 2}, {8, 4}, {12, 6}}));
    // The picture in the middle, half the geometry to each side.
    EXPECT_EQ(geometries(SeriesPlan{true, true}, 3), (Views{{6, 3}, {99, 0}, {-6, -3}}));
    EXPECT_EQ(geometries(SeriesPlan{true, true}, 4), (Views{{6, 3}, {2, 1}, {-2, -1}, {-6, -3}}));
    EXPECT_EQ(geometries(SeriesPlan{false, true}, 3), (Views{{-6, -3}, {99, 0}, {6, 3}}));
}

// The pixels of a view no picture pixel lands on, before they are filled:
// pixel x of a row goes to x + level - window.
long HoleArea(FIBITMAP* depth, const StereoGeometry& geometry)
{
    long holes = 0;
    for (int y = 0; y < Height(depth); ++y) {
        std::vector<bool> covered(static_cast<std::size_t>(Width(depth)));
        for (int x = 0; x < Width(depth); ++x) {
            const int level = RoundHalfAway(geometry.parallax * PixelAt(depth, x, y)[0] / 255.0);
            const int to = x + level - geometry.stereoWindow;
            if (to >= 0 && to < Width(depth))
                covered[static_cast<std::size_t>(to)] = true;
        }
        holes += std::count(covered.begin(), covered.end(), false);
    }
    return holes;
}

TEST(ViewSeriesTest, ASymmetricSeriesHalvesTheHolesOfItsOutermostView)
{
    const ImageRead depth = ReadRgbImageFile(std::string(VELMORA_SAMPLES) + "/sample-depth.png", RunOptions{});
    ASSERT_TRUE(depth.bitmap);
    const StereoGeometry whole{30, 30};
    for (const int count : {3, 5, 8}) {
        const long today = HoleArea(depth.bitmap.get(), SeriesPlan{}.GeometryOf(whole, 0, count));
        long symmetric = 0;
        for (int file = 0; file < count; ++file)
            if (!SeriesPlan{true, true}.IsPicture(file, count))
                symmetric = std::max(symmetric, HoleArea(depth.bitmap.get(), SeriesPlan{true, true}.GeometryOf(whole, file, count)));
        EXPECT_GT(today, 0);
        EXPECT_LE(symmetric, 0.55 * today) << count << " views: " << symmetric << " against " << today;
    }
}

TEST(EyePairTest, TheLeftEyeIsTheViewAndTheRightThePicture)
{
    Sandbox sandbox;
    SaveRandomPicture(21, 8, 21, 8, 19);
    LayoutRun run{"image.bmp", DepthMapFile("depth.bmp"), 7, 3, 0};
    StereoSettings settings;
    settings.pixelsPerMetre = 500;
    RecordingSink sink;
    ASSERT_TRUE(MakeEyePair(run, "left.tif", kSaveTiff, "right.png", kSavePng, settings, RunOptions{}, sink));
    settings.geometry.parallax = 7;
    settings.geometry.stereoWindow = 3;
    ASSERT_TRUE(MakeShiftedView("view.bmp", "image.bmp", "depth.bmp", settings, RunOptions{}, sink));
    EXPECT_EQ(ReadBytes("left.tif").substr(0, 2), "II");
    EXPECT_TRUE(SamePixels("view.bmp", "left.tif"));
    EXPECT_TRUE(SamePixels("image.bmp", "right.png"));
    EXPECT_EQ(ReadPixels("right.png")->resolution, 500);

    // A missing depth map writes nothing.
    run.depth = DepthMapFile("missing.bmp");
    EXPECT_FALSE(MakeEyePair(run, "l2.bmp", kSaveBmp, "r2.bmp", kSaveBmp, settings, RunOptions{}, sink));
    EXPECT_FALSE(std::filesystem::exists("l2.bmp") || std::filesystem::exists("r2.bmp"));
}

} // namespace
} // namespace velmora::test
