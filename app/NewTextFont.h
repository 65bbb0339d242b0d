// The font of a new text, as the text bar's face and size boxes give it: the
// program's text bar and the batch renderer make their texts with it.
#pragma once

#include <string_view>

#include "platform/WinRecords.h"

// A point size as a font height in pixels: the product rounded to double
// precision, then truncated toward zero (12 gives -16, 10 gives -13).
LONG FontHeightOfSize(int points);

// A zeroed record with the face (cut to fit), the height of the size and an
// average width of 0.4 times the em, at least 1.
LOGFONTW NewTextFont(std::u16string_view face, int points);
