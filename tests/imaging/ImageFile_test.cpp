// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/TempFiles.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace velmora::test {
namespace {

class ImageFileTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

TEST_F(ImageFileTest, PixelsAreBlueGreenRedFromTheBottomRow)
{
    Bitmap bitmap = MakeImage(2, 2, [](int x, int y) { return x == 0 && y == 0 ? Bgr{1, 2, 3} : Grey(9); });
    Save(bitmap.get(), "order.bmp");
    // A BMP file stores its bottom row first, each pixel blue, green, red.
    const std::string file = ReadBytes("order.bmp");
    const auto dataOffset = static_cast<unsigned char>(file[10]) | static_cast<unsigned char>(file[11]) << 8;
    EXPECT_EQ(file.substr(dataOffset, 3), std::string("\x01\x02\x03", 3));
}

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

TEST_F(ImageFileTest, NewImagesAreBlackAndImpossibleSizesGiveNone)
{
    Bitmap bitmap = NewImage(4, 3, 24);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(PixelOf(bitmap.get(), 3, 2), Grey(0));
    EXPECT_FALSE(NewImage(0, 3, 24));
    EXPECT_FALSE(NewImage(3, -1, 24));
    EXPECT_FALSE(NewImage(200000, 200000, 24));
}

TEST(TempFilesTest, NamesComeFromTheTitleAndTheFormat)
{
    EXPECT_EQ(FileTitle("/photos/photo.1.png"), "photo.1");
    EXPECT_EQ(FileTitle("scene"), "scene");
    EXPECT_EQ(FileTitle("/a.b/scene"), "scene");
    EXPECT_EQ(SmoothedDepthMapName(kSaveTiff), "DepthMapTemp.tif");
    EXPECT_EQ(OutlineFileName("photo.1", kSavePng), "photo.1-outline.png");
    EXPECT_EQ(GradientFileName("photo", kSaveBmp), "photo-gradient.bmp");
}

TEST_F(ImageFileTest, DeleteTempFilesRemovesOnlyThisFormatsFilesThatThisProcessWrote)
{
    Bitmap bitmap = MakeImage(2, 2, [](int, int) { return Grey(1); });
    for (const char* name : {"photo-gradient.png", "photo-outline.png", "DepthMapTemp.png", "DepthMapTemp2.png",
                             "DepthMapTemp.bmp", "photo.png", "other-outline.png", "changed-outline.png"})
        Save(bitmap.get(), name, kSavePng);
    // The user's own files that merely bear such names.
    WriteBytes("users-outline.png", "mine");
    WriteBytes("DepthMapTemp3.png", "mine");
    // One of ours that the user has changed since.
    WriteBytes("changed-outline.png", "edited");

    DeleteTempFiles("/somewhere/else/photo.png", kSavePng);
    for (const char* gone : {"photo-gradient.png", "photo-outline.png", "DepthMapTemp.png", "DepthMapTemp2.png"})
        EXPECT_FALSE(std::filesystem::exists(gone)) << gone;
    for (const char* kept : {"DepthMapTemp.bmp", "photo.png", "other-outline.png", "DepthMapTemp3.png"})
        EXPECT_TRUE(std::filesystem::exists(kept)) << kept;
    DeleteTempFiles("users.png", kSavePng);
    DeleteTempFiles("changed.png", kSavePng);
    EXPECT_EQ(ReadBytes("users-outline.png"), "mine");
    EXPECT_EQ(ReadBytes("changed-outline.png"), "edited");

    // Files to keep are never deleted, even ours.
    Save(bitmap.get(), "DepthMapTemp.png", kSavePng);
    DeleteTempFiles("photo.png", kSavePng, {std::filesystem::absolute("DepthMapTemp.png").string()});
    EXPECT_TRUE(std::filesystem::exists("DepthMapTemp.png"));
}

TEST(TempFilesTest, FreeNamesAreNumberedBeforeTheExtension)
{
    const std::vector<std::string> taken{"a/DepthMapTemp.bmp", "a/DepthMapTemp2.bmp"};
    const auto isTaken = [&](const std::string& name) {
        return std::find(taken.begin(), taken.end(), name) != taken.end();
    };
    EXPECT_EQ(FirstFreeName("a/DepthMapTemp.bmp", isTaken), "a/DepthMapTemp3.bmp");
    EXPECT_EQ(FirstFreeName("a/other.bmp", isTaken), "a/other.bmp");
    EXPECT_EQ(FirstFreeName("x.y/plain", [](const std::string& name) { return name == "x.y/plain"; }), "x.y/plain2");
    EXPECT_TRUE(IsNameOrNumberedForm("photo-outline12.png", "photo-outline.png"));
    EXPECT_TRUE(IsNameOrNumberedForm("photo-outline.png", "photo-outline.png"));
    EXPECT_FALSE(IsNameOrNumberedForm("photo-outline02.png", "photo-outline.png"));
    EXPECT_FALSE(IsNameOrNumberedForm("photo-outlinex.png", "photo-outline.png"));
    EXPECT_FALSE(IsNameOrNumberedForm("photo-outline2.bmp", "photo-outline.png"));
}

} // namespace
} // namespace velmora::test
