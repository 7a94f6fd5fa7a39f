// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/JpegHuffman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace velmora::test {
namespace {

// Each symbol's code length, from a table's bits and values.
std::vector<int> CodeLengths(const HuffmanTable& table)
{
    std::vector<int> lengths(256, 0);
    std::size_t next = 0;
    for (int length = 1; length <= 16; ++length)
        for (int i = 0; i < table.bits[length]; ++i)
            lengths.at(table.values.at(next++)) = length;
    return lengths;
}

// Whether the lengths make a prefix code that leaves the all-ones code
// free: the sum of 2^-length stays under 1.
bool LeavesRoomForAllOnes(const std::vector<int>& lengths)
{
    std::uint64_t used = 0; // in units of 2^-16
    for (int length : lengths)
        if (length > 0)
            used += std::uint64_t{1} << (16 - length);
    return used < (std::uint64_t{1} << 16);
}

TEST(JpegHuffmanTest, EverySymbolThatOccursGetsACodeOfAtMostSixteenBits)
{
    // Counts like Fibonacci's numbers make the tree as deep as it gets, so
    // that codes must be moved up; random counts make an ordinary one.
    SymbolCounts deep{};
    std::int64_t a = 1, b = 1;
    for (int symbol = 0; symbol < 40; ++symbol) {
        deep[symbol] = a;
        a = std::exchange(b, a + b);
    }
    SymbolCounts ordinary{};
    std::mt19937 random(3);
    for (int symbol = 0; symbol < 256; symbol += 3)
        ordinary[symbol] = std::uniform_int_distribution<int>(1, 100000)(random);
    SymbolCounts single{};
    single[7] = 12;

    for (const SymbolCounts& counts : {deep, ordinary, single}) {
        const HuffmanTable table = OptimalHuffmanTable(counts);
        const std::vector<int> lengths = CodeLengths(table);
        EXPECT_EQ(std::accumulate(table.bits.begin(), table.bits.end(), std::size_t{0}), table.values.size());
        for (int symbol = 0; symbol < 256; ++symbol)
            EXPECT_EQ(lengths[symbol] > 0, counts[symbol] > 0) << "symbol " << symbol;
        EXPECT_TRUE(LeavesRoomForAllOnes(lengths));
    }
    EXPECT_EQ(CodeLengths(OptimalHuffmanTable(single))[7], 1);
}

TEST(JpegHuffmanTest, CommonSymbolsGetTheShortestCodes)
{
    // Halving counts: the ideal lengths are 1, 2, 3..., save for the last
    // two, and the all-ones code pushes the rarest one bit down.
    SymbolCounts counts{};
    for (int symbol = 0; symbol < 6; ++symbol)
        counts[symbol] = 1 << (10 - symbol);
    const std::vector<int> lengths = CodeLengths(OptimalHuffmanTable(counts));
    EXPECT_EQ(std::vector<int>(lengths.begin(), lengths.begin() + 6), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

} // namespace
} // namespace velmora::test
