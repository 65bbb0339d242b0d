// The button icons of the skin set: line drawings on a 24-unit grid, scaled
// to the box they are painted into, so the 26-pixel main-bar icons and the
// 16-pixel lower-bar icons share one drawing.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

struct IconInk {
    QColor line;    // strokes
    QColor accent;  // the one warm detail of an icon (a plus, the sun, a window)
};

using Icon = void (*)(QPainter&, const IconInk&);

// Paints the icon into the box (square) with strokes of 1.8 grid units.
void PaintIcon(QPainter& painter, Icon icon, const QRectF& box, const IconInk& ink);

namespace icons {
void NewCard(QPainter&, const IconInk&);
void Disk(QPainter&, const IconInk&);
void Landscape(QPainter&, const IconInk&);
void Frame(QPainter&, const IconInk&);
void Letter(QPainter&, const IconInk&);
void Help(QPainter&, const IconInk&);
void ZoomIn(QPainter&, const IconInk&);
void ZoomOut(QPainter&, const IconInk&);
void Mirror(QPainter&, const IconInk&);
void Flip(QPainter&, const IconInk&);
void RotateLeft(QPainter&, const IconInk&);
void RotateRight(QPainter&, const IconInk&);
void Bin(QPainter&, const IconInk&);
void Thumbnails(QPainter&, const IconInk&);
void Import(QPainter&, const IconInk&);
void AlignLeft(QPainter&, const IconInk&);
void AlignCentre(QPainter&, const IconInk&);
void AlignRight(QPainter&, const IconInk&);
void TextOutline(QPainter&, const IconInk&);
void TextShadow(QPainter&, const IconInk&);
}  // namespace icons
