// SPDX-License-Identifier: GPL-3.0-or-later

#include "resources/DialogBuilder.h"
#include "resources/Version.h"

#include "resources/MainDialogIds.h"
#include "resources/SmoothDialogIds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(DialogUnitsTest, RectanglesScaleAndRoundAsWindowsDoes)
{
    // The base units of an 8-point MS Sans Serif at 96 dpi.
    const DialogUnits units{6, 13};
    EXPECT_EQ(MapDialogRect(units, 149, 35, 37, 14), QRect(224, 57, 56, 23));
    EXPECT_EQ(MapDialogRect(units, 0, 0, 406, 242), QRect(0, 0, 609, 393));
    EXPECT_EQ(MapDialogRect(DialogUnits{5, 16}, 7, 7, 3, 3), QRect(9, 14, 4, 6));
}

TEST(DialogUnitsTest, BaseUnitsComeFromTheFont)
{
    QFont font("DejaVu Sans", 8);
    const QFontMetrics metrics(font);
    const DialogUnits units = DialogUnitsOf(font);
    EXPECT_EQ(units.baseY, metrics.height());
    const int alphabet = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    EXPECT_NEAR(units.baseX, alphabet / 52.0, 0.5);
}

TEST(DialogBuilderTest, EveryControlOfTheMainTemplateIsBuiltAtItsPlace)
{
    QDialog dialog;
    const BuiltDialog built = BuildDialog(dialog, MainDialogTemplate());
    EXPECT_EQ(dialog.windowTitle().toStdString(), std::string("Velmora ") + kProductVersion);
    const DialogUnits units = DialogUnitsOf(dialog.font());
    EXPECT_EQ(dialog.size(), MapDialogRect(units, 0, 0, 406, 242).size());
    for (const ControlTemplate& control : MainDialogTemplate().controls) {
        if (control.id == kNoId)
            continue;
        QWidget* widget = built.Control(control.id);
        ASSERT_NE(widget, nullptr) << control.id;
        const QRect place = MapDialogRect(units, control.x, control.y, control.width, control.height);
        EXPECT_EQ(widget->pos(), place.topLeft()) << control.id;
        // One-line labels may grow to their text; a drop-down list is as
        // high as its closed box, not the opened list.
        if (control.kind == ControlKind::Label) {
            EXPECT_GE(widget->width(), place.width()) << control.id;
        } else {
            EXPECT_EQ(widget->width(), place.width()) << control.id;
        }
        if (control.kind != ControlKind::DropDownList) {
            EXPECT_EQ(widget->height(), place.height()) << control.id;
        }
        EXPECT_EQ(widget->isEnabled(), !(control.style & kDisabled)) << control.id;
        EXPECT_EQ(widget->objectName(), QString("control-%1").arg(control.id));
    }
    EXPECT_EQ(built.As<QPushButton>(main_ids::kAnaglyph)->text(), "&Anaglyph image");
    EXPECT_FALSE(built.As<QPushButton>(main_ids::kLcShutter)->isEnabled());
    EXPECT_TRUE(built.As<QLineEdit>(main_ids::kStereoWindowText)->isReadOnly());
    EXPECT_TRUE(built.Control(main_ids::kImageFrame)->isHidden());
    EXPECT_EQ(built.As<QComboBox>(main_ids::kSaveAs)->count(), 3);
    EXPECT_EQ(built.As<QComboBox>(main_ids::kSaveAs)->itemText(2), "TIFF");
    EXPECT_NE(built.As<QRadioButton>(main_ids::kGrey), nullptr);
    EXPECT_NE(built.As<QSlider>(main_ids::kStereoWindow), nullptr);
    EXPECT_NE(built.As<QCheckBox>(main_ids::kAutoParallax), nullptr);
    EXPECT_EQ(built.As<QLabel>(main_ids::kStatus)->text(), "Ready");
}

TEST(DialogBuilderTest, OneLineLabelsKeepTheirTextWhole)
{
    QDialog dialog;
    const BuiltDialog built = BuildDialog(dialog, MainDialogTemplate());
    for (QLabel* label : dialog.findChildren<QLabel*>())
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << label->text().toStdString();
    auto* list = built.As<QComboBox>(main_ids::kSaveAs);
    EXPECT_EQ(list->height(), list->sizeHint().height());
}

