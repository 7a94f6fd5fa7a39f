// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace velmora {

// One column of a 3 x 3 window: the scanlines below, at and above the centre.
template <typename Cell>
struct WindowColumn {
    Cell below, centre, above;
};

// Visits the interior pixels of a width x height area, scanline by scanline
// from the bottom and column by column from the left, with a 3 x 3 window that
// slides along the scanline: only the entering column is read, so each pixel
// is read three times in all (once per window row that holds it), not nine.
//   beginRow(y)                        before the scanlines y - 1 .. y + 1 are read
//   readColumn(x) -> WindowColumn<Cell> the three cells of column x
//   visit(x, y, left, middle, right)    the window of centre (x, y)
// Areas with fewer than 3 columns or scanlines have no interior.
template <typename Cell, typename BeginRow, typename ReadColumn, typename Visit>
void SlideWindow(int width, int height, BeginRow beginRow, ReadColumn readColumn, Visit visit)
{
    if (width < 3 || height < 3)
        return;
    for (int y = 1; y <= height - 2; ++y) {
        beginRow(y);
        WindowColumn<Cell> left = readColumn(0), middle = readColumn(1);
        for (int x = 1; x <= width - 2; ++x) {
            const WindowColumn<Cell> right = readColumn(x + 1);
            visit(x, y, left, middle, right);
            left = middle;
            middle = right;
        }
    }
}

} // namespace velmora
