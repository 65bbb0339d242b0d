// The largest fonts the text layer realises, for code that must not ask for
// more (the fitting of a text to a box). Qt-free, like the rest of platform/.
#pragma once

#include "platform/WinRecords.h"

// An em of at most this many pixels, whatever lfHeight asks for (a negative
// lfHeight is the em, a positive one the cell, which is taller). Larger
// glyphs would cost Qt's glyph cache an em square of memory each.
constexpr LONG kMaxFontEm = 4096;

// A face is stretched to at most this many times its natural width, Qt's
// largest stretch, and never so far that its em grows wider than the em limit.
constexpr LONG kMaxFontStretch = 40;

// The em limit in force: kMaxFontEm, unless a fuzzing harness lowered it so
// that the fonts its inputs ask for stay cheap to realise, fit and draw. Set
// it before the first font is made; realised fonts are kept.
LONG FontEmLimit();
void SetFontEmLimit(LONG pixels);
