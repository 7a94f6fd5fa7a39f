// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/Anaglyph.h"

#include "imaging/picture/Bitmap.h"
#include "imaging/picture/VectorClones.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoundHalfAway.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/threads/RowWorkers.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace velmora {
namespace {

std::uint8_t GreyOf(const std::uint8_t* pixel)
{
    return static_cast<std::uint8_t>((pixel[0] + pixel[1] + pixel[2]) / 3);
}

// The luma, 0.299 R + 0.587 G + 0.114 B rounded half up, in whole numbers so
// that exact halves are exact.
std::uint8_t LumaOf(const std::uint8_t* pixel)
{
    return static_cast<std::uint8_t>((299 * pixel[2] + 587 * pixel[1] + 114 * pixel[0] + 500) / 1000);
}

VELMORA_VECTOR_CLONES void ComposeGreyRow(const std::uint8_t* view, const std::uint8_t* image, std::uint8_t* out,
                                          int width)
{
    for (int x = 0; x < width; ++x, view += 3, image += 3, out += 3) {
        const std::uint8_t cyan = GreyOf(image), red = GreyOf(view);
        out[0] = cyan;
        out[1] = cyan;
        out[2] = red;
    }
}

VELMORA_VECTOR_CLONES void ComposeColourRow(const std::uint8_t* view, const std::uint8_t* image, std::uint8_t* out,
                                            int width)
{
    for (int x = 0; x < width; ++x, view += 3, image += 3, out += 3) {
        const std::uint8_t red = view[2];
        out[0] = image[0];
        out[1] = image[1];
        out[2] = red;
    }
}

// Red: the view's luma.
VELMORA_VECTOR_CLONES void ComposeHalfColourRow(const std::uint8_t* view, const std::uint8_t* image, std::uint8_t* out,
                                                int width)
{
    for (int x = 0; x < width; ++x, view += 3, image += 3, out += 3) {
        const std::uint8_t red = LumaOf(view);
        out[0] = image[0];
        out[1] = image[1];
        out[2] = red;
    }
}

// The same split in two: every pixel's red as a view would take it, and the
// rows composed from the picture and a view's reds.
VELMORA_VECTOR_CLONES void GreyReds(const std::uint8_t* pixels, std::uint8_t* reds, int width)
{
    for (int x = 0; x < width; ++x, pixels += 3)
        reds[x] = GreyOf(pixels);
}

VELMORA_VECTOR_CLONES void ColourReds(const std::uint8_t* pixels, std::uint8_t* reds, int width)
{
    for (int x = 0; x < width; ++x, pixels += 3)
        reds[x] = pixels[2];
}

VELMORA_VECTOR_CLONES void LumaReds(const std::uint8_t* pixels, std::uint8_t* reds, int width)
{
    for (int x = 0; x < width; ++x, pixels += 3)
        reds[x] = LumaOf(pixels);
}

// The picture's own reds are its greys: its cyan.
VELMORA_VECTOR_CLONES void ComposeGreyWithReds(const std::uint8_t*, const std::uint8_t* imageReds,
                                               const std::uint8_t* viewReds, std::uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x, out += 3) {
        out[0] = imageReds[x];
        out[1] = imageReds[x];
        out[2] = viewReds[x];
    }
}

VELMORA_VECTOR_CLONES void ComposeColourWithReds(const std::uint8_t* image, const std::uint8_t*,
                                                 const std::uint8_t* viewReds, std::uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x, image += 3, out += 3) {
        out[0] = image[0];
        out[1] = image[1];
        out[2] = viewReds[x];
    }
}

// The least-squares red-cyan matrices of E. Dubois (2001); rows give the
// output's R, G, B, columns take the input's R, G, B.
constexpr double kDuboisLeft[3][3] = {{0.456, 0.500, 0.176}, {-0.040, -0.038, -0.016}, {-0.015, -0.021, -0.005}};
constexpr double kDuboisRight[3][3] = {{-0.043, -0.088, -0.002}, {0.378, 0.734, -0.018}, {-0.072, -0.113, 1.226}};

