// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/ImageFile.h"
#include "imaging/formats/PictureLimit.h"
#include "imaging/formats/PlainBmpReader.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace velmora::test {
namespace {

constexpr auto Le = LittleEndianBytes;

struct BmpLayout {
    std::uint32_t headerSize = 40;
    bool topDown = false;
    std::uint32_t gap = 0; // bytes between the headers and the pixels
    std::uint32_t bitsPerPixel = 24;
    std::uint32_t compression = 0; // 3: the pixels' channels given by colour masks
    std::uint32_t colours = 0;     // in the palette
};

// Red, green, blue and alpha masks: 5-6-5 for 16 bits, bytes for 32.
std::string ColourMasks(std::uint32_t bitsPerPixel)
{
    if (bitsPerPixel == 16)
        return Le(0xF800, 4) + Le(0x07E0, 4) + Le(0x001F, 4) + Le(0, 4);
    return Le(0xFF0000, 4) + Le(0xFF00, 4) + Le(0xFF, 4) + Le(0xFF000000, 4);
}

// A BMP of random bytes, padding included, as other programs write them:
// any Windows header, rows either way, the pixels anywhere after it. The
// info header keeps its colour masks after it, the later ones within.
std::string RandomBmp(int width, int height, const BmpLayout& layout, std::mt19937& random)
{
    const std::uint32_t pitch = (width * layout.bitsPerPixel + 31) / 32 * 4;
    std::string pixels(pitch * height, '\0');
    for (char& byte : pixels)
        byte = static_cast<char>(random());
    std::string palette(4 * layout.colours, '\0');
    for (char& byte : palette)
        byte = static_cast<char>(random());
    const std::string masks = layout.compression == 3 ? ColourMasks(layout.bitsPerPixel) : "";
    const std::string afterHeader = (layout.headerSize == 40 ? masks.substr(0, 12) : "") + palette;
    const std::uint32_t pixelsAt = 14 + layout.headerSize + afterHeader.size() + layout.gap;
    std::string info = Le(layout.headerSize, 4) + Le(width, 4) + Le(layout.topDown ? -height : height, 4) +
                       Le(1, 2) + Le(layout.bitsPerPixel, 2) + Le(layout.compression, 4) + Le(pixels.size(), 4) +
                       Le(3780, 4) + Le(2835, 4) + Le(layout.colours, 4) + Le(0, 4);
    if (layout.headerSize > 40)
        info += masks;
    info.resize(layout.headerSize, '\x5A');
    std::string file = "BM";
    file += Le(pixelsAt + pixels.size(), 4) + Le(0, 4) + Le(pixelsAt, 4) + info + afterHeader;
    return file + std::string(layout.gap, '\x77') + pixels;
}

// What the image library itself makes of the file.
Bitmap LibraryRead(const std::string& path)
{
    return Bitmap(FreeImage_Load(FIF_BMP, path.c_str(), 0));
}

// Ours against the library's reading of `libraryPath`, the same file unless
// the library refuses the file itself.
::testing::AssertionResult SameAsLibrary(const std::string& path, const std::string& libraryPath = "")
{
    const Bitmap expected = LibraryRead(libraryPath.empty() ? path : libraryPath);
    const ImageRead actual = ReadImageFile(path, RunOptions{});
    if (!expected || !actual.bitmap)
        return ::testing::AssertionFailure() << "library " << bool(expected) << ", ours " << actual.status.reason;
    FIBITMAP* e = expected.get();
    FIBITMAP* a = actual.bitmap.get();
    if (Width(a) != Width(e) || Height(a) != Height(e) || BitsPerPixel(a) != BitsPerPixel(e))
        return ::testing::AssertionFailure() << "size or depth differs";
    if (FreeImage_GetDotsPerMeterX(a) != FreeImage_GetDotsPerMeterX(e) ||
        FreeImage_GetDotsPerMeterY(a) != FreeImage_GetDotsPerMeterY(e))
        return ::testing::AssertionFailure() << "resolution differs";
    for (int y = 0; y < Height(e); ++y)
        if (std::memcmp(FreeImage_GetScanLine(a, y), FreeImage_GetScanLine(e, y), FreeImage_GetLine(e)) != 0)
            return ::testing::AssertionFailure() << "row " << y << " differs";
    // What turns the stored values into colours: the palette and the masks.
    if (FreeImage_GetColorsUsed(a) != FreeImage_GetColorsUsed(e) ||
        (FreeImage_GetColorsUsed(e) > 0 && std::memcmp(FreeImage_GetPalette(a), FreeImage_GetPalette(e),
                                                       FreeImage_GetColorsUsed(e) * sizeof(RGBQUAD)) != 0))
        return ::testing::AssertionFailure() << "palette differs";
    if (FreeImage_GetRedMask(a) != FreeImage_GetRedMask(e) || FreeImage_GetGreenMask(a) != FreeImage_GetGreenMask(e) ||
        FreeImage_GetBlueMask(a) != FreeImage_GetBlueMask(e))
        return ::testing::AssertionFailure() << "colour masks differ";
    return ::testing::AssertionSuccess();
}

std::optional<PlainBmpHeader> PlainHeaderOf(const std::string& path)
{
    const int descriptor = open(path.c_str(), O_RDONLY);
    if (descriptor < 0)
        return std::nullopt;
    const std::optional<BmpHeader> start = ReadBmpHeader(descriptor);
    close(descriptor);
    std::optional<PlainBmpHeader> header = start ? PlainBmpOf(*start) : std::nullopt;
    return header;
}

class PlainBmpTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    std::mt19937 random{41};
};

