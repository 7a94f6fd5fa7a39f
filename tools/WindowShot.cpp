// SPDX-License-Identifier: GPL-3.0-or-later

// Opens one of Velmora's windows on the current display, waits until it is
// shown, and saves a screenshot of it. Run it under Xvfb through
// scripts/screenshot to see the real windows without a desktop.
//   window-shot preview PICTURE OUT.png
//   window-shot main [PICTURE DEPTH] OUT.png    the main window, with files opened
//   window-shot anaglyph PICTURE DEPTH OUT.png  the preview after "Anaglyph image"
//   window-shot smooth PICTURE DEPTH OUT.png    the segmentation tool
//   window-shot about OUT.png

#include "app/CAboutDlg.h"
#include "app/CMainDlg.h"
#include "platform/QtPlatform.h"
#include "preview/CPreviewDlg.h"
#include "segmentation/dialog/CSmoothDlg.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <functional>
#include <memory>

namespace {

// The real desktop, but the open dialogs answer with the files given.
class ScriptedPlatform : public velmora::QtPlatform {
public:
    std::optional<std::string> AskOpenFile(QWidget*, const velmora::FileDialogRequest&) override
    {
        if (answers.empty())
            return std::nullopt;
        const QFileInfo file(QString::fromStdString(answers.front()));
        answers.pop_front();
        QDir::setCurrent(file.absolutePath());
        return file.absoluteFilePath().toStdString();
    }

    std::optional<std::string> AskSaveFile(QWidget*, const velmora::FileDialogRequest&) override
    {
        if (saveAnswer.empty())
            return std::nullopt;
        QDir::setCurrent(QFileInfo(QString::fromStdString(saveAnswer)).absolutePath());
        return saveAnswer;
    }

    std::deque<std::string> answers;
    std::string saveAnswer;
};

// The first visible window of this type.
template <typename Window>
Window* Shown()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

bool SaveShot(QWidget& window, const QString& path)
{
    const QRect frame = window.frameGeometry();
    const QPixmap shot = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return shot.save(path);
}

int Usage()
{
    std::fprintf(stderr, "usage: window-shot preview PICTURE OUT.png\n"
                         "       window-shot main [PICTURE DEPTH] OUT.png\n"
                         "       window-shot anaglyph PICTURE DEPTH OUT.png\n"
                         "       window-shot smooth PICTURE DEPTH OUT.png\n"
                         "       window-shot about OUT.png\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setWindowIcon(velmora::ApplicationIcon());
    const QStringList arguments = application.arguments();
    if (arguments.size() < 3)
        return Usage();
    const QString kind = arguments[1];
    const QString out = QFileInfo(arguments.last()).absoluteFilePath();

    ScriptedPlatform platform;
    std::unique_ptr<QDialog> window;
    // Which window to photograph once everything is shown.
    std::function<QWidget*()> subject = [&] { return window.get(); };
    if (kind == "preview" && arguments.size() == 4) {
        window = std::make_unique<velmora::CPreviewDlg>(platform, arguments[2].toStdString());
    } else if (kind == "about" && arguments.size() == 3) {
        window = std::make_unique<velmora::CAboutDlg>(platform);
    } else if ((kind == "main" && arguments.size() == 3) || arguments.size() == 5) {
        auto main = std::make_unique<velmora::CMainDlg>(platform);
        main->show();
        if (arguments.size() == 5) {
            platform.answers = {QFileInfo(arguments[2]).absoluteFilePath().toStdString(),
                                QFileInfo(arguments[3]).absoluteFilePath().toStdString()};
            main->OpenImage();
            main->OpenDepthMap();
        }
        velmora::CMainDlg* host = main.get();
        if (kind == "anaglyph") {
            platform.saveAnswer = QDir::temp().filePath("velmora-shot-anaglyph.bmp").toStdString();
            QTimer::singleShot(100, [host] { host->RunOutputCommand(velmora::StereoOutputKind::Anaglyph); });
            subject = [] { return Shown<velmora::CPreviewDlg>(); };
        } else if (kind == "smooth") {
            QTimer::singleShot(100, [host] { host->ShowSmoothDialog(); });
            subject = [] { return Shown<velmora::CSmoothDlg>(); };
        } else if (kind != "main") {
            return Usage();
        }
        window = std::move(main);
    } else {
        return Usage();
    }
    window->show();
    int status = 1;
    QTimer::singleShot(1500, [&] {
        QWidget* shown = subject();
        status = shown && SaveShot(*shown, out) ? 0 : 1;
        QCoreApplication::exit(status);
    });
    application.exec();
    return status;
}
