// A card element: something with a top-left position and a size on the card
// (card pixels, y downwards) that draws itself and answers hit tests.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Gdi.h"

constexpr std::int32_t ELEMENT_USER = 0;            // photo or text added by the user
constexpr std::int32_t ELEMENT_TEMPLATE_TEXT = 1;   // text read from a template
constexpr std::int32_t ELEMENT_TEMPLATE_FRAME = 2;  // frame read from a template

class ElementBase {
public:
    virtual ~ElementBase() = default;

    virtual std::unique_ptr<ElementBase> Clone() const = 0;
    // A copy of what the element is, without what Rebuild derives from that
    // (kept by the undo history; rebuilt when it is put back on the card).
    virtual std::unique_ptr<ElementBase> CloneState() const { return Clone(); }
    virtual void Draw(HDC dc) = 0;
    virtual void SetSize(SIZE size) { m_size = size; }
    // True when a click at the card point passes through to what lies below.
    virtual bool IsTransparentAt(POINT point) const = 0;
    virtual void Rebuild(bool highQuality) { m_bHighQuality = highQuality ? 1 : 0; }
    // The card the element is drawn on, from its top-left corner (card
    // pixels); {0, 0} when it is not known. An element may keep only what of
    // it falls on the card; it follows a new card at its next rebuild.
    virtual void SetCanvas(SIZE) {}
    virtual void Rotate(float) {}
    virtual double GetAspectRatio() const { return double(m_size.cx) / double(m_size.cy); }
    virtual SIZE GetSize() const { return m_size; }
    virtual POINT GetPos() const { return m_ptPos; }

    std::int32_t m_bHighQuality = 0;  // working pictures from the high-quality resampler
    std::int32_t m_nKind = ELEMENT_USER;
    POINT m_ptPos{};
    SIZE m_size{};

protected:
    ElementBase() = default;
    ElementBase(const ElementBase&) = default;
    ElementBase& operator=(const ElementBase&) = default;
};

inline bool operator==(const SIZE& a, const SIZE& b)
{
    return a.cx == b.cx && a.cy == b.cy;
}
