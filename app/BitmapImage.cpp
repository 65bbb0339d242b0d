#include "app/BitmapImage.h"

#include <cstring>

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

PxImage PictureFromImage(const QImage& image)
{
    if (image.isNull())
        return PxImage();
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    const QImage opaque = flat.convertToFormat(QImage::Format_BGR888);
    const auto width = std::uint32_t(opaque.width()), height = std::uint32_t(opaque.height());
    PxImage picture(width, height, 24, 0);
    if (!picture.IsValid())
        return PxImage();
    // The picture's rows run bottom-up.
    for (std::uint32_t y = 0; y < height; ++y)
        std::memcpy(picture.GetBits(height - 1 - y), opaque.constScanLine(int(y)), 3 * std::size_t(width));
    return picture;
}
