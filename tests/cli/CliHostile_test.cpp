// SPDX-License-Identifier: GPL-3.0-or-later

// velmora-cli in folders and states an attacker or an unlucky user makes:
// outputs that are inputs, links planted in the output folder, entries that
// are no files, and a process that cannot start threads.

#include "tests/cli/CliRun.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// The hidden files of a folder: temporaries left behind.
std::vector<std::string> HiddenFiles(const std::string& folder)
{
    std::vector<std::string> hidden;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().front() == '.')
            hidden.push_back(entry.path().string());
    return hidden;
}

class CliHostileTest : public ::testing::Test {
protected:
    // folder/stem.png and its depth map.
    void Picture(const std::string& path, const std::string& depthPath, unsigned seed)
    {
        std::mt19937 random(seed);
        fs::create_directories(fs::path(path).parent_path());
        fs::create_directories(fs::path(depthPath).parent_path());
        Save(RandomImage(60, 40, random).get(), path, kSavePng);
        Save(RandomDepthMap(60, 40, random).get(), depthPath, kSavePng);
    }

    Sandbox sandbox;
};

TEST_F(CliHostileTest, BatchNeverWritesOverAnInputOfAnyOfItsPictures)
{
    // pair writes x-left.png for x.png: in the depth maps' folder, that is
    // the depth map of the picture x-left.png.
    Picture("pictures/x.png", "depths/x.png", 1);
    Picture("pictures/x-left.png", "depths/x-left.png", 2);
    const std::string depthOfXLeft = ReadBytes("depths/x-left.png");
    const ProgramResult pair = Cli({"batch", "pair", "--images", "pictures", "--depths", "depths", "--out", "depths",
                                    "--overwrite", "--parallax", "4"});
    EXPECT_EQ(pair.exitCode, 1);
    EXPECT_TRUE(ReadBytes("depths/x-left.png") == depthOfXLeft);
    EXPECT_TRUE(Says(pair, "pictures/x.png: not made, depths/x-left.png is an input of this run and is never "
                           "written over"))
        << pair.err;
    EXPECT_EQ(pair.out, "1 made, 1 failed, 0 skipped\n");

    // b.jpg's anaglyph is b.png, itself a picture of the run.
    Picture("beside/b.png", "beside/b-depth.png", 3);
    fs::copy_file("beside/b.png", "beside/b.jpg");
    const std::string pictureB = ReadBytes("beside/b.png");
    const ProgramResult beside = Cli({"batch", "anaglyph", "--images", "beside", "--depth-suffix", "-depth",
                                      "--out", "beside", "--overwrite", "--parallax", "4"});
    EXPECT_EQ(beside.exitCode, 1);
    EXPECT_TRUE(ReadBytes("beside/b.png") == pictureB);

    // Under another name: an output hard-linked to a depth map elsewhere.
    Picture("linked/c.png", "linked-depths/c.png", 4);
    fs::create_directories("linked-out");
    fs::create_hard_link("linked-depths/c.png", "linked-out/c.png");
    const std::string depthOfC = ReadBytes("linked-depths/c.png");
    const ProgramResult hardLink = Cli({"batch", "anaglyph", "--images", "linked", "--depths", "linked-depths",
                                        "--out", "linked-out", "--overwrite", "--parallax", "4"});
    EXPECT_EQ(hardLink.exitCode, 1);
    EXPECT_TRUE(ReadBytes("linked-depths/c.png") == depthOfC);
    EXPECT_TRUE(Says(hardLink, "linked-out/c.png is linked-depths/c.png, which is an input")) << hardLink.err;
}

