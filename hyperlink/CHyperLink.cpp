// SPDX-License-Identifier: GPL-3.0-or-later

#include "hyperlink/CHyperLink.h"

#include "hyperlink/LinkText.h"
#include "platform/Platform.h"

#include <QCursor>
#include <QMouseEvent>

namespace velmora {

const QColor CHyperLink::kUnvisited(0, 0, 238);
const QColor CHyperLink::kVisited(85, 26, 139);
const QColor CHyperLink::kHover(255, 0, 0);

CHyperLink::CHyperLink(Platform& platform, const QString& text, QWidget* parent)
    : QLabel(text, parent), platform_(platform), url_(text.toStdString())
{
    if (this->text().isEmpty())
        setText(QString::fromStdString(url_));
    normalFont_ = font();
    normalFont_.setUnderline(false);
    underlineFont_ = normalFont_;
    underlineFont_.setUnderline(true);
    setFont(normalFont_);
    // The pointing hand says that the text can be clicked.
    setCursor(Qt::PointingHandCursor);
    setToolTip(QString::fromStdString(url_));
    setMouseTracking(true);
    hoverTimer_.setInterval(100);
    connect(&hoverTimer_, &QTimer::timeout, this, &CHyperLink::CheckPointerLeft);
    Restyle();
}

void CHyperLink::SetLinkUrl(const std::string& url)
{
    url_ = url;
    FitToText();
    setToolTip(QString::fromStdString(url_));
}

void CHyperLink::MarkVisited(bool visited)
{
    visited_ = visited;
    Restyle();
}

void CHyperLink::SetUnderlineMode(int mode)
{
    if (mode == underlineMode_)
        return;
    setFont(mode == kUnderlineAlways ? underlineFont_ : normalFont_);
    underlineMode_ = mode;
    Restyle();
}

void CHyperLink::FitToText()
{
    const QFontMetrics metrics(underlineFont_);
    const QSize frame = size() - contentsRect().size(); // the border stays as it is
    const int needWidth = metrics.horizontalAdvance(text()) + frame.width();
    const int needHeight = metrics.height() + frame.height();
    QRect place = geometry();
    if (alignment() & Qt::AlignVCenter) {
        const int shrink = (place.height() - needHeight) / 2;
        place.adjust(0, shrink, 0, -shrink);
    } else {
        place.setHeight(needHeight);
    }
    if (alignment() & Qt::AlignHCenter) {
        const int shrink = (place.width() - needWidth) / 2;
        place.adjust(shrink, 0, -shrink, 0);
    } else if (alignment() & Qt::AlignRight) {
        place.setLeft(place.right() + 1 - needWidth);
    } else {
        place.setWidth(needWidth);
    }
    setGeometry(place);
}

QColor CHyperLink::TextColour() const
{
    return hovering_ ? kHover : visited_ ? kVisited : kUnvisited;
}

void CHyperLink::Restyle()
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, TextColour());
    setPalette(colours);
    update();
}

void CHyperLink::enterEvent(QEnterEvent* event)
{
    StartHovering();
    QLabel::enterEvent(event);
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event)
{
    StartHovering();
    QLabel::mouseMoveEvent(event);
}

void CHyperLink::StartHovering()
{
    if (hovering_)
        return;
    hovering_ = true;
    if (underlineMode_ == kUnderlineOnHover)
        setFont(underlineFont_);
    Restyle();
    hoverTimer_.start();
}

void CHyperLink::CheckPointerLeft()
{
    if (rect().contains(mapFromGlobal(QCursor::pos())))
        return;
    hovering_ = false;
    hoverTimer_.stop();
    if (underlineMode_ != kUnderlineAlways)
        setFont(normalFont_);
    Restyle();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    hovering_ = false;
    const int result = OpenLink(url_);
    visited_ = result > 32; // a failed click clears an earlier visit
    if (visited_) {
        MarkVisited(true);
    } else {
        Restyle();
        platform_.Beep();
        ShowOpenError(result);
    }
}

int CHyperLink::OpenLink(const std::string& target)
{
    const int opened = platform_.ShellOpen(target);
    if (opened > 32)
        return opened;
    const std::optional<std::string> browser = platform_.RegisteredBrowserCommand();
    if (!browser)
        return opened;
    return platform_.StartCommandLine(BrowserCommandLine(*browser, target));
}

void CHyperLink::ShowOpenError(int code)
{
    platform_.ShowMessage(this, OpenErrorText(code));
}

} // namespace velmora
