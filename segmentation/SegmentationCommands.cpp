#include "segmentation/SegmentationCommands.h"

#include "imaging/ImageFile.h"
#include "imaging/TempFiles.h"
#include "segmentation/OutlineImage.h"
#include "segmentation/SegmentSmoothing.h"
#include "segmentation/SegmentationMessages.h"

namespace velmora {

std::string NewDepthMapName(const std::string& depthTitle, int saveFormat)
{
    return depthTitle + "New." + FormatExtension(saveFormat);
}

void CreateOutlineImage(int level, const SegmentationInputs& inputs, SegmentationRecord& record, ProgressSink& sink,
                        const PreviewFunction& preview)
{
    record.outlineLevel = level;
    const std::string outline = OutlineFileName(inputs.imageTitle, inputs.saveFormat);
    const std::string gradient = GradientFileName(inputs.imageTitle, inputs.saveFormat);
    record.outlineFileName = outline;
    MakeLaplacianSignImage(inputs.imagePath, outline, inputs.saveFormat, record, sink);
    MakeGradientImage(inputs.imagePath, gradient, inputs.saveFormat, record, sink);
    ApplyOutlineLevel(outline, gradient, outline, level, inputs.saveFormat, record, sink,
                      inputs.previewImages ? preview : PreviewFunction());
}

void SmoothDepthMapBySegments(int degree, const SegmentationInputs& inputs, SegmentationRecord& record,
                              ProgressSink& sink, const PreviewFunction& preview)
{
    const std::string newDepthMap = NewDepthMapName(inputs.depthTitle, inputs.saveFormat);
    record.outlineFileName = OutlineFileName(inputs.imageTitle, inputs.saveFormat);
    record.smoothingDegree = degree;
    SmoothBySegmentsPasses(record.outlineFileName, inputs.depthPath, newDepthMap, degree, inputs.saveFormat, record,
                           sink);
    if (inputs.previewImages && preview)
        preview(newDepthMap);
}

std::optional<SmoothedDepthMap> ReadSmoothedDepthMap(const std::string& depthTitle, int saveFormat,
                                                     ProgressSink& sink)
{
    const std::string name = NewDepthMapName(depthTitle, saveFormat);
    Bitmap bitmap = ReadImageFile(name);
    if (!bitmap) {
        sink.ShowMessage(messages::kCouldntLoadNewDepthMap);
        return std::nullopt;
    }
    return SmoothedDepthMap{name, depthTitle + "New", Width(bitmap.get()), Height(bitmap.get())};
}

} // namespace velmora
