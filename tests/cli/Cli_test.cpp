// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/DepthSmoothing.h"
#include "imaging/stereo/ShiftedView.h"
#include "imaging/stereo/StereoOutput.h"
#include "resources/Version.h"
#include "segmentation/OutlineImage.h"
#include "segmentation/SegmentSmoothing.h"
#include "tests/cli/CliRun.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora::test {
namespace {

const std::string kSampleImage = std::string(VELMORA_SAMPLES) + "/sample.png";
const std::string kSampleDepth = std::string(VELMORA_SAMPLES) + "/sample-depth.png";

class CliTest : public ::testing::Test {
protected:
    // The core's own result for the sample, made in this process.
    std::string CoreOutput(StereoOutputKind kind, int parallax, int stereoWindow, int radius, int mode)
    {
        StereoSettings settings;
        settings.anaglyphMode = mode;
        settings.pixelsPerMetre = 2835;
        const StereoOutputRun run{"core.bmp", "core-depth.bmp", parallax, stereoWindow, radius, false, false};
        NullSink quiet;
        EXPECT_TRUE(MakeStereoOutput(kind, run, kSampleImage, kSampleDepth, settings, RunOptions{}, quiet));
        return ReadBytes("core.bmp");
    }

    Sandbox sandbox;
};

TEST_F(CliTest, WholeOutputsEqualTheCoreRunDirectly)
{
    const ProgramResult anaglyph = Cli({"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth, "-o",
                                        "out.bmp", "--parallax", "12", "--window", "5", "--mode", "colour"});
    EXPECT_EQ(anaglyph.exitCode, 0) << anaglyph.err;
    EXPECT_EQ(ReadBytes("out.bmp"), CoreOutput(StereoOutputKind::Anaglyph, 12, 5, 3, kAnaglyphColour));

    const ProgramResult lcShutter = Cli({"lcshutter", "--image", kSampleImage, "--depth", kSampleDepth, "-o",
                                         "lc.bmp", "--parallax", "-7", "--radius", "0"});
    EXPECT_EQ(lcShutter.exitCode, 0) << lcShutter.err;
    EXPECT_EQ(ReadBytes("lc.bmp"), CoreOutput(StereoOutputKind::LcShutter, -7, -7, 0, kAnaglyphGrey));
}

TEST_F(CliTest, TheStepsChainToTheWholeOutput)
{
    ASSERT_EQ(Cli({"smooth", "--depth", kSampleDepth, "--radius", "3", "-o", "smooth.png"}).exitCode, 0);
    ASSERT_EQ(Cli({"view", "--image", kSampleImage, "--depth", "smooth.png", "--parallax", "9", "-o", "view.tif"})
                  .exitCode,
              0);
    ASSERT_EQ(Cli({"compose-anaglyph", "--view", "view.tif", "--image", kSampleImage, "-o", "steps.tif"}).exitCode,
              0);
    // No --parallax: 12 degrees and 2 views at the sample's 72 dpi give 9.
    ASSERT_EQ(Cli({"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth, "-o", "whole.tif"}).exitCode, 0);
    EXPECT_TRUE(SamePixels("steps.tif", "whole.tif"));
    EXPECT_EQ(ReadPixels("whole.tif")->resolution, 2835);

    ASSERT_EQ(Cli({"compose-lcshutter", "--left", kSampleImage, "--right", "steps.tif", "--ppm", "100", "-o",
                   "lc.png"})
                  .exitCode,
              0);
    EXPECT_EQ(ReadPixels("lc.png")->resolution, 100);
}

TEST_F(CliTest, TheSmoothedDepthMapStaysPrivate)
{
    ASSERT_EQ(Cli({"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth, "-o", "out.png"}).exitCode, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()), 1);

    const ProgramResult kept = Cli({"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth, "-o", "out.png",
                                    "--keep-temp"});
    ASSERT_EQ(kept.exitCode, 0);
    const auto at = kept.err.find("kept in ");
    ASSERT_NE(at, std::string::npos) << kept.err;
    const std::filesystem::path kept_path = kept.err.substr(at + 8, kept.err.find('\n', at) - at - 8);
    EXPECT_EQ(kept_path.filename(), "DepthMapTemp.png");
    EXPECT_TRUE(std::filesystem::exists(kept_path));
    std::filesystem::remove_all(kept_path.parent_path());
}

TEST_F(CliTest, TheFormatComesFromTheOptionOrTheName)
{
    ASSERT_EQ(Cli({"smooth", "--depth", kSampleDepth, "--radius", "1", "-o", "a.TIFF"}).exitCode, 0);
    EXPECT_EQ(ReadBytes("a.TIFF").substr(0, 2), "II");
    ASSERT_EQ(Cli({"smooth", "--depth", kSampleDepth, "--radius", "1", "-o", "b.bmp", "--format", "png"}).exitCode,
              0);
    EXPECT_EQ(ReadBytes("b.bmp").substr(0, 4), "\x89PNG");

    const ProgramResult unknown = Cli({"smooth", "--depth", kSampleDepth, "--radius", "1", "-o", "c.gif"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("--format"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("c.gif"));
}

TEST_F(CliTest, FailedStepsExitWithOneAndTheirMessage)
{
    const ProgramResult missing =
        Cli({"anaglyph", "--image", "missing.png", "--depth", kSampleDepth, "--parallax", "5", "-o", "out.bmp"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("Couldn't load bitmap!"), std::string::npos);

    const ProgramResult folder =
        Cli({"view", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "5", "-o", "no/dir/v.bmp"});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_NE(folder.err.find("Couldn't save no/dir/v.bmp"), std::string::npos);

    const ProgramResult depth =
        Cli({"view", "--image", kSampleImage, "--depth", "missing.png", "--parallax", "5", "-o", "v.bmp"});
    EXPECT_EQ(depth.exitCode, 1);
    EXPECT_NE(depth.err.find("Couldn't load DepthMap bitmap!"), std::string::npos);
}

TEST_F(CliTest, AnUnreadableDepthMapIsToldTheSameWayByEveryCommand)
{
    WriteBytes("broken.png", "not a picture");
    // Smoothed first (the default radius), it is read as any picture; unsmoothed, as the depth map.
    for (const auto& [radius, message] :
         {std::pair {"3", "Couldn't load bitmap!"}, {"0", "Couldn't load DepthMap bitmap!"}})
        for (const std::vector<std::string>& command :
             std::vector<std::vector<std::string>> {{"anaglyph", "-o", "o.png"},
                                                    {"lcshutter", "-o", "o.png"},
                                                    {"sbs", "-o", "o.png"},
                                                    {"pair", "--left", "l.png", "--right", "r.png"},
                                                    {"views", "--count", "3", "-o", "v%d.png"}}) {
            std::vector<std::string> arguments = command;
            arguments.insert(arguments.end(),
                             {"--image", kSampleImage, "--depth", "broken.png", "--parallax", "5", "--radius", radius});
            const ProgramResult failed = Cli(arguments);
            EXPECT_EQ(failed.exitCode, 1) << command[0];
            EXPECT_EQ(failed.err.substr(0, failed.err.find('\n')), std::string("velmora-cli: ") + message)
                << command[0] << " --radius " << radius << ": " << failed.err;
        }
}

TEST_F(CliTest, OnATerminalItSaysWhatItChoseAndWarnsOfWhatLooksAmiss)
{
    const auto onTerminal = [](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--image", kSampleImage, "--depth", kSampleDepth, "-o", "t.png", "-q"});
        const ProgramResult run = RunOnTerminal(VELMORA_CLI, arguments);
        EXPECT_EQ(run.exitCode, 0) << run.out;
        return run.out;
    };
    EXPECT_NE(onTerminal({"anaglyph"}).find("parallax 9 px: 12 degrees at 72 dpi, 2 views"), std::string::npos);
    const std::string behind = onTerminal({"anaglyph", "--parallax", "10", "--window", "15"});
    EXPECT_NE(behind.find("the stereo window 15 lies outside 0..10"), std::string::npos) << behind;
    EXPECT_NE(behind.find("behind the screen"), std::string::npos) << behind;
    const std::string front = onTerminal({"lcshutter", "--parallax", "-10", "--window", "4"});
    EXPECT_NE(front.find("in front of the screen"), std::string::npos) << front;
    const std::string wide = onTerminal({"sbs", "--parallax", "400"});
    EXPECT_NE(wide.find("a parallax of 400 px is over a third of the picture's 1024 px width"), std::string::npos)
        << wide;
    // Nothing to warn of: no warning.
    EXPECT_EQ(onTerminal({"anaglyph", "--parallax", "20", "--window", "5"}).find("warning"), std::string::npos);
    // And nothing of it without a terminal.
    const ProgramResult piped = Cli({"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "400",
                                     "--window", "-3", "-o", "p.png"});
    EXPECT_EQ(piped.err, "");
}

TEST_F(CliTest, BadCommandLinesExitWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"view", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "5"},
        {"view", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "99999999999", "-o", "v.bmp"},
        {"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "4", "--views", "3", "-o",
         "a.bmp"},
        {"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth, "--views", "1", "-o", "a.bmp"},
        {"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth, "--angle", "nan", "-o", "a.bmp"},
        {"compose-anaglyph", "--view", kSampleImage, "--image", kSampleImage, "--mode", "sepia", "-o", "a.bmp"},
    };
    for (const auto& arguments : cases)
        EXPECT_EQ(Cli(arguments).exitCode, 2) << ::testing::PrintToString(arguments);
    EXPECT_FALSE(std::filesystem::exists("v.bmp"));
    EXPECT_FALSE(std::filesystem::exists("a.bmp"));
    EXPECT_EQ(Cli({"anaglyph", "--help"}).exitCode, 0);
}

TEST_F(CliTest, MistakesAreAnsweredWithWhatWasMeant)
{
    const std::string more = "Run 'velmora-cli --help' or 'velmora-cli COMMAND --help' for more information.\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"anaglyf", "--image", kSampleImage}, "unknown command 'anaglyf'; did you mean 'anaglyph'?"},
        {{"outlien"}, "unknown command 'outlien'; did you mean 'outline'?"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{}, "give a command: smooth, view, compose-anaglyph, compose-lcshutter, anaglyph, lcshutter, sbs, pair, "
             "views, batch, outline, segsmooth, align, depth"},
        {{"anaglyph", "--imgae", kSampleImage}, "unknown option '--imgae'; did you mean '--image'?"},
        {{"smooth", "--radus=3"}, "unknown option '--radus'; did you mean '--radius'?"},
        {{"--quality", "70", "smooth", "--depth", "d", "--radius", "1", "-o", "a.jpg"},
         "'--quality' is an option of smooth: give it after 'smooth'"},
        {{"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth, "--angle", "0", "-o", "a.png"},
         "the automatic parallax is 0 pixels (0 degrees at 72 dpi, 2 views); give a larger --angle, or the parallax "
         "with --parallax."},
        // Two swaps of neighbours are two edits, not four.
        {{"smooth", "--rdaisu=3"}, "unknown option '--rdaisu'; did you mean '--radius'?"},
        {{"compose-anaglyph", "--view", "v", "--image", "i", "-o", "a.bmp", "--mode", "sepia"},
         "--mode: 'sepia' is not grey, colour, half-colour or dubois"},
        {{"smooth", "--depth", "d", "--radius", "1", "-o", "a", "--format", "gif"},
         "--format: 'gif' is not bmp, png, tif or jpg"},
        {{"sbs", "--image", "i", "--depth", "d", "--layout", "diagonal", "-o", "s.bmp"},
         "--layout: 'diagonal' is not parallel, cross or top-bottom"},
        {{"views", "--image", "i", "--depth", "d", "--parallax", "4", "--count", "3", "-o", "view.png"},
         "the view names view.png need one number field, such as view-%02d.png (%% for a percent sign)"},
    };
    for (const auto& [arguments, message] : cases) {
        const ProgramResult result = Cli(arguments);
        EXPECT_EQ(result.exitCode, 2) << message;
        EXPECT_EQ(result.err, "velmora-cli: " + message + "\n" + more);
    }
}

TEST_F(CliTest, VersionAndQuietWorkWhereverTheyAre)
{
    for (const char* flag : {"--version", "-V"}) {
        const ProgramResult version = Cli({flag});
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.out, std::string("velmora-cli ") + kProductVersion + "\n");
    }
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-q", "lcshutter"}, std::vector<std::string>{"lcshutter", "-q"},
          std::vector<std::string>{"lcshutter", "--quiet"}}) {
        std::vector<std::string> command = arguments;
        command.insert(command.end(), {"--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "3", "-o",
                                       "q.bmp"});
        const ProgramResult result = Cli(command);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
    }
    // The names of the modes in any letter case, either spelling.
    ASSERT_EQ(Cli({"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "4", "--mode", "COLOR",
                   "-o", "upper.bmp"})
                  .exitCode,
              0);
    ASSERT_EQ(Cli({"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "4", "--mode",
                   "colour", "-o", "lower.bmp"})
                  .exitCode,
              0);
    EXPECT_EQ(ReadBytes("upper.bmp"), ReadBytes("lower.bmp"));
    EXPECT_EQ(ReadBytes("upper.bmp"), CoreOutput(StereoOutputKind::Anaglyph, 4, 4, 3, kAnaglyphColour));
}

TEST_F(CliTest, AnyNumberOfThreadsWritesTheSameBytes)
{
    const std::vector<std::string> anaglyph = {"anaglyph", "--image", kSampleImage, "--depth", kSampleDepth,
                                               "--parallax", "8"};
    std::string written[3];
    const char* threads[] = {"1", "2", "5"};
    for (int i = 0; i < 3; ++i) {
        std::vector<std::string> command = {"--threads", threads[i]};
        command.insert(command.end(), anaglyph.begin(), anaglyph.end());
        command.insert(command.end(), {"-o", "threads.png"});
        ASSERT_EQ(Cli(command).exitCode, 0);
        written[i] = ReadBytes("threads.png");
    }
    EXPECT_EQ(written[0], written[1]);
    EXPECT_EQ(written[0], written[2]);
    for (const char* bad : {"0", "-2", "many"})
        EXPECT_EQ(Cli({"--threads", bad, "outline", "--image", kSampleImage, "-o", "o.bmp"}).exitCode, 2) << bad;
}

TEST_F(CliTest, AZeroOrUncomputableParallaxIsRefused)
{
    const ProgramResult zero =
        Cli({"view", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "0", "-o", "v.bmp"});
    EXPECT_EQ(zero.exitCode, 2);
    EXPECT_EQ(zero.err.substr(0, zero.err.find("Run")),
              "velmora-cli: Enter parallax!\nvelmora-cli: give the shift between the two views in pixels: "
              "--parallax P, not 0\n");

    Save(MakeImage(8, 8, [](int, int) { return Grey(3); }).get(), "flat.bmp");
    Bitmap noResolution = MakeImage(8, 8, [](int, int) { return Grey(3); });
    SetResolution(noResolution.get(), 0);
    Save(noResolution.get(), "plain.bmp");
    const ProgramResult automatic = Cli({"lcshutter", "--image", "plain.bmp", "--depth", "flat.bmp", "-o", "v.bmp"});
    EXPECT_EQ(automatic.exitCode, 2);
    EXPECT_NE(automatic.err.find("I can't calculate the parallax automatically."), std::string::npos);
    EXPECT_NE(automatic.err.find("--parallax"), std::string::npos);
    EXPECT_EQ(Cli({"lcshutter", "--image", "plain.bmp", "--depth", "flat.bmp", "-o", "v.bmp", "--parallax", "2"})
                  .exitCode,
              0);
}

TEST_F(CliTest, AHugeParallaxEndsQuickly)
{
    const ProgramResult result = Cli({"view", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax",
                                      "2147483647", "-o", "v.bmp"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST_F(CliTest, NothingIsPrintedOnSuccessWithoutATerminal)
{
    const ProgramResult result =
        Cli({"lcshutter", "--image", kSampleImage, "--depth", kSampleDepth, "-o", "out.bmp", "--parallax", "3"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    // TIFF files too: the TIFF library's notes on unknown tags stay quiet.
    ASSERT_EQ(Cli({"smooth", "--depth", kSampleDepth, "--radius", "1", "-o", "a.tif"}).exitCode, 0);
    const ProgramResult tiff = Cli({"smooth", "--depth", "a.tif", "--radius", "1", "-o", "b.tif"});
    EXPECT_EQ(tiff.exitCode, 0);
    EXPECT_EQ(tiff.err, "");
}

TEST_F(CliTest, OutlineAndSegmentSmoothingWorkOnTheSample)
{
    const ProgramResult outline =
        Cli({"outline", "--image", kSampleImage, "--level", "40", "--gradient", "grad.png", "-o", "outline.bmp"});
    ASSERT_EQ(outline.exitCode, 0) << outline.err;
    SegmentationRecord record;
    NullSink quiet;
    MakeOutlineFiles(kSampleImage, "expected.bmp", "expected-grad.png", 40, kSaveBmp, kSavePng, record, RunOptions{},
                     quiet);
    EXPECT_EQ(ReadBytes("outline.bmp"), ReadBytes("expected.bmp"));
    EXPECT_EQ(ReadBytes("grad.png"), ReadBytes("expected-grad.png"));

    // Without --gradient the gradient image is not left anywhere here.
    ASSERT_EQ(Cli({"outline", "--image", kSampleImage, "-o", "default.png"}).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists("gradient.png"));

    const ProgramResult smooth =
        Cli({"segsmooth", "--outline", "outline.bmp", "--depth", kSampleDepth, "--passes", "2", "-o", "new.bmp"});
    ASSERT_EQ(smooth.exitCode, 0) << smooth.err;
    SmoothBySegmentsPasses("outline.bmp", kSampleDepth, "expected-new.bmp", 2, kSaveBmp, record, RunOptions{}, quiet);
    EXPECT_EQ(ReadBytes("new.bmp"), ReadBytes("expected-new.bmp"));
}

TEST_F(CliTest, SegmentationFailuresAndBadLevels)
{
    const ProgramResult noOutline =
        Cli({"segsmooth", "--outline", "missing.bmp", "--depth", kSampleDepth, "-o", "new.bmp"});
    EXPECT_EQ(noOutline.exitCode, 1);
    EXPECT_NE(noOutline.err.find("Couldn't load outline bitmap!"), std::string::npos);

    // The first failure ends the command, and says which file and why.
    const ProgramResult noPicture = Cli({"outline", "--image", "missing.png", "-o", "outline.bmp"});
    EXPECT_EQ(noPicture.exitCode, 1);
    EXPECT_EQ(noPicture.err,
              "velmora-cli: Couldn't load bitmap!\nvelmora-cli: missing.png: No such file or directory\n");
    EXPECT_FALSE(std::filesystem::exists("outline.bmp"));

    EXPECT_EQ(Cli({"outline", "--image", kSampleImage, "--level", "257", "-o", "o.bmp"}).exitCode, 2);
    EXPECT_EQ(Cli({"outline", "--image", kSampleImage, "--level", "-1", "-o", "o.bmp"}).exitCode, 2);
}

} // namespace
} // namespace velmora::test
