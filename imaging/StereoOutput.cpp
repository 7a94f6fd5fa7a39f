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

bool MakeStereoOutput(StereoOutputKind kind, const StereoOutputRun& run, const StereoSettings& settings,
                      ProgressSink& sink)
{
    bool succeeded = true;
    std::string depthInput = run.depthPath;
    if (run.smoothingRadius > 0) {
        succeeded &= SmoothDepthMap(run.depthPath, run.smoothedDepthPath, run.smoothingRadius, settings, sink);
        depthInput = run.smoothedDepthPath;
    }

    sink.SetStatus(StatusText(kind));
    StereoSettings viewSettings = settings;
    viewSettings.parallax = run.parallax;
    viewSettings.stereoWindow = run.stereoWindow;
    succeeded &= MakeShiftedView(run.outputPath, run.imagePath, depthInput, viewSettings, sink);

    if (kind == StereoOutputKind::Anaglyph)
        succeeded &= MakeAnaglyph(run.outputPath, run.outputPath, run.imagePath, settings, sink);
    else
        succeeded &= MakeViewMaster(run.outputPath, run.imagePath, run.outputPath, settings, sink);
    return succeeded;
}

} // namespace velmora
