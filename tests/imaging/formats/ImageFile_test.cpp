// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/ImageFile.h"

#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

namespace velmora::test {
namespace {

class ImageFileTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

TEST_F(ImageFileTest, TheWrittenFormatFollowsTheSettingNotTheName)
{
    Bitmap bitmap = MakeImage(3, 2, [](int, int) { return Grey(7); });
    Save(bitmap.get(), "a.bmp", kSavePng);
    Save(bitmap.get(), "b.png", kSaveTiff);
    Save(bitmap.get(), "c.tif", kSaveBmp);
    Save(bitmap.get(), "reference.bmp", kSaveBmp);
    EXPECT_EQ(ReadBytes("a.bmp").substr(0, 4), "\x89PNG");
    EXPECT_EQ(ReadBytes("b.png").substr(0, 4), std::string("II*\0", 4));
    EXPECT_EQ(ReadBytes("c.tif").substr(0, 2), "BM");
    // Reading goes by the content, so each is read back whatever its name.
    for (const char* name : {"a.bmp", "b.png", "c.tif"})
        EXPECT_TRUE(SamePixels("reference.bmp", name)) << name;
    EXPECT_FALSE(WriteImageFile(bitmap.get(), "d.bmp", kSaveJpeg + 1, RunOptions{}));
    EXPECT_FALSE(std::filesystem::exists("d.bmp"));
}

TEST_F(ImageFileTest, AJpegReadsAsAnotherDecoderReadsIt)
{
    if (!PythonHas("PIL"))
        GTEST_SKIP() << "no Python imaging library here";
    // Noise shows every difference in the inverse DCT and in how colour
    // stored at half size comes back, as cameras store it; odd sizes, the
    // edges.
    std::mt19937 random(3);
    Save(RandomImage(61, 37, random).get(), "picture.png", kSavePng);
    const ProgramResult pil =
        RunProgram(kPython, {"-c", "from PIL import Image\n"
                                   "for halved in (2, 1, 0):\n"
                                   "    name = 'colour-%d' % halved\n"
                                   "    Image.open('picture.png').save(name + '.jpg', quality=90, "
                                   "subsampling=halved)\n"
                                   "    Image.open(name + '.jpg').save(name + '.bmp')\n"});
    ASSERT_EQ(pil.exitCode, 0) << pil.err;
    for (const char* name : {"colour-2", "colour-1", "colour-0"})
        EXPECT_TRUE(SamePixels(std::string(name) + ".bmp", std::string(name) + ".jpg")) << name;
}

TEST_F(ImageFileTest, OtherDepthsAreConvertedToThreeBytesPerPixel)
{
    Bitmap grey = GreyPaletteImage(3, 2);
    FreeImage_GetScanLine(grey.get(), 1)[2] = 77;
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, grey.get(), "grey8.png", 0));

    Bitmap wide(FreeImage_AllocateT(FIT_UINT16, 3, 2));
    reinterpret_cast<WORD*>(FreeImage_GetScanLine(wide.get(), 1))[2] = 0xAB12;
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, wide.get(), "grey16.png", 0));

    Bitmap alpha(FreeImage_Allocate(3, 2, 32));
    BYTE* pixel = FreeImage_GetScanLine(alpha.get(), 1) + 8;
    pixel[0] = 10, pixel[1] = 20, pixel[2] = 30, pixel[3] = 128;
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, alpha.get(), "alpha.png", 0));

    const std::pair<const char*, Bgr> cases[] = {
        {"grey8.png", Grey(77)}, {"grey16.png", Grey(0xAB)}, {"alpha.png", Bgr{10, 20, 30}}};
    for (const auto& [name, expected] : cases) {
        EXPECT_NE(BitsPerPixel(ReadImageFile(name, RunOptions{}).bitmap.get()), 24) << name;
        Bitmap rgb = ReadRgbImageFile(name, RunOptions{}).bitmap;
        ASSERT_TRUE(rgb) << name;
        EXPECT_EQ(BitsPerPixel(rgb.get()), 24) << name;
        EXPECT_EQ(PixelOf(rgb.get(), 2, 1), expected) << name;
    }
}

TEST_F(ImageFileTest, BadFilesGiveNoBitmap)
{
    Bitmap bitmap = MakeImage(40, 30, [](int x, int y) { return Grey(x + y); });
    Save(bitmap.get(), "good.png", kSavePng);
    Save(bitmap.get(), "good.bmp", kSaveBmp);
    const std::string png = ReadBytes("good.png"), bmp = ReadBytes("good.bmp");
    WriteBytes("truncated.png", png.substr(0, png.size() / 2));
    WriteBytes("truncated.bmp", bmp.substr(0, 60));
    WriteBytes("empty.png", "");
    WriteBytes("noise.png", std::string(500, '\x5a'));
    WriteBytes("noise.bmp", "BM" + std::string(500, '\xff'));
    WriteBytes("picture.xyz", png);

    for (const char* name : {"missing.png", "empty.png", "noise.png", "noise.bmp", "truncated.bmp", "truncated.png",
                             "no-extension"}) {
        const ImageRead read = ReadRgbImageFile(name, RunOptions{});
        EXPECT_FALSE(read.bitmap) << name;
        EXPECT_EQ(read.status.problem, FileProblem::kUnreadable) << name;
        EXPECT_FALSE(read.status.reason.empty()) << name;
    }
    EXPECT_EQ(ReadImageFile("missing.png", RunOptions{}).status.reason, "No such file or directory");
    // The content decides, not the name.
    EXPECT_TRUE(SamePixels("good.png", "picture.xyz"));
    EXPECT_FALSE(ReadHorizontalResolution("noise.png", RunOptions{}).pixelsPerMetre);
}

