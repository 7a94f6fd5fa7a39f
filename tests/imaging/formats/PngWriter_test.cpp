// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PngWriter.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/RowWorkers.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velmora::test {
namespace {

std::uint32_t BigEndianAt(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// The chunks of a PNG file, each checked against its CRC, and its image data
// inflated as one zlib stream (which checks its Adler-32).
struct PngFile {
    std::vector<std::string> chunkTypes;
    std::string physicalSize; // the pHYs chunk's data
    std::string filteredRows;
    bool crcsHold = true;
    bool streamWhole = false;
};

PngFile ParsePng(const std::string& bytes)
{
    PngFile png;
    std::string compressed;
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::uint32_t length = BigEndianAt(bytes, at);
        const std::string type = bytes.substr(at + 4, 4);
        const std::string data = bytes.substr(at + 8, length);
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + at + 4), length + 4);
        png.crcsHold = png.crcsHold && crc == BigEndianAt(bytes, at + 8 + length);
        if (png.chunkTypes.empty() || png.chunkTypes.back() != type)
            png.chunkTypes.push_back(type);
        if (type == "IDAT")
            compressed += data;
        if (type == "pHYs")
            png.physicalSize = data;
        at += 12 + length;
    }
    z_stream stream{};
    inflateInit(&stream);
    stream.next_in = reinterpret_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    std::vector<char> block(1 << 16);
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(block.data());
        stream.avail_out = static_cast<uInt>(block.size());
        result = inflate(&stream, Z_NO_FLUSH);
        png.filteredRows.append(block.data(), block.size() - stream.avail_out);
    }
    png.streamWhole = result == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    return png;
}

// Pictures on which each of the row filters wins somewhere: noise, flat
// areas, horizontal and vertical ramps, and diagonals.
Bitmap MixedPicture(int width, int height, std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    return MakeImage(width, height, [&](int x, int y) {
        const auto value = [](int v) { return static_cast<std::uint8_t>(v); };
        switch ((y / 7) % 5) {
        case 0: return Bgr{value(byte(random)), value(byte(random)), value(byte(random))};
        case 1: return Bgr{40, 90, 200};
        case 2: return Bgr{value(x), value(2 * x), value(3 * x)};
        case 3: return Bgr{value(y), value(y * 5), value(x + y)};
        default: return Bgr{value(x * y), value(x ^ y), value(x - y)};
        }
    });
}

// A photograph's kind of content: smooth shading and noise.
Bitmap PhotographLike(int width, int height, std::mt19937& random)
{
    std::normal_distribution<double> noise(0, 6);
    return MakeImage(width, height, [&](int x, int y) {
        const auto shade = [&](double v) { return static_cast<std::uint8_t>(std::clamp(v + noise(random), 0.0, 255.0)); };
        return Bgr{shade(128 + 100 * std::sin(x / 90.0)), shade(y * 200.0 / height), shade((x + y) % 256)};
    });
}

// A drawing's: flat areas and a pattern repeated (a fill, or the same
// letters again and again), which only a search for earlier matches finds.
Bitmap DrawingLike(int width, int height, std::mt19937& random)
{
    Bitmap tile = RandomImage(37, 23, random);
    return MakeImage(width, height, [&](int x, int y) {
        return x < width / 3 ? Bgr{200, 30, 30} : PixelOf(tile.get(), x % 37, y % 23);
    });
}

// A depth map's: grey, a ramp for the ground and rounded shapes nearer,
// smoothed; its rows differ from each other by little.
Bitmap DepthMapLike(int width, int height)
{
    return MakeImage(width, height, [&](int x, int y) {
        double depth = 40 + 120.0 * y / height;
        for (int shape = 0; shape < 5; ++shape) {
            const double cx = width * (0.15 + 0.17 * shape), cy = height * (0.3 + 0.1 * (shape % 3));
            const double r = std::hypot(x - cx, y - cy) / (width / 12.0);
            if (r < 1)
                depth = std::max(depth, 180 + 60 * std::sqrt(1 - r * r) - 10 * shape);
        }
        const auto grey = static_cast<std::uint8_t>(depth);
        return Bgr{grey, grey, grey};
    });
}

class PngWriterTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    std::mt19937 random{20261207};
};

TEST_F(PngWriterTest, TheLibraryReadsBackEveryPixelAndTheResolution)
{
    // Widths whose rows need padding in memory, single rows and columns, and
    // pictures of several runs of rows.
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {3, 2}, {257, 31}, {641, 700}, {1500, 500}};
    for (const auto& [width, height] : sizes) {
        Bitmap picture = MixedPicture(width, height, random);
        SetResolution(picture.get(), 2835 + width);
        Save(picture.get(), "ours.png", kSavePng);
        ASSERT_TRUE(FreeImage_Save(FIF_BMP, picture.get(), "expected.bmp", 0));
        EXPECT_TRUE(SamePixels("expected.bmp", "ours.png")) << width << "x" << height;
        const std::optional<Pixels> read = ReadPixels("ours.png");
        ASSERT_TRUE(read);
        EXPECT_EQ(read->resolution, 2835 + width);
        EXPECT_EQ(read->bitsPerPixel, 24);
    }
}

TEST_F(PngWriterTest, TheFileIsStandard)
{
    Bitmap picture = MixedPicture(900, 1300, random);
    SetResolution(picture.get(), 3937);
    Save(picture.get(), "ours.png", kSavePng);

    const std::string bytes = ReadBytes("ours.png");
    ASSERT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    const PngFile png = ParsePng(bytes);
    EXPECT_TRUE(png.crcsHold);
    EXPECT_TRUE(png.streamWhole);
    EXPECT_EQ(png.chunkTypes, (std::vector<std::string>{"IHDR", "pHYs", "IDAT", "IEND"}));
    EXPECT_EQ(png.filteredRows.size(), 1300u * (3 * 900 + 1));
    EXPECT_EQ(png.physicalSize, std::string("\0\0\x0f\x61\0\0\x0f\x61\x01", 9));
    EXPECT_EQ(bytes.substr(24, 2), std::string("\x08\x02", 2)) << "the bit depth and the colour type: 8-bit RGB";
}

TEST_F(PngWriterTest, PhotographsDrawingsAndDepthMapsTakeNoMoreRoomThanWithTheLibrarysEncoder)
{
    Bitmap photograph = PhotographLike(1000, 1200, random);
    Bitmap drawing = DrawingLike(1000, 1200, random);
    Bitmap depthMap = DepthMapLike(1000, 1200);
    for (FIBITMAP* picture : {photograph.get(), drawing.get(), depthMap.get()}) {
        Save(picture, "ours.png", kSavePng);
        ASSERT_TRUE(FreeImage_Save(FIF_PNG, picture, "theirs.png", 0));
        EXPECT_LE(ReadBytes("ours.png").size(), ReadBytes("theirs.png").size() * 105 / 100);
    }
}

TEST_F(PngWriterTest, TheBytesAreTheSameWhateverTheNumberOfThreads)
{
    // Eleven runs of rows: more than one or two threads keep at once, so
    // that runs wait for their turn to be written and their places are used
    // again.
    Bitmap picture = MixedPicture(1900, 1900, random);
    std::string written[3];
    const int threads[] = {1, 2, 7};
    for (int i = 0; i < 3; ++i) {
        Save(picture.get(), "out.png", kSavePng, RunOptions{.threads = threads[i]});
        written[i] = ReadBytes("out.png");
    }
    EXPECT_EQ(written[0], written[1]);
    EXPECT_EQ(written[0], written[2]);
    ASSERT_TRUE(FreeImage_Save(FIF_BMP, picture.get(), "expected.bmp", 0));
    EXPECT_TRUE(SamePixels("expected.bmp", "out.png"));
}

