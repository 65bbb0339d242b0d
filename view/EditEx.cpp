#include "view/EditEx.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include "app/BitmapImage.h"
#include "model/TextBlock.h"
#include "platform/Coordinates.h"
#include "platform/text/TextCoverage.h"
#include "platform/text/TextFont.h"
#include "platform/text/TextLines.h"
#include "view/DevicePixels.h"

namespace {

// What the drawing layer reads as line breaks, as the '\n' the editor keeps.
QString WithPlainBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QChar other : {QChar(u'\r'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator)})
        text.replace(other, QChar(u'\n'));
    return text;
}

// A key that types its text: printable, no command modifier.
bool TypesText(const QKeyEvent& event)
{
    const QString typed = event.text();
    if (typed.isEmpty() || (event.modifiers() & Qt::ControlModifier))
        return false;
    const QList<uint> points = typed.toUcs4();
    return !points.isEmpty() && QChar::isPrint(char32_t(points.front()));
}

class FontInDc {
public:
    explicit FontInDc(HFONT font) : m_dc(CreateCompatibleDC(nullptr)) { m_previous = SelectObject(m_dc, font); }
    ~FontInDc()
    {
        SelectObject(m_dc, m_previous);
        DeleteDC(m_dc);
    }
    FontInDc(const FontInDc&) = delete;
    FontInDc& operator=(const FontInDc&) = delete;
    HDC Dc() const { return m_dc; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

}  // namespace

CEditEx::CEditEx(std::function<const MemoryCanvas*()> backBuffer, std::function<void()> onDone, QWidget* parent)
    : QPlainTextEdit(parent), m_backBuffer(std::move(backBuffer)), m_onDone(std::move(onDone))
{
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(0, 0, 0, 0);
    document()->setDocumentMargin(0);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        Grow();
        viewport()->update();
    });
    connect(this, &QPlainTextEdit::cursorPositionChanged, viewport(), qOverload<>(&QWidget::update));
    connect(this, &QPlainTextEdit::selectionChanged, viewport(), qOverload<>(&QWidget::update));
    // Everything is painted from the lines' own layout: a scroll of Qt's
    // layout moves nothing on screen.
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
}

CEditEx::~CEditEx()
{
    DeleteObject(m_font);
}

void CEditEx::Prepare(const LOGFONTW& font, COLORREF colour, const TextLook& look)
{
    m_bFinishing = true;  // emptying a hidden editor ends no editing
    hide();
    m_crText = colour;
    m_look = ClampedLook(look);
    m_margins = EffectMargins(m_look);
    m_inset = QPoint(kTextMargin + m_margins.left, m_margins.top);
    DeleteObject(m_font);
    m_font = CreateFontIndirectW(&font);
    if (const auto realised = RealisedFontOf(m_font))
        setFont(realised->font);  // Qt's own caret moves over the same glyphs
    clear();
    m_block = Block(QString());
    m_bFinishing = false;
}

SIZE CEditEx::ViewSize() const
{
    return parentWidget() ? devicepixels::Size(*parentWidget()) : devicepixels::Size(*this);
}

void CEditEx::PlaceLinesAt(POINT lines)
{
    const LONG left = lines.x - m_inset.x(), top = lines.y - m_inset.y();
    PlaceAt({left, top, ViewSize().cx, top + m_inset.y() + m_block.cy + m_margins.bottom});
}

void CEditEx::PlaceAt(const RECT& rect)
{
    m_placement = rect;
    // The widget covers the placement's device pixels, shown a line right
    // and down as the composition is; where a widget pixel holds several
    // device pixels, the placement starts m_shift inside the widget.
    const qreal ratio = devicePixelRatioF();
    const LONG line = devicepixels::Length(*this, 1);
    const QPointF corner(rect.left + line, rect.top + line);
    const QRect widget = QRectF(corner / ratio, QSizeF(rect.right - rect.left, rect.bottom - rect.top) / ratio)
                             .toAlignedRect();
    m_shift = corner - QPointF(widget.topLeft()) * ratio;
    setGeometry(widget);
}

