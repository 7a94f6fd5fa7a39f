// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/picture/BytePlane.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

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
    // In a child process of one thread, where nothing else can map memory
    // where a freed block was. Pixels in huge pages: a plane of 3 MB from 9,
    // one of exactly 1 MB from 3 (rounded up to a huge page, like the
    // pixels), and one of a third of a megabyte from 1.1, which is copied
    // while all the pixels go back.
    struct Case {
        int width, height;
        std::size_t planeMapped, pixelsMapped; // in huge pages; no plane pages for a copy
    };
    const Case cases[] = {{2000, 1500, 2, 5}, {1024, 1024, 1, 2}, {700, 520, 0, 1}};
    const std::size_t huge = std::size_t{2} << 20;
    const int failed = FailedChecksInChild([&] {
        int failures = 0;
        int check = 0;
        for (const Case& size : cases) {
            Bitmap bitmap = NewImage(size.width, size.height, 24);
            const auto* start = static_cast<const std::uint8_t*>(bitmap.get_deleter().pixelMemory);
            const BytePlane plane = TakeChannelPlane(std::move(bitmap), 0);
            failures |= ((plane.Row(0) == start) != (size.planeMapped > 0)) << check++;
            if (size.planeMapped > 0)
                failures |= !IsMapped(start + size.planeMapped * huge - 4096) << check++;
            failures |= IsMapped(start + size.planeMapped * huge) << check++;
            failures |= IsMapped(start + size.pixelsMapped * huge - 4096) << check++;
        }
        return failures;
    });
    EXPECT_EQ(failed, 0);
}

} // namespace
} // namespace velmora::test
