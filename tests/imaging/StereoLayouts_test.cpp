// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/DepthSmoothing.h"
#include "imaging/stereo/ShiftedView.h"
#include "imaging/stereo/SideBySide.h"
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

std::uint8_t ReferenceDubois(const double (&left)[3], const double (&right)[3], int channel)
{
    static const double kLeft[3][3] = {{0.456, 0.500, 0.176}, {-0.040, -0.038, -0.016}, {-0.015, -0.021, -0.005}};
    static const double kRight[3][3] = {{-0.043, -0.088, -0.002}, {0.378, 0.734, -0.018}, {-0.072, -0.113, 1.226}};
    double sum = 0;
    for (int c = 0; c < 3; ++c)
        sum += kLeft[channel][c] * left[c];
    for (int c = 0; c < 3; ++c)
        sum += kRight[channel][c] * right[c];
    return static_cast<std::uint8_t>(std::clamp(std::round(sum), 0.0, 255.0));
}

Bitmap ComposeIn(int mode, FIBITMAP* view, FIBITMAP* image)
{
    StereoSettings settings;
    settings.anaglyphMode = mode;
    RecordingSink sink;
    return ComposeAnaglyph(view, image, settings, RunOptions{}, sink);
}

TEST(AnaglyphMethodsTest, DuboisAndHalfColourMatchTheirFormulasOnRandomPictures)
{
    std::mt19937 random(16);
    Bitmap view = RandomImage(33, 9, random);
    Bitmap image = RandomImage(31, 11, random);
    Bitmap dubois = ComposeIn(kAnaglyphDubois, view.get(), image.get());
    Bitmap halfColour = ComposeIn(kAnaglyphHalfColour, view.get(), image.get());
    ASSERT_TRUE(dubois && halfColour);
    ASSERT_EQ(Width(dubois.get()), 31);
    ASSERT_EQ(Height(dubois.get()), 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 31; ++x) {
            const Bgr v = PixelOf(view.get(), x, y), p = PixelOf(image.get(), x, y);
            const double left[3] = {double(v.red), double(v.green), double(v.blue)};
            const double right[3] = {double(p.red), double(p.green), double(p.blue)};
            ASSERT_EQ(PixelOf(dubois.get(), x, y),
                      (Bgr{ReferenceDubois(left, right, 2), ReferenceDubois(left, right, 1),
                           ReferenceDubois(left, right, 0)}));
            const double luma = (299.0 * v.red + 587.0 * v.green + 114.0 * v.blue) / 1000.0;
            ASSERT_EQ(PixelOf(halfColour.get(), x, y),
                      (Bgr{p.blue, p.green, static_cast<std::uint8_t>(std::floor(luma + 0.5))}));
        }
}

TEST(AnaglyphMethodsTest, ExactHalvesRoundUp)
{
    // Dubois: a left green of 1, 3, 5, 7 makes red 0.5, 1.5, 2.5, 3.5.
    Bitmap view = MakeImage(4, 1, [](int x, int) { return Bgr{0, static_cast<std::uint8_t>(2 * x + 1), 0}; });
    Bitmap black = MakeImage(4, 1, [](int, int) { return Grey(0); });
    Bitmap dubois = ComposeIn(kAnaglyphDubois, view.get(), black.get());
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(PixelOf(dubois.get(), x, 0).red, x + 1) << "green " << 2 * x + 1;

    // Half-colour: lumas of exactly 28.5, 21.5, 14.5 and 7.5 (R, G, B below).
    const Bgr halves[] = {{250, 0, 0}, {168, 4, 0}, {86, 8, 0}, {4, 12, 0}};
    Bitmap colours = MakeImage(4, 1, [&](int x, int) { return halves[x]; });
    Bitmap halfColour = ComposeIn(kAnaglyphHalfColour, colours.get(), black.get());
    const int expected[] = {29, 22, 15, 8};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(PixelOf(halfColour.get(), x, 0).red, expected[x]) << x;
}

