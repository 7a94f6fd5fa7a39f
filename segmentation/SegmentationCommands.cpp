// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/SegmentationCommands.h"

#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/stereo/TempFiles.h"
#include "segmentation/OutlineImage.h"
#include "segmentation/SegmentSmoothing.h"
#include "segmentation/SegmentationMessages.h"

#include <filesystem>

namespace velmora {

std::string NewDepthMapName(const std::string& depthTitle, int saveFormat)
{
    return depthTitle + "New." + FormatExtension(saveFormat);
}

namespace {

std::string AvoidingInputs(const std::string& name, const SegmentationInputs& inputs)
{
    return FirstFreeName(name, [&](const std::string& candidate) {
        return NamesSameFile(candidate, inputs.imagePath) || NamesSameFile(candidate, inputs.depthPath);
    });
}

} // namespace

std::string OutlinePathFor(const SegmentationInputs& inputs)
{
    return AvoidingInputs(OutlineFileName(inputs.imageTitle, inputs.saveFormat), inputs);
}

std::string GradientPathFor(const SegmentationInputs& inputs)
{
    return AvoidingInputs(GradientFileName(inputs.imageTitle, inputs.saveFormat), inputs);
}

std::string NewDepthMapPathFor(const SegmentationInputs& inputs)
{
    return AvoidingInputs(NewDepthMapName(inputs.depthTitle, inputs.saveFormat), inputs);
}

void CreateOutlineImage(int level, const SegmentationInputs& inputs, SegmentationRecord& record, ProgressSink& sink,
                        const PreviewFunction& preview)
{
    sink.SetStatus(messages::kStatusOutline);
    record.outlineLevel = level;
    const std::string outline = OutlinePathFor(inputs);
    record.outlineFileName = outline;
    MakeOutlineFiles(inputs.imagePath, outline, GradientPathFor(inputs), level, inputs.saveFormat, inputs.saveFormat,
                     record, inputs.options, sink, inputs.previewImages ? preview : PreviewFunction());
}

void SmoothDepthMapBySegments(int degree, const SegmentationInputs& inputs, SegmentationRecord& record,
                              ProgressSink& sink, const PreviewFunction& preview)
{
    sink.SetStatus(messages::kStatusSegmentSmoothing);
    const std::string newDepthMap = NewDepthMapPathFor(inputs);
    record.outlineFileName = OutlinePathFor(inputs);
    record.smoothingDegree = degree;
    const bool smoothed = SmoothBySegmentsPasses(record.outlineFileName, inputs.depthPath, newDepthMap, degree,
                                                 inputs.saveFormat, record, inputs.options, sink);
    if (smoothed && inputs.previewImages && preview)
        preview(newDepthMap);
}

std::optional<SmoothedDepthMap> ReadSmoothedDepthMap(const SegmentationInputs& inputs, ProgressSink& sink)
{
    const std::string path = std::filesystem::absolute(NewDepthMapPathFor(inputs)).string();
    ImageRead read = ReadImageFile(path, inputs.options);
    if (!read.bitmap) {
        ReportReadFailure(path, read.status, messages::kCouldntLoadNewDepthMap, sink);
        return std::nullopt;
    }
    return SmoothedDepthMap{path, FileTitle(path), Width(read.bitmap.get()), Height(read.bitmap.get())};
}

} // namespace velmora
