#include "view/CardGestures.h"

#include <cmath>

#include "app/LumivexDoc.h"
#include "model/TrackerEx.h"

void TrackerDrag::Press(POINT p, int hit)
{
    const ElementBase* selected = m_document.Card().GetSelected();
    if (!selected)
        return;
    const POINT origin = m_document.Card().GetOrigin();
    const SIZE card = m_document.Card().GetFrameSize();
    m_tracker.m_fRatio = float(selected->GetAspectRatio());
    m_tracker.BeginTrack(hit, p, {origin.x, origin.y, origin.x + card.cx, origin.y + card.cy});
    if (m_tracker.IsTracking())
        m_document.BeginGesture();
}

void TrackerDrag::Move(POINT p)
{
    m_tracker.TrackTo(p);
}

bool TrackerDrag::IsActive() const
{
    return m_tracker.IsTracking();
}

void TrackerDrag::Release(bool cancelled)
{
    if (cancelled)
        m_tracker.CancelTrack();
    else
        m_tracker.EndTrack();
    m_tracker.NormalizeRect();
    const RECT r = m_tracker.m_rect;
    const POINT origin = m_document.Card().GetOrigin();
    m_document.SetSelectionBounds({r.left - origin.x, r.top - origin.y}, {r.right - r.left, r.bottom - r.top});
    m_document.EndGesture();
}

bool PhotoRotation::Press(POINT p, const RECT& r)
{
    const LONG hw = (r.right - r.left) / 2, hh = (r.bottom - r.top) / 2;
    const RECT inner{r.left + hw / 2, r.top + hh / 2, r.left + hw / 2 + hw, r.top + hh / 2 + hh};
    auto holds = [&p](const RECT& box) {
        return p.x >= box.left && p.x < box.right && p.y >= box.top && p.y < box.bottom;
    };
    if (!holds(r) || holds(inner))
        return false;
    m_last = p;
    m_centre = {r.left + hw, r.top + hh};
    m_active = true;
    // The whole drag is one step, recorded when it first turns the photo.
    m_document.BeginGesture();
    return true;
}

bool PhotoRotation::Move(POINT p)
{
    const double a = AngleDelta(m_centre, m_last, p);
    if (std::fabs(a) - 1.0 < 0.000001)
        return false;
    m_document.RotateSelectedPhoto(float(std::trunc(a)));
    m_last = p;
    return true;
}

void PhotoRotation::Release()
{
    m_active = false;
    m_document.EndGesture();
}
