// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/OutlineImage.h"

#include "imaging/stereo/TempFiles.h"
#include "segmentation/SegmentationCommands.h"
#include "segmentation/SegmentationMessages.h"
#include "segmentation/StepInput.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/ReferenceSegmentation.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace velmora::test {
namespace {

const Bgr kGreen{0, 255, 0}, kBlue{255, 0, 0}, kWhite{255, 255, 255}, kBlack{0, 0, 0};

class OutlineImageTest : public ::testing::Test {
protected:
    // Runs the command on `picture` saved as photo.bmp; returns the outline.
    Pixels Outline(FIBITMAP* picture, int level)
    {
        Save(picture, "photo.bmp");
        CreateOutlineImage(level, inputs, record, sink, [&](const std::string& name) { previews.push_back(name); });
        return ReadPixels("photo-outline.bmp").value();
    }

    Sandbox sandbox;
    RecordingSink sink;
    SegmentationRecord record;
    SegmentationInputs inputs{"photo.bmp", "photo", "", "", kSaveBmp, true, RunOptions{}};
    std::vector<std::string> previews;
};

TEST_F(OutlineImageTest, AnEdgeIsGreenOnItsBrightSideAndBlueOnItsDarkSide)
{
    Bitmap halves = MakeImage(10, 6, [](int x, int) { return Grey(x < 5 ? 0 : 255); });
    const Pixels outline = Outline(halves.get(), 50);
    const Pixels gradient = ReadPixels("photo-gradient.bmp").value();
    for (int y = 1; y <= 4; ++y) {
        EXPECT_EQ(outline.At(4, y), kBlue) << y;
        EXPECT_EQ(outline.At(5, y), kGreen) << y;
        EXPECT_EQ(gradient.At(4, y), Grey(255));
        EXPECT_EQ(gradient.At(5, y), Grey(255));
        EXPECT_EQ(outline.At(2, y), kWhite); // flat areas
        EXPECT_EQ(outline.At(8, y), kWhite);
    }
    EXPECT_EQ(outline.At(0, 0), kWhite); // the black border turns white from level 1
    EXPECT_EQ(previews, (std::vector<std::string>{"photo-outline.bmp"}));
    EXPECT_EQ(record.outlineFileName, "photo-outline.bmp");
    EXPECT_EQ(record.outlineLevel, 50);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(OutlineImageTest, LevelZeroKeepsTheSignsAndTheBlackBorderLevel256MakesAllWhite)
{
    std::mt19937 random(4);
    Bitmap picture = RandomImage(12, 9, random);
    const Pixels kept = Outline(picture.get(), 0);
    ReferenceLaplacianSign("photo.bmp", "signs.bmp");
    EXPECT_TRUE(SamePixels("signs.bmp", "photo-outline.bmp"));
    EXPECT_EQ(kept.At(0, 0), kBlack);
    EXPECT_EQ(kept.At(11, 5), kBlack);

    const Pixels white = Outline(picture.get(), 256);
    EXPECT_EQ(white.bytes, std::vector<std::uint8_t>(white.bytes.size(), 255));
}

TEST_F(OutlineImageTest, AGradientMeanEqualToTheLevelKeepsItsClass)
{
    // The bottom scanline at `bottom`, the rest black: at the centre every
    // channel's gradient is that value, the left and right columns alike.
    auto centre = [&](Bgr bottom) {
        Bitmap picture = MakeImage(3, 3, [&](int, int y) { return y == 0 ? bottom : Grey(0); });
        OutlineImages made = MakeOutlineImages(picture.get(), 50, RunOptions{}, sink);
        return std::pair{PixelOf(made.outline.get(), 1, 1), PixelOf(made.gradient.get(), 1, 1)};
    };
    const auto [kept, sum150] = centre(Grey(50));
    EXPECT_EQ(sum150, Grey(50));
    EXPECT_EQ(kept, kBlue); // 150 is not below 3 x 50
    const auto [white, sum149] = centre(Bgr{49, 50, 50});
    EXPECT_EQ(sum149, (Bgr{49, 50, 50}));
    EXPECT_EQ(white, kWhite); // 149 is
}

TEST_F(OutlineImageTest, UniformAndTinyPicturesHaveNoOutline)
{
    const Pixels uniform = Outline(MakeImage(8, 8, [](int, int) { return Bgr{30, 140, 90}; }).get(), 1);
    EXPECT_EQ(uniform.bytes, std::vector<std::uint8_t>(uniform.bytes.size(), 255));

    for (auto [width, height] : {std::pair{2, 5}, std::pair{5, 2}, std::pair{1, 1}}) {
        Bitmap tiny = MakeImage(width, height, [](int, int) { return Grey(200); });
        const Pixels black = Outline(tiny.get(), 0);
        EXPECT_EQ(black.bytes, std::vector<std::uint8_t>(black.bytes.size(), 0));
        const Pixels gradient = ReadPixels("photo-gradient.bmp").value();
        EXPECT_EQ(gradient.width, width);
        EXPECT_EQ(gradient.bytes, std::vector<std::uint8_t>(gradient.bytes.size(), 0));
        const Pixels white = Outline(tiny.get(), 1);
        EXPECT_EQ(white.bytes, std::vector<std::uint8_t>(white.bytes.size(), 255));
    }
}

TEST_F(OutlineImageTest, GradientsAboveAByteAreStoredAs255)
{
    // In the blue channel: scanline y - 1 and the left neighbour 0, scanline
    // y + 1 and the right neighbour 255: gy = -255, gx = -85, magnitude 269.
    Bitmap picture = MakeImage(3, 3, [](int x, int y) {
        const bool bright = y == 2 || (y == 1 && x == 2);
        return Bgr{static_cast<std::uint8_t>(bright ? 255 : 0), 0, 0};
    });
    EXPECT_EQ(PixelOf(MakeOutlineImages(picture.get(), 0, RunOptions{}, sink).gradient.get(), 1, 1), (Bgr{255, 0, 0}));
}

TEST_F(OutlineImageTest, SlidingWindowsMatchTheWholeWindows)
{
    std::mt19937 random(31);
    std::uniform_int_distribution<int> side(1, 60);
    for (int round = 0; round < 30; ++round) {
        Bitmap picture = round % 2 ? RandomImage(side(random), side(random), random)
                                   : RandomDepthMap(side(random), side(random), random);
        Save(picture.get(), "picture.bmp");
        // At level 0 no pixel turns white: the outline is the signs.
        ASSERT_TRUE(MakeOutlineFiles("picture.bmp", "signs.bmp", "grad.bmp", 0, kSaveBmp, kSaveBmp, record,
                                     RunOptions{}, sink));
        ReferenceLaplacianSign("picture.bmp", "expected-signs.bmp");
        ReferenceGradient("picture.bmp", "expected-grad.bmp");
        ASSERT_TRUE(SamePixels("expected-signs.bmp", "signs.bmp")) << round;
        ASSERT_TRUE(SamePixels("expected-grad.bmp", "grad.bmp")) << round;
    }
}

TEST_F(OutlineImageTest, AMissingPictureIsReportedOnceAndNoOlderOutlineIsTouched)
{
    inputs.imagePath = "";
    inputs.imageTitle = "";
    Save(MakeImage(3, 3, [](int, int) { return kGreen; }).get(), "-outline.bmp");
    const std::string leftover = ReadBytes("-outline.bmp");
    CreateOutlineImage(50, inputs, record, sink, [&](const std::string& name) { previews.push_back(name); });
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"Couldn't load bitmap!"}));
    EXPECT_TRUE(previews.empty());
    EXPECT_EQ(ReadBytes("-outline.bmp"), leftover);
}

