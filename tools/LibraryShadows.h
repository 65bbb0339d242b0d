// The shadows of the library's photo windows: the raised mat round each
// window darkens the card beside it and the photo below its edge.
#pragma once

#include <QImage>

#include "tools/LibraryDesigns.h"

// Darkens the RGB32 frame below and right of each window grown by matWidth.
void CastDropShadows(QImage& frame, const Design& design, double matWidth);

// The frame's Grayscale8 mask: 255 where the frame shows, 0 in the windows,
// grey inside their upper left edges where the mat's shadow falls on the photo.
QImage PaintWindowMask(const Design& design);
