// SPDX-License-Identifier: GPL-3.0-or-later

#include "bench/BenchInputs.h"

#include "imaging/files/PrivateFolder.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/StereoSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>

namespace velmora::bench {
namespace {

// The run's files, removed at exit. Being the run's own, they are written
// without the flush to the disk that the user's files get, which would
// otherwise be most of what is measured.
PrivateFolder& Folder()
{
    static PrivateFolder folder;
    if (!folder)
        throw std::runtime_error("cannot make a folder for the benchmark files: " + folder.Failure());
    return folder;
}

// The grain of a photograph, which scaling up smooths away: without it the
// picture would compress like a drawing.
void AddGrain(FIBITMAP* picture)
{
    std::mt19937 random(2835);
    std::normal_distribution<double> grain(0.0, 5.0);
    for (int y = 0; y < Height(picture); ++y) {
        std::uint8_t* byte = RowAt(picture, y);
        for (int i = 0; i < 3 * Width(picture); ++i)
            byte[i] = static_cast<std::uint8_t>(std::clamp(byte[i] + std::lround(grain(random)), 0L, 255L));
    }
}

std::string ScaledSample(const std::string& name, int width, int height, bool grainy)
{
    Bitmap sample = ReadRgbImageFile(std::string(VELMORA_SAMPLES) + "/" + name + ".png", RunOptions{}).bitmap;
    Bitmap scaled(FreeImage_Rescale(sample.get(), width, height, FILTER_BILINEAR));
    if (!scaled)
        throw std::runtime_error("cannot scale the sample to " + SizeName(width, height));
    if (grainy)
        AddGrain(scaled.get());
    SetResolution(scaled.get(), 2835);
    const std::string path = Folder().Path(name + "-" + SizeName(width, height) + ".bmp");
    if (!WriteImageFile(scaled.get(), path, kSaveBmp, RunOptions{}))
        throw std::runtime_error("cannot write " + path);
    return path;
}

} // namespace

std::string BenchInputs::Output(const std::string& name) const
{
    return Folder().Path(name);
}

std::string SizeName(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

const BenchInputs& InputsOfSize(int width, int height)
{
    static std::map<std::pair<int, int>, BenchInputs> made;
    auto [at, isNew] = made.try_emplace({width, height});
    if (isNew)
        at->second = {ScaledSample("sample", width, height, true), ScaledSample("sample-depth", width, height, false)};
    return at->second;
}

} // namespace velmora::bench
