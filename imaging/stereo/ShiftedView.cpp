// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/ShiftedView.h"

#include "imaging/picture/Bitmap.h"
#include "imaging/picture/ZeroedArray.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/DepthMapFile.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoundHalfAway.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/threads/RowWorkers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace velmora {
namespace {

// The level passes run from level 0 towards the parallax, each painting the
// pixels of its level over what earlier passes painted. Only the levels that
// some depth value 0..255 maps to can paint anything; for |parallax| <= 255
// that is every level from 0 to the parallax, and beyond it there are at most
// 256 of them, so a huge parallax costs no more than 256 passes.
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

// The output view and one flag per pixel, set once the pixel is painted or
// filled. The flags are bits, each row in whole 64-bit words, so that rows
// painted on different threads never share a word.
class ViewCanvas {
public:
    ViewCanvas(FIBITMAP* view, int width, int height)
        : width(width), height(height), pixels_(FreeImage_GetBits(view)), pitch_(FreeImage_GetPitch(view)),
          wordsPerRow_((static_cast<std::size_t>(width) + 63) / 64), filled_(wordsPerRow_ * height)
    {
    }

    const int width;
    const int height;

    // Row y of the view; the filling visits its pixels one by one, too often
    // to ask the library each time.
    std::uint8_t* Row(int y) const { return pixels_ + static_cast<std::size_t>(y) * pitch_; }

    // Makes row y black, for a view painted over memory that held something else.
    void ClearRow(int y) { std::memset(Row(y), 0, pitch_); }

    bool IsFilled(int x, int y) const { return (filled_[WordOf(x, y)] >> (x % 64) & 1) != 0; }
    void SetFilled(int x, int y) { filled_[WordOf(x, y)] |= std::uint64_t{1} << (x % 64); }

    // Calls onHole(x) for every pixel of row y whose flag is clear, left to
    // right; a word at a time, as holes are few and rows long.
    template <typename OnHole>
    void ForEachHole(int y, OnHole onHole) const
    {
        const std::uint64_t* words = &filled_[WordOf(0, y)];
        for (std::size_t w = 0; w < wordsPerRow_; ++w) {
            const int first = static_cast<int>(64 * w);
            const int bits = std::min(64, width - first);
            std::uint64_t holes = ~words[w] & (bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1);
            for (; holes != 0; holes &= holes - 1)
                onHole(first + __builtin_ctzll(holes));
        }
    }

private:
    std::size_t WordOf(int x, int y) const { return static_cast<std::size_t>(y) * wordsPerRow_ + x / 64; }

