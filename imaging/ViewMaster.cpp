// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/ViewMaster.h"

#include "imaging/AllocationGuard.h"
#include "imaging/ImageFile.h"
#include "imaging/Messages.h"
#include "imaging/RoutineSteps.h"

#include <algorithm>
#include <cstring>

namespace velmora {

bool MakeViewMaster(const std::string& outputPath, const std::string& leftPath, const std::string& rightPath,
                    StereoSettings settings, ProgressSink& sink)
{
    sink.SetStatus("LC Shutter");
    return GuardAllocation(sink, [&] {
        Bitmap left = ReadOrReport(leftPath, messages::kCouldntLoadBitmap, sink);
        if (!left)
            return false;
        if (Width(left.get()) == 0 || Height(left.get()) == 0) {
            sink.ShowMessage(messages::kLeftSizeUnknown);
            return false;
        }
        if (BitsPerPixel(left.get()) == 0) {
            sink.ShowMessage(messages::kColourDepthUnknown);
            return false;
        }
        Bitmap right = ReadOrReport(rightPath, messages::kCouldntLoadBitmap, sink);
        if (!right)
            return false;
        if (Width(right.get()) == 0 || Height(right.get()) == 0) {
            sink.ShowMessage(messages::kRightSizeUnknown);
            return false;
        }
        const int width = std::min(Width(left.get()), Width(right.get()));
        const int height = std::min(Height(left.get()), Height(right.get()));
        Bitmap output = NewOrReport(width, height, BitsPerPixel(left.get()), sink);
        if (!output)
            return false;
        SetResolution(output.get(), settings.pixelsPerMetre);

        const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
        for (int firstRow : {0, 1}) {
            FIBITMAP* source = firstRow == 0 ? right.get() : left.get();
            for (int y = firstRow; y < height; y += 2) {
                sink.PumpOneMessage();
                std::memcpy(RowAt(output.get(), y), RowAt(source, y), rowBytes);
            }
        }
        left.reset();
        right.reset();
        return WriteOrReport(output.get(), outputPath, settings.saveFormat, sink);
    });
}

} // namespace velmora
