#include "controls/ColourPalette.h"

#include <algorithm>

#include <QColor>
#include <QColorDialog>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>
#include <qdrawutil.h>

#include "controls/WindowPlacement.h"

const std::array<ColourTableEntry, 40> ColourTable = {{
    {RGB(0, 0, 0), "Black"},
    {RGB(165, 42, 0), "Brown"},
    {RGB(0, 64, 64), "Dark Olive Green"},
    {RGB(0, 85, 0), "Dark Green"},
    {RGB(0, 0, 94), "Dark Teal"},
    {RGB(0, 0, 139), "Dark blue"},
    {RGB(75, 0, 130), "Indigo"},
    {RGB(40, 40, 40), "Dark grey"},
    {RGB(139, 0, 0), "Dark red"},
    {RGB(255, 104, 32), "Orange"},
    {RGB(139, 139, 0), "Dark yellow"},
    {RGB(0, 147, 0), "Green"},
    {RGB(56, 142, 142), "Teal"},
    {RGB(0, 0, 255), "Blue"},
    {RGB(123, 123, 192), "Blue-grey"},
    {RGB(102, 102, 102), "Grey - 40"},
    {RGB(255, 0, 0), "Red"},
    {RGB(255, 173, 91), "Light orange"},
    {RGB(50, 205, 50), "Lime"},
    {RGB(60, 179, 113), "Sea green"},
    {RGB(127, 255, 212), "Aqua"},
    {RGB(125, 158, 192), "Light blue"},
    {RGB(128, 0, 128), "Violet"},
    {RGB(127, 127, 127), "Grey - 50"},
    {RGB(255, 192, 203), "Pink"},
    {RGB(255, 215, 0), "Gold"},
    {RGB(255, 255, 0), "Yellow"},
    {RGB(0, 255, 0), "Bright green"},
    {RGB(64, 224, 208), "Turquoise"},
    {RGB(192, 255, 255), "Skyblue"},
    {RGB(72, 0, 72), "Plum"},
    {RGB(192, 192, 192), "Light grey"},
    {RGB(255, 228, 225), "Rose"},
    {RGB(210, 180, 140), "Tan"},
    {RGB(255, 255, 224), "Light yellow"},
    {RGB(152, 251, 152), "Pale green "},
    {RGB(175, 238, 238), "Pale turquoise"},
    {RGB(104, 131, 139), "Pale blue"},
    {RGB(230, 230, 250), "Lavender"},
    {RGB(255, 255, 255), "White"},
}};

