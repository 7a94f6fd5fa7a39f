// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/CMainDlg.h"

#include "imaging/files/SystemCalls.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/ShiftedView.h"
#include "imaging/stereo/StereoOutput.h"
#include "imaging/stereo/TempFiles.h"
#include "resources/MainDialogIds.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"
#include "tests/support/gui/FakePlatform.h"
#include "tests/support/gui/PreviewCloser.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

namespace velmora::test {
namespace {

using namespace main_ids;

class OutputCommandTest : public ::testing::Test {
protected:
    OutputCommandTest() : window(platform)
    {
        std::mt19937 random(5);
        Bitmap picture = RandomImage(60, 40, random);
        SetResolution(picture.get(), 2835); // 72 dpi: parallax 9
        Save(picture.get(), sandbox.Path("photo.bmp"));
        Save(RandomDepthMap(60, 40, random).get(), sandbox.Path("depth.bmp"));
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        platform.GivenUserOpens(sandbox.Path("photo.bmp"));
        window.OpenImage();
        platform.GivenUserOpens(sandbox.Path("depth.bmp"));
        window.OpenDepthMap();
    }

    void Click(int id) { QTest::mouseClick(qobject_cast<QAbstractButton*>(window.Control(id)), Qt::LeftButton); }

    // Clicks an output button and answers the save dialog.
    void Run(int button, const std::string& answer)
    {
        platform.GivenUserSaves(answer);
        Click(button);
    }

    // What the core makes of the same files and settings.
    std::string CoreResult(StereoOutputKind kind, int radius, int saveFormat)
    {
        StereoSettings settings = window.Settings();
        settings.saveFormat = saveFormat;
        const std::string extension = FormatExtension(saveFormat);
        const StereoOutputRun run{sandbox.Path("core." + extension), sandbox.Path("core-depth." + extension), 9, 9,
                                  radius, false, false};
        NullSink quiet;
        MakeStereoOutput(kind, run, sandbox.Path("photo.bmp"), sandbox.Path("depth.bmp"), settings, RunOptions{},
                         quiet);
        return ReadBytes(run.outputPath);
    }

