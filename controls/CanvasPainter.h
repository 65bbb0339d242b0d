// Widgets that draw with the image core (PxImage::Draw, which stretches,
// blends alpha and skips keyed colours) draw onto a 24-bit canvas of the
// drawing layer and show it through QPainter, so that the pixels on screen
// are the ones the image core computed.
#pragma once

#include <functional>

#include <QPainter>
#include <QRect>

#include "platform/MemoryCanvas.h"

// A canvas the size of area, zeroed (black), is handed to draw in its own
// device coordinates and then copied onto area. With a scale, the canvas has
// that many pixels per pixel of area (a skin's doubled picture, for a dense
// screen).
void PaintOnCanvas(QPainter& painter, const QRect& area, const std::function<void(MemoryCanvas&)>& draw,
                   int scale = 1);
