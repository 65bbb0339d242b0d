#include "tools/LibraryOrnaments.h"

#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kDegree = std::numbers::pi / 180;

QPointF Polar(QPointF centre, double radius, double degrees)
{
    return centre + QPointF(radius * std::cos(degrees * kDegree), radius * std::sin(degrees * kDegree));
}

QPen Stroke(const QColor& colour, double width)
{
    return QPen(colour, std::max(3.0, width), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A glossy fill: light at the upper left, the colour itself further out.
QRadialGradient Gloss(QPointF centre, double radius, const QColor& colour)
{
    QRadialGradient gloss(centre, radius * 1.2, centre + QPointF(-radius * 0.4, -radius * 0.45));
    gloss.setColorAt(0, Tint(colour, 0.55));
    gloss.setColorAt(0.55, colour);
    gloss.setColorAt(1, Tint(colour, -0.25));
    return gloss;
}

// Draws a path given in ornament space (stem at the origin, pointing along +x).
void FillTurned(QPainter& painter, const QPainterPath& path, QPointF at, double degrees, const QBrush& brush)
{
    QTransform turn;
    turn.translate(at.x(), at.y());
    turn.rotate(degrees);
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    painter.drawPath(turn.map(path));
}

}  // namespace

QColor Tint(const QColor& colour, double amount)
{
    const double target = amount > 0 ? 255 : 0, t = std::abs(amount);
    auto mix = [&](int channel) { return int(std::lround(channel + (target - channel) * t)); };
    return QColor(mix(colour.red()), mix(colour.green()), mix(colour.blue()), colour.alpha());
}

QPainterPath WindowPath(const PhotoWindow& window)
{
    const QRectF& box = window.box;
    QPainterPath path;
    switch (window.shape) {
    case WindowShape::RoundedRect: {
        const double corner = std::min(box.width(), box.height()) * 0.07;
        path.addRoundedRect(box, corner, corner);
        break;
    }
    case WindowShape::Oval:
        path.addEllipse(box);
        break;
    case WindowShape::Arch:
        path.moveTo(box.bottomLeft());
        path.lineTo(box.left(), box.top() + box.width() / 2);
        path.arcTo(QRectF(box.left(), box.top(), box.width(), box.width()), 180, -180);
        path.lineTo(box.bottomRight());
        path.closeSubpath();
        break;
    case WindowShape::Heart:
        path = HeartPath(box);
        break;
    }
    return path;
}

QPainterPath StarPath(QPointF centre, double radius, int points, double innerRatio)
{
    QPolygonF polygon;
    for (int i = 0; i < 2 * points; ++i)
        polygon << Polar(centre, i % 2 ? radius * innerRatio : radius, -90 + i * 180.0 / points);
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    return path;
}

QPainterPath HeartPath(const QRectF& box)
{
    const double x = box.left(), y = box.top(), w = box.width(), h = box.height();
    const QPointF dip(x + w / 2, y + h * 0.24), tip(x + w / 2, y + h);
    QPainterPath path(dip);
    path.cubicTo(x + w * 0.42, y - h * 0.06, x - w * 0.04, y + h * 0.02, x, y + h * 0.32);
    path.cubicTo(x + w * 0.02, y + h * 0.62, x + w * 0.36, y + h * 0.78, tip.x(), tip.y());
    path.cubicTo(x + w * 0.64, y + h * 0.78, x + w * 0.98, y + h * 0.62, x + w, y + h * 0.32);
    path.cubicTo(x + w * 1.04, y + h * 0.02, x + w * 0.58, y - h * 0.06, dip.x(), dip.y());
    path.closeSubpath();
    return path;
}

void DrawBalloon(QPainter& painter, QPointF centre, double radius, const QColor& colour, QPointF stringEnd)
{
    const QPointF knot = centre + QPointF(0, radius * 1.2);
    QPainterPath string(knot);
    string.cubicTo(knot + QPointF(radius * 0.4, (stringEnd.y() - knot.y()) * 0.3),
                   stringEnd + QPointF(-radius * 0.4, -(stringEnd.y() - knot.y()) * 0.3), stringEnd);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Stroke(Tint(colour, -0.35), 3));
    painter.drawPath(string);

    painter.setPen(Qt::NoPen);
    painter.setBrush(Tint(colour, -0.15));
    painter.drawPolygon(QPolygonF({knot + QPointF(0, -6), knot + QPointF(-radius * 0.1, radius * 0.12),
                                   knot + QPointF(radius * 0.1, radius * 0.12)}));
    painter.setBrush(Gloss(centre, radius, colour));
    painter.drawEllipse(centre, radius, radius * 1.2);
    // The shine of the skin, a bent stroke near the upper left.
    painter.setPen(Stroke(QColor(255, 255, 255, 150), radius * 0.1));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(centre.x() - radius * 0.7, centre.y() - radius * 0.85, radius * 1.4, radius * 1.7),
                    105 * 16, 50 * 16);
}

