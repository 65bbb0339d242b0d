#include "model/TrackerEx.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/Coordinates.h"

namespace {

RECT Normalized(RECT r)
{
    if (r.left > r.right)
        std::swap(r.left, r.right);
    if (r.top > r.bottom)
        std::swap(r.top, r.bottom);
    return r;
}

bool Holds(const RECT& r, POINT p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool IsCorner(int handle)
{
    return handle >= CTrackerEx::HIT_TOP_LEFT && handle <= CTrackerEx::HIT_BOTTOM_LEFT;
}

// The handle's square of side s inside a normalised box, cut to the box where the box
// is smaller than a handle.
RECT HandleRectOf(const RECT& box, int handle, LONG s)
{
    const std::int64_t width = std::int64_t(box.right) - box.left, height = std::int64_t(box.bottom) - box.top;
    const bool sidesAcross = width >= 3 * s, sidesDown = height >= 3 * s;
    const LONG middleX = SaturatingAdd(box.left, (width - s) / 2), middleY = SaturatingAdd(box.top, (height - s) / 2);
    const LONG right = SaturatingAdd(box.right, -s), bottom = SaturatingAdd(box.bottom, -s);
    LONG x, y;
    switch (handle) {
    case CTrackerEx::HIT_TOP_LEFT: x = box.left, y = box.top; break;
    case CTrackerEx::HIT_TOP_RIGHT: x = right, y = box.top; break;
    case CTrackerEx::HIT_BOTTOM_RIGHT: x = right, y = bottom; break;
    case CTrackerEx::HIT_BOTTOM_LEFT: x = box.left, y = bottom; break;
    case CTrackerEx::HIT_TOP:
        if (!sidesAcross)
            return {};
        x = middleX, y = box.top;
        break;
    case CTrackerEx::HIT_RIGHT:
        if (!sidesDown)
            return {};
        x = right, y = middleY;
        break;
    case CTrackerEx::HIT_BOTTOM:
        if (!sidesAcross)
            return {};
        x = middleX, y = bottom;
        break;
    case CTrackerEx::HIT_LEFT:
        if (!sidesDown)
            return {};
        x = box.left, y = middleY;
        break;
    default: return {};
    }
    const RECT square = RectAt(x, y, s, s);
    return {std::max(square.left, box.left), std::max(square.top, box.top), std::min(square.right, box.right),
            std::min(square.bottom, box.bottom)};
}

// The mathematical angle of q around c in degrees, y turned upwards.
double AngleAround(POINT c, POINT q)
{
    const double dx = double(q.x) - c.x, dy = double(q.y) - c.y;
    const double t = std::atan(std::fabs(dy) / std::fabs(dx)) * 57.29577951307855;
    if (q.x >= c.x)
        return q.y <= c.y ? t : -t;
    return q.y <= c.y ? 180 - t : t - 180;
}

}  // namespace

int CTrackerEx::HitTest(POINT p) const
{
    const RECT box = Normalized(m_rect);
    if (!Holds(box, p))
        return HIT_NOTHING;
    if (m_nStyle & STYLE_HANDLES_INSIDE)
        for (int handle = HIT_TOP_LEFT; handle <= HIT_LEFT; ++handle)
            if (Holds(HandleRectOf(box, handle, m_nHandleSize), p))
                return handle;
    return HIT_MIDDLE;
}

RECT CTrackerEx::GetHandleRect(int handle) const
{
    if (!(m_nStyle & STYLE_HANDLES_INSIDE))
        return {};
    return HandleRectOf(Normalized(m_rect), handle, m_nHandleSize);
}

void CTrackerEx::Draw(HDC dc, RECT box) const
{
    box = Normalized(box);
    if (m_nStyle & STYLE_DOTTED_OUTLINE) {
        HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
        // Put back exactly, also when the context had no pen: the pen is
        // deleted below and must not stay selected.
        const HPEN previous = dc->pen;
        SelectObject(dc, pen);
        // One pixel outside the box on every side; each line stops short of
        // its end point, where the next one starts.
        const LONG left = SaturatingAdd(box.left, -1), top = SaturatingAdd(box.top, -1);
        MoveToEx(dc, left, top, nullptr);
        LineTo(dc, box.right, top);
        LineTo(dc, box.right, box.bottom);
        LineTo(dc, left, box.bottom);
        LineTo(dc, left, top);
        dc->pen = previous;
        DeleteObject(pen);
    }
    if (m_nStyle & STYLE_HANDLES_INSIDE) {
        HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
        for (int handle = HIT_TOP_LEFT; handle <= HIT_LEFT; ++handle) {
            const RECT square = HandleRectOf(box, handle, m_nHandleSize);
            FillRect(dc, &square, black);
        }
        DeleteObject(black);
    }
}

void CTrackerEx::AdjustRect(int handle, RECT* r)
{
    if (!r || !IsCorner(handle))
        return;
    // The ratio and the height are single precision; what is formed from
    // them is double.
    const LONG w = RectWidth(*r);
    const double h = float(RectHeight(*r));
    const double k = m_fRatio;
    const bool atTop = handle == HIT_TOP_LEFT || handle == HIT_TOP_RIGHT;
    const bool atLeft = handle == HIT_TOP_LEFT || handle == HIT_BOTTOM_LEFT;
    if (w / h > k) {
        // Too wide: the height follows the width.
        const LONG height = TruncateToLong(w / k + 0.5);
        if (atTop)
            r->top = SaturatingAdd(r->bottom, -std::int64_t(height));
        else
            r->bottom = SaturatingAdd(r->top, height);
    } else {
        const LONG width = TruncateToLong(h * k + 0.5);
        if (atLeft)
            r->left = SaturatingAdd(r->right, -std::int64_t(width));
        else
            r->right = SaturatingAdd(r->left, width);
    }
}

void CTrackerEx::NormalizeRect()
{
    m_rect = Normalized(m_rect);
}

POINT CTrackerEx::ClampToBounds(POINT p) const
{
    // A confined cursor reaches the last pixel inside the bounds, not the
    // right and bottom edges themselves.
    const RECT& b = m_rcTrackBounds;
    return {std::clamp(p.x, b.left, std::max(b.left, SaturatingAdd(b.right, -1))),
            std::clamp(p.y, b.top, std::max(b.top, SaturatingAdd(b.bottom, -1)))};
}

void CTrackerEx::BeginTrack(int hit, POINT start, RECT bounds)
{
    if (hit < HIT_TOP_LEFT || hit > HIT_MIDDLE)
        return;
    m_rcTrackBounds = bounds;
    m_ptTrackStart = ClampToBounds(start);
    m_rcBeforeTrack = m_rect;
    m_nTrackHit = hit;
}

void CTrackerEx::TrackTo(POINT p)
{
    if (!IsTracking())
        return;
    const POINT q = ClampToBounds(p);
    const std::int64_t dx = std::int64_t(q.x) - m_ptTrackStart.x, dy = std::int64_t(q.y) - m_ptTrackStart.y;
    RECT r = m_rcBeforeTrack;
    auto move = [](LONG& edge, std::int64_t by) { edge = SaturatingAdd(edge, by); };
    const int hit = m_nTrackHit;
    if (hit == HIT_MIDDLE) {
        move(r.left, dx), move(r.right, dx), move(r.top, dy), move(r.bottom, dy);
    } else {
        if (hit == HIT_TOP_LEFT || hit == HIT_BOTTOM_LEFT || hit == HIT_LEFT)
            move(r.left, dx);
        if (hit == HIT_TOP_RIGHT || hit == HIT_BOTTOM_RIGHT || hit == HIT_RIGHT)
            move(r.right, dx);
        if (hit == HIT_TOP_LEFT || hit == HIT_TOP_RIGHT || hit == HIT_TOP)
            move(r.top, dy);
        if (hit == HIT_BOTTOM_LEFT || hit == HIT_BOTTOM_RIGHT || hit == HIT_BOTTOM)
            move(r.bottom, dy);
    }
    AdjustRect(hit, &r);
    m_rect = r;
}

void CTrackerEx::EndTrack()
{
    m_nTrackHit = HIT_NOTHING;
}

void CTrackerEx::CancelTrack()
{
    if (IsTracking())
        m_rect = m_rcBeforeTrack;
    m_nTrackHit = HIT_NOTHING;
}

double AngleDelta(POINT centre, POINT from, POINT to)
{
    auto onCentre = [&](POINT q) { return q.x == centre.x && q.y == centre.y; };
    if (onCentre(from) || onCentre(to))
        return 0;
    double d = AngleAround(centre, from) - AngleAround(centre, to);
    if (d < -180)
        d += 360;
    if (d > 180)
        d -= 360;
    return d;
}
