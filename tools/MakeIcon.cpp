// SPDX-License-Identifier: GPL-3.0-or-later

// Draws the application icon: a pair of red-cyan glasses on a dark tile.
//   make-icon FILE.png

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    QGuiApplication application(argc, argv);
    QImage icon(256, 256, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(34, 38, 48));
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    // Lenses: red for the left eye, cyan for the right.
    const QRectF left(30, 86, 88, 72), right(138, 86, 88, 72);
    painter.setBrush(QColor(226, 36, 40));
    painter.drawRoundedRect(left, 22, 22);
    painter.setBrush(QColor(0, 200, 220));
    painter.drawRoundedRect(right, 22, 22);

    // Frame and bridge.
    QPen frame(QColor(245, 245, 245), 10);
    frame.setJoinStyle(Qt::RoundJoin);
    painter.setPen(frame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(left, 22, 22);
    painter.drawRoundedRect(right, 22, 22);
    QPainterPath bridge;
    bridge.moveTo(118, 104);
    bridge.quadTo(128, 90, 138, 104);
    painter.drawPath(bridge);
    painter.drawLine(QPointF(30, 104), QPointF(16, 96));
    painter.drawLine(QPointF(226, 104), QPointF(240, 96));

    // A hint of depth: three bars stepping back under the glasses.
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(QColor(245, 245, 245, 220 - 60 * i));
        painter.drawRoundedRect(QRectF(64 + 20 * i, 182 + 14 * i, 128 - 40 * i, 8), 4, 4);
    }
    painter.end();
    return icon.save(argv[1]) ? 0 : 1;
}
