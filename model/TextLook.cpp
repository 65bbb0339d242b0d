#include "model/TextLook.h"

#include <algorithm>
#include <cmath>

namespace {

double Within(double value, double low, double high)
{
    return std::isnan(value) ? 0 : std::clamp(value, low, high);
}

LONG Ceiling(double value)
{
    return LONG(std::ceil(std::max(0.0, value)));
}

}  // namespace

TextLook ClampedLook(TextLook look)
{
    if (look.align != TextAlign::Centre && look.align != TextAlign::Right)
        look.align = TextAlign::Left;
    look.outline.width = Within(look.outline.width, 0, kMaxOutlineWidth);
    look.shadow.dx = Within(look.shadow.dx, -kMaxShadowOffset, kMaxShadowOffset);
    look.shadow.dy = Within(look.shadow.dy, -kMaxShadowOffset, kMaxShadowOffset);
    look.shadow.blur = Within(look.shadow.blur, 0, kMaxShadowBlur);
    // An effect that is not drawn keeps nothing of it.
    if (!look.HasOutline())
        look.outline = {};
    if (!look.shadow.shown)
        look.shadow = {};
    return look;
}

TextLook ScaledLook(const TextLook& look, double factor)
{
    TextLook scaled = look;
    scaled.outline.width *= factor;
    scaled.shadow.dx *= factor;
    scaled.shadow.dy *= factor;
    scaled.shadow.blur *= factor;
    return ClampedLook(scaled);
}

RECT EffectMargins(const TextLook& look)
{
    const double outline = look.HasOutline() ? look.outline.width : 0;
    double left = outline, top = outline, right = outline, bottom = outline;
    if (look.shadow.shown) {
        const double spread = outline + look.shadow.blur;
        left = std::max(left, spread - look.shadow.dx);
        right = std::max(right, spread + look.shadow.dx);
        top = std::max(top, spread - look.shadow.dy);
        bottom = std::max(bottom, spread + look.shadow.dy);
    }
    return {Ceiling(left), Ceiling(top), Ceiling(right), Ceiling(bottom)};
}