// Output that refuses the one write reaching past byte `failAt` and takes
// all the others, so that only a failure noticed where it happens fails
// the file.
struct LosingDisk {
    std::size_t failAt;
    std::size_t written = 0;
    bool refused = false;

    FreeImageIO IO()
    {
        FreeImageIO io{};
        io.write_proc = [](void*, unsigned size, unsigned count, fi_handle handle) -> unsigned {
            auto& disk = *static_cast<LosingDisk*>(handle);
            const std::size_t bytes = std::size_t{size} * count;
            if (!disk.refused && disk.written + bytes > disk.failAt) {
                disk.refused = true;
                return 0;
            }
            disk.written += bytes;
            return count;
        };
        return io;
    }
};

TEST_F(PngWriterTest, AFailedWriteFailsTheEncoding)
{
    // Failing at the header, the first run, a run in the middle and the
    // last, on one thread and on several, which may be encoding or waiting
    // for their turn to write when the write fails.
    Bitmap picture = PhotographLike(1400, 2600, random); // eleven runs
    for (int threads : {1, 2, 3}) {
        LosingDisk whole{std::numeric_limits<std::size_t>::max()};
        FreeImageIO wholeIo = whole.IO();
        ASSERT_TRUE(WritePng(picture.get(), wholeIo, &whole, threads));
        for (std::size_t failAt : {std::size_t{0}, std::size_t{100}, whole.written / 2, whole.written - 30}) {
            LosingDisk disk{failAt};
            FreeImageIO io = disk.IO();
            EXPECT_FALSE(WritePng(picture.get(), io, &disk, threads))
                << threads << " threads, failing at byte " << failAt;
            EXPECT_TRUE(disk.refused);
        }
    }
}

TEST_F(PngWriterTest, ANegativeResolutionIsWrittenAsNone)
{
    Bitmap picture = MixedPicture(5, 5, random);
    SetResolution(picture.get(), -100);
    Save(picture.get(), "out.png", kSavePng);
    EXPECT_EQ(ParsePng(ReadBytes("out.png")).physicalSize, std::string("\0\0\0\0\0\0\0\0\x01", 9));
}

TEST_F(PngWriterTest, OtherDepthsStillGoThroughTheLibrary)
{
    Bitmap palette = GreyPaletteImage(6, 4);
    Save(palette.get(), "grey.png", kSavePng);
    const std::optional<Pixels> read = ReadPixels("grey.png");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->width, 6);
    EXPECT_EQ(read->At(5, 3), Grey(0));
}

// Output kept in memory whose first write of a run takes long enough for
// the other threads to encode every run they have places for and wait.
struct SlowDisk {
    std::string bytes;
    bool stalled = false;

    FreeImageIO IO()
    {
        FreeImageIO io{};
        io.write_proc = [](void* data, unsigned size, unsigned count, fi_handle handle) -> unsigned {
            auto& disk = *static_cast<SlowDisk*>(handle);
            if (std::size_t{size} * count > 1000 && !std::exchange(disk.stalled, true))
                std::this_thread::sleep_for(std::chrono::milliseconds(600));
            disk.bytes.append(static_cast<const char*>(data), std::size_t{size} * count);
            return count;
        };
        return io;
    }
};

TEST_F(PngWriterTest, RunsWaitingForASlowWriterKeepTheirPlaces)
{
    // Runs beyond the places two or three threads keep: a run encoded into
    // a place still being written would change the file.
    Bitmap picture = PhotographLike(1400, 4000, random);
    SlowDisk one;
    FreeImageIO oneIo = one.IO();
    ASSERT_TRUE(WritePng(picture.get(), oneIo, &one, 1));
    for (int threads : {2, 3}) {
        SlowDisk many;
        FreeImageIO manyIo = many.IO();
        ASSERT_TRUE(WritePng(picture.get(), manyIo, &many, threads));
        EXPECT_TRUE(many.bytes == one.bytes) << threads << " threads";
    }
}

} // namespace
} // namespace velmora::test
