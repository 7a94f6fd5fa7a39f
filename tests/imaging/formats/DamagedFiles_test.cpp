// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/ImageFile.h"
#include "imaging/formats/PictureLimit.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>

namespace velmora::test {
namespace {

// Little- and big-endian fields for hand-made headers.
constexpr auto Le = LittleEndianBytes;
constexpr auto Be = BigEndianBytes;

// Rows of 24-bit pixels that are never 0, padded to four bytes.
std::string PixelRows(int width, int height)
{
    std::string rows;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 3 * width; ++x)
            rows += static_cast<char>(1 + (x + 7 * y) % 250);
        rows += std::string((4 - 3 * width % 4) % 4, '\0');
    }
    return rows;
}

// A BMP with the 12-byte header of OS/2 1.x.
std::string Os2Bmp(int width, int height)
{
    const std::string core = Le(12, 4) + Le(width, 2) + Le(height, 2) + Le(1, 2) + Le(24, 2);
    const std::string pixels = PixelRows(width, height);
    return "BM" + Le(14 + 12 + pixels.size(), 4) + Le(0, 4) + Le(14 + 12, 4) + core + pixels;
}

// An uncompressed RGB TIFF with its directory first and one strip after it.
std::string StripTiff(int width, int height)
{
    std::string strip;
    for (int i = 0; i < 3 * width * height; ++i)
        strip += static_cast<char>(1 + i % 250);
    struct Entry {
        int tag, type, count;
        std::uint32_t value;
    };
    const int entries = 10;
    const std::uint32_t bitsAt = 8 + 2 + 12 * entries + 4, stripAt = bitsAt + 6;
    const Entry directory[entries] = {{256, 3, 1, std::uint32_t(width)}, {257, 3, 1, std::uint32_t(height)},
                                      {258, 3, 3, bitsAt},            {259, 3, 1, 1},
                                      {262, 3, 1, 2},                 {273, 4, 1, stripAt},
                                      {277, 3, 1, 3},                 {278, 3, 1, std::uint32_t(height)},
                                      {279, 4, 1, std::uint32_t(strip.size())}, {284, 3, 1, 1}};
    std::string file = "II" + Le(42, 2) + Le(8, 4) + Le(entries, 2);
    for (const Entry& e : directory)
        file += Le(e.tag, 2) + Le(e.type, 2) + Le(e.count, 4) + (e.type == 3 && e.count == 1 ? Le(e.value, 2) + Le(0, 2)
                                                                                            : Le(e.value, 4));
    return file + Le(0, 4) + Le(8, 2) + Le(8, 2) + Le(8, 2) + strip;
}

// A JPEG 2000 codestream's start: its SIZ marker segment, no offsets.
std::string Codestream(std::uint32_t width, std::uint32_t height)
{
    return std::string("\xFF\x4F\xFF\x51", 4) + Be(41, 2) + Be(0, 2) + Be(width, 4) + Be(height, 4) +
           std::string(40, '\0');
}

std::string Box(const std::string& type, const std::string& contents)
{
    return Be(8 + contents.size(), 4) + type + contents;
}

// A JP2 file: signature, file type, header box, codestream box.
std::string Jp2(const std::string& headerBoxes, const std::string& codestream)
{
    return Box("jP  ", "\r\n\x87\n") + Box("ftyp", "jp2 " + Be(0, 4) + "jp2 ") + Box("jp2h", headerBoxes) +
           Box("jp2c", codestream);
}

class DamagedFileTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

TEST_F(DamagedFileTest, FilesCutShortAreRefusedWholeOnesRead)
{
    const std::pair<std::string, std::string> files[] = {{"os2.bmp", Os2Bmp(9, 7)}, {"strips.tif", StripTiff(9, 7)}};
    for (const auto& [name, content] : files) {
        WriteBytes(name, content);
        const ImageRead whole = ReadRgbImageFile(name, RunOptions{});
        ASSERT_TRUE(whole.bitmap) << name << ": " << whole.status.reason;
        if (name == "strips.tif") { // no resolution tags: none, not the library's 72 dpi
            EXPECT_EQ(HorizontalResolution(whole.bitmap.get()), 0);
        }
        EXPECT_EQ(Width(whole.bitmap.get()), 9);
        EXPECT_NE(PixelOf(whole.bitmap.get(), 8, 6), Grey(0)) << name; // the top row is there

        WriteBytes("cut-" + name, content.substr(0, content.size() - 40));
        const ImageRead cut = ReadRgbImageFile("cut-" + name, RunOptions{});
        EXPECT_FALSE(cut.bitmap) << name;
        EXPECT_EQ(cut.status.problem, FileProblem::kUnreadable) << name;
    }
}

TEST_F(DamagedFileTest, AJpegCutShortIsRefused)
{
    std::mt19937 random(3);
    ASSERT_TRUE(FreeImage_Save(FIF_JPEG, RandomImage(64, 48, random).get(), "whole.jpg", 0));
    const std::string jpeg = ReadBytes("whole.jpg");
    EXPECT_TRUE(ReadRgbImageFile("whole.jpg", RunOptions{}).bitmap);
    WriteBytes("cut.jpg", jpeg.substr(0, jpeg.size() / 2));
    EXPECT_EQ(ReadRgbImageFile("cut.jpg", RunOptions{}).status.reason, "damaged, cut short or not a picture");
}

