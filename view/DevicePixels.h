// The card view and its editor work in the screen's own pixels: on a scaled
// desktop (a device pixel ratio of 1.5 or 2) the card is composed at the size
// the screen shows it and painted 1:1, and every pointer position is turned
// into those pixels. At a ratio of 1 device and widget pixels are the same.
#pragma once

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QWidget>

#include "platform/WinRecords.h"

namespace devicepixels {

// The widget's size in device pixels, rounded as Qt sizes its backing store.
inline SIZE Size(const QWidget& widget)
{
    const QSize size = widget.size() * widget.devicePixelRatioF();
    return {size.width(), size.height()};
}

// The device pixel a widget position falls in.
inline POINT Point(const QWidget& widget, const QPointF& position)
{
    const qreal ratio = widget.devicePixelRatioF();
    return {LONG(std::floor(position.x() * ratio)), LONG(std::floor(position.y() * ratio))};
}

// A length of the program's own drawing (a border line, a handle) that is
// `points` widget pixels at a ratio of 1, in whole device pixels.
inline LONG Length(const QWidget& widget, LONG points)
{
    return std::max<LONG>(1, std::lround(points * widget.devicePixelRatioF()));
}

// Makes the painter's units device pixels of the widget it paints.
inline void PaintInDevicePixels(QPainter& painter, const QWidget& widget)
{
    const qreal ratio = widget.devicePixelRatioF();
    painter.setTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
}

}  // namespace devicepixels
