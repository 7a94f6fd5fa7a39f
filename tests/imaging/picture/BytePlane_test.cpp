// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/picture/BytePlane.h"

#include "imaging/picture/ZeroedArray.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cerrno>
#include <random>

namespace velmora::test {
namespace {

::testing::AssertionResult PlaneHoldsChannel(const BytePlane& plane, FIBITMAP* expected, int channel)
{
    if (plane.Width() != Width(expected) || plane.Height() != Height(expected))
        return ::testing::AssertionFailure() << "plane of " << plane.Width() << "x" << plane.Height();
    for (int y = 0; y < plane.Height(); ++y)
        for (int x = 0; x < plane.Width(); ++x)
            if (plane.Row(y)[x] != PixelAt(expected, x, y)[channel])
                return ::testing::AssertionFailure() << "pixel " << x << ", " << y;
    return ::testing::AssertionSuccess();
}

TEST(BytePlaneTest, AChannelIsGatheredOverTheBitmapsOwnPagesOrCopied)
{
    // Large pictures' pixels are pages of their own, which the plane takes
    // when it is large too (laid out in huge pages alike); else the plane is
    // a copy. Odd widths pad the rows, which gathering in place must not
    // trip over.
    std::mt19937 random(3);
    for (const auto& [width, height] : {std::pair{1400, 800}, {1401, 803}, {700, 520}, {40, 30}, {1, 1}})
        for (int channel : {0, 1, 2}) {
            Bitmap bitmap = NewImage(width, height, 24);
            Bitmap content = RandomImage(width, height, random);
            for (int y = 0; y < height; ++y)
                std::copy_n(RowAt(content.get(), y), 3 * width, RowAt(bitmap.get(), y));
            EXPECT_EQ(bitmap.get_deleter().pixelMemory != nullptr, width >= 700);
            const std::uint8_t* pixels = FreeImage_GetBits(bitmap.get());
            const BytePlane plane = TakeChannelPlane(std::move(bitmap), channel);
            EXPECT_TRUE(PlaneHoldsChannel(plane, content.get(), channel)) << width << "x" << height << " " << channel;
            EXPECT_EQ(plane.Row(0) == pixels, width >= 1400);
        }
    EXPECT_FALSE(TakeChannelPlane(Bitmap(), 0));
}

TEST(BytePlaneTest, ThePagesPastThePlaneGoBackToTheSystem)
{
    const auto isMapped = [](const void* page) {
        // msync fails with ENOMEM on an address that nothing maps.
        return msync(const_cast<void*>(page), 4096, MS_ASYNC) == 0 || errno != ENOMEM;
    };
    const std::size_t huge = std::size_t{2} << 20;
    // In a child process of one thread, where nothing else can map memory
    // where a freed block was.
    const int failed = FailedChecksInChild([&] {
        Bitmap bitmap = NewImage(2000, 1500, 24); // 9 MB of pixels, a plane of 3 MB
        const auto* start = static_cast<const std::uint8_t*>(bitmap.get_deleter().pixelMemory);
        const std::uint8_t* planeEnd = start + 2 * huge;  // 3 MB rounded up to huge pages
        const std::uint8_t* bitmapEnd = start + 5 * huge; // 9 MB likewise
        int failures = 0;
        {
            const BytePlane plane = TakeChannelPlane(std::move(bitmap), 0);
            failures |= (plane.Row(0) != start) << 0;
            failures |= !isMapped(planeEnd - 4096) << 1;
            failures |= isMapped(planeEnd) << 2;
            failures |= isMapped(bitmapEnd - 4096) << 3;
        }
        return failures | isMapped(start) << 4;
    });
    EXPECT_EQ(failed, 0);
}

TEST(BytePlaneTest, OnlyBlocksLaidOutAlikeShrink)
{
    const std::size_t mega = std::size_t{1} << 20;
    EXPECT_TRUE(CanShrinkPages(9 * mega, 3 * mega));
    EXPECT_TRUE(CanShrinkPages(mega - 1, 1000));
    EXPECT_FALSE(CanShrinkPages(2 * mega, mega - 1)); // from huge pages to small ones
    EXPECT_FALSE(CanShrinkPages(mega, 0));
    EXPECT_FALSE(CanShrinkPages(mega, 2 * mega));
}

} // namespace
} // namespace velmora::test
