// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/HeifFile.h"
#include "imaging/formats/HeifSignature.h"
#include "imaging/formats/ImageFile.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace velmora::test {
namespace {

// The files tests/data/heif/make-heif-files.py writes: 64 x 64 pixels in
// four quarters of one colour each, encoded without loss but for the
// conversion to and from YCbCr.
std::string HeifData(const std::string& name) { return std::string(VELMORA_TEST_DATA) + "/heif/" + name; }

constexpr Bgr kTopLeft {40, 30, 200}, kTopRight {60, 180, 40}, kBottomLeft {200, 60, 30}, kBottomRight {230, 230, 230};

// Whether the pixel at (x, y), y from the top, is within the colour
// conversion's rounding of `expected`.
::testing::AssertionResult Near(FIBITMAP* bitmap, int x, int y, Bgr expected)
{
    const Bgr pixel = PixelOf(bitmap, x, Height(bitmap) - 1 - y);
    const auto close = [](int a, int b) { return std::abs(a - b) <= 3; };
    if (close(pixel.blue, expected.blue) && close(pixel.green, expected.green) && close(pixel.red, expected.red))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is " << int(pixel.red) << ", "
                                         << int(pixel.green) << ", " << int(pixel.blue);
}

class HeifFileTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

TEST_F(HeifFileTest, APictureReadsAtItsSizeInItsColoursWithNoResolution)
{
    // The content decides, whatever the name says.
    WriteBytes("IMG_0001.png", ReadBytes(HeifData("picture.heic")));
    for (const std::string& path : {HeifData("picture.heic"), std::string("IMG_0001.png")}) {
        const ImageRead read = ReadRgbImageFile(path, RunOptions {});
        ASSERT_TRUE(read.bitmap) << path << ": " << read.status.reason;
        EXPECT_EQ(Width(read.bitmap.get()), 64);
        EXPECT_EQ(Height(read.bitmap.get()), 64);
        EXPECT_EQ(BitsPerPixel(read.bitmap.get()), 24);
        EXPECT_EQ(HorizontalResolution(read.bitmap.get()), 0);
        EXPECT_TRUE(Near(read.bitmap.get(), 5, 5, kTopLeft));
        EXPECT_TRUE(Near(read.bitmap.get(), 60, 5, kTopRight));
        EXPECT_TRUE(Near(read.bitmap.get(), 5, 60, kBottomLeft));
        EXPECT_TRUE(Near(read.bitmap.get(), 60, 60, kBottomRight));
        const ResolutionRead resolution = ReadHorizontalResolution(path, RunOptions {});
        EXPECT_TRUE(resolution.status) << resolution.status.reason;
        EXPECT_EQ(resolution.pixelsPerMetre, 0);
    }
}

TEST_F(HeifFileTest, AGridOfTilesReadsAsOnePictureOnAnyNumberOfThreads)
{
    const std::string grid = HeifData("picture-grid-64x32.heic");
    const Bitmap one = ReadRgbImageFile(grid, RunOptions {.threads = 1}).bitmap;
    ASSERT_TRUE(one);
    EXPECT_EQ(Width(one.get()), 64);
    EXPECT_EQ(Height(one.get()), 32);
    EXPECT_TRUE(Near(one.get(), 5, 5, kTopLeft));
    EXPECT_TRUE(Near(one.get(), 60, 5, kTopRight));
    EXPECT_TRUE(Near(one.get(), 5, 28, kBottomLeft));
    EXPECT_TRUE(Near(one.get(), 60, 28, kBottomRight));
    const Bitmap four = ReadRgbImageFile(grid, RunOptions {.threads = 4}).bitmap;
    ASSERT_TRUE(four);
    Save(one.get(), "one.bmp");
    Save(four.get(), "four.bmp");
    EXPECT_TRUE(SamePixels("one.bmp", "four.bmp"));
}

TEST_F(HeifFileTest, APictureTurnedByItsFileIsReadUpright)
{
    // A quarter turn anticlockwise brings the top right quarter to the top left.
    const Bitmap turned = ReadRgbImageFile(HeifData("picture-turned.heic"), RunOptions {}).bitmap;
    ASSERT_TRUE(turned);
    EXPECT_TRUE(Near(turned.get(), 5, 5, kTopRight));
    EXPECT_TRUE(Near(turned.get(), 60, 5, kBottomRight));
    EXPECT_TRUE(Near(turned.get(), 5, 60, kTopLeft));
    EXPECT_TRUE(Near(turned.get(), 60, 60, kBottomLeft));
}

TEST_F(HeifFileTest, TheLimitRefusesAPictureBeforeItIsDecoded)
{
    // 20000 x 20000 claimed over the data of 64 x 64: refused as too large
    // rather than as damaged, so its pixels were never asked for.
    const RunOptions options {.pictureLimit = 64 << 20};
    for (const ImageRead& read :
         {ReadImageFile(HeifData("picture-claiming-20000x20000.heic"), options),
          ReadImageFile(HeifData("picture.heic"), RunOptions {.pictureLimit = 64 * 64 * 3 - 1})}) {
        EXPECT_FALSE(read.bitmap);
        EXPECT_EQ(read.status.problem, FileProblem::kTooLarge) << read.status.reason;
    }
    EXPECT_NE(ReadImageFile(HeifData("picture-claiming-20000x20000.heic"), options).status.reason.find("20000 x 20000"),
              std::string::npos);
    EXPECT_EQ(ReadHorizontalResolution(HeifData("picture-claiming-20000x20000.heic"), options).status.problem,
              FileProblem::kTooLarge);
    EXPECT_TRUE(ReadImageFile(HeifData("picture.heic"), RunOptions {.pictureLimit = 64 * 64 * 3}).bitmap);
}

TEST_F(HeifFileTest, CutShortDamagedOrUndecodableFilesAreRefused)
{
    const std::string heif = ReadBytes(HeifData("picture.heic"));
    const std::size_t data = heif.find("mdat") + 4;
    WriteBytes("data-cut.heic", heif.substr(0, data + 100));
    WriteBytes("boxes-cut.heic", heif.substr(0, heif.find("iloc")));
    WriteBytes("ftyp-only.heic", heif.substr(0, heif.find("meta") - 4));
    std::string noise = heif;
    for (std::size_t at = heif.find("meta") + 12; at < noise.size(); at += 3)
        noise[at] = '\x5a';
    WriteBytes("noise.heic", noise);
    for (const char* name : {"data-cut.heic", "boxes-cut.heic"}) {
        const ImageRead read = ReadImageFile(name, RunOptions {});
        EXPECT_FALSE(read.bitmap) << name;
        EXPECT_EQ(read.status.problem, FileProblem::kUnreadable) << name;
        EXPECT_EQ(read.status.reason, reasons::kCutShort) << name;
    }
    for (const char* name : {"ftyp-only.heic", "noise.heic"}) {
        const ImageRead read = ReadImageFile(name, RunOptions {});
        EXPECT_FALSE(read.bitmap) << name;
        EXPECT_EQ(read.status.problem, FileProblem::kUnreadable) << name;
    }

    // The picture's item said to be coded in VVC, which libheif reads no pixels of.
    std::string other = heif;
    other.replace(other.find("hvc1"), 4, "vvc1");
    WriteBytes("vvc.heic", other);
    const ImageRead read = ReadImageFile("vvc.heic", RunOptions {});
    EXPECT_FALSE(read.bitmap);
    EXPECT_NE(read.status.reason.find("no decoder"), std::string::npos) << read.status.reason;
}

TEST_F(HeifFileTest, TheSignatureIsTheFileTypeBoxWithAHeifBrand)
{
    const auto signed_ = [](const std::string& bytes) {
        FileBytes file(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        return HasHeifSignature(file);
    };
    const auto ftyp = [](const std::string& brands) {
        return BigEndianBytes(static_cast<std::uint32_t>(8 + brands.size()), 4) + "ftyp" + brands;
    };
    EXPECT_TRUE(signed_(ReadBytes(HeifData("picture.heic"))));
    EXPECT_TRUE(signed_(ftyp("heic" + std::string(4, '\0'))));
    // A camera's brand first, the HEIF brand among the compatible ones.
    EXPECT_TRUE(signed_(ftyp("MiHE" + std::string(4, '\0') + "MiPrmiafmsf1")));
    EXPECT_TRUE(signed_(ftyp("avif" + std::string(4, '\0') + "mif1")));
    // MP4 video and JPEG 2000 use the same boxes with brands of their own.
    EXPECT_FALSE(signed_(ftyp("isom" + std::string(4, '\0') + "isomiso2mp41")));
    EXPECT_FALSE(signed_(ftyp("jp2 " + std::string(4, '\0') + "jp2 ")));
    // A brand past the box's end, or a box longer than the file.
    EXPECT_FALSE(signed_(ftyp("isom" + std::string(4, '\0')) + "heic"));
    EXPECT_FALSE(signed_(ftyp("heic" + std::string(4, '\0')).substr(0, 15)));

    EXPECT_TRUE(NamedAsPicture("IMG_0001.HEIC"));
    EXPECT_TRUE(NamedAsPicture("a.heif"));
    EXPECT_TRUE(NamedAsPicture("folder.heic/a.hif"));
    EXPECT_FALSE(NamedAsPicture("a.heic.txt"));
    EXPECT_FALSE(NamedAsPicture("heic"));
}

} // namespace
} // namespace velmora::test
