// How a text is set beyond its font and colour: where its lines stand in
// its box, and the outline and shadow drawn beneath its glyphs. Sizes are
// pixels of the card as shown, like the font's height, and scale with the
// text as its font does.
#pragma once

#include "platform/WinRecords.h"

enum class TextAlign : int { Left = 0, Centre = 1, Right = 2 };

struct TextOutline {
    COLORREF colour = RGB(0, 0, 0);
    double width = 0;  // the band around the glyphs; 0 for none

    bool operator==(const TextOutline&) const = default;
};

struct TextShadow {
    bool shown = false;
    COLORREF colour = RGB(0, 0, 0);
    double dx = 0;    // right of the glyphs
    double dy = 0;    // below them
    double blur = 0;  // how far its edge fades out

    bool operator==(const TextShadow&) const = default;
};

struct TextLook {
    TextAlign align = TextAlign::Left;
    TextOutline outline;
    TextShadow shadow;

    bool HasOutline() const { return outline.width > 0; }
    bool HasEffects() const { return HasOutline() || shadow.shown; }
    bool operator==(const TextLook&) const = default;
};

// The largest effects a text takes: far beyond what the text bar offers,
// so that a text dragged or rendered larger keeps its proportions, and
// small enough that drawing them stays cheap.
inline constexpr double kMaxOutlineWidth = 256;
inline constexpr double kMaxShadowOffset = 1024;
inline constexpr double kMaxShadowBlur = 256;

// Points as the text bar shows them, and back: 3 points are 4 pixels.
inline double PixelsOfPoints(double points)
{
    return points * 4.0 / 3.0;
}
inline double PointsOfPixels(double pixels)
{
    return pixels * 0.75;
}

// The look with every size within the limits above (NaN counting as 0), a
// known alignment, and nothing kept of an effect that is not drawn.
TextLook ClampedLook(TextLook look);
// The look with its sizes multiplied by factor, then clamped.
TextLook ScaledLook(const TextLook& look, double factor);
// How far the outline and the shadow reach beyond the box of the text's
// lines, each side in whole pixels (0 without effects).
RECT EffectMargins(const TextLook& look);
