#include "model/TextEffects.h"

#include <algorithm>
#include <cmath>

#include "model/MaskFilters.h"
#include "platform/Coordinates.h"

namespace {

// However far a card is scaled up for its full-resolution render, effects
// are drawn no larger than this many pixels: the masks they are made from
// grow with them.
constexpr double kMaxEffectPixels = 1024;
constexpr double kMaxOffsetPixels = 8192;

struct Box {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    std::int64_t Area() const { return IsEmpty() ? 0 : (right - left) * (bottom - top); }
    Box Grown(std::int64_t by) const { return IsEmpty() ? Box{} : Box{left - by, top - by, right + by, bottom + by}; }
    Box Moved(POINT by) const { return IsEmpty() ? Box{} : Box{left + by.x, top + by.y, right + by.x, bottom + by.y}; }
    Box Intersect(const Box& o) const
    {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    }
    Box Union(const Box& o) const
    {
        if (IsEmpty())
            return o;
        if (o.IsEmpty())
            return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
    }
    RECT ToRect() const
    {
        return {SaturateToLong(left), SaturateToLong(top), SaturateToLong(right), SaturateToLong(bottom)};
    }
};

Box BoxOf(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

// The effects in whole device pixels, as far as they are drawn.
struct Reach {
    double outline = 0;  // the disc the glyphs grow by
    int grow = 0;        // how far that reaches
    int soften = 0;      // the shadow's box blur radius: it reaches three times that
    POINT offset{};
    bool shadow = false;
};

Reach ReachOf(const TextLook& look)
{
    Reach reach;
    reach.outline = look.HasOutline() ? std::min(look.outline.width, kMaxEffectPixels) : 0;
    reach.grow = int(std::ceil(reach.outline));
    reach.shadow = look.shadow.shown;
    if (reach.shadow) {
        reach.soften = int(std::lround(std::min(look.shadow.blur, kMaxEffectPixels) / 3));
        reach.offset = {LONG(std::lround(std::clamp(look.shadow.dx, -kMaxOffsetPixels, kMaxOffsetPixels))),
                        LONG(std::lround(std::clamp(look.shadow.dy, -kMaxOffsetPixels, kMaxOffsetPixels)))};
    }
    return reach;
}

// The glyphs' shape over box, grown by the outline.
bool GrownShape(HDC dc, std::u16string_view text, const RECT& lines, UINT format, const Box& box, double outline,
                AlphaMask& shape)
{
    shape.box = box.ToRect();
    if (!GetTextCoverage(dc, text.data(), int(text.size()), lines, format, &shape))
        return false;
    GrowByDisc(shape, outline);
    return true;
}

}  // namespace

void DrawTextEffects(HDC dc, std::u16string_view text, const RECT& lines, UINT format, const TextLook& look)
{
    if (!look.HasEffects() || !dc || !dc->bitmap || dc->bitmap->header.biBitCount != 24)
        return;
    RECT inkRect;
    if (!GetTextInkBox(dc, text.data(), int(text.size()), lines, format, &inkRect))
        return;
    RECT clipRect;
    GetClipBox(dc, &clipRect);
    const Reach reach = ReachOf(look);
    const Box ink = BoxOf(inkRect), clip = BoxOf(clipRect);
    const int spread = reach.grow + 3 * reach.soften;
    // Where the effects land, and the shapes each needs: the outline's
    // around where it lands, the shadow's around where it comes from.
    const Box outlined = reach.outline > 0 ? ink.Grown(reach.grow).Intersect(clip) : Box{};
    const Box shadowed = reach.shadow ? ink.Grown(spread).Moved(reach.offset).Intersect(clip) : Box{};
    const Box outlineShape = outlined.Grown(reach.grow).Intersect(ink.Grown(2 * reach.grow));
    const POINT back{-reach.offset.x, -reach.offset.y};
    const Box shadowShape = shadowed.Moved(back).Grown(spread).Intersect(ink.Grown(reach.grow + spread));
    // One shape serves both when that costs less than two.
    const Box both = outlineShape.Union(shadowShape);
    const bool shared = both.Area() <= outlineShape.Area() + shadowShape.Area();

    AlphaMask shape;
    if (!shadowed.IsEmpty()) {
        AlphaMask shadow;
        if (!GrownShape(dc, text, lines, format, shared ? both : shadowShape, reach.outline, shadow))
            return;
        if (shared && !outlined.IsEmpty())
            shape = shadow;
        Soften(shadow, reach.soften);
        BlendMask(*dc->bitmap, shadowed.ToRect(), shadow, reach.offset, look.shadow.colour);
    }
    if (outlined.IsEmpty())
        return;
    if (!shared || shadowed.IsEmpty())
        if (!GrownShape(dc, text, lines, format, outlineShape, reach.outline, shape))
            return;
    BlendMask(*dc->bitmap, outlined.ToRect(), shape, {0, 0}, look.outline.colour);
}