TEST_F(DamagedFileTest, OnlyRegularFilesAreReadAndAFifoDoesNotHang)
{
    ASSERT_EQ(mkfifo("fifo.png", 0600), 0);
    std::filesystem::create_directory("folder.png");
    EXPECT_EQ(ReadImageFile("fifo.png", RunOptions{}).status.reason, "not a regular file");
    EXPECT_EQ(ReadImageFile("/dev/zero", RunOptions{}).status.reason, "not a regular file");
    EXPECT_EQ(ReadImageFile("folder.png", RunOptions{}).status.reason, "Is a directory");
    EXPECT_EQ(ReadHorizontalResolution("fifo.png", RunOptions{}).status.reason, "not a regular file");
}

TEST_F(DamagedFileTest, AHugeClaimIsRefusedFromTheHeaderAtOnce)
{
    // A PNG of a few bytes claiming 60000 x 60000 pixels: 10 GB decoded.
    WriteBytes("huge.png", PngClaiming(60000, 60000));
    RunOptions options{.pictureLimit = std::uint64_t{8} << 30};
    const auto start = std::chrono::steady_clock::now();
    const ImageRead read = ReadImageFile("huge.png", options);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(read.status.problem, FileProblem::kTooLarge);
    EXPECT_NE(read.status.reason.find("60000 x 60000 pixels"), std::string::npos) << read.status.reason;

    // The limit decides: a small picture passes until the limit is lower still.
    Save(MakeImage(100, 100, [](int, int) { return Grey(4); }).get(), "small.bmp");
    EXPECT_TRUE(ReadImageFile("small.bmp", options).bitmap);
    options.pictureLimit = 100 * 300 - 1;
    EXPECT_EQ(ReadImageFile("small.bmp", options).status.problem, FileProblem::kTooLarge);
    options.pictureLimit = 100 * 300;
    EXPECT_TRUE(ReadImageFile("small.bmp", options).bitmap);
}

TEST_F(DamagedFileTest, FormatsWithoutAHeaderOnlyLoadAreSizedFromTheirOwnHeaders)
{
    // Each claims 50000 x 40000 pixels in a few bytes.
    const std::pair<const char*, std::string> claims[] = {
        {"huge.gif", "GIF89a" + Le(50000, 2) + Le(40000, 2) + std::string("\0\0\0", 3) + ",\0\0\0\0" +
                         Le(50000, 2) + Le(40000, 2) + std::string(10, '\0')},
        {"huge.sgi", Be(474, 2) + std::string("\1\1", 2) + Be(2, 2) + Be(50000, 2) + Be(40000, 2) + Be(3, 2) +
                         std::string(500, '\0')},
        {"huge.dds", "DDS " + Le(124, 4) + Le(7, 4) + Le(40000, 4) + Le(50000, 4) + std::string(120, '\0')},
        {"huge.j2k", Codestream(50000, 40000)},
        // The image header box says the same as the codestream...
        {"huge.jp2", Jp2(Box("ihdr", Be(40000, 4) + Be(50000, 4) + Be(3, 2) + "\x07\x07\0\0"),
                         Codestream(50000, 40000))},
        // ... or claims less: the codestream's own size counts.
        {"liar.jp2", Jp2(Box("ihdr", Be(4, 4) + Be(5, 4) + Be(3, 2) + "\x07\x07\0\0"), Codestream(50000, 40000))},
        {"huge.wbmp", std::string("\0\0", 2) + std::string("\x83\x86\x50", 3) + std::string("\x82\xb8\x40", 3) +
                          std::string(40, '\0')},
        {"huge.xbm", "#define huge_width 50000\n#define huge_height 40000\nstatic char huge_bits[] = {0x00};\n"},
        {"huge.iff", "FORM" + Be(100, 4) + "ILBMBMHD" + Be(20, 4) + Be(50000, 2) + Be(40000, 2) +
                         std::string(80, '\0')},
    };
    RunOptions options{.pictureLimit = std::uint64_t{1} << 30};
    for (const auto& [name, content] : claims) {
        WriteBytes(name, content);
        const ImageRead read = ReadImageFile(name, options);
        EXPECT_EQ(read.status.problem, FileProblem::kTooLarge) << name << ": " << read.status.reason;
        EXPECT_NE(read.status.reason.find("50000 x 40000 pixels"), std::string::npos) << name;
    }
}

TEST_F(DamagedFileTest, HeaderBoxesThatRunPastTheirParentAreAnsweredAtOnce)
{
    // Each JP2 header box holds one that claims to run far past it: walked as
    // they claim, what follows would be walked twice as often at every level,
    // 2^32 times at the last.
    std::string boxes;
    for (int level = 0; level < 32; ++level)
        boxes += Be(16, 4) + "jp2h" + Be(0xFFFFFFF0, 4) + "jp2h";
    WriteBytes("nested.jp2", Box("jP  ", "\r\n\x87\n") + boxes);
    const auto start = std::chrono::steady_clock::now();
    const ImageRead read = ReadImageFile("nested.jp2", RunOptions{});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(read.status.problem, FileProblem::kUnreadable) << read.status.reason;
}

