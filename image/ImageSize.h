// The one place that decides how large a picture may be and how many bytes
// its DIB block takes. Create and every decoder ask here before allocating.
#pragma once

#include <cstdint>
#include <string>

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

// How large a decoded picture may be. Real photographs stay far below the
// ceiling: the largest cameras write 100 to 200 megapixels, multi-shot
// sensors 400; above that lie stitched panoramas meant for a printer, not a
// card, and crafted files whose few bytes declare gigapixels. 500 megapixels
// take 1.5 GB at 24 bits and stay inside the container's 2 GiB block, so a
// refused file is told apart from a picture that merely failed to allocate.
// Below the ceiling each format proves in its own way that its stream can
// hold what it declares (JPEG: a bit per block; PNG and TIFF: their
// compression's largest expansion; GIF: its code size), which costs honest
// files nothing.
constexpr std::uint64_t kMaxDecodedPixels = 500000000;

// The ceiling in force: kMaxDecodedPixels, unless a harness lowered it for
// the memory it runs under. Safe to read from any thread.
std::uint64_t DecodePixelLimit();
void SetDecodePixelLimit(std::uint64_t pixels);

// What a decoder may spend on the picture and its working buffers together
// (a library's coefficients, a composition screen, 32-bit samples): four
// bytes for every pixel of the ceiling.
inline std::uint64_t DecodeMemoryLimit()
{
    return 4 * DecodePixelLimit();
}

inline bool WithinDecodePixelLimit(std::uint64_t width, std::uint64_t height)
{
    return (unsigned __int128)width * height <= DecodePixelLimit();
}

// The words a refused picture is explained with: "the picture is 30000 x
// 30000 pixels, more than the 500 megapixels this program opens".
std::string TooManyPixelsReason(std::uint64_t width, std::uint64_t height);

// "decoding the 20000 x 20000 JPEG 2000 picture would take more than the
// 2000 MB this program allows"
std::string TooMuchMemoryReason(const char* format, std::uint64_t width, std::uint64_t height);

// "the PNG file is damaged or cut short: its 1200 bytes cannot hold a
// picture of 8000 x 6000 pixels"
std::string CutShortReason(const char* format, std::int64_t streamBytes, std::uint64_t width, std::uint64_t height);

}  // namespace pximage