TEST_F(PlainBmpTest, GivesWhatTheLibraryGivesForEitherRowOrderAnyPaddingAndGap)
{
    for (bool topDown : {false, true})
        for (int width : {1, 2, 3, 4, 5, 7})
            for (std::uint32_t gap : {0u, 6u}) {
                std::string name = topDown ? "t" : "b";
                name += std::to_string(width) + "-" + std::to_string(gap) + ".bmp";
                WriteBytes(name, RandomBmp(width, 5, {40, topDown, gap}, random));
                EXPECT_TRUE(SameAsLibrary(name)) << name;
            }
}

TEST_F(PlainBmpTest, LargePicturesInTheirOwnPagesAreReadWhole)
{
    // Over a megabyte, so the pixels live in pages of their own, and an odd
    // width, so every row is padded.
    for (bool topDown : {false, true}) {
        WriteBytes("large.bmp", RandomBmp(1001, 700, {40, topDown}, random));
        EXPECT_TRUE(SameAsLibrary("large.bmp")) << topDown;
    }
}

TEST_F(PlainBmpTest, LaterWindowsHeadersAreReadLikeTheInfoHeader)
{
    // The library refuses 24-bit pixels under the headers that GIMP and
    // ImageMagick write; the pixels are stored as under the info header.
    for (std::uint32_t headerSize : {52u, 56u, 108u, 124u})
        for (bool topDown : {false, true}) {
            std::mt19937 same = random;
            WriteBytes("info.bmp", RandomBmp(7, 5, {40, topDown}, random));
            WriteBytes("later.bmp", RandomBmp(7, 5, {headerSize, topDown}, same));
            EXPECT_TRUE(SameAsLibrary("later.bmp", "info.bmp")) << headerSize;
            EXPECT_EQ(ReadHorizontalResolution("later.bmp", RunOptions{}).pixelsPerMetre, 3780) << headerSize;
        }
    // Their size is checked from the header before any pixel is read.
    RunOptions options{.pictureLimit = 1000};
    const std::string claim = RandomBmp(40, 30, {124}, random);
    WriteBytes("claim.bmp", claim.substr(0, 14 + 124));
    const ImageRead refused = ReadImageFile("claim.bmp", options);
    options.pictureLimit = DefaultPictureLimit();
    EXPECT_FALSE(refused.bitmap);
    EXPECT_EQ(refused.status.problem, FileProblem::kTooLarge);
}

