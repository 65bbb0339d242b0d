#include "model/TextEx.h"

#include <algorithm>

#include "model/FontFit.h"
#include "platform/Coordinates.h"
#include "platform/text/FontLimits.h"

namespace {

// The largest font fields that still change what the text layer realises: a
// height (em or cell) beyond its largest em, an average width beyond its
// widest stretch of a face whose average character is up to two ems wide.
LONG MaxFontHeight()
{
    return FontEmLimit();
}

LONG MaxFontWidth()
{
    return 2 * kMaxFontStretch * FontEmLimit();
}

// Selects a font into a context for the lifetime of the object and puts the
// previous one back exactly, even when there was none.
class FontSelection {
public:
    FontSelection(HDC dc, HFONT font) : m_dc(dc), m_previous(dc->font) { SelectObject(dc, font); }
    ~FontSelection() { m_dc->font = m_previous; }
    FontSelection(const FontSelection&) = delete;
    FontSelection& operator=(const FontSelection&) = delete;

private:
    HDC m_dc;
    HFONT m_previous;
};

}  // namespace

TextEx::TextEx(const LOGFONTW& font, COLORREF color, std::u16string text)
    : m_strText(std::move(text)), m_crColor(color)
{
    RecreateFont(font);
    m_size = Measure();
}

TextEx::~TextEx()
{
    DeleteObject(m_font);
}

std::unique_ptr<ElementBase> TextEx::Clone() const
{
    auto copy = std::make_unique<TextEx>(GetLogFont(), m_crColor, m_strText);
    copy->m_bHighQuality = m_bHighQuality;
    copy->m_nKind = m_nKind;
    copy->m_ptPos = m_ptPos;
    copy->m_size = m_size;
    return copy;
}

LOGFONTW TextEx::GetLogFont() const
{
    LOGFONTW font{};
    GetObjectW(m_font, sizeof font, &font);
    return font;
}

void TextEx::RecreateFont(const LOGFONTW& font)
{
    DeleteObject(m_font);
    m_font = CreateFontIndirectW(&font);
}

SIZE TextEx::Measure() const
{
    SIZE extent{};
    HDC dc = CreateCompatibleDC(nullptr);
    {
        FontSelection selection(dc, m_font);
        GetTextExtentPoint32W(dc, m_strText.data(), int(m_strText.size()), &extent);
    }
    DeleteDC(dc);
    return extent;
}

void TextEx::Draw(HDC dc)
{
    if (!dc)
        return;
    FontSelection selection(dc, m_font);
    SetTextColor(dc, m_crColor);
    SetBkMode(dc, TRANSPARENT);
    RECT box = RectAt(m_ptPos.x, m_ptPos.y, m_size.cx, m_size.cy);
    DrawTextW(dc, m_strText.data(), int(m_strText.size()), &box, DT_SINGLELINE | DT_NOCLIP);
}

void TextEx::SetSize(SIZE target)
{
    if (target == m_size)
        return;
    LOGFONTW font = GetLogFont();
    // A template may hold any 32-bit fields; beyond the text layer's limits
    // they change nothing the text looks like, only how far the fitting
    // would have to go.
    font.lfWidth = std::clamp(font.lfWidth, -MaxFontWidth(), MaxFontWidth());
    font.lfHeight = std::clamp(font.lfHeight, -MaxFontHeight(), MaxFontHeight());
    // A zero extent (an empty text) gives no ratio: keep that dimension of the font.
    if (m_size.cx > 0)
        font.lfWidth = TruncateToLong(double(target.cx) / m_size.cx * font.lfWidth + 0.5);
    font.lfWidth = std::clamp<LONG>(font.lfWidth, 1, MaxFontWidth());
    if (m_size.cy > 0)
        font.lfHeight = TruncateToLong(double(target.cy) / m_size.cy * font.lfHeight + 0.5);
    font.lfHeight = std::clamp(font.lfHeight, -MaxFontHeight(), MaxFontHeight());
    auto measure = [&] {
        RecreateFont(font);
        return Measure();
    };
    // A height of 0 is the default cell. Too tall, the walk takes one step
    // down from it to -1, the smallest character height, and stops there (or
    // never: from there on each step down makes the characters taller).
    if (font.lfHeight == 0 && measure().cy > target.cy) {
        font.lfHeight = -1;
    } else {
        // A negative height is the character height, a positive one the
        // cell; the walk keeps the sign and steps the magnitude.
        const LONG sign = font.lfHeight < 0 ? -1 : 1;
        font.lfHeight = sign * FitFontField(sign * font.lfHeight, MaxFontHeight(), target.cy, [&](LONG magnitude) {
            font.lfHeight = sign * magnitude;
            return measure().cy;
        });
    }
    if (!m_strText.empty())
        font.lfWidth = FitFontField(font.lfWidth, MaxFontWidth(), target.cx, [&](LONG width) {
            font.lfWidth = width;
            return measure().cx;
        });
    // The last font measured may have been a probe beside the result.
    RecreateFont(font);
    m_size = target;
}

void TextEx::SetFaceName(std::u16string_view face)
{
    LOGFONTW font = GetLogFont();
    // The record holds 32 units including the terminating zero.
    const std::size_t length = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
    std::fill(std::begin(font.lfFaceName), std::end(font.lfFaceName), u'\0');
    std::copy_n(face.begin(), length, font.lfFaceName);
    RecreateFont(font);
    m_size = Measure();
}

void TextEx::SetFontHeight(LONG height)
{
    LOGFONTW font = GetLogFont();
    font.lfHeight = height;
    RecreateFont(font);
    m_size = Measure();
}
