// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/ViewMoves.h"

#include "imaging/stereo/RoundHalfAway.h"
#include "imaging/threads/RowWorkers.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmora {
namespace {

// The level passes run from level 0 towards the parallax, each painting the
// pixels of its level over what earlier passes painted. Only the levels that
// some depth value 0..255 maps to can paint anything; for |parallax| <= 255
// that is every level from 0 to the parallax, and beyond it there are at most
// 256 of them, so a huge parallax costs no more than 256 passes, and a pass
// fits in a byte.
struct LevelPlan {
    std::array<std::int64_t, 256> level{}; // level of each depth value
    std::array<int, 256> pass{};           // index of that level's pass
    int passCount = 0;
};

LevelPlan PlanLevels(int parallax)
{
    LevelPlan plan;
    for (int depth = 0; depth < 256; ++depth) {
        plan.level[depth] = RoundHalfAway(static_cast<double>(parallax) * depth / 255.0);
        // Levels grow in magnitude with the depth value, so a new level is
        // the next pass.
        if (depth == 0 || plan.level[depth] != plan.level[depth - 1])
            ++plan.passCount;
        plan.pass[depth] = plan.passCount - 1;
    }
    return plan;
}

// Whether the kAtOnce pixels of a row's passes from x, all before `end`, are
// of one pass.
bool OnePassAt(const std::uint8_t* passes, int x, int end)
{
    if (x + ViewMoves::kAtOnce > end)
        return false;
#if defined(__SSE2__)
    const __m128i these = _mm_loadu_si128(reinterpret_cast<const __m128i*>(passes + x));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(these, _mm_set1_epi8(static_cast<char>(passes[x])))) == 0xFFFF;
#else
    return std::all_of(passes + x, passes + x + ViewMoves::kAtOnce, [&](std::uint8_t p) { return p == passes[x]; });
#endif
}

} // namespace

ViewMoves::ViewMoves(FIBITMAP* image, int width, int height, ByteRows depth, ByteRows passes,
                     const StereoGeometry& geometry, const RunOptions& options, ProgressSink& sink)
    : ViewMoves(image, width, height, depth, passes, nullptr, false, geometry, options, sink)
{
}

void ViewMoves::PaintPixels(FIBITMAP* view, bool clearView, FIBITMAP* image, ByteRows depth,
                            const StereoGeometry& geometry, const RunOptions& options, ProgressSink& sink)
{
    const ViewMoves painted(image, velmora::Width(view), velmora::Height(view), depth, {nullptr, 0}, view, clearView,
                            geometry, options, sink);
}

ViewMoves::ViewMoves(FIBITMAP* image, int width, int height, ByteRows depth, ByteRows passes, FIBITMAP* view,
                     bool clearView, const StereoGeometry& geometry, const RunOptions& options, ProgressSink& sink)
    : image_{FreeImage_GetBits(image), FreeImage_GetPitch(image), 3}
    , width_(width)
    , height_(height)
    , passes_(passes)
    , view_{view ? FreeImage_GetBits(view) : nullptr, view ? FreeImage_GetPitch(view) : 0, 3}
    , wordsPerRow_((static_cast<std::size_t>(width) + 63) / 64)
    , painted_(wordsPerRow_ * height)
{
    // The flags start cleared; the clearing pass still lets the window handle
    // one message per row, as every pass over the rows does.
    for (int y = 0; y < height; ++y)
        sink.PumpOneMessage();

    const LevelPlan plan = PlanLevels(geometry.parallax);
    for (int depthValue = 0; depthValue < 256; ++depthValue) {
        passOf_[depthValue] = static_cast<std::uint8_t>(plan.pass[depthValue]);
        moveOf_[depthValue] = plan.level[depthValue] - geometry.stereoWindow;
        sourceShift_[plan.pass[depthValue]] = moveOf_[depthValue];
    }

    // The whole of every row is settled in the first pass (see PaintRow);
    // the later passes keep the window alive as the passes would. A row's
    // depth is read aside first when the view or its passes are written
    // over it.
    const bool pixels = view_.first != nullptr;
    const std::size_t writtenBytes = pixels ? view_.pitch : static_cast<std::size_t>(width);
    sink.BeginProgress(plan.passCount);
    ForRowBands(height, options.threads, sink, false, [&](const RowBand& band) {
        std::vector<std::uint8_t> depthAside(width);
        std::vector<std::uint8_t> passesOfRow(pixels ? width : 0);
        for (int y = band.begin; y < band.end; ++y) {
            const std::uint8_t* depthRow = depth.Row(y);
            int stride = depth.stride;
            std::uint8_t* written = pixels ? view_.Row(y) : passes_.Row(y);
            if (depthRow < written + writtenBytes && written < depthRow + static_cast<std::size_t>(stride) * width) {
                GatherBytes(depthRow, static_cast<std::size_t>(stride), depthAside.data(), width);
                depthRow = depthAside.data();
                stride = 1;
            }
            if (clearView)
                std::memset(written, 0, writtenBytes);
            PaintRowAs(stride, depthRow, pixels ? passesOfRow.data() : written, y);
            band.RowDone();
        }
    });
    sink.StepProgress();
    for (int pass = 1; pass < plan.passCount; ++pass) {
        for (int y = 0; y < height; ++y)
            sink.PumpOneMessage();
        sink.StepProgress();
    }

    ListHoles(options.threads);
    FillGaps(geometry.parallax >= 0, sink);
}

