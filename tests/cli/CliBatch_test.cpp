// SPDX-License-Identifier: GPL-3.0-or-later

// velmora-cli batch against the single commands it stands for.

#include "tests/cli/CliRun.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

const std::string kSampleImage = std::string(VELMORA_SAMPLES) + "/sample.png";
const std::string kSampleDepth = std::string(VELMORA_SAMPLES) + "/sample-depth.png";

class CliBatchTest : public ::testing::Test {
protected:
    CliBatchTest()
    {
        fs::create_directories("pictures");
        fs::create_directories("depths");
        std::mt19937 random(21);
        Save(RandomImage(90, 60, random).get(), "pictures/b.bmp");
        Save(RandomDepthMap(90, 60, random).get(), "depths/b.png", kSavePng);
    }

    // The single command's result for one picture, as bytes.
    std::string Single(const std::string& command, const std::string& image, const std::string& depth,
                       const std::string& output, std::vector<std::string> options)
    {
        std::vector<std::string> arguments = {command, "--image", image, "--depth", depth, "-o", output};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const ProgramResult single = Cli(arguments);
        EXPECT_EQ(single.exitCode, 0) << single.err;
        return ReadBytes(output);
    }

    Sandbox sandbox;
};

TEST_F(CliBatchTest, MakesWhatSingleRunsMakeAndGoesOnPastFailures)
{
    fs::copy_file(kSampleImage, "pictures/a.png");
    fs::copy_file(kSampleDepth, "depths/a.png");
    fs::copy_file(kSampleImage, "pictures/no-depth.png");
    WriteBytes("pictures/broken.png", "not a picture");
    fs::copy_file(kSampleDepth, "depths/broken.png");
    WriteBytes("pictures/notes.txt", "not a picture either, and not counted");
    fs::copy_file(kSampleImage, "pictures/kept.png");
    fs::copy_file(kSampleDepth, "depths/kept.jpg.png"); // a depth map of stem "kept.jpg" is not kept's
    fs::copy_file(kSampleDepth, "depths/kept.png");
    fs::create_directories("out");
    WriteBytes("out/kept.png", "the user's own file");

    const std::vector<std::string> batch = {"batch", "anaglyph", "--images", "pictures", "--depths", "depths",
                                            "--out", "out", "--parallax", "7", "--mode", "dubois", "--jobs", "2"};
    const ProgramResult first = Cli(batch);
    EXPECT_EQ(first.exitCode, 1);
    EXPECT_EQ(first.out, "2 made, 1 failed, 2 skipped\n");
    EXPECT_NE(first.err.find("pictures/no-depth.png: skipped, no depth map depths/no-depth.*"), std::string::npos)
        << first.err;
    EXPECT_NE(first.err.find("pictures/broken.png: Couldn't load bitmap!"), std::string::npos) << first.err;
    EXPECT_NE(first.err.find("out/kept.png exists (--overwrite replaces it)"), std::string::npos) << first.err;
    EXPECT_EQ(ReadBytes("out/kept.png"), "the user's own file");
    EXPECT_FALSE(fs::exists("out/broken.png") || fs::exists("out/no-depth.png") || fs::exists("out/notes.png"));
    EXPECT_EQ(ReadBytes("out/a.png"),
              Single("anaglyph", "pictures/a.png", "depths/a.png", "a.png", {"--parallax", "7", "--mode", "dubois"}));
    EXPECT_EQ(ReadBytes("out/b.png"),
              Single("anaglyph", "pictures/b.bmp", "depths/b.png", "b.png", {"--parallax", "7", "--mode", "dubois"}));

    std::vector<std::string> again = batch;
    again.push_back("--overwrite");
    const ProgramResult second = Cli(again);
    EXPECT_EQ(second.out, "3 made, 1 failed, 1 skipped\n");
    EXPECT_EQ(ReadBytes("out/kept.png"), ReadBytes("out/a.png")); // the same picture and depth map
}