    void SelectFormat(int index)
    {
        auto* list = qobject_cast<QComboBox*>(window.Control(kSaveAs));
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    void Type(int id, const QString& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(window.Control(id));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    QString Status() const { return qobject_cast<QLabel*>(window.Control(kStatus))->accessibleName(); }

    // What velmora-cli's `command` writes from the same files with the
    // window's parallax, stereo window and smoothing radius.
    void RunCli(const std::string& command, std::vector<std::string> more)
    {
        const StereoSettings& settings = window.Settings();
        std::vector<std::string> arguments = {command,
                                              "--image",
                                              sandbox.Path("photo.bmp"),
                                              "--depth",
                                              sandbox.Path("depth.bmp"),
                                              "--parallax",
                                              std::to_string(settings.geometry.parallax),
                                              "--window",
                                              std::to_string(settings.geometry.stereoWindow),
                                              "--radius",
                                              std::to_string(settings.smoothingRadius)};
        arguments.insert(arguments.end(), more.begin(), more.end());
        const ProgramResult cli = RunProgram(VELMORA_CLI, arguments);
        ASSERT_EQ(cli.exitCode, 0) << cli.err;
    }

    Sandbox sandbox;
    FakePlatform platform;
    CMainDlg window;
};

TEST_F(OutputCommandTest, AnAnaglyphRunGivesTheCoresBytesInEachFormat)
{
    PreviewCloser closer;
    Run(kAnaglyph, sandbox.Path("result"));
    EXPECT_EQ(ReadBytes(sandbox.Path("result.bmp")), CoreResult(StereoOutputKind::Anaglyph, 3, kSaveBmp));
    EXPECT_TRUE(platform.messages.empty());
    ASSERT_EQ(platform.saveRequests.size(), 1u);
    EXPECT_EQ(platform.saveRequests[0].title, "Save image");
    EXPECT_EQ(platform.saveRequests[0].patterns, "*.bmp;*.png;*.tif");

    SelectFormat(kSavePng);
    Run(kAnaglyph, sandbox.Path("result"));
    EXPECT_EQ(ReadBytes(sandbox.Path("result.png")), CoreResult(StereoOutputKind::Anaglyph, 3, kSavePng));

    SelectFormat(kSaveTiff);
    Type(kSmoothingRadius, "0");
    Run(kLcShutter, sandbox.Path("lc.tif"));
    EXPECT_EQ(ReadBytes(sandbox.Path("lc.tif")), CoreResult(StereoOutputKind::LcShutter, 0, kSaveTiff));
    EXPECT_EQ(closer.shown, (std::vector<std::string>{sandbox.Path("result.bmp"), sandbox.Path("result.png"),
                                                      sandbox.Path("lc.tif")}));
}

TEST_F(OutputCommandTest, TheFormatChosenDecidesTheContentWhateverTheName)
{
    PreviewCloser closer;
    SelectFormat(kSavePng);
    Run(kAnaglyph, sandbox.Path("result.bmp"));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(ReadBytes(sandbox.Path("result.bmp")), CoreResult(StereoOutputKind::Anaglyph, 3, kSavePng));
    EXPECT_EQ(closer.shown, (std::vector<std::string>{sandbox.Path("result.bmp")}));
    EXPECT_EQ(Status(), "Ready");
}

TEST_F(OutputCommandTest, ThePictureItselfAsOutputGoesBesideItWithATwo)
{
    PreviewCloser closer;
    const std::string before = ReadBytes(sandbox.Path("photo.bmp"));
    Run(kAnaglyph, sandbox.Path("PHOTO.bmp"));
    EXPECT_EQ(ReadBytes(sandbox.Path("photo.bmp")), before);
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("2PHOTO.bmp")));
    EXPECT_EQ(closer.shown, (std::vector<std::string>{"2PHOTO.bmp"}));
}

TEST_F(OutputCommandTest, AnInputChosenAsTheOutputIsNotAskedAboutAndTheStatusSaysWhereTheResultWent)
{
    PreviewCloser closer;
    const std::string picture = ReadBytes(sandbox.Path("photo.bmp"));
    Run(kAnaglyph, sandbox.Path("photo.bmp"));
    EXPECT_TRUE(platform.replaceQuestions.empty());
    EXPECT_EQ(ReadBytes(sandbox.Path("photo.bmp")), picture);
    EXPECT_EQ(ReadBytes(sandbox.Path("2photo.bmp")), CoreResult(StereoOutputKind::Anaglyph, 3, kSaveBmp));
    EXPECT_EQ(Status(), "Saved as 2photo.bmp: photo.bmp is an input");

    // The depth map, its extension added by the dialog, likewise.
    const std::string depth = ReadBytes(sandbox.Path("depth.bmp"));
    Run(kCrossEyed, sandbox.Path("depth"));
    EXPECT_TRUE(platform.replaceQuestions.empty());
    EXPECT_EQ(ReadBytes(sandbox.Path("depth.bmp")), depth);
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("2depth.bmp")));
    EXPECT_EQ(Status(), "Saved as 2depth.bmp: depth.bmp is an input");
    EXPECT_EQ(closer.shown, (std::vector<std::string> {"2photo.bmp", "2depth.bmp"}));

    // Any other existing file is asked about, and replaced where chosen.
    Run(kLcShutter, sandbox.Path("2photo.bmp"));
    EXPECT_EQ(platform.replaceQuestions, (std::vector<std::string> {sandbox.Path("2photo.bmp")}));
    EXPECT_EQ(ReadBytes(sandbox.Path("2photo.bmp")), CoreResult(StereoOutputKind::LcShutter, 3, kSaveBmp));
    EXPECT_EQ(Status(), "Ready");
}

TEST_F(OutputCommandTest, TheBarMovesWhileTheInputsAreReadBeforeAnyRoutineRuns)
{
    PreviewCloser closer;
    auto* bar = qobject_cast<QProgressBar*>(window.Control(kProgress));
    std::vector<std::string> shown;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        if (value > 0)
            shown.push_back(std::to_string(value) + " of " + std::to_string(bar->maximum()));
    });
    for (int button : {kAnaglyph, kCrossEyed, kLenticularViews}) {
        shown.clear();
        Run(button, sandbox.Path("moving"));
        // The depth map's header, then its pixels, before the smoothing's
        // 40 rows.
        ASSERT_GE(shown.size(), 3u) << button;
        EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 3),
                  (std::vector<std::string>{"1 of 2", "2 of 2", "1 of 40"}))
            << button;
        EXPECT_EQ(bar->value(), 0) << button;
    }
}

TEST_F(OutputCommandTest, NoParallaxNoDialog)
{
    Click(kAutoParallax);
    Type(kParallax, "");
    Click(kAnaglyph);
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Enter parallax!"}));
    EXPECT_TRUE(platform.saveRequests.empty());
}

