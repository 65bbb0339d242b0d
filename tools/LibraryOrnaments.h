// Single ornaments of the template library, drawn antialiased at a centre
// and size in card pixels. Strokes are at least 3 pixels wide so that they
// survive the card's fast downscale on screen.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>

#include "tools/LibraryDesigns.h"

QPainterPath WindowPath(const PhotoWindow& window);
QPainterPath StarPath(QPointF centre, double radius, int points, double innerRatio);
QPainterPath HeartPath(const QRectF& box);

// A colour moved towards white (amount > 0) or black (amount < 0), 0 to 1.
QColor Tint(const QColor& colour, double amount);

void DrawBalloon(QPainter& painter, QPointF centre, double radius, const QColor& colour, QPointF stringEnd);
void DrawPennant(QPainter& painter, QPointF left, QPointF right, double depth, const QColor& colour);
void DrawSnowflake(QPainter& painter, QPointF centre, double radius, const QColor& colour);
void DrawLeaf(QPainter& painter, QPointF stem, double length, double degrees, const QColor& colour);
void DrawHollyLeaf(QPainter& painter, QPointF stem, double length, double degrees, const QColor& colour);
void DrawBerry(QPainter& painter, QPointF centre, double radius, const QColor& colour);
void DrawBauble(QPainter& painter, QPointF centre, double radius, const QColor& colour, const QColor& cap);
void DrawCloud(QPainter& painter, QPointF centre, double width, const QColor& colour);
void DrawCrescent(QPainter& painter, QPointF centre, double radius, const QColor& colour);
void DrawSun(QPainter& painter, QPointF centre, double radius, const QColor& colour);
void DrawRings(QPainter& painter, QPointF centre, double radius, const QColor& colour);
void DrawPaperPlane(QPainter& painter, QPointF nose, double length, double degrees, const QColor& colour);
// Scrolls curling out of a corner; (dx, dy) = (+-1, +-1) point into the card.
void DrawCornerScroll(QPainter& painter, QPointF corner, double size, int dx, int dy, const QColor& colour);
