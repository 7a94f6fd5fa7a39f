// SPDX-License-Identifier: GPL-3.0-or-later

// Files in every format the program reads: whole ones read, ones cut short
// refused as such, and small ones claiming huge pictures refused at once.

#include "imaging/formats/ImageFile.h"
#include "imaging/formats/PixelDataBounds.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

namespace velmora::test {
namespace {

constexpr auto Le = LittleEndianBytes;
constexpr auto Be = BigEndianBytes;
constexpr int kWidth = 10, kHeight = 6;

// The picture's channel c (0 red, 1 green, 2 blue) at (x, row from the top):
// never 0x80 nor 0, so that run-length escapes are tested as data too.
char Channel(int x, int y, int c)
{
    const int value = (37 * x + 11 * y + 5 * c) % 250 + 1;
    return static_cast<char>(value == 0x80 ? 0x81 : value);
}

// 24-bit PCX: three planes per row, every byte as a run of one.
std::string Pcx()
{
    const int lineBytes = kWidth + kWidth % 2;
    std::string file = std::string("\x0A\x05\x01\x08", 4) + Le(0, 2) + Le(0, 2) + Le(kWidth - 1, 2) +
                       Le(kHeight - 1, 2) + Le(72, 2) + Le(72, 2) + std::string(48, '\0') + '\0' + '\3' +
                       Le(lineBytes, 2) + Le(1, 2) + std::string(58, '\0');
    for (int y = 0; y < kHeight; ++y)
        for (int c = 0; c < 3; ++c)
            for (int x = 0; x < lineBytes; ++x)
                file += std::string("\xC1", 1) + (x < kWidth ? Channel(x, y, c) : '\0');
    return file;
}

// 24-bit Sun raster, blue green red, rows padded to 16 bits; run-length
// type 2 escapes each 0x80 (none here) and leaves other bytes as they are.
std::string SunRaster(bool runLength)
{
    const int rowBytes = (3 * kWidth + 1) / 2 * 2;
    std::string pixels;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            for (int c : {2, 1, 0})
                pixels += Channel(x, y, c);
        pixels += std::string(rowBytes - 3 * kWidth, '\0');
    }
    return Be(0x59A66A95, 4) + Be(kWidth, 4) + Be(kHeight, 4) + Be(24, 4) + Be(pixels.size(), 4) +
           Be(runLength ? 2 : 1, 4) + Be(0, 4) + Be(0, 4) + pixels;
}

// RGB SGI: planes red, green, blue, rows from the bottom; run-length rows
// are literal packets, each row's start and length in the tables.
std::string Sgi(bool runLength)
{
    std::string header = Be(474, 2) + std::string(1, runLength ? '\1' : '\0') + '\1' + Be(3, 2) + Be(kWidth, 2) +
                         Be(kHeight, 2) + Be(3, 2) + Be(0, 4) + Be(255, 4);
    header += std::string(512 - header.size(), '\0');
    std::vector<std::string> rows;
    for (int c = 0; c < 3; ++c)
        for (int y = kHeight - 1; y >= 0; --y) {
            std::string row;
            for (int x = 0; x < kWidth; ++x)
                row += Channel(x, y, c);
            rows.push_back(runLength ? static_cast<char>(0x80 | kWidth) + row + '\0' : row);
        }
    std::string starts, lengths, data;
    const std::size_t first = 512 + 8 * rows.size() * (runLength ? 1 : 0);
    for (const std::string& row : rows) {
        starts += Be(first + data.size(), 4);
        lengths += Be(row.size(), 4);
        data += row;
    }
    return header + (runLength ? starts + lengths : "") + data;
}

// RGB Photoshop file, planes one after another; run-length rows are
// literal PackBits packets after a table of their lengths.
std::string Photoshop(bool runLength)
{
    std::string file = "8BPS" + Be(1, 2) + std::string(6, '\0') + Be(3, 2) + Be(kHeight, 4) + Be(kWidth, 4) +
                       Be(8, 2) + Be(3, 2) + Be(0, 4) + Be(0, 4) + Be(0, 4) + Be(runLength ? 1 : 0, 2);
    std::string table, data;
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < kHeight; ++y) {
            std::string row;
            for (int x = 0; x < kWidth; ++x)
                row += Channel(x, y, c);
            if (runLength)
                row = static_cast<char>(kWidth - 1) + row;
            table += Be(row.size(), 2);
            data += row;
        }
    return file + (runLength ? table : "") + data;
}