TEST_F(OutputCommandTest, ACancelledSaveDialogDoesNothing)
{
    const QString status = Status();
    Click(kAnaglyph);
    EXPECT_EQ(platform.saveRequests.size(), 1u);
    EXPECT_FALSE(window.Busy());
    EXPECT_EQ(Status(), status);
}

TEST_F(OutputCommandTest, DuringARunTheWindowAnswersAndOutputCommandsOnlyBeep)
{
    QString statusDuringPreview;
    bool smoothedFileDuringPreview = false;
    PreviewCloser closer([&] {
        statusDuringPreview = Status();
        smoothedFileDuringPreview = std::filesystem::exists(sandbox.Path("DepthMapTemp.bmp"));
        EXPECT_TRUE(window.Busy());
        Click(kLcShutter);
        Click(kColour);
    });
    Run(kAnaglyph, sandbox.Path("busy.bmp"));
    EXPECT_EQ(platform.beeps, 1);
    EXPECT_EQ(platform.saveRequests.size(), 1u);
    EXPECT_EQ(statusDuringPreview, "Anaglyph image");
    EXPECT_TRUE(smoothedFileDuringPreview); // deleted only after the preview closed
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("DepthMapTemp.bmp")));
    EXPECT_EQ(Status(), "Ready");
    EXPECT_FALSE(window.Busy());
    EXPECT_EQ(window.Settings().anaglyphMode, kAnaglyphColour); // the click during the run took effect
}

TEST_F(OutputCommandTest, ASettingChangedDuringARunReachesTheStepsThatReadItLater)
{
    // The click waits in the queue until the run's first pump, during the
    // smoothing; the composition, which reads the mode later, sees it.
    PreviewCloser closer;
    QTimer::singleShot(0, &window, [this] { Click(kColour); });
    Run(kAnaglyph, sandbox.Path("out.bmp"));
    EXPECT_EQ(window.Settings().anaglyphMode, kAnaglyphColour);
    EXPECT_EQ(ReadBytes(sandbox.Path("out.bmp")), CoreResult(StereoOutputKind::Anaglyph, 3, kSaveBmp));
    Click(kGrey);
    EXPECT_NE(ReadBytes(sandbox.Path("out.bmp")), CoreResult(StereoOutputKind::Anaglyph, 3, kSaveBmp));
}

TEST_F(OutputCommandTest, TemporaryFilesStayWhenAskedTo)
{
    PreviewCloser closer;
    Click(kDeleteTempFiles);
    Click(kPreviewImages);
    Run(kAnaglyph, sandbox.Path("kept.bmp"));
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("DepthMapTemp.bmp")));
    EXPECT_TRUE(closer.shown.empty());
    Type(kSmoothingRadius, "0");
    std::filesystem::remove(sandbox.Path("DepthMapTemp.bmp"));
    Run(kAnaglyph, sandbox.Path("unsmoothed.bmp"));
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("DepthMapTemp.bmp")));
}

TEST_F(OutputCommandTest, UserFilesNamedLikeTemporaryFilesSurvive)
{
    PreviewCloser closer;
    // An output that bears the smoothed depth map's name is kept, by its
    // own run and by the next.
    Run(kAnaglyph, sandbox.Path("DepthMapTemp.bmp"));
    const std::string output = ReadBytes(sandbox.Path("DepthMapTemp.bmp"));
    EXPECT_EQ(output, CoreResult(StereoOutputKind::Anaglyph, 3, kSaveBmp));
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("DepthMapTemp2.bmp")));
    Run(kLcShutter, sandbox.Path("lc.bmp"));
    EXPECT_EQ(ReadBytes(sandbox.Path("DepthMapTemp.bmp")), output);

    // The user's own files of those names in the output folder are neither
    // written over nor deleted; the run smooths into a free name of its own
    // and deletes that.
    for (const char* name : {"DepthMapTemp.bmp", "photo-outline.bmp", "photo-gradient.bmp"})
        WriteBytes(sandbox.Path(name), std::string("the user's ") + name);
    Run(kAnaglyph, sandbox.Path("out.bmp"));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(ReadBytes(sandbox.Path("out.bmp")), CoreResult(StereoOutputKind::Anaglyph, 3, kSaveBmp));
    for (const char* name : {"DepthMapTemp.bmp", "photo-outline.bmp", "photo-gradient.bmp"})
        EXPECT_EQ(ReadBytes(sandbox.Path(name)), std::string("the user's ") + name);
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("DepthMapTemp2.bmp")));
}

