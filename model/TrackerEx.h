// The selection tracker: the selected element's box in client coordinates,
// its handles, the hit rules, and a drag fed by press, move and release. A
// corner drag keeps the element's width/height ratio. Plain records only:
// the widget translates its events into these calls.
#pragma once

#include "platform/Gdi.h"

class CTrackerEx {
public:
    // Style flags.
    static constexpr UINT STYLE_DOTTED_OUTLINE = 2;
    static constexpr UINT STYLE_HANDLES_INSIDE = 8;

    // Hit codes.
    static constexpr int HIT_NOTHING = -1;
    static constexpr int HIT_TOP_LEFT = 0;
    static constexpr int HIT_TOP_RIGHT = 1;
    static constexpr int HIT_BOTTOM_RIGHT = 2;
    static constexpr int HIT_BOTTOM_LEFT = 3;
    static constexpr int HIT_TOP = 4;
    static constexpr int HIT_RIGHT = 5;
    static constexpr int HIT_BOTTOM = 6;
    static constexpr int HIT_LEFT = 7;
    static constexpr int HIT_MIDDLE = 8;

    // Handles are squares of this side inside the box (m_nHandleSize; a
    // screen of more pixels per point has larger ones). A side's middle
    // handle exists only when the side holds three handles' length, so that
    // it never touches the corner handles; the corner handles always exist.
    static constexpr LONG HANDLE_SIZE = 7;

    virtual ~CTrackerEx() = default;

    // -1, a handle (0..7) or 8 inside away from the handles. Handles exist
    // with the handles-inside style only; an inverted rectangle is tested as
    // its normalised form.
    int HitTest(POINT p) const;
    // The handle's square in client coordinates; empty for a handle that the
    // box is too small to have.
    RECT GetHandleRect(int handle) const;
    // Draws the outline of the style for the given box (the caller's
    // coordinates): the dotted black outline one pixel outside the box and
    // the solid black handles inside it. The context's clip box cuts it.
    void Draw(HDC dc, RECT box) const;

    // Keeps m_fRatio when a corner handle (0..3) is dragged: the edge at the
    // dragged corner moves so that the larger proportion wins.
    virtual void AdjustRect(int handle, RECT* r);
    // Swaps edges so that left <= right and top <= bottom.
    void NormalizeRect();

    // A drag of the body (hit 8) or of a handle (0..7) from start; the drag
    // point is kept inside bounds, the card in client coordinates, as a
    // confined cursor would be. m_rect follows every TrackTo and may be
    // inverted while a handle is dragged across the opposite edge.
    void BeginTrack(int hit, POINT start, RECT bounds);
    void TrackTo(POINT p);
    void EndTrack();
    // Ends the drag with the rectangle from before it.
    void CancelTrack();
    bool IsTracking() const { return m_nTrackHit != HIT_NOTHING; }

    RECT m_rect{};
    UINT m_nStyle = STYLE_DOTTED_OUTLINE | STYLE_HANDLES_INSIDE;
    LONG m_nHandleSize = HANDLE_SIZE;
    float m_fRatio = 1.0f;

private:
    POINT ClampToBounds(POINT p) const;

    int m_nTrackHit = HIT_NOTHING;
    POINT m_ptTrackStart{};
    RECT m_rcTrackBounds{};
    RECT m_rcBeforeTrack{};
};

// The signed angle in degrees from `from` to `to` around `centre`, with y
// turned upwards; a clockwise movement on screen is positive, and the result
// lies in [-180, 180]. A point on the centre has no angle: 0 then.
double AngleDelta(POINT centre, POINT from, POINT to);
