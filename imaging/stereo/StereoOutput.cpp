// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/StereoOutput.h"

#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/Anaglyph.h"
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

// The smoothing step: the smoothed depth map, also written where the run
// says; none when the depth map cannot be read.
Bitmap SmoothStep(const StereoOutputRun& run, const std::string& depthPath, const StereoSettings& settings,
                  const RunOptions& options, ProgressSink& sink, bool& succeeded)
{
    sink.SetStatus(messages::kStatusSmoothing);
    Bitmap source = ReadDepthOrReport({depthPath, run.invertDepth}, messages::DepthMapReadFailure(true), options, sink);
    if (!source)
        return {};
    Bitmap smoothed = SmoothDepthBitmap(source.get(), run.smoothingRadius, options, sink);
    source.reset();
    if (smoothed && !run.smoothedDepthPath.empty())
        succeeded &= WriteOrReport(smoothed.get(), run.smoothedDepthPath, IntermediateFormat(settings.saveFormat),
                                   options, sink);
    if (smoothed)
        sink.ResetProgress();
    return smoothed;
}

// The final composition of the view with the picture, written to the output.
bool ComposeStep(StereoOutputKind kind, FIBITMAP* view, FIBITMAP* image, const StereoOutputRun& run,
                 const StereoSettings& settings, const RunOptions& options, ProgressSink& sink)
{
    Bitmap output;
    if (kind == StereoOutputKind::Anaglyph) {
        output = ComposeAnaglyph(view, image, settings, options, sink);
    } else {
        if (!CheckLeftPicture(image, sink) || !CheckRightPicture(view, sink))
            return false;
        // The even rows, the bottom one first, are the second picture's.
        const int topRow = std::min(Height(view), Height(image)) - 1;
        const bool swapped = run.leftEyeOnTop && *run.leftEyeOnTop != (topRow % 2 == 0);
        output = swapped ? ComposeViewMaster(view, image, settings, options, sink)
                         : ComposeViewMaster(image, view, settings, options, sink);
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
        Bitmap depth = smoothed ? SmoothStep(run, depthPath, settings, options, sink, succeeded) : Bitmap();
        if (smoothed && (!depth || !succeeded) && run.stopAtFirstFailure)
            return false;

        sink.SetStatus(StatusText(kind));
        Bitmap image;
        Bitmap view;
        if (smoothed && !depth) {
            ReportMissingInput(messages::kCouldntLoadDepthMap, sink);
        } else {
            image = ReadOrReport(imagePath, messages::kCouldntLoadBitmap, options, sink);
            if (image && !smoothed)
                depth = ReadDepthOrReport({depthPath, run.invertDepth}, messages::DepthMapReadFailure(false), options,
                                          sink);
            if (image && depth)
                view = ShiftViewBitmap(image.get(), depth.get(), run.geometry, settings.pixelsPerMetre, options, sink);
            if (view)
                sink.ResetProgress();
        }
        depth.reset();
        if (!view)
            return !run.stopAtFirstFailure && ReportMissingInput(messages::kCouldntLoadBitmap, sink);

        sink.SetStatus(StatusText(kind));
        if (!run.readPictureOnce)
            image = ReadOrReport(imagePath, messages::kCouldntLoadBitmap, options, sink);
        return image && ComposeStep(kind, view.get(), image.get(), run, settings, options, sink) && succeeded;
    });
}

} // namespace velmora
