#include "imaging/StereoOutput.h"

#include "imaging/Anaglyph.h"
#include "imaging/DepthSmoothing.h"
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
    bool succeeded = true;
    const bool smoothed = run.smoothingRadius > 0;
    if (smoothed)
        succeeded &= SmoothDepthMap(depthPath, run.smoothedDepthPath, run.smoothingRadius, settings, sink);

    sink.SetStatus(StatusText(kind));
    StereoSettings viewSettings = settings;
    viewSettings.parallax = run.parallax;
    viewSettings.stereoWindow = run.stereoWindow;
    succeeded &= MakeShiftedView(run.outputPath, imagePath, smoothed ? run.smoothedDepthPath : depthPath,
                                 viewSettings, sink);

    if (kind == StereoOutputKind::Anaglyph)
        succeeded &= MakeAnaglyph(run.outputPath, run.outputPath, imagePath, settings, sink);
    else
        succeeded &= MakeViewMaster(run.outputPath, imagePath, run.outputPath, settings, sink);
    return succeeded;
}

} // namespace velmora
