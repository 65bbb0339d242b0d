// The drawing layer's bitmaps as Qt sees them: a QImage over the same bytes
// (no conversion per paint), and copies of parts of a bitmap onto a QPainter.
// A DIB stores its rows bottom-up, so the QImage shows it upside down and
// every copy goes through a vertical flip.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

#include "image/PxImage.h"
#include "platform/Gdi.h"

// Valid while the bitmap lives and keeps its size; a null image for a
// bitmap that is not 24 bits per pixel or has no pixels.
QImage BitmapImage(const Bitmap& dib);

// Copies (or stretches, when the sizes differ) the source rectangle, given in
// top-down coordinates of the bitmap, onto the target rectangle: the BitBlt
// and StretchBlt of the widgets. Parts of the source outside the bitmap are
// left out of the copy.
void DrawBitmap(QPainter& painter, const QRect& target, const Bitmap& dib, const QRect& source);

// A 24-bit picture of a Qt image (a pasted one): transparent parts are laid
// on white. Empty for a null image or when memory runs out.
PxImage PictureFromImage(const QImage& image);
