// SPDX-License-Identifier: GPL-3.0-or-later

// What velmora-cli does around the pixels: it never writes over what it
// reads, replaces OUT whole or not at all, and refuses what it cannot read
// safely. The real program runs on real files.

#include "imaging/stereo/StereoOutput.h"
#include "tests/cli/CliRun.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <thread>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

class CliFilesTest : public ::testing::Test {
protected:
    CliFilesTest()
    {
        std::mt19937 random(11);
        Bitmap picture = RandomImage(90, 60, random);
        SetResolution(picture.get(), 2835);
        Save(picture.get(), "p.png", kSavePng);
        Save(RandomDepthMap(90, 60, random).get(), "d.png", kSavePng);
    }

    // Everything in the sandbox, hidden files included.
    static std::vector<std::string> Contents(const fs::path& folder = ".")
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    Sandbox sandbox;
};

TEST_F(CliFilesTest, AnOutputThatIsAnInputIsRefusedByNameLinkOrHardLink)
{
    ASSERT_EQ(Cli({"smooth", "--depth", "d.png", "--radius", "1", "-o", "v.png"}).exitCode, 0);
    ASSERT_EQ(Cli({"outline", "--image", "p.png", "-o", "o.png"}).exitCode, 0);
    fs::create_symlink("p.png", "link.png");
    fs::create_hard_link("p.png", "hard.png");
    const std::string picture = ReadBytes("p.png"), depth = ReadBytes("d.png");
    // Each command with an output naming one of its inputs.
    const std::vector<std::vector<std::string>> commands = {
        {"smooth", "--depth", "p.png", "--radius", "2"},
        {"view", "--image", "p.png", "--depth", "d.png", "--parallax", "3"},
        {"compose-anaglyph", "--view", "v.png", "--image", "p.png"},
        {"compose-lcshutter", "--left", "p.png", "--right", "v.png"},
        {"anaglyph", "--image", "p.png", "--depth", "d.png", "--parallax", "3"},
        {"lcshutter", "--image", "p.png", "--depth", "d.png", "--parallax", "3"},
        {"outline", "--image", "p.png"},
        {"segsmooth", "--outline", "o.png", "--depth", "p.png"},
    };
    for (auto command : commands)
        for (const char* output : {"p.png", "./p.png", "link.png", "hard.png", "../" /* replaced below */}) {
            std::string name = output;
            if (name == "../")
                name = "../" + sandbox.Folder().filename().string() + "/p.png";
            command.insert(command.end(), {"-o", name});
            const ProgramResult result = Cli(command);
            EXPECT_EQ(result.exitCode, 2) << command[0] << " -o " << name;
            EXPECT_TRUE(Says(result, name + " (-o) is the same file as p.png")) << result.err;
            command.resize(command.size() - 2);
        }
    const ProgramResult gradient = Cli({"outline", "--image", "p.png", "--gradient", "g.png", "-o", "./g.png"});
    EXPECT_EQ(gradient.exitCode, 2);
    EXPECT_TRUE(Says(gradient, "./g.png (-o) is the same file as g.png (--gradient)")) << gradient.err;
    EXPECT_EQ(ReadBytes("p.png"), picture);
    EXPECT_EQ(ReadBytes("d.png"), depth);
    EXPECT_EQ(Contents(), (std::vector<std::string>{"d.png", "hard.png", "link.png", "o.png", "p.png", "v.png"}));
}

TEST_F(CliFilesTest, AFileThatCannotBeWrittenIsReportedByEveryCommand)
{
    ASSERT_EQ(Cli({"outline", "--image", "p.png", "-o", "o.png"}).exitCode, 0);
    const std::vector<std::vector<std::string>> commands = {
        {"smooth", "--depth", "d.png", "--radius", "1"},
        {"view", "--image", "p.png", "--depth", "d.png", "--parallax", "3"},
        {"compose-anaglyph", "--view", "p.png", "--image", "p.png"},
        {"compose-lcshutter", "--left", "p.png", "--right", "d.png"},
        {"anaglyph", "--image", "p.png", "--depth", "d.png", "--parallax", "3"},
        {"lcshutter", "--image", "p.png", "--depth", "d.png", "--parallax", "3"},
        {"outline", "--image", "p.png"},
        {"segsmooth", "--outline", "o.png", "--depth", "d.png"},
    };
    for (auto command : commands)
        for (const auto& [target, reason] : {std::pair<std::string, std::string>{"/dev/full", "not a regular file"},
                                             {"missing/out.png", "No such file or directory"}}) {
            command.insert(command.end(), {"--format", "png", "-o", target});
            const ProgramResult result = Cli(command);
            EXPECT_EQ(result.exitCode, 1) << command[0] << " -o " << target;
            EXPECT_EQ(result.err, "velmora-cli: Couldn't save " + target + "\nvelmora-cli: " + target + ": " +
                                      reason + "\n")
                << command[0];
            command.resize(command.size() - 4);
        }
    // Found before any work: the picture that cannot be read is never looked at.
    for (const char* command : {"anaglyph", "sbs"}) {
        const ProgramResult early = Cli({command, "--image", "gone.png", "--depth", "d.png", "--parallax", "3", "-o",
                                         "missing/out.png"});
        EXPECT_EQ(early.exitCode, 1);
        EXPECT_EQ(early.err, "velmora-cli: Couldn't save missing/out.png\nvelmora-cli: missing/out.png: No such file "
                             "or directory\n")
            << command;
    }
    // The format is the command's choice, whichever it is.
    for (const char* format : {"bmp", "png", "tif"})
        EXPECT_EQ(Cli({"smooth", "--depth", "d.png", "--radius", "1", "--format", format, "-o", "/dev/full"}).exitCode,
                  1)
            << format;
    EXPECT_EQ(Contents(), (std::vector<std::string>{"d.png", "o.png", "p.png"}));
}

