// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/DepthSmoothing.h"

#include "imaging/picture/Bitmap.h"
#include "imaging/picture/ByteRows.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/ByteMeanDivisor.h"
#include "imaging/stereo/DepthBytes.h"
#include "imaging/stereo/DepthMapFile.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/threads/RowWorkers.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmora {
namespace {

// Where a source byte of channel sum i lies in its row: the sums of three
// channels take every byte, those of one channel (the depth) every
// kInStride-th (every third of a picture's pixels, every one of a plane).
template <int kChannels, int kInStride> std::size_t SourceByte(std::size_t i)
{
    return kChannels == 3 ? i : kInStride * i;
}

// Per-column sums of the first kChannels bytes of each pixel over the rows of
// the current window, moved up one row at a time.
template <int kChannels, int kInStride, typename Sum> class ColumnSums {
public:
    // The window of row `first` over `source`, of width x height pixels.
    ColumnSums(ByteRows source, int width, int height, int radius, int first)
        : source_(source)
        , width_(width)
        , height_(height)
        , radius_(radius)
        , sums_(kChannels * static_cast<std::size_t>(width_), 0)
    {
        const std::int64_t bottom = std::max<std::int64_t>(0, static_cast<std::int64_t>(first) - radius_);
        const std::int64_t top = std::min<std::int64_t>(height_ - 1, static_cast<std::int64_t>(first) + radius_);
        for (std::int64_t y = bottom; y <= top; ++y)
            AddRow(static_cast<int>(y), true);
    }

    // From the window of row y - 1 to the window of row y.
    void MoveTo(int y)
    {
        const std::int64_t entering = static_cast<std::int64_t>(y) + radius_;
        const std::int64_t leaving = static_cast<std::int64_t>(y) - radius_ - 1;
        if (entering < height_)
            AddRow(static_cast<int>(entering), true);
        if (leaving >= 0)
            AddRow(static_cast<int>(leaving), false);
    }

    const Sum* Data() const { return sums_.data(); }

private:
    void AddRow(int y, bool adding)
    {
        const std::uint8_t* row = source_.Row(y);
        Sum* sums = sums_.data();
        const std::size_t count = sums_.size();
        if (adding)
            for (std::size_t i = 0; i < count; ++i)
                sums[i] += row[SourceByte<kChannels, kInStride>(i)];
        else
            for (std::size_t i = 0; i < count; ++i)
                sums[i] -= row[SourceByte<kChannels, kInStride>(i)];
    }

    ByteRows source_;
    int width_;
    int height_;
    int radius_;
    std::vector<Sum> sums_;
};

// Number of positions of [centre - radius, centre + radius] inside [0, size).
std::int64_t ClippedSpan(int centre, int radius, int size)
{
    const std::int64_t first = std::max<std::int64_t>(0, static_cast<std::int64_t>(centre) - radius);
    const std::int64_t last = std::min<std::int64_t>(size - 1, static_cast<std::int64_t>(centre) + radius);
    return last - first + 1;
}

// RoundHalfAway(sum / count) for the sums of windows too large for
// ByteMeanDivisor, by a multiplication with the reciprocal and an exact
// integer correction.
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

// Slides the window along one row over the column sums; the means of pixel
// x go to out[kOutStride x] onwards. The count stays the same over most of a row, so
// the divisor is made again only where it changes.
template <int kChannels, int kOutStride, typename Sum, typename Divisor>
void SmoothRow(const Sum* columnSums, std::int64_t rowCount, int radius, int width, std::uint8_t* out)
{
    Divisor divisor(1);
    Sum sum[kChannels] = {};
    for (int x = 0; x <= std::min(radius, width - 1); ++x)
        for (int c = 0; c < kChannels; ++c)
            sum[c] += columnSums[kChannels * x + c];
    // At the row's ends the window is clipped and its count changes.
    const auto slideClipped = [&](int x) {
        if (x > 0) {
            const std::int64_t entering = static_cast<std::int64_t>(x) + radius;
            const std::int64_t leaving = static_cast<std::int64_t>(x) - radius - 1;
            for (int c = 0; c < kChannels; ++c) {
                if (entering < width)
                    sum[c] += columnSums[kChannels * entering + c];
                if (leaving >= 0)
                    sum[c] -= columnSums[kChannels * leaving + c];
            }
        }
        const auto count = static_cast<std::uint64_t>(rowCount * ClippedSpan(x, radius, width));
        if (count != divisor.count)
            divisor = Divisor(count);
        for (int c = 0; c < kChannels; ++c)
            out[kOutStride * x + c] = static_cast<std::uint8_t>(divisor.MeanOf(sum[c]));
    };
    // Between them, most of a long row, a column enters and one leaves at
    // every step and the count stays the same.
    const std::int64_t wholeEnd = static_cast<std::int64_t>(width) - radius;
    int x = 0;
    for (; x < width && x <= radius; ++x)
        slideClipped(x);
    if (x < wholeEnd) {
        const Divisor whole(static_cast<std::uint64_t>(rowCount * (2 * static_cast<std::int64_t>(radius) + 1)));
        const Sum* entering = columnSums + kChannels * (static_cast<std::int64_t>(x) + radius);
        const Sum* leaving = columnSums + kChannels * (static_cast<std::int64_t>(x) - radius - 1);
        for (; x < wholeEnd; ++x, entering += kChannels, leaving += kChannels)
            for (int c = 0; c < kChannels; ++c) {
                sum[c] += entering[c] - leaving[c];
                out[kOutStride * x + c] = static_cast<std::uint8_t>(whole.MeanOf(sum[c]));
            }
    }
    for (; x < width; ++x)
        slideClipped(x);
}

template <int kChannels, int kInStride, int kOutStride, typename Sum, typename Divisor>
void SmoothBands(DepthBytes source, ByteRows output, int radius, const RunOptions& options, ProgressSink& sink)
{
    const int width = source.width;
    const int height = source.height;
    sink.BeginProgress(height);
    ForRowBands(height, options.threads, sink, true, [&](const RowBand& band) {
        ColumnSums<kChannels, kInStride, Sum> columns(source.rows, width, height, radius, band.begin);
        for (int y = band.begin; y < band.end; ++y) {
            if (y > band.begin)
                columns.MoveTo(y);
            SmoothRow<kChannels, kOutStride, Sum, Divisor>(columns.Data(), ClippedSpan(y, radius, height), radius,
                                                           width, output.Row(y));
            band.RowDone();
        }
    });
}

// Smooths the first kChannels bytes of every pixel of `source` into rows of
// kOutStride bytes a pixel, its rows shared among the options' threads.
template <int kChannels, int kInStride, int kOutStride>
void SmoothBytes(DepthBytes source, ByteRows output, int radius, const RunOptions& options, ProgressSink& sink)
{
    // A window larger than the picture covers the same pixels as one that
    // just spans it; clamping keeps the index arithmetic small.
    const int r = std::clamp(radius, 0, std::max(source.width, source.height));
    if (r <= kMaxExactRadius)
        SmoothBands<kChannels, kInStride, kOutStride, std::uint32_t, ByteMeanDivisor>(source, output, r, options, sink);
    else
        SmoothBands<kChannels, kInStride, kOutStride, std::uint64_t, RoundingDivisor>(source, output, r, options, sink);
}

} // namespace

