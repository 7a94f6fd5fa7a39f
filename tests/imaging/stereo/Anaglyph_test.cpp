// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/Anaglyph.h"

#include "imaging/stereo/Messages.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <random>
#include <utility>

namespace velmora::test {
namespace {

class AnaglyphTest : public ::testing::Test {
protected:
    Pixels Compose(FIBITMAP* view, FIBITMAP* image, int mode)
    {
        Save(view, sandbox.Path("out.bmp"));
        Save(image, sandbox.Path("image.bmp"));
        StereoSettings settings;
        settings.anaglyphMode = mode;
        settings.pixelsPerMetre = 2835;
        EXPECT_TRUE(MakeAnaglyph(sandbox.Path("out.bmp"), sandbox.Path("out.bmp"), sandbox.Path("image.bmp"), settings,
                                 RunOptions{}, sink));
        return ReadPixels(sandbox.Path("out.bmp")).value();
    }

    Sandbox sandbox;
    RecordingSink sink;
};

TEST_F(AnaglyphTest, GreyModeTakesPlainMeansWithTheRemainderDropped)
{
    Bitmap view = MakeImage(2, 1, [](int x, int) { return x == 0 ? Grey(255) : Bgr{1, 1, 0}; });
    Bitmap image = MakeImage(2, 1, [](int x, int) { return x == 0 ? Grey(0) : Bgr{1, 1, 0}; });
    const Pixels out = Compose(view.get(), image.get(), kAnaglyphGrey);
    EXPECT_EQ(out.At(0, 0), (Bgr{0, 0, 255}));
    EXPECT_EQ(out.At(1, 0), (Bgr{0, 0, 0})); // 2 / 3 drops the remainder
}

TEST_F(AnaglyphTest, ColourModeTakesRedFromTheViewAndCyanFromThePicture)
{
    std::mt19937 random(5);
    Bitmap view = RandomImage(8, 6, random);
    Bitmap image = RandomImage(8, 6, random);
    const Pixels out = Compose(view.get(), image.get(), kAnaglyphColour);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const Bgr v = PixelOf(view.get(), x, y), o = PixelOf(image.get(), x, y);
            ASSERT_EQ(out.At(x, y), (Bgr{o.blue, o.green, v.red}));
        }
}

TEST_F(AnaglyphTest, TakesTheCommonAreaAndThePictureResolution)
{
    std::mt19937 random(6);
    Bitmap view = RandomImage(5, 9, random);
    Bitmap image = RandomImage(7, 4, random);
    const Pixels out = Compose(view.get(), image.get(), kAnaglyphColour);
    EXPECT_EQ(out.width, 5);
    EXPECT_EQ(out.height, 4);
    EXPECT_EQ(out.bitsPerPixel, 24);
    EXPECT_EQ(out.resolution, 2835);
    EXPECT_EQ(out.At(4, 3).green, PixelOf(image.get(), 4, 3).green);
    // Each input's reading is a counted step of its own.
    EXPECT_EQ(
        sink.events,
        (std::vector<std::string>{"status:Anaglyph image", "begin:2", "step", "reset", "begin:2", "step", "reset"}));
    EXPECT_EQ(sink.pumps, 4);
}

TEST_F(AnaglyphTest, EachFailureHasItsMessageAndLeavesTheOutput)
{
    Bitmap view = MakeImage(2, 2, [](int, int) { return Grey(50); });
    Save(view.get(), sandbox.Path("out.bmp"));
    const std::string before = ReadBytes(sandbox.Path("out.bmp"));

    EXPECT_FALSE(MakeAnaglyph("out.bmp", "missing.bmp", "out.bmp", {}, RunOptions{}, sink));
    EXPECT_FALSE(MakeAnaglyph("out.bmp", "out.bmp", "missing.bmp", {}, RunOptions{}, sink));
    EXPECT_EQ(ReadBytes(sandbox.Path("out.bmp")), before);
    EXPECT_FALSE(MakeAnaglyph("no/folder/out.bmp", "out.bmp", "out.bmp", {}, RunOptions{}, sink));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{messages::kCouldntLoadBitmap, messages::kCouldntLoadBitmap,
                                                       "Couldn't save no/folder/out.bmp"}));
}