TEST_F(CliFilesTest, AFailedRunLeavesAnEarlierOutputAsItWas)
{
    WriteBytes("out.png", "an earlier result");
    const ProgramResult result =
        Cli({"anaglyph", "--image", "p.png", "--depth", "gone.png", "--parallax", "4", "-o", "out.png"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "velmora-cli: Couldn't load bitmap!\nvelmora-cli: gone.png: No such file or directory\n");
    EXPECT_EQ(ReadBytes("out.png"), "an earlier result");

    const ProgramResult passes =
        Cli({"segsmooth", "--outline", "gone.png", "--depth", "d.png", "--passes", "3", "-o", "out.png"});
    EXPECT_EQ(passes.exitCode, 1);
    EXPECT_EQ(ReadBytes("out.png"), "an earlier result");
}

TEST_F(CliFilesTest, AnyFormatWorksWithAnyNameInEveryCommand)
{
    const ProgramResult whole =
        Cli({"anaglyph", "--image", "p.png", "--depth", "d.png", "--parallax", "5", "--format", "bmp", "-o", "o.png"});
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    EXPECT_EQ(ReadBytes("o.png").substr(0, 2), "BM");
    StereoSettings settings;
    settings.pixelsPerMetre = 2835;
    NullSink quiet;
    ASSERT_TRUE(MakeStereoOutput(StereoOutputKind::Anaglyph, {"core.bmp", "core-depth.bmp", 5, 5, 3, false, false},
                                 "p.png", "d.png", settings, RunOptions{}, quiet));
    EXPECT_EQ(ReadBytes("o.png"), ReadBytes("core.bmp"));

    ASSERT_EQ(Cli({"lcshutter", "--image", "p.png", "--depth", "d.png", "--parallax", "5", "--format", "tif", "-o",
                   "lc.bmp"})
                  .exitCode,
              0);
    ASSERT_EQ(Cli({"outline", "--image", "p.png", "--format", "png", "-o", "outline.bmp"}).exitCode, 0);
    ASSERT_EQ(Cli({"segsmooth", "--outline", "outline.bmp", "--depth", "d.png", "--format", "tif", "-o", "new.png"})
                  .exitCode,
              0);
    EXPECT_EQ(ReadBytes("lc.bmp").substr(0, 2), "II");
    EXPECT_EQ(ReadBytes("new.png").substr(0, 2), "II");
}

TEST_F(CliFilesTest, PicturesThatCannotBeReadSafelyAreRefusedAtOnce)
{
    ASSERT_EQ(mkfifo("fifo.png", 0600), 0);
    RunningProgram fifo(VELMORA_CLI, {"view", "--image", "fifo.png", "--depth", "d.png", "--parallax", "3", "-o",
                                      "v.png"});
    const auto refused = fifo.WaitAtMost(milliseconds(5000));
    ASSERT_TRUE(refused) << "a FIFO made the program wait";
    EXPECT_EQ(refused->exitCode, 1);
    EXPECT_TRUE(Says(*refused, "fifo.png: not a regular file")) << refused->err;

    // A few hundred bytes claiming 60000 x 60000 pixels: refused from the
    // header, at once, with no memory spent on them.
    WriteBytes("huge.png", PngClaiming(60000, 60000));
    RunningProgram huge(VELMORA_CLI, {"view", "--image", "huge.png", "--depth", "d.png", "--parallax", "3", "-o",
                                      "v.png"});
    const auto hugeResult = huge.WaitAtMost(milliseconds(1000));
    ASSERT_TRUE(hugeResult) << "the huge picture was not refused within a second";
    EXPECT_EQ(hugeResult->exitCode, 1);
    EXPECT_TRUE(Says(*hugeResult, "velmora-cli: Not enough memory for a picture of this size!\n")) << hugeResult->err;
    EXPECT_TRUE(Says(*hugeResult, "huge.png: 60000 x 60000 pixels need")) << hugeResult->err;

    // A small picture is too large once the limit is lower than its pixels.
    const ProgramResult limited =
        Cli({"--picture-limit", "1", "smooth", "--depth", "d.png", "--radius", "1", "-o", "s.png"});
    EXPECT_EQ(limited.exitCode, 0) << limited.err;
    Save(MakeImage(1000, 400, [](int, int) { return Grey(9); }).get(), "wide.bmp");
    const ProgramResult tooLarge =
        Cli({"--picture-limit", "1", "smooth", "--depth", "wide.bmp", "--radius", "1", "-o", "s.png"});
    EXPECT_EQ(tooLarge.exitCode, 1);
    EXPECT_TRUE(Says(tooLarge, "Not enough memory for a picture of this size!")) << tooLarge.err;
    EXPECT_TRUE(Says(tooLarge, "wide.bmp: 1000 x 400 pixels need 1.2 MB; pictures may take up to 1.0 MB")) << tooLarge.err;
}

// A run stopped at any moment leaves OUT as it was or whole and new. A kill
// leaves at most a hidden temporary file beside it; an interruption that the
// program can handle leaves nothing at all, not even its private folder.
TEST_F(CliFilesTest, AStoppedRunLeavesOutputOldOrWholeNew)
{
    std::mt19937 random(12);
    Bitmap picture = RandomImage(1200, 800, random);
    SetResolution(picture.get(), 2835);
    Save(picture.get(), "big.bmp");
    Save(RandomDepthMap(1200, 800, random).get(), "big-depth.bmp");
    const std::vector<std::string> run = {"anaglyph", "--image", "big.bmp", "--depth", "big-depth.bmp",
                                          "--radius", "5", "-o", "out.png"};
    ASSERT_EQ(Cli(run).exitCode, 0);
    const std::string whole = ReadBytes("out.png");
    fs::create_directory("tmp");
    const std::vector<std::string> privateTemp = {"TMPDIR=" + sandbox.Path("tmp")};

    int stoppedEarly = 0;
    for (int delay : {0, 5, 20, 50, 100, 150, 200, 250, 300, 400})
        for (int signal : {SIGKILL, SIGTERM, SIGINT, SIGHUP}) {
            WriteBytes("out.png", "old");
            RunningProgram program(VELMORA_CLI, run, privateTemp);
            std::this_thread::sleep_for(milliseconds(delay));
            program.Signal(signal);
            const ProgramResult result = program.Wait();
            const std::string now = ReadBytes("out.png");
            EXPECT_TRUE(now == "old" || now == whole) << "stopped after " << delay << " ms by " << signal;
            if (now == "old")
                ++stoppedEarly;
            if (signal == SIGKILL) {
                // What a killed process could not remove: its temporary file.
                for (const std::string& name : Contents())
                    if (name.front() == '.')
                        fs::remove(name);
                fs::remove_all("tmp");
                fs::create_directory("tmp");
                continue;
            }
            EXPECT_TRUE(result.signal == signal || result.exitCode == 0) << result.err;
            EXPECT_EQ(Contents(), (std::vector<std::string>{"big-depth.bmp", "big.bmp", "d.png", "out.png", "p.png",
                                                            "tmp"}))
                << "a file was left behind after " << delay << " ms";
            EXPECT_TRUE(fs::is_empty("tmp")) << "a private folder was left behind after " << delay << " ms";
        }
    EXPECT_GT(stoppedEarly, 0) << "no run was stopped before it wrote OUT: the test proves nothing";
}

// Started with nohup, or in the background of a script, a run keeps going
// when the terminal closes or Ctrl+C is pressed.
TEST_F(CliFilesTest, AStopSignalIgnoredAtTheStartStaysIgnored)
{
    std::mt19937 random(13);
    Save(RandomImage(1000, 700, random).get(), "big.bmp");
    Save(RandomDepthMap(1000, 700, random).get(), "big-depth.bmp");
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGHUP, &ignore, &previous);
    RunningProgram program(VELMORA_CLI, {"anaglyph", "--image", "big.bmp", "--depth", "big-depth.bmp", "--parallax",
                                         "20", "-o", "out.png"});
    sigaction(SIGHUP, &previous, nullptr);
    std::this_thread::sleep_for(milliseconds(50));
    program.Signal(SIGHUP);
    const ProgramResult result = program.Wait();
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadPixels("out.png")->width, 1000);
}

} // namespace
} // namespace velmora::test
