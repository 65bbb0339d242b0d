// The two drags of the card view as press, move and release: the tracker's
// drag that moves or resizes the selection, and the right-button drag that
// turns the selected photo. Each is one undo step of the document; neither
// knows the widget.
#pragma once

#include "platform/WinRecords.h"

class CLumivexDoc;
class CTrackerEx;

class TrackerDrag {
public:
    TrackerDrag(CLumivexDoc& document, CTrackerEx& tracker) : m_document(document), m_tracker(tracker) {}

    // Starts moving (hit 8) or resizing (a handle) the selection from a
    // client point; the drag point stays on the card.
    void Press(POINT p, int hit);
    // The tracker's rectangle follows; the card itself changes on release.
    void Move(POINT p);
    // The selection takes the rectangle, or keeps its box when cancelled.
    void Release(bool cancelled);
    bool IsActive() const;

private:
    CLumivexDoc& m_document;
    CTrackerEx& m_tracker;
};

class PhotoRotation {
public:
    explicit PhotoRotation(CLumivexDoc& document) : m_document(document) {}

    // Starts turning the selected photo when the press lies in the outer
    // ring of its box (client coordinates): inside the box, outside its
    // middle half. False when no rotation starts.
    bool Press(POINT p, const RECT& box);
    // Turns the photo by the whole degrees the pointer moved around the
    // box's centre since the last turn; false when it did not turn.
    bool Move(POINT p);
    void Release();
    bool IsActive() const { return m_active; }

private:
    CLumivexDoc& m_document;
    POINT m_last{};
    POINT m_centre{};
    bool m_active = false;
};
