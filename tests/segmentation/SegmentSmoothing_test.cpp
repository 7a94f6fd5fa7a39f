// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/SegmentSmoothing.h"

#include "imaging/stereo/DepthSmoothing.h"

#include "segmentation/SegmentationCommands.h"
#include "segmentation/SegmentationMessages.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/ReferenceSegmentation.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace velmora::test {
namespace {

const Bgr kGreen{0, 255, 0}, kBlue{255, 0, 0}, kWhite{255, 255, 255}, kBlack{0, 0, 0};

class SegmentSmoothingTest : public ::testing::Test {
protected:
    // The centre value of one 3 x 3 window: outline classes and depths given
    // cell by cell, k = 0..8 from the lower left, scanline by scanline.
    int CentreOf(const std::array<Bgr, 9>& classes, const std::array<int, 9>& depths)
    {
        Save(MakeImage(3, 3, [&](int x, int y) { return classes[3 * y + x]; }).get(), "outline.bmp");
        Save(MakeImage(3, 3, [&](int x, int y) { return Grey(depths[3 * y + x]); }).get(), "depth.bmp");
        EXPECT_TRUE(
            SmoothBySegmentsPasses("outline.bmp", "depth.bmp", "new.bmp", 1, kSaveBmp, record, RunOptions{}, sink));
        return ReadPixels("new.bmp")->At(1, 1).blue;
    }

    Sandbox sandbox;
    RecordingSink sink;
    SegmentationRecord record;
};

TEST_F(SegmentSmoothingTest, MembersShareTheCentresClass)
{
    const std::array<int, 9> depths{1, 2, 4, 8, 16, 32, 64, 128, 200};
    const Bgr G = kGreen, B = kBlue, W = kWhite, K = kBlack;
    // Green centre: green, white and black cells: (1 + 4 + 16 + 64 + 128) / 5.
    EXPECT_EQ(CentreOf({G, B, W, B, G, B, K, G, B}, depths), 43);
    // Blue centre, green left column: the six blue cells, 382 / 6.
    EXPECT_EQ(CentreOf({G, B, B, G, B, B, G, B, B}, depths), 64);
    // White centre, six cells with blue 255 and five with green 255: blue and
    // white cells, (1 + 2 + 4 + 8 + 16 + 64) / 6.
    EXPECT_EQ(CentreOf({B, B, B, W, W, G, B, G, G}, depths), 16);
    // White centre, six and six: the tie goes to green, 388 / 6.
    EXPECT_EQ(CentreOf({B, B, G, W, W, G, B, G, W}, depths), 65);
    EXPECT_EQ(record.bitsPerPixel, 24);
}

TEST_F(SegmentSmoothingTest, MeansRoundHalfAway)
{
    const Bgr G = kGreen, B = kBlue;
    EXPECT_EQ(CentreOf({B, B, B, B, G, B, B, B, G}, {0, 0, 0, 0, 10, 0, 0, 0, 11}), 11); // 10.5
    EXPECT_EQ(CentreOf({B, G, B, B, G, B, B, B, G}, {0, 10, 0, 0, 10, 0, 0, 0, 11}), 10); // 10.33
}

TEST_F(SegmentSmoothingTest, AWhiteOutlineGivesAPlainBoxMean)
{
    std::mt19937 random(17);
    Save(RandomDepthMap(9, 7, random).get(), "depth.bmp");
    Save(MakeImage(9, 7, [](int, int) { return kWhite; }).get(), "outline.bmp");
    ASSERT_TRUE(SmoothBySegmentsPasses("outline.bmp", "depth.bmp", "new.bmp", 1, kSaveBmp, record, RunOptions{}, sink));
    // Inside the picture that is the box smoothing of radius 1.
    ASSERT_TRUE(SmoothDepthMap("depth.bmp", "box.bmp", 1, {}, RunOptions{}, sink));
    const Pixels box = ReadPixels("box.bmp").value(), smoothed = ReadPixels("new.bmp").value();
    for (int y = 1; y < 6; ++y)
        for (int x = 1; x < 8; ++x)
            ASSERT_EQ(smoothed.At(x, y), box.At(x, y)) << x << ", " << y;
}

TEST_F(SegmentSmoothingTest, TakesTheCommonAreaFillsTheBorderAndLeavesTheCornersBlack)
{
    std::mt19937 random(18);
    Save(RandomDepthMap(100, 80, random).get(), "depth.bmp");
    Save(MakeImage(90, 90, [](int x, int y) { return (x / 7 + y / 5) % 2 ? kGreen : kBlue; }).get(), "outline.bmp");
    ASSERT_TRUE(SmoothBySegmentsPasses("outline.bmp", "depth.bmp", "new.bmp", 1, kSaveBmp, record, RunOptions{}, sink));
    const Pixels out = ReadPixels("new.bmp").value();
    ASSERT_EQ(out.width, 90);
    ASSERT_EQ(out.height, 80);
    for (auto [x, y] : {std::pair{0, 0}, {89, 0}, {0, 79}, {89, 79}})
        EXPECT_EQ(out.At(x, y), kBlack);
    for (int y = 1; y < 79; ++y) {
        EXPECT_EQ(out.At(0, y), out.At(1, y));
        EXPECT_EQ(out.At(89, y), out.At(88, y));
    }
    for (int x = 1; x < 89; ++x) {
        EXPECT_EQ(out.At(x, 0), out.At(x, 1));
        EXPECT_EQ(out.At(x, 79), out.At(x, 78));
    }
}

TEST_F(SegmentSmoothingTest, NarrowDepthMapsGiveABlackResult)
{
    Save(MakeImage(2, 6, [](int, int) { return Grey(99); }).get(), "depth.bmp");
    Save(MakeImage(6, 6, [](int, int) { return kWhite; }).get(), "outline.bmp");
    ASSERT_TRUE(SmoothBySegmentsPasses("outline.bmp", "depth.bmp", "new.bmp", 1, kSaveBmp, record, RunOptions{}, sink));
    const Pixels out = ReadPixels("new.bmp").value();
    EXPECT_EQ(out.bytes, std::vector<std::uint8_t>(out.bytes.size(), 0));
}

TEST_F(SegmentSmoothingTest, SlidingWindowMatchesTheWholeWindow)
{
    std::mt19937 random(19);
    std::uniform_int_distribution<int> side(1, 50), pick(0, 5), byte(0, 255);
    for (int round = 0; round < 30; ++round) {
        const int width = side(random), height = side(random);
        // Mostly the four classes, some foreign colours too.
        Bitmap outline = MakeImage(width, height, [&](int, int) {
            const Bgr classes[] = {kGreen, kBlue, kWhite, kBlack};
            const int p = pick(random);
            return p < 4 ? classes[p]
                         : Bgr{static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random)), 0};
        });
        Save(outline.get(), "outline.bmp");
        Save(RandomDepthMap(side(random), side(random), random).get(), "depth.bmp");
        ASSERT_TRUE(
            SmoothBySegmentsPasses("outline.bmp", "depth.bmp", "new.bmp", 1, kSaveBmp, record, RunOptions{}, sink));
        ReferenceSmoothBySegments("outline.bmp", "depth.bmp", "expected.bmp");
        ASSERT_TRUE(SamePixels("expected.bmp", "new.bmp")) << round;
    }
}

