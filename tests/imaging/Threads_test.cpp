// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/DepthSmoothing.h"
#include "imaging/stereo/ShiftedView.h"
#include "imaging/stereo/SideBySide.h"
#include "imaging/stereo/ViewMaster.h"
#include "imaging/threads/RowWorkers.h"

#include "tests/support/RecordingSink.h"
#include "tests/support/TestImages.h"
#include "tests/support/ThreadOutcomes.h"

#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

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

TEST(RowWorkersTest, ABandThatFailsFailsTheCallAfterTheOthersEnd)
{
    RecordingSink sink;
    std::atomic<int> rowsDone{0};
    EXPECT_THROW(ForRowBands(30, 3, sink, false,
                             [&](const RowBand& band) {
                                 if (band.begin == 0)
                                     throw std::bad_alloc();
                                 for (int y = band.begin; y < band.end; ++y, ++rowsDone)
                                     band.RowDone();
                             }),
                 std::bad_alloc);
    EXPECT_EQ(rowsDone, 20);
}

TEST(RowWorkersTest, AProgressReportThatFailsFailsTheCallAfterTheBandsEnd)
{
    // The progress bar may find no memory; the bands use the call's own
    // variables until they end, so the call must not end before them.
    class FailingSink : public SilentSink {
    public:
        void StepProgress() override
        {
            if (++steps == 3)
                throw std::bad_alloc();
        }
        int steps = 0;
    } sink;
    std::atomic<int> bandsRunning{0};
    struct Running {
        std::atomic<int>& bands;
        explicit Running(std::atomic<int>& bands) : bands(bands) { ++bands; }
        ~Running() { --bands; }
    };
    EXPECT_THROW(ForRowBands(300, 3, sink, true,
                             [&](const RowBand& band) {
                                 const Running running(bandsRunning);
                                 for (int y = band.begin; y < band.end; ++y) {
                                     std::this_thread::sleep_for(std::chrono::microseconds(20));
                                     band.RowDone();
                                 }
                             }),
                 std::bad_alloc);
    EXPECT_EQ(bandsRunning, 0);
    EXPECT_EQ(sink.steps, 3);
}

TEST(RowWorkersTest, BandsRunOnThreadsKeptFromEarlierCalls)
{
    std::mutex mutex;
    std::multiset<long> threads; // the kernel's ids, which new threads do not share with ended ones
    for (int call = 0; call < 100; ++call)
        ForRowBands(2, 2, [&](const RowBand&) {
            std::lock_guard lock(mutex);
            threads.insert(syscall(SYS_gettid));
        });
    // The calling thread does one band of each call; the other hundred run
    // on kept threads, but for one now and then that had not quite gone
    // back to waiting when the next call came.
    const long caller = syscall(SYS_gettid);
    EXPECT_EQ(threads.count(caller), 100u);
    std::set<long> others(threads.begin(), threads.end());
    others.erase(caller);
    EXPECT_GE(others.size(), 1u);
    EXPECT_LT(others.size(), 50u);
}

TEST(RowWorkersTest, CallsAtOnceFromSeveralThreadsAndFromWithinBandsEachDoEveryRowOnce)
{
    constexpr int kRows = 40, kInnerRows = 5;
    std::vector<std::thread> callers;
    std::vector<int> wrongCalls(4, 0);
    for (int c = 0; c < 4; ++c)
        callers.emplace_back([&, c] {
            for (int call = 0; call < 25; ++call) {
                RecordingSink sink;
                std::vector<std::atomic<int>> visits(kRows * kInnerRows);
                ForRowBands(kRows, 3, sink, false, [&](const RowBand& band) {
                    for (int y = band.begin; y < band.end; ++y) {
                        ForRowBands(kInnerRows, 3, [&](const RowBand& inner) {
                            for (int i = inner.begin; i < inner.end; ++i)
                                ++visits[y * kInnerRows + i];
                        });
                        band.RowDone();
                    }
                });
                const bool once = std::all_of(visits.begin(), visits.end(), [](const auto& v) { return v == 1; });
                wrongCalls[c] += !once || sink.pumps != kRows;
            }
        });
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_EQ(wrongCalls, std::vector<int>(4, 0));
}

} // namespace
} // namespace velmora::test
