// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/ShiftedView.h"

#include "imaging/picture/Bitmap.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/DepthMapFile.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/stereo/ViewMoves.h"
#include "imaging/threads/RowWorkers.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace velmora {
namespace {

// Makes the view in `view`, a picture of the common area: the passes are
// painted into the start of its rows, then each row is rendered over its
// own passes. When the view lies over the depth map's own pixels, a row's
// painting reads that row's depth alone, first, so no other row's is lost.
Bitmap PaintView(Bitmap view, FIBITMAP* image, DepthBytes depth, const StereoGeometry& geometry,
                 const RunOptions& options, ProgressSink& sink)
{
    const int width = Width(view.get()), height = Height(view.get());
    const std::size_t pitch = FreeImage_GetPitch(view.get());
    const ViewMoves moves(image, width, height, depth.rows, {FreeImage_GetBits(view.get()), pitch}, geometry, options,
                          sink);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    ForRowBands(height, options.threads, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            std::uint8_t* row = RowAt(view.get(), y);
            moves.RenderRow(y, row);
            std::memset(row + rowBytes, 0, pitch - rowBytes); // whatever the pages held before
        }
    });
    return view;
}

} // namespace

Bitmap ShiftViewBitmap(FIBITMAP* image, DepthBytes depth, const StereoGeometry& geometry, double pixelsPerMetre,
                       const RunOptions& options, ProgressSink& sink)
{
    Bitmap view = NewOrReport(std::min(Width(image), depth.width), std::min(Height(image), depth.height), 24, sink);
    if (!view)
        return view;
    SetResolution(view.get(), pixelsPerMetre);
    return PaintView(std::move(view), image, depth, geometry, options, sink);
}

Bitmap ShiftViewOverPages(FIBITMAP* image, Bitmap pages, DepthBytes depth, const StereoGeometry& geometry,
                          double pixelsPerMetre, const RunOptions& options, ProgressSink& sink)
{
    const int width = std::min(Width(image), depth.width);
    const int height = std::min(Height(image), depth.height);
    Bitmap view = TakePixels(pages, width, height);
    if (pages)
        return ShiftViewBitmap(image, depth, geometry, pixelsPerMetre, options, sink);
    if (!view) {
        sink.ShowMessage(messages::kNotEnoughMemory);
        return view;
    }
    SetResolution(view.get(), pixelsPerMetre);
    return PaintView(std::move(view), image, depth, geometry, options, sink);
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
