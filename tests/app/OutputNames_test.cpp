// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/OutputNames.h"
#include "imaging/files/WrittenFiles.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <fstream>

namespace velmora::test {
namespace {

std::string OutputPath(const std::string& answer, const std::string& extension, const std::string& imagePath,
                       const std::string& depthPath)
{
    const OutputFiles files = MakeOutputPath(answer, extension, imagePath, depthPath);
    EXPECT_EQ(files.paths.size(), 1u);
    return files.paths.front();
}

TEST(OutputNamesTest, TheExtensionIsAddedOnlyToNamesWithoutOne)
{
    EXPECT_EQ(OutputPath("/out/result", "png", "/in/a.png", "/in/b.png"), "/out/result.png");
    EXPECT_EQ(OutputPath("/out/result.bmp", "png", "/in/a.png", "/in/b.png"), "/out/result.bmp");
    EXPECT_EQ(OutputPath("/out/result.", "tif", "/in/a.png", "/in/b.png"), "/out/result..tif");
    EXPECT_EQ(OutputPath("/out.d/result", "bmp", "", ""), "/out.d/result.bmp");
}

TEST(OutputNamesTest, AClashWithAnInputGetsATwoAsOftenAsNeeded)
{
    Sandbox sandbox;
    EXPECT_EQ(OutputPath(sandbox.Path("Photo.PNG"), "png", sandbox.Path("photo.png"), ""), "2Photo.PNG");
    EXPECT_EQ(OutputPath(sandbox.Path("depth"), "bmp", "", sandbox.Path("depth.bmp")), "2depth.bmp");
    // The prefixed name would be the depth map: prefix again.
    EXPECT_EQ(OutputPath(sandbox.Path("photo.png"), "png", sandbox.Path("photo.png"), sandbox.Path("2photo.png")),
              "22photo.png");
    // The same file by another name counts as a clash too.
    std::ofstream(sandbox.Path("photo.png")) << "x";
    EXPECT_EQ(OutputPath(sandbox.Path("sub/../photo.png"), "png", "photo.png", ""), "2photo.png");
}

TEST(OutputNamesTest, ANameTheDialogDidNotAskAboutNeverReplacesAnotherFile)
{
    Sandbox sandbox;
    Bitmap bitmap = MakeImage(2, 2, [](int, int) { return Grey(1); });
    // The user's own 2photo.png stays; one this process wrote may be replaced.
    WriteBytes("2photo.png", "the user's");
    EXPECT_EQ(OutputPath(sandbox.Path("photo.png"), "png", sandbox.Path("photo.png"), ""), "22photo.png");
    Save(bitmap.get(), "22photo.png", kSavePng);
    EXPECT_EQ(OutputPath(sandbox.Path("photo.png"), "png", sandbox.Path("photo.png"), ""), "22photo.png");
    // The dialog asked about "result.", not about "result..bmp".
    WriteBytes("result..bmp", "the user's");
    EXPECT_EQ(OutputPath(sandbox.Path("result."), "bmp", "", ""), "2result..bmp");
    // What the dialog asked about is the user's choice.
    EXPECT_EQ(OutputPath(sandbox.Path("2photo.png"), "png", "", ""), sandbox.Path("2photo.png"));
}

TEST(OutputNamesTest, TheSmoothedDepthMapAvoidsTheUsersFiles)
{
    Sandbox sandbox;
    EXPECT_EQ(SmoothedDepthMapPath(kSavePng, {"/out/x.png", "/in/a.png"}), "DepthMapTemp.png");
    EXPECT_EQ(SmoothedDepthMapPath(kSaveBmp, {sandbox.Path("DepthMapTemp.bmp")}), "DepthMapTemp2.bmp");
    EXPECT_EQ(SmoothedDepthMapPath(kSaveBmp, {"depthmaptemp.BMP", "DepthMapTemp2.bmp"}), "DepthMapTemp3.bmp");
    // Any file of that name but a temporary one of this process is the user's.
    WriteBytes("DepthMapTemp.png", "the user's");
    EXPECT_EQ(SmoothedDepthMapPath(kSavePng, {}), "DepthMapTemp2.png");
    Bitmap bitmap = MakeImage(2, 2, [](int, int) { return Grey(1); });
    Save(bitmap.get(), "DepthMapTemp.tif", kSaveTiff);
    EXPECT_EQ(SmoothedDepthMapPath(kSaveTiff, {}), "DepthMapTemp.tif");
    KeepAsResult("DepthMapTemp.tif");
    EXPECT_EQ(SmoothedDepthMapPath(kSaveTiff, {}), "DepthMapTemp2.tif");
}

} // namespace
} // namespace velmora::test
