// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/SideBySide.h"

#include "imaging/stereo/RoutineSteps.h"
#include "imaging/threads/RowWorkers.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace velmora {
namespace {

inline std::uint8_t MeanRoundedUp(std::uint8_t a, std::uint8_t b)
{
    return static_cast<std::uint8_t>((a + b + 1) >> 1);
}

// `width` pixels of an eye's row into `out`, squeezed to half when asked.
void PlaceRow(const std::uint8_t* row, int width, bool half, std::uint8_t* out)
{
    if (!half) {
        std::memcpy(out, row, 3 * static_cast<std::size_t>(width));
        return;
    }
    int x = 0;
    for (; x + 1 < width; x += 2, row += 6, out += 3)
        for (int c = 0; c < 3; ++c)
            out[c] = MeanRoundedUp(row[c], row[c + 3]);
    if (x < width)
        std::memcpy(out, row, 3);
}

// The byte-wise rounded-up mean of two rows.
void MeanOfRows(const std::uint8_t* a, const std::uint8_t* b, int width, std::uint8_t* out)
{
    const std::size_t bytes = 3 * static_cast<std::size_t>(width);
    for (std::size_t i = 0; i < bytes; ++i)
        out[i] = MeanRoundedUp(a[i], b[i]);
}

// Both eyes across each row: `first` on the left of `second`.
void ComposeAcross(FIBITMAP* first, FIBITMAP* second, int width, bool half, FIBITMAP* output, int threads,
                   ProgressSink& sink)
{
    const int eyeWidth = half ? (width + 1) / 2 : width;
    ForRowBands(Height(output), threads, sink, false, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            std::uint8_t* out = RowAt(output, y);
            PlaceRow(RowAt(first, y), width, half, out);
            PlaceRow(RowAt(second, y), width, half, out + 3 * static_cast<std::ptrdiff_t>(eyeWidth));
            band.RowDone();
        }
    });
}

// The left eye above the right. Stored rows count from the bottom, so the
// right eye takes the lower stored rows; halved rows pair from the top.
void ComposeAbove(FIBITMAP* left, FIBITMAP* right, int height, bool half, FIBITMAP* output, int threads,
                  ProgressSink& sink)
{
    const int eyeHeight = half ? (height + 1) / 2 : height;
    const int width = Width(output);
    ForRowBands(Height(output), threads, sink, false, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            FIBITMAP* eye = y >= eyeHeight ? left : right;
            const int fromTop = eyeHeight - 1 - (y % eyeHeight); // the output row within its eye, from the top
            std::uint8_t* out = RowAt(output, y);
            if (!half) {
                std::memcpy(out, RowAt(eye, height - 1 - fromTop), 3 * static_cast<std::size_t>(width));
            } else {
                const int upper = height - 1 - 2 * fromTop;
                MeanOfRows(RowAt(eye, upper), RowAt(eye, std::max(upper - 1, 0)), width, out);
            }
            band.RowDone();
        }
    });
}

} // namespace

Bitmap ComposeSideBySide(FIBITMAP* left, FIBITMAP* right, PairLayout layout, bool half, const StereoSettings& settings,
                         const RunOptions& options, ProgressSink& sink)
{
    const int width = std::min(Width(left), Width(right));
    const int height = std::min(Height(left), Height(right));
    const bool across = layout != PairLayout::kTopBottom;
    const int outWidth = across ? 2 * (half ? (width + 1) / 2 : width) : width;
    const int outHeight = across ? height : 2 * (half ? (height + 1) / 2 : height);
    Bitmap output = NewOrReport(outWidth, outHeight, 24, sink);
    if (!output)
        return output;
    SetResolution(output.get(), settings.pixelsPerMetre);
    if (layout == PairLayout::kParallel)
        ComposeAcross(left, right, width, half, output.get(), options.threads, sink);
    else if (layout == PairLayout::kCross)
        ComposeAcross(right, left, width, half, output.get(), options.threads, sink);
    else
        ComposeAbove(left, right, height, half, output.get(), options.threads, sink);
    return output;
}

} // namespace velmora