TEST_F(PlainBmpTest, OtherPixelsUnderLaterHeadersAreReadAsUnderTheInfoHeader)
{
    // Palettes, 5-5-5 and 5-6-5 pixels, 32 bits with transparency, as GIMP
    // and ImageMagick write them: the library refused them all as damaged.
    const BmpLayout kinds[] = {{.bitsPerPixel = 4, .colours = 16},
                               {.bitsPerPixel = 8, .colours = 256},
                               {.bitsPerPixel = 16},
                               {.bitsPerPixel = 16, .compression = 3},
                               {.bitsPerPixel = 32},
                               {.bitsPerPixel = 32, .compression = 3}};
    for (std::uint32_t headerSize : {52u, 56u, 108u, 124u})
        for (BmpLayout layout : kinds) {
            layout.topDown = headerSize == 108;
            layout.gap = headerSize == 124 ? 10 : 0; // where V5 files keep their colour profile
            std::mt19937 same = random;
            WriteBytes("info.bmp", RandomBmp(7, 5, layout, random));
            layout.headerSize = headerSize;
            WriteBytes("later.bmp", RandomBmp(7, 5, layout, same));
            EXPECT_TRUE(SameAsLibrary("later.bmp", "info.bmp")) << headerSize << " " << layout.bitsPerPixel;
            EXPECT_EQ(ReadHorizontalResolution("later.bmp", RunOptions{}).pixelsPerMetre, 3780) << headerSize;
        }

    // Large enough for the library to read it in many pieces.
    std::mt19937 same = random;
    WriteBytes("info.bmp", RandomBmp(1001, 300, {40, false, 0, 32, 3}, random));
    WriteBytes("later.bmp", RandomBmp(1001, 300, {124, false, 0, 32, 3}, same));
    EXPECT_TRUE(SameAsLibrary("later.bmp", "info.bmp"));

    // Their size is checked from the header before any pixel is read; a file
    // cut short is refused as such.
    RunOptions options{.pictureLimit = 1000};
    const std::string large = RandomBmp(40, 30, {124, false, 0, 32, 3}, random);
    WriteBytes("claim.bmp", large.substr(0, 14 + 124));
    const ImageRead refused = ReadImageFile("claim.bmp", options);
    options.pictureLimit = DefaultPictureLimit();
    EXPECT_EQ(refused.status.problem, FileProblem::kTooLarge);
    WriteBytes("short.bmp", large.substr(0, large.size() - 1));
    EXPECT_EQ(ReadImageFile("short.bmp", options).status.reason, "cut short");
    // Pixels said to start within the header are not looked for there.
    std::string inside = RandomBmp(4, 3, {124, false, 0, 32}, random);
    inside.replace(10, 4, Le(100, 4));
    WriteBytes("inside.bmp", inside);
    EXPECT_FALSE(ReadImageFile("inside.bmp", options).bitmap);
}

TEST_F(PlainBmpTest, OtherBmpFilesAreLeftToTheLibrary)
{
    // 32 bits, 8 bits with a palette, run-length coded, the OS/2 2.x header,
    // a bitmap array: the library reads them or refuses them as before.
    WriteBytes("32.bmp", RandomBmp(6, 4, {40, false, 0, 32}, random));
    Save(GreyPaletteImage(9, 4).get(), "8.bmp");
    std::string rle = RandomBmp(4, 2, {}, random);
    rle[30] = 1;
    std::string array = RandomBmp(4, 2, {}, random);
    array[1] = 'A';
    const std::string others[] = {ReadBytes("32.bmp"), ReadBytes("8.bmp"), rle, array, RandomBmp(4, 2, {64}, random)};
    for (const std::string& content : others) {
        WriteBytes("other.bmp", content);
        EXPECT_FALSE(PlainHeaderOf("other.bmp"));
        if (LibraryRead("other.bmp"))
            EXPECT_TRUE(SameAsLibrary("other.bmp"));
        else
            EXPECT_FALSE(ReadImageFile("other.bmp", RunOptions{}).bitmap);
    }
}

TEST_F(PlainBmpTest, ImpossibleSizesAreNotReadAsPlainFiles)
{
    // No width, a negative one, no height, a height whose size has no
    // positive counterpart: not pictures at all.
    const std::pair<int, std::int32_t> fields[] = {{18, 0}, {18, -4}, {22, 0}, {22, INT32_MIN}};
    for (const auto& [at, value] : fields) {
        std::string content = RandomBmp(4, 3, {}, random);
        content.replace(at, 4, Le(static_cast<std::uint32_t>(value), 4));
        WriteBytes("impossible.bmp", content);
        EXPECT_FALSE(PlainHeaderOf("impossible.bmp")) << at << " " << value;
        EXPECT_FALSE(ReadImageFile("impossible.bmp", RunOptions{}).bitmap) << at << " " << value;
    }
}

