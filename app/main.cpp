// SPDX-License-Identifier: GPL-3.0-or-later

// velmora: the desktop program.

#include "app/CMainApp.h"
#include "platform/QtPlatform.h"
#include "resources/DialogBuilder.h"

#include <QApplication>

#include <csignal>

int main(int argc, char** argv)
{
    // A file grown past the size limit fails its write, which is reported,
    // instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication application(argc, argv);
    QApplication::setWindowIcon(velmora::ApplicationIcon());
    velmora::QtPlatform platform;
    return velmora::CMainApp(platform).Run();
}
