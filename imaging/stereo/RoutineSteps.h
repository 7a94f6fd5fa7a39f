// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/Messages.h"
#include "imaging/threads/ProgressSink.h"

#include <algorithm>
#include <optional>
#include <string>

namespace velmora {

// Steps every processing routine takes, each reporting its own failure.

// The message for a file that could not be read: the reader's own, or the
// one for a picture too large for memory.
inline std::string ReadFailureMessage(const FileStatus& status, const std::string& failureMessage)
{
    return status.problem == FileProblem::kTooLarge ? messages::kNotEnoughMemory : failureMessage;
}

// Tells why a file could not be read: the message, then the file and why.
inline void ReportReadFailure(const std::string& path, const FileStatus& status, const char* failureMessage,
                              ProgressSink& sink)
{
    sink.ShowMessage(ReadFailureMessage(status, failureMessage));
    sink.ExplainFailure(path, status.reason);
}

// Reading a file whose header passes is a counted step of two units, so
// that a bar moves from the first moment of a run rather than only after a
// large picture is decoded: the header checked (at once), the pixels
// decoded. `read` reads the file and gives none, or why it could not; the
// failure is reported.
template <typename Read>
bool CountedReadOrReport(const std::string& path, const char* failureMessage, const RunOptions& options,
                         ProgressSink& sink, Read read)
{
    const bool counted = bool(ReadPictureSize(path, options).status);
    if (counted) {
        sink.BeginProgress(2);
        sink.StepProgress();
    }
    const std::optional<FileStatus> failure = read();
    if (counted) {
        if (!failure)
            sink.StepProgress();
        sink.ResetProgress();
    }
    if (failure)
        ReportReadFailure(path, *failure, failureMessage, sink);
    return !failure;
}

// Reads a picture as 24-bit; reports the failure when it cannot.
inline Bitmap ReadOrReport(const std::string& path, const char* failureMessage, const RunOptions& options,
                           ProgressSink& sink)
{
    Bitmap bitmap;
    CountedReadOrReport(path, failureMessage, options, sink, [&]() -> std::optional<FileStatus> {
        ImageRead read = ReadRgbImageFile(path, options);
        bitmap = std::move(read.bitmap);
        return bitmap ? std::nullopt : std::optional<FileStatus>(std::move(read.status));
    });
    return bitmap;
}

// One byte of every pixel of the picture ReadOrReport reads, as a plane
// (ReadImageChannel); reports the failure alike.
inline BytePlane ReadChannelOrReport(const std::string& path, int channel, const char* failureMessage,
                                     const RunOptions& options, ProgressSink& sink)
{
    BytePlane plane;
    CountedReadOrReport(path, failureMessage, options, sink, [&]() -> std::optional<FileStatus> {
        PlaneRead read = ReadImageChannel(path, channel, options);
        plane = std::move(read.plane);
        return plane ? std::nullopt : std::optional<FileStatus>(std::move(read.status));
    });
    return plane;
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

// The result of a step that combines two pictures over their common
// bottom-left area: a new bitmap of that size and of `first`'s depth, with
// the given resolution; none, after the message, when there is no memory.
inline Bitmap NewCommonAreaOrReport(FIBITMAP* first, FIBITMAP* second, double pixelsPerMetre, ProgressSink& sink)
{
    Bitmap bitmap = NewOrReport(std::min(Width(first), Width(second)), std::min(Height(first), Height(second)),
                                BitsPerPixel(first), sink);
    if (bitmap)
        SetResolution(bitmap.get(), pixelsPerMetre);
    return bitmap;
}

// Says that a file could not be written: "Couldn't save PATH", then why.
inline void ReportWriteFailure(const std::string& path, const FileStatus& status, ProgressSink& sink)
{
    sink.ShowMessage(messages::kCouldntSavePrefix + path);
    sink.ExplainFailure(path, status.reason);
}

// Writes a routine's result; a failure is reported, for intermediate files
// too, since the file then holds nothing of this run.
inline bool WriteOrReport(FIBITMAP* bitmap, const std::string& path, int saveFormat, const RunOptions& options,
                          ProgressSink& sink)
{
    const FileStatus written = WriteImageFile(bitmap, path, saveFormat, options);
    if (!written)
        ReportWriteFailure(path, written, sink);
    return bool(written);
}

} // namespace velmora
