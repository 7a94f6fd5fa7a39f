// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/app/MainWindowFixture.h"

#include "imaging/formats/PictureLimit.h"
#include "imaging/pairs/PairFiles.h"
#include "imaging/stereo/AutoParallax.h"
#include "imaging/stereo/Messages.h"
#include "preview/CPreviewPane.h"
#include "resources/MainDialogIds.h"
#include "resources/Version.h"
#include "tests/support/PhoneJpegs.h"
#include "tests/support/TestImages.h"
#include "tests/support/gui/FakePlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>

namespace velmora::test {
namespace {

using namespace main_ids;


TEST_F(MainWindowTest, StartsInItsDefaultState)
{
    EXPECT_EQ(window.windowTitle().toStdString(), std::string("Velmora ") + kProductVersion);
    EXPECT_EQ(Status(), "What do you want, master?");
    EXPECT_EQ(Text(kViewCount), "2");
    EXPECT_EQ(Text(kViewingAngle), "12");
    EXPECT_EQ(Text(kSmoothingRadius), "3");
    EXPECT_EQ(Text(kParallax), "");
    EXPECT_FALSE(Enabled(kParallax));
    EXPECT_EQ(Text(kStereoWindowText), "");
    EXPECT_EQ(Slider()->maximum(), 0);
    EXPECT_TRUE(Checked(kAutoParallax));
    EXPECT_TRUE(Checked(kDeleteTempFiles));
    EXPECT_TRUE(Checked(kPreviewImages));
    EXPECT_TRUE(Checked(kGrey));
    EXPECT_EQ(qobject_cast<QComboBox*>(window.Control(kSaveAs))->currentText(), "BMP");
    for (int id : {kAnaglyph, kLcShutter, kLenticularViews, kIntegralViews, kViewMaster, kCrossEyed})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(window.ImagePane().ShowsPicture());
    EXPECT_FALSE(window.DepthPane().ShowsPicture());
    EXPECT_EQ(window.ImagePane().geometry(), window.Control(kImageFrame)->geometry());
    const StereoSettings& s = window.Settings();
    EXPECT_EQ(s.viewCount, 2);
    EXPECT_EQ(s.viewingAngle, 12.0);
    EXPECT_EQ(s.geometry.parallax, 0);
    EXPECT_EQ(s.smoothingRadius, 3);
    EXPECT_EQ(s.saveFormat, kSaveBmp);
    EXPECT_EQ(s.anaglyphMode, kAnaglyphGrey);
}

TEST_F(MainWindowTest, TheAutomaticParallaxFollowsViewsAndAngle)
{
    OpenImage(Picture("photo.bmp", 2835)); // 72 dpi
    EXPECT_EQ(Text(kParallax), "9");
    EXPECT_EQ(Text(kStereoWindowText), "9");
    EXPECT_EQ(Slider()->minimum(), 0);
    EXPECT_EQ(Slider()->maximum(), 9);
    EXPECT_EQ(Slider()->value(), 9);
    EXPECT_EQ(qobject_cast<QLabel*>(window.Control(kImageName))->text(), "photo.bmp");
    EXPECT_TRUE(window.ImagePane().ShowsPicture());

    Type(kViewCount, "3");
    EXPECT_EQ(Text(kParallax), "4");
    // The angle's own change reads it as a whole number; the views' change reads the fraction.
    Type(kViewingAngle, "12.9");
    EXPECT_EQ(Text(kParallax), "4");
    Type(kViewCount, "3");
    EXPECT_EQ(Text(kParallax), "5");
    EXPECT_EQ(window.Settings().geometry.parallax, 5);
}

TEST_F(MainWindowTest, TheSliderMovesOnlyTheStereoWindow)
{
    OpenImage(Picture("photo.bmp", 2835));
    Slider()->setFocus();
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(Slider(), Qt::Key_Left);
    EXPECT_EQ(Text(kStereoWindowText), "5");
    EXPECT_EQ(window.Settings().geometry.stereoWindow, 5);
    EXPECT_EQ(window.Settings().geometry.parallax, 9);
    EXPECT_EQ(Text(kParallax), "9");

    // A second picture of higher resolution moves the thumb to its parallax.
    OpenImage(Picture("sharper.bmp", 3780)); // 96 dpi: 11
    EXPECT_EQ(Slider()->maximum(), 11);
    EXPECT_EQ(Slider()->value(), 11);
    EXPECT_EQ(window.Settings().geometry.stereoWindow, 11);
}

TEST_F(MainWindowTest, ATypedParallaxSetsTheWindowAndTheSlider)
{
    OpenImage(Picture("photo.bmp", 2835));
    Click(kAutoParallax);
    EXPECT_FALSE(Checked(kAutoParallax));
    EXPECT_TRUE(Enabled(kParallax));
    Type(kParallax, "7");
    EXPECT_EQ(window.Settings().geometry.parallax, 7);
    EXPECT_EQ(window.Settings().geometry.stereoWindow, 7);
    EXPECT_EQ(Slider()->maximum(), 7);
    EXPECT_EQ(Slider()->value(), 7);
    // "Auto" again keeps the typed number until views, angle or picture change.
    Click(kAutoParallax);
    EXPECT_EQ(Text(kParallax), "7");
    EXPECT_FALSE(Enabled(kParallax));
    Type(kViewCount, "2");
    EXPECT_EQ(Text(kParallax), "9");
}

TEST_F(MainWindowTest, APictureWithoutResolutionTurnsAutoOff)
{
    Type(kParallax, "6"); // not typed: the field is disabled
    EXPECT_EQ(Text(kParallax), "");
    OpenImage(Picture("plain.bmp", 0));
    EXPECT_FALSE(Checked(kAutoParallax));
    EXPECT_TRUE(Enabled(kParallax));
    EXPECT_EQ(Status(), "I can't calculate the parallax automatically.");
    Type(kParallax, "6");
    EXPECT_EQ(window.Settings().geometry.parallax, 6);
    Click(kAutoParallax); // cannot be switched on without a resolution
    EXPECT_FALSE(Checked(kAutoParallax));
    EXPECT_TRUE(Enabled(kParallax));
}

TEST_F(MainWindowTest, APngSavedWithoutAResolutionTurnsAutoOffToo)
{
    // A PNG with no pHYs chunk: not the image library's 72 dpi.
    Save(MakeImage(64, 48, [](int x, int y) { return Grey(x + y); }).get(), sandbox.Path("with.png"), kSavePng);
    const std::string png = ReadBytes(sandbox.Path("with.png"));
    const std::size_t chunk = png.find("pHYs") - 4;
    WriteBytes(sandbox.Path("plain.png"), png.substr(0, chunk) + png.substr(chunk + 12 + 9));
    OpenImage(sandbox.Path("plain.png"));
    EXPECT_FALSE(Checked(kAutoParallax));
    EXPECT_EQ(Status(), "I can't calculate the parallax automatically.");
}

TEST_F(MainWindowTest, BeforeAnyPictureAutoCanBeSwitchedOffToTypeAParallax)
{
    Click(kAutoParallax);
    EXPECT_FALSE(Checked(kAutoParallax));
    EXPECT_TRUE(Enabled(kParallax));
    EXPECT_EQ(Status(), "I can't calculate the parallax automatically.");
    Type(kParallax, "8");
    EXPECT_EQ(window.Settings().geometry.parallax, 8);
    Type(kViewCount, "4"); // nothing to compute from: the parallax stays
    EXPECT_EQ(Text(kParallax), "8");
}

TEST_F(MainWindowTest, OneViewLeavesTheParallaxAloneUntilTheViewsAreFixed)
{
    OpenImage(Picture("photo.bmp", 2835));
    const QString before = Status();
    for (const char* views : {"1", "0"}) {
        Type(kViewCount, views);
        EXPECT_EQ(Text(kParallax), "9") << views;
        EXPECT_EQ(window.Settings().geometry.parallax, 9);
        EXPECT_NE(Status().indexOf("2 views"), -1);
    }
    Type(kViewCount, "3");
    EXPECT_EQ(Status(), before);
    EXPECT_EQ(Text(kParallax).toInt(), ComputeAutoParallax(3, 12.0, 72));
}

TEST_F(MainWindowTest, APictureWithAResolutionEndsTheNoAutomaticParallaxStatus)
{
    OpenImage(Picture("plain.bmp", 0));
    EXPECT_EQ(Status(), "I can't calculate the parallax automatically.");
    OpenImage(Picture("photo.bmp", 2835));
    EXPECT_EQ(Status(), "What do you want, master?");
}

TEST_F(MainWindowTest, TheStatusLineShowsALongTextWholeAsItsTooltip)
{
    OpenImage(Picture("plain.bmp", 0));
    auto* status = qobject_cast<QLabel*>(window.Control(kStatus));
    EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->width());
    EXPECT_NE(status->text(), Status()); // too long for the line in the template's font
    EXPECT_EQ(status->toolTip(), Status());
    window.SetStatus("Ready");
    EXPECT_EQ(status->text(), "Ready");
    EXPECT_EQ(status->toolTip(), "");
}

TEST_F(MainWindowTest, TheMainWindowIsANormalWindowThatCanBeMinimised)
{
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowIcon().isNull());
}