TEST_F(DamagedFileTest, PicturesInThoseFormatsStillRead)
{
    Bitmap picture = MakeImage(80, 60, [](int x, int y) { return Grey(3 * x + y); });
    Bitmap palette(FreeImage_ColorQuantize(picture.get(), FIQ_WUQUANT));
    ASSERT_TRUE(FreeImage_Save(FIF_GIF, palette.get(), "small.gif", 0));
    ASSERT_TRUE(FreeImage_Save(FIF_J2K, picture.get(), "small.j2k", 0));
    ASSERT_TRUE(FreeImage_Save(FIF_JP2, picture.get(), "small.jp2", 0));
    for (const char* name : {"small.gif", "small.j2k", "small.jp2"}) {
        const ImageRead read = ReadRgbImageFile(name, RunOptions{});
        ASSERT_TRUE(read.bitmap) << name << ": " << read.status.reason;
        EXPECT_EQ(Width(read.bitmap.get()), 80) << name;
        EXPECT_EQ(Height(read.bitmap.get()), 60) << name;
    }
}

TEST_F(DamagedFileTest, APalettedBmpIsCutShortWhenItsLastRowLacksItsPadding)
{
    // 5 pixels of a byte each: rows of 8 bytes, 3 of them padding.
    Bitmap grey(FreeImage_ConvertToGreyscale(MakeImage(5, 4, [](int x, int y) { return Grey(40 * x + y); }).get()));
    ASSERT_TRUE(FreeImage_Save(FIF_BMP, grey.get(), "grey.bmp", 0));
    const std::string whole = ReadBytes("grey.bmp");
    ASSERT_TRUE(ReadImageFile("grey.bmp", RunOptions{}).bitmap);
    WriteBytes("short.bmp", whole.substr(0, whole.size() - 1));
    EXPECT_EQ(ReadImageFile("short.bmp", RunOptions{}).status.reason, "cut short");
}

TEST_F(DamagedFileTest, AnIffChunkOfOddLengthIsFollowedByItsPadByte)
{
    // A 5-byte chunk and its pad byte before the bitmap header.
    const std::string iff = "FORM" + Be(100, 4) + "ILBM" + "ANNO" + Be(5, 4) + "hello" + '\0' + "BMHD" + Be(20, 4) +
                            Be(50000, 2) + Be(40000, 2) + std::string(80, '\0');
    WriteBytes("odd.iff", iff);
    const ImageRead read = ReadImageFile("odd.iff", RunOptions{.pictureLimit = std::uint64_t{1} << 30});
    EXPECT_EQ(read.status.problem, FileProblem::kTooLarge) << read.status.reason;
    EXPECT_NE(read.status.reason.find("50000 x 40000 pixels"), std::string::npos) << read.status.reason;
}

TEST_F(DamagedFileTest, AGifIsSizedPastItsColourTableAndByWhereItsImageLies)
{
    // A GIF whose image has a table of its own, given a global one too.
    Bitmap palette(FreeImage_ColorQuantize(MakeImage(12, 8, [](int x, int y) { return Grey(9 * x + y); }).get(),
                                           FIQ_WUQUANT));
    ASSERT_TRUE(FreeImage_Save(FIF_GIF, palette.get(), "plain.gif", 0));
    std::string gif = ReadBytes("plain.gif");
    ASSERT_EQ(static_cast<unsigned char>(gif[10]) & 0x80, 0);
    gif[10] = static_cast<char>(static_cast<unsigned char>(gif[10]) | 0x87); // 256 colours
    gif.insert(13, std::string(3 * 256, '\x11'));
    WriteBytes("global.gif", gif);
    const ImageRead read = ReadRgbImageFile("global.gif", RunOptions{});
    ASSERT_TRUE(read.bitmap) << read.status.reason;
    EXPECT_EQ(Width(read.bitmap.get()), 12);

    // A 1 x 1 screen with a 10000 x 10000 image at 20000, 20000: the whole
    // 30000 x 30000 canvas counts against the limit, not the image alone.
    const std::string offset = "GIF89a" + Le(1, 2) + Le(1, 2) + std::string("\0\0\0", 3) + "," + Le(20000, 2) +
                               Le(20000, 2) + Le(10000, 2) + Le(10000, 2) + std::string("\0\2\2\x4C\x01\0;", 7);
    WriteBytes("offset.gif", offset);
    const ImageRead placed = ReadImageFile("offset.gif", RunOptions{.pictureLimit = std::uint64_t{1} << 30});
    EXPECT_EQ(placed.status.problem, FileProblem::kTooLarge) << placed.status.reason;
    EXPECT_NE(placed.status.reason.find("30000 x 30000 pixels"), std::string::npos) << placed.status.reason;
}

} // namespace
} // namespace velmora::test
