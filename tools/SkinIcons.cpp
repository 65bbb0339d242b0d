#include "tools/SkinIcons.h"

#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

namespace {

constexpr double kStroke = 1.8;

QPen LinePen(const QColor& colour, double width = kStroke)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Polyline(QPainter& painter, std::initializer_list<QPointF> points)
{
    painter.drawPolyline(QPolygonF(QList<QPointF>(points)));
}

void FilledPolygon(QPainter& painter, const QColor& colour, std::initializer_list<QPointF> points)
{
    painter.save();
    painter.setBrush(colour);
    painter.setPen(LinePen(colour, 1.0));
    painter.drawPolygon(QPolygonF(QList<QPointF>(points)));
    painter.restore();
}

void Magnifier(QPainter& painter)
{
    painter.drawEllipse(QPointF(10.5, 10.5), 6.5, 6.5);
    painter.save();
    painter.setPen(LinePen(painter.pen().color(), 2.8));
    painter.drawLine(QPointF(15.5, 15.5), QPointF(20.5, 20.5));
    painter.restore();
}

// Four lines of text, each given by its left and right end.
void TextLines(QPainter& painter, const double (&ends)[4][2])
{
    for (int i = 0; i < 4; ++i) {
        const double y = 5 + 4.6 * i;
        painter.drawLine(QPointF(ends[i][0], y), QPointF(ends[i][1], y));
    }
}

// A capital A, for the outline and shadow buttons.
void LetterA(QPainter& painter)
{
    Polyline(painter, {{5.5, 20}, {12, 4}, {18.5, 20}});
    painter.drawLine(QPointF(8.2, 14), QPointF(15.8, 14));
}

}  // namespace

void PaintIcon(QPainter& painter, Icon icon, const QRectF& box, const IconInk& ink)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / 24.0, box.height() / 24.0);
    painter.setPen(LinePen(ink.line));
    painter.setBrush(Qt::NoBrush);
    icon(painter, ink);
    painter.restore();
}

namespace icons {

void NewCard(QPainter& painter, const IconInk& ink)
{
    Polyline(painter, {{14, 2.5}, {5, 2.5}, {5, 21.5}, {19.5, 21.5}, {19.5, 8}, {14, 2.5}, {14, 8}, {19.5, 8}});
    painter.setPen(LinePen(ink.accent, 2.1));
    painter.drawLine(QPointF(12.25, 11.5), QPointF(12.25, 18.5));
    painter.drawLine(QPointF(8.75, 15), QPointF(15.75, 15));
}

void Disk(QPainter& painter, const IconInk& ink)
{
    Polyline(painter, {{4, 3.5}, {17, 3.5}, {20.5, 7}, {20.5, 20.5}, {4, 20.5}, {4, 3.5}});
    Polyline(painter, {{8, 3.5}, {8, 8.5}, {15.5, 8.5}, {15.5, 3.5}});
    painter.setPen(LinePen(ink.accent));
    painter.drawRoundedRect(QRectF(7.5, 13, 9.5, 7.5), 1, 1);
}

void Landscape(QPainter& painter, const IconInk& ink)
{
    painter.drawRoundedRect(QRectF(2.5, 4.5, 19, 15), 2.5, 2.5);
    Polyline(painter, {{3, 16.5}, {8.5, 11}, {13, 15.5}, {15.5, 13}, {21, 18}});
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink.accent);
    painter.drawEllipse(QPointF(16, 9), 2.1, 2.1);
}

void Frame(QPainter& painter, const IconInk& ink)
{
    painter.drawRoundedRect(QRectF(2.5, 3.5, 19, 17), 1.5, 1.5);
    painter.setPen(LinePen(ink.accent));
    painter.drawRoundedRect(QRectF(6.5, 7.5, 11, 9), 3, 3);
}

void Letter(QPainter& painter, const IconInk& ink)
{
    painter.setPen(LinePen(ink.line, 2.2));
    Polyline(painter, {{4, 6.5}, {4, 4}, {16, 4}, {16, 6.5}});
    painter.drawLine(QPointF(10, 4), QPointF(10, 19.5));
    painter.drawLine(QPointF(7, 19.5), QPointF(13, 19.5));
    // A caret beside the letter: this is where text is typed.
    painter.setPen(LinePen(ink.accent, 1.8));
    painter.drawLine(QPointF(19.5, 10), QPointF(19.5, 21));
}

void Help(QPainter& painter, const IconInk& ink)
{
    painter.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    QPainterPath mark;
    mark.moveTo(9, 9.6);
    mark.cubicTo(9, 7.6, 10.4, 6.4, 12.1, 6.4);
    mark.cubicTo(13.8, 6.4, 15.1, 7.6, 15.1, 9.2);
    mark.cubicTo(15.1, 11.2, 12.1, 11.4, 12.1, 13.9);
    painter.drawPath(mark);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink.accent);
    painter.drawEllipse(QPointF(12.1, 17.4), 1.3, 1.3);
}

