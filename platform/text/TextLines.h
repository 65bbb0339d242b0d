// Where a text breaks into lines: CR LF, LF, CR, and Unicode's line and
// paragraph separators. Qt-free, so that the card model can ask too.
#pragma once

#include <algorithm>
#include <string_view>

constexpr bool IsLineBreak(char16_t unit)
{
    return unit == u'\n' || unit == u'\r' || unit == u'\u2028' || unit == u'\u2029';
}

constexpr bool HasLineBreak(std::u16string_view text)
{
    return std::any_of(text.begin(), text.end(), IsLineBreak);
}

// Calls line(first, length) for each line of text, in order: n breaks make
// n + 1 lines, a CR LF pair counting as one break.
template <class Line>
void ForEachLine(std::u16string_view text, Line line)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsLineBreak(text[i]))
            continue;
        line(start, i - start);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    line(start, text.size() - start);
}