Bitmap SmoothDepthBitmap(FIBITMAP* source, int radius, const RunOptions& options, ProgressSink& sink)
{
    Bitmap output = NewOrReport(Width(source), Height(source), BitsPerPixel(source), sink);
    if (output)
        SmoothBytes<3, 3, 3>(source, {FreeImage_GetBits(output.get()), FreeImage_GetPitch(output.get()), 3}, radius,
                             options, sink);
    return output;
}

void SmoothDepthPlane(DepthBytes depth, ByteRows smoothed, int radius, const RunOptions& options, ProgressSink& sink)
{
    const bool fromPlane = depth.rows.stride == 1, toPlane = smoothed.stride == 1;
    if (fromPlane && toPlane)
        SmoothBytes<1, 1, 1>(depth, smoothed, radius, options, sink);
    else if (fromPlane)
        SmoothBytes<1, 1, 3>(depth, smoothed, radius, options, sink);
    else if (toPlane)
        SmoothBytes<1, 3, 1>(depth, smoothed, radius, options, sink);
    else
        SmoothBytes<1, 3, 3>(depth, smoothed, radius, options, sink);
}

int SmoothDepthInItsPixels(FIBITMAP* map, int radius, const RunOptions& options, ProgressSink& sink)
{
    SmoothDepthPlane(map, DepthBytes(map, kGreenByte).rows, radius, options, sink);
    return kGreenByte;
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
