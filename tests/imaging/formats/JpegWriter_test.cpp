// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/ImageFile.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/stereo/StereoSettings.h"

#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace velmora::test {
namespace {

// What a JPEG file is made of: its segments' markers up to the scan, the
// restart interval, and the markers within the entropy-coded data.
struct JpegLayout {
    std::vector<int> segments;
    int restartInterval = -1;
    std::vector<int> restarts;
    bool endsWithEndOfImage = false;
};

int BigEndian16(const std::string& bytes, std::size_t at)
{
    return static_cast<std::uint8_t>(bytes[at]) << 8 | static_cast<std::uint8_t>(bytes[at + 1]);
}

JpegLayout ParseJpeg(const std::string& bytes)
{
    JpegLayout layout;
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        const int marker = static_cast<std::uint8_t>(bytes[at + 1]);
        layout.segments.push_back(marker);
        if (marker == 0xDD)
            layout.restartInterval = BigEndian16(bytes, at + 4);
        at += 2 + BigEndian16(bytes, at + 2);
        if (marker == 0xDA)
            break;
    }
    for (; at + 1 < bytes.size(); ++at)
        if (static_cast<std::uint8_t>(bytes[at]) == 0xFF && bytes[at + 1] != 0) {
            const int marker = static_cast<std::uint8_t>(bytes[at + 1]);
            if (marker >= 0xD0 && marker <= 0xD7)
                layout.restarts.push_back(marker - 0xD0);
            layout.endsWithEndOfImage = marker == 0xD9 && at + 2 == bytes.size();
        }
    return layout;
}

// A photograph's kind of content: smooth shading and grain.
Bitmap PhotographLike(int width, int height, std::mt19937& random)
{
    std::normal_distribution<double> grain(0, 4);
    return MakeImage(width, height, [&](int x, int y) {
        const auto shade = [&](double v) {
            return static_cast<std::uint8_t>(std::clamp(v + grain(random), 0.0, 255.0));
        };
        return Bgr{shade(128 + 100 * std::sin(x / 90.0)), shade(y * 200.0 / height),
                   shade(60 + 50 * std::cos(y / 40.0))};
    });
}

// Peak signal to noise ratio of a file's pixels against the picture's, in dB.
double PeakSignalToNoise(FIBITMAP* picture, const std::string& path)
{
    const Pixels read = ReadPixels(path).value();
    double squares = 0;
    for (int y = 0; y < read.height; ++y)
        for (int x = 0; x < read.width; ++x) {
            const Bgr a = PixelOf(picture, x, y), b = read.At(x, y);
            for (const auto& [p, q] : {std::pair{a.blue, b.blue}, {a.green, b.green}, {a.red, b.red}})
                squares += (p - q) * (p - q);
        }
    const double meanSquare = squares / (3.0 * read.width * read.height);
    return 10 * std::log10(255.0 * 255.0 / std::max(meanSquare, 1e-9));
}

// The library's own encoding of the picture, as files were written before.
void SaveWithLibrary(FIBITMAP* picture, const std::string& path, int quality)
{
    ASSERT_TRUE(FreeImage_Save(FIF_JPEG, picture, path.c_str(), quality | JPEG_OPTIMIZE | JPEG_SUBSAMPLING_444));
}

class JpegWriterTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    std::mt19937 random{20261208};
};

TEST_F(JpegWriterTest, TheBytesAreTheSameWhateverTheNumberOfThreads)
{
    // A single pixel, part of a row of blocks, one row of blocks, sizes
    // that are no multiple of 8, and eleven bands, more than the eight
    // restart markers and than the places that two threads keep.
    const std::pair<int, int> sizes[] = {{1, 1}, {7, 5}, {13, 8}, {333, 257}, {2001, 1700}};
    for (const auto& [width, height] : sizes) {
        Bitmap picture = RandomImage(width, height, random);
        std::string written[3];
        const int threads[] = {1, 2, 7};
        for (int i = 0; i < 3; ++i) {
            Save(picture.get(), "out.jpg", kSaveJpeg, RunOptions{.threads = threads[i]});
            written[i] = ReadBytes("out.jpg");
        }
        EXPECT_TRUE(written[0] == written[1]) << width << "x" << height;
        EXPECT_TRUE(written[0] == written[2]) << width << "x" << height;
        SaveWithLibrary(picture.get(), "theirs.jpg", kDefaultJpegQuality);
        EXPECT_TRUE(SamePixels("theirs.jpg", "out.jpg")) << width << "x" << height;
    }
}

TEST_F(JpegWriterTest, DecodesToTheLibrarysOwnPixelsInAFileNoLarger)
{
    // The same quantised blocks as the library's encoder makes, so the same
    // pixels; Huffman tables made for the whole picture keep the file
    // within a percent of the library's, restart markers and all.
    Bitmap photograph = PhotographLike(1003, 2011, random);
    for (int quality : {1, 50, 90, 100}) {
        Save(photograph.get(), "ours.jpg", kSaveJpeg, RunOptions{.jpegQuality = quality});
        SaveWithLibrary(photograph.get(), "theirs.jpg", quality);
        EXPECT_TRUE(SamePixels("theirs.jpg", "ours.jpg")) << "quality " << quality;
        EXPECT_NEAR(PeakSignalToNoise(photograph.get(), "ours.jpg"), PeakSignalToNoise(photograph.get(), "theirs.jpg"),
                    0.01)
            << "quality " << quality;
        EXPECT_LE(ReadBytes("ours.jpg").size(), ReadBytes("theirs.jpg").size() * 101 / 100) << "quality " << quality;
    }
    Save(photograph.get(), "ours.jpg", kSaveJpeg);
    EXPECT_GT(PeakSignalToNoise(photograph.get(), "ours.jpg"), 35);
}

