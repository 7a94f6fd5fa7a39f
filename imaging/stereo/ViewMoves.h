// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/picture/ByteRows.h"
#include "imaging/picture/ZeroedArray.h"
#include "imaging/stereo/StereoGeometry.h"
#include "imaging/threads/ProgressSink.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora {

// The second view of a stereo pair (see ShiftedView.h) held as where its
// pixels come from rather than as pixels: for every pixel, the level pass
// whose picture pixel of the same row won it, one byte each; the holes'
// colours aside. So a view costs a byte per pixel until its rows are needed,
// and a run that composes straight over the picture needs no view at all.
// Or the view painted as pixels at once, for a run that wants the picture.
class ViewMoves {
public:
    static constexpr int kAtOnce = 16; // pixels of one pass painted or rendered together

    // Paints the level passes over every row of the width x height area of
    // `image` and fills the holes, the progress as one run of the passes
    // (left at its end) and a message a column while filling. Row y's passes
    // are written over the first `width` bytes of `passes` row y, which may
    // be the depth's own row: a row's depth is then read aside first.
    ViewMoves(FIBITMAP* image, int width, int height, ByteRows depth, ByteRows passes, const StereoGeometry& geometry,
              const RunOptions& options, ProgressSink& sink);

    // The same painted into `view`, a 24-bit picture of the common area,
    // black or, with clearView, holding something else, which each row loses
    // as it is painted (the depth's own pixels, say: a row's depth is read
    // aside first). The progress as above.
    static void PaintPixels(FIBITMAP* view, bool clearView, FIBITMAP* image, ByteRows depth,
                            const StereoGeometry& geometry, const RunOptions& options, ProgressSink& sink);

    // Writes the three bytes of every pixel of row y to `out`, which holds
    // them all and is none of the memory the moves read. Rows may be rendered
    // on several threads at once.
    void RenderRow(int y, std::uint8_t* out) const;

    // The same a byte a pixel: a painted pixel's is values[x] of the picture
    // pixel x that won it (`values` a byte for each pixel of the picture's
    // row y), a hole's is holeValues[h] (h its index in HoleValues). `out`
    // holds `width` bytes and is none of `values`.
    void RenderValues(int y, const std::uint8_t* values, const std::vector<std::uint8_t>& holeValues,
                      std::uint8_t* out) const;

    // `of` applied to every hole's colour (black where no neighbour filled
    // it), a byte each, for RenderValues.
    std::vector<std::uint8_t> HoleValues(ByteOfPixels of) const;

private:
    struct HoleColour {
        std::uint8_t bytes[3];
        bool filled;
    };

    bool IsPainted(int x, int y) const { return (painted_[WordOf(x, y)] >> (x % 64) & 1) != 0; }
    std::size_t WordOf(int x, int y) const { return static_cast<std::size_t>(y) * wordsPerRow_ + x / 64; }
    std::uint64_t WordMask(std::size_t w) const;
    template <typename OnHole> void ForEachHole(int y, OnHole onHole) const;

    const std::uint8_t* PaintedPixel(int x, int y) const;
    const std::uint8_t* ShownColour(std::size_t hole) const;
    std::size_t HoleAt(int x, int y) const;
    const std::uint8_t* PixelAsItStands(int x, int y, std::size_t hole) const;
    // Both ways: `view` holds the view's pixels or is none.
    ViewMoves(FIBITMAP* image, int width, int height, ByteRows depth, ByteRows passes, FIBITMAP* view, bool clearView,
              const StereoGeometry& geometry, const RunOptions& options, ProgressSink& sink);
    // Where a row is painted: its passes, its words of painted bits, and the
    // picture's and (when painted at once) the view's pixels.
    struct RowPainting {
        std::uint8_t* passes;
        std::uint64_t* painted;
        const std::uint8_t* image;
        std::uint8_t* view;
    };

    void PaintRowAs(int stride, const std::uint8_t* depth, std::uint8_t* passRow, int y);
    template <int kStride, bool kPixels> void PaintRow(const std::uint8_t* depth, std::uint8_t* passRow, int y);
    template <bool kPixels> bool PaintedAtOnce(const std::uint8_t* depth, int x, const RowPainting& row);
    template <int kBytes, typename HoleBytes>
    void Render(int y, const std::uint8_t* source, std::uint8_t* out, HoleBytes holeBytes) const;
    void ListHoles(int threads);
    void FillHole(std::size_t hole, int x, int y, const std::size_t (&from)[3]);
    void FillGaps(bool firstSweepLeftToRight, ProgressSink& sink);

    ByteRows image_;
    int width_;
    int height_;
    ByteRows passes_;
    ByteRows view_;                               // the view's pixels when painted at once; first is null when not
    std::array<std::int64_t, 256> sourceShift_{}; // per pass: the target column less the source's
    std::array<std::uint8_t, 256> passOf_{};      // per depth value: its pass
    std::array<std::int64_t, 256> moveOf_{};      // per depth value: its pass's shift
    std::size_t wordsPerRow_;
    ZeroedArray<std::uint64_t> painted_; // a bit per pixel, each row in whole words
    // The holes left by the passes, per column in row order: those of column
    // x are holeRows_[holeStart_[x]] .. holeRows_[holeStart_[x + 1] - 1].
    std::vector<std::size_t> holeStart_;
    std::vector<int> holeRows_;
    std::vector<HoleColour> holeColours_;
};

} // namespace velmora
