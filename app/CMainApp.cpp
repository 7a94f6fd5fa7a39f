// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/CMainApp.h"

#include "app/CMainDlg.h"

namespace velmora {

int CMainApp::Run()
{
    CMainDlg dialog(platform_);
    dialog.exec();
    return 0;
}

} // namespace velmora
