// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/Anaglyph.h"

#include "imaging/AllocationGuard.h"
#include "imaging/ImageFile.h"
#include "imaging/Messages.h"
#include "imaging/RoutineSteps.h"
#include "imaging/RowWorkers.h"

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

Bitmap ComposeAnaglyph(FIBITMAP* view, FIBITMAP* image, const StereoSettings& settings, ProgressSink& sink)
{
    const int width = std::min(Width(view), Width(image));
    const int height = std::min(Height(view), Height(image));
    Bitmap output = NewOrReport(width, height, BitsPerPixel(view), sink);
    if (!output)
        return output;
    SetResolution(output.get(), settings.pixelsPerMetre);
    const auto composeRow = settings.anaglyphMode != kAnaglyphColour ? ComposeGreyRow : ComposeColourRow;
    ForRowBands(height, sink, false, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            composeRow(RowAt(view, y), RowAt(image, y), RowAt(output.get(), y), width);
            band.RowDone();
        }
    });
    return output;
}

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
        Bitmap output = ComposeAnaglyph(view.get(), image.get(), settings, sink);
        if (!output)
            return false;
        view.reset();
        image.reset();
        return WriteOrReport(output.get(), outputPath, settings.saveFormat, sink);
    });
}

} // namespace velmora
