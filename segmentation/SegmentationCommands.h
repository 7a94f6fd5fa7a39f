#pragma once

#include "imaging/ProgressSink.h"
#include "segmentation/SegmentationRecord.h"

#include <optional>
#include <string>

namespace velmora {

// What the segmentation commands take from the main window when they start.
struct SegmentationInputs {
    std::string imagePath;
    std::string imageTitle;
    std::string depthPath;
    std::string depthTitle;
    int saveFormat = 0;
    bool previewImages = false;
};

// depthTitle + "New." + extension: the result of the segment smoothing, in the
// current folder. Not a temporary file.
std::string NewDepthMapName(const std::string& depthTitle, int saveFormat);

// "Create outline image": the Laplacian-sign image into imageTitle-outline.ext,
// the gradient into imageTitle-gradient.ext (both in the current folder), then
// the outline level applied over the first; each step runs whether or not the
// one before succeeded. The outline is previewed when previewImages is set.
// Records the level and the outline file name.
void CreateOutlineImage(int level, const SegmentationInputs& inputs, SegmentationRecord& record, ProgressSink& sink,
                        const PreviewFunction& preview);

// "Smooth depth map": `degree` passes (at least one) of SmoothBySegments with
// the current picture's outline file, from the depth map into
// depthTitle + "New." + extension; then its preview when previewImages is set,
// whether or not the passes succeeded. Records the degree, the outline file
// name and whether a pass failed.
void SmoothDepthMapBySegments(int degree, const SegmentationInputs& inputs, SegmentationRecord& record,
                              ProgressSink& sink, const PreviewFunction& preview);

// What "Open depth map" adopts: the new depth map, named without a folder.
struct SmoothedDepthMap {
    std::string path;  // depthTitle + "New." + extension
    std::string title; // depthTitle + "New"
    int width = 0;
    int height = 0;
};

// Reads the new depth map of this depth title and format; none, after
// "Couldn't load new depth map bitmap!", when it cannot be read.
std::optional<SmoothedDepthMap> ReadSmoothedDepthMap(const std::string& depthTitle, int saveFormat,
                                                     ProgressSink& sink);

} // namespace velmora
