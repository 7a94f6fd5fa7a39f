// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/CMainDlg.h"
#include "resources/MainDialogIds.h"
#include "tests/support/TestImages.h"
#include "tests/support/gui/FakePlatform.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace velmora::test {

using namespace main_ids;

// The main window on the scripted desktop, with the user's steps.
class MainWindowTest : public ::testing::Test {
protected:
    explicit MainWindowTest(const RunOptions& runOptions = {}) : window(platform, nullptr, runOptions)
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // A picture file in the sandbox with this resolution and bit depth.
    std::string Picture(const std::string& name, double pixelsPerMetre, int bitsPerPixel = 24)
    {
        Bitmap picture = MakeImage(64, 48, [](int x, int y) { return Bgr{uint8_t(x), uint8_t(y), 7}; });
        if (bitsPerPixel != 24)
            picture.reset(bitsPerPixel == 8 ? FreeImage_ConvertTo8Bits(picture.get())
                                            : FreeImage_ConvertTo32Bits(picture.get()));
        SetResolution(picture.get(), pixelsPerMetre);
        EXPECT_TRUE(FreeImage_Save(FIF_BMP, picture.get(), sandbox.Path(name).c_str(), 0));
        return sandbox.Path(name);
    }

    void OpenImage(const std::string& path)
    {
        platform.GivenUserOpens(path);
        Click(kOpenImage);
    }

    void OpenDepthMap(const std::string& path)
    {
        platform.GivenUserOpens(path);
        Click(kOpenDepthMap);
    }

    void Click(int id) { QTest::mouseClick(qobject_cast<QAbstractButton*>(window.Control(id)), Qt::LeftButton); }

    void Type(int id, const QString& text)
    {
        QLineEdit* edit = EditOf(id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    QLineEdit* EditOf(int id) const { return qobject_cast<QLineEdit*>(window.Control(id)); }
    QString Text(int id) const { return EditOf(id)->text(); }
    QSlider* Slider() const { return qobject_cast<QSlider*>(window.Control(kStereoWindow)); }
    QString Status() const { return qobject_cast<QLabel*>(window.Control(kStatus))->accessibleName(); }
    bool Checked(int id) const { return qobject_cast<QAbstractButton*>(window.Control(id))->isChecked(); }
    bool Enabled(int id) const { return window.Control(id)->isEnabled(); }

    Sandbox sandbox;
    FakePlatform platform;
    CMainDlg window;
};

} // namespace velmora::test