TEST(DialogBuilderTest, GroupBoxesLieUnderTheControlsTheyFrame)
{
    QDialog dialog;
    const BuiltDialog built = BuildDialog(dialog, MainDialogTemplate());
    const auto boxes = dialog.findChildren<QGroupBox*>();
    ASSERT_EQ(boxes.size(), 4);
    const auto children = dialog.children();
    for (QGroupBox* box : boxes)
        EXPECT_LT(children.indexOf(box), children.indexOf(built.Control(main_ids::kOpenImage)));
}

TEST(DialogBuilderTest, TabOrderFollowsTheTemplate)
{
    QDialog dialog;
    const BuiltDialog built = BuildDialog(dialog, SmoothDialogTemplate());
    QWidget* first = built.Control(smooth_ids::kClose);
    EXPECT_TRUE(built.As<QPushButton>(smooth_ids::kClose)->isDefault());
    std::vector<int> order;
    for (QWidget* widget = first->nextInFocusChain(); widget != first; widget = widget->nextInFocusChain())
        if (widget->focusPolicy() & Qt::TabFocus)
            order.push_back(widget->objectName().mid(8).toInt());
    EXPECT_EQ(order, (std::vector<int>{smooth_ids::kCreateOutline, smooth_ids::kLevel, smooth_ids::kSmooth,
                                        smooth_ids::kDegree, smooth_ids::kOpenDepthMap}));
}

TEST(DialogBuilderTest, EnterPressesTheFocusedButtonAndOnlyTheTemplatesDefaultLooksDefault)
{
    QDialog dialog;
    const BuiltDialog built = BuildDialog(dialog, SmoothDialogTemplate());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->autoDefault());
        EXPECT_EQ(button->isDefault(), button == built.Control(smooth_ids::kClose));
    }
    auto* create = built.As<QPushButton>(smooth_ids::kCreateOutline);
    int presses = 0;
    QObject::connect(create, &QPushButton::clicked, [&] { ++presses; });
    create->setFocus();
    QTest::keyClick(create, Qt::Key_Return);
    QTest::keyClick(create, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(create, Qt::Key_Space);
    EXPECT_EQ(presses, 3);
    // Elsewhere, Enter is the dialog's: its default button.
    int closes = 0;
    QObject::connect(built.As<QPushButton>(smooth_ids::kClose), &QPushButton::clicked, [&] { ++closes; });
    built.Control(smooth_ids::kDegree)->setFocus();
    QTest::keyClick(built.Control(smooth_ids::kDegree), Qt::Key_Return);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(presses, 3);
}

TEST(DialogBuilderTest, EveryFieldSliderAndListIsNamedByItsLabel)
{
    for (const DialogTemplate* dialogTemplate :
         {&MainDialogTemplate(), &SmoothDialogTemplate(), &AboutDialogTemplate(), &PreviewDialogTemplate()}) {
        QDialog dialog;
        BuildDialog(dialog, *dialogTemplate);
        for (QWidget* widget : dialog.findChildren<QWidget*>()) {
            if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QSlider*>(widget) || qobject_cast<QComboBox*>(widget)) {
                EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
            }
        }
    }
    QDialog dialog;
    const BuiltDialog built = BuildDialog(dialog, MainDialogTemplate());
    EXPECT_EQ(built.Control(main_ids::kViewingAngle)->accessibleName(), "Viewing angle, degrees");
    EXPECT_EQ(built.Control(main_ids::kSaveAs)->accessibleName(), "Save as");
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text() == "Parallax between views, px:") {
            EXPECT_EQ(label->buddy(), built.Control(main_ids::kParallax));
        }
    }
}

TEST(DialogBuilderTest, CustomControlsReplaceTheUsualOnes)
{
    QDialog dialog;
    QLineEdit* custom = nullptr;
    const BuiltDialog built = BuildDialog(dialog, SmoothDialogTemplate(), [&](const ControlTemplate& control,
                                                                             QWidget* parent) -> QWidget* {
        if (control.id != smooth_ids::kDegree)
            return nullptr;
        custom = new QLineEdit(parent);
        return custom;
    });
    EXPECT_EQ(built.Control(smooth_ids::kDegree), custom);
    EXPECT_EQ(built.As<QLineEdit>(smooth_ids::kLevelText)->isEnabled(), false);
}

TEST(ApplicationIconTest, IsCompiledIn)
{
    EXPECT_FALSE(ApplicationIcon().isNull());
    EXPECT_FALSE(ApplicationIcon().pixmap(32, 32).isNull());
}

} // namespace
} // namespace velmora
