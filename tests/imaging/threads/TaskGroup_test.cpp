// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/threads/TaskGroup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace velmora::test {
namespace {

TEST(TaskGroupTest, TheWaitEndsWhenEveryTaskHasEndedAndTheFirstFailureIsThrownThen)
{
    std::atomic<int> ended{0};
    std::atomic<bool> release{false};
    TaskGroup group;
    for (int t = 0; t < 3; ++t)
        ASSERT_TRUE(group.Start([&, t] {
            while (!release)
                std::this_thread::yield();
            ++ended;
            if (t == 1)
                throw std::runtime_error("task 1");
        }));
    // The tasks wait for the release: the group has not ended.
    EXPECT_FALSE(group.WaitFor(std::chrono::milliseconds(20)));
    EXPECT_FALSE(group.Failed());
    release = true;
    EXPECT_THROW(group.WaitAndRethrow(), std::runtime_error);
    EXPECT_EQ(ended, 3);
    // The failure is thrown once; the group can wait again.
    EXPECT_NO_THROW(group.WaitAndRethrow());
}

TEST(TaskGroupTest, TheCallersFailureIsKeptUnlessATaskFailedFirst)
{
    TaskGroup group;
    group.KeepFailure(std::make_exception_ptr(std::logic_error("first")));
    ASSERT_TRUE(group.Start([] { throw std::runtime_error("second"); }));
    group.Wait();
    try {
        group.WaitAndRethrow();
        ADD_FAILURE() << "nothing thrown";
    } catch (const std::logic_error& first) {
        EXPECT_STREQ(first.what(), "first");
    }
}

TEST(TaskGroupTest, TheDestructorWaitsForItsTasks)
{
    std::atomic<bool> ended{false};
    {
        TaskGroup group;
        ASSERT_TRUE(group.Start([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            ended = true;
        }));
    }
    EXPECT_TRUE(ended);
}

TEST(TaskGroupTest, EveryEndIsCountedWhenTasksStartAndEndAtOnce)
{
    // Tasks that end while others start: an end counted without the group's
    // lock is lost now and then, and the group would then wait for ever.
    for (int round = 0; round < 10000; ++round) {
        TaskGroup group;
        for (int t = 0; t < 8; ++t)
            ASSERT_TRUE(group.Start([] {}));
        ASSERT_TRUE(group.WaitFor(std::chrono::seconds(5))) << "round " << round;
    }
}

} // namespace
} // namespace velmora::test
