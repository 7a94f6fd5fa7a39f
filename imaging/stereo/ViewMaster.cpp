// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/ViewMaster.h"

#include "imaging/picture/Bitmap.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/threads/RowWorkers.h"

#include <algorithm>
#include <cstring>

namespace velmora {

bool CheckLeftPicture(FIBITMAP* left, ProgressSink& sink)
{
    if (Width(left) == 0 || Height(left) == 0) {
        sink.ShowMessage(messages::kLeftSizeUnknown);
        return false;
    }
    if (BitsPerPixel(left) == 0) {
        sink.ShowMessage(messages::kColourDepthUnknown);
        return false;
    }
    return true;
}

bool CheckRightPicture(FIBITMAP* right, ProgressSink& sink)
{
    if (Width(right) == 0 || Height(right) == 0) {
        sink.ShowMessage(messages::kRightSizeUnknown);
        return false;
    }
    return true;
}

Bitmap ComposeViewMaster(FIBITMAP* left, FIBITMAP* right, const StereoSettings& settings, const RunOptions& options,
                         ProgressSink& sink)
{
    Bitmap output = NewCommonAreaOrReport(left, right, settings.pixelsPerMetre, sink);
    if (!output)
        return output;
    const int width = Width(output.get()), height = Height(output.get());

    // Even rows from the right picture, odd rows from the left, each a pump;
    // in one pass over the output, which is memory the system hands out as
    // it is first written.
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    ForRowBands(height, options.threads, sink, false, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            std::memcpy(RowAt(output.get(), y), RowAt(y % 2 == 0 ? right : left, y), rowBytes);
            band.RowDone();
        }
    });
    return output;
}

Bitmap ComposeViewMasterOver(Bitmap kept, FIBITMAP* other, bool keptIsRight, const StereoSettings& settings,
                             const RunOptions& options, ProgressSink& sink)
{
    if (Width(kept.get()) > Width(other) || Height(kept.get()) > Height(other))
        return keptIsRight ? ComposeViewMaster(other, kept.get(), settings, options, sink)
                           : ComposeViewMaster(kept.get(), other, settings, options, sink);
    SetResolution(kept.get(), settings.pixelsPerMetre);
    const int width = Width(kept.get()), height = Height(kept.get());
    const int keptParity = keptIsRight ? 0 : 1;
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    ForRowBands(height, options.threads, sink, false, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            if (y % 2 != keptParity)
                std::memcpy(RowAt(kept.get(), y), RowAt(other, y), rowBytes);
            band.RowDone();
        }
    });
    return kept;
}

bool MakeViewMaster(const std::string& outputPath, const std::string& leftPath, const std::string& rightPath,
                    StereoSettings settings, const RunOptions& options, ProgressSink& sink)
{
    sink.SetStatus(messages::kStatusLcShutter);
    return GuardAllocation(sink, [&] {
        Bitmap left = ReadOrReport(leftPath, messages::kCouldntLoadBitmap, options, sink);
        if (!left || !CheckLeftPicture(left.get(), sink))
            return false;
        Bitmap right = ReadOrReport(rightPath, messages::kCouldntLoadBitmap, options, sink);
        if (!right || !CheckRightPicture(right.get(), sink))
            return false;
        Bitmap output = ComposeViewMaster(left.get(), right.get(), settings, options, sink);
        if (!output)
            return false;
        left.reset();
        right.reset();
        return WriteOrReport(output.get(), outputPath, settings.saveFormat, options, sink);
    });
}

Bitmap ComposeEyesViewMaster(FIBITMAP* leftEye, FIBITMAP* rightEye, const StereoSettings& settings,
                             const RunOptions& options, ProgressSink& sink)
{
    if (!CheckLeftPicture(rightEye, sink) || !CheckRightPicture(leftEye, sink))
        return {};
    return ComposeViewMaster(rightEye, leftEye, settings, options, sink);
}

} // namespace velmora
