// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/OutlineImage.h"

#include "imaging/AllocationGuard.h"
#include "imaging/Messages.h"
#include "imaging/RoundHalfAway.h"
#include "imaging/RoutineSteps.h"
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

double Brightness(const std::uint8_t* pixel)
{
    return static_cast<double>(pixel[2] + pixel[1] + pixel[0]) * kThird;
}

// Slides a window over the interior of a picture; readCell(pixel) makes a cell.
template <typename Cell, typename ReadCell, typename Visit>
void SlideOverPicture(FIBITMAP* source, ReadCell readCell, Visit visit)
{
    const std::uint8_t* rows[3] = {};
    SlideWindow<Cell>(
        Width(source), Height(source),
        [&](int y) {
            for (int r = 0; r < 3; ++r)
                rows[r] = RowAt(source, y - 1 + r);
        },
        [&](int x) {
            return WindowColumn<Cell>{readCell(rows[0] + 3 * x), readCell(rows[1] + 3 * x), readCell(rows[2] + 3 * x)};
        },
        visit);
}

struct Channels {
    int value[3];
};

Channels ReadChannels(const std::uint8_t* pixel)
{
    return {{pixel[0], pixel[1], pixel[2]}};
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

bool MakeLaplacianSignImage(const std::string& sourcePath, const std::string& destinationPath, int saveFormat,
                            SegmentationRecord& record, ProgressSink& sink)
{
    return GuardAllocation(sink, [&] {
        Bitmap source = ReadStepInput(sourcePath, messages::kCouldntLoadBitmap, record, sink);
        if (!source)
            return false;
        Bitmap signs = NewOrReport(Width(source.get()), Height(source.get()), 24, sink);
        if (!signs)
            return false;
        RowCursor out(signs.get());
        using Column = WindowColumn<double>;
        SlideOverPicture<double>(source.get(), [](const std::uint8_t* pixel) { return Brightness(pixel); },
                            [&](int x, int y, const Column& left, const Column& middle, const Column& right) {
                                // Left to right, around the centre from the lower left.
                                const double laplacian = 8.0 * middle.centre - left.below - middle.below -
                                                         right.below - right.centre - right.above - middle.above -
                                                         left.above - left.centre;
                                std::memcpy(out.PixelAt(x, y), laplacian > 0 ? kGreen : kBlue, 3);
                            });
        source.reset();
        return WriteOrReport(signs.get(), destinationPath, saveFormat, sink);
    });
}

bool MakeGradientImage(const std::string& sourcePath, const std::string& destinationPath, int saveFormat,
                       SegmentationRecord& record, ProgressSink& sink)
{
    return GuardAllocation(sink, [&] {
        Bitmap source = ReadStepInput(sourcePath, messages::kCouldntLoadBitmap, record, sink);
        if (!source)
            return false;
        Bitmap gradient = NewOrReport(Width(source.get()), Height(source.get()), 24, sink);
        if (!gradient)
            return false;
        RowCursor magnitudes(gradient.get());
        using Column = WindowColumn<Channels>;
        static const MagnitudeTable magnitudeOf;
        SlideOverPicture<Channels>(
            source.get(), [](const std::uint8_t* pixel) { return ReadChannels(pixel); },
            [&](int x, int y, const Column& left, const Column& middle, const Column& right) {
                std::uint8_t* out = magnitudes.PixelAt(x, y);
                for (int c = 0; c < 3; ++c) {
                    const int gy = (left.below.value[c] + middle.below.value[c] + right.below.value[c] -
                                    left.above.value[c] - middle.above.value[c] - right.above.value[c]) /
                                   3;
                    const int gx = (left.below.value[c] + left.centre.value[c] + left.above.value[c] -
                                    right.below.value[c] - right.centre.value[c] - right.above.value[c]) /
                                   3;
                    out[c] = magnitudeOf(gy, gx);
                }
            });
        source.reset();
        return WriteOrReport(gradient.get(), destinationPath, saveFormat, sink);
    });
}

bool ApplyOutlineLevel(const std::string& outlinePath, const std::string& gradientPath,
                       const std::string& destinationPath, int level, int saveFormat, SegmentationRecord& record,
                       ProgressSink& sink, const PreviewFunction& preview)
{
    const bool written = GuardAllocation(sink, [&] {
        Bitmap outline = ReadStepInput(outlinePath, messages::kCouldntLoadLaplacianOutline, record, sink);
        if (!outline)
            return false;
        SegmentationRecord gradientFacts; // only the outline's depth is recorded
        Bitmap gradient = ReadStepInput(gradientPath, messages::kCouldntLoadGradient, gradientFacts, sink);
        if (!gradient)
            return false;
        const int width = std::min(Width(outline.get()), Width(gradient.get()));
        const int height = std::min(Height(outline.get()), Height(gradient.get()));
        Bitmap levelled = NewOrReport(width, height, 24, sink);
        if (!levelled)
            return false;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* signs = RowAt(outline.get(), y);
            const std::uint8_t* strength = RowAt(gradient.get(), y);
            std::uint8_t* out = RowAt(levelled.get(), y);
            for (int i = 0; i < 3 * width; i += 3) {
                const int sum = strength[i] + strength[i + 1] + strength[i + 2];
                std::memcpy(out + i, sum * kThird < level ? kWhite : signs + i, 3);
            }
        }
        outline.reset();
        gradient.reset();
        return WriteOrReport(levelled.get(), destinationPath, saveFormat, sink);
    });
    if (written && preview)
        preview(destinationPath);
    return written;
}

} // namespace velmora
