#include "bars/CardPrint.h"

#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "app/BitmapImage.h"
#include "app/LumivexDoc.h"
#include "model/ImageEx.h"

int CardPrintResolution(const CLumivexDoc& document)
{
    constexpr int kTemplateResolution = 300;
    const auto* frame = dynamic_cast<const ImageEx*>(document.Card().GetFrame());
    const int dpi = frame ? frame->m_imgSrc.GetXDPI() : 0;
    return dpi >= 150 ? dpi : kTemplateResolution;
}

bool PrintCardBitmap(QPrinter& printer, const Bitmap& card, int dpi)
{
    if (card.Width() <= 0 || card.Height() <= 0 || dpi <= 0)
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // The card's size on paper in the printer's own dots, shrunk to the page.
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = double(printer.resolution()) / dpi;
    QSizeF size(card.Width() * scale, card.Height() * scale);
    if (size.width() > page.width() || size.height() > page.height())
        size.scale(page.size(), Qt::KeepAspectRatio);
    const QRect target(QPoint(int((page.width() - size.width()) / 2), int((page.height() - size.height()) / 2)),
                       size.toSize());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    DrawBitmap(painter, target, card, QRect(0, 0, card.Width(), card.Height()));
    return painter.end();
}

bool PrintCardWithDialog(QWidget* parent, CLumivexDoc& document)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    HBITMAP card = document.RenderCardBitmap();
    const bool printed = card && PrintCardBitmap(printer, *card, CardPrintResolution(document));
    if (!printed)
        QMessageBox::warning(parent, QStringLiteral("Orvantis"),
                             card ? QStringLiteral("The card could not be printed.")
                                  : QStringLiteral("The card could not be rendered at full resolution (not enough memory?)."));
    if (card)
        DeleteObject(card);
    return printed;
}
