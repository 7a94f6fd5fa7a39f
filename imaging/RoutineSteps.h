#pragma once

#include "imaging/ImageFile.h"
#include "imaging/Messages.h"
#include "imaging/ProgressSink.h"

#include <string>

namespace velmora {

// Steps every processing routine takes, each reporting its own failure.

// Reads a picture as 24-bit; shows `failureMessage` when it cannot.
inline Bitmap ReadOrReport(const std::string& path, const char* failureMessage, ProgressSink& sink)
{
    Bitmap bitmap = ReadRgbImageFile(path);
    if (!bitmap)
        sink.ShowMessage(failureMessage);
    return bitmap;
}

// Makes the result bitmap; says so when there is not enough memory for it.
inline Bitmap NewOrReport(int width, int height, int bitsPerPixel, ProgressSink& sink)
{
    Bitmap bitmap = NewImage(width, height, bitsPerPixel);
    if (!bitmap)
        sink.ShowMessage(messages::kNotEnoughMemory);
    return bitmap;
}

// The final write of a composition: a failure is reported with the path.
inline bool WriteOutputFile(FIBITMAP* output, const std::string& outputPath, int saveFormat, ProgressSink& sink)
{
    if (WriteImageFile(output, outputPath, saveFormat))
        return true;
    sink.ShowMessage(messages::kCouldntSavePrefix + outputPath);
    return false;
}

} // namespace velmora
