// SPDX-License-Identifier: GPL-3.0-or-later

// The floor: read the picture, copy its bytes into a new bitmap, write it.
// Every routine does at least this much file work.

#include "bench/Benchmarks.h"

#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/StereoSettings.h"

#include <cstring>

namespace velmora::bench {

void RegisterPlainCopy(int width, int height)
{
    Register("plain copy", width, height, [](const BenchInputs& inputs) {
        Bitmap source = ReadRgbImageFile(inputs.image, RunOptions{}).bitmap;
        Bitmap copy = NewImage(Width(source.get()), Height(source.get()), 24);
        const std::size_t rowBytes = 3 * static_cast<std::size_t>(Width(source.get()));
        for (int y = 0; y < Height(source.get()); ++y)
            std::memcpy(RowAt(copy.get(), y), RowAt(source.get(), y), rowBytes);
        source.reset();
        WriteImageFile(copy.get(), inputs.Output("copy.bmp"), kSaveBmp, RunOptions{});
    });
}

} // namespace velmora::bench
