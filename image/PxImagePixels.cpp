// PxImage: palette, pixel access, the alpha and selection planes, and
// widening to a deeper pixel format.
#include "image/PxImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/PixelMemory.h"

namespace {

std::size_t PlaneBytes(const PxImage& image)
{
    return std::size_t(image.GetWidth()) * image.GetHeight();
}

}  // namespace

RGBQUAD* PxImage::GetPalette()
{
    return const_cast<RGBQUAD*>(static_cast<const PxImage*>(this)->GetPalette());
}

const RGBQUAD* PxImage::GetPalette() const
{
    if (!dib || header.biClrUsed == 0)
        return nullptr;
    return reinterpret_cast<const RGBQUAD*>(dib + sizeof(BITMAPINFOHEADER));
}

RGBQUAD PxImage::GetPaletteColor(std::uint8_t index) const
{
    const RGBQUAD* palette = GetPalette();
    if (!palette || index >= header.biClrUsed)
        return {};
    return palette[index];
}

void PxImage::SetPalette(const RGBQUAD* colors, std::uint32_t count)
{
    RGBQUAD* palette = GetPalette();
    if (!colors || !palette)
        return;
    std::memcpy(palette, colors, 4 * std::size_t(std::min(count, header.biClrUsed)));
    info.nearestValid = false;
}

void PxImage::SetPaletteColor(std::uint8_t index, RGBQUAD color)
{
    RGBQUAD* palette = GetPalette();
    if (!palette || index >= header.biClrUsed)
        return;
    palette[index] = color;
    info.nearestValid = false;
}

std::uint8_t PxImage::GetPixelIndex(std::int32_t x, std::int32_t y) const
{
    if (!dib || !IsIndexed())
        return 0;
    if (!IsInside(x, y))
        return info.transIndex != -1 ? std::uint8_t(info.transIndex) : *GetBits();
    const std::uint8_t* row = GetBits() + std::size_t(y) * info.rowStride;
    switch (GetBpp()) {
    case 8:
        return row[x];
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default:
        return 0;
    }
}

void PxImage::SetPixelIndex(std::int32_t x, std::int32_t y, std::uint8_t index)
{
    if (!IsIndexed() || !IsInside(x, y))
        return;
    std::uint8_t* row = GetBits() + std::size_t(y) * info.rowStride;
    switch (GetBpp()) {
    case 8:
        row[x] = index;
        break;
    case 4: {
        std::uint8_t& byte = row[x >> 1];
        byte = (x & 1) ? std::uint8_t((byte & 0xF0) | (index & 0x0F))
                       : std::uint8_t((byte & 0x0F) | ((index & 0x0F) << 4));
        break;
    }
    case 1: {
        const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
        std::uint8_t& byte = row[x >> 3];
        byte = (index & 1) ? std::uint8_t(byte | mask) : std::uint8_t(byte & ~mask);
        break;
    }
    default:
        break;
    }
}

RGBQUAD PxImage::GetPixelColor(std::int32_t x, std::int32_t y, bool withAlpha) const
{
    RGBQUAD color = info.transColor;
    if (!IsInside(x, y)) {
        if (info.transIndex != -1)
            return GetBpp() < 24 ? GetPaletteColor(std::uint8_t(info.transIndex)) : info.transColor;
        return dib ? GetPixelColor(0, 0, true) : info.transColor;
    }
    if (IsIndexed()) {
        color = GetPaletteColor(GetPixelIndex(x, y));
    } else {
        const std::uint8_t* p = GetBits() + std::size_t(y) * info.rowStride + 3 * std::size_t(x);
        color.rgbBlue = p[0];
        color.rgbGreen = p[1];
        color.rgbRed = p[2];
    }
    if (withAlpha && alpha)
        color.rgbReserved = alpha[std::size_t(y) * GetWidth() + x];
    return color;
}

void PxImage::SetPixelColor(std::int32_t x, std::int32_t y, RGBQUAD color, bool setAlpha)
{
    if (!IsInside(x, y))
        return;
    if (IsIndexed()) {
        SetPixelIndex(x, y, GetNearestIndex(color));
    } else {
        std::uint8_t* p = GetBits() + std::size_t(y) * info.rowStride + 3 * std::size_t(x);
        p[0] = color.rgbBlue;
        p[1] = color.rgbGreen;
        p[2] = color.rgbRed;
    }
    if (setAlpha)
        AlphaSet(x, y, color.rgbReserved);
}

std::uint8_t PxImage::GetNearestIndex(RGBQUAD color)
{
    const RGBQUAD* palette = GetPalette();
    if (!palette)
        return 0;
    if (info.nearestValid && info.nearestColor == color)
        return info.nearestIndex;
    info.nearestColor = color;
    // biClrImportant limits the search when a file set it; never past the palette.
    std::uint32_t entries = header.biClrImportant ? header.biClrImportant : header.biClrUsed;
    entries = std::min(entries, header.biClrUsed);
    std::int32_t best = 200000;
    std::uint8_t found = 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::int32_t dr = std::int32_t(palette[i].rgbRed) - color.rgbRed;
        const std::int32_t dg = std::int32_t(palette[i].rgbGreen) - color.rgbGreen;
        const std::int32_t db = std::int32_t(palette[i].rgbBlue) - color.rgbBlue;
        const std::int32_t distance = dr * dr + dg * dg + db * db;
        if (distance < best) {
            best = distance;
            found = std::uint8_t(i);
            if (distance == 0)
                break;
        }
    }
    info.nearestIndex = found;
    info.nearestValid = true;
    return found;
}