TEST_F(CliBatchTest, EveryWholeCommandAndDepthMapsBesideThePictures)
{
    fs::copy_file("depths/b.png", "pictures/b_depth.png");
    const std::string common[] = {"--images", "pictures", "--depth-suffix", "_depth", "--parallax", "-5"};
    const auto batch = [&](const std::string& command, const std::string& out, std::vector<std::string> more) {
        std::vector<std::string> arguments = {"batch", command};
        arguments.insert(arguments.end(), std::begin(common), std::end(common));
        arguments.insert(arguments.end(), {"--out", out});
        arguments.insert(arguments.end(), more.begin(), more.end());
        const ProgramResult result = Cli(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "1 made, 0 failed, 0 skipped\n") << command; // b_depth.png is no picture of its own
    };
    batch("sbs", "sbs", {"--layout", "top-bottom", "--half", "--format", "tif"});
    EXPECT_EQ(ReadBytes("sbs/b.tif"), Single("sbs", "pictures/b.bmp", "pictures/b_depth.png", "b.tif",
                                             {"--parallax", "-5", "--layout", "top-bottom", "--half"}));
    batch("lcshutter", "lc", {"--jobs", "1", "--format", "bmp"});
    EXPECT_EQ(ReadBytes("lc/b.bmp"), Single("lcshutter", "pictures/b.bmp", "pictures/b_depth.png", "b.bmp",
                                            {"--parallax", "-5"}));

    batch("pair", "pair", {"--invert-depth"});
    ASSERT_EQ(Cli({"pair", "--image", "pictures/b.bmp", "--depth", "pictures/b_depth.png", "--parallax", "-5",
                   "--invert-depth", "--left", "l.png", "--right", "r.png"})
                  .exitCode,
              0);
    EXPECT_EQ(ReadBytes("pair/b-left.png"), ReadBytes("l.png"));
    EXPECT_EQ(ReadBytes("pair/b-right.png"), ReadBytes("r.png"));

    batch("views", "views", {"--count", "3", "--format", "jpg", "--quality", "80"});
    ASSERT_EQ(Cli({"views", "--image", "pictures/b.bmp", "--depth", "pictures/b_depth.png", "--parallax", "-5",
                   "--count", "3", "--quality", "80", "-o", "v-%02d.jpg"})
                  .exitCode,
              0);
    for (const char* k : {"00", "01", "02"})
        EXPECT_EQ(ReadBytes("views/b-" + std::string(k) + ".jpg"), ReadBytes("v-" + std::string(k) + ".jpg")) << k;
    EXPECT_FALSE(fs::exists("views/b-03.jpg"));
}

