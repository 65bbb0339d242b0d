#include "model/TemplateNames.h"

#include <cstdint>
#include <vector>

namespace {

// The code points of the valid UTF-8 sequences in text; anything else
// (stray continuation bytes, overlong forms, surrogates, cut sequences) is
// dropped, so a name from a foreign byte encoding keeps its ASCII part.
std::vector<char32_t> DecodeUtf8(std::string_view text)
{
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = std::uint8_t(text[i]);
        const int length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || i + std::size_t(length) > text.size()) {
            ++i;
            continue;
        }
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = true;
        for (int k = 1; k < length && valid; ++k) {
            const auto next = std::uint8_t(text[i + std::size_t(k)]);
            valid = (next & 0xC0) == 0x80;
            point = point << 6 | (next & 0x3F);
        }
        constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && point >= kSmallest[length] && point <= 0x10FFFF && !(point >= 0xD800 && point <= 0xDFFF);
        if (!valid) {
            ++i;
            continue;
        }
        points.push_back(point);
        i += std::size_t(length);
    }
    return points;
}

void AppendUtf8(std::string& out, char32_t point)
{
    if (point < 0x80) {
        out += char(point);
    } else if (point < 0x800) {
        out += char(0xC0 | point >> 6);
        out += char(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += char(0xE0 | point >> 12);
        out += char(0x80 | (point >> 6 & 0x3F));
        out += char(0x80 | (point & 0x3F));
    } else {
        out += char(0xF0 | point >> 18);
        out += char(0x80 | (point >> 12 & 0x3F));
        out += char(0x80 | (point >> 6 & 0x3F));
        out += char(0x80 | (point & 0x3F));
    }
}

bool IsControl(char32_t point)
{
    return point < 0x20 || (point >= 0x7F && point < 0xA0) || point == 0x2028 || point == 0x2029;
}

bool IsSpace(char32_t point)
{
    return point == ' ' || point == 0xA0 || point == 0x3000 || (point >= 0x2000 && point <= 0x200B);
}

}  // namespace

std::string SafeTemplateName(std::string_view typed)
{
    std::vector<char32_t> kept;
    for (char32_t point : DecodeUtf8(typed)) {
        // Tabs and line breaks separate words like spaces; other controls vanish.
        if (point == '\t' || point == '\n' || point == '\r')
            point = ' ';
        if (IsControl(point))
            continue;
        if (point == '/' || point == '\\')
            point = '-';
        if (IsSpace(point)) {
            if (kept.empty() || kept.back() == ' ')
                continue;
            point = ' ';
        }
        // Leading dots would hide the folder or make it "." or "..".
        if (point == '.' && kept.empty())
            continue;
        kept.push_back(point);
    }
    auto trimEnd = [&kept] {
        while (!kept.empty() && (kept.back() == ' ' || kept.back() == '.'))
            kept.pop_back();
    };
    trimEnd();
    if (kept.size() > kMaxTemplateNameChars) {
        kept.resize(kMaxTemplateNameChars);
        trimEnd();
    }
    std::string name;
    for (char32_t point : kept)
        AppendUtf8(name, point);
    return name;
}

bool IsSafeTemplateName(std::string_view name)
{
    return !name.empty() && SafeTemplateName(name) == name;
}
