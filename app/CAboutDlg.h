// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "resources/DialogBuilder.h"

#include <QDialog>

namespace velmora {

class CHyperLink;
class Platform;

// "About Velmora": icon, version, credits with three links, OK.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(Platform& platform, QWidget* parent = nullptr);

    CHyperLink* Link(int id) const;
    QWidget* Control(int id) const { return controls_.Control(id); }

private:
    BuiltDialog controls_;
};

} // namespace velmora