TEST_F(SegmentSmoothingTest, AColouredDepthMapGivesItsDepthInTheBlueByte)
{
    // Red and green unlike blue and unlike each other: only blue may count.
    std::mt19937 random(23);
    std::uniform_int_distribution<int> byte(0, 255);
    Bitmap depth = MakeImage(30, 20, [&](int, int) {
        return Bgr{static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random)),
                   static_cast<std::uint8_t>(byte(random))};
    });
    Bitmap blueOnly = MakeImage(30, 20, [&](int x, int y) { return Grey(PixelOf(depth.get(), x, y).blue); });
    Save(MakeImage(30, 20, [](int x, int y) { return (x / 5 + y / 4) % 2 ? kWhite : kGreen; }).get(), "outline.bmp");
    Save(depth.get(), "colour.bmp");
    Save(blueOnly.get(), "grey.bmp");
    ASSERT_TRUE(
        SmoothBySegmentsPasses("outline.bmp", "colour.bmp", "from-colour.bmp", 3, kSaveBmp, record, RunOptions{}, sink));
    ASSERT_TRUE(
        SmoothBySegmentsPasses("outline.bmp", "grey.bmp", "from-grey.bmp", 3, kSaveBmp, record, RunOptions{}, sink));
    EXPECT_TRUE(SamePixels("from-colour.bmp", "from-grey.bmp"));
}

class SmoothingCommandTest : public SegmentSmoothingTest {
protected:
    SmoothingCommandTest()
    {
        std::mt19937 random(20);
        Save(RandomDepthMap(20, 15, random).get(), "scene-depth.bmp");
        Save(MakeImage(20, 15, [](int x, int y) { return (x + y) % 3 ? kWhite : kGreen; }).get(),
             "scene-outline.bmp");
    }

