// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/WindowMembers.h"

#include "imaging/threads/RowWorkers.h"
#include "segmentation/SlidingWindow.h"

#include <array>

namespace velmora {
namespace {

// How many of a window's nine cells a mask holds. A table, since without the
// processor's own instruction the compiler calls a library routine.
constexpr auto kCellCounts = [] {
    std::array<std::uint8_t, 512> counts{};
    for (unsigned mask = 1; mask < counts.size(); ++mask)
        counts[mask] = static_cast<std::uint8_t>(counts[mask >> 1] + (mask & 1));
    return counts;
}();

// The members of the window around column x of the scanlines below, at and
// above. A centre whose blue and green bytes differ (green or blue) takes
// the cells whose blue or green byte is the centre's; one whose bytes are
// equal (white) takes the cells with blue 255 when they outnumber those
// with green 255, else those with green 255.
std::uint16_t MembersAt(const std::uint8_t* const (&rows)[3], int x)
{
    const std::uint8_t* centre = rows[1] + 3 * x;
    const int centreBlue = centre[0], centreGreen = centre[1];
    unsigned members = 0, blueCells = 0, greenCells = 0;
    for (int r = 0; r < 3; ++r)
        for (int d = 0; d < 3; ++d) {
            const std::uint8_t* cell = rows[r] + 3 * (x - 1 + d);
            const unsigned bit = 1u << (3 * r + d);
            if (centreBlue != centreGreen) {
                if (cell[0] == centreBlue || cell[1] == centreGreen)
                    members |= bit;
            } else {
                blueCells |= cell[0] == 255 ? bit : 0;
                greenCells |= cell[1] == 255 ? bit : 0;
            }
        }
    if (centreBlue == centreGreen) // a tie goes to green
        members = kCellCounts[blueCells] > kCellCounts[greenCells] ? blueCells : greenCells;
    return static_cast<std::uint16_t>(members | kCellCounts[members] << WindowMembers::kCountShift);
}

} // namespace

WindowMembers::WindowMembers(FIBITMAP* outline, int width, int height, int threads)
    : width_(width), entries_(static_cast<std::size_t>(width) * height)
{
    ForRowBands(height, threads, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            if (!IsInteriorRow(y, height))
                continue;
            const std::uint8_t* const rows[3] = {RowAt(outline, y - 1), RowAt(outline, y), RowAt(outline, y + 1)};
            std::uint16_t* entries = entries_.data() + static_cast<std::size_t>(y) * width;
            for (int x = 1; x <= width - 2; ++x)
                entries[x] = MembersAt(rows, x);
        }
    });
}

} // namespace velmora