// A plain-text bitmap, a 0 or 1 a pixel.
std::string TextBitmap()
{
    std::string file = "P1\n10 6\n";
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            file += std::string(Channel(x, y, 0) % 2 ? "1" : "0") + (x + 1 < kWidth ? " " : "\n");
    return file;
}

std::string XBitmap()
{
    std::string file = "#define t_width 10\n#define t_height 6\nstatic char t_bits[] = {\n";
    for (int i = 0; i < 2 * kHeight; ++i)
        file += "0x" + std::string(i % 2 ? "03" : "a5") + (i + 1 < 2 * kHeight ? ", " : "};\n");
    return file;
}

// The file FreeImage writes for the picture in `format` with `flags`.
std::string Written(FREE_IMAGE_FORMAT format, int flags, int bitsPerPixel = 24)
{
    Bitmap picture = MakeImage(kWidth, kHeight, [](int x, int y) {
        return Bgr{std::uint8_t(Channel(x, y, 2)), std::uint8_t(Channel(x, y, 1)), std::uint8_t(Channel(x, y, 0))};
    });
    if (bitsPerPixel != 24)
        picture.reset(bitsPerPixel == 8 ? FreeImage_ConvertToGreyscale(picture.get())
                                        : FreeImage_Threshold(picture.get(), 128));
    const std::string name = "written.tmp";
    EXPECT_TRUE(FreeImage_Save(format, picture.get(), name.c_str(), flags)) << format;
    return ReadBytes(name);
}

class PixelDataBoundsTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

TEST_F(PixelDataBoundsTest, WholeFilesReadAndFilesCutShortAreRefusedInEveryFormat)
{
    const std::pair<std::string, std::string> files[] = {
        {"raw.tga", Written(FIF_TARGA, 0)},
        {"runs.tga", Written(FIF_TARGA, TARGA_SAVE_RLE)},
        {"runs.pcx", Pcx()},
        {"raw.ppm", Written(FIF_PPMRAW, 0)},
        {"text.ppm", Written(FIF_PPM, PNM_SAVE_ASCII)},
        {"raw.pgm", Written(FIF_PGMRAW, 0, 8)},
        {"text.pgm", Written(FIF_PGM, PNM_SAVE_ASCII, 8)},
        {"raw.pbm", Written(FIF_PBMRAW, 0, 1)},
        {"text.pbm", TextBitmap()},
        {"raw.ras", SunRaster(false)},
        {"runs.ras", SunRaster(true)},
        {"raw.sgi", Sgi(false)},
        {"runs.sgi", Sgi(true)},
        {"raw.psd", Photoshop(false)},
        {"runs.psd", Photoshop(true)},
        {"bits.wbmp", Written(FIF_WBMP, 0, 1)},
        {"bits.xbm", XBitmap()},
    };
    for (const auto& [name, content] : files) {
        WriteBytes(name, content);
        const ImageRead whole = ReadRgbImageFile(name, RunOptions{});
        ASSERT_TRUE(whole.bitmap) << name << ": " << whole.status.reason;
        EXPECT_EQ(Width(whole.bitmap.get()), kWidth) << name;
        EXPECT_EQ(Height(whole.bitmap.get()), kHeight) << name;

        // The last row lost, or only its last bytes: an uncompressed pixel,
        // a run's value, or in text a whole value (cutting a number short
        // leaves another number). A Targa file ends in a 26-byte footer.
        const bool text = name == "bits.xbm" || name.rfind("text.", 0) == 0;
        const std::size_t tail = text ? 8 : name.find(".tga") != std::string::npos ? 28 : 2;
        for (const std::size_t cut : {content.size() / 2, content.size() - tail}) {
            WriteBytes("cut-" + name, content.substr(0, cut));
            const ImageRead read = ReadRgbImageFile("cut-" + name, RunOptions{});
            EXPECT_FALSE(read.bitmap) << name << " cut to " << cut;
            EXPECT_EQ(read.status.reason, "cut short") << name << " cut to " << cut;
        }
    }
}

// `file` with the big-endian (or little-endian) 16- or 32-bit numbers at
// `at` set to `value`.
std::string Patched(std::string file, std::size_t at, std::uint32_t value, int count, bool bigEndian)
{
    return file.replace(at, count, bigEndian ? Be(value, count) : Le(value, count));
}