    std::uint8_t* pixels_;
    std::size_t pitch_;
    std::size_t wordsPerRow_;
    ZeroedArray<std::uint64_t> filled_;
};

// Paints one row with the result of all level passes: at every target column
// the source pixel of the latest pass wins. Within one pass the sources of a
// row move by the same amount and never share a target, so keeping, per
// target, the highest pass seen gives exactly what painting the passes one
// after another gives. The depth of pixel x is depthRow[depthStride * x].
void PaintRow(ViewCanvas& canvas, FIBITMAP* image, const std::uint8_t* depthRow, int depthStride, const LevelPlan& plan,
              std::int64_t stereoWindow, int y, std::vector<int>& winningPass)
{
    const int width = canvas.width;
    std::fill(winningPass.begin(), winningPass.end(), -1);
    const std::uint8_t* imageRow = RowAt(image, y);
    std::uint8_t* viewRow = canvas.Row(y);
    for (int x = 0; x < width; ++x) {
        const std::uint8_t d = depthRow[depthStride * static_cast<std::ptrdiff_t>(x)];
        const std::int64_t target = x + plan.level[d] - stereoWindow;
        if (target < 0 || target >= width)
            continue;
        const int t = static_cast<int>(target);
        if (plan.pass[d] > winningPass[t]) {
            winningPass[t] = plan.pass[d];
            std::memcpy(viewRow + 3 * t, imageRow + 3 * x, 3);
            canvas.SetFilled(t, y);
        }
    }
}

// Fills a hole with the mean of its filled neighbours as they stand now.
// Leaves it when it has none.
void FillPixel(ViewCanvas& canvas, int x, int y)
{
    int sum[3] = {0, 0, 0};
    int count = 0;
    const int left = std::max(x - 1, 0), right = std::min(x + 1, canvas.width - 1);
    const int bottom = std::max(y - 1, 0), top = std::min(y + 1, canvas.height - 1);
    for (int ny = bottom; ny <= top; ++ny) {
        const std::uint8_t* row = canvas.Row(ny);
        for (int nx = left; nx <= right; ++nx) {
            if (!canvas.IsFilled(nx, ny))
                continue;
            sum[0] += row[3 * nx];
            sum[1] += row[3 * nx + 1];
            sum[2] += row[3 * nx + 2];
            ++count;
        }
    }
    if (count == 0)
        return;
    std::uint8_t* pixel = canvas.Row(y) + 3 * x;
    for (int c = 0; c < 3; ++c)
        pixel[c] = static_cast<std::uint8_t>((2 * sum[c] + count) / (2 * count)); // RoundHalfAway(sum / count)
    canvas.SetFilled(x, y);
}

// The holes left by the level passes, listed per column in row order, the
// order in which a sweep visits them: the holes of column x are
// rows[start[x]] .. rows[start[x + 1] - 1].
struct HoleColumns {
    std::vector<std::size_t> start;
    std::vector<int> rows;
};

// Blocks of rows, a fixed number whatever the threads, count their holes per
// column; each block then writes its holes after those of the blocks below
// it, so the lists come out the same as from one pass over the rows.
HoleColumns ListHoles(const ViewCanvas& canvas, int threads)
{
    constexpr std::int64_t kBlockRows = 64; // in 64 bits, as a height near the int limit would overflow
    const int width = canvas.width;
    const int blocks = static_cast<int>((canvas.height + kBlockRows - 1) / kBlockRows);
    std::vector<std::size_t> at(static_cast<std::size_t>(blocks) * width, 0); // per block and column
    const auto forEachBlock = [&](auto work) {
        ForRowBands(blocks, threads, [&](const RowBand& band) {
            for (int block = band.begin; block < band.end; ++block) {
                std::size_t* blockAt = &at[static_cast<std::size_t>(block) * width];
                const int end = static_cast<int>(std::min<std::int64_t>(canvas.height, (block + 1) * kBlockRows));
                for (int y = static_cast<int>(block * kBlockRows); y < end; ++y)
                    canvas.ForEachHole(y, [&](int x) { work(blockAt, x, y); });
            }
        });
    };
    forEachBlock([](std::size_t* blockAt, int x, int) { ++blockAt[x]; });

    HoleColumns holes;
    holes.start.resize(static_cast<std::size_t>(width) + 1);
    std::size_t next = 0;
    for (int x = 0; x < width; ++x) {
        holes.start[x] = next;
        for (int block = 0; block < blocks; ++block) {
            std::size_t& count = at[static_cast<std::size_t>(block) * width + x];
            next += std::exchange(count, next);
        }
    }
    holes.start[width] = next;
    holes.rows.resize(next);
    forEachBlock([&](std::size_t* blockAt, int x, int y) { holes.rows[blockAt[x]++] = y; });
    return holes;
}

// Two sweeps over the columns, the first in the direction the near pixels
// moved; within a column the rows go bottom to top. Only the holes left by
// the level passes are visited. Each hole depends on the ones before it in
// this order, so the sweeps run on one thread.
void FillGaps(ViewCanvas& canvas, bool firstSweepLeftToRight, int threads, ProgressSink& sink)
{
    const int width = canvas.width;
    const HoleColumns holes = ListHoles(canvas, threads);
    auto sweepColumn = [&](int x) {
        sink.PumpOneMessage();
        for (std::size_t i = holes.start[x]; i < holes.start[x + 1]; ++i)
            if (!canvas.IsFilled(x, holes.rows[i]))
                FillPixel(canvas, x, holes.rows[i]);
    };
    for (int sweep = 0; sweep < 2; ++sweep) {
        const bool leftToRight = (sweep == 0) == firstSweepLeftToRight;
        if (leftToRight)
            for (int x = 0; x < width; ++x)
                sweepColumn(x);
        else
            for (int x = width - 1; x >= 0; --x)
                sweepColumn(x);
    }
}

// Makes the view in `view`, a picture of the common area. When the view
// lies over the depth map's own pixels, each row's depth is copied aside and
// the row cleared before it is painted: a row's painting reads the depth of
// that row alone, so no other row's depth is lost.
Bitmap PaintView(Bitmap view, FIBITMAP* image, DepthBytes depth, const StereoGeometry& geometry,
                 const RunOptions& options, ProgressSink& sink)
{
    const int width = Width(view.get()), height = Height(view.get());
    const bool overDepth = depth.bitmap == view.get();

    // The flags start cleared; the clearing pass still lets the window handle
    // one message per row, as every pass over the rows does.
    ViewCanvas canvas(view.get(), width, height);
    for (int y = 0; y < height; ++y)
        sink.PumpOneMessage();

    // The whole of every row is settled in the first pass (see PaintRow);
    // the later passes keep the window alive as the passes would.
    const LevelPlan plan = PlanLevels(geometry.parallax);
    sink.BeginProgress(plan.passCount);
    ForRowBands(height, options.threads, sink, false, [&](const RowBand& band) {
        std::vector<int> winningPass(width);
        std::vector<std::uint8_t> depthAside(overDepth ? width : 0);
        for (int y = band.begin; y < band.end; ++y) {
            const std::uint8_t* depthRow = RowAt(depth.bitmap, y) + depth.channel;
            if (overDepth) {
                for (int x = 0; x < width; ++x)
                    depthAside[x] = depthRow[3 * x];
                canvas.ClearRow(y);
                PaintRow(canvas, image, depthAside.data(), 1, plan, geometry.stereoWindow, y, winningPass);
            } else {
                PaintRow(canvas, image, depthRow, 3, plan, geometry.stereoWindow, y, winningPass);
            }
            band.RowDone();
        }
    });
    sink.StepProgress();
    for (int pass = 1; pass < plan.passCount; ++pass) {
        for (int y = 0; y < height; ++y)
            sink.PumpOneMessage();
        sink.StepProgress();
    }

    FillGaps(canvas, geometry.parallax >= 0, options.threads, sink);
    return view;
}

} // namespace

