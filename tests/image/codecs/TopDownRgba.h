// Pictures handed to the encoders of other libraries, which take red,
// green, blue, alpha rows from the top.
#pragma once

#include <cstdint>
#include <vector>

#include "image/PxImage.h"

namespace codectest {

// The 24-bit picture's pixels from its top row down; alpha 255 without a plane.
inline std::vector<std::uint8_t> TopDownRgba(const PxImage& picture)
{
    const std::uint32_t width = picture.GetWidth(), height = picture.GetHeight();
    std::vector<std::uint8_t> rgba;
    rgba.reserve(std::size_t(width) * height * 4);
    for (std::uint32_t y = height; y-- > 0;) {
        const std::uint8_t* bgr = picture.GetBits(y);
        const std::uint8_t* alpha = picture.alpha ? picture.alpha + std::size_t(y) * width : nullptr;
        for (std::uint32_t x = 0; x < width; ++x, bgr += 3)
            rgba.insert(rgba.end(), {bgr[2], bgr[1], bgr[0], alpha ? alpha[x] : std::uint8_t(255)});
    }
    return rgba;
}

// Gradients and a soft diagonal: what lossy coders keep well.
inline PxImage Smooth(std::uint32_t width, std::uint32_t height)
{
    PxImage image(width, height, 24, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* bgr = image.GetBits(y);
        for (std::uint32_t x = 0; x < width; ++x, bgr += 3) {
            bgr[0] = std::uint8_t((x + y) * 255 / (width + height - 2));
            bgr[1] = std::uint8_t(y * 255 / (height - 1));
            bgr[2] = std::uint8_t(x * 255 / (width - 1));
        }
    }
    return image;
}

}  // namespace codectest