void DrawPennant(QPainter& painter, QPointF left, QPointF right, double depth, const QColor& colour)
{
    const QPointF middle = (left + right) / 2, line = right - left;
    const double length = std::hypot(line.x(), line.y());
    const QPointF down = QPointF(-line.y(), line.x()) / length;
    const QPointF tip = middle + down * depth;
    QLinearGradient shade(middle, tip);
    shade.setColorAt(0, colour);
    shade.setColorAt(1, Tint(colour, -0.2));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawPolygon(QPolygonF({left, right, tip}));
}

void DrawSnowflake(QPainter& painter, QPointF centre, double radius, const QColor& colour)
{
    painter.setPen(Stroke(colour, radius * 0.09));
    for (int arm = 0; arm < 6; ++arm) {
        const double angle = arm * 60 - 90;
        painter.drawLine(centre, Polar(centre, radius, angle));
        for (const double along : {0.45, 0.72}) {
            const QPointF base = Polar(centre, radius * along, angle);
            const double branch = radius * (0.85 - along) * 0.75;
            painter.drawLine(base, Polar(base, branch, angle - 45));
            painter.drawLine(base, Polar(base, branch, angle + 45));
        }
    }
}

void DrawLeaf(QPainter& painter, QPointF stem, double length, double degrees, const QColor& colour)
{
    QPainterPath leaf(QPointF(0, 0));
    leaf.quadTo(length * 0.45, -length * 0.34, length, 0);
    leaf.quadTo(length * 0.45, length * 0.34, 0, 0);
    QLinearGradient shade(0, -length * 0.2, 0, length * 0.2);
    shade.setColorAt(0, Tint(colour, 0.2));
    shade.setColorAt(1, Tint(colour, -0.15));
    FillTurned(painter, leaf, stem, degrees, shade);
    QTransform turn;
    turn.translate(stem.x(), stem.y());
    turn.rotate(degrees);
    painter.setPen(Stroke(Tint(colour, 0.35), length * 0.04));
    painter.drawLine(turn.map(QLineF(length * 0.08, 0, length * 0.8, 0)));
}

void DrawHollyLeaf(QPainter& painter, QPointF stem, double length, double degrees, const QColor& colour)
{
    // Points alternate between the spikes and the hollows of each edge.
    constexpr int kSpikes = 4;
    QPolygonF outline;
    outline << QPointF(0, 0);
    for (int side : {-1, 1}) {
        for (int i = 1; i <= 2 * kSpikes; ++i) {
            const int k = side < 0 ? i : 2 * kSpikes - i;
            const double x = length * k / (2.0 * kSpikes);
            const double width = length * 0.3 * std::sin(std::numbers::pi * x / length);
            outline << QPointF(x, side * width * (k % 2 ? 1.25 : 0.7));
        }
        if (side < 0)
            outline << QPointF(length, 0);
    }
    QPainterPath leaf;
    leaf.addPolygon(outline);
    leaf.closeSubpath();
    QLinearGradient shade(0, -length * 0.3, 0, length * 0.3);
    shade.setColorAt(0, Tint(colour, 0.25));
    shade.setColorAt(1, Tint(colour, -0.2));
    FillTurned(painter, leaf, stem, degrees, shade);
    // A dark rim and a light vein keep overlapping leaves apart.
    QTransform turn;
    turn.translate(stem.x(), stem.y());
    turn.rotate(degrees);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Stroke(Tint(colour, -0.45), 3));
    painter.drawPath(turn.map(leaf));
    painter.setPen(Stroke(Tint(colour, 0.4), length * 0.025));
    painter.drawLine(turn.map(QLineF(length * 0.05, 0, length * 0.85, 0)));
}

void DrawBerry(QPainter& painter, QPointF centre, double radius, const QColor& colour)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(Gloss(centre, radius, colour));
    painter.drawEllipse(centre, radius, radius);
}

void DrawBauble(QPainter& painter, QPointF centre, double radius, const QColor& colour, const QColor& cap)
{
    const QRectF capBox(centre.x() - radius * 0.22, centre.y() - radius * 1.12, radius * 0.44, radius * 0.22);
    painter.setPen(Stroke(cap, 4));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(centre.x(), capBox.top() - 7), 7, 7);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Gloss(centre, radius, colour));
    painter.drawEllipse(centre, radius, radius);
    // A band of the cap's colour round the middle.
    painter.setPen(Stroke(QColor(cap.red(), cap.green(), cap.blue(), 200), radius * 0.08));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(centre.x() - radius, centre.y() - radius * 0.3, radius * 2, radius * 0.6), 180 * 16,
                    180 * 16);
    QLinearGradient metal(capBox.topLeft(), capBox.topRight());
    metal.setColorAt(0, Tint(cap, -0.2));
    metal.setColorAt(0.5, Tint(cap, 0.5));
    metal.setColorAt(1, Tint(cap, -0.2));
    painter.setPen(Qt::NoPen);
    painter.setBrush(metal);
    painter.drawRoundedRect(capBox, 3, 3);
}

