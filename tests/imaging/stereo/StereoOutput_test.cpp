// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/StereoOutput.h"

#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/DepthSmoothing.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/ShiftedView.h"
#include "imaging/stereo/ViewMaster.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <vector>

namespace velmora::test {
namespace {

class StereoOutputTest : public ::testing::Test {
protected:
    StereoOutputTest()
    {
        std::mt19937 random(21);
        Save(RandomImage(40, 30, random).get(), "image.bmp");
        Save(RandomDepthMap(40, 30, random).get(), "depth.bmp");
        run = {"out.png", "DepthMapTemp.png", 6, 4, 2, false, false};
        settings.saveFormat = kSavePng;
        settings.pixelsPerMetre = 2835;
    }

    // What the steps make from file to file, the depth map smoothed in all
    // its channels, in expected.png.
    // The view's rows are the odd ones when it is on top.
    void MakeExpected(StereoOutputKind kind, int radius, bool viewOnOddRows = false)
    {
        StereoSettings view = settings;
        view.geometry.parallax = 6;
        view.geometry.stereoWindow = 4;
        NullSink quiet;
        SmoothDepthMap("depth.bmp", "expected-depth.png", radius, settings, RunOptions{}, quiet);
        MakeShiftedView("expected.png", "image.bmp", "expected-depth.png", view, RunOptions{}, quiet);
        if (kind == StereoOutputKind::Anaglyph)
            MakeAnaglyph("expected.png", "expected.png", "image.bmp", settings, RunOptions{}, quiet);
        else
            MakeViewMaster("expected.png", viewOnOddRows ? "expected.png" : "image.bmp",
                           viewOnOddRows ? "image.bmp" : "expected.png", settings, RunOptions{}, quiet);
    }