QPoint CEditEx::PlacementPoint(const QPointF& position) const
{
    const qreal ratio = devicePixelRatioF();
    return QPoint(int(std::floor(position.x() * ratio - m_shift.x())),
                  int(std::floor(position.y() * ratio - m_shift.y())));
}

QRect CEditEx::PlacementRect(const QRect& widgetRect) const
{
    const qreal ratio = devicePixelRatioF();
    return QRectF(QPointF(widgetRect.topLeft()) * ratio - m_shift, QSizeF(widgetRect.size()) * ratio).toAlignedRect();
}

POINT CEditEx::GetLinesOrigin() const
{
    return {m_placement.left + m_inset.x(), m_placement.top + m_inset.y()};
}

LOGFONTW CEditEx::GetLogFont() const
{
    LOGFONTW font{};
    if (m_font)
        GetObjectW(m_font, sizeof(font), &font);
    return font;
}

void CEditEx::setText(const QString& text)
{
    setPlainText(WithPlainBreaks(text));
}

SIZE CEditEx::Block(const QString& text) const
{
    if (!m_font)
        return {};
    FontInDc dc(m_font);
    return MeasureTextBlock(dc.Dc(), text.toStdU16String());
}

LONG CEditEx::LineWidth(const QString& line) const
{
    return line.isEmpty() ? 0 : Block(line).cx;
}

int CEditEx::LineLeft(LONG lineWidth) const
{
    // A single line stands at the box's corner, as on the card.
    if (document()->blockCount() < 2 || m_look.align == TextAlign::Left)
        return m_inset.x();
    const LONG spare = m_block.cx - lineWidth;
    return m_inset.x() + int(m_look.align == TextAlign::Centre ? spare / 2 : spare);
}

bool CEditEx::Fits(const QString& text) const
{
    const SIZE now = m_block, then = Block(text);
    const LONG room = parentWidget() ? ViewSize().cy - m_placement.top - m_inset.y() - m_margins.bottom : then.cy;
    const bool across = m_inset.x() + then.cx <= m_placement.right - m_placement.left || then.cx <= now.cx;
    const bool down = then.cy <= room || then.cy <= now.cy;
    return across && down;
}

QString CEditEx::WithSelectionReplaced(const QString& inserted) const
{
    const QTextCursor cursor = textCursor();
    QString result = toPlainText();
    return result.replace(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart(), inserted);
}

bool CEditEx::InsertIfItFits(const QString& inserted)
{
    if (!Fits(WithSelectionReplaced(inserted)))
        return false;
    textCursor().insertText(inserted);
    return true;
}

void CEditEx::Grow()
{
    m_block = Block(toPlainText());
    RECT placement = m_placement;
    placement.bottom = placement.top + m_inset.y() + m_block.cy + m_margins.bottom;
    if (placement.bottom != m_placement.bottom)
        PlaceAt(placement);
}

namespace {

// The layout's whole text on one row, as the card draws a line.
QTextLine LayOutOneRow(QTextLayout& layout)
{
    layout.beginLayout();
    QTextLine row = layout.createLine();
    if (row.isValid())
        row.setNumColumns(int(layout.text().size()));
    layout.endLayout();
    return row;
}

}  // namespace

qreal CEditEx::CursorX(const QString& line, int position) const
{
    QTextLayout layout(line, font());
    const QTextLine row = LayOutOneRow(layout);
    return row.isValid() ? row.cursorToX(position) : 0;
}

int CEditEx::CursorAt(const QString& line, qreal x) const
{
    QTextLayout layout(line, font());
    const QTextLine row = LayOutOneRow(layout);
    return row.isValid() ? row.xToCursor(x, QTextLine::CursorBetweenCharacters) : 0;
}

