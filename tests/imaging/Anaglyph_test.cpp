// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/Anaglyph.h"

#include "imaging/stereo/Messages.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <random>

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
    EXPECT_EQ(sink.events, (std::vector<std::string>{"status:Anaglyph image"}));
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

} // namespace
} // namespace velmora::test
