// The text element: UTF-16 text of one or more lines in one font and
// colour, fitted to the box the user gives it by stretching the font. Its
// look places the lines in the box and adds an outline and a shadow; the
// box holds them too, so the element's position and size are those of the
// lines' cells grown by the effects' margins.
#pragma once

#include <string>
#include <string_view>

#include "model/ElementBase.h"
#include "model/TextLook.h"

class TextEx : public ElementBase {
public:
    // Kind ELEMENT_USER at (0, 0), sized to the measured text and its effects.
    TextEx(const LOGFONTW& font, COLORREF color, std::u16string text, const TextLook& look = {});
    ~TextEx() override;
    TextEx(const TextEx&) = delete;
    TextEx& operator=(const TextEx&) = delete;

    std::unique_ptr<ElementBase> Clone() const override;
    void Draw(HDC dc) override;
    // Fits the font to the box less the effects' margins: height in whole
    // font units, width by stretching. The effects grow or shrink with the
    // box's height.
    void SetSize(SIZE target) override;
    bool IsTransparentAt(POINT) const override { return false; }

    // Each of these recreates the font and resizes the element to its text.
    void SetFaceName(std::u16string_view face);
    void SetFontHeight(LONG height);
    void SetColor(COLORREF color) { m_crColor = color; }
    // A new look (clamped); the lines stay where they stand and the box
    // grows or shrinks around them by the change of the effects' margins.
    void SetLook(const TextLook& look);

    const std::u16string& GetText() const { return m_strText; }
    COLORREF GetColor() const { return m_crColor; }
    LOGFONTW GetLogFont() const;
    const TextLook& GetLook() const { return m_look; }
    // The box of the lines' cells, in card coordinates.
    RECT GetLinesRect() const;

private:
    void RecreateFont(const LOGFONTW& font);
    // The lines' extent in the current font, or that of other lines.
    SIZE Measure() const;
    SIZE Measure(std::u16string_view text) const;
    static std::size_t LinesIn(std::u16string_view text);
    // The line the current font makes widest (the text itself for one line).
    std::u16string WidestLine() const;
    // The extent of the box less the effects' margins.
    SIZE LinesSize() const;
    // The box around lines of this extent.
    SIZE BoxOf(SIZE lines) const;
    // Fits the font to goal, the lines' extent being from now.
    void FitFont(SIZE from, SIZE goal);

    HFONT m_font = nullptr;
    std::u16string m_strText;
    COLORREF m_crColor = 0;
    TextLook m_look;
};
