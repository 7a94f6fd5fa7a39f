// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/Anaglyph.h"

#include "imaging/AllocationGuard.h"
#include "imaging/ImageFile.h"
#include "imaging/Messages.h"
#include "imaging/RoutineSteps.h"

#include <algorithm>
#include <cstdint>

namespace velmora {
namespace {

void ComposeGreyRow(const std::uint8_t* view, const std::uint8_t* image, std::uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x, view += 3, image += 3, out += 3) {
        const auto cyan = static_cast<std::uint8_t>((image[0] + image[1] + image[2]) / 3);
        out[0] = cyan;
        out[1] = cyan;
        out[2] = static_cast<std::uint8_t>((view[0] + view[1] + view[2]) / 3);
    }
}

void ComposeColourRow(const std::uint8_t* view, const std::uint8_t* image, std::uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x, view += 3, image += 3, out += 3) {
        out[0] = image[0];
        out[1] = image[1];
        out[2] = view[2];
    }
}

} // namespace

bool MakeAnaglyph(const std::string& outputPath, const std::string& viewPath, const std::string& imagePath,
                  StereoSettings settings, ProgressSink& sink)
{
    sink.SetStatus("Anaglyph image");
    return GuardAllocation(sink, [&] {
        Bitmap view = ReadOrReport(viewPath, messages::kCouldntLoadBitmap, sink);
        if (!view)
            return false;
        Bitmap image = ReadOrReport(imagePath, messages::kCouldntLoadBitmap, sink);
        if (!image)
            return false;
        const int width = std::min(Width(view.get()), Width(image.get()));
        const int height = std::min(Height(view.get()), Height(image.get()));
        Bitmap output = NewOrReport(width, height, BitsPerPixel(view.get()), sink);
        if (!output)
            return false;
        SetResolution(output.get(), settings.pixelsPerMetre);

        const auto composeRow = settings.anaglyphMode != kAnaglyphColour ? ComposeGreyRow : ComposeColourRow;
        for (int y = 0; y < height; ++y) {
            sink.PumpOneMessage();
            composeRow(RowAt(view.get(), y), RowAt(image.get(), y), RowAt(output.get(), y), width);
        }
        view.reset();
        image.reset();
        return WriteOrReport(output.get(), outputPath, settings.saveFormat, sink);
    });
}

} // namespace velmora