TEST_F(CliHostileTest, BatchNeverWritesThroughALinkInTheOutputFolder)
{
    Picture("pictures/a.png", "pictures/a-depth.png", 5);
    Picture("pictures/d.png", "pictures/d-depth.png", 6);
    fs::create_directories("out");
    WriteBytes("notes.txt", "my notes");
    fs::create_symlink("../notes.txt", "out/a.png");
    fs::create_symlink("../nowhere.png", "out/d.png"); // dangling: writing through it would make nowhere.png
    const std::vector<std::string> batch = {"batch", "anaglyph", "--images", "pictures", "--depth-suffix", "-depth",
                                            "--out", "out", "--parallax", "4"};

    const ProgramResult kept = Cli(batch);
    EXPECT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_EQ(kept.out, "0 made, 0 failed, 2 skipped\n");
    EXPECT_TRUE(Says(kept, "out/a.png is a symbolic link (--overwrite replaces the link itself)")) << kept.err;
    EXPECT_FALSE(fs::exists("nowhere.png"));
    EXPECT_TRUE(fs::is_symlink("out/d.png"));

    std::vector<std::string> overwrite = batch;
    overwrite.push_back("--overwrite");
    const ProgramResult replaced = Cli(overwrite);
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_TRUE(ReadBytes("notes.txt") == "my notes");
    EXPECT_FALSE(fs::exists("nowhere.png"));
    for (const char* output : {"out/a.png", "out/d.png"}) {
        EXPECT_FALSE(fs::is_symlink(output)) << output;
        EXPECT_TRUE(ReadPixels(output)) << output;
    }
    const ProgramResult single = Cli({"anaglyph", "--image", "pictures/a.png", "--depth", "pictures/a-depth.png",
                                      "--parallax", "4", "-o", "single.png"});
    ASSERT_EQ(single.exitCode, 0) << single.err;
    EXPECT_TRUE(ReadBytes("out/a.png") == ReadBytes("single.png"));
    EXPECT_TRUE(HiddenFiles("out").empty());
}

TEST_F(CliHostileTest, BatchSaysWhatItSkipsAndCountsIt)
{
    Picture("pictures/a.jpg", "pictures/a-depth.png", 7);
    Picture("pictures/._a.jpg", "pictures/._a-depth.png", 8); // hidden: a file system's metadata, no picture
    ASSERT_EQ(mkfifo("pictures/fifo.png", 0600), 0);
    fs::create_directories("pictures/folder.png");
    fs::create_symlink("loop2.png", "pictures/loop1.png");
    fs::create_symlink("loop1.png", "pictures/loop2.png");
    fs::create_symlink("nothing.png", "pictures/dangling.png");
    const ProgramResult result = Cli({"batch", "anaglyph", "--images", "pictures", "--depth-suffix", "-depth",
                                      "--out", "out", "--parallax", "4"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "1 made, 0 failed, 5 skipped\n");
    EXPECT_TRUE(Says(result, "pictures/fifo.png: skipped, not a regular file (a FIFO)")) << result.err;
    EXPECT_TRUE(Says(result, "pictures/folder.png: skipped, not a regular file (a folder)")) << result.err;
    EXPECT_TRUE(Says(result, "pictures/loop1.png: skipped, not a regular file (a loop of symbolic links)"));
    EXPECT_TRUE(Says(result, "pictures/dangling.png: skipped, not a regular file (a symbolic link to nothing)"));
    EXPECT_FALSE(Says(result, "._a")) << result.err;
    EXPECT_TRUE(fs::exists("out/a.png"));
    EXPECT_FALSE(fs::exists("out/._a.png"));
}

// Thread stacks are as large as the stack limit: with a stack limit above
// the address-space limit no thread can start, while the one thread runs.
ProgramResult WithoutThreads(const std::vector<std::string>& arguments)
{
    std::string script = "ulimit -s 3000000 && ulimit -v 2500000 && exec \"$0\"";
    for (std::size_t i = 0; i < arguments.size(); ++i)
        script += " \"${" + std::to_string(i + 1) + "}\"";
    std::vector<std::string> shell = {"-c", script, VELMORA_CLI};
    shell.insert(shell.end(), arguments.begin(), arguments.end());
    return RunProgram("/bin/sh", shell);
}

TEST_F(CliHostileTest, NoThreadToBeHadRunsTheWorkOnFewerThreads)
{
    Picture("pictures/a.png", "pictures/a-depth.png", 9);
    Picture("pictures/b.png", "pictures/b-depth.png", 10);
    const std::vector<std::string> single = {"--threads", "4", "anaglyph", "--image", "pictures/a.png", "--depth",
                                             "pictures/a-depth.png", "--parallax", "4", "-o"};
    std::vector<std::string> normal = single, limited = single;
    normal.push_back("normal.png");
    limited.push_back("limited.png");
    ASSERT_EQ(Cli(normal).exitCode, 0);
    const ProgramResult result = WithoutThreads(limited);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.signal, 0);
    EXPECT_TRUE(ReadBytes("limited.png") == ReadBytes("normal.png"));
    EXPECT_TRUE(Says(result, "cannot start the thread that removes them")) << result.err;

    const ProgramResult batch = WithoutThreads({"batch", "anaglyph", "--images", "pictures", "--depth-suffix",
                                                "-depth", "--out", "out", "--jobs", "8", "--parallax", "4"});
    EXPECT_EQ(batch.exitCode, 0) << batch.err;
    EXPECT_EQ(batch.out, "2 made, 0 failed, 0 skipped\n");
    EXPECT_TRUE(ReadBytes("out/a.png") == ReadBytes("normal.png"));
    EXPECT_TRUE(HiddenFiles("out").empty());
}

