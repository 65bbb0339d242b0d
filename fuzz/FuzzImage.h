// What every decoding fuzz target does with a picture a codec accepted:
// check the container's layout and read every byte it claims to hold, so
// that a decoder which sized a plane too small, or left the layout
// inconsistent, shows up under AddressSanitizer at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "image/ImageSize.h"
#include "image/PxImage.h"

namespace fuzzsupport {

// Keeps the hash alive so the reads cannot be optimised away.
inline volatile std::uint32_t g_sink;

[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz: broken picture: %s\n", what);
    std::abort();
}

inline std::uint32_t Mix(std::uint32_t hash, const std::uint8_t* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

// Every pixel row (padding included), the palette, and the alpha and
// selection planes of a decoded picture.
inline void TouchImage(const PxImage& image)
{
    if (!image.IsValid())
        Fail("decode succeeded without pixels");
    const std::uint32_t width = image.GetWidth(), height = image.GetHeight();
    const pximage::DibLayout layout = pximage::ComputeDibLayout(width, height, image.GetBpp());
    if (layout.check != pximage::SizeCheck::Ok || layout.bpp != image.GetBpp())
        Fail("size or depth outside the container's rules");
    if (image.GetEffWidth() != layout.rowStride || image.header.biSizeImage != layout.pixelBytes ||
        image.GetNumColors() != layout.paletteEntries || std::uint32_t(image.GetSize()) != layout.totalBytes)
        Fail("header fields disagree with the layout");
    if (image.info.bits != image.GetBits(0))
        Fail("info.bits does not point at the pixel array");

    std::uint32_t hash = 2166136261u;
    if (const RGBQUAD* palette = image.GetPalette())
        hash = Mix(hash, reinterpret_cast<const std::uint8_t*>(palette), 4 * std::size_t(image.GetNumColors()));
    for (std::uint32_t row = 0; row < height; ++row)
        hash = Mix(hash, image.GetBits(row), image.GetEffWidth());
    const std::size_t plane = std::size_t(width) * height;
    if (image.alpha)
        hash = Mix(hash, image.alpha, plane);
    if (image.selection)
        hash = Mix(hash, image.selection, plane);
    g_sink = hash;
}

}  // namespace fuzzsupport
