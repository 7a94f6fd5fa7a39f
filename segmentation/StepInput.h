// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/threads/ProgressSink.h"
#include "segmentation/SegmentationRecord.h"

#include <string>

namespace velmora {

// Reads an input of a segmentation step: records its stored bits per pixel,
// then converts it to 24 bits so that the step always finds three bytes per
// pixel. Reports the failure, `failureMessage` first, when it cannot.
inline Bitmap ReadStepInput(const std::string& path, const char* failureMessage, SegmentationRecord& record,
                            const RunOptions& options, ProgressSink& sink)
{
    ImageRead stored = ReadImageFile(path, options);
    if (!stored.bitmap) {
        ReportReadFailure(path, stored.status, failureMessage, sink);
        return {};
    }
    record.bitsPerPixel = BitsPerPixel(stored.bitmap.get());
    Bitmap rgb = ConvertToRgb(std::move(stored.bitmap));
    if (!rgb)
        ReportReadFailure(path, Failure(FileProblem::kUnreadable, "its pixels cannot be converted to 24 bits"),
                          failureMessage, sink);
    return rgb;
}

} // namespace velmora