void CEditEx::PlaceCaret(QPoint at, bool extending)
{
    const auto realised = RealisedFontOf(m_font);
    if (!realised)
        return;
    const int lines = document()->blockCount();
    const int index = std::clamp(int(std::floor(double(at.y() - m_inset.y()) / realised->lineSpacing)), 0, lines - 1);
    const QTextBlock block = document()->findBlockByNumber(index);
    const QString line = block.text();
    const int column = CursorAt(line, at.x() - LineLeft(LineWidth(line)));
    QTextCursor cursor = textCursor();
    cursor.setPosition(block.position() + column, extending ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    setTextCursor(cursor);
}

// A top-down part of a 24-bit bitmap as the screen shows it; white where
// the part lies outside the bitmap (or there is none).
QImage CEditEx::Shown(const Bitmap* bitmap, const QRect& part)
{
    QImage shown(part.size(), QImage::Format_ARGB32_Premultiplied);
    shown.fill(Qt::white);
    if (bitmap) {
        QPainter painter(&shown);
        DrawBitmap(painter, QRect(QPoint(0, 0), part.size()), *bitmap, part);
    }
    return shown;
}

void CEditEx::BackgroundChanged()
{
    m_background = QImage();
    viewport()->update();
}

QRect CEditEx::TextArea() const
{
    // The lines' cells, and the glyphs overhanging them, grown by the effects.
    RECT lines = RectAt(m_inset.x(), m_inset.y(), m_block.cx, m_block.cy);
    RECT ink = lines;
    if (m_font) {
        FontInDc dc(m_font);
        const std::u16string units = toPlainText().toStdU16String();
        GetTextInkBox(dc.Dc(), units.data(), int(units.size()), lines,
                      HasLineBreak(units) ? UINT(DT_NOCLIP) : UINT(DT_SINGLELINE | DT_NOCLIP), &ink);
    }
    return QRect(QPoint(std::min(lines.left, ink.left) - m_margins.left - 2, std::min(lines.top, ink.top) - m_margins.top - 2),
                 QPoint(std::max(lines.right, ink.right) + m_margins.right + 1,
                        std::max(lines.bottom, ink.bottom) + m_margins.bottom + 1));
}

void CEditEx::paintEvent(QPaintEvent* event)
{
    const auto realised = RealisedFontOf(m_font);
    // Only what shows of the editor is painted: a text of thousands of
    // lines makes an editor far taller than the view.
    // Everything below is in the placement's device pixels.
    const QRect visible = PlacementRect(viewport()->visibleRegion().boundingRect() & viewport()->rect());
    const QRect area = PlacementRect(event->rect()) & visible;
    const MemoryCanvas* behind = m_backBuffer ? m_backBuffer() : nullptr;
    if (area.isEmpty() || !realised)
        return;
    QPainter painter(viewport());
    devicepixels::PaintInDevicePixels(painter, *this);
    painter.translate(m_shift);
    // The composition under the editor, converted once for the editing.
    const QRect shown = visible.translated(m_placement.left, m_placement.top);
    if (m_background.isNull() || m_backgroundFrom != shown) {
        m_background = Shown(behind ? behind->Bitmap() : nullptr, shown);
        m_backgroundFrom = shown;
    }
    painter.drawImage(area, m_background, area.translated(-visible.topLeft()));
    // The text as the card draws it, on the composition under it.
    const QRect text = TextArea() & area;
    if (!text.isEmpty() && behind) {
        if (!m_canvas || m_canvas->Info().bmiHeader.biWidth != text.width() ||
            m_canvas->Info().bmiHeader.biHeight != text.height())
            m_canvas = std::make_unique<MemoryCanvas>(text.width(), text.height());
        if (m_canvas->IsValid()) {
            m_canvas->Fill(0xFF);
            BitBlt(m_canvas->Dc(), 0, 0, text.width(), text.height(), behind->Dc(), m_placement.left + text.left(),
                   m_placement.top + text.top(), SRCCOPY);
            const RECT lines = RectAt(m_inset.x() - text.left(), m_inset.y() - text.top(), m_block.cx, m_block.cy);
            HGDIOBJ previous = SelectObject(m_canvas->Dc(), m_font);
            DrawTextBlock(m_canvas->Dc(), toPlainText().toStdU16String(), m_crText, lines, m_look);
            SelectObject(m_canvas->Dc(), previous);
            DrawBitmap(painter, text, *m_canvas->Bitmap(), QRect(0, 0, text.width(), text.height()));
        }
    }

    const int spacing = realised->lineSpacing, cell = realised->Height();
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) {
        const QTextBlock first = document()->findBlock(cursor.selectionStart());
        const QTextBlock last = document()->findBlock(cursor.selectionEnd());
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        for (QTextBlock block = first; block.isValid(); block = block.next()) {
            const QString line = block.text();
            const int left = LineLeft(LineWidth(line));
            const int from = block == first ? cursor.selectionStart() - block.position() : 0;
            const int to = block == last ? cursor.selectionEnd() - block.position() : int(line.size());
            const int x0 = left + int(std::lround(CursorX(line, from)));
            const int x1 = left + int(std::lround(CursorX(line, to)));
            const int y = m_inset.y() + block.blockNumber() * spacing;
            painter.fillRect(QRect(std::min(x0, x1), y, std::abs(x1 - x0), cell), Qt::white);
            if (block == last)
                break;
        }
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (hasFocus())
        painter.fillRect(CaretRect(), QColor(GetRValue(m_crText), GetGValue(m_crText), GetBValue(m_crText)));
}

QRect CEditEx::CaretRect() const
{
    const auto realised = RealisedFontOf(m_font);
    if (!realised)
        return {};
    const QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    const QString line = block.text();
    const int x = LineLeft(LineWidth(line)) + int(std::lround(CursorX(line, cursor.positionInBlock())));
    const int cell = realised->Height();
    return QRect(x, m_inset.y() + block.blockNumber() * realised->lineSpacing, std::max(1, cell / 24), cell);
}

QVariant CEditEx::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // An input method places its candidates by the caret as painted, not by
    // Qt's own layout of the text, which the editor never shows.
    if (query != Qt::ImCursorRectangle)
        return QPlainTextEdit::inputMethodQuery(query);
    const QRect caret = CaretRect();
    const qreal ratio = devicePixelRatioF();
    return QRectF((QPointF(caret.topLeft()) + m_shift) / ratio, QSizeF(caret.size()) / ratio);
}

