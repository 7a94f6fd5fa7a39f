// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/DepthSmoothing.h"

#include "imaging/picture/Bitmap.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/DepthMapFile.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/threads/RowWorkers.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmora {
namespace {

// Per-column sums of each byte over the rows of the current window, moved up
// one row at a time.
class ColumnSums {
public:
    // The window of row `first`.
    ColumnSums(FIBITMAP* source, int radius, int first)
        : source_(source), width_(Width(source)), height_(Height(source)), radius_(radius),
          sums_(3 * static_cast<std::size_t>(width_), 0)
    {
        const std::int64_t bottom = std::max<std::int64_t>(0, static_cast<std::int64_t>(first) - radius_);
        const std::int64_t top = std::min<std::int64_t>(height_ - 1, static_cast<std::int64_t>(first) + radius_);
        for (std::int64_t y = bottom; y <= top; ++y)
            AddRow(static_cast<int>(y), +1);
    }

    // From the window of row y - 1 to the window of row y.
    void MoveTo(int y)
    {
        const std::int64_t entering = static_cast<std::int64_t>(y) + radius_;
        const std::int64_t leaving = static_cast<std::int64_t>(y) - radius_ - 1;
        if (entering < height_)
            AddRow(static_cast<int>(entering), +1);
        if (leaving >= 0)
            AddRow(static_cast<int>(leaving), -1);
    }

    const std::uint64_t* Data() const { return sums_.data(); }

private:
    void AddRow(int y, int sign)
    {
        const std::uint8_t* row = RowAt(source_, y);
        for (std::size_t i = 0; i < sums_.size(); ++i)
            sums_[i] += sign * static_cast<std::int64_t>(row[i]);
    }

    FIBITMAP* source_;
    int width_;
    int height_;
    int radius_;
    std::vector<std::uint64_t> sums_;
};

// Number of positions of [centre - radius, centre + radius] inside [0, size).
std::int64_t ClippedSpan(int centre, int radius, int size)
{
    const std::int64_t first = std::max<std::int64_t>(0, static_cast<std::int64_t>(centre) - radius);
    const std::int64_t last = std::min<std::int64_t>(size - 1, static_cast<std::int64_t>(centre) + radius);
    return last - first + 1;
}

// RoundHalfAway(sum / count) for sums of bytes, by a multiplication with the
// reciprocal and an exact integer correction instead of three divisions per
// pixel: the count stays the same over most of a row.
struct RoundingDivisor {
    explicit RoundingDivisor(std::uint64_t n) : count(n), denominator(2 * n), reciprocal(1.0 / (2.0 * n)) {}

    std::uint64_t MeanOf(std::uint64_t sum) const
    {
        // (2 sum + count) / (2 count), rounded down: the halves go up.
        const std::uint64_t numerator = 2 * sum + count; // below 2^53, so exact as a double
        auto quotient = static_cast<std::uint64_t>(static_cast<double>(numerator) * reciprocal);
        if (quotient * denominator > numerator)
            --quotient;
        else if ((quotient + 1) * denominator <= numerator)
            ++quotient;
        return quotient;
    }

    std::uint64_t count;
    std::uint64_t denominator;
    double reciprocal;
};

// Slides the window along one row over the column sums.
void SmoothRow(const std::uint64_t* columnSums, std::int64_t rowCount, int radius, int width, std::uint8_t* out)
{
    RoundingDivisor divisor(1);
    std::uint64_t sum[3] = {0, 0, 0};
    for (int x = 0; x <= std::min(radius, width - 1); ++x)
        for (int c = 0; c < 3; ++c)
            sum[c] += columnSums[3 * x + c];
    for (int x = 0; x < width; ++x) {
        if (x > 0) {
            const std::int64_t entering = static_cast<std::int64_t>(x) + radius;
            const std::int64_t leaving = static_cast<std::int64_t>(x) - radius - 1;
            for (int c = 0; c < 3; ++c) {
                if (entering < width)
                    sum[c] += columnSums[3 * entering + c];
                if (leaving >= 0)
                    sum[c] -= columnSums[3 * leaving + c];
            }
        }
        const auto count = static_cast<std::uint64_t>(rowCount * ClippedSpan(x, radius, width));
        if (count != divisor.count)
            divisor = RoundingDivisor(count);
        for (int c = 0; c < 3; ++c)
            out[3 * x + c] = static_cast<std::uint8_t>(divisor.MeanOf(sum[c]));
    }
}

} // namespace

Bitmap SmoothDepthBitmap(FIBITMAP* source, int radius, const RunOptions& options, ProgressSink& sink)
{
    const int width = Width(source);
    const int height = Height(source);
    Bitmap output = NewOrReport(width, height, BitsPerPixel(source), sink);
    if (!output)
        return output;
    // A window larger than the picture covers the same pixels as one that
    // just spans it; clamping keeps the index arithmetic small.
    const int r = std::clamp(radius, 0, std::max(width, height));

    sink.BeginProgress(height);
    ForRowBands(height, options.threads, sink, true, [&](const RowBand& band) {
        ColumnSums columns(source, r, band.begin);
        for (int y = band.begin; y < band.end; ++y) {
            if (y > band.begin)
                columns.MoveTo(y);
            SmoothRow(columns.Data(), ClippedSpan(y, r, height), r, width, RowAt(output.get(), y));
            band.RowDone();
        }
    });
    return output;
}

bool SmoothDepthMap(const DepthMapFile& sourceMap, const std::string& destinationPath, int radius,
                    StereoSettings settings, const RunOptions& options, ProgressSink& sink)
{
    sink.SetStatus(messages::kStatusSmoothing);
    return GuardAllocation(sink, [&] {
        Bitmap source = ReadDepthOrReport(sourceMap, messages::kCouldntLoadBitmap, options, sink);
        if (!source)
            return false;
        Bitmap output = SmoothDepthBitmap(source.get(), radius, options, sink);
        if (!output)
            return false;
        source.reset();
        const bool written = WriteOrReport(output.get(), destinationPath, settings.saveFormat, options, sink);
        output.reset();
        sink.ResetProgress();
        return written;
    });
}

} // namespace velmora
