// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/threads/AwayFromTheWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <thread>

namespace velmora::test {
namespace {

// Counts the events pumped.
class PumpCounter : public SilentSink {
public:
    void PumpOneMessage() override { ++pumped; }

    std::atomic<int> pumped{0};
};

TEST(AwayFromTheWindowTest, TheWindowIsPumpedWhileTheWorkRunsAndItsResultOrFailureComesBack)
{
    PumpCounter sink;
    // The work waits until the window has been pumped a few times: run on
    // the calling thread, it would wait in vain.
    const bool sawPumps = AwayFromTheWindow(sink, [&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (sink.pumped < 3 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return sink.pumped >= 3;
    });
    EXPECT_TRUE(sawPumps);
    EXPECT_THROW(AwayFromTheWindow(sink, []() -> int { throw std::bad_alloc(); }), std::bad_alloc);
}

} // namespace
} // namespace velmora::test