void ComposeDuboisRow(const std::uint8_t* view, const std::uint8_t* image, std::uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x, view += 3, image += 3, out += 3) {
        // Bytes are stored blue, green, red; the sums run R, G, B of the
        // left eye (the view), then of the right eye (the picture).
        const double left[3] = {double(view[2]), double(view[1]), double(view[0])};
        const double right[3] = {double(image[2]), double(image[1]), double(image[0])};
        for (int channel = 0; channel < 3; ++channel) {
            double sum = 0.0;
            for (int c = 0; c < 3; ++c)
                sum += kDuboisLeft[channel][c] * left[c];
            for (int c = 0; c < 3; ++c)
                sum += kDuboisRight[channel][c] * right[c];
            out[2 - channel] = static_cast<std::uint8_t>(std::clamp(RoundHalfAway(sum), 0, 255));
        }
    }
}

// Composes every row of `output`, which may be the view itself.
void ComposeRows(FIBITMAP* view, FIBITMAP* image, FIBITMAP* output, const StereoSettings& settings,
                 const RunOptions& options, ProgressSink& sink)
{
    const int width = Width(output), height = Height(output);
    const AnaglyphRowComposer composeRow = AnaglyphRowComposerFor(settings.anaglyphMode);
    ForRowBands(height, options.threads, sink, false, [&](const RowBand& band) {
        for (int y = band.begin; y < band.end; ++y) {
            composeRow(RowAt(view, y), RowAt(image, y), RowAt(output, y), width);
            band.RowDone();
        }
    });
}

} // namespace

std::optional<SplitAnaglyph> SplitAnaglyphFor(int anaglyphMode)
{
    switch (anaglyphMode) {
    case kAnaglyphColour:
        return SplitAnaglyph{ColourReds, ComposeColourWithReds};
    case kAnaglyphHalfColour:
        return SplitAnaglyph{LumaReds, ComposeColourWithReds};
    case kAnaglyphDubois:
        return std::nullopt;
    default:
        return SplitAnaglyph{GreyReds, ComposeGreyWithReds};
    }
}

AnaglyphRowComposer AnaglyphRowComposerFor(int anaglyphMode)
{
    switch (anaglyphMode) {
    case kAnaglyphColour:
        return ComposeColourRow;
    case kAnaglyphHalfColour:
        return ComposeHalfColourRow;
    case kAnaglyphDubois:
        return ComposeDuboisRow;
    default:
        return ComposeGreyRow;
    }
}

Bitmap ComposeAnaglyph(FIBITMAP* view, FIBITMAP* image, const StereoSettings& settings, const RunOptions& options,
                       ProgressSink& sink)
{
    Bitmap output = NewCommonAreaOrReport(view, image, settings.pixelsPerMetre, sink);
    if (output)
        ComposeRows(view, image, output.get(), settings, options, sink);
    return output;
}

Bitmap ComposeAnaglyphOverView(Bitmap view, FIBITMAP* image, const StereoSettings& settings, const RunOptions& options,
                               ProgressSink& sink)
{
    if (Width(view.get()) > Width(image) || Height(view.get()) > Height(image))
        return ComposeAnaglyph(view.get(), image, settings, options, sink);
    SetResolution(view.get(), settings.pixelsPerMetre);
    ComposeRows(view.get(), image, view.get(), settings, options, sink);
    return view;
}

bool MakeAnaglyph(const std::string& outputPath, const std::string& viewPath, const std::string& imagePath,
                  StereoSettings settings, const RunOptions& options, ProgressSink& sink)
{
    sink.SetStatus(messages::kStatusAnaglyph);
    return GuardAllocation(sink, [&] {
        Bitmap view = ReadOrReport(viewPath, messages::kCouldntLoadBitmap, options, sink);
        if (!view)
            return false;
        Bitmap image = ReadOrReport(imagePath, messages::kCouldntLoadBitmap, options, sink);
        if (!image)
            return false;
        Bitmap output = ComposeAnaglyph(view.get(), image.get(), settings, options, sink);
        if (!output)
            return false;
        view.reset();
        image.reset();
        return WriteOrReport(output.get(), outputPath, settings.saveFormat, options, sink);
    });
}

} // namespace velmora
