// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QTimer>

#include <string>

namespace velmora {

class Platform;

// A static text turned into a link: link colours, underlined while the
// pointer is over it, a hand cursor, a tooltip with the target, and a click
// that opens the target through the desktop (falling back to the user's
// program for HTML files). A failed click beeps and says why.
class CHyperLink : public QLabel {
    Q_OBJECT

public:
    static constexpr int kUnderlineOnHover = -1;
    static constexpr int kUnderlineNever = 0;
    static constexpr int kUnderlineAlways = 1;

    // Attaches to the label's text: the target is the text until SetLinkUrl.
    CHyperLink(Platform& platform, const QString& text, QWidget* parent);

    void SetLinkUrl(const std::string& url);
    const std::string& LinkUrl() const { return url_; }
    void MarkVisited(bool visited);
    bool Visited() const { return visited_; }
    bool Hovering() const { return hovering_; }
    void SetUnderlineMode(int mode);
    // Resizes the control to its text, keeping its left edge, its right edge
    // (right-aligned) or its centre (centred), and its vertical centre when
    // the text is centred vertically.
    void FitToText();

    // Opens a target: the desktop's "open", then the user's program for HTML
    // files. Returns the result code: above 32 is success.
    int OpenLink(const std::string& target);
    void ShowOpenError(int code);

    // The colour the text is drawn in now.
    QColor TextColour() const;

    static const QColor kUnvisited;
    static const QColor kVisited;
    static const QColor kHover;

protected:
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void StartHovering();
    void CheckPointerLeft();
    void Restyle();

    Platform& platform_;
    std::string url_;
    bool hovering_ = false;
    bool visited_ = false;
    int underlineMode_ = kUnderlineOnHover;
    QFont normalFont_;
    QFont underlineFont_;
    QTimer hoverTimer_; // notices that the pointer has left, every 100 ms
};

} // namespace velmora
