// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/SegmentSmoothing.h"

#include "imaging/AllocationGuard.h"
#include "imaging/RoundHalfAway.h"
#include "imaging/RoutineSteps.h"
#include "imaging/RowWorkers.h"
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

// One pass over the common bottom-left area of outline and depth map.
Bitmap SmoothPass(FIBITMAP* outline, FIBITMAP* depth, ProgressSink& sink)
{
    const int width = std::min(Width(outline), Width(depth));
    const int height = std::min(Height(outline), Height(depth));
    Bitmap smoothed = NewOrReport(width, height, 24, sink);
    if (!smoothed)
        return smoothed;
    ForRowBands(height, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            if (!IsInteriorRow(y, height))
                continue;
            const std::uint8_t* outlineRows[3] = {RowAt(outline, y - 1), RowAt(outline, y), RowAt(outline, y + 1)};
            const std::uint8_t* depthRows[3] = {RowAt(depth, y - 1), RowAt(depth, y), RowAt(depth, y + 1)};
            auto cellAt = [&](int r, int x) {
                const std::uint8_t* o = outlineRows[r] + 3 * x;
                return Cell{o[0], o[1], depthRows[r][3 * x]};
            };
            std::uint8_t* centreRow = RowAt(smoothed.get(), y);
            using Column = WindowColumn<Cell>;
            SlideAlongRow<Cell>(
                width, [&](int x) { return Column{cellAt(0, x), cellAt(1, x), cellAt(2, x)}; },
                [&](int x, const Column& left, const Column& middle, const Column& right) {
                    const Cell cells[9] = {left.below, middle.below, right.below,  left.centre, middle.centre,
                                           right.centre, left.above,  middle.above, right.above};
                    const std::uint8_t value = SegmentMean(cells);
                    SetGrey(centreRow + 3 * x, value);
                    // The border repeats its inner neighbour; corners stay black.
                    if (x == 1)
                        SetGrey(centreRow, value);
                    if (x == width - 2)
                        SetGrey(centreRow + 3 * (width - 1), value);
                    if (y == 1)
                        SetGrey(RowAt(smoothed.get(), 0) + 3 * x, value);
                    if (y == height - 2)
                        SetGrey(RowAt(smoothed.get(), height - 1) + 3 * x, value);
                });
        }
    });
    return smoothed;
}

} // namespace

Bitmap SmoothBySegmentsBitmap(FIBITMAP* outline, FIBITMAP* depth, int degree, ProgressSink& sink)
{
    Bitmap result = SmoothPass(outline, depth, sink);
    for (long long pass = 2; result && pass <= degree; ++pass) {
        Bitmap next = SmoothPass(outline, result.get(), sink);
        if (!next)
            return next;
        // A pass that changes nothing would be followed by the same again.
        const bool settled = SameBytes(next.get(), result.get());
        result = std::move(next);
        if (settled)
            break;
    }
    return result;
}

bool SmoothBySegmentsPasses(const std::string& outlinePath, const std::string& depthPath,
                            const std::string& outputPath, int degree, int saveFormat, SegmentationRecord& record,
                            ProgressSink& sink)
{
    record.smoothFailed = false;
    return GuardAllocation(sink, [&] {
        Bitmap outline = ReadStepInput(outlinePath, messages::kCouldntLoadOutline, record, sink);
        if (!outline) {
            record.smoothFailed = true;
            return false;
        }
        SegmentationRecord depthFacts; // only the outline's depth is recorded
        Bitmap depth = ReadStepInput(depthPath, messages::kCouldntLoadDepth3d, depthFacts, sink);
        if (!depth) {
            record.smoothFailed = true;
            return false;
        }
        Bitmap result = SmoothBySegmentsBitmap(outline.get(), depth.get(), degree, sink);
        if (!result)
            return false;
        outline.reset();
        depth.reset();
        return WriteOrReport(result.get(), outputPath, saveFormat, sink);
    });
}

} // namespace velmora
