// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/ComposedOverPicture.h"

#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/stereo/ViewMoves.h"
#include "imaging/threads/RowWorkers.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace velmora {

int ViewRowParity(const StereoOutputRun& run, int height)
{
    const int topRow = height - 1;
    const bool swapped = run.leftEyeOnTop && *run.leftEyeOnTop != (topRow % 2 == 0);
    return swapped ? 1 : 0;
}

Bitmap ComposeOverPicture(StereoOutputKind kind, Bitmap picture, BytePlane depth, const StereoOutputRun& run,
                          const StereoSettings& settings, const RunOptions& options, ProgressSink& sink)
{
    const int width = std::min(Width(picture.get()), depth.Width());
    const int height = std::min(Height(picture.get()), depth.Height());
    const ViewMoves moves(picture.get(), width, height, depth.Rows(), depth.Rows(), run.geometry, options, sink);
    sink.ResetProgress();
    sink.SetStatus(StatusText(kind));

    // The result takes the picture's pixels under a new header, so that none
    // of what the picture's file brought (a colour profile, Exif) reaches it;
    // else it is a new bitmap.
    Bitmap output = TakePixels(picture, width, height);
    if (!output && !picture) {
        sink.ShowMessage(messages::kNotEnoughMemory);
        return output;
    }
    if (!output && !(output = NewOrReport(width, height, 24, sink)))
        return output;
    SetResolution(output.get(), settings.pixelsPerMetre);
    FIBITMAP* image = picture ? picture.get() : output.get();

    const AnaglyphRowComposer composeRow = AnaglyphRowComposerFor(settings.anaglyphMode);
    // Where the view's red is one byte of what its pixel was in the picture,
    // that byte is worked out once per picture pixel, and the view is made
    // as those bytes alone.
    const std::optional<SplitAnaglyph> split =
        kind == StereoOutputKind::Anaglyph ? SplitAnaglyphFor(settings.anaglyphMode) : std::nullopt;
    const std::vector<std::uint8_t> holeReds = split ? moves.HoleValues(split->reds) : std::vector<std::uint8_t>();
    const int viewParity = ViewRowParity(run, height);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    const std::size_t padding = FreeImage_GetPitch(output.get()) - rowBytes;
    ForRowBands(height, options.threads, sink, false, [&](const RowBand& band) {
        std::vector<std::uint8_t> viewRow(split ? 0 : rowBytes), imageReds(split ? width : 0),
            viewReds(split ? width : 0);
        for (int y = band.begin; y < band.end; ++y) {
            std::uint8_t* out = RowAt(output.get(), y);
            if (split) {
                split->reds(RowAt(image, y), imageReds.data(), width);
                moves.RenderValues(y, imageReds.data(), holeReds, viewReds.data());
                split->compose(RowAt(image, y), imageReds.data(), viewReds.data(), out, width);
            } else if (kind == StereoOutputKind::Anaglyph) {
                moves.RenderRow(y, viewRow.data());
                composeRow(viewRow.data(), RowAt(image, y), out, width);
            } else if (y % 2 == viewParity) {
                moves.RenderRow(y, viewRow.data());
                std::memcpy(out, viewRow.data(), rowBytes);
            } else if (out != RowAt(image, y)) {
                std::memcpy(out, RowAt(image, y), rowBytes);
            }
            std::memset(out + rowBytes, 0, padding); // the padding bytes as the picture's file had them
            band.RowDone();
        }
    });
    return output;
}

} // namespace velmora
