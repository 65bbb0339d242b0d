// The one place that decides how large a picture may be and how many bytes
// its DIB block takes. Create and every decoder ask here before allocating.
#pragma once

#include <cstdint>

namespace pximage {

// Bits per pixel the container stores: 1, 4, 8 or 24.
constexpr std::uint32_t NormalizeBpp(std::uint32_t bpp)
{
    return bpp <= 1 ? 1 : bpp <= 4 ? 4 : bpp <= 8 ? 8 : 24;
}

// Bytes of one pixel row, padded up to a multiple of 4 bytes.
constexpr std::uint64_t RowStride(std::uint64_t width, std::uint32_t bpp)
{
    return ((width * bpp + 31) / 32) * 4;
}

enum class SizeCheck { Ok, ZeroSize, TooLarge };

struct DibLayout {
    SizeCheck check = SizeCheck::ZeroSize;
    std::uint32_t bpp = 0;             // normalised depth
    std::uint32_t rowStride = 0;
    std::uint32_t paletteEntries = 0;  // biClrUsed
    std::uint32_t pixelBytes = 0;      // biSizeImage
    std::uint32_t totalBytes = 0;      // header + palette + pixels
};

// Layout of a width x height picture at the given depth (normalised first).
// TooLarge when width x height x bpp / 256 exceeds 256,000,000 (the memory
// rule) or when the block would not fit the 32-bit size fields of the header.
DibLayout ComputeDibLayout(std::uint64_t width, std::uint64_t height, std::uint32_t bpp);

}  // namespace pximage
