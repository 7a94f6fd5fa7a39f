// SPDX-License-Identifier: GPL-3.0-or-later

#include "segmentation/dialog/CSmoothDlg.h"

#include "app/CMainDlg.h"
#include "preview/CPreviewPane.h"
#include "resources/MainDialogIds.h"
#include "resources/SmoothDialogIds.h"
#include "segmentation/SegmentationMessages.h"
#include "tests/support/TestImages.h"
#include "tests/support/gui/FakePlatform.h"
#include "tests/support/gui/PreviewCloser.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>

namespace velmora::test {
namespace {

class SmoothDialogTest : public ::testing::Test {
protected:
    SmoothDialogTest() : window(platform)
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void OpenFiles()
    {
        std::mt19937 random(9);
        Save(RandomImage(30, 20, random).get(), sandbox.Path("scene.bmp"));
        Save(RandomDepthMap(30, 20, random).get(), sandbox.Path("scene-depth.bmp"));
        platform.GivenUserOpens(sandbox.Path("scene.bmp"));
        window.OpenImage();
        platform.GivenUserOpens(sandbox.Path("scene-depth.bmp"));
        window.OpenDepthMap();
    }

    std::unique_ptr<CSmoothDlg> Open()
    {
        auto dialog = std::make_unique<CSmoothDlg>(window, &window);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    static QString Text(const CSmoothDlg& dialog, int id)
    {
        return qobject_cast<QLineEdit*>(dialog.Control(id))->text();
    }

    static void Click(const CSmoothDlg& dialog, int id)
    {
        QTest::mouseClick(qobject_cast<QPushButton*>(dialog.Control(id)), Qt::LeftButton);
    }

    // Unchecks the main window's "Preview images".
    void TurnPreviewsOff()
    {
        QTest::mouseClick(qobject_cast<QAbstractButton*>(window.Control(main_ids::kPreviewImages)), Qt::LeftButton);
    }

    void OpenNamed(const std::string& picture, const std::string& depth)
    {
        std::mt19937 random(10);
        Save(RandomImage(30, 20, random).get(), sandbox.Path(picture));
        Save(RandomDepthMap(30, 20, random).get(), sandbox.Path(depth));
        platform.GivenUserOpens(sandbox.Path(picture));
        window.OpenImage();
        platform.GivenUserOpens(sandbox.Path(depth));
        window.OpenDepthMap();
        TurnPreviewsOff();
    }

    // Runs the three commands and checks that the two files are untouched.
    std::unique_ptr<CSmoothDlg> RunAllCommandsSparing(const std::string& picture, const std::string& depth)
    {
        const std::string pictureBytes = ReadBytes(sandbox.Path(picture));
        const std::string depthBytes = ReadBytes(sandbox.Path(depth));
        auto dialog = Open();
        for (int command : {smooth_ids::kCreateOutline, smooth_ids::kSmooth, smooth_ids::kOpenDepthMap})
            Click(*dialog, command);
        EXPECT_TRUE(platform.messages.empty());
        EXPECT_EQ(ReadBytes(sandbox.Path(picture)), pictureBytes);
        EXPECT_EQ(ReadBytes(sandbox.Path(depth)), depthBytes);
        return dialog;
    }

    Sandbox sandbox;
    FakePlatform platform;
    CMainDlg window;
};

TEST_F(SmoothDialogTest, EveryOpeningStartsFromTheDefaults)
{
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "Segmentation Smoothing");
    auto* slider = qobject_cast<QSlider*>(dialog->Control(smooth_ids::kLevel));
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 256);
    EXPECT_EQ(slider->value(), 50);
    EXPECT_EQ(Text(*dialog, smooth_ids::kLevelText), "50");
    EXPECT_EQ(Text(*dialog, smooth_ids::kDegree), "5");
    EXPECT_FALSE(dialog->Control(smooth_ids::kLevelText)->isEnabled());
    slider->setValue(80);
    EXPECT_EQ(Text(*dialog, smooth_ids::kLevelText), "80");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(Text(*dialog, smooth_ids::kLevelText), "256");
    dialog.reset();
    EXPECT_EQ(Text(*Open(), smooth_ids::kLevelText), "50");
}

TEST_F(SmoothDialogTest, EnterInTheDegreeFieldCloses)
{
    auto dialog = Open();
    auto* degree = qobject_cast<QLineEdit*>(dialog->Control(smooth_ids::kDegree));
    degree->setFocus();
    QTest::keyClicks(degree, "x");
    EXPECT_EQ(degree->text(), "5"); // a letter does not get through
    QTest::keyClick(degree, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(SmoothDialogTest, TheCommandsReportWhatIsMissing)
{
    PreviewCloser closer;
    auto dialog = Open();
    Click(*dialog, smooth_ids::kSmooth);
    // No preview of a file this command did not make.
    EXPECT_EQ(platform.messages, (std::vector<std::string>{messages::kCouldntLoadOutline}));
    EXPECT_TRUE(closer.shown.empty());
    Click(*dialog, smooth_ids::kOpenDepthMap);
    EXPECT_EQ(platform.messages.back(), messages::kCouldntLoadNewDepthMap);
    platform.messages.clear();
    Click(*dialog, smooth_ids::kCreateOutline);
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Couldn't load bitmap!"}));
    EXPECT_EQ(platform.waitCursorDepth, 0);
    EXPECT_EQ(platform.waitCursorShown, 2); // "Open depth map" shows none
}

TEST_F(SmoothDialogTest, OutlineSmoothingAndAdoptionChangeTheMainWindowsDepthMap)
{
    OpenFiles();
    PreviewCloser closer([&] { EXPECT_EQ(platform.waitCursorDepth, 1); }); // the wait cursor lasts until it closes
    auto dialog = Open();
    Click(*dialog, smooth_ids::kCreateOutline);
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("scene-outline.bmp")));
    EXPECT_EQ(dialog->Record().outlineLevel, 50);

    auto* degree = qobject_cast<QLineEdit*>(dialog->Control(smooth_ids::kDegree));
    degree->setFocus();
    degree->selectAll();
    QTest::keyClicks(degree, "12.7");
    Click(*dialog, smooth_ids::kSmooth);
    EXPECT_EQ(dialog->Record().smoothingDegree, 12);
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("scene-depthNew.bmp")));
    EXPECT_EQ(closer.shown, (std::vector<std::string>{"scene-outline.bmp", "scene-depthNew.bmp"}));

    Click(*dialog, smooth_ids::kOpenDepthMap);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(window.Paths().depthPath, sandbox.Path("scene-depthNew.bmp"));
    EXPECT_EQ(window.Paths().depthTitle, "scene-depthNew");
    EXPECT_EQ(qobject_cast<QLabel*>(window.Control(main_ids::kDepthName))->text(), "scene-depthNew.bmp");
    EXPECT_EQ(window.DepthPane().FileName(), sandbox.Path("scene-depthNew.bmp"));
    EXPECT_TRUE(window.DepthPane().ShowsPicture());
}

