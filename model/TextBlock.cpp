#include "model/TextBlock.h"

#include "model/TextEffects.h"
#include "platform/text/TextLines.h"

namespace {

UINT FormatOf(std::u16string_view text, TextAlign align)
{
    if (!HasLineBreak(text))
        return DT_SINGLELINE | DT_NOCLIP;
    const UINT across = align == TextAlign::Centre ? DT_CENTER : align == TextAlign::Right ? DT_RIGHT : DT_LEFT;
    return across | DT_NOCLIP;
}

}  // namespace

SIZE MeasureTextBlock(HDC dc, std::u16string_view text)
{
    SIZE extent{};
    if (!HasLineBreak(text)) {
        GetTextExtentPoint32W(dc, text.data(), int(text.size()), &extent);
        return extent;
    }
    RECT box{0, 0, 0, 0};
    DrawTextW(dc, text.data(), int(text.size()), &box, DT_CALCRECT | FormatOf(text, TextAlign::Left));
    return {box.right, box.bottom};
}

void DrawTextBlock(HDC dc, std::u16string_view text, COLORREF colour, const RECT& lines, const TextLook& look)
{
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    const UINT format = FormatOf(text, look.align);
    if (look.HasEffects())
        DrawTextEffects(dc, text, lines, format, look);
    RECT box = lines;
    DrawTextW(dc, text.data(), int(text.size()), &box, format);
}
