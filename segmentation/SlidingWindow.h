// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace velmora {

// One column of a 3 x 3 window: the scanlines below, at and above the centre.
template <typename Cell>
struct WindowColumn {
    Cell below, centre, above;
};

// Visits the interior pixels of one scanline of a picture `width` wide, from
// the left, with a 3 x 3 window that slides along it: only the entering
// column is read, so each pixel is read three times in all (once per window
// row that holds it), not nine.
//   readColumn(x) -> WindowColumn<Cell> the three cells of column x
//   visit(x, left, middle, right)       the window of centre column x
// A scanline of fewer than 3 columns has no interior.
template <typename Cell, typename ReadColumn, typename Visit>
void SlideAlongRow(int width, ReadColumn readColumn, Visit visit)
{
    if (width < 3)
        return;
    WindowColumn<Cell> left = readColumn(0), middle = readColumn(1);
    for (int x = 1; x <= width - 2; ++x) {
        const WindowColumn<Cell> right = readColumn(x + 1);
        visit(x, left, middle, right);
        left = middle;
        middle = right;
    }
}

// Whether scanline y of a picture `height` high is an interior one, with a
// scanline below and above it.
inline bool IsInteriorRow(int y, int height)
{
    return y >= 1 && y <= height - 2;
}

} // namespace velmora