TEST_F(SmoothDialogTest, ADepthMapNamedLikeTheOutlineFileIsNotWrittenOver)
{
    OpenNamed("scene.bmp", "scene-outline.bmp");
    auto dialog = RunAllCommandsSparing("scene.bmp", "scene-outline.bmp");
    // The outline took the next free name, and the smoothing found it there.
    EXPECT_EQ(dialog->Record().outlineFileName, "scene-outline2.bmp");
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("scene-gradient.bmp")));
    EXPECT_EQ(window.Paths().depthPath, sandbox.Path("scene-outlineNew.bmp"));
}

TEST_F(SmoothDialogTest, APictureNamedLikeTheSmoothedDepthMapIsNotWrittenOver)
{
    OpenNamed("scene-depthNew.bmp", "scene-depth.bmp");
    RunAllCommandsSparing("scene-depthNew.bmp", "scene-depth.bmp");
    EXPECT_EQ(window.Paths().depthPath, sandbox.Path("scene-depthNew2.bmp"));
    EXPECT_EQ(window.Paths().depthTitle, "scene-depthNew2");
}

TEST_F(SmoothDialogTest, AResultThatCannotBeWrittenIsReportedAndNotShown)
{
    OpenFiles();
    PreviewCloser closer;
    for (const char* folder : {"scene-outline.bmp", "scene-depthNew.bmp"})
        std::filesystem::create_directory(sandbox.Path(folder));
    auto dialog = Open();
    Click(*dialog, smooth_ids::kCreateOutline);
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Couldn't save scene-outline.bmp"}));
    platform.messages.clear();
    std::filesystem::remove(sandbox.Path("scene-outline.bmp"));
    Click(*dialog, smooth_ids::kCreateOutline);
    Click(*dialog, smooth_ids::kSmooth);
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Couldn't save scene-depthNew.bmp"}));
    EXPECT_EQ(closer.shown, (std::vector<std::string>{"scene-outline.bmp"}));
}

TEST_F(SmoothDialogTest, AnAdoptedDepthMapIsFoundFromAnotherFolder)
{
    OpenFiles();
    TurnPreviewsOff();
    auto dialog = Open();
    Click(*dialog, smooth_ids::kCreateOutline);
    Click(*dialog, smooth_ids::kSmooth);
    Click(*dialog, smooth_ids::kOpenDepthMap);
    dialog.reset();
    std::filesystem::create_directory(sandbox.Path("elsewhere"));
    platform.GivenUserSaves(sandbox.Path("elsewhere/out.bmp"));
    QTest::mouseClick(qobject_cast<QPushButton*>(window.Control(main_ids::kAnaglyph)), Qt::LeftButton);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("elsewhere/out.bmp")));
    EXPECT_EQ(std::filesystem::current_path(), sandbox.Path("elsewhere"));
}

TEST_F(SmoothDialogTest, SmoothOpensTheDialogFromTheMainWindow)
{
    bool opened = false;
    QTimer::singleShot(50, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<CSmoothDlg*>(widget); dialog && dialog->isVisible()) {
                opened = true;
                dialog->accept();
            }
    });
    QTest::mouseClick(qobject_cast<QPushButton*>(window.Control(main_ids::kSmooth)), Qt::LeftButton);
    EXPECT_TRUE(opened);
}

} // namespace
} // namespace velmora::test
