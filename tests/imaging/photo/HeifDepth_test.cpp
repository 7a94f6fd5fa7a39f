// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/HeifDepth.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <limits>

namespace velmora::test {
namespace {

// tests/data/heif/make-heif-files.py: a 64 x 64 picture with a depth image
// of its size whose level rises from 0 at the left to 255 at the right, one
// column in 255 / 63.
std::string HeifData(const std::string& name) { return std::string(VELMORA_TEST_DATA) + "/heif/" + name; }

int GreyAt(FIBITMAP* map, int column) { return PixelOf(map, column, 0).red; }

TEST(HeifDepthTest, AStoredDepthImageBecomesOurGreyMapNearerBrighter)
{
    struct Case {
        const char* name;
        int left, middle, right; // columns 0, 32 (level 130) and 63
    };
    const Case cases[] = {
        // Disparity, 0.5 to 2: the levels as they are.
        {"depth-disparity-0.5-2.heic", 0, 130, 255},
        // Distance 1 to 4: the left is nearest; level 130 is at 2.53, whose
        // 1 / distance lies a fifth of the way from 1 / 4 to 1.
        {"depth-distance-1-4.heic", 255, 49, 0},
        // Nothing stated: disparity over its own levels, as iPhones store it.
        {"depth-plain.heic", 0, 130, 255},
        // In 10 bits: level 1023 is the nearest.
        {"depth-10-bit-disparity-0.5-2.heic", 0, 130, 255},
    };
    for (const Case& c : cases) {
        const StoredDepthRead read = ReadHeifStoredDepth(HeifData(c.name), RunOptions {});
        ASSERT_TRUE(read.found) << c.name << ": " << read.problem;
        EXPECT_TRUE(read.problem.empty()) << c.name;
        EXPECT_FALSE(read.source.empty()) << c.name;
        EXPECT_EQ(Width(read.depth.get()), 64) << c.name;
        EXPECT_EQ(Height(read.depth.get()), 64) << c.name;
        EXPECT_EQ(GreyAt(read.depth.get(), 0), c.left) << c.name;
        EXPECT_EQ(GreyAt(read.depth.get(), 32), c.middle) << c.name;
        EXPECT_EQ(GreyAt(read.depth.get(), 63), c.right) << c.name;
    }
}

TEST(HeifDepthTest, NoDepthImageIsNoProblemButAnUnreadableFileIs)
{
    Sandbox sandbox;
    Save(MakeImage(4, 4, [](int, int) { return Grey(9); }).get(), "plain.png", kSavePng);
    for (const std::string& path : {HeifData("picture.heic"), std::string("plain.png")}) {
        const StoredDepthRead read = ReadHeifStoredDepth(path, RunOptions {});
        EXPECT_FALSE(read.found) << path;
        EXPECT_FALSE(read.depth) << path;
        EXPECT_TRUE(read.problem.empty()) << path << ": " << read.problem;
    }
    const std::string heif = ReadBytes(HeifData("depth-disparity-0.5-2.heic"));
    WriteBytes("cut.heic", heif.substr(0, heif.size() - 100));
    for (const std::string& path : {std::string("missing.heic"), std::string("cut.heic")}) {
        const StoredDepthRead read = ReadHeifStoredDepth(path, RunOptions {});
        EXPECT_FALSE(read.found) << path;
        EXPECT_FALSE(read.problem.empty()) << path;
    }
    // The depth image is held to the picture limit too.
    const StoredDepthRead tooLarge =
        ReadHeifStoredDepth(HeifData("depth-plain.heic"), RunOptions {.pictureLimit = 1000});
    EXPECT_FALSE(tooLarge.found);
    EXPECT_NE(tooLarge.problem.find("64 x 64"), std::string::npos) << tooLarge.problem;
}

// Levels 0.25 and 0.75, as a depth image that spans half of its stated range.
HeifDepthImage TwoLevels(HeifDepthKind kind)
{
    HeifDepthImage image;
    image.found = true;
    image.width = 2;
    image.height = 1;
    image.levels = {0.25f, 0.75f};
    image.kind = kind;
    return image;
}

TEST(HeifDepthTest, EachKindOfLevelsIsTurnedIntoDisparity)
{
    struct Case {
        const char* what;
        HeifDepthImage image;
        int low, high; // the grey of levels 0.25 and 0.75
    };
    HeifDepthImage disparity = TwoLevels(HeifDepthKind::kDisparity);
    disparity.lowestDisparity = -1.0;
    disparity.highestDisparity = 3.0;
    HeifDepthImage inverse = TwoLevels(HeifDepthKind::kInverseDistance);
    inverse.nearDistance = 1.0;
    inverse.farDistance = std::numeric_limits<double>::infinity();
    HeifDepthImage distance = TwoLevels(HeifDepthKind::kDistance);
    distance.nearDistance = 1.0;
    distance.farDistance = 5.0; // 2 and 4: 1 / 2 and 1 / 4 between 1 / 5 and 1
    HeifDepthImage oneEnd = TwoLevels(HeifDepthKind::kDisparity);
    oneEnd.highestDisparity = 3.0;
    const Case cases[] = {
        {"disparity over its stated range", disparity, 64, 191},
        {"1 / distance out to infinity", inverse, 64, 191},
        {"distance", distance, 96, 16},
        {"disparity with one end stated", oneEnd, 0, 255},
        {"distance with no ends", TwoLevels(HeifDepthKind::kDistance), 255, 0},
        {"unstated", TwoLevels(HeifDepthKind::kUnstated), 0, 255},
    };
    for (const Case& c : cases) {
        const StoredDepthRead read = StoredDepthOfHeif(c.image);
        ASSERT_TRUE(read.found) << c.what;
        EXPECT_EQ(GreyAt(read.depth.get(), 0), c.low) << c.what;
        EXPECT_EQ(GreyAt(read.depth.get(), 1), c.high) << c.what;
    }
    const StoredDepthRead curve = StoredDepthOfHeif(TwoLevels(HeifDepthKind::kNonuniformDisparity));
    EXPECT_FALSE(curve.found);
    EXPECT_NE(curve.problem.find("not supported"), std::string::npos);
}

} // namespace
} // namespace velmora::test
