// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora {

// The five row filters of PNG, for 3 bytes per pixel.
enum PngFilter : std::uint8_t { kFilterNone, kFilterSub, kFilterUp, kFilterAverage, kFilterPaeth };

// Filters one row of `length` bytes against the row above (all zeros for the
// first row) with the filter whose output has the smallest sum of absolute
// values as signed bytes, which compresses best on most pictures. Writes the
// filter's number and then the filtered bytes: length + 1 bytes in all.
class PngRowFilter {
public:
    explicit PngRowFilter(std::size_t length);

    void Filter(const std::uint8_t* row, const std::uint8_t* above, std::uint8_t* out);

private:
    std::size_t length_;
    std::vector<std::uint8_t> candidate_;
};

} // namespace velmora
