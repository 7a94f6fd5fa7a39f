#pragma once

#include "imaging/ImageFile.h"
#include "imaging/Messages.h"
#include "imaging/ProgressSink.h"

#include <string>

namespace velmora {

// Steps every processing routine takes, each reporting its own failure.

// Tells why a file could not be read: the step's own message, or the one for
// a picture too large for memory, then the file and the reason.
inline void ReportReadFailure(const std::string& path, const FileStatus& status, const char* failureMessage,
                              ProgressSink& sink)
{
    sink.ShowMessage(status.problem == FileProblem::kTooLarge ? messages::kNotEnoughMemory : failureMessage);
    sink.ExplainFailure(path, status.reason);
}

// Reads a picture as 24-bit; reports the failure when it cannot.
inline Bitmap ReadOrReport(const std::string& path, const char* failureMessage, ProgressSink& sink)
{
    ImageRead read = ReadRgbImageFile(path);
    if (!read.bitmap)
        ReportReadFailure(path, read.status, failureMessage, sink);
    return std::move(read.bitmap);
}

// A step whose input was to be made earlier in the same run, by a step that
// failed: whatever the file holds is not of this run, so it is not read, and
// the step reports its input missing with its own message.
inline bool ReportMissingInput(const char* failureMessage, ProgressSink& sink)
{
    sink.ShowMessage(failureMessage);
    return false;
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
    const FileStatus written = WriteImageFile(output, outputPath, saveFormat);
    if (written)
        return true;
    sink.ShowMessage(messages::kCouldntSavePrefix + outputPath);
    sink.ExplainFailure(outputPath, written.reason);
    return false;
}

// The write of an intermediate file, which the window does not report.
inline bool WriteIntermediateFile(FIBITMAP* bitmap, const std::string& path, int saveFormat, ProgressSink& sink)
{
    const FileStatus written = WriteImageFile(bitmap, path, saveFormat);
    if (!written)
        sink.PassOverWriteFailure(path, written.reason);
    return bool(written);
}

} // namespace velmora