bool PxImage::IsTransparent(std::int32_t x, std::int32_t y) const
{
    if (!dib)
        return false;
    if (info.transIndex >= 0) {
        if (IsIndexed()) {
            if (GetPixelIndex(x, y) == info.transIndex)
                return true;
        } else if (GetPixelColor(x, y, false) == info.transColor) {
            return true;
        }
    }
    if (alpha)
        return AlphaGet(x, y) == 0;
    return false;
}

void PxImage::AlphaCreate()
{
    if (alpha || !dib)
        return;
    alpha = static_cast<std::uint8_t*>(AllocatePixels(PlaneBytes(*this), false));
    if (alpha)
        std::memset(alpha, 255, PlaneBytes(*this));
}

void PxImage::AlphaDelete()
{
    FreePixels(alpha);
    alpha = nullptr;
}

void PxImage::AlphaClear()
{
    if (alpha)
        std::memset(alpha, 0, PlaneBytes(*this));
}

void PxImage::AlphaSet(std::uint8_t value)
{
    if (alpha)
        std::memset(alpha, value, PlaneBytes(*this));
}

void PxImage::AlphaSet(std::int32_t x, std::int32_t y, std::uint8_t value)
{
    if (alpha && IsInside(x, y))
        alpha[std::size_t(y) * GetWidth() + x] = value;
}

std::uint8_t PxImage::AlphaGet(std::int32_t x, std::int32_t y) const
{
    if (alpha && IsInside(x, y))
        return alpha[std::size_t(y) * GetWidth() + x];
    return 0;
}

std::uint8_t* PxImage::AlphaGetPointer(std::int32_t x, std::int32_t y)
{
    return const_cast<std::uint8_t*>(static_cast<const PxImage*>(this)->AlphaGetPointer(x, y));
}

const std::uint8_t* PxImage::AlphaGetPointer(std::int32_t x, std::int32_t y) const
{
    if (alpha && IsInside(x, y))
        return alpha + std::size_t(y) * GetWidth() + x;
    return nullptr;
}

bool PxImage::AlphaCopy(const PxImage& src)
{
    if (!src.alpha || !dib || src.GetWidth() != GetWidth() || src.GetHeight() != GetHeight())
        return false;
    if (!alpha)
        alpha = static_cast<std::uint8_t*>(AllocatePixels(PlaneBytes(*this), false));
    if (!alpha)
        return false;
    std::memcpy(alpha, src.alpha, PlaneBytes(*this));
    info.alphaMax = src.info.alphaMax;
    return true;
}

bool PxImage::AlphaPaletteIsValid() const
{
    const RGBQUAD* palette = GetPalette();
    if (!palette)
        return false;
    return std::any_of(palette, palette + header.biClrUsed, [](const RGBQUAD& c) { return c.rgbReserved != 0; });
}

bool PxImage::SelectionCreate()
{
    if (!dib)
        return false;
    if (!selection)
        selection = static_cast<std::uint8_t*>(AllocatePixels(PlaneBytes(*this), true));
    info.selectionBox = {LONG(GetWidth()), 0, 0, LONG(GetHeight())};
    return selection != nullptr;
}

bool PxImage::SelectionCopy(const PxImage& src)
{
    if (!src.selection || !dib || src.GetWidth() != GetWidth() || src.GetHeight() != GetHeight())
        return false;
    if (!selection)
        selection = static_cast<std::uint8_t*>(AllocatePixels(PlaneBytes(*this), false));
    if (!selection)
        return false;
    std::memcpy(selection, src.selection, PlaneBytes(*this));
    info.selectionBox = src.info.selectionBox;
    return true;
}

bool PxImage::SelectionDelete()
{
    FreePixels(selection);
    selection = nullptr;
    info.selectionBox = {LONG(GetWidth()), 0, 0, LONG(GetHeight())};
    return true;
}

bool PxImage::IncreaseBpp(std::uint32_t bpp)
{
    if (bpp != 4 && bpp != 8 && bpp != 24)
        return false;
    if (!dib)
        return false;
    if (GetBpp() == bpp)
        return true;
    if (GetBpp() > bpp)
        return false;

    PxImage wider;
    if (!StartResult(wider, GetWidth(), GetHeight(), bpp, false))
        return false;
    wider.SelectionCopy(*this);
    wider.AlphaCopy(*this);

    const std::int32_t width = std::int32_t(GetWidth());
    const std::int32_t height = std::int32_t(GetHeight());
    if (bpp < 24) {
        for (std::int32_t y = 0; y < height && !info.escape; ++y)
            for (std::int32_t x = 0; x < width; ++x)
                wider.SetPixelIndex(x, y, GetPixelIndex(x, y));
    } else {
        if (info.transIndex >= 0)
            wider.info.transColor = GetPaletteColor(std::uint8_t(info.transIndex));
        if (AlphaPaletteIsValid() && !alpha)
            wider.AlphaCreate();
        const RGBQUAD* palette = GetPalette();
        for (std::int32_t y = 0; y < height && !info.escape; ++y) {
            std::uint8_t* out = wider.GetBits(std::uint32_t(y));
            std::uint8_t* outAlpha = wider.alpha ? wider.alpha + std::size_t(y) * width : nullptr;
            const std::uint8_t* inAlpha = alpha ? alpha + std::size_t(y) * width : nullptr;
            for (std::int32_t x = 0; x < width; ++x, out += 3) {
                const RGBQUAD c = palette[GetPixelIndex(x, y)];
                out[0] = c.rgbBlue;
                out[1] = c.rgbGreen;
                out[2] = c.rgbRed;
                if (outAlpha)
                    outAlpha[x] = inAlpha ? inAlpha[x] : c.rgbReserved;
            }
        }
    }
    return Transfer(wider);
}
