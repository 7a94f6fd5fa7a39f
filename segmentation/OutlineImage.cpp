// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/OutlineImage.h"

#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoundHalfAway.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/threads/RowWorkers.h"
#include "segmentation/SegmentationMessages.h"
#include "segmentation/SlidingWindow.h"
#include "segmentation/StepInput.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace velmora {
namespace {

constexpr std::uint8_t kGreen[3] = {0, 255, 0};
constexpr std::uint8_t kBlue[3] = {255, 0, 0};
constexpr std::uint8_t kWhite[3] = {255, 255, 255};

// The double nearest to 1/3: brightness and level tests multiply by it.
constexpr double kThird = 0.3333333333333333;

// A window cell: the pixel's brightness for the Laplacian, its channels for
// the gradient.
struct Cell {
    double brightness;
    int channel[3];
};

Cell ReadCell(const std::uint8_t* pixel)
{
    // The integer sum of the three bytes as a double, times the nearest
    // double to 1/3: a product, not a division by 3.
    return {static_cast<double>(pixel[2] + pixel[1] + pixel[0]) * kThird, {pixel[0], pixel[1], pixel[2]}};
}

// The stored gradient magnitude for every gy^2 + gx^2 (|gy|, |gx| <= 255):
// RoundHalfAway of the square root, at most 255 (the largest, 269, is
// stored as 255). The square root of a whole number never lies on a half,
// so it rounds as the power 0.5 would.
class MagnitudeTable {
public:
    MagnitudeTable() : bytes_(2 * 255 * 255 + 1)
    {
        for (std::size_t sum = 0; sum < bytes_.size(); ++sum)
            bytes_[sum] = static_cast<std::uint8_t>(std::min(RoundHalfAway(std::sqrt(static_cast<double>(sum))), 255));
    }

    std::uint8_t operator()(int gy, int gx) const { return bytes_[gy * gy + gx * gx]; }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace

OutlineImages MakeOutlineImages(FIBITMAP* picture, int level, const RunOptions& options, ProgressSink& sink)
{
    const int width = Width(picture), height = Height(picture);
    OutlineImages made{NewOrReport(width, height, 24, sink), Bitmap()};
    if (made.outline)
        made.gradient = NewOrReport(width, height, 24, sink);
    if (!made.gradient)
        return {};
    static const MagnitudeTable magnitudeOf;
    ForRowBands(height, options.threads, [&](const RowBand& band) {
        // The signs of one scanline; the border stays black.
        std::vector<std::uint8_t> signs(3 * static_cast<std::size_t>(width), 0);
        for (int y = band.begin; y < band.end; ++y) {
            std::uint8_t* gradient = RowAt(made.gradient.get(), y);
            if (IsInteriorRow(y, height)) {
                const std::uint8_t* rows[3] = {RowAt(picture, y - 1), RowAt(picture, y), RowAt(picture, y + 1)};
                using Column = WindowColumn<Cell>;
                SlideAlongRow<Cell>(
                    width,
                    [&](int x) { return Column{ReadCell(rows[0] + 3 * x), ReadCell(rows[1] + 3 * x), ReadCell(rows[2] + 3 * x)}; },
                    [&](int x, const Column& left, const Column& middle, const Column& right) {
                        // Left to right, around the centre from the lower left.
                        const double laplacian = 8.0 * middle.centre.brightness - left.below.brightness -
                                                 middle.below.brightness - right.below.brightness -
                                                 right.centre.brightness - right.above.brightness -
                                                 middle.above.brightness - left.above.brightness -
                                                 left.centre.brightness;
                        std::memcpy(&signs[3 * x], laplacian > 0 ? kGreen : kBlue, 3);
                        for (int c = 0; c < 3; ++c) {
                            const int gy = (left.below.channel[c] + middle.below.channel[c] + right.below.channel[c] -
                                            left.above.channel[c] - middle.above.channel[c] -
                                            right.above.channel[c]) /
                                           3;
                            const int gx = (left.below.channel[c] + left.centre.channel[c] + left.above.channel[c] -
                                            right.below.channel[c] - right.centre.channel[c] -
                                            right.above.channel[c]) /
                                           3;
                            gradient[3 * x + c] = magnitudeOf(gy, gx);
                        }
                    });
            } else {
                std::fill(signs.begin(), signs.end(), 0);
            }
            // The level, over the whole scanline, border included.
            std::uint8_t* out = RowAt(made.outline.get(), y);
            for (int i = 0; i < 3 * width; i += 3) {
                const int sum = gradient[i] + gradient[i + 1] + gradient[i + 2];
                std::memcpy(out + i, sum * kThird < level ? kWhite : &signs[i], 3);
            }
            band.RowDone();
        }
    });
    return made;
}

bool MakeOutlineFiles(const std::string& picturePath, const std::string& outlinePath, const std::string& gradientPath,
                      int level, int saveFormat, int gradientFormat, SegmentationRecord& record,
                      const RunOptions& options, ProgressSink& sink, const PreviewFunction& preview)
{
    bool outlineWritten = false;
    const bool allWritten = GuardAllocation(sink, [&] {
        Bitmap picture = ReadStepInput(picturePath, messages::kCouldntLoadBitmap, record, options, sink);
        if (!picture)
            return false;
        OutlineImages made = MakeOutlineImages(picture.get(), level, options, sink);
        if (!made.outline)
            return false;
        picture.reset();
        record.bitsPerPixel = BitsPerPixel(made.outline.get());
        const bool gradientWritten =
            gradientPath.empty() || WriteOrReport(made.gradient.get(), gradientPath, gradientFormat, options, sink);
        made.gradient.reset();
        outlineWritten = WriteOrReport(made.outline.get(), outlinePath, saveFormat, options, sink);
        return outlineWritten && gradientWritten;
    });
    if (outlineWritten && preview)
        preview(outlinePath);
    return allWritten;
}

} // namespace velmora
