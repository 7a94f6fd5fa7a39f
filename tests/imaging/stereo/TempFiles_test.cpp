// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/TempFiles.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora::test {
namespace {

class TempFilesTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

TEST_F(TempFilesTest, NamesComeFromTheTitleAndTheFormat)
{
    EXPECT_EQ(FileTitle("/photos/photo.1.png"), "photo.1");
    EXPECT_EQ(FileTitle("scene"), "scene");
    EXPECT_EQ(FileTitle("/a.b/scene"), "scene");
    EXPECT_EQ(SmoothedDepthMapName(kSaveTiff), "DepthMapTemp.tif");
    EXPECT_EQ(SmoothedDepthMapName(kSaveJpeg), "DepthMapTemp.bmp"); // intermediates stay lossless
    EXPECT_EQ(OutlineFileName("photo.1", kSavePng), "photo.1-outline.png");
    EXPECT_EQ(GradientFileName("photo", kSaveBmp), "photo-gradient.bmp");
}

TEST_F(TempFilesTest, DeleteTempFilesRemovesOnlyThisFormatsFilesThatThisProcessWrote)
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

TEST_F(TempFilesTest, FreeNamesAreNumberedBeforeTheExtension)
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