Bitmap ShiftViewBitmap(FIBITMAP* image, DepthBytes depth, const StereoGeometry& geometry, double pixelsPerMetre,
                       const RunOptions& options, ProgressSink& sink)
{
    Bitmap view = NewCommonAreaOrReport(image, depth.bitmap, pixelsPerMetre, sink);
    if (!view)
        return view;
    return PaintView(std::move(view), image, depth, geometry, options, sink);
}

Bitmap ShiftViewOverDepth(FIBITMAP* image, Bitmap depth, int channel, const StereoGeometry& geometry,
                          double pixelsPerMetre, const RunOptions& options, ProgressSink& sink)
{
    const int width = std::min(Width(image), Width(depth.get()));
    const int height = std::min(Height(image), Height(depth.get()));
    Bitmap view = TakePixels(depth, width, height);
    if (depth)
        return ShiftViewBitmap(image, {depth.get(), channel}, geometry, pixelsPerMetre, options, sink);
    if (!view) {
        sink.ShowMessage(messages::kNotEnoughMemory);
        return view;
    }
    SetResolution(view.get(), pixelsPerMetre);
    FIBITMAP* pixels = view.get();
    return PaintView(std::move(view), image, {pixels, channel}, geometry, options, sink);
}

bool MakeShiftedView(const std::string& outputPath, const std::string& imagePath, const DepthMapFile& depthMap,
                     StereoSettings settings, const RunOptions& options, ProgressSink& sink)
{
    return GuardAllocation(sink, [&] {
        Bitmap image = ReadOrReport(imagePath, messages::kCouldntLoadBitmap, options, sink);
        if (!image)
            return false;
        Bitmap depth = ReadDepthOrReport(depthMap, messages::kCouldntLoadDepthMap, options, sink);
        if (!depth)
            return false;
        Bitmap view =
            ShiftViewBitmap(image.get(), depth.get(), settings.geometry, settings.pixelsPerMetre, options, sink);
        if (!view)
            return false;
        image.reset();
        depth.reset();
        const bool written = WriteOrReport(view.get(), outputPath, settings.saveFormat, options, sink);
        view.reset();
        sink.ResetProgress();
        return written;
    });
}

} // namespace velmora