TEST_F(CliHostileTest, ThePictureLimitIsAnEighthOfTheMemoryAndItsMessageAgrees)
{
    const auto memory = static_cast<std::uint64_t>(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGESIZE);
    const std::uint64_t megabytes = std::max<std::uint64_t>(memory / 8, 64 << 20) >> 20;
    const ProgramResult help = Cli({"--help"});
    EXPECT_NE(help.out.find("an eighth of the physical memory, " + std::to_string(megabytes) + " here"),
              std::string::npos)
        << help.out;

    // 800 x 600 x 3 bytes are 1.37 MB: above a limit of 1 MB, however rounded.
    Save(MakeImage(800, 600, [](int, int) { return Grey(3); }).get(), "p.bmp");
    const ProgramResult refused =
        Cli({"--picture-limit", "1", "smooth", "--depth", "p.bmp", "--radius", "1", "-o", "s.png"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Says(refused, "800 x 600 pixels need 1.4 MB; pictures may take up to 1.0 MB")) << refused.err;
}

TEST_F(CliHostileTest, AWritePastTheFileSizeLimitFailsAndLeavesNothing)
{
    Picture("pictures/a.png", "pictures/a-depth.png", 11);
    fs::create_directories("out");
    // 10 blocks of 512 bytes: less than the anaglyph takes.
    const ProgramResult result =
        RunProgram("/bin/sh", {"-c", "ulimit -f 10 && exec \"$0\" \"$@\"", VELMORA_CLI, "anaglyph", "--image",
                               "pictures/a.png", "--depth", "pictures/a-depth.png", "--parallax", "4", "--format",
                               "bmp", "-o", "out/a.bmp"});
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_TRUE(Says(result, "Couldn't save out/a.bmp")) << result.err;
    EXPECT_TRUE(Says(result, "File too large")) << result.err;
    EXPECT_FALSE(fs::exists("out/a.bmp"));
    EXPECT_TRUE(HiddenFiles("out").empty());
}

TEST_F(CliHostileTest, APictureWithTwoDepthMapsIsSkippedNotGuessed)
{
    Picture("pictures/a.png", "depths/a.png", 12);
    Picture("pictures/b.png", "depths/b.png", 13);
    fs::copy_file("depths/a.png", "depths/a.tif");
    const ProgramResult result = Cli({"batch", "anaglyph", "--images", "pictures", "--depths", "depths", "--out",
                                      "out", "--parallax", "4"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "1 made, 0 failed, 1 skipped\n");
    EXPECT_TRUE(Says(result, "pictures/a.png: skipped, several depth maps: a.png and a.tif")) << result.err;
    EXPECT_FALSE(fs::exists("out/a.png"));
}

} // namespace
} // namespace velmora::test
