// PxImage: construction, lifetime, copies and the DIB layout.
#include "image/PxImage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/PixelMemory.h"
#include "image/ImageSize.h"

namespace {

std::int32_t PelsPerMeter(std::int32_t dpi)
{
    return std::int32_t(std::floor(dpi * 39.37007874015748 + 0.5));
}

}  // namespace

PxImage::PxImage(std::uint32_t type)
{
    info.type = type;
    ResetHeaderResolution();
}

PxImage::PxImage(PxImage&& src) noexcept : PxImage()
{
    Transfer(src);
}

PxImage::PxImage(std::uint32_t width, std::uint32_t height, std::uint32_t bpp, std::uint32_t type)
{
    ResetHeaderResolution();
    Create(width, height, bpp, type);
}

PxImage::PxImage(const PxImage& src, bool copyPixels, bool copySelection, bool copyAlpha)
{
    info.type = src.info.type;
    ResetHeaderResolution();
    Copy(src, copyPixels, copySelection, copyAlpha);
}

PxImage& PxImage::operator=(const PxImage& src)
{
    if (this != &src)
        Copy(src, true, true, true);
    return *this;
}

PxImage::~PxImage()
{
    Destroy();
}

void PxImage::ResetHeaderResolution()
{
    header.biXPelsPerMeter = PelsPerMeter(info.xDpi);
    header.biYPelsPerMeter = PelsPerMeter(info.yDpi);
}

std::uint8_t* PxImage::Create(std::uint32_t width, std::uint32_t height, std::uint32_t bpp, std::uint32_t type)
{
    if (!Destroy())
        return nullptr;
    if (width == 0 || height == 0) {
        SetLastError("PxImage::Create : width and height must be greater than zero");
        return nullptr;
    }
    const pximage::DibLayout layout = pximage::ComputeDibLayout(width, height, bpp);
    if (layout.check != pximage::SizeCheck::Ok) {
        SetLastError("PXIMAGE_MAX_MEMORY exceeded");
        return nullptr;
    }

    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = LONG(width);
    header.biHeight = LONG(height);
    header.biPlanes = 1;
    header.biBitCount = WORD(layout.bpp);
    header.biCompression = 0;
    header.biSizeImage = layout.pixelBytes;
    header.biClrUsed = layout.paletteEntries;
    header.biClrImportant = 0;
    info.type = type;
    info.rowStride = layout.rowStride;
    info.nearestValid = false;

    // Zeroed memory: the palette must start zeroed, and pixels that a caller
    // forgets to fill can then never show what the allocator held before.
    dib = static_cast<std::uint8_t*>(AllocatePixels(layout.totalBytes, true));
    if (!dib) {
        SetLastError("PxImage::Create can't allocate memory");
        return nullptr;
    }
    std::memcpy(dib, &header, sizeof header);
    info.bits = dib + sizeof header + 4 * header.biClrUsed;
    return dib;
}

bool PxImage::Destroy()
{
    if (info.ghostOwner)
        return false;
    if (layers) {
        for (std::int32_t i = 0; i < info.layerCount; ++i)
            delete layers[i];
        delete[] layers;
        layers = nullptr;
    }
    FreePixels(selection);
    FreePixels(alpha);
    FreePixels(dib);
    selection = alpha = dib = nullptr;
    info.bits = nullptr;
    return true;
}

void PxImage::Copy(const PxImage& src, bool copyPixels, bool copySelection, bool copyAlpha)
{
    if (this == &src)
        return;
    // The record follows the source, but being a ghost is a relation of this
    // object, not something a copy can inherit.
    PxImage* const owner = info.ghostOwner;
    info = src.info;
    info.ghostOwner = owner;
    info.bits = nullptr;
    header.biXPelsPerMeter = src.header.biXPelsPerMeter;
    header.biYPelsPerMeter = src.header.biYPelsPerMeter;
    if (!src.IsValid()) {
        Destroy();
        return;
    }
    if (!Create(src.GetWidth(), src.GetHeight(), src.GetBpp(), src.GetType()))
        return;
    if (copyPixels)
        std::memcpy(dib, src.dib, std::size_t(GetSize()));
    else
        SetPalette(src.GetPalette(), 256);
    const std::size_t planeBytes = std::size_t(GetWidth()) * GetHeight();
    if (copySelection && src.selection) {
        selection = static_cast<std::uint8_t*>(AllocatePixels(planeBytes, false));
        if (selection)
            std::memcpy(selection, src.selection, planeBytes);
    }
    if (copyAlpha && src.alpha) {
        alpha = static_cast<std::uint8_t*>(AllocatePixels(planeBytes, false));
        if (alpha)
            std::memcpy(alpha, src.alpha, planeBytes);
    }
}

void PxImage::CopyInfo(const PxImage& src)
{
    if (dib)
        return;
    PxImage* const owner = info.ghostOwner;
    info = src.info;
    info.ghostOwner = owner;
    info.bits = nullptr;
}

bool PxImage::Transfer(PxImage& src)
{
    if (this == &src)
        return true;
    if (!Destroy())
        return false;
    header = src.header;
    // Moved, so that the source holds no reference to the colour space when
    // its record is cleared below.
    info = std::move(src.info);
    dib = src.dib;
    selection = src.selection;
    alpha = src.alpha;
    layers = src.layers;
    std::memset(static_cast<void*>(&src.header), 0, sizeof src.header);
    std::memset(static_cast<void*>(&src.info), 0, sizeof src.info);
    src.dib = src.selection = src.alpha = nullptr;
    src.layers = nullptr;
    return true;
}

