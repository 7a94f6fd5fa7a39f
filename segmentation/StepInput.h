#pragma once

#include "imaging/ImageFile.h"
#include "imaging/ProgressSink.h"
#include "segmentation/SegmentationRecord.h"

#include <string>

namespace velmora {

// Reads an input of a segmentation step: records its stored bits per pixel,
// then converts it to 24 bits so that the step always finds three bytes per
// pixel. Shows `failureMessage` when the file cannot be read.
inline Bitmap ReadStepInput(const std::string& path, const char* failureMessage, SegmentationRecord& record,
                            ProgressSink& sink)
{
    Bitmap stored = ReadImageFile(path);
    if (!stored) {
        sink.ShowMessage(failureMessage);
        return {};
    }
    record.bitsPerPixel = BitsPerPixel(stored.get());
    Bitmap rgb = ConvertToRgb(std::move(stored));
    if (!rgb)
        sink.ShowMessage(failureMessage);
    return rgb;
}

} // namespace velmora
