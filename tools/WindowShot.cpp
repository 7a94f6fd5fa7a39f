// Opens one of Velmora's windows on the current display, waits until it is
// shown, and saves a screenshot of it. Run it under Xvfb through
// scripts/screenshot to see the real window without a desktop.
//   window-shot preview PICTURE OUT.png

#include "platform/QtPlatform.h"
#include "preview/CPreviewDlg.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

bool SaveShot(QWidget& window, const QString& path)
{
    const QRect frame = window.frameGeometry();
    const QPixmap shot = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return shot.save(path);
}

int Usage()
{
    std::fprintf(stderr, "usage: window-shot preview PICTURE OUT.png\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4 || arguments[1] != "preview")
        return Usage();

    velmora::QtPlatform platform;
    auto window = std::make_unique<velmora::CPreviewDlg>(platform, arguments[2].toStdString());
    const QString out = arguments[3];
    window->show();
    int status = 1;
    QTimer::singleShot(700, [&] {
        status = SaveShot(*window, out) ? 0 : 1;
        application.quit();
    });
    application.exec();
    return status;
}