QColor ColourToQColor(COLORREF colour)
{
    if (colour == CLR_DEFAULT)
        return Qt::black;
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

COLORREF QColorToColour(const QColor& colour)
{
    return RGB(BYTE(colour.red()), BYTE(colour.green()), BYTE(colour.blue()));
}

// ---------------------------------------------------------------------------

PaletteGeometry::PaletteGeometry(int margin, int boxSize, QSize textSize, bool hasAuto, bool hasMore)
    : m_nMargin(margin), m_nBoxSize(boxSize), m_bAuto(hasAuto), m_bMore(hasMore)
{
    const int textWidth = textSize.width() + 2 * margin;
    const int textHeight = textSize.height() + 4 * margin + 2;
    int width = kColumns * boxSize + 2 * margin;
    int height = kRows * boxSize + 2 * margin;
    if (hasAuto) {
        width = std::max(width, textWidth);
        m_rcAuto = QRect(margin, margin, width - 2 * margin, textHeight + margin);
        height += textHeight + 3 * margin;
    }
    if (hasMore) {
        width = std::max(width, textWidth);
        m_rcMore = QRect(margin, height, width - 2 * margin, textHeight + margin);
        height += textHeight + 3 * margin;
    }
    m_windowSize = QSize(width, height);
}

int PaletteGeometry::CellTop() const
{
    return m_nMargin + (m_bAuto ? m_rcAuto.height() + m_nMargin : 0);
}

QRect PaletteGeometry::EntryRect(int entry) const
{
    if (entry == ENTRY_AUTO)
        return m_rcAuto;
    if (entry == ENTRY_MORE)
        return m_rcMore;
    if (entry < 0 || entry >= int(ColourTable.size()))
        return {};
    return QRect(entry % kColumns * m_nBoxSize + m_nMargin, entry / kColumns * m_nBoxSize + CellTop(),
                 m_nBoxSize, m_nBoxSize);
}

int PaletteGeometry::EntryAt(QPoint client) const
{
    if (m_bMore && m_rcMore.contains(client))
        return ENTRY_MORE;
    if (m_bAuto && m_rcAuto.contains(client))
        return ENTRY_AUTO;
    const int x = client.x() - m_nMargin;
    const int y = client.y() - CellTop();
    if (x < 0 || y < 0 || x >= kColumns * m_nBoxSize)
        return ENTRY_NONE;
    const int cell = y / m_nBoxSize * kColumns + x / m_nBoxSize;
    return cell < int(ColourTable.size()) ? cell : ENTRY_NONE;
}

int PaletteGeometry::NextEntry(int entry, int key) const
{
    constexpr int first = 0;
    constexpr int last = int(std::tuple_size_v<decltype(ColourTable)>) - 1;
    const bool isCell = entry >= 0 && entry <= last;
    const int row = isCell ? entry / kColumns : -1;
    const int column = isCell ? entry % kColumns : -1;
    const auto cellAt = [](int r, int c) {
        const int cell = r * kColumns + c;
        return r >= 0 && c >= 0 && c < kColumns && cell <= last ? cell : ENTRY_NONE;
    };

    // From "Automatic", Down and Right lead into the table and Up and Left
    // out of it; "More Colours..." mirrors that from below.
    const bool forward = key == Qt::Key_Down || key == Qt::Key_Right;
    if (entry == ENTRY_AUTO)
        return forward ? first : MoreOr(last);
    if (entry == ENTRY_MORE)
        return forward ? AutoOr(first) : last;

    int next = ENTRY_NONE;
    switch (key) {
    case Qt::Key_Down:
        next = cellAt(row + 1, column);
        return next != ENTRY_NONE ? next : MoreOr(AutoOr(first));
    case Qt::Key_Right:
        next = column < kColumns - 1 ? cellAt(row, column + 1) : cellAt(row + 1, 0);
        return next != ENTRY_NONE ? next : MoreOr(AutoOr(first));
    case Qt::Key_Up:
        return row > 0 ? cellAt(row - 1, column) : AutoOr(MoreOr(last));
    case Qt::Key_Left:
        if (column > 0)
            return cellAt(row, column - 1);
        return row > 0 ? cellAt(row - 1, kColumns - 1) : AutoOr(MoreOr(last));
    default:
        return entry;
    }
}

QRect PlacePalette(QRect window, int buttonHeight, const QRect& screen)
{
    if (window.right() > screen.right())
        window.moveRight(screen.right());
    if (window.left() < screen.left())
        window.moveLeft(screen.left());
    if (window.bottom() > screen.bottom())
        window.translate(0, -(window.height() + buttonHeight));
    return window;
}

// ---------------------------------------------------------------------------

namespace {

QSize LargerTextSize(const QFontMetrics& metrics, const QString& first, const QString& second)
{
    QSize size;
    for (const QString& text : {first, second})
        if (!text.isEmpty())
            size = size.expandedTo(QSize(metrics.horizontalAdvance(text), metrics.height()));
    return size;
}

int ChosenEntry(COLORREF colour, bool hasAuto, bool hasMore)
{
    if (colour == CLR_DEFAULT && hasAuto)
        return ENTRY_AUTO;
    const auto found = std::find_if(ColourTable.begin(), ColourTable.end(),
                                    [colour](const ColourTableEntry& entry) { return entry.crColour == colour; });
    if (found != ColourTable.end())
        return int(found - ColourTable.begin());
    return hasMore ? ENTRY_MORE : ENTRY_NONE;
}

}  // namespace

CColourPalette::CColourPalette(QPoint bottomLeft, COLORREF colour, QWidget* button, const QString& autoText,
                               const QString& moreText)
    : QWidget(button, Qt::Popup | Qt::FramelessWindowHint),
      m_strAutoText(autoText),
      m_strMoreText(moreText),
      m_crInitial(colour),
      m_crCurrent(colour),
      m_geometry(kMargin, kBoxSize, LargerTextSize(fontMetrics(), autoText, moreText), !autoText.isEmpty(),
                 !moreText.isEmpty()),
      m_nChosen(ChosenEntry(colour, !autoText.isEmpty(), !moreText.isEmpty()))
{
    setMouseTracking(true);
    const QRect below(bottomLeft, m_geometry.WindowSize());
    setGeometry(PlatformPlacesWindows()
                    ? below
                    : PlacePalette(below, button->height(), button->screen()->availableGeometry()));
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            EndSelection(false);
    });
}

bool CColourPalette::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int entry = m_geometry.EntryAt(help->pos());
    if (entry >= 0)
        QToolTip::showText(help->globalPos(), QString::fromLatin1(ColourTable[entry].szName), this,
                           m_geometry.EntryRect(entry));
    else
        QToolTip::hideText();
    return true;
}

