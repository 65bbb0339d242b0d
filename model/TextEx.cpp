#include "model/TextEx.h"

#include <algorithm>

#include "platform/Coordinates.h"

namespace {

// Font units beyond which fitting stops growing: no card text needs more.
constexpr LONG kMaxFontUnits = 2000;

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
    // A zero extent (an empty text) gives no ratio: keep that dimension of the font.
    if (m_size.cx > 0)
        font.lfWidth = TruncateToLong(double(target.cx) / m_size.cx * font.lfWidth + 0.5);
    if (font.lfWidth <= 0)
        font.lfWidth = 1;
    if (m_size.cy > 0)
        font.lfHeight = TruncateToLong(double(target.cy) / m_size.cy * font.lfHeight + 0.5);
    const LONG step = font.lfHeight < 0 ? -1 : 1;
    auto remeasure = [&] {
        RecreateFont(font);
        return Measure();
    };
    auto withinLimit = [](LONG units) { return units > -kMaxFontUnits && units < kMaxFontUnits; };

    SIZE measured = remeasure();
    // Grows one font field while the box is not reached. Fonts stop growing
    // at their limits (the widest stretch, the largest size): a run of steps
    // that changes nothing ends the growing.
    auto grow = [&](LONG& field, LONG delta, auto short_of_target) {
        constexpr int kMaxIdleSteps = 16;
        for (int idle = 0; short_of_target() && idle < kMaxIdleSteps && withinLimit(field);) {
            const SIZE before = measured;
            field += delta;
            measured = remeasure();
            idle = measured == before ? idle + 1 : 0;
        }
    };
    grow(font.lfHeight, step, [&] { return measured.cy < target.cy; });
    while (measured.cy > target.cy && font.lfHeight != step) {
        font.lfHeight -= step;
        measured = remeasure();
    }
    if (!m_strText.empty())
        grow(font.lfWidth, 1, [&] { return measured.cx < target.cx; });
    if (measured.cx > target.cx) {
        while (font.lfWidth != 1) {
            --font.lfWidth;
            measured = remeasure();
            if (measured.cx <= target.cx)
                break;
        }
    }
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
