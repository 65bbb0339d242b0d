// A text's lines in the font selected into a context: measured, and drawn
// with their outline and shadow, as the card draws a text and the in-place
// editor shows the one being typed.
#pragma once

#include <string_view>

#include "model/TextLook.h"
#include "platform/Gdi.h"

// The union of the lines' cells: the widest line, and the lines one under
// the other at the font's line spacing (one line: its extent).
SIZE MeasureTextBlock(HDC dc, std::u16string_view text);

// The lines in colour with the box of their cells at lines, each placed
// across it by the look's alignment; the effects beneath them reach out of
// it by EffectMargins. A text of one line is that line drawn at the box's
// corner, whatever the alignment.
void DrawTextBlock(HDC dc, std::u16string_view text, COLORREF colour, const RECT& lines, const TextLook& look);
