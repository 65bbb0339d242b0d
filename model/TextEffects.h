// A text's outline and shadow, drawn beneath its glyphs from their shape:
// the outline is the glyphs grown by its width, the shadow that shape
// softened and moved by its offset.
#pragma once

#include <string_view>

#include "model/TextLook.h"
#include "platform/Gdi.h"

// Draws the look's effects for the text as DrawTextW(dc, text, lines,
// format) would draw it, in the font selected into dc: the shadow, then the
// outline over it. The text itself is drawn over them afterwards.
void DrawTextEffects(HDC dc, std::u16string_view text, const RECT& lines, UINT format, const TextLook& look);
