#include "image/ImageSize.h"

#include <atomic>
#include <limits>

namespace pximage {

namespace {
constexpr unsigned __int128 kMaxMemoryRule = 256000000;
constexpr std::uint64_t kMaxBlockBytes = std::numeric_limits<std::int32_t>::max();
constexpr std::uint32_t kHeaderBytes = 40;

std::atomic<std::uint64_t> g_decodePixelLimit{kMaxDecodedPixels};
}  // namespace

std::uint64_t DecodePixelLimit()
{
    return g_decodePixelLimit.load(std::memory_order_relaxed);
}

void SetDecodePixelLimit(std::uint64_t pixels)
{
    g_decodePixelLimit.store(pixels, std::memory_order_relaxed);
}

std::string TooManyPixelsReason(std::uint64_t width, std::uint64_t height)
{
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height) + " pixels, more than the " +
           std::to_string(DecodePixelLimit() / 1000000) + " megapixels this program opens";
}

std::string TooMuchMemoryReason(const char* format, std::uint64_t width, std::uint64_t height)
{
    return "decoding the " + std::to_string(width) + " x " + std::to_string(height) + " " + format +
           " picture would take more than the " + std::to_string(DecodeMemoryLimit() / 1000000) +
           " MB this program allows";
}

std::string CutShortReason(const char* format, std::int64_t streamBytes, std::uint64_t width, std::uint64_t height)
{
    return std::string("the ") + format + " file is damaged or cut short: its " + std::to_string(streamBytes) +
           " bytes cannot hold a picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

DibLayout ComputeDibLayout(std::uint64_t width, std::uint64_t height, std::uint32_t bpp)
{
    DibLayout layout;
    if (width == 0 || height == 0)
        return layout;
    layout.bpp = NormalizeBpp(bpp);
    layout.check = SizeCheck::TooLarge;
    // biWidth and biHeight are signed 32-bit fields.
    if (width > kMaxBlockBytes || height > kMaxBlockBytes)
        return layout;
    if ((unsigned __int128)width * height * layout.bpp / 256 > kMaxMemoryRule)
        return layout;
    const std::uint64_t stride = RowStride(width, layout.bpp);
    const std::uint32_t entries = layout.bpp < 24 ? (1u << layout.bpp) : 0;
    const unsigned __int128 pixels = (unsigned __int128)stride * height;
    const unsigned __int128 total = pixels + kHeaderBytes + 4u * entries;
    if (total > kMaxBlockBytes)
        return layout;
    layout.check = SizeCheck::Ok;
    layout.rowStride = std::uint32_t(stride);
    layout.paletteEntries = entries;
    layout.pixelBytes = std::uint32_t(pixels);
    layout.totalBytes = std::uint32_t(total);
    return layout;
}

}  // namespace pximage
