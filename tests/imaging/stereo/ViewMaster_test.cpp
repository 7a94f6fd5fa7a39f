// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/ViewMaster.h"

#include "imaging/stereo/Messages.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>

namespace velmora::test {
namespace {

class ViewMasterTest : public ::testing::Test {
protected:
    // The left picture is grey 100 + row, the right one grey 200 + row, so
    // every output row tells where it came from.
    Pixels Interleave(int height)
    {
        Bitmap left = MakeImage(3, height, [](int, int y) { return Grey(100 + y); });
        Bitmap right = MakeImage(4, height + 2, [](int, int y) { return Grey(200 + y); });
        Save(left.get(), sandbox.Path("left.bmp"));
        Save(right.get(), sandbox.Path("out.bmp"));
        StereoSettings settings;
        settings.pixelsPerMetre = 3780;
        EXPECT_TRUE(MakeViewMaster(sandbox.Path("out.bmp"), sandbox.Path("left.bmp"), sandbox.Path("out.bmp"), settings,
                                   RunOptions{}, sink));
        return ReadPixels(sandbox.Path("out.bmp")).value();
    }

    Sandbox sandbox;
    RecordingSink sink;
};

TEST_F(ViewMasterTest, EvenRowsFromTheViewOddRowsFromThePicture)
{
    for (int height : {1, 4, 5}) {
        sink = RecordingSink();
        const Pixels out = Interleave(height);
        ASSERT_EQ(out.height, height);
        ASSERT_EQ(out.width, 3);
        for (int y = 0; y < height; ++y)
            EXPECT_EQ(out.At(2, y), Grey(y % 2 == 0 ? 200 + y : 100 + y)) << "height " << height << " row " << y;
        EXPECT_EQ(sink.pumps, height);
        EXPECT_EQ(sink.events,
                  (std::vector<std::string>{"status:LC Shutter", "begin:2", "step", "reset", "begin:2", "step",
                                            "reset"})); // the two inputs read
        EXPECT_EQ(out.resolution, 3780);
    }
}

TEST_F(ViewMasterTest, EachFailureHasItsMessage)
{
    Bitmap picture = MakeImage(2, 2, [](int, int) { return Grey(1); });
    Save(picture.get(), sandbox.Path("picture.bmp"));
    EXPECT_FALSE(MakeViewMaster("out.bmp", "missing.bmp", "picture.bmp", {}, RunOptions{}, sink));
    EXPECT_FALSE(MakeViewMaster("out.bmp", "picture.bmp", "missing.bmp", {}, RunOptions{}, sink));
    EXPECT_FALSE(MakeViewMaster("no/folder/out.bmp", "picture.bmp", "picture.bmp", {}, RunOptions{}, sink));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{messages::kCouldntLoadBitmap, messages::kCouldntLoadBitmap,
                                                       "Couldn't save no/folder/out.bmp"}));
}

TEST(ViewMasterOverTest, RowsCopiedBetweenTheKeptOnesGiveTheSameBytes)
{
    // Kept as the right picture (its even rows) and as the left (its odd
    // ones); over it when the other is as large or larger, else into fresh
    // memory.
    const std::pair<int, int> otherSizes[] = {{29, 15}, {33, 16}, {29, 14}};
    for (bool keptIsRight : {true, false})
        for (const auto& [width, height] : otherSizes)
            for (int threads : {1, 2}) {
                std::mt19937 random(width + height);
                Bitmap kept = RandomImage(29, 15, random);
                Bitmap other = RandomImage(width, height, random);
                StereoSettings settings;
                settings.pixelsPerMetre = 1999;
                RunOptions options;
                options.threads = threads;
                NullSink quiet;
                Bitmap expected = keptIsRight ? ComposeViewMaster(other.get(), kept.get(), settings, options, quiet)
                                              : ComposeViewMaster(kept.get(), other.get(), settings, options, quiet);
                Bitmap over =
                    ComposeViewMasterOver(std::move(kept), other.get(), keptIsRight, settings, options, quiet);
                ASSERT_TRUE(SameBitmaps(expected.get(), over.get())) << keptIsRight << " " << width << "x" << height;
            }
}

} // namespace
} // namespace velmora::test
