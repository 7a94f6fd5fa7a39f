// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/ReferenceRoutines.h"

#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/RoundHalfAway.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmora::test {
namespace {

void FillPixelFromNeighbours(FIBITMAP* view, std::vector<bool>& filled, int width, int height, int x, int y)
{
    auto isFilled = [&](int cx, int cy) { return filled[static_cast<std::size_t>(cy) * width + cx]; };
    if (isFilled(x, y))
        return;
    int sum[3] = {0, 0, 0};
    int count = 0;
    for (int ny = y - 1; ny <= y + 1; ++ny)
        for (int nx = x - 1; nx <= x + 1; ++nx) {
            if (nx < 0 || ny < 0 || nx >= width || ny >= height || !isFilled(nx, ny))
                continue;
            const std::uint8_t* p = PixelAt(view, nx, ny);
            for (int c = 0; c < 3; ++c)
                sum[c] += p[c];
            ++count;
        }
    if (count == 0)
        return;
    std::uint8_t* out = PixelAt(view, x, y);
    for (int c = 0; c < 3; ++c)
        out[c] = static_cast<std::uint8_t>(RoundHalfAway(static_cast<double>(sum[c]) / count));
    filled[static_cast<std::size_t>(y) * width + x] = true;
}

} // namespace

void ReferenceShiftedView(const std::string& outputPath, const std::string& imagePath, const std::string& depthPath,
                          const StereoSettings& settings, ProgressSink& sink)
{
    Bitmap image = ReadRgbImageFile(imagePath, RunOptions{}).bitmap;
    Bitmap depth = ReadRgbImageFile(depthPath, RunOptions{}).bitmap;
    if (!image || !depth)
        return;
    const int width = std::min(Width(image.get()), Width(depth.get()));
    const int height = std::min(Height(image.get()), Height(depth.get()));
    Bitmap view = NewImage(width, height, 24);
    SetResolution(view.get(), settings.pixelsPerMetre);
    std::vector<bool> filled(static_cast<std::size_t>(width) * height, false);

    const int parallax = settings.geometry.parallax;
    const int direction = parallax >= 0 ? 1 : -1;
    for (long long m = 0; m != static_cast<long long>(parallax) + direction; m += direction) {
        for (int y = 0; y < height; ++y) {
            sink.PumpOneMessage();
            for (int x = 0; x < width; ++x) {
                const int d = PixelAt(depth.get(), x, y)[0];
                const int level = RoundHalfAway(static_cast<double>(parallax) * d / 255.0);
                if (level != m)
                    continue;
                const long long t = x + m - settings.geometry.stereoWindow;
                if (t < 0 || t >= width)
                    continue;
                std::copy_n(PixelAt(image.get(), x, y), 3, PixelAt(view.get(), static_cast<int>(t), y));
                filled[static_cast<std::size_t>(y) * width + t] = true;
            }
        }
    }

    auto sweep = [&](bool leftToRight) {
        for (int i = 0; i < width; ++i) {
            const int x = leftToRight ? i : width - 1 - i;
            for (int y = 0; y < height; ++y)
                FillPixelFromNeighbours(view.get(), filled, width, height, x, y);
        }
    };
    sweep(parallax >= 0);
    sweep(parallax < 0);
    WriteImageFile(view.get(), outputPath, settings.saveFormat, RunOptions{});
}

void ReferenceSmoothDepthMap(const std::string& sourcePath, const std::string& destinationPath, int radius,
                             const StereoSettings& settings, ProgressSink& sink)
{
    Bitmap source = ReadRgbImageFile(sourcePath, RunOptions{}).bitmap;
    if (!source)
        return;
    const int width = Width(source.get());
    const int height = Height(source.get());
    Bitmap output = NewImage(width, height, 24);
    for (int y = 0; y < height; ++y) {
        sink.PumpOneMessage();
        for (int x = 0; x < width; ++x) {
            long long sum[3] = {0, 0, 0};
            long long count = 0;
            // Every window position inside the picture, read one by one.
            const long long top = std::min<long long>(height - 1, static_cast<long long>(y) + radius);
            const long long right = std::min<long long>(width - 1, static_cast<long long>(x) + radius);
            for (long long wy = std::max<long long>(0, static_cast<long long>(y) - radius); wy <= top; ++wy)
                for (long long wx = std::max<long long>(0, static_cast<long long>(x) - radius); wx <= right; ++wx) {
                    const std::uint8_t* p = PixelAt(source.get(), static_cast<int>(wx), static_cast<int>(wy));
                    for (int c = 0; c < 3; ++c)
                        sum[c] += p[c];
                    ++count;
                }
            std::uint8_t* out = PixelAt(output.get(), x, y);
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<std::uint8_t>(RoundHalfAway(static_cast<double>(sum[c]) / count));
        }
    }
    WriteImageFile(output.get(), destinationPath, settings.saveFormat, RunOptions{});
}

} // namespace velmora::test