// Paints one row with the result of all level passes: at every target column
// the source pixel of the latest pass wins. Within one pass the sources of a
// row move by the same amount and never share a target, so keeping, per
// target, the highest pass seen gives exactly what painting the passes one
// after another gives; and as no two sources of one pass meet, a pass at
// least as high as the one a target holds (0 while unpainted) is a later one.
void ViewMoves::PaintRowAs(int stride, const std::uint8_t* depth, std::uint8_t* passRow, int y)
{
    if (view_.first)
        stride == 3 ? PaintRow<3, true>(depth, passRow, y) : PaintRow<1, true>(depth, passRow, y);
    else
        stride == 3 ? PaintRow<3, false>(depth, passRow, y) : PaintRow<1, false>(depth, passRow, y);
}

// The depth of pixel x is depth[kStride * x]; the view's pixels are copied
// as they are painted when kPixels.
template <int kStride, bool kPixels> void ViewMoves::PaintRow(const std::uint8_t* depth, std::uint8_t* passRow, int y)
{
    const int width = width_;
    std::memset(passRow, 0, width);
    const RowPainting row{passRow, &painted_[WordOf(0, y)], image_.Row(y), kPixels ? view_.Row(y) : nullptr};
    for (int x = 0; x < width;) {
        if constexpr (kStride == 1)
            if (PaintedAtOnce<kPixels>(depth, x, row)) {
                x += kAtOnce;
                continue;
            }
        for (const int end = std::min(width, x + kAtOnce); x < end; ++x) {
            const std::uint8_t d = depth[kStride * static_cast<std::ptrdiff_t>(x)];
            const std::int64_t target = x + moveOf_[d];
            if (target < 0 || target >= width)
                continue;
            const auto t = static_cast<std::size_t>(target);
            if (passOf_[d] >= row.passes[t]) {
                row.passes[t] = passOf_[d];
                row.painted[t / 64] |= std::uint64_t{1} << (t % 64);
                if constexpr (kPixels)
                    std::memcpy(row.view + 3 * t, row.image + 3 * static_cast<std::size_t>(x), 3);
            }
        }
    }
}

