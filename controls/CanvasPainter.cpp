#include "controls/CanvasPainter.h"

#include "app/BitmapImage.h"

void PaintOnCanvas(QPainter& painter, const QRect& area, const std::function<void(MemoryCanvas&)>& draw)
{
    if (area.isEmpty())
        return;
    MemoryCanvas canvas(area.width(), area.height());
    if (!canvas.IsValid())
        return;
    draw(canvas);
    DrawBitmap(painter, area, *canvas.Bitmap(), QRect(QPoint(0, 0), area.size()));
}
