// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/OutlineImage.h"
#include "segmentation/SegmentSmoothing.h"

#include "tests/support/TestImages.h"
#include "tests/support/ThreadOutcomes.h"

#include <gtest/gtest.h>

#include <random>

namespace velmora::test {
namespace {

class SegmentationThreadsTest : public ::testing::TestWithParam<int> {};

TEST_P(SegmentationThreadsTest, OutlinesAndSmoothingGiveTheSameBytesWhateverTheThreads)
{
    for (unsigned seed : {4u, 5u, 6u}) {
        std::mt19937 random(seed);
        const int width = 3 + static_cast<int>(random() % 70), height = 2 + static_cast<int>(random() % 40);
        Bitmap picture = RandomImage(width, height, random);
        Bitmap depth = RandomDepthMap(width + 2, height, random);
        const int level = static_cast<int>(random() % 120);

        const auto outline = OneAndMany(GetParam(), [&](const RunOptions& options, ProgressSink& sink) {
            return MakeOutlineImages(picture.get(), level, options, sink).outline;
        });
        EXPECT_EQ(outline.first, outline.second) << "outline, seed " << seed;
        const auto gradient = OneAndMany(GetParam(), [&](const RunOptions& options, ProgressSink& sink) {
            return MakeOutlineImages(picture.get(), level, options, sink).gradient;
        });
        EXPECT_EQ(gradient.first, gradient.second) << "gradient, seed " << seed;
        RecordingSink quiet;
        Bitmap classes = MakeOutlineImages(picture.get(), level, RunOptions{}, quiet).outline;
        const auto smoothed = OneAndMany(GetParam(), [&](const RunOptions& options, ProgressSink& sink) {
            return SmoothBySegmentsBitmap(classes.get(), depth.get(), 6, options, sink);
        });
        EXPECT_EQ(smoothed.first, smoothed.second) << "segment smoothing, seed " << seed;
        EXPECT_EQ(smoothed.first.pumps, 0); // the segmentation tool keeps no window alive
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, SegmentationThreadsTest, ::testing::Values(2, 7));

} // namespace
} // namespace velmora::test
