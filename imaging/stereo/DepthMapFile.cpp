// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/DepthMapFile.h"

#include "imaging/stereo/DepthBytes.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/threads/RowWorkers.h"

namespace velmora {

namespace {

void InvertRows(ByteRows rows, std::size_t bytesPerRow, int height, int threads)
{
    ForRowBands(height, threads, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            std::uint8_t* row = rows.Row(y);
            for (std::size_t i = 0; i < bytesPerRow; ++i)
                row[i] = static_cast<std::uint8_t>(255 - row[i]);
        }
    });
}

} // namespace

void InvertBytes(FIBITMAP* bitmap, int threads)
{
    InvertRows({FreeImage_GetBits(bitmap), FreeImage_GetPitch(bitmap)}, FreeImage_GetLine(bitmap), Height(bitmap),
               threads);
}

void InvertBytes(const BytePlane& plane, int threads)
{
    InvertRows(plane.Rows(), static_cast<std::size_t>(plane.Width()), plane.Height(), threads);
}

Bitmap ReadDepthOrReport(const DepthMapFile& depth, const char* failureMessage, const RunOptions& options,
                         ProgressSink& sink)
{
    Bitmap bitmap = ReadOrReport(depth.path, failureMessage, options, sink);
    if (bitmap && depth.inverted)
        InvertBytes(bitmap.get(), options.threads);
    return bitmap;
}

BytePlane ReadDepthPlaneOrReport(const DepthMapFile& depth, const char* failureMessage, const RunOptions& options,
                                 ProgressSink& sink)
{
    BytePlane plane = ReadChannelOrReport(depth.path, kBlueByte, failureMessage, options, sink);
    if (plane && depth.inverted)
        InvertBytes(plane, options.threads);
    return plane;
}

} // namespace velmora
