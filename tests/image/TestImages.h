// Random pictures for the image core's tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>

#include "image/PxImage.h"

namespace testimages {

// A width x height picture of the given depth with random pixels, a random
// palette (indexed depths) and, if asked, a random alpha plane.
inline PxImage Random(std::uint32_t width, std::uint32_t height, std::uint32_t bpp, bool withAlpha,
                      std::uint32_t seed)
{
    std::mt19937 rng(seed);
    PxImage image(width, height, bpp, 0);
    for (std::uint32_t i = 0; i < image.GetNumColors(); ++i)
        image.SetPaletteColor(std::uint8_t(i), {std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0});
    for (std::int32_t y = 0; y < std::int32_t(height); ++y)
        for (std::int32_t x = 0; x < std::int32_t(width); ++x) {
            if (image.IsIndexed())
                image.SetPixelIndex(x, y, std::uint8_t(rng() % image.GetNumColors()));
            else
                image.SetPixelColor(x, y, {std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0});
        }
    if (withAlpha) {
        image.AlphaCreate();
        for (std::uint32_t i = 0; i < width * height; ++i)
            image.alpha[i] = std::uint8_t(rng());
    }
    return image;
}

// Gives an indexed picture an even grey ramp from black to white.
inline void SetGreyPalette(PxImage& image)
{
    const std::uint32_t colours = image.GetNumColors();
    for (std::uint32_t i = 0; i < colours; ++i) {
        const std::uint8_t level = std::uint8_t(i * 255 / (colours - 1));
        image.SetPaletteColor(std::uint8_t(i), {level, level, level, 0});
    }
}

// True when both pictures have the same size, depth, DIB bytes and alpha plane.
inline bool SamePixels(const PxImage& a, const PxImage& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBpp() != b.GetBpp())
        return false;
    if (std::memcmp(a.GetBits(), b.GetBits(), std::size_t(a.GetEffWidth()) * a.GetHeight()) != 0)
        return false;
    if ((a.alpha == nullptr) != (b.alpha == nullptr))
        return false;
    return !a.alpha || std::memcmp(a.alpha, b.alpha, std::size_t(a.GetWidth()) * a.GetHeight()) == 0;
}

// The window of a picture, pixel by pixel through the accessors, with its alpha.
inline PxImage Cut(const PxImage& image, const PxWindow& window)
{
    PxImage cut(std::uint32_t(window.width), std::uint32_t(window.height), image.GetBpp(), image.GetType());
    cut.SetPalette(image.GetPalette(), image.GetNumColors());
    if (image.AlphaIsValid())
        cut.AlphaCreate();
    for (int y = 0; y < window.height; ++y)
        for (int x = 0; x < window.width; ++x) {
            if (image.IsIndexed())
                cut.SetPixelIndex(x, y, image.GetPixelIndex(window.x + x, window.y + y));
            else
                cut.SetPixelColor(x, y, image.GetPixelColor(window.x + x, window.y + y, false));
            if (image.AlphaIsValid())
                cut.AlphaSet(x, y, image.AlphaGet(window.x + x, window.y + y));
        }
    return cut;
}

}  // namespace testimages