TEST_F(MainWindowTest, NumbersTooLongForAnIntSaturate)
{
    Click(kAutoParallax);
    Type(kParallax, "99999999999");
    EXPECT_EQ(window.Settings().geometry.parallax, INT_MAX);
    Type(kViewCount, "4294967298");
    EXPECT_EQ(window.Settings().viewCount, INT_MAX);
}

TEST_F(MainWindowTest, PicturesOfOtherDepthsAreShownButRefused)
{
    OpenDepthMap(Picture("depth.bmp", 2835));
    OpenImage(Picture("grey.bmp", 2835, 8));
    EXPECT_TRUE(window.ImagePane().ShowsPicture());
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"The image is not in the RGB colour mode!"}));
    EXPECT_FALSE(Enabled(kAnaglyph));
    platform.GivenUserCancelsTheDialog();
    Click(kOpenImage);
    EXPECT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages.back(), "The image is not in the RGB colour mode!");

    OpenImage(Picture("photo.bmp", 2835));
    for (int id : {kAnaglyph, kLcShutter, kCrossEyed, kLenticularViews})
        EXPECT_TRUE(Enabled(id)) << id;
    for (int id : {kViewMaster, kIntegralViews})
        EXPECT_FALSE(Enabled(id)) << id;
    OpenDepthMap(Picture("alpha.bmp", 2835, 32));
    EXPECT_EQ(platform.messages.back(), "The depth map is not in the RGB colour mode");
    for (int id : {kAnaglyph, kLcShutter, kCrossEyed, kLenticularViews})
        EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(MainWindowTest, AnUnreadableDepthMapLeavesTheButtonsAsTheyWere)
{
    OpenImage(Picture("photo.bmp", 2835));
    OpenDepthMap(Picture("depth.bmp", 2835));
    EXPECT_TRUE(Enabled(kAnaglyph));
    std::ofstream(sandbox.Path("broken.png")) << "not a picture";
    OpenDepthMap(sandbox.Path("broken.png"));
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Couldn't load bitmap!"}));
    EXPECT_TRUE(Enabled(kAnaglyph));
    EXPECT_FALSE(window.DepthLoaded());
    EXPECT_EQ(window.Paths().depthTitle, "broken");
    EXPECT_EQ(qobject_cast<QLabel*>(window.Control(kDepthName))->text(), "depth.bmp");
}

