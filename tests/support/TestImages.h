// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/stereo/StereoSettings.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace velmora::test {

// A pixel in storage order.
struct Bgr {
    std::uint8_t blue = 0, green = 0, red = 0;
    bool operator==(const Bgr&) const = default;
};

Bgr Grey(int value);

// A 24-bit picture whose pixel (x, y), row 0 at the bottom, is pixelOf(x, y).
Bitmap MakeImage(int width, int height, const std::function<Bgr(int x, int y)>& pixelOf);
Bitmap RandomImage(int width, int height, std::mt19937& random);
// A grey depth map of random blocks (so that near pixels overlap far ones and
// leave holes) sprinkled with single random pixels.
Bitmap RandomDepthMap(int width, int height, std::mt19937& random);
// A grey depth map as a photograph's is: gentle random slopes, with a few
// random rectangles standing nearer or further, so that long runs of one
// depth move together and rectangles hide what lies behind them.
Bitmap SmoothDepthMap(int width, int height, std::mt19937& random);

// An all-black 8-bit picture with a grey palette (index i is grey i).
Bitmap GreyPaletteImage(int width, int height);

Bgr PixelOf(FIBITMAP* bitmap, int x, int y);

// Writes or fails the current test.
void Save(FIBITMAP* bitmap, const std::string& path, int saveFormat = kSaveBmp, const RunOptions& options = {});

// The pixels of a file, three bytes each, rows packed bottom to top; none when
// the file cannot be read.
struct Pixels {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::int32_t resolution = 0;
    std::vector<std::uint8_t> bytes;

    Bgr At(int x, int y) const;
};
std::optional<Pixels> ReadPixels(const std::string& path);

// Compares two files pixel by pixel and names the first difference: one
// by more than `tolerance` in any channel.
::testing::AssertionResult SamePixels(const std::string& expectedPath, const std::string& actualPath, int tolerance = 0);

// Compares two bitmaps in memory: sizes, depth, resolution and every byte of
// every row, padding included, naming the first difference.
::testing::AssertionResult SameBitmaps(FIBITMAP* expected, FIBITMAP* actual);

// A PNG chunk with the CRC of its type and data, which decoders check.
std::string PngChunk(const std::string& type, const std::string& data);

// A PNG file of a few hundred bytes whose header claims this many 24-bit
// pixels; its pixel data is not there.
std::string PngClaiming(std::uint32_t width, std::uint32_t height);

// The lowest `count` bytes of `value`, least or most significant first, for
// hand-made file headers.
std::string LittleEndianBytes(std::uint32_t value, int count);
std::string BigEndianBytes(std::uint32_t value, int count);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& content);

// A fresh folder that is also the current folder while the object lives.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path folder_;
};

} // namespace velmora::test
