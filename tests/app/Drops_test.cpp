// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/app/MainWindowFixture.h"

#include "imaging/stereo/Messages.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <filesystem>

namespace velmora::test {
namespace {

class DropTest : public MainWindowTest {
protected:
    // Drags `data` over the window to `at` and drops it there, as a user
    // would; whether the window took the drop.
    bool DropAt(const QMimeData& data, const QPoint& at)
    {
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &move);
        if (!move.isAccepted())
            return false;
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
        return drop.isAccepted();
    }

    bool DropFilesAt(const std::vector<std::string>& paths, int control)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
        data.setUrls(urls);
        return DropAt(data, window.Control(control)->geometry().center());
    }

    QString Label(int id) const { return qobject_cast<QLabel*>(window.Control(id))->text(); }
};

TEST_F(DropTest, AFileDroppedOnAGroupOpensAsItsOpenButtonWould)
{
    std::filesystem::create_directory(sandbox.Path("pictures"));
    const std::string photo = Picture("pictures/photo.bmp", 2835);
    std::filesystem::current_path("/");
    EXPECT_TRUE(DropFilesAt({photo}, kImageFrame));
    EXPECT_TRUE(window.ImageLoaded());
    EXPECT_EQ(Label(kImageName), "photo.bmp");
    EXPECT_EQ(window.Paths().imagePath, photo);
    EXPECT_EQ(Text(kParallax), "9");
    EXPECT_EQ(std::filesystem::current_path(), sandbox.Path("pictures")); // as the open dialog makes it

    EXPECT_TRUE(DropFilesAt({Picture("depth.bmp", 2835, 8)}, kDepthFrame));
    EXPECT_EQ(Label(kDepthName), "depth.bmp");
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"The depth map is not in the RGB colour mode"}));
    EXPECT_FALSE(Enabled(kAnaglyph));
    EXPECT_TRUE(DropFilesAt({Picture("depth24.bmp", 2835)}, kDepthFrame));
    EXPECT_TRUE(Enabled(kAnaglyph));
    EXPECT_TRUE(platform.openRequests.empty());

    WriteBytes(sandbox.Path("broken.png"), "not a picture");
    EXPECT_TRUE(DropFilesAt({sandbox.Path("broken.png")}, kImageFrame));
    EXPECT_EQ(platform.messages.back(), messages::kCouldntLoadBitmap);
    EXPECT_FALSE(window.ImageLoaded());
}

TEST_F(DropTest, OtherDropsAreRefused)
{
    const std::string photo = Picture("photo.bmp", 2835);
    EXPECT_FALSE(DropFilesAt({photo}, kViewCount));      // not on a group
    EXPECT_FALSE(DropFilesAt({photo, photo}, kImageFrame)); // two files
    EXPECT_FALSE(DropFilesAt({}, kImageFrame));
    QMimeData text;
    text.setText(QString::fromStdString(photo));
    EXPECT_FALSE(DropAt(text, window.Control(kImageFrame)->geometry().center()));
    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/photo.bmp")});
    EXPECT_FALSE(DropAt(remote, window.Control(kImageFrame)->geometry().center()));
    EXPECT_FALSE(window.ImageLoaded());
    EXPECT_TRUE(platform.messages.empty());
}

} // namespace
} // namespace velmora::test