void DrawCloud(QPainter& painter, QPointF centre, double width, const QColor& colour)
{
    const double h = width * 0.32;
    QPainterPath cloud;
    cloud.addRoundedRect(QRectF(centre.x() - width / 2, centre.y(), width, h * 0.55), h * 0.27, h * 0.27);
    cloud.addEllipse(QPointF(centre.x() - width * 0.24, centre.y() + h * 0.12), h * 0.42, h * 0.42);
    cloud.addEllipse(QPointF(centre.x() + width * 0.02, centre.y() - h * 0.05), h * 0.62, h * 0.62);
    cloud.addEllipse(QPointF(centre.x() + width * 0.27, centre.y() + h * 0.12), h * 0.38, h * 0.38);
    cloud = cloud.simplified();
    QLinearGradient shade(centre + QPointF(0, -h * 0.7), centre + QPointF(0, h * 0.6));
    shade.setColorAt(0, colour);
    shade.setColorAt(1, Tint(colour, -0.08));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawPath(cloud);
}

void DrawCrescent(QPainter& painter, QPointF centre, double radius, const QColor& colour)
{
    QPainterPath disc, bite;
    disc.addEllipse(centre, radius, radius);
    bite.addEllipse(centre + QPointF(radius * 0.42, -radius * 0.2), radius * 0.86, radius * 0.86);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Gloss(centre, radius, colour));
    painter.drawPath(disc.subtracted(bite));
}

void DrawSun(QPainter& painter, QPointF centre, double radius, const QColor& colour)
{
    painter.setPen(Stroke(Tint(colour, 0.1), radius * 0.09));
    for (int ray = 0; ray < 16; ++ray) {
        const double angle = ray * 22.5;
        const double reach = ray % 2 ? 1.45 : 1.7;
        painter.drawLine(Polar(centre, radius * 1.2, angle), Polar(centre, radius * reach, angle));
    }
    painter.setPen(Qt::NoPen);
    QRadialGradient glow(centre, radius);
    glow.setColorAt(0, Tint(colour, 0.5));
    glow.setColorAt(1, colour);
    painter.setBrush(glow);
    painter.drawEllipse(centre, radius, radius);
}

void DrawRings(QPainter& painter, QPointF centre, double radius, const QColor& colour)
{
    painter.setBrush(Qt::NoBrush);
    for (const double side : {-0.6, 0.6}) {
        const QPointF ring = centre + QPointF(side * radius, 0);
        QLinearGradient metal(ring + QPointF(-radius, -radius), ring + QPointF(radius, radius));
        metal.setColorAt(0, Tint(colour, 0.55));
        metal.setColorAt(0.5, colour);
        metal.setColorAt(1, Tint(colour, -0.3));
        painter.setPen(QPen(QBrush(metal), radius * 0.16));
        painter.drawEllipse(ring, radius, radius);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(Tint(colour, 0.7));
    painter.drawPath(StarPath(centre + QPointF(-0.6 * radius, -radius), radius * 0.3, 4, 0.3));
}

void DrawPaperPlane(QPainter& painter, QPointF nose, double length, double degrees, const QColor& colour)
{
    // Two wings meeting at the nose, the far one in shade.
    const QPainterPath nearWing = [&] {
        QPainterPath wing;
        wing.addPolygon(QPolygonF({{0, 0}, {-length, -length * 0.45}, {-length * 0.72, length * 0.05}}));
        wing.closeSubpath();
        return wing;
    }();
    const QPainterPath farWing = [&] {
        QPainterPath wing;
        wing.addPolygon(QPolygonF({{0, 0}, {-length * 0.72, length * 0.05}, {-length * 0.62, length * 0.3}}));
        wing.closeSubpath();
        return wing;
    }();
    FillTurned(painter, farWing, nose, degrees, Tint(colour, -0.25));
    FillTurned(painter, nearWing, nose, degrees, colour);
}

void DrawCornerScroll(QPainter& painter, QPointF corner, double size, int dx, int dy, const QColor& colour)
{
    QTransform place;
    place.translate(corner.x(), corner.y());
    place.scale(dx, dy);
    // One curl along each edge, mirrored about the corner's diagonal.
    QPainterPath curl(QPointF(0, 0));
    curl.cubicTo(size * 0.5, 0, size * 0.9, size * 0.05, size, size * 0.3);
    curl.cubicTo(size * 1.05, size * 0.5, size * 0.8, size * 0.6, size * 0.68, size * 0.45);
    curl.cubicTo(size * 0.6, size * 0.35, size * 0.7, size * 0.26, size * 0.8, size * 0.3);
    QTransform mirror(0, 1, 1, 0, 0, 0);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Stroke(colour, size * 0.05));
    painter.drawPath(place.map(curl));
    painter.drawPath(place.map(mirror.map(curl)));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(place.map(QPointF(size * 0.28, size * 0.28)), size * 0.07, size * 0.07);
}
