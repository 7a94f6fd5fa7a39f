// SPDX-License-Identifier: GPL-3.0-or-later

// velmora-cli on the pairs of one rig: its geometry learnt from them all,
// saved, and read back for later pairs.

#include "tests/cli/CliRun.h"
#include "tests/cli/PairScenes.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora::test {
namespace {

// A folder "rig" of three pairs of one rig with a wide lens, each a left
// eye shotNN.png with its right eye shotNN-right.png beside it.
class CliRigTest : public ::testing::Test {
protected:
    CliRigTest()
    {
        std::filesystem::create_directory("rig");
        for (const unsigned seed : {11u, 12u, 13u}) {
            const cv::Mat scene = TexturedScene(seed);
            SaveEyes(ThroughBarrel(scene, 0.15), ThroughBarrel(Moved(scene, 0.6, 40, 12), 0.15));
            const std::string stem = "rig/shot" + std::to_string(seed);
            std::filesystem::copy_file("scene-left.png", stem + ".png");
            std::filesystem::copy_file("scene-right.png", stem + "-right.png");
        }
    }

    Sandbox sandbox;
};

TEST_F(CliRigTest, BatchOfOneRigLearnsItsGeometryFromAllItsPairs)
{
    const std::vector<std::string> rigRun = {"batch",  "align",     "--images", "rig", "--right-suffix",
                                             "-right", "--one-rig", "--format", "png"};
    const auto run = [&](std::vector<std::string> more) {
        std::vector<std::string> arguments = rigRun;
        arguments.insert(arguments.end(), more.begin(), more.end());
        return Cli(arguments);
    };
    const ProgramResult all = run({"--out", "all"});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(all.out, "3 made, 0 failed, 0 skipped\n");
    EXPECT_NE(all.err.find("the rig's geometry, agreed on by 3 of the 3 pairs aligned on their own: lens bending k = "),
              std::string::npos)
        << all.err;
    // Straightened through the rig's one lens, not each pair's own.
    ASSERT_EQ(
        Cli({"batch", "align", "--images", "rig", "--right-suffix", "-right", "--format", "png", "--out", "alone"})
            .exitCode,
        0);
    int changed = 0;
    for (const std::string name : {"shot11.png", "shot12.png", "shot13.png"})
        changed += ReadBytes("all/" + name) != ReadBytes("alone/" + name);
    EXPECT_GT(changed, 0);
    // Each machine of a sharded run learns the rig from every pair, so that
    // all straighten alike, however many pairs each makes at a time.
    const ProgramResult share = run({"--out", "share", "--shard", "1/3", "--jobs", "1"});
    EXPECT_EQ(share.out, "1 made, 0 failed, 0 skipped\n") << share.err;
    EXPECT_NE(share.err.find("agreed on by 3 of the 3 pairs"), std::string::npos) << share.err;
    for (const auto& made : std::filesystem::directory_iterator("share"))
        EXPECT_TRUE(ReadBytes(made.path().string()) == ReadBytes("all/" + made.path().filename().string()));
    // A share that cannot be is refused before any pair is looked at.
    const ProgramResult badShare = run({"--out", "bad", "--shard", "3/3"});
    EXPECT_EQ(badShare.exitCode, 2);
    EXPECT_EQ(badShare.err.find("rig's geometry"), std::string::npos) << badShare.err;
    // Depth maps too are made of the eyes straightened from the rig.
    const std::vector<std::string> depths = {"batch", "depth", "--images", "rig", "--right-suffix", "-right", "--out"};
    const auto depthRun = [&](const std::string& out, bool oneRig) {
        std::vector<std::string> arguments = depths;
        arguments.push_back(out);
        if (oneRig)
            arguments.push_back("--one-rig");
        return Cli(arguments).exitCode;
    };
    ASSERT_EQ(depthRun("rig-depths", true), 0);
    ASSERT_EQ(depthRun("own-depths", false), 0);
    changed = 0;
    for (const std::string name : {"shot11-depth.png", "shot12-depth.png", "shot13-depth.png"})
        changed += ReadBytes("rig-depths/" + name) != ReadBytes("own-depths/" + name);
    EXPECT_GT(changed, 0);
    // One pair is no rig: it is aligned on its own, as without --one-rig.
    std::filesystem::create_directory("lone");
    std::filesystem::copy_file("rig/shot11.png", "lone/shot11.png");
    std::filesystem::copy_file("rig/shot11-right.png", "lone/shot11-right.png");
    const ProgramResult lone = Cli({"batch", "align", "--images", "lone", "--right-suffix", "-right", "--one-rig",
                                    "--format", "png", "--out", "lone-aligned"});
    EXPECT_EQ(lone.out, "1 made, 0 failed, 0 skipped\n") << lone.err;
    EXPECT_NE(lone.err.find("no two pairs agree on one rig's geometry"), std::string::npos) << lone.err;
    EXPECT_TRUE(ReadBytes("lone-aligned/shot11.png") == ReadBytes("alone/shot11.png"));
}

TEST_F(CliRigTest, ASavedRigStraightensEachLaterPairAsTheRunThatLearntIt)
{
    // Besides the rig's pairs, one of another camera, which the rig does not
    // fit: it is made from its own alignment, kept from learning the rig.
    const cv::Mat scene = TexturedScene(14);
    SaveEyes(scene, Moved(scene, -1.5, 30, -10));
    std::filesystem::copy_file("scene-left.png", "rig/stranger.png");
    std::filesystem::copy_file("scene-right.png", "rig/stranger-right.png");
    const std::vector<std::string> margin = {"--window-margin", "20", "--format", "png"};
    const auto align = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), margin.begin(), margin.end());
        return Cli(arguments);
    };
    // Kept among the results, in a folder the run makes.
    const ProgramResult learnt = align({"batch", "align", "--images", "rig", "--right-suffix", "-right", "--one-rig",
                                        "--save-rig", "all/rig.txt", "--out", "all"});
    ASSERT_EQ(learnt.exitCode, 0) << learnt.err;
    EXPECT_TRUE(Says(learnt, "agreed on by 3 of the 4 pairs")) << learnt.err;
    EXPECT_EQ(ReadBytes("all/rig.txt").rfind("velmora-rig 1\n", 0), 0u);
    // One pair at a time, as a photographer with the rig's file would.
    for (const std::string stem : {"shot12", "stranger"}) {
        const ProgramResult one = align({"align", "--left", "rig/" + stem + ".png", "--right",
                                         "rig/" + stem + "-right.png", "--rig", "all/rig.txt", "-o", stem + ".png"});
        ASSERT_EQ(one.exitCode, 0) << one.err;
        EXPECT_TRUE(ReadBytes(stem + ".png") == ReadBytes("all/" + stem + ".png")) << stem;
    }
    const ProgramResult again = align(
        {"batch", "align", "--images", "rig", "--right-suffix", "-right", "--rig", "all/rig.txt", "--out", "again"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_FALSE(Says(again, "rig's geometry, agreed")) << "nothing learnt again";
    for (const std::string name : {"shot11.png", "shot12.png", "shot13.png", "stranger.png"})
        EXPECT_TRUE(ReadBytes("again/" + name) == ReadBytes("all/" + name)) << name;
    // depth straightens from it too: its picture is align's left eye, for a
    // pair the rig straightens otherwise than it would be on its own.
    ASSERT_EQ(Cli({"depth", "--left", "rig/shot12.png", "--right", "rig/shot12-right.png", "--rig", "all/rig.txt", "-o",
                   "d.png"})
                  .exitCode,
              0);
    ASSERT_EQ(Cli({"align", "--left", "rig/shot12.png", "--right", "rig/shot12-right.png", "--rig", "all/rig.txt",
                   "--left-out", "l.png", "--right-out", "r.png"})
                  .exitCode,
              0);
    EXPECT_TRUE(SamePixels("l.png", "d-picture.png"));
    const ProgramResult depths = Cli(
        {"batch", "depth", "--images", "rig", "--right-suffix", "-right", "--rig", "all/rig.txt", "--out", "depths"});
    ASSERT_EQ(depths.exitCode, 0) << depths.err;
    EXPECT_TRUE(ReadBytes("depths/shot12-depth.png") == ReadBytes("d.png"));
}

TEST_F(CliRigTest, ARigThatCannotBeReadOrSavedIsSaid)
{
    WriteBytes("picture.txt", ReadBytes("rig/shot11.png"));
    WriteBytes("newer.txt", "velmora-rig 2\nsize 720 480\n");
    for (const std::string rig : {"missing.txt", "picture.txt", "newer.txt"}) {
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"align", "--left", "rig/shot11.png", "--right", "rig/shot11-right.png", "-o",
                                       "out.png"},
              {"depth", "--left", "rig/shot11.png", "--right", "rig/shot11-right.png", "-o", "out.png"},
              {"batch", "depth", "--images", "rig", "--right-suffix", "-right", "--out", "out"}}) {
            std::vector<std::string> arguments = command;
            arguments.insert(arguments.end(), {"--rig", rig});
            const ProgramResult refused = Cli(arguments);
            EXPECT_EQ(refused.exitCode, 1) << rig << " " << command[0];
            EXPECT_TRUE(Says(refused, "The rig's geometry cannot be read.\nvelmora-cli: " + rig + ": ")) << refused.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists("out.png"));
    EXPECT_FALSE(std::filesystem::exists("out-picture.png"));
    EXPECT_FALSE(std::filesystem::exists("out"));
    // Nor is a rig read where a pair's result would go.
    std::filesystem::create_directory("res");
    const std::string rigText = "velmora-rig 1\nsize 720 480\nlens 0\nkeystone 0 0 0 1 0 0 0\npairs 2\n";
    WriteBytes("res/shot11.png", rigText);
    const ProgramResult readResult = Cli(
        {"batch", "depth", "--images", "rig", "--right-suffix", "-right", "--rig", "res/shot11.png", "--out", "res"});
    EXPECT_EQ(readResult.exitCode, 1);
    EXPECT_TRUE(Says(readResult, "--rig res/shot11.png is where the result of rig/shot11.png goes")) << readResult.err;
    EXPECT_EQ(ReadBytes("res/shot11.png"), rigText);
    EXPECT_FALSE(std::filesystem::exists("res/shot11-depth.png"));
    // A rig is learnt or read, never both, and only a learnt one is saved.
    const std::vector<std::string> batch = {"batch",          "depth",  "--images", "rig",
                                            "--right-suffix", "-right", "--out",    "out"};
    for (const std::vector<std::string>& more : {std::vector<std::string>{"--save-rig", "saved.txt"},
                                                 {"--one-rig", "--rig", "newer.txt"},
                                                 {"--rig", "newer.txt", "--save-rig", "saved.txt"}}) {
        std::vector<std::string> arguments = batch;
        arguments.insert(arguments.end(), more.begin(), more.end());
        EXPECT_EQ(Cli(arguments).exitCode, 2) << ::testing::PrintToString(more);
    }
    EXPECT_EQ(Cli({"depth", "--left", "rig/shot11.png", "--right", "rig/shot11-right.png", "--aligned", "--rig",
                   "newer.txt", "-o", "out.png"})
                  .exitCode,
              2);
    EXPECT_FALSE(std::filesystem::exists("saved.txt"));
    // Nor is the rig read written over by a result.
    const std::string rig = "velmora-rig 1\nsize 640 480\nlens 0\nkeystone 0 0 0 1 0 0 0\npairs 2\n";
    WriteBytes("rig.png", rig);
    for (const std::string command : {"align", "depth"}) {
        const ProgramResult same = Cli({command, "--left", "rig/shot11.png", "--right", "rig/shot11-right.png",
                                        "--rig", "rig.png", "-o", "rig.png"});
        EXPECT_EQ(same.exitCode, 2) << command << same.err;
        EXPECT_TRUE(Says(same, "rig.png (-o) is the same file as rig.png (--rig)")) << same.err;
    }
    EXPECT_EQ(ReadBytes("rig.png"), rig);

    // --save-rig never writes over a picture of the run, and says so before
    // any pair is looked at.
    const std::string before = ReadBytes("rig/shot11.png");
    const std::vector<std::string> learn = {"batch",  "align",     "--images", "rig", "--right-suffix",
                                            "-right", "--one-rig", "--format", "png", "--save-rig"};
    const auto learnInto = [&](const std::string& rig, const std::string& out) {
        std::vector<std::string> arguments = learn;
        arguments.insert(arguments.end(), {rig, "--out", out});
        return Cli(arguments);
    };
    const ProgramResult input = learnInto("rig/shot11.png", "out");
    EXPECT_EQ(input.exitCode, 1);
    EXPECT_TRUE(Says(input, "--save-rig rig/shot11.png is an input of this run and is never written over"))
        << input.err;
    EXPECT_EQ(input.err.find("rig's geometry, agreed"), std::string::npos) << input.err;
    EXPECT_TRUE(ReadBytes("rig/shot11.png") == before);
    EXPECT_FALSE(std::filesystem::exists("out"));
    // Nor does it take the place of a pair's result, which would then be
    // skipped as made, or replace the rig.
    const ProgramResult result = learnInto("out/../out/shot12.png", "out");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(Says(result, "--save-rig out/../out/shot12.png is where the result of rig/shot12.png goes"))
        << result.err;
    EXPECT_FALSE(std::filesystem::exists("out"));
    // A rig that cannot be saved fails the run, whose pairs are made all the same.
    const ProgramResult unsaved = learnInto("no-folder/rig.txt", "made");
    EXPECT_EQ(unsaved.exitCode, 1);
    EXPECT_EQ(unsaved.out, "3 made, 0 failed, 0 skipped\n");
    EXPECT_TRUE(Says(unsaved, "Couldn't save no-folder/rig.txt")) << unsaved.err;
    // And so does a rig that no two pairs agree on.
    std::filesystem::create_directory("lone");
    std::filesystem::copy_file("rig/shot11.png", "lone/shot11.png");
    std::filesystem::copy_file("rig/shot11-right.png", "lone/shot11-right.png");
    const ProgramResult none = Cli({"batch", "align", "--images", "lone", "--right-suffix", "-right", "--one-rig",
                                    "--save-rig", "lone.txt", "--out", "lone-made"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "1 made, 0 failed, 0 skipped\n");
    EXPECT_TRUE(Says(none, "no rig to save: lone.txt is not written")) << none.err;
    EXPECT_FALSE(std::filesystem::exists("lone.txt"));
}

} // namespace
} // namespace velmora::test
