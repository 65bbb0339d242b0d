// The text element: one line of UTF-16 text in one font and colour, fitted
// to the box the user gives it by stretching the font.
#pragma once

#include <string>
#include <string_view>

#include "model/ElementBase.h"

class TextEx : public ElementBase {
public:
    // Kind ELEMENT_USER at (0, 0), sized to the measured text.
    TextEx(const LOGFONTW& font, COLORREF color, std::u16string text);
    ~TextEx() override;
    TextEx(const TextEx&) = delete;
    TextEx& operator=(const TextEx&) = delete;

    std::unique_ptr<ElementBase> Clone() const override;
    void Draw(HDC dc) override;
    // Fits the font to the box: height in whole font units, width by stretching.
    void SetSize(SIZE target) override;
    bool IsTransparentAt(POINT) const override { return false; }

    // Each of these recreates the font and resizes the element to its text.
    void SetFaceName(std::u16string_view face);
    void SetFontHeight(LONG height);
    void SetColor(COLORREF color) { m_crColor = color; }

    const std::u16string& GetText() const { return m_strText; }
    COLORREF GetColor() const { return m_crColor; }
    LOGFONTW GetLogFont() const;

private:
    void RecreateFont(const LOGFONTW& font);
    SIZE Measure() const;

    HFONT m_font = nullptr;
    std::u16string m_strText;
    COLORREF m_crColor = 0;
};