// A PNG whose header claims width x height, its checksum made anew.
std::string PngClaiming(const std::string& png, std::uint32_t width, std::uint32_t height)
{
    std::string file = Patched(Patched(png, 16, width, 4, true), 20, height, 4, true);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(file.data() + 12), 17);
    return file.replace(29, 4, Be(static_cast<std::uint32_t>(crc), 4));
}

// The offset of a JPEG's first frame header's height.
std::size_t JpegFrameHeight(const std::string& jpeg)
{
    return jpeg.find("\xFF\xC0") + 5;
}

long PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

TEST_F(PixelDataBoundsTest, SmallFilesClaimingHugePicturesAreRefusedAtOnce)
{
    // 30000 x 30000 pixels: 2.5 GB, under the limit set here, in files of
    // a few hundred bytes that no compression of their format could fill.
    constexpr std::uint32_t kHuge = 30000;
    const std::string jpeg = Written(FIF_JPEG, 0);
    const std::string claims[][2] = {
        {"huge.tga", Patched(Patched(Written(FIF_TARGA, TARGA_SAVE_RLE), 12, kHuge, 2, false), 14, kHuge, 2, false)},
        {"huge.pcx", Patched(Patched(Pcx(), 8, kHuge, 2, false), 10, kHuge, 2, false)},
        {"huge.ppm", "P6\n30000 30000\n255\n" + std::string(80, '\x7F')},
        {"huge.ras", Patched(Patched(SunRaster(true), 4, kHuge, 4, true), 8, kHuge, 4, true)},
        {"huge.sgi", Patched(Patched(Sgi(true), 6, kHuge, 2, true), 8, kHuge, 2, true)},
        {"huge.psd", Patched(Patched(Photoshop(true), 14, kHuge, 4, true), 18, kHuge, 4, true)},
        {"huge.gif", "GIF89a" + Le(kHuge, 2) + Le(kHuge, 2) + std::string("\0\0\0", 3) + ",\0\0\0\0" +
                         Le(kHuge, 2) + Le(kHuge, 2) + std::string("\0\2\2\x4C\x01\0;", 7)},
        {"offset.gif", "GIF89a" + Le(1, 2) + Le(1, 2) + std::string("\0\0\0", 3) + "," + Le(20000, 2) +
                           Le(20000, 2) + Le(10000, 2) + Le(10000, 2) + std::string("\0\2\2\x4C\x01\0;", 7)},
        {"huge.wbmp", std::string("\0\0", 2) + "\x81\xEA\x30\x81\xEA\x30" + std::string(40, '\0')},
        {"huge.png", PngClaiming(Written(FIF_PNG, 0), kHuge, kHuge)},
        {"huge.jpg", Patched(Patched(jpeg, JpegFrameHeight(jpeg), kHuge, 2, true), JpegFrameHeight(jpeg) + 2, kHuge,
                             2, true)},
        {"huge.xbm", "#define t_width 30000\n#define t_height 30000\nstatic char t_bits[] = {0x00};\n"},
    };
    const RunOptions options{.pictureLimit = std::uint64_t{8} << 30};
    const long peakBefore = PeakMegabytes();
    for (const auto& [name, content] : claims) {
        WriteBytes(name, content);
        const auto start = std::chrono::steady_clock::now();
        const ImageRead read = ReadImageFile(name, options);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << name;
        EXPECT_FALSE(read.bitmap) << name;
        EXPECT_EQ(read.status.problem, FileProblem::kUnreadable) << name << ": " << read.status.reason;
    }
    EXPECT_LT(PeakMegabytes() - peakBefore, 100);
}

TEST_F(PixelDataBoundsTest, BlocksBeyondTheFirstKilobytesAreReachedBySeeking)
{
    // A GIF with a 70 KB comment before its image.
    const std::string gif = Written(FIF_GIF, 0, 8);
    const auto flags = static_cast<unsigned char>(gif[10]);
    const std::size_t afterColours = 13 + ((flags & 0x80) ? 3u << ((flags & 7) + 1) : 0);
    std::string comment = "\x21\xFE";
    for (int block = 0; block < 280; ++block)
        comment += static_cast<char>(250) + std::string(250, 'c');
    comment += '\0';
    WriteBytes("commented.gif", gif.substr(0, afterColours) + comment + gif.substr(afterColours));
    const ImageRead read = ReadRgbImageFile("commented.gif", RunOptions{});
    ASSERT_TRUE(read.bitmap) << read.status.reason;
    EXPECT_EQ(Width(read.bitmap.get()), kWidth);

    // The same file claiming a huge image after the comment is sized by it.
    std::string huge = gif.substr(0, afterColours) + comment + gif.substr(afterColours);
    const std::size_t image = huge.find(',', afterColours + comment.size());
    huge = Patched(Patched(huge, image + 5, 60000, 2, false), image + 7, 60000, 2, false);
    WriteBytes("late.gif", huge);
    EXPECT_EQ(ReadImageFile("late.gif", RunOptions{.pictureLimit = 1 << 30}).status.problem, FileProblem::kTooLarge);
}

