// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/ProgressSink.h"
#include "segmentation/SegmentationRecord.h"

#include <string>

namespace velmora {

// The three steps of an outline image. Each reads its inputs from files and
// writes its result in `saveFormat`; a failed read or write shows its
// message through the sink. Each returns whether it succeeded, its write
// included. The bits per pixel of the input
// read are recorded in record.bitsPerPixel.

// Green (0, 255, 0) where the brightness Laplacian of the picture is above 0,
// blue (255, 0, 0) where it is 0 or less. The first and last column and
// scanline stay black; pictures with fewer than 3 of either are all black.
bool MakeLaplacianSignImage(const std::string& sourcePath, const std::string& destinationPath, int saveFormat,
                            SegmentationRecord& record, ProgressSink& sink);

// In each byte, the rounded magnitude of that channel's gradient over the
// 3 x 3 window (at most 255; the largest possible, 269, is stored as 255).
// The border stays black as above.
bool MakeGradientImage(const std::string& sourcePath, const std::string& destinationPath, int saveFormat,
                       SegmentationRecord& record, ProgressSink& sink);

// White wherever the mean of the gradient's three bytes is below `level`,
// elsewhere the Laplacian-sign pixel; over the common bottom-left area. When
// the result is written and `preview` is set, it is shown.
bool ApplyOutlineLevel(const std::string& outlinePath, const std::string& gradientPath,
                       const std::string& destinationPath, int level, int saveFormat, SegmentationRecord& record,
                       ProgressSink& sink, const PreviewFunction& preview = {});

} // namespace velmora
