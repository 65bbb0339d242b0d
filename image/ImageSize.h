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

// The memory a decoder may spend on what a stream declares. Run lengths,
// deflate, JPEG's end-of-band runs, a GIF's logical screen or a JPEG 2000
// tile-part length let a few hundred bytes declare gigabytes, which every
// format's own expansion bound still allows. Up to kFreeDecodeBytes (64 MiB:
// a 22-megapixel photograph at 24 bits) any stream may declare; beyond that
// the stream must hold one byte for every kBytesPerStreamByte (256) bytes,
// so an input of 1 MiB can cost at most 256 MiB. Photographs and scans stay
// far below that ratio; only flat synthetic pictures above 64 MiB exceed it,
// and those are refused. A stream that cannot tell its length (-1) is not
// limited here.
constexpr std::uint64_t kFreeDecodeBytes = std::uint64_t(64) << 20;
constexpr std::uint64_t kBytesPerStreamByte = 256;

constexpr bool WithinDecodeBudget(std::uint64_t bytes, std::int64_t streamBytes)
{
    return bytes <= kFreeDecodeBytes || streamBytes < 0 ||
           bytes / kBytesPerStreamByte <= std::uint64_t(streamBytes);
}

}  // namespace pximage
