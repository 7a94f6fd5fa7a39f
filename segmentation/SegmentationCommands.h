// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/threads/ProgressSink.h"
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
    RunOptions options;
};

// depthTitle + "New." + extension: the result of the segment smoothing, in the
// current folder. Not a temporary file.
std::string NewDepthMapName(const std::string& depthTitle, int saveFormat);

// The files the tool writes for these inputs, in the current folder:
// imageTitle-outline.ext, imageTitle-gradient.ext and depthTitle + "New.ext",
// except that none of them is ever the picture or the depth map itself: such
// a name takes the first free number before its extension
// ("photo-outline2.png"), and every command finds the file by that name.
std::string OutlinePathFor(const SegmentationInputs& inputs);
std::string GradientPathFor(const SegmentationInputs& inputs);
std::string NewDepthMapPathFor(const SegmentationInputs& inputs);

// "Create outline image": the outline and gradient images of the picture,
// made from one read of it (MakeOutlineFiles), into the outline and gradient
// files. The outline is previewed when previewImages is set. Records the
// level and the outline file name.
void CreateOutlineImage(int level, const SegmentationInputs& inputs, SegmentationRecord& record, ProgressSink& sink,
                        const PreviewFunction& preview);

// "Smooth depth map": `degree` passes (at least one) of the smoothing by
// segments with the current picture's outline file, from the depth map into
// the new depth map file; then, when previewImages is set and it succeeded,
// its preview. Records the degree, the outline file name and whether an
// input could not be read.
void SmoothDepthMapBySegments(int degree, const SegmentationInputs& inputs, SegmentationRecord& record,
                              ProgressSink& sink, const PreviewFunction& preview);

// What "Open depth map" adopts: the new depth map.
struct SmoothedDepthMap {
    std::string path;  // absolute, so that it is found from any later folder
    std::string title; // its file name without the extension: depthTitle + "New"
    int width = 0;
    int height = 0;
};

// Reads the new depth map of these inputs; none, after "Couldn't load new
// depth map bitmap!", when it cannot be read.
std::optional<SmoothedDepthMap> ReadSmoothedDepthMap(const SegmentationInputs& inputs, ProgressSink& sink);

} // namespace velmora
