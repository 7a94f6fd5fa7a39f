// SPDX-License-Identifier: GPL-3.0-or-later

// Help and About, from the main window.

#include "app/CMainDlg.h"

#include "app/CAboutDlg.h"
#include "app/HelpPage.h"
#include "platform/Platform.h"
#include "resources/MainDialogIds.h"

#include <QPushButton>

namespace velmora {

void CMainDlg::ConnectInformation()
{
    connect(controls_.As<QPushButton>(main_ids::kHelp), &QPushButton::clicked, this, &CMainDlg::ShowHelp);
    connect(controls_.As<QPushButton>(main_ids::kAbout), &QPushButton::clicked, this, &CMainDlg::ShowAbout);
}

void CMainDlg::ShowHelp()
{
    if (platform_.ShellOpen(HelpPagePath(platform_.ExecutablePath())) <= 32)
        ShowMessage("Couldn't launch browser!");
}

void CMainDlg::ShowAbout()
{
    CAboutDlg about(platform_, this);
    about.exec();
}

} // namespace velmora
