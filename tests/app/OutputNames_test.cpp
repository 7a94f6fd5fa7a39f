#include "app/OutputNames.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <fstream>

namespace velmora::test {
namespace {

TEST(OutputNamesTest, TheExtensionIsAddedOnlyToNamesWithoutOne)
{
    EXPECT_EQ(MakeOutputPath("/out/result", "png", "/in/a.png", "/in/b.png"), "/out/result.png");
    EXPECT_EQ(MakeOutputPath("/out/result.bmp", "png", "/in/a.png", "/in/b.png"), "/out/result.bmp");
    EXPECT_EQ(MakeOutputPath("/out/result.", "tif", "/in/a.png", "/in/b.png"), "/out/result..tif");
    EXPECT_EQ(MakeOutputPath("/out.d/result", "bmp", "", ""), "/out.d/result.bmp");
}

TEST(OutputNamesTest, AClashWithAnInputGetsATwoAsOftenAsNeeded)
{
    Sandbox sandbox;
    EXPECT_EQ(MakeOutputPath(sandbox.Path("Photo.PNG"), "png", sandbox.Path("photo.png"), ""), "2Photo.PNG");
    EXPECT_EQ(MakeOutputPath(sandbox.Path("depth"), "bmp", "", sandbox.Path("depth.bmp")), "2depth.bmp");
    // The prefixed name would be the depth map: prefix again.
    EXPECT_EQ(MakeOutputPath(sandbox.Path("photo.png"), "png", sandbox.Path("photo.png"), sandbox.Path("2photo.png")),
              "22photo.png");
    // The same file by another name counts as a clash too.
    std::ofstream(sandbox.Path("photo.png")) << "x";
    EXPECT_EQ(MakeOutputPath(sandbox.Path("sub/../photo.png"), "png", "photo.png", ""), "2photo.png");
}

TEST(OutputNamesTest, TheSmoothedDepthMapAvoidsTheUsersFiles)
{
    Sandbox sandbox;
    EXPECT_EQ(SmoothedDepthMapPath(kSavePng, {"/out/x.png", "/in/a.png"}), "DepthMapTemp.png");
    EXPECT_EQ(SmoothedDepthMapPath(kSaveBmp, {sandbox.Path("DepthMapTemp.bmp")}), "DepthMapTemp2.bmp");
    EXPECT_EQ(SmoothedDepthMapPath(kSaveBmp, {"depthmaptemp.BMP", "DepthMapTemp2.bmp"}), "DepthMapTemp3.bmp");
}

} // namespace
} // namespace velmora::test
