#include "app/BitmapImage.h"

QImage BitmapImage(const Bitmap& dib)
{
    if (dib.header.biBitCount != 24 || dib.Width() <= 0 || dib.Height() <= 0 || dib.pixels.empty())
        return {};
    return QImage(dib.pixels.data(), dib.Width(), dib.Height(), dib.Stride(), QImage::Format_BGR888);
}

void DrawBitmap(QPainter& painter, const QRect& target, const Bitmap& dib, const QRect& source)
{
    const QImage image = BitmapImage(dib);
    if (image.isNull() || target.isEmpty() || source.isEmpty())
        return;
    const QRect inside = source.intersected(image.rect());
    if (inside.isEmpty())
        return;
    // Shrink the target with the part of the source that was cut away, so
    // the pixels that remain land where the whole copy would have put them.
    const double sx = double(target.width()) / source.width();
    const double sy = double(target.height()) / source.height();
    const QRectF to(target.left() + (inside.left() - source.left()) * sx,
                    target.top() + (inside.top() - source.top()) * sy, inside.width() * sx, inside.height() * sy);
    // In the upside-down image the source's top-down rows y .. y + h - 1
    // are rows H - y - h .. H - y - 1.
    const QRect from(inside.left(), image.height() - inside.top() - inside.height(), inside.width(), inside.height());
    painter.save();
    painter.translate(0, to.top() + to.bottom());
    painter.scale(1, -1);
    painter.drawImage(QRectF(to.left(), to.top(), to.width(), to.height()), image, from);
    painter.restore();
}
