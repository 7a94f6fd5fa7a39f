// SPDX-License-Identifier: GPL-3.0-or-later

#include "preview/CPreviewDlg.h"

#include "preview/CPreviewPane.h"
#include "resources/PreviewDialogIds.h"
#include "tests/support/TestImages.h"
#include "tests/support/gui/FakePlatform.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace velmora::test {
namespace {

class PreviewDialogTest : public ::testing::Test {
protected:
    std::unique_ptr<CPreviewDlg> Open(const std::string& name)
    {
        auto dialog = std::make_unique<CPreviewDlg>(platform, name);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    void Click(const CPreviewDlg& dialog, int id)
    {
        QTest::mouseClick(qobject_cast<QPushButton*>(dialog.Control(id)), Qt::LeftButton);
    }

    Sandbox sandbox;
    FakePlatform platform;
};

TEST_F(PreviewDialogTest, ShowsTheFileFittedAndZoomsAlongTheLadder)
{
    Save(MakeImage(100, 100, [](int x, int) { return Grey(x); }).get(), "small.bmp");
    auto dialog = Open("small.bmp");
    EXPECT_EQ(dialog->windowTitle(), "Image Preview");
    EXPECT_EQ(qobject_cast<QLabel*>(dialog->Control(preview_ids::kFileName))->text(), "small.bmp");
    const CPreviewPane& pane = dialog->Pane();
    EXPECT_DOUBLE_EQ(pane.View().zoom, 1.0);
    EXPECT_FALSE(pane.View().fitMode);

    Click(*dialog, preview_ids::kZoomIn); // fit: the pane is wider than high, so it touches top and bottom
    EXPECT_TRUE(pane.View().fitMode);
    EXPECT_DOUBLE_EQ(pane.View().zoom, pane.Client().height / 100.0);
    for (double expected : {2.0, 3.0, 4.0}) {
        Click(*dialog, preview_ids::kZoomIn);
        EXPECT_DOUBLE_EQ(pane.View().zoom, expected);
    }
    Click(*dialog, preview_ids::kZoomOut);
    EXPECT_DOUBLE_EQ(pane.View().zoom, 3.0);
    Click(*dialog, preview_ids::kClose);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);

    // A new opening starts from the initial view.
    auto again = Open("small.bmp");
    EXPECT_DOUBLE_EQ(again->Pane().View().zoom, 1.0);
    EXPECT_FALSE(again->Pane().View().fitMode);
}

TEST_F(PreviewDialogTest, TheLayoutFollowsTheTemplate)
{
    Save(MakeImage(10, 10, [](int, int) { return Grey(1); }).get(), "tiny.bmp");
    auto dialog = Open("tiny.bmp");
    const DialogUnits units = DialogUnitsOf(dialog->font());
    EXPECT_EQ(dialog->size(), MapDialogRect(units, 0, 0, 408, 273).size());
    EXPECT_EQ(dialog->Pane().geometry(), MapDialogRect(units, 7, 7, 335, 244));
    EXPECT_EQ(dialog->Control(preview_ids::kZoomOut)->geometry(), MapDialogRect(units, 351, 23, 50, 14));
    for (int id : {preview_ids::kClose, preview_ids::kZoomIn, preview_ids::kZoomOut})
        EXPECT_FALSE(qobject_cast<QPushButton*>(dialog->Control(id))->isDefault());
}

TEST_F(PreviewDialogTest, EnterOnTheFocusedCloseButtonClosesIt)
{
    Save(MakeImage(10, 10, [](int, int) { return Grey(1); }).get(), "tiny.bmp");
    auto dialog = Open("tiny.bmp");
    QWidget* close = dialog->Control(preview_ids::kClose);
    EXPECT_EQ(QApplication::focusWidget(), close); // the first tab stop
    QTest::keyClick(close, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(PreviewDialogTest, AVanishedFileGivesTheMessageAndAnEmptyPane)
{
    auto dialog = Open("deleted.png");
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"File deleted.png could not be opened."}));
    EXPECT_FALSE(dialog->Pane().ShowsPicture());
    EXPECT_EQ(qobject_cast<QLabel*>(dialog->Control(preview_ids::kFileName))->text(), "deleted.png");
}

} // namespace
} // namespace velmora::test
