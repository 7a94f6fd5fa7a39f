// SPDX-License-Identifier: GPL-3.0-or-later

// Draws the application icon, a pair of red-cyan glasses on a dark tile, as
// PNG files in every size the desktop asks for and as a scalable SVG, from
// one description of its shapes.
//   make-icon FOLDER     writes FOLDER/velmora-16.png ... velmora-256.png and velmora.svg

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <vector>

namespace {

// The icon's shapes on a 256 x 256 canvas.
struct Shape {
    enum Kind { kFilledRect, kOutlinedRect, kLine, kArc } kind;
    QRectF rect;       // rectangles; for lines and the arc, from top-left to bottom-right point
    double radius = 0; // rounded corners
    QColor colour;
    QPointF control;   // the arc's control point
};

const QColor kTile(34, 38, 48), kRed(226, 36, 40), kCyan(0, 200, 220), kFrame(245, 245, 245);
constexpr double kFrameWidth = 10;

std::vector<Shape> IconShapes()
{
    const QRectF left(30, 86, 88, 72), right(138, 86, 88, 72);
    std::vector<Shape> shapes = {
        {Shape::kFilledRect, QRectF(8, 8, 240, 240), 44, kTile, {}},
        // Lenses: red for the left eye, cyan for the right, in their frames.
        {Shape::kFilledRect, left, 22, kRed, {}},
        {Shape::kFilledRect, right, 22, kCyan, {}},
        {Shape::kOutlinedRect, left, 22, kFrame, {}},
        {Shape::kOutlinedRect, right, 22, kFrame, {}},
        {Shape::kArc, QRectF(QPointF(118, 104), QPointF(138, 104)), 0, kFrame, QPointF(128, 90)},
        {Shape::kLine, QRectF(QPointF(30, 104), QPointF(16, 96)), 0, kFrame, {}},
        {Shape::kLine, QRectF(QPointF(226, 104), QPointF(240, 96)), 0, kFrame, {}},
    };
    // A hint of depth: three bars stepping back under the glasses.
    for (int i = 0; i < 3; ++i) {
        QColor bar = kFrame;
        bar.setAlpha(220 - 60 * i);
        shapes.push_back({Shape::kFilledRect, QRectF(64 + 20 * i, 182 + 14 * i, 128 - 40 * i, 8), 4, bar, {}});
    }
    return shapes;
}

void Paint(QPainter& painter, const Shape& shape)
{
    QPen frame(shape.colour, kFrameWidth);
    frame.setJoinStyle(Qt::RoundJoin);
    frame.setCapStyle(Qt::RoundCap);
    switch (shape.kind) {
    case Shape::kFilledRect:
        painter.setPen(Qt::NoPen);
        painter.setBrush(shape.colour);
        painter.drawRoundedRect(shape.rect, shape.radius, shape.radius);
        break;
    case Shape::kOutlinedRect:
        painter.setPen(frame);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(shape.rect, shape.radius, shape.radius);
        break;
    case Shape::kLine:
        painter.setPen(frame);
        painter.drawLine(shape.rect.topLeft(), shape.rect.bottomRight());
        break;
    case Shape::kArc: {
        QPainterPath arc(shape.rect.topLeft());
        arc.quadTo(shape.control, shape.rect.bottomRight());
        painter.setPen(frame);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(arc);
        break;
    }
    }
}

bool WritePng(const std::vector<Shape>& shapes, int size, const QString& path)
{
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    for (const Shape& shape : shapes)
        Paint(painter, shape);
    painter.end();
    return icon.save(path);
}

QString SvgColour(const QColor& colour)
{
    return QString("fill=\"%1\" fill-opacity=\"%2\"").arg(colour.name()).arg(colour.alphaF(), 0, 'g', 3);
}

QString SvgStroke(const QColor& colour)
{
    return QString("fill=\"none\" stroke=\"%1\" stroke-width=\"%2\" stroke-linejoin=\"round\" "
                   "stroke-linecap=\"round\"")
        .arg(colour.name())
        .arg(kFrameWidth);
}

bool WriteSvg(const std::vector<Shape>& shapes, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream svg(&file);
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n";
    for (const Shape& shape : shapes) {
        const QRectF& r = shape.rect;
        switch (shape.kind) {
        case Shape::kFilledRect:
        case Shape::kOutlinedRect:
            svg << QString("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" %6/>\n")
                       .arg(r.x())
                       .arg(r.y())
                       .arg(r.width())
                       .arg(r.height())
                       .arg(shape.radius)
                       .arg(shape.kind == Shape::kFilledRect ? SvgColour(shape.colour) : SvgStroke(shape.colour));
            break;
        case Shape::kLine:
            svg << QString("  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" %5/>\n")
                       .arg(r.left())
                       .arg(r.top())
                       .arg(r.right())
                       .arg(r.bottom())
                       .arg(SvgStroke(shape.colour));
            break;
        case Shape::kArc:
            svg << QString("  <path d=\"M %1 %2 Q %3 %4 %5 %6\" %7/>\n")
                       .arg(r.left())
                       .arg(r.top())
                       .arg(shape.control.x())
                       .arg(shape.control.y())
                       .arg(r.right())
                       .arg(r.bottom())
                       .arg(SvgStroke(shape.colour));
            break;
        }
    }
    svg << "</svg>\n";
    svg.flush();
    return file.error() == QFileDevice::NoError;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    QGuiApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const std::vector<Shape> shapes = IconShapes();
    bool written = WriteSvg(shapes, folder + "/velmora.svg");
    for (int size : {16, 32, 48, 64, 128, 256})
        written &= WritePng(shapes, size, QString("%1/velmora-%2.png").arg(folder).arg(size));
    return written ? 0 : 1;
}