TEST_F(AnaglyphTest, AViewIsReadInTheFormatItWasWrittenInWhateverItsName)
{
    Bitmap view = MakeImage(2, 2, [](int, int) { return Grey(50); });
    Save(view.get(), sandbox.Path("view.png"), kSaveBmp);
    EXPECT_TRUE(MakeAnaglyph("out.png", "view.png", "view.png", {}, RunOptions{}, sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(ReadPixels("out.png")->At(1, 1), Grey(50));
}

Bitmap ComposeIn(int mode, FIBITMAP* view, FIBITMAP* image)
{
    StereoSettings settings;
    settings.anaglyphMode = mode;
    RecordingSink sink;
    return ComposeAnaglyph(view, image, settings, RunOptions{}, sink);
}

TEST(AnaglyphMethodsTest, DuboisMixesBothPicturesAsWorkedOutByHand)
{
    // Left (the view) and right (the picture) pixels, and the anaglyph's
    // red, green, blue worked out from Dubois's matrices:
    //   red   =  .456 L.r + .500 L.g + .176 L.b - .043 R.r - .088 R.g - .002 R.b
    //   green = -.040 L.r - .038 L.g - .016 L.b + .378 R.r + .734 R.g - .018 R.b
    //   blue  = -.015 L.r - .021 L.g - .005 L.b - .072 R.r - .113 R.g + 1.226 R.b
    // rounded and kept within 0..255.
    struct Case {
        Bgr left, right, expected;
    };
    const Case cases[] = {
        {{0, 0, 200}, Grey(0), {0, 0, 91}},      // red 91.2; green -8 and blue -3 clip to 0
        {Grey(0), {100, 0, 0}, {123, 0, 0}},     // blue 122.6; red -0.2, green -1.8
        {{0, 100, 0}, {0, 100, 0}, {0, 70, 41}}, // red 50 - 8.8, green -3.8 + 73.4, blue -13.4
        {Grey(0), {0, 0, 200}, {0, 76, 0}},      // green 75.6; red -8.6, blue -14.4
        {Grey(255), Grey(255), Grey(255)},       // each row of both matrices sums to 1, or 0.999 for red
    };
    const int count = static_cast<int>(std::size(cases));
    Bitmap view = MakeImage(count, 1, [&](int x, int) { return cases[x].left; });
    Bitmap image = MakeImage(count, 1, [&](int x, int) { return cases[x].right; });
    Bitmap dubois = ComposeIn(kAnaglyphDubois, view.get(), image.get());
    ASSERT_TRUE(dubois);
    for (int x = 0; x < count; ++x)
        EXPECT_EQ(PixelOf(dubois.get(), x, 0), cases[x].expected) << "case " << x;
}

TEST(AnaglyphMethodsTest, HalfColourMatchesItsFormulaOnRandomPictures)
{
    std::mt19937 random(16);
    Bitmap view = RandomImage(33, 9, random);
    Bitmap image = RandomImage(31, 11, random);
    Bitmap halfColour = ComposeIn(kAnaglyphHalfColour, view.get(), image.get());
    ASSERT_TRUE(halfColour);
    ASSERT_EQ(Width(halfColour.get()), 31);
    ASSERT_EQ(Height(halfColour.get()), 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 31; ++x) {
            const Bgr v = PixelOf(view.get(), x, y), p = PixelOf(image.get(), x, y);
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

TEST(AnaglyphOverViewTest, EveryModeWrittenOverTheViewGivesTheSameBytes)
{
    // Over the view when the picture is as large or larger; into fresh
    // memory when the view is larger.
    const std::pair<int, int> pictureSizes[] = {{31, 17}, {40, 22}, {25, 17}};
    for (int mode : {kAnaglyphGrey, kAnaglyphColour, kAnaglyphHalfColour, kAnaglyphDubois})
        for (const auto& [width, height] : pictureSizes)
            for (int threads : {1, 2}) {
                std::mt19937 random(mode * 7 + width);
                Bitmap view = RandomImage(31, 17, random);
                Bitmap image = RandomImage(width, height, random);
                StereoSettings settings;
                settings.anaglyphMode = mode;
                settings.pixelsPerMetre = 3001;
                RunOptions options;
                options.threads = threads;
                NullSink quiet;
                Bitmap expected = ComposeAnaglyph(view.get(), image.get(), settings, options, quiet);
                Bitmap over = ComposeAnaglyphOverView(std::move(view), image.get(), settings, options, quiet);
                ASSERT_TRUE(SameBitmaps(expected.get(), over.get())) << "mode " << mode << " picture " << width;
            }
}

} // namespace
} // namespace velmora::test
