// Elements for the card model's tests: frames with a transparent window,
// plain photos and texts.
#pragma once

#include <memory>
#include <string>

#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "tests/image/TestImages.h"

namespace cardfixtures {

// A frame of width x height whose mask is black (transparent) inside the
// window rectangle (card coordinates, y downwards) and white elsewhere.
inline std::unique_ptr<ImageEx> Frame(LONG width, LONG height, RECT window, std::uint32_t seed = 1)
{
    PxImage mask(std::uint32_t(width), std::uint32_t(height), 24, 0);
    mask.Clear(255);
    for (LONG y = window.top; y < window.bottom; ++y)
        for (LONG x = window.left; x < window.right; ++x)
            mask.SetPixelColor(x, height - 1 - y, {0, 0, 0, 0});
    auto frame = std::make_unique<ImageEx>(testimages::Random(std::uint32_t(width), std::uint32_t(height), 24, false, seed),
                                           mask);
    frame->SetSize({width, height});
    frame->m_nKind = ELEMENT_TEMPLATE_FRAME;
    return frame;
}

inline std::unique_ptr<ImageEx> Photo(LONG width, LONG height, POINT pos, std::uint32_t seed = 2)
{
    auto photo = std::make_unique<ImageEx>(testimages::Random(std::uint32_t(width), std::uint32_t(height), 24, false, seed),
                                           PxImage());
    photo->SetSize({width, height});
    photo->m_ptPos = pos;
    return photo;
}

inline LOGFONTW LogFont(const std::u16string& face, LONG height)
{
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = 400;
    std::copy(face.begin(), face.end(), font.lfFaceName);
    return font;
}

inline std::unique_ptr<TextEx> Text(const std::u16string& text, POINT pos, std::int32_t kind = ELEMENT_USER)
{
    auto element = std::make_unique<TextEx>(LogFont(u"Arial", -20), RGB(200, 10, 30), text);
    element->m_ptPos = pos;
    element->m_nKind = kind;
    return element;
}

}  // namespace cardfixtures