void PxImage::Ghost(PxImage& src)
{
    if (this == &src)
        return;
    Destroy();
    header = src.header;
    info = src.info;
    dib = src.dib;
    selection = src.selection;
    alpha = src.alpha;
    layers = src.layers;
    info.ghostOwner = &src;
}

std::uint8_t* PxImage::GetBits(std::uint32_t row)
{
    return const_cast<std::uint8_t*>(static_cast<const PxImage*>(this)->GetBits(row));
}

const std::uint8_t* PxImage::GetBits(std::uint32_t row) const
{
    if (!dib)
        return nullptr;
    const std::uint8_t* pixels = dib + sizeof(BITMAPINFOHEADER) + 4 * header.biClrUsed;
    if (row == 0)
        return pixels;
    if (row >= GetHeight())
        return nullptr;
    return pixels + std::size_t(row) * info.rowStride;
}

std::int32_t PxImage::GetSize() const
{
    if (!dib)
        return 0;
    return std::int32_t(sizeof(BITMAPINFOHEADER) + 4 * header.biClrUsed + header.biSizeImage);
}

bool PxImage::IsInside(std::int32_t x, std::int32_t y) const
{
    return dib && x >= 0 && y >= 0 && std::uint32_t(x) < GetWidth() && std::uint32_t(y) < GetHeight();
}

void PxImage::Clear(std::uint8_t value)
{
    if (!dib)
        return;
    if (GetBpp() == 1 && value)
        value = 255;
    else if (GetBpp() == 4)
        value = std::uint8_t((value & 0x0F) * 17);
    std::memset(GetBits(), value, header.biSizeImage);
}

void PxImage::SetLastError(const char* text)
{
    std::strncpy(info.lastError, text, sizeof info.lastError - 1);
    info.lastError[sizeof info.lastError - 1] = '\0';
}

RGBQUAD PxImage::GetTransColor() const
{
    if (GetBpp() < 24 && info.transIndex != -1)
        return GetPaletteColor(std::uint8_t(info.transIndex));
    return info.transColor;
}

void PxImage::SetTransColor(RGBQUAD color)
{
    color.rgbReserved = 0;
    info.transColor = color;
}

void PxImage::SetXDPI(std::int32_t dpi)
{
    if (dpi <= 0)
        dpi = 96;
    info.xDpi = dpi;
    header.biXPelsPerMeter = PelsPerMeter(dpi);
}

void PxImage::SetYDPI(std::int32_t dpi)
{
    if (dpi <= 0)
        dpi = 96;
    info.yDpi = dpi;
    header.biYPelsPerMeter = PelsPerMeter(dpi);
}

bool PxImage::StartResult(PxImage& result, std::uint32_t width, std::uint32_t height, std::uint32_t bpp,
                          bool withAlpha) const
{
    result.CopyInfo(*this);
    result.header.biXPelsPerMeter = header.biXPelsPerMeter;
    result.header.biYPelsPerMeter = header.biYPelsPerMeter;
    if (!result.Create(width, height, bpp, GetType()))
        return false;
    result.SetPalette(GetPalette(), GetNumColors());
    if (withAlpha) {
        result.AlphaCreate();
        if (!result.alpha)
            return false;
    }
    return true;
}

PxWindow PxWindow::Intersect(const PxWindow& other) const
{
    const PxWindow& a = *this;
    const PxWindow& b = other;
    if (a.IsEmpty() || b.IsEmpty())
        return {};
    const std::int64_t left = std::max(a.x, b.x), bottom = std::max(a.y, b.y);
    const std::int64_t right = std::min(std::int64_t(a.x) + a.width, std::int64_t(b.x) + b.width);
    const std::int64_t top = std::min(std::int64_t(a.y) + a.height, std::int64_t(b.y) + b.height);
    if (left >= right || bottom >= top)
        return {};
    return {std::int32_t(left), std::int32_t(bottom), std::int32_t(right - left), std::int32_t(top - bottom)};
}

bool PxImage::CopyWindow(const PxWindow& window, PxImage& dest) const
{
    if (!dib || window.IsEmpty() || !PxWindow{0, 0, std::int32_t(GetWidth()), std::int32_t(GetHeight())}.Holds(window))
        return false;
    PxImage part;
    if (!StartResult(part, std::uint32_t(window.width), std::uint32_t(window.height), GetBpp(), alpha != nullptr))
        return false;
    const std::uint32_t bytes = GetBpp() / 8;
    for (std::int32_t y = 0; y < window.height; ++y) {
        const std::uint32_t row = std::uint32_t(window.y + y);
        if (bytes)
            std::memcpy(part.GetBits(std::uint32_t(y)), GetBits(row) + std::size_t(window.x) * bytes,
                        std::size_t(window.width) * bytes);
        else
            for (std::int32_t x = 0; x < window.width; ++x)
                part.SetPixelIndex(x, y, GetPixelIndex(window.x + x, std::int32_t(row)));
        if (alpha)
            std::memcpy(part.alpha + std::size_t(y) * window.width,
                        alpha + std::size_t(row) * GetWidth() + std::size_t(window.x), std::size_t(window.width));
    }
    return dest.Transfer(part);
}

bool PxImage::DeliverResult(PxImage& result, PxImage* dest)
{
    return dest ? dest->Transfer(result) : Transfer(result);
}

bool PxImage::EncodeCheck(PxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    if (!dib) {
        SetLastError("null image!!!");
        return false;
    }
    return true;
}