TEST_F(OutputCommandTest, APictureNamedLikeATemporaryFileSurvivesTheRun)
{
    PreviewCloser closer;
    std::filesystem::copy_file(sandbox.Path("photo.bmp"), sandbox.Path("DepthMapTemp.bmp"));
    const std::string picture = ReadBytes(sandbox.Path("DepthMapTemp.bmp"));
    platform.GivenUserOpens(sandbox.Path("DepthMapTemp.bmp"));
    window.OpenImage();
    Run(kLcShutter, sandbox.Path("out.bmp"));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(ReadBytes(sandbox.Path("DepthMapTemp.bmp")), picture);
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("DepthMapTemp2.bmp")));
    // The same run with the picture under its own name gives the same image.
    const std::string lcShutter = ReadBytes(sandbox.Path("out.bmp"));
    EXPECT_EQ(lcShutter, CoreResult(StereoOutputKind::LcShutter, 3, kSaveBmp));
}

TEST_F(OutputCommandTest, AnAddedExtensionIsAskedAboutBeforeReplacing)
{
    PreviewCloser closer;
    WriteBytes(sandbox.Path("keep.bmp"), "keep me");
    platform.GivenUserDeclinesReplacing();
    Run(kAnaglyph, sandbox.Path("keep"));
    EXPECT_EQ(platform.replaceQuestions, (std::vector<std::string>{sandbox.Path("keep.bmp")}));
    EXPECT_EQ(platform.saveRequests.back().defaultSuffix, "bmp");
    EXPECT_EQ(ReadBytes(sandbox.Path("keep.bmp")), "keep me");
    EXPECT_FALSE(window.Busy());
    EXPECT_TRUE(closer.shown.empty());

    SelectFormat(kSaveTiff);
    Run(kAnaglyph, sandbox.Path("keep"));
    EXPECT_EQ(platform.saveRequests.back().defaultSuffix, "tif");
    EXPECT_EQ(ReadBytes(sandbox.Path("keep.tif")), CoreResult(StereoOutputKind::Anaglyph, 3, kSaveTiff));
    EXPECT_EQ(ReadBytes(sandbox.Path("keep.bmp")), "keep me");
}

// The chosen file is replaced once, by the result: the view is made where
// the user does not see it, so a failed composition could not leave it there.
std::vector<std::string> renamedTo;

int RecordingRename(const char* from, const char* to)
{
    renamedTo.push_back(std::filesystem::path(to).filename().string());
    return ::rename(from, to);
}

TEST_F(OutputCommandTest, TheChosenFileIsWrittenOnceByTheResult)
{
    PreviewCloser closer;
    const SystemCalls real = ActiveSystemCalls();
    ScopedSystemCalls recording({real.pwrite, real.fsync, real.close, RecordingRename});
    renamedTo.clear();
    Run(kLcShutter, sandbox.Path("out.bmp"));
    EXPECT_EQ(std::count(renamedTo.begin(), renamedTo.end(), "out.bmp"), 1);
    EXPECT_EQ(ReadBytes(sandbox.Path("out.bmp")), CoreResult(StereoOutputKind::LcShutter, 3, kSaveBmp));
}

TEST_F(OutputCommandTest, AFailedStepDoesNotReadTheFilesOfAnEarlierRun)
{
    PreviewCloser closer;
    Click(kDeleteTempFiles); // the first run's smoothed depth map stays
    Run(kAnaglyph, sandbox.Path("out.bmp"));
    const std::string earlier = ReadBytes(sandbox.Path("out.bmp"));
    ASSERT_TRUE(std::filesystem::exists(sandbox.Path("DepthMapTemp.bmp")));
    std::filesystem::remove(sandbox.Path("depth.bmp"));
    Run(kAnaglyph, sandbox.Path("out.bmp"));
    EXPECT_EQ(platform.messages, (std::vector<std::string>{messages::kCouldntLoadBitmap,
                                                           messages::kCouldntLoadDepthMap,
                                                           messages::kCouldntLoadBitmap}));
    EXPECT_EQ(ReadBytes(sandbox.Path("out.bmp")), earlier);
    EXPECT_EQ(closer.shown.size(), 1u); // no preview of a result the run did not make
    EXPECT_EQ(Status(), "Ready");
}