void CColourPalette::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // A highlight change repaints two entries; only what the region touches is drawn.
    const auto paintIfTouched = [&](int entry, auto paint) {
        if (event->region().intersects(m_geometry.EntryRect(entry)))
            paint(entry);
    };
    if (m_geometry.HasAuto())
        paintIfTouched(ENTRY_AUTO, [&](int entry) { PaintTextBox(painter, entry, m_strAutoText); });
    for (int cell = 0; cell < int(ColourTable.size()); ++cell)
        paintIfTouched(cell, [&](int entry) { PaintCell(painter, entry); });
    if (m_geometry.HasMore())
        paintIfTouched(ENTRY_MORE, [&](int entry) { PaintTextBox(painter, entry, m_strMoreText); });
    qDrawWinPanel(&painter, rect(), palette(), false);
}

void CColourPalette::PaintEntryEdge(QPainter& painter, int entry, const QRect& box) const
{
    if (entry == m_nHot)
        qDrawShadePanel(&painter, box, palette(), false, 1);
    else if (entry == m_nChosen)
        qDrawShadePanel(&painter, box, palette(), true, 1);
}

void CColourPalette::PaintCell(QPainter& painter, int entry) const
{
    const QRect cell = m_geometry.EntryRect(entry);
    const bool marked = entry == m_nChosen && entry != m_nHot;
    painter.fillRect(cell, palette().color(marked ? QPalette::Light : QPalette::Button));
    PaintEntryEdge(painter, entry, cell);

    const QRect swatch = cell.adjusted(kMargin + 1, kMargin + 1, -(kMargin + 1), -(kMargin + 1));
    painter.fillRect(swatch, ColourToQColor(ColourTable[entry].crColour));
    painter.setPen(palette().color(QPalette::Dark));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}

void CColourPalette::PaintTextBox(QPainter& painter, int entry, const QString& text) const
{
    QRect box = m_geometry.EntryRect(entry);
    if (entry == ENTRY_MORE) {
        // An etched line parts the box from the cells above it.
        const int left = box.left() + 2 * kMargin;
        const int right = left + box.width() - 4 * kMargin - 1;
        box.setTop(box.top() + 2 * kMargin);
        painter.fillRect(box, palette().color(QPalette::Button));
        const int line = m_geometry.EntryRect(entry).top();
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(left, line, right, line);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(left, line + 1, right, line + 1);
    } else {
        painter.fillRect(box, palette().color(QPalette::Button));
    }

    box.adjust(1, 1, -1, -1);
    const bool marked = entry == m_nChosen && entry != m_nHot;
    painter.fillRect(box, palette().color(marked ? QPalette::Midlight : QPalette::Button));
    if (entry == ENTRY_AUTO) {
        painter.setPen(palette().color(QPalette::Dark));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(2 * kMargin, 2 * kMargin, -2 * kMargin - 1, -2 * kMargin - 1));
    }
    PaintEntryEdge(painter, entry, box);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void CColourPalette::ChangeHighlight(int entry)
{
    update(m_geometry.EntryRect(m_nHot));
    m_nHot = entry;
    update(m_geometry.EntryRect(m_nHot));
    if (entry == ENTRY_MORE) {
        emit selChange(m_crInitial);
        return;
    }
    m_crCurrent = entry == ENTRY_AUTO ? CLR_DEFAULT : ColourTable[entry].crColour;
    emit selChange(m_crCurrent);
}

void CColourPalette::mouseMoveEvent(QMouseEvent* event)
{
    const int entry = m_geometry.EntryAt(event->position().toPoint());
    if (entry != ENTRY_NONE && entry != m_nHot)
        ChangeHighlight(entry);
}

void CColourPalette::mousePressEvent(QMouseEvent* event)
{
    // A popup closes itself on a press outside; this one waits for the release.
    event->accept();
}

void CColourPalette::mouseReleaseEvent(QMouseEvent* event)
{
    EndSelection(rect().contains(event->position().toPoint()));
}

void CColourPalette::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        EndSelection(true);
        return;
    case Qt::Key_Escape:
        EndSelection(false);
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        ChangeHighlight(m_geometry.NextEntry(m_nHot, event->key()));
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CColourPalette::closeEvent(QCloseEvent* event)
{
    // Closed from outside (the window system, the application losing the
    // focus): that ends the selection as a cancellation.
    EndSelection(false);
    QWidget::closeEvent(event);
}

void CColourPalette::EndSelection(bool confirmed)
{
    // The colour dialog's nested event loop may bring a second ending.
    if (m_bEnded)
        return;
    m_bEnded = true;
    hide();
    if (confirmed && m_nHot == ENTRY_MORE) {
        const QColor chosen = QColorDialog::getColor(ColourToQColor(m_crInitial), parentWidget());
        if (chosen.isValid())
            m_crCurrent = QColorToColour(chosen);
        else
            confirmed = false;
    }
    if (!confirmed)
        m_crCurrent = m_crInitial;
    if (confirmed)
        emit selEndOk(m_crCurrent);
    else
        emit selEndCancel(m_crCurrent);
    deleteLater();
}
