// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/DepthFitting.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace velmora {
namespace {

// What a new pixel takes from the old ones along one side.
struct Tap {
    int from;
    float weight;
};
using Taps = std::vector<std::vector<Tap>>; // one list per new pixel

Taps SideTaps(int oldSize, int newSize)
{
    Taps taps(static_cast<std::size_t>(newSize));
    const double step = static_cast<double>(oldSize) / newSize;
    for (int i = 0; i < newSize; ++i) {
        std::vector<Tap>& tap = taps[static_cast<std::size_t>(i)];
        if (newSize <= oldSize) {
            // The old pixels [i * step, (i + 1) * step) cover, each by its share.
            const double begin = i * step, end = begin + step;
            for (int j = static_cast<int>(begin); j < oldSize && j < end; ++j) {
                const double covered = std::min<double>(j + 1, end) - std::max<double>(j, begin);
                if (covered > 0)
                    tap.push_back({j, static_cast<float>(covered / step)});
            }
        } else {
            const double centre = std::clamp((i + 0.5) * step - 0.5, 0.0, oldSize - 1.0);
            const int left = static_cast<int>(centre);
            const double right = centre - left;
            tap.push_back({left, static_cast<float>(1 - right)});
            if (right > 0)
                tap.push_back({left + 1, static_cast<float>(right)});
        }
    }
    return taps;
}

} // namespace

bool SameShape(int width, int height, int otherWidth, int otherHeight)
{
    // The smaller's sides are the larger's times a scale, each rounded by
    // at most a pixel: the cross products then differ by at most the
    // larger's sides added.
    const auto difference = static_cast<std::int64_t>(width) * otherHeight - static_cast<std::int64_t>(otherWidth) * height;
    return std::abs(difference) <= std::max<std::int64_t>(width + height, otherWidth + otherHeight);
}

Bitmap Resized(FIBITMAP* picture, int width, int height)
{
    const int oldWidth = Width(picture), oldHeight = Height(picture);
    Bitmap resized = NewImage(width, height, 24);
    if (!resized)
        return resized;
    const Taps across = SideTaps(oldWidth, width), down = SideTaps(oldHeight, height);
    // Rows first, into floats, then columns.
    std::vector<float> rows(static_cast<std::size_t>(oldHeight) * width * 3);
    for (int y = 0; y < oldHeight; ++y) {
        const std::uint8_t* from = RowAt(picture, y);
        float* to = rows.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x)
            for (const Tap& tap : across[static_cast<std::size_t>(x)])
                for (int c = 0; c < 3; ++c)
                    to[3 * x + c] += tap.weight * from[3 * tap.from + c];
    }
    // Stored rows run from the bottom in both, so the taps apply as they are.
    for (int y = 0; y < height; ++y) {
        std::uint8_t* to = RowAt(resized.get(), y);
        for (int i = 0; i < width * 3; ++i) {
            float sum = 0;
            for (const Tap& tap : down[static_cast<std::size_t>(y)])
                sum += tap.weight * rows[static_cast<std::size_t>(tap.from) * width * 3 + i];
            to[i] = static_cast<std::uint8_t>(std::clamp(std::floor(sum + 0.5f), 0.0f, 255.0f));
        }
    }
    return resized;
}

} // namespace velmora