void CEditEx::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (event->modifiers() & Qt::ShiftModifier)
            InsertIfItFits(QStringLiteral("\n"));
        else
            hide();
        return;
    }
    if (TypesText(*event)) {
        InsertIfItFits(event->text());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CEditEx::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty() && !Fits(WithSelectionReplaced(event->commitString())))
        event->setCommitString(QString());
    QPlainTextEdit::inputMethodEvent(event);
}

void CEditEx::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    PlaceCaret(PlacementPoint(event->position()), event->modifiers() & Qt::ShiftModifier);
}

void CEditEx::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        PlaceCaret(PlacementPoint(event->position()), true);
}

void CEditEx::mouseReleaseEvent(QMouseEvent*) {}

void CEditEx::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    PlaceCaret(PlacementPoint(event->position()), false);
    QTextCursor cursor = textCursor();
    cursor.select(QTextCursor::WordUnderCursor);
    setTextCursor(cursor);
}

bool CEditEx::canInsertFromMimeData(const QMimeData* source) const
{
    return source && source->hasText();
}

void CEditEx::insertFromMimeData(const QMimeData* source)
{
    if (source && source->hasText())
        InsertIfItFits(WithPlainBreaks(source->text()));
}

void CEditEx::Finish()
{
    if (m_bFinishing)
        return;
    m_bFinishing = true;
    if (m_onDone)
        m_onDone();
    m_bFinishing = false;
}

void CEditEx::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (isVisible())
        Finish();
}

void CEditEx::hideEvent(QHideEvent* event)
{
    QPlainTextEdit::hideEvent(event);
    Finish();
}
