// Cards and pixel readers for the composition tests: photos of one grey,
// and the colour at a device point of any 24-bit bitmap.
#pragma once

#include <memory>

#include "model/ImageEx.h"

namespace cardpixels {

inline std::unique_ptr<ImageEx> GreyPhoto(LONG width, LONG height, POINT pos, std::uint8_t grey)
{
    PxImage picture(std::uint32_t(width), std::uint32_t(height), 24, 0);
    picture.Clear(grey);
    auto photo = std::make_unique<ImageEx>(picture, PxImage());
    photo->SetSize({width, height});
    photo->m_ptPos = pos;
    return photo;
}

// Device (x, y), y downwards, of a bottom-up 24-bit bitmap.
inline COLORREF PixelAt(Bitmap& bitmap, LONG x, LONG y)
{
    const std::uint8_t* p = bitmap.Row(bitmap.Height() - 1 - y) + 3 * std::size_t(x);
    return RGB(p[2], p[1], p[0]);
}

constexpr COLORREF Grey(std::uint8_t level)
{
    return RGB(level, level, level);
}

}  // namespace cardpixels