void ZoomIn(QPainter& painter, const IconInk& ink)
{
    Magnifier(painter);
    painter.setPen(LinePen(ink.accent));
    painter.drawLine(QPointF(10.5, 7.8), QPointF(10.5, 13.2));
    painter.drawLine(QPointF(7.8, 10.5), QPointF(13.2, 10.5));
}

void ZoomOut(QPainter& painter, const IconInk& ink)
{
    Magnifier(painter);
    painter.setPen(LinePen(ink.accent));
    painter.drawLine(QPointF(7.8, 10.5), QPointF(13.2, 10.5));
}

void Mirror(QPainter& painter, const IconInk& ink)
{
    // A solid shape and its outlined reflection across a dashed axis.
    FilledPolygon(painter, ink.line, {{10, 5.5}, {10, 18.5}, {3, 18.5}});
    Polyline(painter, {{14, 5.5}, {14, 18.5}, {21, 18.5}, {14, 5.5}});
    QPen axis(ink.accent, 1.4, Qt::CustomDashLine, Qt::FlatCap);
    axis.setDashPattern({1.4, 1.2});
    painter.setPen(axis);
    painter.drawLine(QPointF(12, 2), QPointF(12, 22));
}

void Flip(QPainter& painter, const IconInk& ink)
{
    // The mirror turned a quarter: the axis lies across, the solid shape
    // above it.
    painter.translate(12, 12);
    painter.rotate(90);
    painter.translate(-12, -12);
    Mirror(painter, ink);
}

void RotateRight(QPainter& painter, const IconInk& ink)
{
    // An open circle travelled clockwise, its gap at the upper right.
    QPainterPath arc;
    const QRectF circle(4, 4.5, 16, 16);
    arc.arcMoveTo(circle, 10);
    arc.arcTo(circle, 10, -290);
    painter.drawPath(arc);
    const QPointF end = arc.pointAtPercent(1);
    const double angle = qDegreesToRadians(arc.angleAtPercent(1));
    const QPointF along(std::cos(angle), -std::sin(angle)), across(-along.y(), along.x());
    FilledPolygon(painter, ink.line, {end + along * 3.2, end + across * 3.2, end - across * 3.2});
}

void RotateLeft(QPainter& painter, const IconInk& ink)
{
    painter.translate(24, 0);
    painter.scale(-1, 1);
    RotateRight(painter, ink);
}

void Bin(QPainter& painter, const IconInk& ink)
{
    painter.drawLine(QPointF(3.5, 6.5), QPointF(20.5, 6.5));
    Polyline(painter, {{9, 6.5}, {9, 3.5}, {15, 3.5}, {15, 6.5}});
    Polyline(painter, {{6, 6.5}, {7, 21}, {17, 21}, {18, 6.5}});
    painter.setPen(LinePen(ink.accent, 1.6));
    painter.drawLine(QPointF(10.2, 10.5), QPointF(10.2, 17));
    painter.drawLine(QPointF(13.8, 10.5), QPointF(13.8, 17));
}

void Thumbnails(QPainter& painter, const IconInk& ink)
{
    painter.drawRoundedRect(QRectF(13, 3, 8, 8), 1.5, 1.5);
    painter.drawRoundedRect(QRectF(3, 13, 8, 8), 1.5, 1.5);
    painter.drawRoundedRect(QRectF(13, 13, 8, 8), 1.5, 1.5);
    // The chosen one.
    painter.setBrush(ink.accent);
    painter.setPen(LinePen(ink.accent));
    painter.drawRoundedRect(QRectF(3, 3, 8, 8), 1.5, 1.5);
}

void Import(QPainter& painter, const IconInk& ink)
{
    Polyline(painter, {{3.5, 14}, {3.5, 20.5}, {20.5, 20.5}, {20.5, 14}});
    painter.setPen(LinePen(ink.accent, 2));
    painter.drawLine(QPointF(12, 3), QPointF(12, 15));
    Polyline(painter, {{7.5, 10.5}, {12, 15}, {16.5, 10.5}});
}

void AlignLeft(QPainter& painter, const IconInk&)
{
    TextLines(painter, {{3, 21}, {3, 14}, {3, 19}, {3, 11}});
}

void AlignCentre(QPainter& painter, const IconInk&)
{
    TextLines(painter, {{3, 21}, {7, 17}, {4.5, 19.5}, {8, 16}});
}

void AlignRight(QPainter& painter, const IconInk&)
{
    TextLines(painter, {{3, 21}, {10, 21}, {5, 21}, {13, 21}});
}

void TextOutline(QPainter& painter, const IconInk& ink)
{
    // The letter drawn wide in the accent, then thin in the ink over it.
    painter.save();
    painter.setPen(LinePen(ink.accent, 5));
    LetterA(painter);
    painter.restore();
    painter.setPen(LinePen(ink.line, 1.6));
    LetterA(painter);
}

void TextShadow(QPainter& painter, const IconInk& ink)
{
    // The letter over its shadow, down and to the right.
    painter.save();
    painter.translate(2.5, 2);
    painter.setPen(LinePen(ink.accent, 2.4));
    LetterA(painter);
    painter.restore();
    painter.setPen(LinePen(ink.line, 2.2));
    LetterA(painter);
}

}  // namespace icons
