// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/SegmentSmoothing.h"

#include "imaging/picture/ZeroedArray.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/RoundHalfAway.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/threads/RowWorkers.h"
#include "segmentation/SegmentationMessages.h"
#include "segmentation/SlidingWindow.h"
#include "segmentation/StepInput.h"
#include "segmentation/WindowMembers.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <vector>

namespace velmora {
namespace {

// The rounded mean of at most nine bytes, looked up by count and sum.
class MeanTable {
public:
    MeanTable()
    {
        for (int count = 1; count <= 9; ++count)
            for (int sum = 0; sum <= count * 255; ++sum)
                means_[count][sum] = static_cast<std::uint8_t>(RoundHalfAway(static_cast<double>(sum) / count));
    }

    std::uint8_t operator()(int count, int sum) const { return means_[count][sum]; }

private:
    std::uint8_t means_[10][9 * 255 + 1] = {};
};

// A depth map as one byte per pixel: only the blue byte is read, and every
// pass writes grey.
struct DepthPlane {
    int width = 0, height = 0;
    ZeroedArray<std::uint8_t> bytes;

    DepthPlane(int width, int height) : width(width), height(height), bytes(static_cast<std::size_t>(width) * height) {}
    std::uint8_t* Row(int y) { return bytes.data() + static_cast<std::size_t>(y) * width; }
    const std::uint8_t* Row(int y) const { return bytes.data() + static_cast<std::size_t>(y) * width; }
};

DepthPlane BlueBytes(FIBITMAP* depth, int width, int height, int threads)
{
    DepthPlane plane(width, height);
    ForRowBands(height, threads, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            const std::uint8_t* pixel = RowAt(depth, y);
            std::uint8_t* out = plane.Row(y);
            for (int x = 0; x < width; ++x)
                out[x] = pixel[3 * x];
        }
    });
    return plane;
}

// Whether two planes of one size hold the same bytes, compared by all threads.
bool SameBytes(const DepthPlane& a, const DepthPlane& b, int threads)
{
    std::atomic<bool> differ{false};
    ForRowBands(a.height, threads, [&](const RowBand& band) {
        const std::size_t bytes = static_cast<std::size_t>(band.end - band.begin) * a.width;
        if (std::memcmp(a.Row(band.begin), b.Row(band.begin), bytes) != 0)
            differ = true;
    });
    return !differ;
}

Bitmap GreyBitmap(const DepthPlane& plane, int threads, ProgressSink& sink)
{
    Bitmap bitmap = NewOrReport(plane.width, plane.height, 24, sink);
    if (!bitmap)
        return bitmap;
    ForRowBands(plane.height, threads, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            const std::uint8_t* grey = plane.Row(y);
            std::uint8_t* pixel = RowAt(bitmap.get(), y);
            for (int x = 0; x < plane.width; ++x)
                std::memset(pixel + 3 * x, grey[x], 3);
        }
    });
    return bitmap;
}

// One interior scanline: the members' depths are summed a window cell at a
// time along the whole row, which the compiler turns into vector code.
void SmoothRow(const std::uint8_t* const (&rows)[3], const std::uint16_t* members, int width,
               std::vector<std::uint16_t>& sums, std::uint8_t* out)
{
    static const MeanTable meanOf;
    std::fill(sums.begin(), sums.end(), 0);
    for (int cell = 0; cell < 9; ++cell) {
        const std::uint8_t* depth = rows[cell / 3] + cell % 3 - 1;
        for (int x = 1; x <= width - 2; ++x)
            sums[x] += static_cast<std::uint16_t>(depth[x] & -((members[x] >> cell) & 1));
    }
    for (int x = 1; x <= width - 2; ++x) {
        const int count = members[x] >> WindowMembers::kCountShift;
        out[x] = count == 0 ? rows[1][x] : meanOf(count, sums[x]);
    }
    // The border repeats its inner neighbour.
    out[0] = out[1];
    out[width - 1] = out[width - 2];
}

// One pass from `depth` into `smoothed`. The border rows repeat their inner
// neighbours and the four corners stay black; with no interior all is black.
void SmoothPass(const WindowMembers& members, const DepthPlane& depth, DepthPlane& smoothed, int threads)
{
    const int width = depth.width, height = depth.height;
    if (width < 3 || height < 3) {
        std::fill(smoothed.bytes.data(), smoothed.bytes.data() + smoothed.bytes.size(), 0);
        return;
    }
    ForRowBands(height, threads, [&](const RowBand& band) {
        std::vector<std::uint16_t> sums(width);
        for (int y = band.begin; y < band.end; ++y) {
            if (!IsInteriorRow(y, height))
                continue;
            const std::uint8_t* const rows[3] = {depth.Row(y - 1), depth.Row(y), depth.Row(y + 1)};
            std::uint8_t* out = smoothed.Row(y);
            SmoothRow(rows, members.Row(y), width, sums, out);
            for (int edge : {0, height - 1})
                if (std::abs(edge - y) == 1) {
                    std::uint8_t* edgeRow = smoothed.Row(edge);
                    std::memcpy(edgeRow, out, width);
                    edgeRow[0] = edgeRow[width - 1] = 0;
                }
        }
    });
}

} // namespace

Bitmap SmoothBySegmentsBitmap(FIBITMAP* outline, FIBITMAP* depth, int degree, const RunOptions& options,
                              ProgressSink& sink)
{
    return GuardAllocation(sink, [&] {
        const int width = std::min(Width(outline), Width(depth));
        const int height = std::min(Height(outline), Height(depth));
        const WindowMembers members(outline, width, height, options.threads);
        DepthPlane current = BlueBytes(depth, width, height, options.threads);
        DepthPlane next(width, height);
        for (long long pass = 1; pass <= std::max(degree, 1); ++pass) {
            SmoothPass(members, current, next, options.threads);
            // A pass that changes nothing would be followed by the same again.
            const bool settled = pass > 1 && SameBytes(next, current, options.threads);
            std::swap(current, next);
            if (settled)
                break;
        }
        return GreyBitmap(current, options.threads, sink);
    });
}

bool SmoothBySegmentsPasses(const std::string& outlinePath, const DepthMapFile& depthMap, const std::string& outputPath,
                            int degree, int saveFormat, SegmentationRecord& record, const RunOptions& options,
                            ProgressSink& sink)
{
    record.smoothFailed = false;
    return GuardAllocation(sink, [&] {
        Bitmap outline = ReadStepInput(outlinePath, messages::kCouldntLoadOutline, record, options, sink);
        if (!outline) {
            record.smoothFailed = true;
            return false;
        }
        SegmentationRecord depthFacts; // only the outline's depth is recorded
        Bitmap depth = ReadStepInput(depthMap.path, messages::kCouldntLoadDepth3d, depthFacts, options, sink);
        if (!depth) {
            record.smoothFailed = true;
            return false;
        }
        if (depthMap.inverted)
            InvertBytes(depth.get(), options.threads);
        Bitmap result = SmoothBySegmentsBitmap(outline.get(), depth.get(), degree, options, sink);
        if (!result)
            return false;
        outline.reset();
        depth.reset();
        return WriteOrReport(result.get(), outputPath, saveFormat, options, sink);
    });
}

} // namespace velmora
