// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/threads/IdleThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>

namespace velmora::test {
namespace {

TEST(KeptThreadsTest, AThreadThatFinishedServesTheNextTask)
{
    KeptThreads threads;
    std::promise<std::thread::id> first;
    threads.Run([&] { first.set_value(std::this_thread::get_id()); });
    const std::thread::id firstThread = first.get_future().get();
    // The first task has ended; give its thread the moment it needs to be idle.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::promise<std::thread::id> second;
    threads.Run([&] { second.set_value(std::this_thread::get_id()); });
    EXPECT_EQ(second.get_future().get(), firstThread);
}

TEST(KeptThreadsTest, NoTaskIsTakenOnceTheThreadsEnd)
{
    // What happens when a task is handed in while static objects are destroyed.
    KeptThreads threads;
    std::promise<void> ran;
    threads.Run([&] { ran.set_value(); });
    ran.get_future().get();
    threads.End();
    std::atomic<bool> late{false};
    EXPECT_THROW(threads.Run([&] { late = true; }), std::runtime_error);
    threads.End(); // and again, from the destructor
    EXPECT_FALSE(late);
}

} // namespace
} // namespace velmora::test
