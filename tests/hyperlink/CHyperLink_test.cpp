// SPDX-License-Identifier: GPL-3.0-or-later

#include "hyperlink/CHyperLink.h"

#include "tests/support/gui/FakePlatform.h"

#include <QCursor>
#include <QDialog>
#include <QTest>

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

class HyperLinkTest : public ::testing::Test {
protected:
    HyperLinkTest()
    {
        host.resize(400, 200);
        link = new CHyperLink(platform, "Author's home page", &host);
        link->setGeometry(20, 20, 200, 16);
        host.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&host));
    }

    void ClickLink() { QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, 3)); }

    FakePlatform platform;
    QDialog host;
    CHyperLink* link;
};

TEST_F(HyperLinkTest, TheTargetIsTheLabelUntilSet)
{
    EXPECT_EQ(link->toolTip(), "Author's home page");
    EXPECT_EQ(link->LinkUrl(), "Author's home page");
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    link->SetLinkUrl("https://velmora.example.org/");
    EXPECT_EQ(link->toolTip(), "https://velmora.example.org/");
    QFont underlined = link->font();
    underlined.setUnderline(true);
    EXPECT_EQ(link->width(), QFontMetrics(underlined).horizontalAdvance("Author's home page"));
    EXPECT_EQ(link->x(), 20);
}

TEST_F(HyperLinkTest, ResizingKeepsTheAlignedEdgeOrTheCentre)
{
    const int textWidth = QFontMetrics(link->font()).horizontalAdvance(link->text());
    link->setAlignment(Qt::AlignRight);
    link->setGeometry(20, 20, 200, 16);
    link->FitToText();
    EXPECT_EQ(link->geometry().right(), 219);
    link->setAlignment(Qt::AlignHCenter);
    link->setGeometry(20, 20, 200, 16);
    link->FitToText();
    EXPECT_NEAR(link->geometry().center().x(), 119, 1);
    EXPECT_NEAR(link->width(), textWidth, 2);
}

TEST_F(HyperLinkTest, HoveringTurnsItRedAndUnderlinedUntilThePointerLeaves)
{
    EXPECT_EQ(link->TextColour(), CHyperLink::kUnvisited);
    QCursor::setPos(link->mapToGlobal(QPoint(3, 3)));
    QTest::mouseMove(link, QPoint(3, 3));
    EXPECT_TRUE(link->Hovering());
    EXPECT_EQ(link->TextColour(), CHyperLink::kHover);
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    QCursor::setPos(host.mapToGlobal(QPoint(390, 190)));
    QTest::qWait(250);
    EXPECT_FALSE(link->Hovering());
    EXPECT_FALSE(link->font().underline());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 238));
}

TEST_F(HyperLinkTest, AnOpenedLinkTurnsPurpleAndAFailedClickBlueAgain)
{
    link->SetLinkUrl("https://velmora.example.org/");
    ClickLink();
    EXPECT_EQ(platform.shellOpened, (std::vector<std::string>{"https://velmora.example.org/"}));
    EXPECT_TRUE(link->Visited());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(85, 26, 139));

    platform.shellResult = shell_codes::kNoAssociation;
    ClickLink();
    EXPECT_FALSE(link->Visited());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 238));
    EXPECT_EQ(platform.beeps, 1);
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Unable to open hyperlink:\n\nThere is no application "
                                                           "associated\nwith the given filename extension."}));
}

TEST_F(HyperLinkTest, TheBrowserCommandStandsInWhenTheDesktopCannotOpen)
{
    link->SetLinkUrl("https://velmora.example.org/");
    platform.shellResult = shell_codes::kNoAssociation;
    platform.browserCommand = "\"/usr/bin/web browser\" \"%1\"";
    ClickLink();
    EXPECT_EQ(platform.commandLines, (std::vector<std::string>{"\"/usr/bin/web browser\"  https://velmora.example.org/"}));
    EXPECT_TRUE(link->Visited());

    platform.commandResult = shell_codes::kFileNotFound;
    ClickLink();
    EXPECT_FALSE(link->Visited());
    EXPECT_EQ(platform.messages.back(), "Unable to open hyperlink:\n\nThe specified file was not found.");
}

} // namespace
} // namespace velmora::test
