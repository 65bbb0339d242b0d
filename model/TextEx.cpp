#include "model/TextEx.h"

#include <algorithm>

#include "model/FontFit.h"
#include "model/TextBlock.h"
#include "platform/Coordinates.h"
#include "platform/text/FontLimits.h"
#include "platform/text/TextLines.h"

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

TextEx::TextEx(const LOGFONTW& font, COLORREF color, std::u16string text, const TextLook& look)
    : m_strText(std::move(text)), m_crColor(color), m_look(ClampedLook(look))
{
    RecreateFont(font);
    m_size = BoxOf(Measure());
}

TextEx::~TextEx()
{
    DeleteObject(m_font);
}

std::unique_ptr<ElementBase> TextEx::Clone() const
{
    auto copy = std::make_unique<TextEx>(GetLogFont(), m_crColor, m_strText, m_look);
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
    return Measure(m_strText);
}

SIZE TextEx::Measure(std::u16string_view text) const
{
    HDC dc = CreateCompatibleDC(nullptr);
    SIZE extent{};
    {
        FontSelection selection(dc, m_font);
        extent = MeasureTextBlock(dc, text);
    }
    DeleteDC(dc);
    return extent;
}

std::size_t TextEx::LinesIn(std::u16string_view text)
{
    std::size_t lines = 0;
    ForEachLine(text, [&](std::size_t, std::size_t) { ++lines; });
    return lines;
}

std::u16string TextEx::WidestLine() const
{
    std::u16string widest;
    LONG width = -1;
    ForEachLine(m_strText, [&](std::size_t first, std::size_t length) {
        const std::u16string_view line = std::u16string_view(m_strText).substr(first, length);
        const LONG extent = Measure(line).cx;
        if (extent > width) {
            width = extent;
            widest = line;
        }
    });
    return widest;
}

SIZE TextEx::BoxOf(SIZE lines) const
{
    const RECT margins = EffectMargins(m_look);
    return {SaturatingAdd(lines.cx, std::int64_t(margins.left) + margins.right),
            SaturatingAdd(lines.cy, std::int64_t(margins.top) + margins.bottom)};
}

SIZE TextEx::LinesSize() const
{
    const RECT margins = EffectMargins(m_look);
    return {LONG(std::max<std::int64_t>(0, std::int64_t(m_size.cx) - margins.left - margins.right)),
            LONG(std::max<std::int64_t>(0, std::int64_t(m_size.cy) - margins.top - margins.bottom))};
}

RECT TextEx::GetLinesRect() const
{
    const RECT margins = EffectMargins(m_look);
    const SIZE lines = LinesSize();
    return RectAt(SaturatingAdd(m_ptPos.x, margins.left), SaturatingAdd(m_ptPos.y, margins.top), lines.cx, lines.cy);
}

void TextEx::Draw(HDC dc)
{
    if (!dc)
        return;
    FontSelection selection(dc, m_font);
    DrawTextBlock(dc, m_strText, m_crColor, GetLinesRect(), m_look);
}

void TextEx::SetLook(const TextLook& look)
{
    const RECT before = EffectMargins(m_look);
    const SIZE lines = LinesSize();
    m_look = ClampedLook(look);
    const RECT after = EffectMargins(m_look);
    m_ptPos = {SaturatingAdd(m_ptPos.x, std::int64_t(before.left) - after.left),
               SaturatingAdd(m_ptPos.y, std::int64_t(before.top) - after.top)};
    m_size = BoxOf(lines);
}

void TextEx::SetSize(SIZE target)
{
    if (target == m_size)
        return;
    const SIZE lines = LinesSize();
    if (m_look.HasEffects() && m_size.cy > 0)
        m_look = ScaledLook(m_look, double(target.cy) / m_size.cy);
    const RECT margins = EffectMargins(m_look);
    FitFont(lines,
            {std::max<LONG>(0, SaturatingAdd(target.cx, -(std::int64_t(margins.left) + margins.right))),
             std::max<LONG>(0, SaturatingAdd(target.cy, -(std::int64_t(margins.top) + margins.bottom)))});
    m_size = target;
}

void TextEx::FitFont(SIZE from, SIZE target)
{
    LOGFONTW font = GetLogFont();
    // A template may hold any 32-bit fields; beyond the text layer's limits
    // they change nothing the text looks like, only how far the fitting
    // would have to go.
    font.lfWidth = std::clamp(font.lfWidth, -MaxFontWidth(), MaxFontWidth());
    font.lfHeight = std::clamp(font.lfHeight, -MaxFontHeight(), MaxFontHeight());
    // A zero extent (an empty text) gives no ratio: keep that dimension of the font.
    if (from.cx > 0)
        font.lfWidth = TruncateToLong(double(target.cx) / from.cx * font.lfWidth + 0.5);
    font.lfWidth = std::clamp<LONG>(font.lfWidth, 1, MaxFontWidth());
    if (from.cy > 0)
        font.lfHeight = TruncateToLong(double(target.cy) / from.cy * font.lfHeight + 0.5);
    font.lfHeight = std::clamp(font.lfHeight, -MaxFontHeight(), MaxFontHeight());
    // The fitting measures stand-ins for the lines: the block's height is
    // that of as many empty lines (a cell does not depend on what it holds),
    // its width follows the line widest now (of one line, the line itself).
    const std::u16string height(LinesIn(m_strText) - 1, u'\n'), width = WidestLine();
    auto measure = [&](const std::u16string& standIn) {
        RecreateFont(font);
        return Measure(standIn);
    };
    // A height of 0 is the default cell. Too tall, the walk takes one step
    // down from it to -1, the smallest character height, and stops there (or
    // never: from there on each step down makes the characters taller).
    if (font.lfHeight == 0 && measure(height).cy > target.cy) {
        font.lfHeight = -1;
    } else {
        // A negative height is the character height, a positive one the
        // cell; the walk keeps the sign and steps the magnitude.
        const LONG sign = font.lfHeight < 0 ? -1 : 1;
        font.lfHeight = sign * FitFontField(sign * font.lfHeight, MaxFontHeight(), target.cy, [&](LONG magnitude) {
            font.lfHeight = sign * magnitude;
            return measure(height).cy;
        });
    }
    if (!m_strText.empty())
        font.lfWidth = FitFontField(font.lfWidth, MaxFontWidth(), target.cx, [&](LONG stretch) {
            font.lfWidth = stretch;
            return measure(width).cx;
        });
    // The last font measured may have been a probe beside the result.
    RecreateFont(font);
}

void TextEx::SetFaceName(std::u16string_view face)
{
    LOGFONTW font = GetLogFont();
    // The record holds 32 units including the terminating zero.
    const std::size_t length = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
    std::fill(std::begin(font.lfFaceName), std::end(font.lfFaceName), u'\0');
    std::copy_n(face.begin(), length, font.lfFaceName);
    RecreateFont(font);
    m_size = BoxOf(Measure());
}

void TextEx::SetFontHeight(LONG height)
{
    LOGFONTW font = GetLogFont();
    font.lfHeight = height;
    RecreateFont(font);
    m_size = BoxOf(Measure());
}