// Paints the kAtOnce pixels from x at once where they all belong to one pass
// and land inside the row: they then move together onto side-by-side
// targets, each of which keeps the higher of the pass it holds and theirs
// (as painting the passes in order does), and is painted either way (a pass
// above theirs was painted before). With pixels, only where theirs is the
// higher everywhere, so that all of them are copied. Returns whether it did.
template <bool kPixels> bool ViewMoves::PaintedAtOnce(const std::uint8_t* depth, int x, const RowPainting& row)
{
#if defined(__SSE2__)
    static_assert(kAtOnce == 16);
    if (x + kAtOnce > width_)
        return false;
    const __m128i depths = _mm_loadu_si128(reinterpret_cast<const __m128i*>(depth + x));
    // The least and the most of the sixteen, folded into the first byte.
    __m128i least = _mm_min_epu8(depths, _mm_srli_si128(depths, 8));
    __m128i most = _mm_max_epu8(depths, _mm_srli_si128(depths, 8));
    least = _mm_min_epu8(least, _mm_srli_si128(least, 4));
    most = _mm_max_epu8(most, _mm_srli_si128(most, 4));
    least = _mm_min_epu8(least, _mm_srli_si128(least, 2));
    most = _mm_max_epu8(most, _mm_srli_si128(most, 2));
    least = _mm_min_epu8(least, _mm_srli_si128(least, 1));
    most = _mm_max_epu8(most, _mm_srli_si128(most, 1));
    const auto lowest = static_cast<std::uint8_t>(_mm_cvtsi128_si32(least));
    const auto highest = static_cast<std::uint8_t>(_mm_cvtsi128_si32(most));
    const std::uint8_t pass = passOf_[lowest];
    const std::int64_t target = x + moveOf_[lowest];
    if (pass != passOf_[highest] || target < 0 || target + kAtOnce > width_)
        return false;
    auto* held = reinterpret_cast<__m128i*>(row.passes + target);
    const __m128i theirs = _mm_set1_epi8(static_cast<char>(pass));
    const __m128i kept = _mm_max_epu8(_mm_loadu_si128(held), theirs);
    if constexpr (kPixels) {
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(kept, theirs)) != 0xFFFF)
            return false;
        std::memcpy(row.view + 3 * target, row.image + 3 * static_cast<std::ptrdiff_t>(x), 3 * kAtOnce);
    }
    _mm_storeu_si128(held, kept);
    const auto first = static_cast<std::size_t>(target);
    const std::uint64_t run = (std::uint64_t{1} << kAtOnce) - 1;
    row.painted[first / 64] |= run << (first % 64);
    if (first % 64 + kAtOnce > 64)
        row.painted[first / 64 + 1] |= run >> (64 - first % 64);
    return true;
#else
    (void)depth, (void)x, (void)row;
    return false;
#endif
}