    Sandbox sandbox;
    RecordingSink sink;
    std::string image = "image.bmp";
    std::string depth = "depth.bmp";
    StereoOutputRun run;
    StereoSettings settings;
};

TEST_F(StereoOutputTest, SmoothsThenMakesTheViewThenComposes)
{
    for (auto kind : {StereoOutputKind::Anaglyph, StereoOutputKind::LcShutter}) {
        ASSERT_TRUE(MakeStereoOutput(kind, run, image, depth, settings, RunOptions{}, sink));
        MakeExpected(kind, 2);
        EXPECT_EQ(ReadBytes("out.png"), ReadBytes("expected.png"));
        EXPECT_TRUE(std::filesystem::exists("DepthMapTemp.png"));
    }
}

TEST_F(StereoOutputTest, WithNothingKeptTheSmoothedBluePlaneGivesTheSameBytes)
{
    // A coloured depth map, whose depth is its blue byte; the rows shared
    // among several numbers of threads.
    std::mt19937 random(5);
    Save(RandomImage(40, 30, random).get(), "depth.bmp");
    run.smoothedDepthPath.clear();
    for (auto kind : {StereoOutputKind::Anaglyph, StereoOutputKind::LcShutter})
        for (int radius : {1, 3, 40})
            for (int threads : {1, 2, 7}) {
                run.smoothingRadius = radius;
                RunOptions options;
                options.threads = threads;
                ASSERT_TRUE(MakeStereoOutput(kind, run, image, depth, settings, options, sink));
                MakeExpected(kind, radius);
                EXPECT_EQ(ReadBytes("out.png"), ReadBytes("expected.png")) << "r=" << radius << " threads " << threads;
            }
    EXPECT_FALSE(std::filesystem::exists("DepthMapTemp.png"));
}

TEST_F(StereoOutputTest, LargePicturesMadeOverFinishedStepsGiveTheSameBytes)
{
    // Over a megabyte, the pictures' pixels are pages of their own, which
    // later steps take: the view those of the depth map, or, when the run
    // keeps the picture it read, the composition the picture's (when it is
    // the common area). Pictures larger, smaller and as large as the depth
    // map, one of an odd width whose rows' padding holds something as read;
    // a coloured depth map.
    const std::pair<int, int> pictureSizes[] = {{720, 530}, {700, 520}, {690, 521}, {699, 519}};
    std::mt19937 random(13);
    Save(RandomImage(700, 520, random).get(), "depth.bmp");
    settings.saveFormat = kSaveBmp;
    run.outputPath = "out.bmp";
    for (const auto& [width, height] : pictureSizes) {
        Bitmap picture = RandomImage(width, height, random);
        for (int y = 0; y < height; ++y)
            std::fill(RowAt(picture.get(), y) + 3 * width, RowAt(picture.get(), y) + FreeImage_GetPitch(picture.get()),
                      0xA5);
        Save(picture.get(), "image.bmp");
        const int topRow = std::min(height, 520) - 1;
        for (bool kept : {false, true})
            for (int radius : {0, 3})
                for (auto kind : {StereoOutputKind::Anaglyph, StereoOutputKind::LcShutter})
                    for (bool viewOnTop : {false, true}) {
                        run.smoothedDepthPath = kept ? "DepthMapTemp.bmp" : "";
                        run.readPictureOnce = kept;
                        run.smoothingRadius = radius;
                        run.leftEyeOnTop = viewOnTop;
                        ASSERT_TRUE(MakeStereoOutput(kind, run, image, depth, settings, RunOptions{}, sink));
                        MakeExpected(kind, radius, viewOnTop == (topRow % 2 == 1));
                        EXPECT_EQ(ReadBytes("out.bmp"), ReadBytes("expected.png"))
                            << width << "x" << height << " r=" << radius << kept << viewOnTop;
                    }
    }
}

TEST_F(StereoOutputTest, NothingThePicturesFileBroughtReachesTheResult)
{
    // A TIFF picture with a colour profile, as large as the depth map, and a
    // TIFF result, which the image library writes with whatever profile its
    // bitmap holds: the result composed over the picture's pixels must not
    // take it from there.
    std::mt19937 random(8);
    Bitmap picture = RandomImage(40, 30, random);
    const std::vector<BYTE> profile(512, 7);
    ASSERT_TRUE(FreeImage_CreateICCProfile(picture.get(), const_cast<BYTE*>(profile.data()),
                                           static_cast<long>(profile.size())));
    Save(picture.get(), "image.tif", kSaveTiff);
    settings.saveFormat = kSaveTiff;
    std::string outputs[2];
    for (bool kept : {false, true}) {
        run.readPictureOnce = kept;
        run.outputPath = kept ? "kept.tif" : "read-again.tif";
        ASSERT_TRUE(
            MakeStereoOutput(StereoOutputKind::Anaglyph, run, "image.tif", depth, settings, RunOptions{}, sink));
        outputs[kept] = ReadBytes(run.outputPath);
    }
    EXPECT_EQ(outputs[1], outputs[0]);
}

TEST_F(StereoOutputTest, WithoutARadiusTheDepthMapIsUsedAsItIs)
{
    run.smoothingRadius = 0;
    ASSERT_TRUE(MakeStereoOutput(StereoOutputKind::Anaglyph, run, image, depth, settings, RunOptions{}, sink));
    EXPECT_FALSE(std::filesystem::exists("DepthMapTemp.png"));
    EXPECT_EQ(sink.events.front(), "status:Anaglyph image");
}

TEST_F(StereoOutputTest, ARadiusOfOneSmooths)
{
    run.smoothingRadius = 1;
    ASSERT_TRUE(MakeStereoOutput(StereoOutputKind::LcShutter, run, image, depth, settings, RunOptions{}, sink));
    const std::string smoothed = ReadBytes("out.png");
    EXPECT_TRUE(std::filesystem::exists("DepthMapTemp.png"));
    run.smoothingRadius = 0;
    ASSERT_TRUE(MakeStereoOutput(StereoOutputKind::LcShutter, run, image, depth, settings, RunOptions{}, sink));
    EXPECT_NE(ReadBytes("out.png"), smoothed);
}

TEST_F(StereoOutputTest, AStepNeverReadsWhatAFailedStepWasToMake)
{
    // Files of these names from an earlier run are not read: each step
    // whose input was not made reports it missing.
    std::mt19937 random(3);
    Save(RandomImage(40, 30, random).get(), "DepthMapTemp.png", kSavePng);
    Save(RandomImage(40, 30, random).get(), "out.png", kSavePng);
    const std::string earlierOutput = ReadBytes("out.png");
    depth = "missing.bmp";
    EXPECT_FALSE(MakeStereoOutput(StereoOutputKind::LcShutter, run, image, depth, settings, RunOptions{}, sink));
    EXPECT_EQ(sink.events, (std::vector<std::string>{
                               "status:Depth map smoothing",
                               "message:" + std::string(messages::kCouldntLoadBitmap),
                               "status:LC Shutter",
                               "message:" + std::string(messages::kCouldntLoadDepthMap),
                               "message:" + std::string(messages::kCouldntLoadBitmap),
                           }));
    EXPECT_EQ(ReadBytes("out.png"), earlierOutput);

    // Stopping at the first failure, the later steps say nothing.
    sink = RecordingSink();
    run.stopAtFirstFailure = true;
    EXPECT_FALSE(MakeStereoOutput(StereoOutputKind::Anaglyph, run, image, depth, settings, RunOptions{}, sink));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{messages::kCouldntLoadBitmap}));
}

} // namespace
} // namespace velmora::test