TEST_F(OutputCommandTest, CrossEyedGivesTheCommandLinesCrossedPair)
{
    PreviewCloser closer;
    Type(kStereoWindowText, "4");
    Type(kSmoothingRadius, "2");
    Run(kCrossEyed, sandbox.Path("cross"));
    EXPECT_TRUE(platform.messages.empty());
    RunCli("sbs", {"--layout", "cross", "--format", "bmp", "-o", sandbox.Path("expected.bmp")});
    EXPECT_EQ(ReadBytes(sandbox.Path("cross.bmp")), ReadBytes(sandbox.Path("expected.bmp")));
    const Bitmap pair = ReadImageFile(sandbox.Path("cross.bmp"), {}).bitmap;
    EXPECT_EQ(Width(pair.get()), 120); // both eyes of 60 pixels side by side

    SelectFormat(kSavePng);
    Type(kSmoothingRadius, "0");
    Run(kCrossEyed, sandbox.Path("cross.png"));
    RunCli("sbs", {"--layout", "cross", "--format", "png", "-o", sandbox.Path("expected.png")});
    EXPECT_EQ(ReadBytes(sandbox.Path("cross.png")), ReadBytes(sandbox.Path("expected.png")));
    EXPECT_EQ(closer.shown, (std::vector<std::string> {sandbox.Path("cross.bmp"), sandbox.Path("cross.png")}));
    EXPECT_EQ(platform.saveRequests.back().defaultSuffix, "png");
    EXPECT_EQ(Status(), "Ready");
    EXPECT_FALSE(window.Busy());
}

TEST_F(OutputCommandTest, LenticularViewsGiveTheCommandLinesSeries)
{
    PreviewCloser closer;
    SelectFormat(kSaveTiff);
    Type(kViewCount, "4");
    Type(kStereoWindowText, "5");
    Run(kLenticularViews, sandbox.Path("series.tif"));
    EXPECT_TRUE(platform.messages.empty());
    RunCli("views", {"--count", "4", "--format", "tif", "-o", sandbox.Path("expected-%02d.tif")});
    for (const char* number : {"00", "01", "02", "03"})
        EXPECT_EQ(ReadBytes(sandbox.Path("series-" + std::string(number) + ".tif")),
                  ReadBytes(sandbox.Path("expected-" + std::string(number) + ".tif")))
            << number;
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("series-04.tif")));
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("series.tif")));
    EXPECT_EQ(closer.shown, (std::vector<std::string> {sandbox.Path("series-00.tif")}));
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("DepthMapTemp.tif")));
    EXPECT_EQ(Status(), "Ready");

    // A name typed without an extension gets the format's.
    SelectFormat(kSaveBmp);
    Run(kLenticularViews, sandbox.Path("typed"));
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("typed-03.bmp")));
}

TEST_F(OutputCommandTest, LenticularViewsNeedTwoToSixtyFourViews)
{
    Click(kAutoParallax); // the parallax stays 9
    for (const char* count : {"1", "65"}) {
        Type(kViewCount, count);
        Click(kLenticularViews);
    }
    EXPECT_EQ(platform.messages, (std::vector<std::string>(2, "Lenticular views need 2 to 64 views!")));
    EXPECT_TRUE(platform.saveRequests.empty());
}

TEST_F(OutputCommandTest, AViewSeriesNeverReplacesAFileItWasNotAskedAbout)
{
    PreviewCloser closer;
    WriteBytes(sandbox.Path("series.bmp"), "the user's, not written");
    WriteBytes(sandbox.Path("series-01.bmp"), "the user's view");
    Run(kLenticularViews, sandbox.Path("series.bmp"));
    EXPECT_TRUE(platform.replaceQuestions.empty());
    EXPECT_EQ(ReadBytes(sandbox.Path("series.bmp")), "the user's, not written");
    EXPECT_EQ(ReadBytes(sandbox.Path("series-01.bmp")), "the user's view");
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("series-00.bmp")));
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("2series-00.bmp")));
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("2series-01.bmp")));
    EXPECT_EQ(Status(), "Saved as 2series-00.bmp to 2series-01.bmp: series-01.bmp already exists");

    // Views this run wrote are replaced by the next run of the same name.
    Run(kLenticularViews, sandbox.Path("2series.bmp"));
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("22series-00.bmp")));
    EXPECT_EQ(Status(), "Ready");
}

TEST_F(OutputCommandTest, ViewMasterAndIntegralViewsStayInert)
{
    for (int id : {kViewMaster, kIntegralViews}) {
        EXPECT_FALSE(window.Control(id)->isEnabled());
        window.Control(id)->setEnabled(true); // even when clicked, nothing happens
        platform.GivenUserSaves(sandbox.Path("inert.bmp"));
        Click(id);
        platform.saveAnswers.clear();
    }
    EXPECT_TRUE(platform.saveRequests.empty());
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("inert.bmp")));
}

} // namespace
} // namespace velmora::test
