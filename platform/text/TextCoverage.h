// The shape of a text's glyphs as DrawTextW would draw them (the same lines
// at the same places), as an 8-bit mask, for what is drawn from that shape:
// a text's outline and shadow.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Gdi.h"

// An 8-bit mask over a device rectangle, rows top-down.
struct AlphaMask {
    RECT box{};
    std::vector<std::uint8_t> values;

    LONG Width() const { return box.right - box.left; }
    LONG Height() const { return box.bottom - box.top; }
    std::uint8_t* Row(LONG y) { return values.data() + std::size_t(y) * std::size_t(Width()); }
    const std::uint8_t* Row(LONG y) const { return values.data() + std::size_t(y) * std::size_t(Width()); }
};

// Where the glyphs of the text, drawn by DrawTextW in the context's font
// with these arguments, may touch (the ink box, a pixel wider than the
// glyphs each way); false when nothing would be drawn.
bool GetTextInkBox(HDC dc, const WCHAR* text, int length, const RECT& rect, UINT format, RECT* ink);

// The glyphs' coverage (0 to 255; colour glyphs by their opacity) over
// mask->box, which the caller sets and keeps to a size it can afford.
bool GetTextCoverage(HDC dc, const WCHAR* text, int length, const RECT& rect, UINT format, AlphaMask* mask);
