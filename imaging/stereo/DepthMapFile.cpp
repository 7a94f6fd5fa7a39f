// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/DepthMapFile.h"

#include "imaging/stereo/RoutineSteps.h"
#include "imaging/threads/RowWorkers.h"

namespace velmora {

void InvertBytes(FIBITMAP* bitmap, int threads)
{
    const auto bytesPerRow = static_cast<std::ptrdiff_t>(FreeImage_GetLine(bitmap));
    ForRowBands(Height(bitmap), threads, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            std::uint8_t* row = RowAt(bitmap, y);
            for (std::ptrdiff_t i = 0; i < bytesPerRow; ++i)
                row[i] = static_cast<std::uint8_t>(255 - row[i]);
        }
    });
}

Bitmap ReadDepthOrReport(const DepthMapFile& depth, const char* failureMessage, const RunOptions& options,
                         ProgressSink& sink)
{
    Bitmap bitmap = ReadOrReport(depth.path, failureMessage, options, sink);
    if (bitmap && depth.inverted)
        InvertBytes(bitmap.get(), options.threads);
    return bitmap;
}

} // namespace velmora