// The bits of word w of a row that stand for pixels: all but in a row's
// last word, when the width is not a multiple of 64.
std::uint64_t ViewMoves::WordMask(std::size_t w) const
{
    const int bits = std::min<int>(64, width_ - static_cast<int>(64 * w));
    return bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

// Calls onHole(x) for every pixel of row y that no pass painted, left to
// right; a word at a time, as holes are few and rows long.
template <typename OnHole> void ViewMoves::ForEachHole(int y, OnHole onHole) const
{
    const std::uint64_t* words = &painted_[WordOf(0, y)];
    for (std::size_t w = 0; w < wordsPerRow_; ++w) {
        const int first = static_cast<int>(64 * w);
        for (std::uint64_t holes = ~words[w] & WordMask(w); holes != 0; holes &= holes - 1)
            onHole(first + __builtin_ctzll(holes));
    }
}

// Blocks of rows, a fixed number whatever the threads, count their holes per
// column; each block then writes its holes after those of the blocks below
// it, so the lists come out the same as from one pass over the rows.
void ViewMoves::ListHoles(int threads)
{
    constexpr std::int64_t kBlockRows = 64; // in 64 bits, as a height near the int limit would overflow
    const int blocks = static_cast<int>((height_ + kBlockRows - 1) / kBlockRows);
    std::vector<std::size_t> at(static_cast<std::size_t>(blocks) * width_, 0); // per block and column
    const auto forEachBlock = [&](auto work) {
        ForRowBands(blocks, threads, [&](const RowBand& band) {
            for (int block = band.begin; block < band.end; ++block) {
                std::size_t* blockAt = &at[static_cast<std::size_t>(block) * width_];
                const int end = static_cast<int>(std::min<std::int64_t>(height_, (block + 1) * kBlockRows));
                for (int y = static_cast<int>(block * kBlockRows); y < end; ++y)
                    ForEachHole(y, [&](int x) { work(blockAt, x, y); });
            }
        });
    };
    forEachBlock([](std::size_t* blockAt, int x, int) { ++blockAt[x]; });

    holeStart_.resize(static_cast<std::size_t>(width_) + 1);
    std::size_t next = 0;
    for (int x = 0; x < width_; ++x) {
        holeStart_[x] = next;
        for (int block = 0; block < blocks; ++block) {
            std::size_t& count = at[static_cast<std::size_t>(block) * width_ + x];
            next += std::exchange(count, next);
        }
    }
    holeStart_[width_] = next;
    holeRows_.resize(next);
    holeColours_.resize(next);
    forEachBlock([&](std::size_t* blockAt, int x, int y) { holeRows_[blockAt[x]++] = y; });
}

// The picture pixel that won a painted pixel.
const std::uint8_t* ViewMoves::PaintedPixel(int x, int y) const
{
    if (view_.first)
        return view_.Row(y) + 3 * static_cast<std::size_t>(x);
    const std::int64_t source = x - sourceShift_[passes_.Row(y)[x]];
    return image_.Row(y) + 3 * source;
}

// The index of the hole at (x, y), which is one.
std::size_t ViewMoves::HoleAt(int x, int y) const
{
    const auto first = holeRows_.begin() + static_cast<std::ptrdiff_t>(holeStart_[x]);
    const auto last = holeRows_.begin() + static_cast<std::ptrdiff_t>(holeStart_[x + 1]);
    return static_cast<std::size_t>(std::lower_bound(first, last, y) - holeRows_.begin());
}

// The bytes of a view pixel as it stands: painted, or a hole filled; none
// for a hole not filled yet. A hole is looked for among the holes of its
// column from `hole` on, which is at or before it.
const std::uint8_t* ViewMoves::PixelAsItStands(int x, int y, std::size_t hole) const
{
    if (IsPainted(x, y))
        return PaintedPixel(x, y);
    while (holeRows_[hole] < y)
        ++hole;
    const HoleColour& colour = holeColours_[hole];
    return colour.filled ? colour.bytes : nullptr;
}

// Fills hole `hole` at (x, y) with the mean of its painted or filled
// neighbours as they stand now; leaves it when it has none. `from` holds,
// for the columns x - 1, x and x + 1, a hole of that column at or before the
// first one from row y - 1 on.
void ViewMoves::FillHole(std::size_t hole, int x, int y, const std::size_t (&from)[3])
{
    int sum[3] = {0, 0, 0};
    int count = 0;
    const int left = std::max(x - 1, 0), right = std::min(x + 1, width_ - 1);
    const int bottom = std::max(y - 1, 0), top = std::min(y + 1, height_ - 1);
    for (int ny = bottom; ny <= top; ++ny)
        for (int nx = left; nx <= right; ++nx) {
            const std::uint8_t* pixel = PixelAsItStands(nx, ny, from[nx - x + 1]);
            if (!pixel)
                continue;
            sum[0] += pixel[0];
            sum[1] += pixel[1];
            sum[2] += pixel[2];
            ++count;
        }
    if (count == 0)
        return;
    HoleColour& colour = holeColours_[hole];
    for (int c = 0; c < 3; ++c)
        colour.bytes[c] = static_cast<std::uint8_t>((2 * sum[c] + count) / (2 * count)); // RoundHalfAway(sum / count)
    colour.filled = true;
    if (view_.first)
        std::memcpy(view_.Row(y) + 3 * static_cast<std::size_t>(x), colour.bytes, 3);
}

// Two sweeps over the columns, the first in the direction the near pixels
// moved; within a column the rows go bottom to top. Only the holes left by
// the level passes are visited. Each hole depends on the ones before it in
// this order, so the sweeps run on one thread. The holes of the columns on
// either side are followed along, rows only growing, so that finding a
// neighbour's costs no search.
void ViewMoves::FillGaps(bool firstSweepLeftToRight, ProgressSink& sink)
{
    auto sweepColumn = [&](int x) {
        sink.PumpOneMessage();
        std::size_t from[3];
        for (int side = 0; side < 3; ++side)
            from[side] = x + side - 1 >= 0 && x + side - 1 < width_ ? holeStart_[x + side - 1] : 0;
        for (std::size_t i = holeStart_[x]; i < holeStart_[x + 1]; ++i) {
            const int y = holeRows_[i];
            for (int side = 0; side < 3; side += 2) {
                const int column = x + side - 1;
                if (column >= 0 && column < width_)
                    while (from[side] < holeStart_[column + 1] && holeRows_[from[side]] < y - 1)
                        ++from[side];
            }
            from[1] = i > holeStart_[x] && holeRows_[i - 1] == y - 1 ? i - 1 : i;
            if (!holeColours_[i].filled)
                FillHole(i, x, y, from);
        }
    };
    for (int sweep = 0; sweep < 2; ++sweep) {
        const bool leftToRight = (sweep == 0) == firstSweepLeftToRight;
        if (leftToRight)
            for (int x = 0; x < width_; ++x)
                sweepColumn(x);
        else
            for (int x = width_ - 1; x >= 0; --x)
                sweepColumn(x);
    }
}

// A hole's colour as the view shows it: black where no neighbour filled it.
const std::uint8_t* ViewMoves::ShownColour(std::size_t hole) const
{
    static constexpr std::uint8_t kBlack[3] = {0, 0, 0};
    return holeColours_[hole].filled ? holeColours_[hole].bytes : kBlack;
}

void ViewMoves::RenderRow(int y, std::uint8_t* out) const
{
    Render<3>(y, image_.Row(y), out, [&](std::size_t hole) { return ShownColour(hole); });
}

void ViewMoves::RenderValues(int y, const std::uint8_t* values, const std::vector<std::uint8_t>& holeValues,
                             std::uint8_t* out) const
{
    Render<1>(y, values, out, [&](std::size_t hole) { return &holeValues[hole]; });
}

std::vector<std::uint8_t> ViewMoves::HoleValues(ByteOfPixels of) const
{
    std::vector<std::uint8_t> values(holeColours_.size());
    for (std::size_t hole = 0; hole < values.size(); ++hole)
        of(ShownColour(hole), &values[hole], 1);
    return values;
}

// Row y's pixels of kBytes bytes each from `source`, a picture row's worth
// (painted pixels: the source pixel that won them), or from holeBytes(index)
// for a hole.
template <int kBytes, typename HoleBytes>
void ViewMoves::Render(int y, const std::uint8_t* source, std::uint8_t* out, HoleBytes holeBytes) const
{
    const std::uint8_t* passRow = passes_.Row(y);
    const std::uint64_t* painted = &painted_[WordOf(0, y)];
    const auto copy = [out](int x, const std::uint8_t* pixel) {
        std::memcpy(out + kBytes * static_cast<std::size_t>(x), pixel, kBytes);
    };
    for (std::size_t w = 0; w < wordsPerRow_; ++w) {
        const int first = static_cast<int>(64 * w);
        const int end = std::min(first + 64, width_);
        // Most words: no hole to look up, and runs of one pass, whose pixels
        // come side by side from the picture.
        if (painted[w] == WordMask(w)) {
            if constexpr (kBytes == 1) {
                // Sixteen bytes at a time where they are of one pass.
                for (int x = first; x < end;) {
                    if (OnePassAt(passRow, x, end)) {
                        std::memcpy(out + x, source + (x - sourceShift_[passRow[x]]), kAtOnce);
                        x += kAtOnce;
                        continue;
                    }
                    for (const int chunkEnd = std::min(end, x + kAtOnce); x < chunkEnd; ++x)
                        out[x] = source[x - sourceShift_[passRow[x]]];
                }
                continue;
            }
            for (int x = first; x < end;) {
                const std::uint8_t pass = passRow[x];
                int runEnd = x + 1;
                while (runEnd < end && passRow[runEnd] == pass)
                    ++runEnd;
                std::memcpy(out + kBytes * static_cast<std::size_t>(x), source + kBytes * (x - sourceShift_[pass]),
                            kBytes * static_cast<std::size_t>(runEnd - x));
                x = runEnd;
            }
            continue;
        }
        for (int x = first; x < end; ++x) {
            if ((painted[w] >> (x - first) & 1) != 0)
                copy(x, source + kBytes * (x - sourceShift_[passRow[x]]));
            else
                copy(x, holeBytes(HoleAt(x, y)));
        }
    }
}

} // namespace velmora
