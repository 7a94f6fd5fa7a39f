// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/picture/ByteRows.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/ProgressSink.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

// Composes a red-cyan anaglyph of the common bottom-left area of the shifted
// view and the picture: red from the view, green and blue from the picture.
// Grey mode puts the plain mean of the three bytes, remainder dropped, in
// every channel; colour mode copies the channels; half-colour makes red the
// view's luma; Dubois mixes both pictures' channels by his least-squares
// matrices. Any other anaglyphMode is taken as grey.
// viewPath may be outputPath itself: the view is read before the write.
// Returns false when a step failed; every failure shows its message.
bool MakeAnaglyph(const std::string& outputPath, const std::string& viewPath, const std::string& imagePath,
                  StereoSettings settings, const RunOptions& options, ProgressSink& sink);

// The same in memory, the rows shared among the options' threads; the caller
// sets the status. None, after the message, when there is no memory for it.
Bitmap ComposeAnaglyph(FIBITMAP* view, FIBITMAP* image, const StereoSettings& settings, const RunOptions& options,
                       ProgressSink& sink);

// The same for a view that nothing needs afterwards: written over the view's
// own pixels when the view is the common area (the picture is at least as
// large), instead of into fresh memory; else as above. The same bytes either
// way.
Bitmap ComposeAnaglyphOverView(Bitmap view, FIBITMAP* image, const StereoSettings& settings, const RunOptions& options,
                               ProgressSink& sink);

// One row of the anaglyph from a row of the view and one of the picture,
// each of `width` pixels; `out` may be either of them, as every pixel's
// bytes are read before any is written.
using AnaglyphRowComposer = void (*)(const std::uint8_t* view, const std::uint8_t* image, std::uint8_t* out, int width);
AnaglyphRowComposer AnaglyphRowComposerFor(int anaglyphMode);

// For the modes whose red comes from the view's pixel alone and whose green
// and blue from the picture's alone (all but Dubois), the composition in two
// steps, for a view made of the picture's own pixels moved: `reds` gives
// every pixel of a row its red as the view would take it, once per picture
// row, and `compose` makes the row from the picture's pixels, their reds and
// the view's reds (`out` may be the picture's row). The same bytes as the
// row composer.
struct SplitAnaglyph {
    ByteOfPixels reds;
    void (*compose)(const std::uint8_t* image, const std::uint8_t* imageReds, const std::uint8_t* viewReds,
                    std::uint8_t* out, int width);
};
std::optional<SplitAnaglyph> SplitAnaglyphFor(int anaglyphMode);

} // namespace velmora
