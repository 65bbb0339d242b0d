#include "controls/CanvasPainter.h"

#include "app/BitmapImage.h"

void PaintOnCanvas(QPainter& painter, const QRect& area, const std::function<void(MemoryCanvas&)>& draw, int scale)
{
    if (area.isEmpty())
        return;
    const QSize size = area.size() * scale;
    MemoryCanvas canvas(size.width(), size.height());
    if (!canvas.IsValid())
        return;
    draw(canvas);
    DrawBitmap(painter, area, *canvas.Bitmap(), QRect(QPoint(0, 0), size));
}
