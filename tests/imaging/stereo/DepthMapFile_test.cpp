// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/DepthMapFile.h"
#include "imaging/stereo/DepthSmoothing.h"
#include "imaging/stereo/ShiftedView.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <random>

namespace velmora::test {
namespace {

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

} // namespace
} // namespace velmora::test
