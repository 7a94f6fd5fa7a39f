// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/ReferenceSegmentation.h"

#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/RoundHalfAway.h"
#include "imaging/stereo/StereoSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace velmora::test {
namespace {

double N(FIBITMAP* picture, int x, int y)
{
    const std::uint8_t* p = PixelAt(picture, x, y);
    return static_cast<double>(p[2] + p[1] + p[0]) * 0.3333333333333333;
}

void SetPixel(FIBITMAP* bitmap, int x, int y, std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    std::uint8_t* p = PixelAt(bitmap, x, y);
    p[0] = blue;
    p[1] = green;
    p[2] = red;
}

} // namespace

void ReferenceLaplacianSign(const std::string& sourcePath, const std::string& destinationPath)
{
    Bitmap source = ReadRgbImageFile(sourcePath, RunOptions{}).bitmap;
    const int width = Width(source.get()), height = Height(source.get());
    Bitmap out = NewImage(width, height, 24);
    FIBITMAP* s = source.get();
    for (int y = 1; y < height - 1; ++y)
        for (int x = 1; x < width - 1; ++x) {
            const double laplacian = 8.0 * N(s, x, y) - N(s, x - 1, y - 1) - N(s, x, y - 1) - N(s, x + 1, y - 1) -
                                     N(s, x + 1, y) - N(s, x + 1, y + 1) - N(s, x, y + 1) - N(s, x - 1, y + 1) -
                                     N(s, x - 1, y);
            if (laplacian > 0)
                SetPixel(out.get(), x, y, 0, 255, 0);
            else
                SetPixel(out.get(), x, y, 255, 0, 0);
        }
    WriteImageFile(out.get(), destinationPath, kSaveBmp, RunOptions{});
}

void ReferenceGradient(const std::string& sourcePath, const std::string& destinationPath)
{
    Bitmap source = ReadRgbImageFile(sourcePath, RunOptions{}).bitmap;
    const int width = Width(source.get()), height = Height(source.get());
    Bitmap out = NewImage(width, height, 24);
    for (int y = 1; y < height - 1; ++y)
        for (int x = 1; x < width - 1; ++x)
            for (int c = 0; c < 3; ++c) {
                auto P = [&](int i, int j) { return static_cast<int>(PixelAt(source.get(), i, j)[c]); };
                const int gy = (P(x - 1, y - 1) + P(x, y - 1) + P(x + 1, y - 1) - P(x - 1, y + 1) - P(x, y + 1) -
                                P(x + 1, y + 1)) /
                               3;
                const int gx = (P(x - 1, y - 1) + P(x - 1, y) + P(x - 1, y + 1) - P(x + 1, y - 1) - P(x + 1, y) -
                                P(x + 1, y + 1)) /
                               3;
                const int magnitude = RoundHalfAway(std::pow(static_cast<double>(gy * gy + gx * gx), 0.5));
                PixelAt(out.get(), x, y)[c] = static_cast<std::uint8_t>(std::min(magnitude, 255));
            }
    WriteImageFile(out.get(), destinationPath, kSaveBmp, RunOptions{});
}

void ReferenceSmoothBySegments(const std::string& outlinePath, const std::string& inputPath,
                               const std::string& outputPath)
{
    Bitmap outline = ReadRgbImageFile(outlinePath, RunOptions{}).bitmap;
    Bitmap depth = ReadRgbImageFile(inputPath, RunOptions{}).bitmap;
    const int width = std::min(Width(outline.get()), Width(depth.get()));
    const int height = std::min(Height(outline.get()), Height(depth.get()));
    Bitmap out = NewImage(width, height, 24);
    for (int y = 1; y < height - 1; ++y)
        for (int x = 1; x < width - 1; ++x) {
            int b[9], g[9], d[9];
            for (int k = 0; k < 9; ++k) {
                const int cx = x - 1 + k % 3, cy = y - 1 + k / 3;
                b[k] = PixelAt(outline.get(), cx, cy)[0];
                g[k] = PixelAt(outline.get(), cx, cy)[1];
                d[k] = PixelAt(depth.get(), cx, cy)[0];
            }
            int sum = 0, count = 0;
            if (b[4] != g[4]) {
                for (int k = 0; k < 9; ++k)
                    if (b[k] == b[4] || g[k] == g[4])
                        sum += d[k], ++count;
            } else {
                const int cb = static_cast<int>(std::count(b, b + 9, 255));
                const int cg = static_cast<int>(std::count(g, g + 9, 255));
                for (int k = 0; k < 9; ++k)
                    if (cb > cg ? b[k] == 255 : g[k] == 255)
                        sum += d[k], ++count;
            }
            const int value = count == 0 ? d[4] : RoundHalfAway(static_cast<double>(sum) / count);
            auto put = [&](int px, int py) { SetPixel(out.get(), px, py, value, value, value); };
            put(x, y);
            if (x == 1)
                put(0, y);
            if (x == width - 2)
                put(width - 1, y);
            if (y == 1)
                put(x, 0);
            if (y == height - 2)
                put(x, height - 1);
        }
    WriteImageFile(out.get(), outputPath, kSaveBmp, RunOptions{});
}

} // namespace velmora::test