TEST_F(CliBatchTest, PicturesOfOneNameAndMissingPlacesAreReported)
{
    Save(MakeImage(90, 60, [](int, int) { return Grey(9); }).get(), "pictures/b.tif", kSaveTiff);
    const ProgramResult clash =
        Cli({"batch", "anaglyph", "--images", "pictures", "--depths", "depths", "--out", "out", "--parallax", "3"});
    EXPECT_EQ(clash.exitCode, 1);
    EXPECT_EQ(clash.out, "1 made, 1 failed, 0 skipped\n");
    EXPECT_NE(clash.err.find("pictures/b.tif: a picture before it of the same name writes out/b.png"),
              std::string::npos)
        << clash.err;

    const std::vector<std::vector<std::string>> usage = {
        {"batch"},
        {"batch", "anaglyph", "--images", "pictures", "--depths", "d", "--depth-model", "m.onnx", "--out", "o"},
        {"batch", "anaglyph", "--images", "pictures", "--depths", "d", "--depth-suffix", "_d", "--out", "o"},
        {"batch", "outline", "--images", "pictures", "--depths", "depths", "--out", "o"},
        {"batch", "anaglyph", "--images", "pictures", "--depths", "depths", "--out", "o", "--jobs", "0"},
    };
    for (const auto& arguments : usage)
        EXPECT_EQ(Cli(arguments).exitCode, 2) << ::testing::PrintToString(arguments);
    EXPECT_FALSE(fs::exists("o"));

    const ProgramResult missing =
        Cli({"batch", "views", "--count", "2", "--images", "nowhere", "--depths", "depths", "--out", "o2"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("nowhere: "), std::string::npos);
    EXPECT_FALSE(fs::exists("o2")); // nothing is made for a batch that cannot start
}

// Many small pictures with their depth maps beside them, for runs shared among machines.
class CliShardTest : public CliBatchTest {
protected:
    CliShardTest()
    {
        std::mt19937 random(9);
        for (int i = 0; i < 7; ++i) {
            Save(RandomImage(40, 30, random).get(), InMany(i, ".png"), kSavePng);
            Save(RandomDepthMap(40, 30, random).get(), InMany(i, "-depth.png"), kSavePng);
        }
        // Two pictures of one name go to the same share, which then fails the second.
        Save(RandomImage(40, 30, random).get(), "many/p3.bmp");
    }

    // "many/p3.png" for 3 and ".png".
    static std::string InMany(int i, const std::string& ending)
    {
        std::string path = "many/p";
        path += std::to_string(i);
        path += ending;
        return path;
    }

    static std::vector<std::string> Batch(std::vector<std::string> more)
    {
        std::vector<std::string> arguments = {"batch",  "lcshutter",  "--images", "many",  "--depth-suffix",
                                              "-depth", "--parallax", "4",        "--out", "out"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }

    static void MakeFolder() { fs::create_directories("many"); }

private:
    // Before the pictures are saved.
    const bool made_ = (MakeFolder(), true);
};

TEST_F(CliShardTest, ShardsRunAtOnceMakeEveryPictureExactlyOnce)
{
    std::vector<std::unique_ptr<RunningProgram>> shards;
    for (int k = 0; k < 3; ++k)
        shards.push_back(
            std::make_unique<RunningProgram>(VELMORA_CLI, Batch({"--shard", std::to_string(k) + "/3", "--jobs", "1"})));
    int made = 0, failed = 0;
    for (const auto& shard : shards) {
        const ProgramResult result = shard->Wait();
        int m = 0, f = 0, k = 0;
        ASSERT_EQ(std::sscanf(result.out.c_str(), "%d made, %d failed, %d skipped", &m, &f, &k), 3) << result.out;
        made += m;
        failed += f;
        EXPECT_EQ(k, 0);
    }
    EXPECT_EQ(made, 7);
    EXPECT_EQ(failed, 1); // the second p3, in the same share as the first
    for (int i = 0; i < 7; ++i) {
        // p3.bmp comes before p3.png by name, and is made; p3.png fails.
        const std::string made = "out" + InMany(i, ".png").substr(4);
        const std::string picture = InMany(i, i == 3 ? ".bmp" : ".png");
        EXPECT_TRUE(ReadBytes(made) ==
                    Single("lcshutter", picture, InMany(i, "-depth.png"), "one.png", {"--parallax", "4"}))
            << made;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator("out"), {}), 7);
    for (const std::string bad : {"3/3", "-1/2", "1", "a/b", "0/0", "1/2/3"})
        EXPECT_EQ(Cli(Batch({"--shard", bad})).exitCode, 2) << bad;
}

TEST_F(CliShardTest, ResumingMakesOnlyWhatAnEarlierRunLeftUndone)
{
    ASSERT_EQ(Cli({"batch", "views", "--images", "many", "--depth-suffix", "-depth", "--parallax", "4", "--count", "3",
                   "--out", "views"})
                  .exitCode,
              1);                  // the second p3
    fs::remove("views/p1-02.png"); // a run stopped part way through p1
    fs::remove("views/p4-00.png");
    fs::remove("views/p4-01.png");
    fs::remove("views/p4-02.png"); // and before p4
    const ProgramResult resumed = Cli({"batch", "views", "--images", "many", "--depth-suffix", "-depth", "--parallax",
                                       "4", "--count", "3", "--out", "views", "--resume"});
    EXPECT_EQ(resumed.out, "2 made, 1 failed, 5 skipped\n") << resumed.err;
    EXPECT_EQ(resumed.err.find("exists"), std::string::npos) << resumed.err; // no note for what is done
    EXPECT_EQ(std::distance(fs::directory_iterator("views"), {}), 7 * 3);
    EXPECT_EQ(Cli({"batch", "views", "--images", "many", "--out", "views", "--count", "3", "--resume", "--overwrite"})
                  .exitCode,
              2);
}

} // namespace
} // namespace velmora::test
