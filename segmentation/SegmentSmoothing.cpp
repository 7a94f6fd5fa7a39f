// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/SegmentSmoothing.h"

#include "imaging/AllocationGuard.h"
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

// RoundHalfAway(sum / count) of at most nine bytes, in whole numbers:
// (2 sum + count) / (2 count) rounded down. A quotient of whole numbers that
// is not a half lies more than 1/18 from one, so no double can differ.
// The divisions by 2, 4 ... 18 are multiplications by reciprocals, exact
// for numerators below 2^16.
class SmallMeans {
public:
    SmallMeans()
    {
        for (std::uint64_t count = 1; count <= 9; ++count)
            reciprocal_[count] = ((std::uint64_t{1} << 32) + 2 * count - 1) / (2 * count);
    }

    std::uint8_t operator()(int sum, int count) const
    {
        const auto numerator = static_cast<std::uint64_t>(2 * sum + count);
        return static_cast<std::uint8_t>((numerator * reciprocal_[count]) >> 32);
    }

private:
    std::uint64_t reciprocal_[10] = {};
};

// The scanlines of a 3 x 3 window: outline and depth below, at and above.
struct WindowRows {
    const std::uint8_t* outline[3];
    const std::uint8_t* depth[3];
};

// The mean depth of the cells of the window around column x that share the
// centre's class. For a centre whose blue and green bytes differ (green or
// blue), a cell is a member when its blue or its green byte is the
// centre's; for one whose bytes are equal (white), the cells with blue 255
// when they outnumber those with green 255, else those with green 255.
std::uint8_t SegmentMean(const WindowRows& rows, int x)
{
    static const SmallMeans meanOf;
    const std::uint8_t* centre = rows.outline[1] + 3 * x;
    const int centreBlue = centre[0], centreGreen = centre[1];
    int sum = 0, count = 0;
    if (centreBlue != centreGreen) {
        for (int r = 0; r < 3; ++r)
            for (int i = x - 1; i <= x + 1; ++i) {
                const std::uint8_t* cell = rows.outline[r] + 3 * i;
                const bool member = cell[0] == centreBlue || cell[1] == centreGreen;
                sum += member ? rows.depth[r][3 * i] : 0;
                count += member;
            }
    } else {
        int blueSum = 0, blueCount = 0, greenSum = 0, greenCount = 0;
        for (int r = 0; r < 3; ++r)
            for (int i = x - 1; i <= x + 1; ++i) {
                const std::uint8_t* cell = rows.outline[r] + 3 * i;
                const int depth = rows.depth[r][3 * i];
                const bool blue = cell[0] == 255, green = cell[1] == 255;
                blueSum += blue ? depth : 0;
                blueCount += blue;
                greenSum += green ? depth : 0;
                greenCount += green;
            }
        // A tie goes to green.
        const bool blueWins = blueCount > greenCount;
        sum = blueWins ? blueSum : greenSum;
        count = blueWins ? blueCount : greenCount;
    }
    return count == 0 ? rows.depth[1][3 * x] : meanOf(sum, count);
}

void SetGrey(std::uint8_t* pixel, std::uint8_t value)
{
    std::memset(pixel, value, 3);
}

void SmoothRow(const WindowRows& rows, int width, std::uint8_t* out)
{
    for (int x = 1; x <= width - 2; ++x)
        SetGrey(out + 3 * x, SegmentMean(rows, x));
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
            if (!IsInteriorRow(y, height) || width < 3)
                continue;
            const WindowRows rows{{RowAt(outline, y - 1), RowAt(outline, y), RowAt(outline, y + 1)},
                                  {RowAt(depth, y - 1), RowAt(depth, y), RowAt(depth, y + 1)}};
            std::uint8_t* centreRow = RowAt(smoothed.get(), y);
            SmoothRow(rows, width, centreRow);
            // The border repeats its inner neighbour; corners stay black.
            SetGrey(centreRow, centreRow[3]);
            SetGrey(centreRow + 3 * (width - 1), centreRow[3 * (width - 2)]);
            if (y == 1)
                std::memcpy(RowAt(smoothed.get(), 0) + 3, centreRow + 3, 3 * static_cast<std::size_t>(width - 2));
            if (y == height - 2)
                std::memcpy(RowAt(smoothed.get(), height - 1) + 3, centreRow + 3,
                            3 * static_cast<std::size_t>(width - 2));
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
