// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/JpegHuffman.h"

#include <algorithm>

namespace velmora {
namespace {

constexpr int kLongestCode = 16;
// Longer than any code the tree can give (one per symbol, and a reserved one).
constexpr int kLongestTreeCode = 257 + 1;
// A symbol beyond the 256 that no one uses, counted once, so that its code,
// the longest, takes the all-ones code that a JPEG code may not be.
constexpr int kReserved = 256;

// The rarest symbol still counted other than `besides`; later symbols win
// ties, so that the reserved one ends deepest.
int Rarest(const std::array<std::int64_t, 257>& frequency, int besides)
{
    int rarest = -1;
    for (int symbol = 0; symbol <= kReserved; ++symbol)
        if (symbol != besides && frequency[symbol] > 0 && (rarest < 0 || frequency[symbol] <= frequency[rarest]))
            rarest = symbol;
    return rarest;
}

} // namespace

JpegSymbolCounts& JpegSymbolCounts::operator+=(const JpegSymbolCounts& other)
{
    for (std::size_t table = 0; table < 2; ++table)
        for (std::size_t symbol = 0; symbol < 256; ++symbol) {
            dc[table][symbol] += other.dc[table][symbol];
            ac[table][symbol] += other.ac[table][symbol];
        }
    return *this;
}

HuffmanTable OptimalHuffmanTable(const SymbolCounts& counts)
{
    std::array<std::int64_t, 257> frequency{};
    std::copy(counts.begin(), counts.end(), frequency.begin());
    frequency[kReserved] = 1;
    std::array<int, 257> codeSize{};
    std::array<int, 257> others; // the next symbol in the same branch
    others.fill(-1);

    // Join the two rarest branches until one is left; each join makes every
    // code in both one bit longer.
    for (;;) {
        const int first = Rarest(frequency, -1);
        const int second = Rarest(frequency, first);
        if (second < 0)
            break;
        frequency[first] += frequency[second];
        frequency[second] = 0;
        int symbol = first;
        for (++codeSize[symbol]; others[symbol] >= 0; ++codeSize[symbol])
            symbol = others[symbol];
        others[symbol] = second;
        for (symbol = second, ++codeSize[symbol]; others[symbol] >= 0; ++codeSize[symbol])
            symbol = others[symbol];
    }

    std::array<int, kLongestTreeCode + 1> lengthCount{};
    for (int size : codeSize)
        if (size > 0)
            ++lengthCount[std::min(size, kLongestTreeCode)];

    // Codes over 16 bits: two of the longest become one a bit shorter and
    // one that lengthens a shorter code, which keeps the code complete.
    for (int length = kLongestTreeCode; length > kLongestCode; --length)
        while (lengthCount[length] > 0) {
            int shorter = length - 2;
            while (lengthCount[shorter] == 0)
                --shorter;
            lengthCount[length] -= 2;
            ++lengthCount[length - 1];
            lengthCount[shorter + 1] += 2;
            --lengthCount[shorter];
        }
    // The reserved code, among the longest, goes.
    int longest = kLongestCode;
    while (longest > 0 && lengthCount[longest] == 0)
        --longest;
    if (longest > 0)
        --lengthCount[longest];

    HuffmanTable table;
    for (int length = 1; length <= kLongestCode; ++length)
        table.bits[length] = static_cast<std::uint8_t>(lengthCount[length]);
    // Symbols by code length, and by value among equals.
    for (int length = 1; length <= kLongestTreeCode; ++length)
        for (int symbol = 0; symbol < kReserved; ++symbol)
            if (codeSize[symbol] == length)
                table.values.push_back(static_cast<std::uint8_t>(symbol));
    return table;
}

} // namespace velmora
