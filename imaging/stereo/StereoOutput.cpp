// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/StereoOutput.h"

#include "imaging/picture/BytePlane.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/ComposedOverPicture.h"
#include "imaging/stereo/DepthMapFile.h"
#include "imaging/stereo/DepthSmoothing.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/stereo/ShiftedView.h"
#include "imaging/stereo/TempFiles.h"
#include "imaging/stereo/ViewMaster.h"

#include <algorithm>

namespace velmora {

const char* StatusText(StereoOutputKind kind)
{
    return kind == StereoOutputKind::Anaglyph ? messages::kStatusAnaglyph : messages::kStatusLcShutter;
}

namespace {

// The depth map the view reads and the byte of its pixels that holds the
// depth; or, for a run that keeps the picture it read (which needs neither
// a view's pages nor the map's other bytes), that byte alone in a plane.
struct ViewDepth {
    Bitmap bitmap;
    int channel = kBlueByte;
    BytePlane plane;

    explicit operator bool() const { return bitmap || plane; }
    DepthBytes Bytes() const { return plane ? DepthBytes(plane) : DepthBytes(bitmap.get(), channel); }

    void KeepPlaneOnly()
    {
        if (!plane)
            plane = TakeChannelPlane(std::move(bitmap), channel);
        bitmap.reset();
    }
};

// The smoothing step: the smoothed depth map, in all three channels when the
// run writes it somewhere; else only its depth, which is all the view reads:
// read and smoothed as a plane of its own for a run that keeps the picture
// it read, else from the map's blue bytes into its green ones, so that a
// view can take the map's pages. None when the depth map cannot be read.
ViewDepth SmoothStep(const StereoOutputRun& run, const std::string& depthPath, const StereoSettings& settings,
                     const RunOptions& options, ProgressSink& sink, bool& succeeded)
{
    sink.SetStatus(messages::kStatusSmoothing);
    const DepthMapFile file{depthPath, run.invertDepth};
    const char* failure = messages::DepthMapReadFailure(true);
    if (run.readPictureOnce && run.smoothedDepthPath.empty()) {
        const BytePlane source = ReadDepthPlaneOrReport(file, failure, options, sink);
        if (!source)
            return {};
        ViewDepth depth;
        depth.plane = BytePlane(source.Width(), source.Height());
        SmoothDepthPlane(source, depth.plane.Rows(), run.smoothingRadius, options, sink);
        sink.ResetProgress();
        return depth;
    }
    Bitmap source = ReadDepthOrReport(file, failure, options, sink);
    if (!source)
        return {};
    if (run.smoothedDepthPath.empty()) {
        const int channel = SmoothDepthInItsPixels(source.get(), run.smoothingRadius, options, sink);
        sink.ResetProgress();
        return {std::move(source), channel, {}};
    }
    Bitmap smoothed = SmoothDepthBitmap(source.get(), run.smoothingRadius, options, sink);
    source.reset();
    if (smoothed)
        succeeded &= WriteOrReport(smoothed.get(), run.smoothedDepthPath, IntermediateFormat(settings.saveFormat),
                                   options, sink);
    if (smoothed)
        sink.ResetProgress();
    return {std::move(smoothed), kBlueByte, {}};
}

// The final composition of the view with the picture, written over the
// view where it can, then to the output.
bool ComposeStep(StereoOutputKind kind, Bitmap view, FIBITMAP* image, const StereoOutputRun& run,
                 const StereoSettings& settings, const RunOptions& options, ProgressSink& sink)
{
    Bitmap output;
    if (kind == StereoOutputKind::Anaglyph) {
        output = ComposeAnaglyphOverView(std::move(view), image, settings, options, sink);
    } else {
        if (!CheckLeftPicture(image, sink) || !CheckRightPicture(view.get(), sink))
            return false;
        const int height = std::min(Height(view.get()), Height(image));
        output =
            ComposeViewMasterOver(std::move(view), image, ViewRowParity(run, height) == 0, settings, options, sink);
    }
    return output && WriteOrReport(output.get(), run.outputPath, settings.saveFormat, options, sink);
}

} // namespace

bool MakeStereoOutput(StereoOutputKind kind, const StereoOutputRun& run, const std::string& imagePath,
                      const std::string& depthPath, const StereoSettings& settings, const RunOptions& options,
                      ProgressSink& sink)
{
    return GuardAllocation(sink, [&] {
        bool succeeded = true;
        const bool smoothed = run.smoothingRadius > 0;
        ViewDepth depth = smoothed ? SmoothStep(run, depthPath, settings, options, sink, succeeded) : ViewDepth();
        if (smoothed && (!depth || !succeeded) && run.stopAtFirstFailure)
            return false;
        // A map smoothed in all its bytes keeps its depth alone before the
        // picture is read.
        if (run.readPictureOnce)
            depth.KeepPlaneOnly();

        sink.SetStatus(StatusText(kind));
        Bitmap image;
        Bitmap view;
        if (smoothed && !depth) {
            ReportMissingInput(messages::kCouldntLoadDepthMap, sink);
        } else {
            image = ReadOrReport(imagePath, messages::kCouldntLoadBitmap, options, sink);
            if (image && !smoothed) {
                const DepthMapFile file{depthPath, run.invertDepth};
                const char* failure = messages::DepthMapReadFailure(false);
                if (run.readPictureOnce)
                    depth.plane = ReadDepthPlaneOrReport(file, failure, options, sink);
                else
                    depth.bitmap = ReadDepthOrReport(file, failure, options, sink);
            }
            if (image && run.readPictureOnce && depth) {
                Bitmap output =
                    ComposeOverPicture(kind, std::move(image), std::move(depth.plane), run, settings, options, sink);
                return output && WriteOrReport(output.get(), run.outputPath, settings.saveFormat, options, sink) &&
                    succeeded;
            }
            // The view is painted over the depth map, which nothing needs after it.
            if (image && depth) {
                const DepthBytes bytes = depth.Bytes();
                view = ShiftViewOverPages(image.get(), std::move(depth.bitmap), bytes, run.geometry,
                                          settings.pixelsPerMetre, options, sink);
            }
            if (view)
                sink.ResetProgress();
        }
        depth = ViewDepth();
        if (!view)
            return !run.stopAtFirstFailure && ReportMissingInput(messages::kCouldntLoadBitmap, sink);

        // Only a run that reads the picture again gets here with a view.
        sink.SetStatus(StatusText(kind));
        image.reset(); // before the new one is read, so that two are never held at once
        image = ReadOrReport(imagePath, messages::kCouldntLoadBitmap, options, sink);
        return image && ComposeStep(kind, std::move(view), image.get(), run, settings, options, sink) && succeeded;
    });
}

} // namespace velmora
