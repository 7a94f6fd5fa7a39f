// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/StereoOutput.h"

#include "imaging/Anaglyph.h"
#include "imaging/DepthSmoothing.h"
#include "imaging/Messages.h"
#include "imaging/RoutineSteps.h"
#include "imaging/ShiftedView.h"
#include "imaging/ViewMaster.h"

namespace velmora {

const char* StatusText(StereoOutputKind kind)
{
    return kind == StereoOutputKind::Anaglyph ? "Anaglyph image" : "LC Shutter";
}

bool MakeStereoOutput(StereoOutputKind kind, const StereoOutputRun& run, const std::string& imagePath,
                      const std::string& depthPath, const StereoSettings& settings, ProgressSink& sink)
{
    const bool smoothed = run.smoothingRadius > 0;
    const bool depthMade =
        !smoothed || SmoothDepthMap(depthPath, run.smoothedDepthPath, run.smoothingRadius, settings, sink);
    if (!depthMade && run.stopAtFirstFailure)
        return false;

    sink.SetStatus(StatusText(kind));
    StereoSettings viewSettings = settings;
    viewSettings.parallax = run.parallax;
    viewSettings.stereoWindow = run.stereoWindow;
    const std::string& viewPath = run.viewPath.empty() ? run.outputPath : run.viewPath;
    const bool viewMade =
        depthMade ? MakeShiftedView(viewPath, imagePath, smoothed ? run.smoothedDepthPath : depthPath, viewSettings,
                                    sink)
                  : ReportMissingInput(messages::kCouldntLoadDepthMap, sink);
    if (!viewMade)
        return !run.stopAtFirstFailure && ReportMissingInput(messages::kCouldntLoadBitmap, sink);
    if (kind == StereoOutputKind::Anaglyph)
        return MakeAnaglyph(run.outputPath, viewPath, imagePath, settings, sink);
    return MakeViewMaster(run.outputPath, imagePath, viewPath, settings, sink);
}

} // namespace velmora