TEST_F(OutlineImageTest, NamesFollowTheTitleAndFormatInTheCurrentFolder)
{
    std::filesystem::create_directory("pictures");
    Save(MakeImage(4, 4, [](int x, int) { return Grey(x * 60); }).get(), "pictures/photo.png", kSavePng);
    inputs = {"pictures/photo.png", "photo", "", "", kSavePng, false, RunOptions{}};
    CreateOutlineImage(50, inputs, record, sink, [&](const std::string& name) { previews.push_back(name); });
    EXPECT_TRUE(std::filesystem::exists("photo-outline.png"));
    EXPECT_TRUE(std::filesystem::exists("photo-gradient.png"));
    EXPECT_TRUE(previews.empty()); // previewImages is off
    EXPECT_EQ(record.outlineFileName, "photo-outline.png");
}

TEST_F(OutlineImageTest, RecordsTheStoredDepthOfItsInput)
{
    Bitmap grey = GreyPaletteImage(5, 5);
    ASSERT_TRUE(FreeImage_Save(FIF_BMP, grey.get(), "grey.bmp", 0));
    SegmentationRecord pictureOnly;
    Bitmap read = ReadStepInput("grey.bmp", "Couldn't load bitmap!", pictureOnly, RunOptions{}, sink);
    EXPECT_EQ(pictureOnly.bitsPerPixel, 8);
    EXPECT_EQ(BitsPerPixel(read.get()), 24);
    EXPECT_TRUE(MakeOutlineFiles("grey.bmp", "outline.bmp", "", 50, kSaveBmp, kSaveBmp, record, RunOptions{}, sink));
    EXPECT_EQ(ReadPixels("outline.bmp")->bitsPerPixel, 24);
}

TEST_F(OutlineImageTest, TheStatusLineSaysWhatRunsBeforeTheFirstRow)
{
    Outline(MakeImage(12, 9, [](int x, int) { return x < 6 ? kBlack : kWhite; }).get(), 50);
    ASSERT_FALSE(sink.events.empty());
    EXPECT_EQ(sink.events.front(), std::string("status:") + messages::kStatusOutline);
}

} // namespace
} // namespace velmora::test
