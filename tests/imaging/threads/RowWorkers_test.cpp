// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/threads/RowWorkers.h"
#include "tests/support/RecordingSink.h"

#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <set>
#include <thread>
#include <vector>

namespace velmora::test {
namespace {

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