TEST_F(MainWindowTest, AnUnreadablePictureAfterAGoodOneIsNoLongerLoaded)
{
    OpenImage(Picture("photo.bmp", 2835));
    OpenDepthMap(Picture("depth.bmp", 2835));
    ASSERT_TRUE(window.ImageLoaded());
    WriteBytes(sandbox.Path("broken.png"), "not a picture");
    OpenImage(sandbox.Path("broken.png"));
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Couldn't load bitmap!"}));
    EXPECT_FALSE(window.ImageLoaded());
    EXPECT_EQ(window.Paths().imageTitle, "broken");
}

// A window whose pictures may take no more than 1000 bytes.
class SmallPictureLimitTest : public MainWindowTest {
protected:
    SmallPictureLimitTest() : MainWindowTest(RunOptions{.pictureLimit = 1000}) { }
};

TEST_F(SmallPictureLimitTest, APictureTooLargeForMemoryIsRefusedWithTheMemoryMessage)
{
    const std::string photo = Picture("photo.bmp", 2835);
    OpenImage(photo);
    EXPECT_EQ(platform.messages, (std::vector<std::string>{messages::kNotEnoughMemory}));
    EXPECT_FALSE(window.ImageLoaded());

    // A stereo file too, whose eyes are read apart from the whole.
    Save(MakeImage(64, 48, [](int, int) { return Bgr{}; }).get(), sandbox.Path("pair.pns"), kSavePng);
    OpenImage(sandbox.Path("pair.pns"));
    EXPECT_EQ(platform.messages.back(), messages::kNotEnoughMemory);
    EXPECT_FALSE(window.ImageLoaded());
}

TEST_F(MainWindowTest, OpeningUsesTheDialogsTitleAndFilterAndMakesItsFolderCurrent)
{
    std::filesystem::create_directory(sandbox.Path("pictures"));
    const std::string inFolder = Picture("pictures/in-folder.bmp", 2835);
    std::filesystem::current_path("/");
    OpenImage(inFolder);
    ASSERT_EQ(platform.openRequests.size(), 1u);
    EXPECT_EQ(platform.openRequests[0].title, "Open image");
    EXPECT_EQ(platform.openRequests[0].filterDescription, "Image files");
    EXPECT_EQ(platform.openRequests[0].patterns, "*.bmp;*.png;*.tif;*.jpg;*.heic;*.heif;*.mpo;*.jps;*.pns");
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(sandbox.Path("pictures")));
    EXPECT_EQ(window.Paths().imagePath, inFolder);
    EXPECT_EQ(window.Paths().imageTitle, "in-folder");
}