TEST_F(ImageFileTest, PixelsAreBlueGreenRedFromTheBottomRow)
{
    Bitmap bitmap = MakeImage(2, 2, [](int x, int y) { return x == 0 && y == 0 ? Bgr{1, 2, 3} : Grey(9); });
    Save(bitmap.get(), "order.bmp");
    // A BMP file stores its bottom row first, each pixel blue, green, red.
    const std::string file = ReadBytes("order.bmp");
    const auto dataOffset = static_cast<unsigned char>(file[10]) | static_cast<unsigned char>(file[11]) << 8;
    EXPECT_EQ(file.substr(dataOffset, 3), std::string("\x01\x02\x03", 3));
}

TEST_F(ImageFileTest, ResolutionIsTruncatedAndSetBothWays)
{
    Bitmap bitmap = MakeImage(1, 1, [](int, int) { return Grey(0); });
    SetResolution(bitmap.get(), 2835.9);
    for (int format : {kSaveBmp, kSavePng, kSaveTiff}) {
        const std::string name = "r." + FormatExtension(format);
        Save(bitmap.get(), name, format);
        Bitmap back = ReadImageFile(name, RunOptions{}).bitmap;
        ASSERT_TRUE(back) << name;
        EXPECT_EQ(HorizontalResolution(back.get()), 2835) << name;
        EXPECT_EQ(FreeImage_GetDotsPerMeterY(back.get()), 2835u) << name;
        EXPECT_EQ(ReadHorizontalResolution(name, RunOptions{}).pixelsPerMetre, 2835) << name;
    }
}

TEST_F(ImageFileTest, WritesTheSetQualityAndKeepsIntermediatesLossless)
{
    std::mt19937 random(20);
    std::uniform_int_distribution<int> wobble(-6, 6);
    // A smooth picture with some noise, as photographs are.
    Bitmap picture = MakeImage(64, 48, [&](int x, int y) {
        const auto at = [&](int base) { return static_cast<std::uint8_t>(std::clamp(base + wobble(random), 0, 255)); };
        return Bgr{at(3 * x), at(4 * y), at(2 * x + 2 * y)};
    });
    const auto largestError = [&](const std::string& path) {
        const Pixels read = ReadPixels(path).value();
        int largest = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const Bgr a = PixelOf(picture.get(), x, y), b = read.At(x, y);
                largest = std::max({largest, std::abs(a.blue - b.blue), std::abs(a.green - b.green),
                                    std::abs(a.red - b.red)});
            }
        return largest;
    };
    ASSERT_TRUE(WriteImageFile(picture.get(), "best.jpg", kSaveJpeg, RunOptions{.jpegQuality = 100}));
    ASSERT_TRUE(WriteImageFile(picture.get(), "worst.jpg", kSaveJpeg, RunOptions{.jpegQuality = 5}));
    EXPECT_EQ(ReadBytes("best.jpg").substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_LE(largestError("best.jpg"), 8); // the noise itself is up to 6
    EXPECT_GT(largestError("worst.jpg"), 20);
    EXPECT_LT(ReadBytes("worst.jpg").size(), ReadBytes("best.jpg").size());

    // Red and cyan columns one pixel wide, as the edges of an anaglyph are:
    // colour kept at full resolution keeps them apart.
    picture = MakeImage(64, 48, [](int x, int) { return x % 2 ? Bgr{255, 255, 0} : Bgr{0, 0, 255}; });
    ASSERT_TRUE(WriteImageFile(picture.get(), "stripes.jpg", kSaveJpeg, RunOptions{}));
    EXPECT_LE(largestError("stripes.jpg"), 24);

    EXPECT_EQ(IntermediateFormat(kSaveJpeg), kSaveBmp);
    EXPECT_EQ(IntermediateFormat(kSavePng), kSavePng);
}

// `png` without its pHYs chunk.
std::string WithoutResolutionChunk(const std::string& png)
{
    const std::size_t chunk = png.find("pHYs") - 4;
    return png.substr(0, chunk) + png.substr(chunk + 12 + 9);
}

TEST_F(ImageFileTest, APictureWhoseFileGivesNoResolutionHasNone)
{
    Bitmap picture = MakeImage(6, 4, [](int x, int y) { return Grey(10 * x + y); });
    SetResolution(picture.get(), 3780);
    Save(picture.get(), "with.png", kSavePng);
    Save(picture.get(), "with.jpg", kSaveJpeg);
    WriteBytes("without.png", WithoutResolutionChunk(ReadBytes("with.png")));
    // JFIF density units 0: only the pixels' shape.
    std::string jpeg = ReadBytes("with.jpg");
    const std::size_t jfif = jpeg.find(std::string("JFIF\0", 5));
    ASSERT_NE(jfif, std::string::npos);
    jpeg[jfif + 7] = '\0';
    WriteBytes("without.jpg", jpeg);
    for (const char* name : {"with.png", "with.jpg"}) {
        EXPECT_NE(ReadHorizontalResolution(name, RunOptions{}).pixelsPerMetre.value_or(0), 0) << name;
        EXPECT_NE(HorizontalResolution(ReadImageFile(name, RunOptions{}).bitmap.get()), 0) << name;
    }
    for (const char* name : {"without.png", "without.jpg"}) {
        EXPECT_EQ(ReadHorizontalResolution(name, RunOptions{}).pixelsPerMetre, 0) << name;
        const ImageRead read = ReadImageFile(name, RunOptions{});
        ASSERT_TRUE(read.bitmap) << name << ": " << read.status.reason;
        EXPECT_EQ(HorizontalResolution(read.bitmap.get()), 0) << name;
    }
}

} // namespace
} // namespace velmora::test
