// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PngFilters.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace velmora {
namespace {

constexpr std::size_t kPixelBytes = 3;

// Without branches, so that whole rows of it run as vector code.
std::uint8_t PaethPredictor(int a, int b, int c)
{
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    const int bOrC = pb <= pc ? b : c;
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : bOrC);
}

// The filtered byte and what it costs: its distance from 0 as a signed byte.
template <typename Predict>
int FilterByte(std::uint8_t x, std::uint8_t a, std::uint8_t b, std::uint8_t c, Predict predict, std::uint8_t& out)
{
    out = static_cast<std::uint8_t>(x - predict(a, b, c));
    return std::abs(static_cast<std::int8_t>(out));
}

// Each filter runs over the whole row in a loop of its own, which the
// compiler vectorises; the first pixel, with no left neighbours, apart.
template <typename Predict>
std::uint64_t ApplyFilter(const std::uint8_t* row, const std::uint8_t* above, std::size_t length, std::uint8_t* out,
                          Predict predict)
{
    std::uint64_t cost = 0;
    const std::size_t first = std::min(length, kPixelBytes);
    for (std::size_t i = 0; i < first; ++i)
        cost += FilterByte(row[i], 0, above[i], 0, predict, out[i]);
    // Summed in blocks whose total fits 32 bits, which vectorises better.
    constexpr std::size_t kBlock = 1 << 16;
    for (std::size_t start = first; start < length; start += kBlock) {
        const std::size_t end = std::min(length, start + kBlock);
        std::uint32_t blockCost = 0;
        for (std::size_t i = start; i < end; ++i)
            blockCost += FilterByte(row[i], row[i - kPixelBytes], above[i], above[i - kPixelBytes], predict, out[i]);
        cost += blockCost;
    }
    return cost;
}

template <typename Visit>
void ForEachFilter(Visit visit)
{
    visit(kFilterNone, [](std::uint8_t, std::uint8_t, std::uint8_t) { return std::uint8_t{0}; });
    visit(kFilterSub, [](std::uint8_t a, std::uint8_t, std::uint8_t) { return a; });
    visit(kFilterUp, [](std::uint8_t, std::uint8_t b, std::uint8_t) { return b; });
    visit(kFilterAverage,
          [](std::uint8_t a, std::uint8_t b, std::uint8_t) { return static_cast<std::uint8_t>((a + b) / 2); });
    visit(kFilterPaeth, [](std::uint8_t a, std::uint8_t b, std::uint8_t c) { return PaethPredictor(a, b, c); });
}

} // namespace

PngRowFilter::PngRowFilter(std::size_t length) : length_(length), candidate_(length) {}

void PngRowFilter::Filter(const std::uint8_t* row, const std::uint8_t* above, std::uint8_t* out)
{
    std::uint64_t best = UINT64_MAX;
    ForEachFilter([&](PngFilter filter, auto predict) {
        const std::uint64_t cost = ApplyFilter(row, above, length_, candidate_.data(), predict);
        if (cost < best) {
            best = cost;
            out[0] = filter;
            std::memcpy(out + 1, candidate_.data(), length_);
        }
    });
}

} // namespace velmora
