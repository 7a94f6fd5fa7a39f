// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/ShiftedView.h"

#include "imaging/picture/Bitmap.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/DepthMapFile.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/stereo/ViewMoves.h"

#include <algorithm>
#include <utility>

namespace velmora {

Bitmap ShiftViewBitmap(FIBITMAP* image, DepthBytes depth, const StereoGeometry& geometry, double pixelsPerMetre,
                       const RunOptions& options, ProgressSink& sink)
{
    Bitmap view = NewOrReport(std::min(Width(image), depth.width), std::min(Height(image), depth.height), 24, sink);
    if (!view)
        return view;
    SetResolution(view.get(), pixelsPerMetre);
    ViewMoves::PaintPixels(view.get(), false, image, depth.rows, geometry, options, sink);
    return view;
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
    // The pages held something else: the depth map, or what it was smoothed from.
    ViewMoves::PaintPixels(view.get(), true, image, depth.rows, geometry, options, sink);
    return view;
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
