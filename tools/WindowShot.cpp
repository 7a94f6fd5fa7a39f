// Opens one of Velmora's windows on the current display, waits until it is
// shown, and saves a screenshot of it. Run it under Xvfb through
// scripts/screenshot to see the real windows without a desktop.
//   window-shot preview PICTURE OUT.png
//   window-shot main [PICTURE DEPTH] OUT.png   (the main window, with files opened)

#include "app/CMainDlg.h"
#include "platform/QtPlatform.h"
#include "preview/CPreviewDlg.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <deque>
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

    std::deque<std::string> answers;
};

bool SaveShot(QWidget& window, const QString& path)
{
    const QRect frame = window.frameGeometry();
    const QPixmap shot = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return shot.save(path);
}

int Usage()
{
    std::fprintf(stderr, "usage: window-shot preview PICTURE OUT.png\n"
                         "       window-shot main [PICTURE DEPTH] OUT.png\n");
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
    if (kind == "preview" && arguments.size() == 4) {
        window = std::make_unique<velmora::CPreviewDlg>(platform, arguments[2].toStdString());
    } else if (kind == "main" && (arguments.size() == 3 || arguments.size() == 5)) {
        auto main = std::make_unique<velmora::CMainDlg>(platform);
        if (arguments.size() == 5) {
            platform.answers = {QFileInfo(arguments[2]).absoluteFilePath().toStdString(),
                                QFileInfo(arguments[3]).absoluteFilePath().toStdString()};
            main->show();
            main->OpenImage();
            main->OpenDepthMap();
        }
        window = std::move(main);
    } else {
        return Usage();
    }
    window->show();
    int status = 1;
    QTimer::singleShot(700, [&] {
        status = SaveShot(*window, out) ? 0 : 1;
        QCoreApplication::exit(status);
    });
    application.exec();
    return status;
}