    void Smooth(int degree)
    {
        SmoothDepthMapBySegments(degree, inputs, record, sink, [&](const std::string& name) {
            previews.push_back(name);
        });
    }

    // The expected result of `passes` passes, made pass by pass.
    std::string PassByPass(int passes)
    {
        SegmentationRecord scratch;
        SmoothBySegmentsPasses("scene-outline.bmp", "scene-depth.bmp", "expected.bmp", 1, kSaveBmp, scratch,
                               RunOptions{}, sink);
        for (int pass = 2; pass <= passes; ++pass)
            SmoothBySegmentsPasses("scene-outline.bmp", "expected.bmp", "expected.bmp", 1, kSaveBmp, scratch,
                                   RunOptions{}, sink);
        return ReadBytes("expected.bmp");
    }

    SegmentationInputs inputs{"scene.png", "scene", "scene-depth.bmp", "scene-depth", kSaveBmp, true, RunOptions{}};
    std::vector<std::string> previews;
};

TEST_F(SmoothingCommandTest, TheDegreeCountsPassesAndAtLeastOne)
{
    for (int degree : {0, 1, -4})
        Smooth(degree);
    EXPECT_EQ(ReadBytes("scene-depthNew.bmp"), PassByPass(1));
    Smooth(3);
    EXPECT_EQ(ReadBytes("scene-depthNew.bmp"), PassByPass(3));
    EXPECT_NE(PassByPass(3), PassByPass(1));
    EXPECT_EQ(record.smoothingDegree, 3);
    EXPECT_EQ(record.outlineFileName, "scene-outline.bmp");
    EXPECT_FALSE(record.smoothFailed);
    EXPECT_EQ(previews.size(), 4u);
    EXPECT_EQ(previews.back(), "scene-depthNew.bmp");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SmoothingCommandTest, AHugeDegreeEndsOnceTheSmoothingHasSettled)
{
    Smooth(2147483647); // returns at once, not after two billion passes
    // The result is where the passes stop changing anything: one more pass
    // gives it again, so the passes left over would have too.
    SegmentationRecord scratch;
    ASSERT_TRUE(SmoothBySegmentsPasses("scene-outline.bmp", "scene-depthNew.bmp", "again.bmp", 1, kSaveBmp, scratch,
                                       RunOptions{}, sink));
    EXPECT_EQ(ReadBytes("again.bmp"), ReadBytes("scene-depthNew.bmp"));
    EXPECT_NE(ReadBytes("scene-depthNew.bmp"), PassByPass(3));
    EXPECT_EQ(record.smoothingDegree, 2147483647);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SmoothingCommandTest, AMissingOutlineStopsThePassesAndShowsNoOlderResult)
{
    std::filesystem::remove("scene-outline.bmp");
    Smooth(5);
    EXPECT_EQ(sink.messages, (std::vector<std::string>{messages::kCouldntLoadOutline}));
    EXPECT_TRUE(record.smoothFailed);
    EXPECT_FALSE(std::filesystem::exists("scene-depthNew.bmp"));
    EXPECT_TRUE(previews.empty());

    sink = RecordingSink();
    inputs.depthPath = "gone.bmp";
    Save(MakeImage(3, 3, [](int, int) { return kWhite; }).get(), "scene-outline.bmp");
    Smooth(5);
    EXPECT_EQ(sink.messages, (std::vector<std::string>{messages::kCouldntLoadDepth3d}));
}

TEST_F(SmoothingCommandTest, TheNewDepthMapCanBeAdoptedOnceMade)
{
    EXPECT_FALSE(ReadSmoothedDepthMap(inputs, sink));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{messages::kCouldntLoadNewDepthMap}));
    Smooth(1);
    const auto adopted = ReadSmoothedDepthMap(inputs, sink);
    ASSERT_TRUE(adopted);
    EXPECT_EQ(adopted->path, std::filesystem::absolute("scene-depthNew.bmp"));
    EXPECT_EQ(adopted->title, "scene-depthNew");
    EXPECT_EQ(adopted->width, 20);
    EXPECT_EQ(adopted->height, 15);
    EXPECT_EQ(NewDepthMapName(adopted->title, kSavePng), "scene-depthNewNew.png");
}

TEST_F(SmoothingCommandTest, TheStatusLineSaysWhatRunsBeforeTheFirstRow)
{
    Smooth(1);
    ASSERT_FALSE(sink.events.empty());
    EXPECT_EQ(sink.events.front(), std::string("status:") + messages::kStatusSegmentSmoothing);
}

} // namespace
} // namespace velmora::test
