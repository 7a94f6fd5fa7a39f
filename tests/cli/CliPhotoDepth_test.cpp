// SPDX-License-Identifier: GPL-3.0-or-later

// Where a command's depth map comes from and how one of another size meets
// the picture, through the real program.

#include "imaging/formats/ImageFile.h"
#include "imaging/photo/DepthFitting.h"
#include "tests/cli/CliRun.h"
#include "tests/support/PhoneJpegs.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace velmora::test {
namespace {

class CliDepthFitTest : public ::testing::Test {
protected:
    CliDepthFitTest()
    {
        std::mt19937 random(5);
        Bitmap picture = RandomImage(80, 60, random);
        SetResolution(picture.get(), 2835);
        Save(picture.get(), "p.png", kSavePng);
        half_ = RandomDepthMap(40, 30, random);
        Save(half_.get(), "half.png", kSavePng);
        Save(RandomDepthMap(40, 40, random).get(), "square.png", kSavePng);
    }

    Sandbox sandbox;
    Bitmap half_;
};

TEST_F(CliDepthFitTest, AHalfSizeDepthMapIsScaledToTheWholePicture)
{
    // What the command must do: the same as with the map scaled beforehand.
    Save(Resized(half_.get(), 80, 60).get(), "scaled.png", kSavePng);
    for (const std::string command : {"anaglyph", "view"}) {
        std::vector<std::string> extra;
        if (command == "view")
            extra = {"--parallax", "6"};
        std::vector<std::string> fromHalf = {command, "--image", "p.png", "--depth", "half.png", "-o", "a.png"};
        std::vector<std::string> fromScaled = {command, "--image", "p.png", "--depth", "scaled.png", "-o", "b.png"};
        fromHalf.insert(fromHalf.end(), extra.begin(), extra.end());
        fromScaled.insert(fromScaled.end(), extra.begin(), extra.end());
        const ProgramResult scaled = Cli(fromHalf);
        ASSERT_EQ(scaled.exitCode, 0) << scaled.err;
        ASSERT_EQ(Cli(fromScaled).exitCode, 0);
        EXPECT_EQ(ReadBytes("a.png"), ReadBytes("b.png")) << command;
        EXPECT_EQ(ReadPixels("a.png")->width, 80) << command;
    }
}

TEST_F(CliDepthFitTest, ADepthMapOfAnotherShapeIsRefusedUnlessTheFitIsChosen)
{
    const ProgramResult refused = Cli({"anaglyph", "--image", "p.png", "--depth", "square.png", "-o", "a.png"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(Says(refused, "40 x 40")) << refused.err;
    EXPECT_TRUE(Says(refused, "80 x 60")) << refused.err;
    EXPECT_TRUE(Says(refused, "--depth-fit scale") && Says(refused, "--depth-fit crop")) << refused.err;
    EXPECT_FALSE(std::filesystem::exists("a.png"));

    // Crop: the area both have, as the routines have always met two sizes.
    ASSERT_EQ(Cli({"anaglyph", "--image", "p.png", "--depth", "square.png", "--depth-fit", "crop", "-o", "c.png"})
                  .exitCode,
              0);
    EXPECT_EQ(ReadPixels("c.png")->width, 40);
    EXPECT_EQ(ReadPixels("c.png")->height, 40);
    // Scale: stretched to the picture.
    ASSERT_EQ(Cli({"lcshutter", "--image", "p.png", "--depth", "square.png", "--depth-fit", "SCALE", "-o", "s.png"})
                  .exitCode,
              0);
    EXPECT_EQ(ReadPixels("s.png")->width, 80);
    EXPECT_EQ(ReadPixels("s.png")->height, 60);
}

TEST_F(CliDepthFitTest, ADepthMapOfThePicturesSizeIsReadAsItIs)
{
    // No copy is made: a depth map that cannot be decoded is reported under its own name.
    WriteBytes("broken.png", ReadBytes("p.png").substr(0, 200));
    const ProgramResult broken = Cli({"anaglyph", "--image", "p.png", "--depth", "broken.png", "-o", "a.png"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(Says(broken, "broken.png")) << broken.err;
}

TEST_F(CliDepthFitTest, EveryFrameOfASeriesHasTheSizeTheDepthMapAllows)
{
    ASSERT_EQ(Cli({"views", "--image", "p.png", "--depth", "square.png", "--depth-fit", "crop", "--count", "3",
                   "--parallax", "4", "-o", "v%d.png"})
                  .exitCode,
              0);
    for (const char* frame : {"v0.png", "v1.png", "v2.png"}) {
        EXPECT_EQ(ReadPixels(frame)->width, 40) << frame;
        EXPECT_EQ(ReadPixels(frame)->height, 40) << frame;
    }
    // The picture's frame is its bottom-left corner.
    const auto picture = ReadPixels("p.png"), frame = ReadPixels("v2.png");
    EXPECT_EQ(frame->At(5, 7), picture->At(5, 7));
    EXPECT_EQ(frame->At(39, 39), picture->At(39, 39));
}

// A depth network in place of a depth map, with the tiny models the
// estimator's tests make (a network whose output is the input's red
// channel, among others).
class CliDepthModelTest : public CliDepthFitTest {
protected:
    void SetUp() override
    {
        if (!PythonHas("onnx"))
            GTEST_SKIP() << kPython << " has no onnx module to make the test models with";
        std::filesystem::create_directory("models");
        const ProgramResult made = RunProgram(kPython, {VELMORA_DEPTH_MODELS_SCRIPT, "models"});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
};

TEST_F(CliDepthModelTest, ANetworksDepthMapServesEveryCommandThatTakesADepthMap)
{
    const ProgramResult made = Cli({"depth", "--image", "p.png", "--model", "models/first_channel.onnx",
                                    "--model-input", "40x30", "-o", "estimated.png"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(ReadPixels("estimated.png")->width, 80);
    // The whole commands with --depth-model give what they give with that map.
    for (const std::string command : {"anaglyph", "lcshutter"}) {
        const ProgramResult direct = Cli({command, "--image", "p.png", "--depth-model", "models/first_channel.onnx",
                                          "--model-input", "40x30", "-o", "a.png"});
        ASSERT_EQ(direct.exitCode, 0) << direct.err;
        ASSERT_EQ(Cli({command, "--image", "p.png", "--depth", "estimated.png", "-o", "b.png"}).exitCode, 0);
        EXPECT_EQ(ReadBytes("a.png"), ReadBytes("b.png")) << command;
    }
    // The model's options change the estimate: another input size gives another map.
    ASSERT_EQ(Cli({"depth", "--image", "p.png", "--model", "models/first_channel.onnx", "--model-input", "8x6", "-o",
                   "coarse.png"})
                  .exitCode,
              0);
    EXPECT_NE(ReadBytes("coarse.png"), ReadBytes("estimated.png"));
}

TEST_F(CliDepthModelTest, WhatCannotBeEstimatedIsSaidPlainly)
{
    const ProgramResult both = Cli({"anaglyph", "--image", "p.png", "--depth", "half.png", "--depth-model",
                                    "models/first_channel.onnx", "-o", "a.png"});
    EXPECT_EQ(both.exitCode, 2);
    const ProgramResult neither = Cli({"anaglyph", "--image", "p.png", "-o", "a.png"});
    EXPECT_EQ(neither.exitCode, 2);
    EXPECT_TRUE(Says(neither, "--depth D") && Says(neither, "--depth-model M.onnx")) << neither.err;
    const ProgramResult missing = Cli({"depth", "--image", "p.png", "--model", "none.onnx", "-o", "d.png"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(Says(missing, "none.onnx")) << missing.err;
    const ProgramResult notOnnx = Cli({"view", "--image", "p.png", "--depth-model", "p.png", "--parallax", "5", "-o",
                                       "v.png"});
    EXPECT_EQ(notOnnx.exitCode, 1);
    EXPECT_TRUE(Says(notOnnx, "not an ONNX model")) << notOnnx.err;
    const ProgramResult manyChannels =
        Cli({"depth", "--image", "p.png", "--model", "models/three_channels.onnx", "-o", "d.png"});
    EXPECT_EQ(manyChannels.exitCode, 1);
    EXPECT_TRUE(Says(manyChannels, "one value per pixel")) << manyChannels.err;
    EXPECT_EQ(Cli({"depth", "--image", "p.png", "--model", "models/first_channel.onnx", "--model-input", "0x5", "-o",
                   "d.png"})
                  .exitCode,
              2);
    EXPECT_FALSE(std::filesystem::exists("a.png") || std::filesystem::exists("d.png") ||
                 std::filesystem::exists("v.png"));
}

TEST_F(CliDepthModelTest, ABatchMakesEachPicturesDepthMapWithTheNetwork)
{
    std::filesystem::create_directory("in");
    std::filesystem::copy_file("p.png", "in/one.png");
    std::filesystem::copy_file("half.png", "in/two.png"); // any picture will do
    const ProgramResult batch = Cli({"batch", "lcshutter", "--images", "in", "--depth-model",
                                     "models/first_channel.onnx", "--model-input", "16x12", "--out", "out"});
    ASSERT_EQ(batch.exitCode, 0) << batch.err;
    for (const std::string stem : {"one", "two"}) {
        ASSERT_EQ(Cli({"lcshutter", "--image", "in/" + stem + ".png", "--depth-model", "models/first_channel.onnx",
                       "--model-input", "16x12", "-o", stem + ".png"})
                      .exitCode,
                  0);
        EXPECT_EQ(ReadBytes("out/" + stem + ".png"), ReadBytes(stem + ".png")) << stem;
    }
}

TEST_F(CliDepthFitTest, ABatchFitsEachDepthMapAsASingleCommandWould)
{
    std::filesystem::create_directory("in");
    std::filesystem::copy_file("p.png", "in/scaled.png");
    std::filesystem::copy_file("half.png", "in/scaled-depth.png");
    std::filesystem::copy_file("p.png", "in/other.png");
    std::filesystem::copy_file("square.png", "in/other-depth.png");
    const ProgramResult batch = Cli({"batch", "anaglyph", "--images", "in", "--depth-suffix", "-depth", "--out", "out"});
    EXPECT_EQ(batch.exitCode, 1);
    EXPECT_NE(batch.out.find("1 made, 1 failed"), std::string::npos) << batch.out;
    EXPECT_TRUE(Says(batch, "in/other.png: the depth map is 40 x 40")) << batch.err;
    ASSERT_EQ(Cli({"anaglyph", "--image", "p.png", "--depth", "half.png", "-o", "single.png"}).exitCode, 0);
    EXPECT_EQ(ReadBytes("out/scaled.png"), ReadBytes("single.png"));
    ASSERT_EQ(
        Cli({"batch", "anaglyph", "--images", "in", "--depth-suffix", "-depth", "--depth-fit", "crop", "--out", "out"})
            .exitCode,
        0);
    EXPECT_EQ(ReadPixels("out/other.png")->width, 40);
}

// Phone photographs that store their depth map, built from the published
// layouts (a Google depth map in a JPEG's XMP) or made by libheif's encoder
// (a HEIC with a depth image, committed with the script that made it).
class CliStoredDepthTest : public ::testing::Test {
protected:
    // A 16 x 12 photograph whose 8 x 6 depth map has four bands, near to far
    // from the top, under Exif `orientation`.
    static std::string GoogleDepthPhoto(int orientation = 1)
    {
        std::vector<int> levels;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                levels.push_back(y < 3 ? 40 * x : 250 - 10 * y);
        const std::string packet = GDepthAttributes("RangeLinear", "1", "4", Base64(GreyPng(8, 6, levels)));
        return WithSegments(
            Photo(16, 12),
            {App1(std::string_view("Exif\0\0", 6), ExifOrientation(orientation)), App1(kMainId, packet)});
    }

    Sandbox sandbox;
};

TEST_F(CliStoredDepthTest, APhotoWithAGoogleDepthMapNeedsNoDepthMapOfItsOwn)
{
    WriteBytes("phone.jpg", GoogleDepthPhoto());
    const ProgramResult extracted = Cli({"depth", "--from-photo", "phone.jpg", "-o", "stored.png"});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    // Brought to the photograph's size.
    EXPECT_EQ(ReadPixels("stored.png")->width, 16);
    EXPECT_EQ(ReadPixels("stored.png")->height, 12);
    for (const std::vector<std::string>& depth : {std::vector<std::string> {}, {"--depth", "embedded"}}) {
        std::vector<std::string> arguments = {"anaglyph", "--image", "phone.jpg", "--parallax", "4", "-o", "a.png"};
        arguments.insert(arguments.end(), depth.begin(), depth.end());
        const ProgramResult made = Cli(arguments);
        ASSERT_EQ(made.exitCode, 0) << made.err;
        ASSERT_EQ(Cli({"anaglyph", "--image", "phone.jpg", "--depth", "stored.png", "--parallax", "4", "-o", "b.png"})
                      .exitCode,
                  0);
        EXPECT_EQ(ReadBytes("a.png"), ReadBytes("b.png"));
    }
}

TEST_F(CliStoredDepthTest, APhotoTakenSidewaysHasItsDepthMapTurnedWithIt)
{
    WriteBytes("upright.jpg", GoogleDepthPhoto(1));
    WriteBytes("sideways.jpg", GoogleDepthPhoto(6));
    ASSERT_EQ(Cli({"depth", "--from-photo", "upright.jpg", "-o", "upright.png"}).exitCode, 0);
    ASSERT_EQ(Cli({"depth", "--from-photo", "sideways.jpg", "-o", "sideways.png"}).exitCode, 0);
    const std::optional<Pixels> upright = ReadPixels("upright.png"), sideways = ReadPixels("sideways.png");
    ASSERT_TRUE(upright && sideways);
    ASSERT_EQ(sideways->width, 12);
    ASSERT_EQ(sideways->height, 16);
    // Turned a quarter clockwise: the stored top row is the right-hand column.
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(sideways->At(11 - y, sideways->height - 1 - x), upright->At(x, upright->height - 1 - y))
                << x << "," << y;
    // The picture turns the same way, so the anaglyph is upright with its disparity across.
    const ProgramResult made = Cli({"anaglyph", "--image", "sideways.jpg", "--parallax", "4", "-o", "a.png"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(ReadPixels("a.png")->width, 12);
}

TEST_F(CliStoredDepthTest, AHeicWithADepthImageNeedsNoDepthMapOfItsOwn)
{
    const std::string heic = std::string(VELMORA_SOURCE) + "/tests/data/heif/depth-disparity-0.5-2.heic";
    const ProgramResult made = Cli({"lcshutter", "--image", heic, "--parallax", "4", "-o", "a.png"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    ASSERT_EQ(Cli({"depth", "--from-photo", heic, "-o", "stored.png"}).exitCode, 0);
    ASSERT_EQ(Cli({"lcshutter", "--image", heic, "--depth", "stored.png", "--parallax", "4", "-o", "b.png"}).exitCode,
              0);
    EXPECT_EQ(ReadBytes("a.png"), ReadBytes("b.png"));
}

TEST_F(CliStoredDepthTest, NoStoredDepthMapOrABrokenOneIsSaid)
{
    WriteBytes("plain.jpg", Photo(16, 12));
    const ProgramResult none = Cli({"anaglyph", "--image", "plain.jpg", "--parallax", "4", "-o", "a.png"});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(Says(none, "plain.jpg stores no depth map") && Says(none, "--depth D") &&
                Says(none, "--depth-model M.onnx"))
        << none.err;
    WriteBytes("broken.jpg",
               WithSegments(Photo(16, 12), {App1(kMainId, GDepthAttributes("RangeLinear", "1", "4", "@@@@"))}));
    const ProgramResult broken = Cli({"depth", "--from-photo", "broken.jpg", "-o", "d.png"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(Says(broken, "broken.jpg: its stored depth map")) << broken.err;
    EXPECT_FALSE(std::filesystem::exists("a.png") || std::filesystem::exists("d.png"));
}

TEST_F(CliStoredDepthTest, ABatchOfPhoneFilesUsesTheDepthMapEachStores)
{
    std::filesystem::create_directory("phone");
    WriteBytes("phone/portrait.jpg", GoogleDepthPhoto());
    WriteBytes("phone/landscape.jpg", Photo(16, 12)); // stores none
    const ProgramResult batch = Cli({"batch", "anaglyph", "--images", "phone", "--parallax", "4", "--out", "out"});
    EXPECT_EQ(batch.exitCode, 1);
    EXPECT_NE(batch.out.find("1 made, 1 failed"), std::string::npos) << batch.out;
    EXPECT_TRUE(Says(batch, "landscape.jpg stores no depth map")) << batch.err;
    ASSERT_EQ(Cli({"anaglyph", "--image", "phone/portrait.jpg", "--parallax", "4", "-o", "single.png"}).exitCode, 0);
    EXPECT_EQ(ReadBytes("out/portrait.png"), ReadBytes("single.png"));
}

} // namespace
} // namespace velmora::test
