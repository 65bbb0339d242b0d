#include "app/NewTextFont.h"

#include <algorithm>
#include <cmath>

LONG FontHeightOfSize(int points)
{
    return LONG(std::trunc(points * -1.3333333333333333));
}

LOGFONTW NewTextFont(std::u16string_view face, int points)
{
    LOGFONTW font{};
    font.lfHeight = FontHeightOfSize(points);
    font.lfWidth = std::max<LONG>(1, LONG(std::trunc(-font.lfHeight * 0.4)));
    face.substr(0, LF_FACESIZE - 1).copy(font.lfFaceName, LF_FACESIZE - 1);
    return font;
}
