#include "controls/ColourButton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

#include "controls/ColourPalette.h"

CColourButton::CColourButton(const QString& caption, QWidget* parent)
    : QAbstractButton(parent),
      m_crSwatch(QColorToColour(palette().color(QPalette::Button))),
      m_crCaption(QColorToColour(palette().color(QPalette::ButtonText)))
{
    setText(caption);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &CColourButton::OpenPalette);
}

void CColourButton::SetSelectedColour(COLORREF colour)
{
    m_crSwatch = colour;
    update();
}

void CColourButton::SetCaptionColour(COLORREF colour)
{
    m_crCaption = colour;
    update();
}

void CColourButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    constexpr int edge = 2;
    qDrawWinPanel(&painter, rect(), palette(), true);
    QRect inside = rect().adjusted(edge, edge, -edge, -edge);
    const bool showsSwatch = isEnabled() && m_crSwatch != CLR_DEFAULT;
    painter.fillRect(inside, showsSwatch ? ColourToQColor(m_crSwatch) : palette().color(QPalette::Button));

    if (!text().isEmpty()) {
        constexpr auto alignment = Qt::AlignCenter | Qt::TextSingleLine;
        if (isEnabled()) {
            painter.setPen(ColourToQColor(m_crCaption));
        } else {
            painter.setPen(palette().color(QPalette::Light));
            painter.drawText(inside.translated(1, 1), alignment, text());
            painter.setPen(palette().color(QPalette::Dark));
        }
        painter.drawText(inside, alignment, text());
    }

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inside.adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void CColourButton::OpenPalette()
{
    auto* popup = new CColourPalette(mapToGlobal(QPoint(0, height())), m_crSwatch, this, m_strAutoText,
                                     m_strMoreText);
    connect(popup, &CColourPalette::selChange, this, &CColourButton::selChange);
    connect(popup, &CColourPalette::selEndOk, this, &CColourButton::AcceptPaletteColour);
    connect(popup, &CColourPalette::selEndCancel, this, &CColourButton::CancelPalette);
    popup->show();
    emit dropDown(m_crSwatch);
}

void CColourButton::AcceptPaletteColour(COLORREF colour)
{
    const COLORREF before = m_crSwatch;
    SetSelectedColour(colour);
    emit closeUp(colour);
    emit selEndOk(colour);
    if (colour != before)
        emit selChange(colour);
}

void CColourButton::CancelPalette(COLORREF colour)
{
    SetSelectedColour(colour);
    emit closeUp(colour);
    emit selEndCancel(colour);
}
