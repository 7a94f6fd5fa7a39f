// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>

namespace velmora {

// Smoothing windows of this radius and less hold at most kMaxCount bytes, few
// enough for their sums to fit 32 bits and for ByteMeanDivisor.
inline constexpr int kMaxExactRadius = 32;

// RoundHalfAway(sum / count) for a sum of `count` bytes, as
// floor((sum + floor(count / 2)) / count), by a multiplication and a shift
// instead of a division per byte. With q = sum + count / 2 < 256 count, a
// shift s with 2^s >= 256 count^2 and m = ceil(2^s / count), the error
// m count - 2^s is below count, so q m / 2^s stays below the next multiple
// of 1 / count and floors to the same whole number as q / count. The tests
// check every count up to kMaxCount and every sum 0 .. 255 count.
class ByteMeanDivisor {
public:
    static constexpr std::uint64_t kMaxCount = (2 * kMaxExactRadius + 1) * (2 * kMaxExactRadius + 1);

    // 1 <= n <= kMaxCount.
    explicit ByteMeanDivisor(std::uint64_t n)
        : count(n)
        , half_(n / 2)
    {
        while ((std::uint64_t{1} << shift_) < 256 * n * n)
            ++shift_;
        multiplier_ = ((std::uint64_t{1} << shift_) + n - 1) / n;
    }

    std::uint32_t MeanOf(std::uint32_t sum) const
    {
        return static_cast<std::uint32_t>((std::uint64_t{sum} + half_) * multiplier_ >> shift_);
    }

    std::uint64_t count;

private:
    std::uint64_t half_;
    std::uint64_t multiplier_ = 0;
    int shift_ = 0;
};

} // namespace velmora
