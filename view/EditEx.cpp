#include "view/EditEx.h"

#include <QKeyEvent>
#include <QPainter>
#include <QValidator>

#include "app/BitmapImage.h"
#include "platform/text/TextFont.h"

namespace {

// Refuses what would not fit into the editor's width.
class WidthValidator : public QValidator {
public:
    explicit WidthValidator(std::function<bool(const QString&)> fits, QObject* parent)
        : QValidator(parent), m_fits(std::move(fits))
    {
    }
    State validate(QString& input, int&) const override { return m_fits(input) ? Acceptable : Invalid; }

private:
    std::function<bool(const QString&)> m_fits;
};

}  // namespace

CEditEx::CEditEx(std::function<const MemoryCanvas*()> backBuffer, std::function<void()> onDone, QWidget* parent)
    : QLineEdit(parent), m_backBuffer(std::move(backBuffer)), m_onDone(std::move(onDone))
{
    setFrame(false);
    setTextMargins(0, 0, 0, 0);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setValidator(new WidthValidator([this](const QString& text) { return Fits(text); }, this));
    connect(this, &QLineEdit::textChanged, this, [this] { update(); });
    connect(this, &QLineEdit::cursorPositionChanged, this, [this] { update(); });
    connect(this, &QLineEdit::selectionChanged, this, [this] { update(); });
}

CEditEx::~CEditEx()
{
    DeleteObject(m_font);
}

LONG CEditEx::Prepare(const LOGFONTW& font, COLORREF colour)
{
    m_bFinishing = true;  // emptying a hidden editor ends no editing
    hide();
    clear();
    m_bFinishing = false;
    m_crText = colour;
    DeleteObject(m_font);
    m_font = CreateFontIndirectW(&font);
    if (const auto realised = RealisedFontOf(m_font))
        setFont(realised->font);  // caret placement by the mouse follows the same glyphs
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, m_font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, u"A", 1, &extent);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return extent.cy;
}

void CEditEx::PlaceAt(const RECT& rect)
{
    m_placement = rect;
    setGeometry(rect.left + 1, rect.top + 1, rect.right - rect.left, rect.bottom - rect.top);
}

LOGFONTW CEditEx::GetLogFont() const
{
    LOGFONTW font{};
    if (m_font)
        GetObjectW(m_font, sizeof(font), &font);
    return font;
}

LONG CEditEx::Extent(const QString& text) const
{
    if (!m_font || text.isEmpty())
        return 0;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, m_font);
    SIZE extent{};
    const std::u16string units = text.toStdU16String();
    GetTextExtentPoint32W(dc, units.data(), int(units.size()), &extent);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return extent.cx;
}

bool CEditEx::Fits(const QString& text) const
{
    return kTextMargin + Extent(text) <= width();
}

void CEditEx::paintEvent(QPaintEvent*)
{
    const LONG w = width(), h = height();
    MemoryCanvas canvas(w, h);
    if (!canvas.IsValid())
        return;
    canvas.Fill(0xFF);
    // The composition under the editor, then the text as the card draws it.
    if (const MemoryCanvas* behind = m_backBuffer ? m_backBuffer() : nullptr)
        BitBlt(canvas.Dc(), 0, 0, w, h, behind->Dc(), m_placement.left, m_placement.top, SRCCOPY);
    const std::u16string units = text().toStdU16String();
    HGDIOBJ previous = SelectObject(canvas.Dc(), m_font);
    SetTextColor(canvas.Dc(), m_crText);
    SetBkMode(canvas.Dc(), TRANSPARENT);
    RECT box{kTextMargin, 0, w, h};
    DrawTextW(canvas.Dc(), units.data(), int(units.size()), &box, DT_SINGLELINE | DT_NOCLIP);
    SelectObject(canvas.Dc(), previous);

    QPainter painter(this);
    DrawBitmap(painter, rect(), *canvas.Bitmap(), QRect(0, 0, w, h));
    const QColor ink(GetRValue(m_crText), GetGValue(m_crText), GetBValue(m_crText));
    if (hasSelectedText()) {
        const int from = kTextMargin + Extent(text().left(selectionStart()));
        const int to = kTextMargin + Extent(text().left(selectionStart() + selectedText().size()));
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(QRect(from, 0, to - from, h), Qt::white);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (hasFocus()) {
        const int x = kTextMargin + Extent(text().left(cursorPosition()));
        painter.fillRect(QRect(x, 0, std::max(1, int(h / 24)), h), ink);
    }
}

void CEditEx::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        hide();
        return;
    }
    QLineEdit::keyPressEvent(event);
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
    QLineEdit::focusOutEvent(event);
    if (isVisible())
        Finish();
}

void CEditEx::hideEvent(QHideEvent* event)
{
    QLineEdit::hideEvent(event);
    Finish();
}