TEST_F(MainWindowTest, AStereoFileOpenedAsThePictureGivesItsLeftEye)
{
    // A PNS holds the eyes cross-eyed: the left eye is its right half.
    const Bitmap both = MakeImage(128, 48, [](int x, int) { return x < 64 ? Bgr{0, 0, 200} : Bgr{90, 90, 90}; });
    SetResolution(both.get(), 2835);
    Save(both.get(), sandbox.Path("pair.pns"), kSavePng);
    std::filesystem::current_path("/");
    OpenImage(sandbox.Path("pair.pns"));
    ASSERT_TRUE(window.ImageLoaded()) << Status().toStdString();
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(sandbox.Path("")).parent_path());
    EXPECT_EQ(window.Paths().imageTitle, "pair");
    const std::optional<Pixels> eye = ReadPixels(window.Paths().imagePath);
    ASSERT_TRUE(eye);
    EXPECT_EQ(eye->width, 64);
    EXPECT_EQ(eye->At(10, 10), (Bgr{90, 90, 90}));
    EXPECT_EQ(Status(), "The picture is the left eye of the stereo pair pair.pns");
    EXPECT_TRUE(platform.messages.empty());

    // An MPO from a two-lens camera: its first view.
    const Bitmap left = MakeImage(64, 48, [](int, int) { return Bgr{250, 250, 250}; });
    const Bitmap right = MakeImage(64, 48, [](int, int) { return Bgr{5, 5, 5}; });
    ASSERT_TRUE(WriteStereoMpo(left.get(), right.get(), sandbox.Path("camera.mpo"), RunOptions{}));
    OpenImage(sandbox.Path("camera.mpo"));
    ASSERT_TRUE(window.ImageLoaded());
    EXPECT_GT(ReadPixels(window.Paths().imagePath)->At(3, 3).red, 240);
    EXPECT_EQ(Status(), "The picture is the left eye of the stereo pair camera.mpo");

    // A stereo file that is no pair after all is refused as unreadable.
    Save(MakeImage(63, 48, [](int, int) { return Bgr{}; }).get(), sandbox.Path("odd.jps"), kSaveJpeg);
    OpenImage(sandbox.Path("odd.jps"));
    EXPECT_FALSE(window.ImageLoaded());
    EXPECT_EQ(platform.messages.back(), messages::kCouldntLoadBitmap);
}

TEST_F(MainWindowTest, PhonePicturesOpenUprightAndHeicToo)
{
    // A JPEG taken sideways (Exif orientation 6) is the picture turned upright.
    const Bitmap stored = MakeImage(64, 48, [](int x, int) { return Grey(x); });
    SetResolution(stored.get(), 2835);
    Save(stored.get(), sandbox.Path("stored.jpg"), kSaveJpeg);
    WriteBytes(sandbox.Path("sideways.jpg"),
               WithSegments(ReadBytes(sandbox.Path("stored.jpg")),
                            {App1(std::string_view("Exif\0\0", 6), ExifOrientation(6))}));
    OpenImage(sandbox.Path("sideways.jpg"));
    ASSERT_TRUE(window.ImageLoaded());
    EXPECT_EQ(window.ImagePane().View().imageWidth, 48);
    EXPECT_EQ(window.ImagePane().View().imageHeight, 64);

    // A HEIC stores no resolution: Auto goes off, as for any picture without one.
    OpenImage(std::string(VELMORA_SOURCE) + "/tests/data/heif/picture.heic");
    ASSERT_TRUE(window.ImageLoaded()) << Status().toStdString();
    EXPECT_FALSE(Checked(kAutoParallax));
    OpenDepthMap(std::string(VELMORA_SOURCE) + "/tests/data/heif/depth-plain.heic");
    EXPECT_TRUE(window.DepthLoaded());
}

TEST_F(MainWindowTest, SettingsFollowTheirControls)
{
    Click(kColour);
    EXPECT_EQ(window.Settings().anaglyphMode, kAnaglyphColour);
    Click(kGrey);
    EXPECT_EQ(window.Settings().anaglyphMode, kAnaglyphGrey);
    Click(kPreviewImages);
    EXPECT_FALSE(window.Settings().previewImages);
    Click(kDeleteTempFiles);
    EXPECT_FALSE(window.Settings().deleteTempFiles);
    auto* list = qobject_cast<QComboBox*>(window.Control(kSaveAs));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(window.Settings().saveFormat, kSavePng);
}

