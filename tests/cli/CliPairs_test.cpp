// SPDX-License-Identifier: GPL-3.0-or-later

// velmora-cli on stereo pairs: a camera's MPO, a JPS, two eye files.

#include "imaging/pairs/MpoIndex.h"
#include "tests/cli/CliRun.h"
#include "tests/cli/PairScenes.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

namespace velmora::test {
namespace {

class CliPairsTest : public ::testing::Test {
protected:
    CliPairsTest()
    {
        std::mt19937 random(31);
        Save(RandomImage(48, 32, random).get(), "left.jpg", kSaveJpeg);
        Save(RandomImage(48, 32, random).get(), "right.jpg", kSaveJpeg);
        const std::string left = ReadBytes("left.jpg"), right = ReadBytes("right.jpg");
        const std::vector<std::uint8_t> mpo =
            BuildStereoMpo({left.begin(), left.end()}, {right.begin(), right.end()});
        WriteBytes("camera.mpo", std::string(mpo.begin(), mpo.end()));
    }

    Sandbox sandbox;
};

TEST_F(CliPairsTest, ACamerasPairComposesAsItsTwoEyesDo)
{
    for (const char* mode : {"grey", "dubois"}) {
        ASSERT_EQ(Cli({"compose-anaglyph", "--view", "left.jpg", "--image", "right.jpg", "--mode", mode, "-o",
                       "eyes.png"})
                      .exitCode,
                  0);
        const ProgramResult mpo = Cli({"compose-anaglyph", "--stereo", "camera.mpo", "--mode", mode, "-o", "mpo.png"});
        ASSERT_EQ(mpo.exitCode, 0) << mpo.err;
        EXPECT_TRUE(SamePixels("eyes.png", "mpo.png")) << mode;
        const ProgramResult files = Cli({"compose-anaglyph", "--left", "left.jpg", "--right", "right.jpg", "--mode",
                                         mode, "-o", "files.png"});
        ASSERT_EQ(files.exitCode, 0) << files.err;
        EXPECT_TRUE(SamePixels("eyes.png", "files.png")) << mode;
    }
    // LC shutter: the photograph's rows and the view's, as a view is the left eye.
    ASSERT_EQ(Cli({"compose-lcshutter", "--left", "right.jpg", "--right", "left.jpg", "-o", "lc-eyes.png"}).exitCode, 0);
    const ProgramResult lc = Cli({"compose-lcshutter", "--stereo", "camera.mpo", "-o", "lc-mpo.png"});
    ASSERT_EQ(lc.exitCode, 0) << lc.err;
    EXPECT_TRUE(SamePixels("lc-eyes.png", "lc-mpo.png"));
}

TEST_F(CliPairsTest, BadPairsAndHalfGivenOnesAreRefused)
{
    WriteBytes("single.mpo", ReadBytes("left.jpg"));
    const ProgramResult plain = Cli({"compose-anaglyph", "--stereo", "single.mpo", "-o", "a.png"});
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_NE(plain.err.find("single.mpo: not a stereo file"), std::string::npos) << plain.err;
    Save(MakeImage(10, 8, [](int, int) { return Grey(5); }).get(), "small.png", kSavePng);
    const ProgramResult sizes = Cli({"compose-anaglyph", "--left", "left.jpg", "--right", "small.png", "-o", "a.png"});
    EXPECT_EQ(sizes.exitCode, 1);
    EXPECT_NE(sizes.err.find("its eyes differ in size: 48 x 32 and 10 x 8"), std::string::npos) << sizes.err;
    EXPECT_FALSE(std::filesystem::exists("a.png"));

    const std::vector<std::vector<std::string>> usage = {
        {"compose-anaglyph", "--left", "left.jpg", "-o", "a.png"},
        {"compose-anaglyph", "--stereo", "camera.mpo", "--left", "left.jpg", "--right", "right.jpg", "-o", "a.png"},
        {"compose-anaglyph", "--stereo", "camera.mpo", "--view", "left.jpg", "--image", "right.jpg", "-o", "a.png"},
        {"compose-anaglyph", "--stereo-layout", "cross", "--view", "left.jpg", "--image", "right.jpg", "-o", "a.png"},
        {"compose-anaglyph", "--stereo", "camera.mpo", "--stereo-layout", "diagonal", "-o", "a.png"},
        {"compose-anaglyph", "-o", "a.png"},
        {"compose-lcshutter", "--stereo", "camera.mpo", "--left", "left.jpg", "--right", "right.jpg", "-o", "a.png"},
        {"compose-anaglyph", "--stereo", "camera.mpo", "-o", "camera.mpo"},
    };
    for (const auto& arguments : usage)
        EXPECT_EQ(Cli(arguments).exitCode, 2) << ::testing::PrintToString(arguments);
    EXPECT_FALSE(std::filesystem::exists("a.png"));
}

TEST_F(CliPairsTest, AStereoPicturesLayoutSaysWhichHalfIsWhichEye)
{
    const auto left = ReadPixels("left.jpg"), right = ReadPixels("right.jpg");
    ASSERT_TRUE(left && right);
    const auto beside = [&](const Pixels& first, const Pixels& second) {
        return MakeImage(96, 32, [&](int x, int y) { return x < 48 ? first.At(x, y) : second.At(x - 48, y); });
    };
    Save(beside(*left, *right).get(), "parallel.png", kSavePng);
    Save(beside(*right, *left).get(), "cross.png", kSavePng);
    // Rows count from the bottom: the left eye above is the later rows.
    Save(MakeImage(48, 64, [&](int x, int y) { return y < 32 ? right->At(x, y) : left->At(x, y - 32); }).get(),
         "top-bottom.png", kSavePng);
    ASSERT_EQ(Cli({"compose-anaglyph", "--left", "left.jpg", "--right", "right.jpg", "--mode", "dubois", "-o",
                   "eyes.png"})
                  .exitCode,
              0);
    for (const std::string layout : {"parallel", "cross", "top-bottom"}) {
        const ProgramResult split = Cli({"compose-anaglyph", "--stereo", layout + ".png", "--stereo-layout", layout,
                                         "--mode", "dubois", "-o", "split.png"});
        ASSERT_EQ(split.exitCode, 0) << split.err;
        EXPECT_TRUE(SamePixels("eyes.png", "split.png")) << layout;
    }

    // The stereo picture is an input like any other: never the output too.
    const std::string before = ReadBytes("parallel.png");
    EXPECT_EQ(Cli({"compose-anaglyph", "--stereo", "parallel.png", "--stereo-layout", "parallel", "-o",
                   "parallel.png"})
                  .exitCode,
              2);
    EXPECT_TRUE(ReadBytes("parallel.png") == before);
}

const std::string kSampleImage = std::string(VELMORA_SAMPLES) + "/sample.png";
const std::string kSampleDepth = std::string(VELMORA_SAMPLES) + "/sample-depth.png";

TEST_F(CliPairsTest, APictureAndItsDepthMapBecomeAnMpoOrAJps)
{
    const std::vector<std::string> eyes = {"--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "12"};
    std::vector<std::string> pair = {"pair"}, apart = {"pair"}, jps = {"sbs"}, cross = {"sbs"};
    for (auto* arguments : {&pair, &apart, &jps, &cross})
        arguments->insert(arguments->end(), eyes.begin(), eyes.end());
    pair.insert(pair.end(), {"--quality", "95", "-o", "made.mpo"});
    apart.insert(apart.end(), {"--quality", "95", "--left", "l.jpg", "--right", "r.jpg"});
    jps.insert(jps.end(), {"-o", "made.jps"});
    cross.insert(cross.end(), {"--layout", "cross", "-o", "cross.jpg"});
    for (const auto& arguments : {pair, apart, jps, cross}) {
        const ProgramResult made = Cli(arguments);
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    // The MPO's eyes are the pair's JPEGs; it composes as they do.
    ASSERT_EQ(Cli({"compose-anaglyph", "--stereo", "made.mpo", "-o", "from-mpo.png"}).exitCode, 0);
    ASSERT_EQ(Cli({"compose-anaglyph", "--left", "l.jpg", "--right", "r.jpg", "-o", "from-eyes.png"}).exitCode, 0);
    EXPECT_TRUE(SamePixels("from-mpo.png", "from-eyes.png"));
    // A JPS is the cross-eyed side-by-side JPEG.
    EXPECT_TRUE(ReadBytes("made.jps") == ReadBytes("cross.jpg"));
    ASSERT_EQ(Cli({"compose-anaglyph", "--stereo", "made.jps", "-o", "from-jps.png"}).exitCode, 0);

    const std::vector<std::vector<std::string>> usage = {
        {"pair", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "12", "-o", "made.jpg"},
        {"pair", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "12"},
        {"pair", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "12", "-o", "x.mpo", "--left", "l"},
        {"sbs", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "12", "--layout", "parallel", "-o",
         "x.jps"},
    };
    for (const auto& arguments : usage)
        EXPECT_EQ(Cli(arguments).exitCode, 2) << ::testing::PrintToString(arguments);
}

TEST_F(CliPairsTest, SbsAndPairWriteAPairAsItIsInAnotherFormat)
{
    // Through a PNS and back, the eyes are the pictures they were.
    const ProgramResult pns = Cli({"sbs", "--left", "left.jpg", "--right", "right.jpg", "-o", "both.pns"});
    ASSERT_EQ(pns.exitCode, 0) << pns.err;
    const ProgramResult apart = Cli({"pair", "--stereo", "both.pns", "--left", "l.png", "--right", "r.png"});
    ASSERT_EQ(apart.exitCode, 0) << apart.err;
    EXPECT_TRUE(SamePixels("l.png", "left.jpg"));
    EXPECT_TRUE(SamePixels("r.png", "right.jpg"));
    // A camera's MPO one above the other composes as the MPO does.
    ASSERT_EQ(Cli({"sbs", "--stereo", "camera.mpo", "--layout", "top-bottom", "-o", "tb.png"}).exitCode, 0);
    ASSERT_EQ(Cli({"compose-anaglyph", "--stereo", "tb.png", "--stereo-layout", "top-bottom", "-o", "a1.png"}).exitCode,
              0);
    ASSERT_EQ(Cli({"compose-anaglyph", "--stereo", "camera.mpo", "-o", "a2.png"}).exitCode, 0);
    EXPECT_TRUE(SamePixels("a1.png", "a2.png"));
    // Half side by side: each eye squeezed, the whole the size of one eye.
    ASSERT_EQ(Cli({"sbs", "--stereo", "camera.mpo", "--half", "-o", "half.png"}).exitCode, 0);
    const auto half = ReadPixels("half.png");
    ASSERT_TRUE(half);
    EXPECT_EQ(half->width, 48);
    EXPECT_EQ(half->height, 32);
    // Two eye files into one MPO, its eyes theirs again as JPEGs of the quality asked.
    const ProgramResult mpo =
        Cli({"pair", "--left", "left.jpg", "--right", "right.jpg", "--quality", "100", "-o", "files.mpo"});
    ASSERT_EQ(mpo.exitCode, 0) << mpo.err;
    ASSERT_EQ(Cli({"pair", "--stereo", "files.mpo", "--left", "ml.png", "--right", "mr.png"}).exitCode, 0);
    for (const auto& [made, original] : {std::pair{"ml.png", "left.jpg"}, std::pair{"mr.png", "right.jpg"}}) {
        const auto a = ReadPixels(made), b = ReadPixels(original);
        ASSERT_TRUE(a && b);
        ASSERT_EQ(a->width, b->width);
        long difference = 0;
        for (int y = 0; y < a->height; ++y)
            for (int x = 0; x < a->width; ++x)
                difference += std::abs(a->At(x, y).green - b->At(x, y).green);
        EXPECT_LT(static_cast<double>(difference) / (a->width * a->height), 3.0) << made;
    }

    Save(MakeImage(10, 8, [](int, int) { return Grey(5); }).get(), "small.png", kSavePng);
    const ProgramResult sizes = Cli({"sbs", "--left", "left.jpg", "--right", "small.png", "-o", "x.png"});
    EXPECT_EQ(sizes.exitCode, 1);
    EXPECT_NE(sizes.err.find("its eyes differ in size"), std::string::npos) << sizes.err;
    const ProgramResult view = Cli({"sbs", "--stereo", "camera.mpo", "--parallax", "12", "-o", "x.png"});
    EXPECT_EQ(view.exitCode, 2);
    EXPECT_NE(view.err.find("--parallax is for a view made from a picture and its depth map"), std::string::npos)
        << view.err;
    const std::string before = ReadBytes("both.pns");
    const std::vector<std::vector<std::string>> usage = {
        {"sbs", "--stereo", "camera.mpo", "--depth", "left.jpg", "-o", "x.png"},
        {"sbs", "--stereo", "camera.mpo", "--image", "left.jpg", "-o", "x.png"},
        {"sbs", "--left", "left.jpg", "--right", "right.jpg", "--image", "left.jpg", "-o", "x.png"},
        {"sbs", "--stereo", "both.pns", "-o", "both.pns"},
        {"sbs", "-o", "x.png"},
        {"pair", "--left", "left.jpg", "--right", "right.jpg"},
        {"pair", "--stereo", "camera.mpo", "--left", "a.png", "--right", "b.png", "-o", "x.mpo"},
        {"pair", "--stereo", "camera.mpo", "--radius", "2", "-o", "x.mpo"},
        {"anaglyph", "--stereo", "camera.mpo", "-o", "x.png"},
    };
    for (const auto& arguments : usage)
        EXPECT_EQ(Cli(arguments).exitCode, 2) << ::testing::PrintToString(arguments);
    EXPECT_EQ(ReadBytes("both.pns"), before);
    EXPECT_FALSE(std::filesystem::exists("x.png"));
    EXPECT_FALSE(std::filesystem::exists("x.mpo"));
}

TEST_F(CliPairsTest, AlignStraightensAPairOrRefusesIt)
{
    SaveTurnedPair(0.8, 5);
    const ProgramResult mpo =
        Cli({"align", "--left", "scene-left.png", "--right", "scene-right.png", "-o", "aligned.mpo"});
    ASSERT_EQ(mpo.exitCode, 0) << mpo.err;
    const ProgramResult eyes = Cli({"align", "--left", "scene-left.png", "--right", "scene-right.png", "--left-out",
                                    "l.png", "--right-out", "r.png"});
    ASSERT_EQ(eyes.exitCode, 0) << eyes.err;
    const auto left = ReadPixels("l.png"), right = ReadPixels("r.png");
    ASSERT_TRUE(left && right);
    EXPECT_EQ(left->width, right->width);
    EXPECT_EQ(left->height, right->height);
    EXPECT_LT(left->height, 480 - 5); // cut to the rows both eyes have
    // The aligned eyes of a flat scene agree almost everywhere.
    long difference = 0;
    for (int y = 0; y < left->height; ++y)
        for (int x = 0; x < left->width; ++x)
            difference += std::abs(left->At(x, y).green - right->At(x, y).green);
    EXPECT_LT(static_cast<double>(difference) / (left->width * left->height), 6.0);
    ASSERT_EQ(Cli({"compose-anaglyph", "--stereo", "aligned.mpo", "-o", "aligned-3d.png"}).exitCode, 0);

    Save(MakeImage(300, 200, [](int, int) { return Grey(120); }).get(), "flat.png", kSavePng);
    const ProgramResult flat = Cli({"align", "--left", "flat.png", "--right", "flat.png", "-o", "flat.mpo"});
    EXPECT_EQ(flat.exitCode, 1);
    EXPECT_NE(flat.err.find("The pair cannot be aligned: too few points match"), std::string::npos) << flat.err;
    EXPECT_NE(flat.err.find("go to depth with --aligned"), std::string::npos) << flat.err;
    EXPECT_FALSE(std::filesystem::exists("flat.mpo"));
    EXPECT_EQ(Cli({"align", "--left", "scene-left.png", "--right", "scene-right.png"}).exitCode, 2);
    EXPECT_EQ(Cli({"align", "-o", "x.mpo"}).exitCode, 2);
}

TEST_F(CliPairsTest, AlignGoesStraightOnToAResult)
{
    SaveTurnedPair(0.8, 5);
    const std::vector<std::string> pair = {"align", "--left", "scene-left.png", "--right", "scene-right.png"};
    const auto aligned = [&](std::vector<std::string> more) {
        std::vector<std::string> arguments = pair;
        arguments.insert(arguments.end(), more.begin(), more.end());
        const ProgramResult run = Cli(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err;
    };
    aligned({"--left-out", "l.png", "--right-out", "r.png"});
    // Each result as the composing commands make it from the aligned eyes.
    aligned({"--then", "anaglyph", "--mode", "dubois", "-o", "then-anaglyph.png"});
    ASSERT_EQ(
        Cli({"compose-anaglyph", "--left", "l.png", "--right", "r.png", "--mode", "dubois", "-o", "a.png"}).exitCode,
        0);
    EXPECT_TRUE(SamePixels("a.png", "then-anaglyph.png"));
    aligned({"--then", "LCshutter", "-o", "then-lc.png"});
    aligned({"--then", "sbs", "--layout", "top-bottom", "-o", "then-sbs.png"});
    ASSERT_EQ(Cli({"compose-lcshutter", "--stereo", "then-sbs.png", "--stereo-layout", "top-bottom", "-o", "lc.png"})
                  .exitCode,
              0);
    EXPECT_TRUE(SamePixels("lc.png", "then-lc.png"));
    // A result needs -o, and is never an MPO.
    EXPECT_EQ(Cli({"align", "--left", "scene-left.png", "--right", "scene-right.png", "--then", "anaglyph",
                   "--left-out", "x.png", "--right-out", "y.png"})
                  .exitCode,
              2);
    EXPECT_EQ(
        Cli({"align", "--left", "scene-left.png", "--right", "scene-right.png", "--then", "anaglyph", "-o", "x.mpo"})
            .exitCode,
        2);
}

TEST_F(CliPairsTest, BatchAlignsAndMakesTheDepthOfEveryPairAsSingleRunsDo)
{
    SaveTurnedPair(0.8, 5);
    std::filesystem::create_directory("shots");
    std::filesystem::copy_file("scene-left.png", "shots/scene.png");
    std::filesystem::copy_file("scene-right.png", "shots/scene-right.png");
    const ProgramResult depths =
        Cli({"batch", "depth", "--images", "shots", "--right-suffix", "-right", "--out", "depths"});
    ASSERT_EQ(depths.exitCode, 0) << depths.err;
    EXPECT_EQ(depths.out, "1 made, 0 failed, 0 skipped\n");
    ASSERT_EQ(Cli({"depth", "--left", "scene-left.png", "--right", "scene-right.png", "-o", "d.png", "--picture-out",
                   "p.png"})
                  .exitCode,
              0);
    EXPECT_EQ(ReadBytes("depths/scene-depth.png"), ReadBytes("d.png"));
    EXPECT_EQ(ReadBytes("depths/scene.png"), ReadBytes("p.png"));
    // Ready for the other commands: the depth maps lie beside their pictures.
    const ProgramResult anaglyphs =
        Cli({"batch", "anaglyph", "--images", "depths", "--depth-suffix", "-depth", "--parallax", "6", "--out", "3d"});
    EXPECT_EQ(anaglyphs.out, "1 made, 0 failed, 0 skipped\n") << anaglyphs.err;

    // Stereo files, the other pictures of the folder skipped with a note.
    std::filesystem::create_directory("camera");
    ASSERT_EQ(Cli({"align", "--left", "scene-left.png", "--right", "scene-right.png", "-o", "camera/a.mpo"}).exitCode,
              0);
    std::filesystem::copy_file("left.jpg", "camera/snapshot.jpg");
    const ProgramResult aligned = Cli({"batch", "align", "--images", "camera", "--format", "jps", "--out", "aligned"});
    EXPECT_EQ(aligned.exitCode, 0) << aligned.err;
    EXPECT_EQ(aligned.out, "1 made, 0 failed, 1 skipped\n");
    EXPECT_NE(aligned.err.find("camera/snapshot.jpg: skipped, not a stereo file"), std::string::npos) << aligned.err;
    ASSERT_EQ(Cli({"align", "--stereo", "camera/a.mpo", "-o", "single.jps"}).exitCode, 0);
    EXPECT_EQ(ReadBytes("aligned/a.jps"), ReadBytes("single.jps"));
    // Straight on to anaglyphs, as align --then makes one, with its options;
    // a result of --then is a picture, a PNG unless told.
    const ProgramResult anaglyph = Cli({"batch", "align", "--images", "camera", "--then", "anaglyph", "--mode",
                                        "dubois", "--window-margin", "4", "--out", "anaglyphs"});
    EXPECT_EQ(anaglyph.out, "1 made, 0 failed, 1 skipped\n") << anaglyph.err;
    ASSERT_EQ(Cli({"align", "--stereo", "camera/a.mpo", "--then", "anaglyph", "--mode", "dubois", "--window-margin",
                   "4", "-o", "single.png"})
                  .exitCode,
              0);
    EXPECT_EQ(ReadBytes("anaglyphs/a.png"), ReadBytes("single.png"));
    ASSERT_EQ(Cli({"align", "--stereo", "camera/a.mpo", "--then", "anaglyph", "-o", "grey.png"}).exitCode, 0);
    EXPECT_NE(ReadBytes("anaglyphs/a.png"), ReadBytes("grey.png"));
    ASSERT_EQ(Cli({"batch", "align", "--images", "camera", "--then", "sbs", "--layout", "cross", "--format", "bmp",
                   "--out", "crossed"})
                  .exitCode,
              0);
    ASSERT_EQ(
        Cli({"align", "--stereo", "camera/a.mpo", "--then", "sbs", "--layout", "cross", "-o", "single.bmp"}).exitCode,
        0);
    EXPECT_EQ(ReadBytes("crossed/a.bmp"), ReadBytes("single.bmp"));
    EXPECT_EQ(
        Cli({"batch", "align", "--images", "camera", "--then", "lcshutter", "--format", "mpo", "--out", "x"}).exitCode,
        2);
    EXPECT_EQ(Cli({"batch", "depth", "--images", "camera", "--then", "anaglyph", "--out", "x"}).exitCode, 2);
    // The layouts and margins align refuses, batch align refuses as well,
    // before any pair is read.
    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{"--then", "sbs", "--layout", "diagonal"},
          std::vector<std::string>{"--window-margin", "nan"}}) {
        std::vector<std::string> arguments = {"batch", "align", "--images", "camera", "--out", "x"};
        arguments.insert(arguments.end(), refused.begin(), refused.end());
        EXPECT_EQ(Cli(arguments).exitCode, 2) << refused[1];
        EXPECT_FALSE(std::filesystem::exists("x")) << refused[1];
    }
    // An MPO result, as any other, replaces a link planted in the output
    // folder, never the file it points to.
    std::filesystem::create_directory("mpos");
    WriteBytes("notes.txt", "my notes");
    std::filesystem::create_symlink("../notes.txt", "mpos/a.mpo");
    const ProgramResult mpos = Cli({"batch", "align", "--images", "camera", "--out", "mpos", "--overwrite"});
    EXPECT_EQ(mpos.exitCode, 0) << mpos.err;
    EXPECT_TRUE(ReadBytes("notes.txt") == "my notes");
    EXPECT_FALSE(std::filesystem::is_symlink("mpos/a.mpo"));
    EXPECT_EQ(Cli({"batch", "align", "--images", "camera", "--format", "gif", "--out", "x"}).exitCode, 2);
}

TEST_F(CliPairsTest, DepthWritesTheAlignedLeftEyesDepthMapBesideIt)
{
    SaveTurnedPair(0.5, 3);
    const ProgramResult made = Cli({"depth", "--left", "scene-left.png", "--right", "scene-right.png", "-o", "d.png"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const auto depth = ReadPixels("d.png"), picture = ReadPixels("d-picture.png");
    ASSERT_TRUE(depth && picture);
    EXPECT_EQ(depth->width, picture->width);
    EXPECT_EQ(depth->height, picture->height);
    EXPECT_EQ(depth->At(10, 10).blue, depth->At(10, 10).red); // grey
    EXPECT_LT(picture->height, 480 - 3);                      // the turned eyes aligned and cut

    // The eyes align made are aligned already: their depth map belongs to
    // the left eye as it is, neither cut nor resampled again.
    ASSERT_EQ(Cli({"align", "--left", "scene-left.png", "--right", "scene-right.png", "--left-out", "al.png",
                   "--right-out", "ar.png"})
                  .exitCode,
              0);
    ASSERT_EQ(Cli({"depth", "--left", "al.png", "--right", "ar.png", "-o", "ad.png"}).exitCode, 0);
    EXPECT_TRUE(SamePixels("al.png", "ad-picture.png"));

    const ProgramResult named = Cli({"depth", "--left", "scene-left.png", "--right", "scene-right.png", "-o",
                                     "d2.png", "--picture-out", "p2.png"});
    ASSERT_EQ(named.exitCode, 0) << named.err;
    EXPECT_TRUE(std::filesystem::exists("p2.png"));
    EXPECT_FALSE(std::filesystem::exists("d2-picture.png"));

    // A picture with nowhere to go is refused before any work, so no depth
    // map is left that would be taken for the unaligned left eye's.
    const ProgramResult unwritten = Cli({"depth", "--left", "scene-left.png", "--right", "scene-right.png", "-o",
                                         "d3.png", "--picture-out", "no-folder/p3.png"});
    EXPECT_EQ(unwritten.exitCode, 1);
    EXPECT_NE(unwritten.err.find("Couldn't save no-folder/p3.png"), std::string::npos) << unwritten.err;
    EXPECT_FALSE(std::filesystem::exists("d3.png"));

    Save(MakeImage(300, 200, [](int, int) { return Grey(60); }).get(), "flat.png", kSavePng);
    const ProgramResult flat = Cli({"depth", "--left", "flat.png", "--right", "flat.png", "--aligned", "-o", "f.png"});
    EXPECT_EQ(flat.exitCode, 1);
    EXPECT_NE(flat.err.find("No depth map can be made"), std::string::npos) << flat.err;
    EXPECT_FALSE(std::filesystem::exists("f.png"));
    EXPECT_EQ(Cli({"depth", "-o", "x.png"}).exitCode, 2);
}

} // namespace
} // namespace velmora::test
