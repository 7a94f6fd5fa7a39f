// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/TestImages.h"

#include "imaging/formats/ImageFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace velmora::test {

Bgr Grey(int value)
{
    const auto v = static_cast<std::uint8_t>(value);
    return {v, v, v};
}

Bitmap MakeImage(int width, int height, const std::function<Bgr(int x, int y)>& pixelOf)
{
    Bitmap bitmap = NewImage(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Bgr p = pixelOf(x, y);
            std::uint8_t* out = PixelAt(bitmap.get(), x, y);
            out[0] = p.blue;
            out[1] = p.green;
            out[2] = p.red;
        }
    return bitmap;
}

Bitmap RandomImage(int width, int height, std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    return MakeImage(width, height, [&](int, int) {
        return Bgr{static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random)),
                   static_cast<std::uint8_t>(byte(random))};
    });
}

Bitmap RandomDepthMap(int width, int height, std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> blockSize(1, 12);
    const int blockWidth = blockSize(random), blockHeight = blockSize(random);
    std::vector<int> blocks((width / blockWidth + 1) * (height / blockHeight + 1));
    for (int& b : blocks)
        b = byte(random);
    std::bernoulli_distribution speckle(0.05);
    return MakeImage(width, height, [&](int x, int y) {
        if (speckle(random))
            return Grey(byte(random));
        return Grey(blocks[(y / blockHeight) * (width / blockWidth + 1) + x / blockWidth]);
    });
}

Bitmap SmoothDepthMap(int width, int height, std::mt19937& random)
{
    std::uniform_real_distribution<double> slope(-0.8, 0.8), base(0, 255);
    const double across = slope(random), down = slope(random), start = base(random);
    struct Rectangle {
        int left, bottom, right, top, depth;
    };
    std::vector<Rectangle> rectangles;
    std::uniform_int_distribution<int> column(0, width), row(0, height), byte(0, 255), count(0, 4);
    for (int i = count(random); i > 0; --i) {
        const int a = column(random), b = column(random), c = row(random), d = row(random);
        rectangles.push_back({std::min(a, b), std::min(c, d), std::max(a, b), std::max(c, d), byte(random)});
    }
    return MakeImage(width, height, [&](int x, int y) {
        int depth = static_cast<int>(start + across * x + down * y) & 511;
        depth = depth > 255 ? 511 - depth : depth; // up and down again, never out of range
        for (const Rectangle& r : rectangles)
            if (x >= r.left && x < r.right && y >= r.bottom && y < r.top)
                depth = r.depth;
        return Grey(depth);
    });
}

Bitmap GreyPaletteImage(int width, int height)
{
    Bitmap grey(FreeImage_Allocate(width, height, 8));
    RGBQUAD* palette = FreeImage_GetPalette(grey.get());
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    return grey;
}

Bgr PixelOf(FIBITMAP* bitmap, int x, int y)
{
    const std::uint8_t* p = PixelAt(bitmap, x, y);
    return {p[0], p[1], p[2]};
}

void Save(FIBITMAP* bitmap, const std::string& path, int saveFormat, const RunOptions& options)
{
    ASSERT_TRUE(WriteImageFile(bitmap, path, saveFormat, options)) << "could not write " << path;
}

Bgr Pixels::At(int x, int y) const
{
    const std::size_t i = 3 * (static_cast<std::size_t>(y) * width + x);
    return {bytes[i], bytes[i + 1], bytes[i + 2]};
}

std::optional<Pixels> ReadPixels(const std::string& path)
{
    Bitmap stored = ReadImageFile(path, RunOptions{}).bitmap;
    if (!stored)
        return std::nullopt;
    Pixels pixels{Width(stored.get()), Height(stored.get()), BitsPerPixel(stored.get()),
                  HorizontalResolution(stored.get()), {}};
    Bitmap rgb = ConvertToRgb(std::move(stored));
    for (int y = 0; y < pixels.height; ++y) {
        const std::uint8_t* row = RowAt(rgb.get(), y);
        pixels.bytes.insert(pixels.bytes.end(), row, row + 3 * pixels.width);
    }
    return pixels;
}

::testing::AssertionResult SamePixels(const std::string& expectedPath, const std::string& actualPath, int tolerance)
{
    const auto expected = ReadPixels(expectedPath);
    const auto actual = ReadPixels(actualPath);
    if (!expected || !actual)
        return ::testing::AssertionFailure() << "cannot read " << (expected ? actualPath : expectedPath);
    if (expected->width != actual->width || expected->height != actual->height)
        return ::testing::AssertionFailure() << "size " << actual->width << "x" << actual->height << ", expected "
                                             << expected->width << "x" << expected->height;
    for (int y = 0; y < expected->height; ++y)
        for (int x = 0; x < expected->width; ++x) {
            const Bgr e = expected->At(x, y), a = actual->At(x, y);
            const auto near = [tolerance](std::uint8_t x, std::uint8_t y) { return std::abs(x - y) <= tolerance; };
            if (!near(e.blue, a.blue) || !near(e.green, a.green) || !near(e.red, a.red))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << int(a.blue) << "/" << int(a.green) << "/"
                       << int(a.red) << ", expected " << int(e.blue) << "/" << int(e.green) << "/" << int(e.red);
        }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameBitmaps(FIBITMAP* expected, FIBITMAP* actual)
{
    if (!expected || !actual)
        return ::testing::AssertionFailure() << (expected ? "no actual bitmap" : "no expected bitmap");
    if (Width(expected) != Width(actual) || Height(expected) != Height(actual) ||
        BitsPerPixel(expected) != BitsPerPixel(actual) || FreeImage_GetPitch(expected) != FreeImage_GetPitch(actual))
        return ::testing::AssertionFailure()
            << Width(actual) << "x" << Height(actual) << " instead of " << Width(expected) << "x" << Height(expected);
    if (HorizontalResolution(expected) != HorizontalResolution(actual))
        return ::testing::AssertionFailure()
            << "resolution " << HorizontalResolution(actual) << " instead of " << HorizontalResolution(expected);
    for (int y = 0; y < Height(expected); ++y)
        if (std::memcmp(RowAt(expected, y), RowAt(actual, y), FreeImage_GetPitch(expected)) != 0)
            return ::testing::AssertionFailure() << "row " << y << " differs";
    return ::testing::AssertionSuccess();
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string PngChunk(const std::string& type, const std::string& data)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : type + data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? 0xEDB88320 ^ (crc >> 1) : crc >> 1;
    }
    return BigEndianBytes(static_cast<std::uint32_t>(data.size()), 4) + type + data +
           BigEndianBytes(crc ^ 0xFFFFFFFF, 4);
}

std::string PngClaiming(std::uint32_t width, std::uint32_t height)
{
    const std::string header =
        BigEndianBytes(width, 4) + BigEndianBytes(height, 4) + std::string("\x08\x02\0\0\0", 5);
    return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", header) + PngChunk("IDAT", std::string(100, 'x')) +
           PngChunk("IEND", "");
}

std::string LittleEndianBytes(std::uint32_t value, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += static_cast<char>(value >> 8 * i & 0xFF);
    return out;
}

std::string BigEndianBytes(std::uint32_t value, int count)
{
    std::string out;
    for (int i = count - 1; i >= 0; --i)
        out += static_cast<char>(value >> 8 * i & 0xFF);
    return out;
}

void WriteBytes(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

Sandbox::Sandbox() : previous_(std::filesystem::current_path())
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a sandbox folder");
    folder_ = pattern;
    std::filesystem::current_path(folder_);
}

Sandbox::~Sandbox()
{
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(folder_, ignored);
}

} // namespace velmora::test
