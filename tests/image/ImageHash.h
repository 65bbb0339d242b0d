// A hash of what a picture shows, for the corpus tables under tests/data:
// 64-bit FNV-1a over red, green, blue, alpha of every pixel, rows from the
// top of the picture down, pixels left to right. Alpha is the alpha plane's
// byte, or 255 without a plane. tools/corpus/pixelhash.py computes the same
// value from what another program decodes.
#pragma once

#include <cstdint>

#include "image/PxImage.h"

namespace testimages {

inline std::uint64_t PixelHash(const PxImage& image)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    auto add = [&hash](std::uint8_t byte) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    };
    for (std::int32_t y = std::int32_t(image.GetHeight()) - 1; y >= 0; --y)
        for (std::int32_t x = 0; x < std::int32_t(image.GetWidth()); ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y, false);
            add(c.rgbRed);
            add(c.rgbGreen);
            add(c.rgbBlue);
            add(image.AlphaIsValid() ? image.AlphaGet(x, y) : 255);
        }
    return hash;
}

}  // namespace testimages
