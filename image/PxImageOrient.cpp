// PxImage: the exact transforms. Flips, mirrors and quarter turns move whole
// pixels and never interpolate.
#include "image/PxImage.h"

#include <algorithm>
#include <cstring>

namespace {

// Quarter turns walk the source in tiles so that both images stay in cache.
constexpr std::int32_t kTile = 64;


// Generic quarter or half turn: dest (x, y) takes source map(x, y). Pixels of
// 8 and 24 bits go through row pointers, 1 and 4 bits through the accessors.
template <std::uint32_t Bytes, typename Map>
void TurnPixels(const PxImage& src, PxImage& dst, Map map)
{
    const std::int32_t width = std::int32_t(dst.GetWidth());
    const std::int32_t height = std::int32_t(dst.GetHeight());
    const std::int32_t srcWidth = std::int32_t(src.GetWidth());
    const std::uint8_t* srcBits = src.GetBits();
    const std::size_t srcStride = src.GetEffWidth();
    for (std::int32_t ty = 0; ty < height; ty += kTile) {
        for (std::int32_t tx = 0; tx < width; tx += kTile) {
            const std::int32_t yEnd = std::min(ty + kTile, height);
            const std::int32_t xEnd = std::min(tx + kTile, width);
            for (std::int32_t y = ty; y < yEnd; ++y) {
                std::uint8_t* out = dst.GetBits(std::uint32_t(y));
                std::uint8_t* outAlpha = dst.alpha ? dst.alpha + std::size_t(y) * width : nullptr;
                for (std::int32_t x = tx; x < xEnd; ++x) {
                    const auto [sx, sy] = map(x, y);
                    if constexpr (Bytes > 0)
                        std::memcpy(out + std::size_t(x) * Bytes, srcBits + sy * srcStride + std::size_t(sx) * Bytes, Bytes);
                    else
                        dst.SetPixelIndex(x, y, src.GetPixelIndex(sx, sy));
                    if (outAlpha)
                        outAlpha[x] = src.alpha[std::size_t(sy) * srcWidth + sx];
                }
            }
        }
    }
}

template <typename Map>
void Turn(const PxImage& src, PxImage& dst, Map map)
{
    switch (src.GetBpp()) {
    case 24: TurnPixels<3>(src, dst, map); break;
    case 8: TurnPixels<1>(src, dst, map); break;
    default: TurnPixels<0>(src, dst, map); break;
    }
}

}  // namespace

bool PxImage::Flip()
{
    if (!dib)
        return false;
    PxImage flipped;
    if (!StartResult(flipped, GetWidth(), GetHeight(), GetBpp(), alpha != nullptr))
        return false;
    const std::uint32_t height = GetHeight();
    for (std::uint32_t y = 0; y < height; ++y)
        std::memcpy(flipped.GetBits(y), GetBits(height - 1 - y), info.rowStride);
    if (alpha) {
        const std::size_t width = GetWidth();
        for (std::uint32_t y = 0; y < height; ++y)
            std::memcpy(flipped.alpha + y * width, alpha + (height - 1 - y) * width, width);
    }
    return Transfer(flipped);
}

bool PxImage::Mirror()
{
    if (!dib)
        return false;
    PxImage mirrored;
    if (!StartResult(mirrored, GetWidth(), GetHeight(), GetBpp(), alpha != nullptr))
        return false;
    const std::int32_t width = std::int32_t(GetWidth());
    const std::int32_t height = std::int32_t(GetHeight());
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* in = GetBits(std::uint32_t(y));
        std::uint8_t* out = mirrored.GetBits(std::uint32_t(y));
        switch (GetBpp()) {
        case 24:
            for (std::int32_t x = 0; x < width; ++x)
                std::memcpy(out + 3 * std::size_t(x), in + 3 * std::size_t(width - 1 - x), 3);
            break;
        case 8:
            std::reverse_copy(in, in + width, out);
            break;
        default:
            for (std::int32_t x = 0; x < width; ++x)
                mirrored.SetPixelIndex(x, y, GetPixelIndex(width - 1 - x, y));
            break;
        }
        if (alpha) {
            const std::uint8_t* rowAlpha = alpha + std::size_t(y) * width;
            std::reverse_copy(rowAlpha, rowAlpha + width, mirrored.alpha + std::size_t(y) * width);
        }
    }
    return Transfer(mirrored);
}

bool PxImage::RotateRight(PxImage* dest)
{
    if (!dib)
        return false;
    PxImage turned;
    if (!StartResult(turned, GetHeight(), GetWidth(), GetBpp(), alpha != nullptr))
        return false;
    const std::int32_t width = std::int32_t(GetWidth());
    Turn(*this, turned, [width](std::int32_t x, std::int32_t y) { return std::pair{width - 1 - y, x}; });
    return DeliverResult(turned, dest);
}

bool PxImage::RotateLeft(PxImage* dest)
{
    if (!dib)
        return false;
    PxImage turned;
    if (!StartResult(turned, GetHeight(), GetWidth(), GetBpp(), alpha != nullptr))
        return false;
    const std::int32_t height = std::int32_t(GetHeight());
    Turn(*this, turned, [height](std::int32_t x, std::int32_t y) { return std::pair{y, height - 1 - x}; });
    return DeliverResult(turned, dest);
}

bool PxImage::Rotate180(PxImage* dest)
{
    if (!dib)
        return false;
    PxImage turned;
    if (!StartResult(turned, GetWidth(), GetHeight(), GetBpp(), alpha != nullptr))
        return false;
    const std::int32_t width = std::int32_t(GetWidth());
    const std::int32_t height = std::int32_t(GetHeight());
    Turn(*this, turned, [width, height](std::int32_t x, std::int32_t y) {
        return std::pair{width - 1 - x, height - 1 - y};
    });
    return DeliverResult(turned, dest);
}
