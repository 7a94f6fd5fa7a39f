// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/CAboutDlg.h"

#include "hyperlink/CHyperLink.h"
#include "resources/AboutDialogIds.h"

#include <QPushButton>

namespace velmora {
namespace {

using namespace about_ids;

bool IsLink(int id)
{
    return id == kFirstAuthor || id == kSecondAuthor || id == kHomePage;
}

} // namespace

CAboutDlg::CAboutDlg(Platform& platform, QWidget* parent) : QDialog(parent)
{
    controls_ = BuildDialog(*this, AboutDialogTemplate(), [&](const ControlTemplate& control, QWidget* owner) {
        return IsLink(control.id) ? new CHyperLink(platform, QString::fromUtf8(control.text), owner) : nullptr;
    });
    // The links take their places before their targets, in this order.
    Link(kHomePage)->SetLinkUrl("https://velmora.example.org/");
    Link(kFirstAuthor)->SetLinkUrl("mailto:ada.lindqvist@example.org");
    Link(kSecondAuthor)->SetLinkUrl("https://tomas-ferreira.example.org/");
    connect(controls_.As<QPushButton>(kOk), &QPushButton::clicked, this, &QDialog::accept);
}

CHyperLink* CAboutDlg::Link(int id) const
{
    return controls_.As<CHyperLink>(id);
}

} // namespace velmora