TEST(DepthInversionTest, AnInvertedDepthMapGivesWhatItsNegativeGives)
{
    Sandbox sandbox;
    std::mt19937 random(17);
    Bitmap image = RandomImage(40, 12, random);
    Bitmap depth = RandomDepthMap(40, 12, random);
    Bitmap negative = MakeImage(40, 12, [&](int x, int y) {
        const Bgr d = PixelOf(depth.get(), x, y);
        return Bgr{static_cast<std::uint8_t>(255 - d.blue), static_cast<std::uint8_t>(255 - d.green),
                   static_cast<std::uint8_t>(255 - d.red)};
    });
    Save(image.get(), "image.bmp");
    Save(depth.get(), "depth.bmp");
    Save(negative.get(), "negative.bmp");
    StereoSettings settings;
    settings.geometry.parallax = 9;
    settings.geometry.stereoWindow = 4;
    RecordingSink sink;
    ASSERT_TRUE(MakeShiftedView("from-negative.bmp", "image.bmp", "negative.bmp", settings, RunOptions{}, sink));
    ASSERT_TRUE(
        MakeShiftedView("inverted.bmp", "image.bmp", DepthMapFile("depth.bmp", true), settings, RunOptions{}, sink));
    EXPECT_EQ(ReadBytes("inverted.bmp"), ReadBytes("from-negative.bmp"));
    ASSERT_TRUE(SmoothDepthMap("negative.bmp", "smooth-negative.bmp", 2, settings, RunOptions{}, sink));
    ASSERT_TRUE(
        SmoothDepthMap(DepthMapFile("depth.bmp", true), "smooth-inverted.bmp", 2, settings, RunOptions{}, sink));
    EXPECT_EQ(ReadBytes("smooth-inverted.bmp"), ReadBytes("smooth-negative.bmp"));
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
        ASSERT_TRUE(MakeViewSeries(run, paths, settings, RunOptions{}, sink));

        StereoSettings one = settings;
        one.saveFormat = kSaveBmp;
        ASSERT_TRUE(SmoothDepthMap("depth.bmp", "smoothed.bmp", radius, one, RunOptions{}, sink));
        EXPECT_TRUE(SamePixels("image.bmp", "v0.png"));
        EXPECT_EQ(ReadPixels("v0.png")->resolution, 1234);
        for (int k = 1; k < 4; ++k) {
            one.geometry.parallax = SeriesShare(-13, k, 4);
            one.geometry.stereoWindow = SeriesShare(6, k, 4);
            ASSERT_TRUE(MakeShiftedView("expected.bmp", "image.bmp", "smoothed.bmp", one, RunOptions{}, sink));
            EXPECT_TRUE(SamePixels("expected.bmp", paths[k])) << "radius " << radius << " view " << k;
        }
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

TEST(JpegOutputTest, WritesTheSetQualityAndKeepsIntermediatesLossless)
{
    Sandbox sandbox;
    std::mt19937 random(20);
    std::uniform_int_distribution<int> wobble(-6, 6);
    // A smooth picture with some noise, as photographs are.
    Bitmap picture = MakeImage(64, 48, [&](int x, int y) {
        const auto at = [&](int base) { return static_cast<std::uint8_t>(std::clamp(base + wobble(random), 0, 255)); };
        return Bgr{at(3 * x), at(4 * y), at(2 * x + 2 * y)};
    });
    const auto largestError = [&](const std::string& path) {
        const Pixels read = ReadPixels(path).value();
        int largest = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const Bgr a = PixelOf(picture.get(), x, y), b = read.At(x, y);
                largest = std::max({largest, std::abs(a.blue - b.blue), std::abs(a.green - b.green),
                                    std::abs(a.red - b.red)});
            }
        return largest;
    };
    ASSERT_TRUE(WriteImageFile(picture.get(), "best.jpg", kSaveJpeg, RunOptions{.jpegQuality = 100}));
    ASSERT_TRUE(WriteImageFile(picture.get(), "worst.jpg", kSaveJpeg, RunOptions{.jpegQuality = 5}));
    EXPECT_EQ(ReadBytes("best.jpg").substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_LE(largestError("best.jpg"), 8); // the noise itself is up to 6
    EXPECT_GT(largestError("worst.jpg"), 20);
    EXPECT_LT(ReadBytes("worst.jpg").size(), ReadBytes("best.jpg").size());

    // Red and cyan columns one pixel wide, as the edges of an anaglyph are:
    // colour kept at full resolution keeps them apart.
    picture = MakeImage(64, 48, [](int x, int) { return x % 2 ? Bgr{255, 255, 0} : Bgr{0, 0, 255}; });
    ASSERT_TRUE(WriteImageFile(picture.get(), "stripes.jpg", kSaveJpeg, RunOptions{}));
    EXPECT_LE(largestError("stripes.jpg"), 24);

    EXPECT_EQ(IntermediateFormat(kSaveJpeg), kSaveBmp);
    EXPECT_EQ(IntermediateFormat(kSavePng), kSavePng);
    EXPECT_EQ(SmoothedDepthMapName(kSaveJpeg), "DepthMapTemp.bmp");
}

} // namespace
} // namespace velmora::test
