// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/RoutineSteps.h"

#include "imaging/formats/PictureLimit.h"
#include "imaging/stereo/AllocationGuard.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <new>

namespace velmora::test {
namespace {

TEST(RoutineStepsTest, RunningOutOfMemoryIsAMessageAndAFailedStep)
{
    RecordingSink sink;
    sink.BeginProgress(10);
    const bool done = GuardAllocation(sink, []() -> bool { throw std::bad_alloc(); });
    EXPECT_FALSE(done);
    EXPECT_EQ(sink.events, (std::vector<std::string>{"begin:10", "reset",
                                                     "message:Not enough memory for a picture of this size!"}));
}

TEST(RoutineStepsTest, AReadFailureSaysTheStepsMessageOrTheMemoryOne)
{
    Sandbox sandbox;
    RecordingSink sink;
    EXPECT_FALSE(ReadOrReport("missing.bmp", "Couldn't load DepthMap bitmap!", RunOptions{}, sink));
    Save(MakeImage(100, 100, [](int, int) { return Grey(1); }).get(), "big.bmp");
    EXPECT_FALSE(ReadOrReport("big.bmp", "Couldn't load DepthMap bitmap!", RunOptions{.pictureLimit = 1000}, sink));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"Couldn't load DepthMap bitmap!",
                                                       "Not enough memory for a picture of this size!"}));
}

} // namespace
} // namespace velmora::test