TEST_F(MainWindowTest, NumericFieldsTakeOnlyNumbersButEditLikeAnyField)
{
    QLineEdit* edit = EditOf(kSmoothingRadius);
    auto typed = [&](const QString& keys) {
        edit->clear();
        edit->setFocus();
        QTest::keyClicks(edit, keys);
        return edit->text();
    };
    EXPECT_EQ(typed("12.5"), "12.5");
    EXPECT_EQ(typed("-3"), "3");
    EXPECT_EQ(typed("1,5"), "15");
    EXPECT_EQ(typed("a1 b2"), "12");
    EXPECT_EQ(typed("1.2.3"), "1.2.3");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "1.2.");
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), ".2.");
    QTest::keyClick(edit, Qt::Key_Right);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), "..");

    // The shortcuts: select all, cut, undo, copy, paste.
    typed("45");
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "45");
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "45");
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "4545");
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "4545");

    // A paste with anything but digits and full stops is refused whole, by
    // the keyboard and by the context menu alike.
    QApplication::clipboard()->setText("7a");
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    edit->paste();
    EXPECT_EQ(edit->text(), "4545");
    QApplication::clipboard()->setText("0.5");
    edit->paste();
    EXPECT_EQ(edit->text(), "45450.5");
}

TEST_F(MainWindowTest, OnlyEnterEndsTheWindow)
{
    QTest::keyClick(&window, Qt::Key_Escape);
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EditOf(kViewCount)->setFocus();
    QTest::keyClick(EditOf(kViewCount), Qt::Key_Return);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(MainWindowTest, KeypadEnterEndsTheWindowToo)
{
    EditOf(kParallax)->setEnabled(true);
    EditOf(kParallax)->setFocus();
    QTest::keyClick(EditOf(kParallax), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(MainWindowTest, EnterOnAFocusedButtonPressesItAndNoButtonLooksLikeTheDefault)
{
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault()) << button->text().toStdString();
        EXPECT_FALSE(button->autoDefault()) << button->text().toStdString();
    }
    auto* open = qobject_cast<QPushButton*>(window.Control(kOpenImage));
    open->setFocus();
    QTest::keyClick(open, Qt::Key_Return);
    QTest::keyClick(open, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(platform.openRequests.size(), 2u); // two open dialogs, both cancelled
    EXPECT_TRUE(window.isVisible());
}

// The order Tab follows through the main window, from the picture's
// "Open..." round to it again.
TEST_F(MainWindowTest, TabGoesThroughTheControlsInTheTemplatesOrder)
{
    OpenImage(Picture("photo.bmp", 2835));
    OpenDepthMap(Picture("depth.bmp", 2835));
    QWidget* first = window.Control(kOpenImage);
    first->setFocus();
    std::vector<int> order;
    for (int step = 0; step < 40; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == first)
            break;
        order.push_back(now->objectName().mid(8).toInt());
    }
    EXPECT_EQ(order,
              (std::vector<int> {kOpenDepthMap, kSmooth, kViewCount, kViewingAngle, kAutoParallax, kSmoothingRadius,
                                 kStereoWindow, kStereoWindowText, kGrey, kSaveAs, kDeleteTempFiles, kPreviewImages,
                                 kAnaglyph, kLenticularViews, kHelp, kAbout, kCrossEyed, kLcShutter}));
}

TEST_F(MainWindowTest, IsTheSinkOfTheRoutines)
{
    window.SetStatus("Depth map smoothing");
    EXPECT_EQ(Status(), "Depth map smoothing");
    auto* bar = qobject_cast<QProgressBar*>(window.Control(kProgress));
    window.BeginProgress(70000); // beyond 16 bits: the whole range is kept
    EXPECT_EQ(bar->maximum(), 70000);
    window.StepProgress();
    window.StepProgress();
    EXPECT_EQ(bar->value(), 2);
    window.ResetProgress();
    EXPECT_EQ(bar->value(), 0);
    window.ShowMessage("Couldn't load bitmap!");
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Couldn't load bitmap!"}));

    bool dispatched = false;
    QTimer::singleShot(0, [&] { dispatched = true; });
    QTest::qWait(10);
    dispatched = false;
    QTimer::singleShot(0, [&] { dispatched = true; });
    QTest::qSleep(10); // let the pump's interval pass without dispatching
    window.PumpOneMessage();
    EXPECT_TRUE(dispatched);
}

} // namespace
} // namespace velmora::test
