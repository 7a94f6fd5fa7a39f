// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/SegmentSmoothing.h"

#include "imaging/AllocationGuard.h"
#include "imaging/RoundHalfAway.h"
#include "imaging/RoutineSteps.h"
#include "segmentation/SegmentationMessages.h"
#include "segmentation/SlidingWindow.h"
#include "segmentation/StepInput.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace velmora {
namespace {

// What a window cell holds: the outline's blue and green bytes, the depth.
struct Cell {
    std::uint8_t blue, green, depth;
};

std::uint8_t SegmentMean(const Cell (&cells)[9])
{
    const Cell& centre = cells[4];
    bool member[9];
    if (centre.blue != centre.green) {
        for (int k = 0; k < 9; ++k)
            member[k] = cells[k].blue == centre.blue || cells[k].green == centre.green;
    } else {
        int blueCount = 0, greenCount = 0;
        for (const Cell& cell : cells) {
            blueCount += cell.blue == 255;
            greenCount += cell.green == 255;
        }
        // A tie goes to green.
        for (int k = 0; k < 9; ++k)
            member[k] = blueCount > greenCount ? cells[k].blue == 255 : cells[k].green == 255;
    }
    int sum = 0, count = 0;
    for (int k = 0; k < 9; ++k)
        if (member[k]) {
            sum += cells[k].depth;
            ++count;
        }
    if (count == 0)
        return centre.depth;
    return static_cast<std::uint8_t>(RoundHalfAway(static_cast<double>(sum) / count));
}

void SetGrey(std::uint8_t* pixel, std::uint8_t value)
{
    std::memset(pixel, value, 3);
}

bool SameBytes(FIBITMAP* first, FIBITMAP* second)
{
    const int width = Width(first), height = Height(first);
    if (width != Width(second) || height != Height(second))
        return false;
    for (int y = 0; y < height; ++y)
        if (std::memcmp(RowAt(first, y), RowAt(second, y), 3 * static_cast<std::size_t>(width)) != 0)
            return false;
    return true;
}

} // namespace

bool SmoothBySegments(const std::string& outlinePath, const std::string& inputPath, const std::string& outputPath,
                      int saveFormat, SegmentationRecord& record, ProgressSink& sink, bool* unchanged)
{
    return GuardAllocation(sink, [&] {
        Bitmap outline = ReadStepInput(outlinePath, messages::kCouldntLoadOutline, record, sink);
        if (!outline) {
            record.smoothFailed = true;
            return false;
        }
        SegmentationRecord depthFacts; // only the outline's depth is recorded
        Bitmap depth = ReadStepInput(inputPath, messages::kCouldntLoadDepth3d, depthFacts, sink);
        if (!depth) {
            record.smoothFailed = true;
            return false;
        }
        const int width = std::min(Width(outline.get()), Width(depth.get()));
        const int height = std::min(Height(outline.get()), Height(depth.get()));
        Bitmap smoothed = NewOrReport(width, height, 24, sink);
        if (!smoothed)
            return false;

        // The scanline of the centre, and the bottom and top ones for the border.
        RowCursor centreRow(smoothed.get()), bottomRow(smoothed.get()), topRow(smoothed.get());
        const std::uint8_t* outlineRows[3] = {};
        const std::uint8_t* depthRows[3] = {};
        auto cellAt = [&](int r, int x) {
            const std::uint8_t* o = outlineRows[r] + 3 * x;
            return Cell{o[0], o[1], depthRows[r][3 * x]};
        };
        using Column = WindowColumn<Cell>;
        SlideWindow<Cell>(
            width, height,
            [&](int y) {
                for (int r = 0; r < 3; ++r) {
                    outlineRows[r] = RowAt(outline.get(), y - 1 + r);
                    depthRows[r] = RowAt(depth.get(), y - 1 + r);
                }
            },
            [&](int x) { return Column{cellAt(0, x), cellAt(1, x), cellAt(2, x)}; },
            [&](int x, int y, const Column& left, const Column& middle, const Column& right) {
                const Cell cells[9] = {left.below, middle.below, right.below,  left.centre, middle.centre,
                                       right.centre, left.above,  middle.above, right.above};
                const std::uint8_t value = SegmentMean(cells);
                SetGrey(centreRow.PixelAt(x, y), value);
                // The border repeats its inner neighbour; corners stay black.
                if (x == 1)
                    SetGrey(centreRow.PixelAt(0, y), value);
                if (x == width - 2)
                    SetGrey(centreRow.PixelAt(width - 1, y), value);
                if (y == 1)
                    SetGrey(bottomRow.PixelAt(x, 0), value);
                if (y == height - 2)
                    SetGrey(topRow.PixelAt(x, height - 1), value);
            });
        if (unchanged)
            *unchanged = SameBytes(smoothed.get(), depth.get());
        outline.reset();
        depth.reset();
        return WriteOrReport(smoothed.get(), outputPath, saveFormat, sink);
    });
}

bool SmoothBySegmentsPasses(const std::string& outlinePath, const std::string& depthPath,
                            const std::string& outputPath, int degree, int saveFormat, SegmentationRecord& record,
                            ProgressSink& sink)
{
    record.smoothFailed = false;
    bool made = SmoothBySegments(outlinePath, depthPath, outputPath, saveFormat, record, sink);
    bool settled = false;
    for (long long pass = 2; made && pass <= degree && !settled; ++pass)
        made = SmoothBySegments(outlinePath, outputPath, outputPath, saveFormat, record, sink, &settled);
    return made;
}

} // namespace velmora