TEST_F(PlainBmpTest, PixelsMissingWhenReadGiveNoPicture)
{
    // The file was long enough when checked and shrank before the pixels
    // were read: no picture rather than black rows.
    for (bool topDown : {false, true}) {
        const std::string whole = RandomBmp(300, 200, {40, topDown}, random);
        WriteBytes("short.bmp", whole.substr(0, whole.size() - 1));
        const int descriptor = open("short.bmp", O_RDONLY);
        ASSERT_GE(descriptor, 0);
        const std::optional<PlainBmpHeader> header = PlainBmpOf(ReadBmpHeader(descriptor).value());
        ASSERT_TRUE(header);
        EXPECT_FALSE(ReadPlainBmp(descriptor, *header)) << topDown;
        EXPECT_FALSE(ReadPlainBmpChannel(descriptor, *header, 0)) << topDown;
        close(descriptor);
        EXPECT_FALSE(ReadImageFile("short.bmp", RunOptions{}).bitmap);
    }
}

// Whether the plane holds byte `channel` of every pixel of the picture.
::testing::AssertionResult PlaneOf(const BytePlane& plane, FIBITMAP* picture, int channel)
{
    if (plane.Width() != Width(picture) || plane.Height() != Height(picture))
        return ::testing::AssertionFailure() << "plane of " << plane.Width() << "x" << plane.Height();
    for (int y = 0; y < Height(picture); ++y)
        for (int x = 0; x < Width(picture); ++x)
            if (plane.Row(y)[x] != PixelAt(picture, x, y)[channel])
                return ::testing::AssertionFailure() << "pixel " << x << ", " << y;
    return ::testing::AssertionSuccess();
}

TEST_F(PlainBmpTest, AChannelReadAloneIsThatByteOfThePictureAsRead)
{
    // Both row orders, padded rows, a gap before the pixels, a later header,
    // rows so long that a band holds a few of them; and pictures read whole
    // first: 32-bit pixels, a PNG.
    WriteBytes("gap.bmp", RandomBmp(7, 5, {40, false, 6}, random));
    WriteBytes("top.bmp", RandomBmp(7, 5, {40, true}, random));
    WriteBytes("wide.bmp", RandomBmp(40001, 19, {124, false}, random));
    WriteBytes("wide-top.bmp", RandomBmp(40000, 20, {40, true}, random));
    WriteBytes("32.bmp", RandomBmp(9, 4, {40, false, 0, 32}, random));
    Save(RandomImage(11, 6, random).get(), "picture.png", kSavePng);
    for (const char* path : {"gap.bmp", "top.bmp", "wide.bmp", "wide-top.bmp", "32.bmp", "picture.png"})
        for (int channel : {0, 1, 2}) {
            const ImageRead whole = ReadRgbImageFile(path, RunOptions{});
            ASSERT_TRUE(whole.bitmap) << path;
            const PlaneRead plane = ReadImageChannel(path, channel, RunOptions{});
            EXPECT_TRUE(PlaneOf(plane.plane, whole.bitmap.get(), channel)) << path << " " << channel;
        }
}

TEST_F(PlainBmpTest, AChannelIsRefusedAsThePictureWouldBe)
{
    // Cut short, claiming too much, missing, not a picture: the same reason.
    const std::string whole = RandomBmp(30, 20, {40, false}, random);
    WriteBytes("short.bmp", whole.substr(0, whole.size() - 1));
    WriteBytes("text.bmp", "not a picture");
    RunOptions options{.pictureLimit = 100};
    WriteBytes("large.bmp", whole);
    for (const char* path : {"short.bmp", "text.bmp", "missing.bmp", "large.bmp"}) {
        const PlaneRead plane = ReadImageChannel(path, 0, options);
        const ImageRead picture = ReadRgbImageFile(path, options);
        ASSERT_FALSE(picture.bitmap) << path;
        EXPECT_FALSE(plane.plane) << path;
        EXPECT_EQ(plane.status.reason, picture.status.reason) << path;
        EXPECT_EQ(plane.status.problem, picture.status.problem) << path;
    }
}

} // namespace
} // namespace velmora::test
