// velmora: the desktop program.

#include "app/CMainApp.h"
#include "platform/QtPlatform.h"
#include "resources/DialogBuilder.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setWindowIcon(velmora::ApplicationIcon());
    velmora::QtPlatform platform;
    return velmora::CMainApp(platform).Run();
}
