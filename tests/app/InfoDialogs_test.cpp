// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/CAboutDlg.h"
#include "app/CMainDlg.h"
#include "app/HelpPage.h"
#include "hyperlink/CHyperLink.h"
#include "resources/AboutDialogIds.h"
#include "resources/MainDialogIds.h"
#include "resources/Version.h"
#include "tests/support/TestImages.h"
#include "tests/support/gui/FakePlatform.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace velmora::test {
namespace {

class InfoTest : public ::testing::Test {
protected:
    InfoTest() : window(platform)
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void Click(int id) { QTest::mouseClick(qobject_cast<QPushButton*>(window.Control(id)), Qt::LeftButton); }

    Sandbox sandbox;
    FakePlatform platform;
    CMainDlg window;
};

TEST_F(InfoTest, HelpOpensThePageBesideTheProgram)
{
    platform.executablePath = sandbox.Path("bin/velmora");
    Click(main_ids::kHelp);
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Couldn't launch browser!"}));

    std::filesystem::create_directories(sandbox.Path("bin/help"));
    std::ofstream(sandbox.Path("bin/help/help.htm")) << "<html></html>";
    Click(main_ids::kHelp);
    EXPECT_EQ(platform.shellOpened.back(), sandbox.Path("bin/help/help.htm"));
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(InfoTest, AnInstalledHelpPageIsFoundInTheSharedDataFolder)
{
    std::filesystem::create_directories(sandbox.Path("usr/share/velmora/help"));
    std::ofstream(sandbox.Path("usr/share/velmora/help/help.htm")) << "<html></html>";
    EXPECT_EQ(HelpPagePath(sandbox.Path("usr/bin/velmora")), sandbox.Path("usr/share/velmora/help/help.htm"));
    EXPECT_EQ(HelpPagePath(sandbox.Path("elsewhere/velmora")), sandbox.Path("elsewhere/help/help.htm"));
    // With both, the page beside the program wins: a build run in place
    // shows its own page, not an older installed one.
    std::filesystem::create_directories(sandbox.Path("usr/bin/help"));
    std::ofstream(sandbox.Path("usr/bin/help/help.htm")) << "<html></html>";
    EXPECT_EQ(HelpPagePath(sandbox.Path("usr/bin/velmora")), sandbox.Path("usr/bin/help/help.htm"));
}

TEST_F(InfoTest, AboutShowsTheVersionAndThreeLinks)
{
    bool shown = false;
    QTimer::singleShot(50, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* about = qobject_cast<CAboutDlg*>(widget); about && about->isVisible()) {
                shown = true;
                EXPECT_EQ(about->windowTitle(), "About Velmora");
                EXPECT_EQ(about->Link(about_ids::kHomePage)->toolTip(), "https://velmora.example.org/");
                EXPECT_EQ(about->Link(about_ids::kFirstAuthor)->LinkUrl(), "mailto:ada.lindqvist@example.org");
                EXPECT_EQ(about->Link(about_ids::kHomePage)->text(), "Author's home page");
                EXPECT_EQ(about->Link(about_ids::kSecondAuthor)->TextColour(), CHyperLink::kUnvisited);
                QTest::mouseClick(qobject_cast<QPushButton*>(about->Control(about_ids::kOk)), Qt::LeftButton);
            }
    });
    Click(main_ids::kAbout);
    EXPECT_TRUE(shown);
    bool labelled = false;
    CAboutDlg about(platform);
    for (QLabel* label : about.findChildren<QLabel*>())
        labelled |= label->text().toStdString() == std::string("Velmora Version ") + kProductVersion;
    EXPECT_TRUE(labelled);
}

} // namespace
} // namespace velmora::test