TEST_F(JpegWriterTest, BandsAreJoinedByRestartMarkersInTurn)
{
    Bitmap picture = RandomImage(2001, 1700, random);
    Save(picture.get(), "bands.jpg", kSaveJpeg);
    const JpegLayout bands = ParseJpeg(ReadBytes("bands.jpg"));
    // The library's segments, and the restart interval: 251 blocks across,
    // 21 rows of blocks (168 pixel rows) in each of eleven bands.
    EXPECT_EQ(bands.segments, (std::vector<int>{0xE0, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDD, 0xDA}));
    EXPECT_EQ(bands.restartInterval, 251 * 21);
    EXPECT_EQ(bands.restarts, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1}));
    EXPECT_TRUE(bands.endsWithEndOfImage);

    Bitmap small = RandomImage(13, 8, random);
    Save(small.get(), "one.jpg", kSaveJpeg);
    const JpegLayout one = ParseJpeg(ReadBytes("one.jpg"));
    EXPECT_TRUE(one.restarts.empty());
    EXPECT_TRUE(one.endsWithEndOfImage);
    const std::string bytes = ReadBytes("one.jpg");
    EXPECT_EQ(BigEndian16(bytes, bytes.find("\xFF\xC0") + 5), 8) << "the height";
    EXPECT_EQ(BigEndian16(bytes, bytes.find("\xFF\xC0") + 7), 13) << "the width";
}

TEST_F(JpegWriterTest, TheResolutionReadsBackAsFromTheLibrarysFile)
{
    Bitmap picture = RandomImage(20, 10, random);
    for (double pixelsPerMetre : {2835.0, 3937.0, 11811.0, 1.0, 0.0}) {
        SetResolution(picture.get(), pixelsPerMetre);
        Save(picture.get(), "ours.jpg", kSaveJpeg);
        SaveWithLibrary(picture.get(), "theirs.jpg", kDefaultJpegQuality);
        EXPECT_EQ(ReadHorizontalResolution("ours.jpg", RunOptions{}).pixelsPerMetre,
                  ReadHorizontalResolution("theirs.jpg", RunOptions{}).pixelsPerMetre)
            << pixelsPerMetre;
        EXPECT_EQ(HorizontalResolution(ReadImageFile("ours.jpg", RunOptions{}).bitmap.get()),
                  HorizontalResolution(ReadImageFile("theirs.jpg", RunOptions{}).bitmap.get()))
            << pixelsPerMetre;
    }
    // In dots per inch, as the library writes it; a picture without one
    // gives only its pixels' shape (units 0, 1:1).
    SetResolution(picture.get(), 2835);
    Save(picture.get(), "72.jpg", kSaveJpeg);
    EXPECT_EQ(ReadBytes("72.jpg").substr(11, 7), std::string("\x01\x01\x01\x00\x48\x00\x48", 7));
    // A negative resolution, which a picture's header may hold, is none.
    for (double pixelsPerMetre : {0.0, -100.0}) {
        SetResolution(picture.get(), pixelsPerMetre);
        Save(picture.get(), "none.jpg", kSaveJpeg);
        EXPECT_EQ(ReadBytes("none.jpg").substr(11, 7), std::string("\x01\x01\x00\x00\x01\x00\x01", 7));
    }
}

TEST_F(JpegWriterTest, AnotherDecoderReadsTheSamePixels)
{
    if (!PythonHas("PIL"))
        GTEST_SKIP() << "no Python imaging library here";
    Bitmap picture = PhotographLike(2001, 1700, random);
    Save(picture.get(), "ours.jpg", kSaveJpeg);
    SaveWithLibrary(picture.get(), "theirs.jpg", kDefaultJpegQuality);
    const ProgramResult pil = RunProgram(kPython,
                                         {"-c",
                                          "from PIL import Image\n"
                                          "for name in ('ours', 'theirs'):\n"
                                          "    im = Image.open(name + '.jpg')\n"
                                          "    print(im.format, im.mode, im.size)\n"
                                          "    im.save(name + '.bmp')\n"});
    ASSERT_EQ(pil.exitCode, 0) << pil.err;
    EXPECT_EQ(pil.out, "JPEG RGB (2001, 1700)\nJPEG RGB (2001, 1700)\n");
    EXPECT_TRUE(SamePixels("theirs.bmp", "ours.bmp"));
    EXPECT_GT(PeakSignalToNoise(picture.get(), "ours.bmp"), 35);
}

TEST_F(JpegWriterTest, WhatThisEncoderDoesNotTakeIsLeftToTheLibrary)
{
    // Pictures wider than a JPEG can be fail and leave nothing behind.
    Bitmap wide = NewImage(65501, 1, 24);
    ASSERT_TRUE(wide);
    const FileStatus tooWide = WriteImageFile(wide.get(), "wide.jpg", kSaveJpeg, RunOptions{});
    EXPECT_EQ(tooWide.problem, FileProblem::kUnwritable);
    EXPECT_FALSE(std::filesystem::exists("wide.jpg"));
    EXPECT_TRUE(std::filesystem::is_empty(sandbox.Folder()));

    // Other depths go through the library's encoder, which keeps grey
    // pictures grey.
    Bitmap grey = GreyPaletteImage(6, 4);
    Save(grey.get(), "grey.jpg", kSaveJpeg);
    EXPECT_EQ(ReadPixels("grey.jpg").value().bitsPerPixel, 8);
}

} // namespace
} // namespace velmora::test
