#include "app/CAboutDlg.h"

#include "hyperlink/CHyperLink.h"

#include <QPushButton>

namespace velmora {
namespace {

enum : int { kIdOk = 1, kIdFirstAuthor = 1014, kIdSecondAuthor = 1015, kIdHomePage = 1016 };

bool IsLink(int id)
{
    return id == kIdFirstAuthor || id == kIdSecondAuthor || id == kIdHomePage;
}

} // namespace

CAboutDlg::CAboutDlg(Platform& platform, QWidget* parent) : QDialog(parent)
{
    controls_ = BuildDialog(*this, AboutDialogTemplate(), [&](const ControlTemplate& control, QWidget* owner) {
        return IsLink(control.id) ? new CHyperLink(platform, QString::fromUtf8(control.text), owner) : nullptr;
    });
    // The links take their places before their targets, in this order.
    Link(kIdHomePage)->SetLinkUrl("https://velmora.example.org/");
    Link(kIdFirstAuthor)->SetLinkUrl("mailto:ada.lindqvist@example.org");
    Link(kIdSecondAuthor)->SetLinkUrl("https://tomas-ferreira.example.org/");
    connect(controls_.As<QPushButton>(kIdOk), &QPushButton::clicked, this, &QDialog::accept);
}

CHyperLink* CAboutDlg::Link(int id) const
{
    return controls_.As<CHyperLink>(id);
}

} // namespace velmora
