// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/DepthSmoothing.h"
#include "imaging/stereo/ShiftedView.h"
#include "imaging/stereo/SideBySide.h"
#include "imaging/stereo/ViewMaster.h"

#include "tests/support/RecordingSink.h"
#include "tests/support/TestImages.h"
#include "tests/support/ThreadOutcomes.h"

#include <gtest/gtest.h>

#include <random>

namespace velmora::test {
namespace {

class ThreadsTest : public ::testing::TestWithParam<int> {
protected:
    template <typename Routine>
    std::pair<Outcome, Outcome> OneAndMany(Routine routine)
    {
        return test::OneAndMany(GetParam(), routine);
    }
};

TEST_P(ThreadsTest, EveryRoutineGivesTheSameBytesAndReportsWhateverTheThreads)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        const int width = 37 + static_cast<int>(random() % 60), height = 5 + static_cast<int>(random() % 50);
        Bitmap image = RandomImage(width, height, random);
        Bitmap depth = RandomDepthMap(width + 3, height - 2, random);
        StereoSettings settings;
        settings.geometry.parallax = static_cast<int>(random() % 41) - 20;
        settings.geometry.parallax += settings.geometry.parallax == 0;
        settings.geometry.stereoWindow = static_cast<int>(random() % 21) - 5;
        settings.pixelsPerMetre = 2835;

        const auto smooth = OneAndMany([&](const RunOptions& options, ProgressSink& sink) {
            return SmoothDepthBitmap(depth.get(), 4, options, sink);
        });
        EXPECT_EQ(smooth.first, smooth.second) << "smoothing, seed " << seed;
        const auto view = OneAndMany([&](const RunOptions& options, ProgressSink& sink) {
            return ShiftViewBitmap(image.get(), depth.get(), settings.geometry, settings.pixelsPerMetre, options, sink);
        });
        EXPECT_EQ(view.first, view.second) << "view, seed " << seed;
        for (int mode : {kAnaglyphColour, kAnaglyphGrey, kAnaglyphHalfColour, kAnaglyphDubois}) {
            settings.anaglyphMode = mode;
            const auto anaglyph = OneAndMany([&](const RunOptions& options, ProgressSink& sink) {
                return ComposeAnaglyph(depth.get(), image.get(), settings, options, sink);
            });
            EXPECT_EQ(anaglyph.first, anaglyph.second) << "anaglyph mode " << mode << ", seed " << seed;
        }
        const auto lcShutter = OneAndMany([&](const RunOptions& options, ProgressSink& sink) {
            return ComposeViewMaster(image.get(), depth.get(), settings, options, sink);
        });
        EXPECT_EQ(lcShutter.first, lcShutter.second) << "LC shutter, seed " << seed;
        const auto layout = static_cast<PairLayout>(seed % 3);
        const auto sideBySide = OneAndMany([&](const RunOptions& options, ProgressSink& sink) {
            return ComposeSideBySide(depth.get(), image.get(), layout, seed != 2, settings, options, sink);
        });
        EXPECT_EQ(sideBySide.first, sideBySide.second) << "side by side, seed " << seed;
        EXPECT_EQ(smooth.first.pumps, depth.get() ? Height(depth.get()) : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, ThreadsTest, ::testing::Values(2, 7));

} // namespace
} // namespace velmora::test