// Runs `work` on a thread with a stack of 64 KB, where a walk that recursed
// once per nested box would overflow.
void OnSmallStack(void (*work)())
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 64 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attributes,
                  [](void* job) -> void* {
                      reinterpret_cast<void (*)()>(job)();
                      return nullptr;
                  },
                  reinterpret_cast<void*>(work)),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

TEST_F(PixelDataBoundsTest, NestedBoxesAndShortBitmapsEndTheirWalk)
{
    // Thousands of header boxes, each of length 0 (to the end of the file),
    // one inside the other.
    std::string nested;
    for (int i = 0; i < 9000; ++i)
        nested += Be(0, 4) + "jp2h";
    WriteBytes("nested.jp2", std::string("\0\0\0\x0CjP  \r\n\x87\n", 12) + nested);
    OnSmallStack([] { EXPECT_FALSE(ReadImageFile("nested.jp2", RunOptions{}).bitmap); });

    // An X bitmap that declares 16 x 16 pixels and holds one of its 32 bytes.
    WriteBytes("short.xbm", "#define s_width 16\n#define s_height 16\nstatic char s_bits[] = {0x00,};\n");
    const ImageRead read = ReadImageFile("short.xbm", RunOptions{});
    EXPECT_EQ(read.status.reason, "cut short");
}

TEST_F(PixelDataBoundsTest, ATiffLayoutThatStopsTheLibrarysDecoderIsRefused)
{
    // Layouts the library's decoder would end the program on: one-bit
    // samples, eight of them a pixel; samples below a byte, or of five bytes,
    // stored plane by plane (no bits given: one). Little- and big-endian.
    // Whole bytes plane by plane are the library's to read.
    struct Layout {
        std::uint32_t bits, samples, planar;
        bool refused;
    };
    const Layout layouts[] = {{1, 8, 1, true}, {0, 1, 2, true}, {4, 1, 2, true}, {40, 1, 2, true}, {8, 1, 2, false}};
    for (const Layout& layout : layouts)
        for (const bool big : {false, true}) {
            const auto n16 = [&](std::uint32_t v) { return big ? Be(v, 2) : Le(v, 2); };
            const auto n32 = [&](std::uint32_t v) { return big ? Be(v, 4) : Le(v, 4); };
            const auto entry = [&](int tag, int type, std::uint32_t value) {
                return n16(tag) + n16(type) + n32(1) + (type == 3 ? n16(value) + n16(0) : n32(value));
            };
            const std::string bits = layout.bits > 0 ? entry(258, 3, layout.bits) : "";
            const std::uint32_t entries = layout.bits > 0 ? 9 : 8;
            std::string tiff = std::string(big ? "MM" : "II") + n16(42) + n32(8) + n16(entries);
            tiff += entry(256, 3, 8) + entry(257, 3, 8) + bits + entry(259, 3, 1) + entry(262, 3, 1) +
                entry(273, 4, 8 + 2 + entries * 12 + 4) + entry(277, 3, layout.samples) + entry(279, 4, 64) +
                entry(284, 3, layout.planar);
            tiff += n32(0) + std::string(64, '\x55');
            WriteBytes("layout.tif", tiff);
            const ImageRead read = ReadImageFile("layout.tif", RunOptions{});
            const std::string what = std::to_string(layout.bits) + " bits, planar " + std::to_string(layout.planar);
            if (layout.refused) {
                EXPECT_FALSE(read.bitmap) << what << " " << big;
                EXPECT_EQ(read.status.problem, FileProblem::kUnreadable) << what << " " << big;
            } else {
                EXPECT_TRUE(read.bitmap) << what << " " << big << ": " << read.status.reason;
            }
        }
}

} // namespace
} // namespace velmora::test
