// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/picture/ZeroedArray.h"

#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace velmora::test {
namespace {

TEST(ZeroedArrayTest, EveryByteIsZeroAndWritableWhateverTheSize)
{
    // Around the size where blocks move to whole huge pages, and blocks that
    // end just inside or just past one.
    const std::size_t mega = std::size_t{1} << 20;
    for (std::size_t bytes : {std::size_t{1}, std::size_t{4097}, mega - 1, mega, 2 * mega, 3 * mega + 1,
                              4 * mega - 1}) {
        ZeroedArray<std::uint8_t> block(bytes);
        ASSERT_EQ(block.size(), bytes);
        EXPECT_TRUE(std::all_of(block.data(), block.data() + bytes, [](std::uint8_t b) { return b == 0; })) << bytes;
        std::fill(block.data(), block.data() + bytes, std::uint8_t{0xA5});
        EXPECT_EQ(block[bytes - 1], 0xA5);
    }
}

TEST(ZeroedArrayTest, LargeBlocksLieOnWholeHugePagesAndAllOfThemIsGivenBack)
{
    const std::size_t huge = std::size_t{2} << 20;
    // In a child process of one thread, where nothing else can map memory
    // where a freed block was.
    const int failed = FailedChecksInChild([&] {
        int failures = 0;
        int check = 0;
        for (std::size_t bytes : {std::size_t{1} << 20, 3 * huge + 1}) {
            const std::uint8_t* start = nullptr;
            const std::uint8_t* lastPage = nullptr;
            {
                ZeroedArray<std::uint8_t> block(bytes);
                start = block.data();
                lastPage = start + (bytes + huge - 1) / huge * huge - 4096;
                failures |= (reinterpret_cast<std::uintptr_t>(start) % huge != 0) << check++;
                // The end of the last huge page belongs to the block too.
                failures |= !IsMapped(lastPage) << check++;
            }
            failures |= IsMapped(start) << check++;
            failures |= IsMapped(lastPage) << check++;
        }
        return failures;
    });
    // Bits 0-3 for 1 MB, 4-7 for 6 MB: aligned, end mapped, start and end given back.
    EXPECT_EQ(failed, 0);
}

TEST(ZeroedArrayTest, MovesHandOverTheBlockAndImpossibleCountsThrow)
{
    ZeroedArray<std::uint32_t> first(3 << 18);
    first[5] = 7;
    ZeroedArray<std::uint32_t> second(std::move(first));
    EXPECT_EQ(second[5], 7u);
    EXPECT_EQ(second.size(), std::size_t{3 << 18});
    EXPECT_THROW(ZeroedArray<std::uint64_t>(static_cast<std::size_t>(-1) / 4), std::bad_alloc);
    EXPECT_THROW(ZeroedArray<std::uint8_t>(static_cast<std::size_t>(-1) - 100), std::bad_alloc);
}

} // namespace
} // namespace velmora::test
