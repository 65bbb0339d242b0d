// PxImage: moving pictures to and from the drawing layer. Draw copies or
// blends the visible part of the picture (the paint box) into the device;
// the colour and alpha arithmetic works on whole bytes.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/PxImage.h"
#include "platform/Coordinates.h"
#include "platform/MemoryCanvas.h"

namespace {

// Copies a working surface to the device at (left, top).
void Show(const MemoryCanvas& surface, HDC dc, std::int32_t left, std::int32_t top)
{
    const BITMAPINFOHEADER& h = surface.Info().bmiHeader;
    SetDIBitsToDevice(dc, left, top, DWORD(h.biWidth), DWORD(h.biHeight), 0, 0, 0, UINT(h.biHeight), surface.Bits(),
                      &surface.Info(), DIB_RGB_COLORS);
}

}  // namespace

std::int32_t PxImage::Draw(HDC dc, const RECT& target, const RECT* clip, bool smooth) const
{
    return Draw(dc, target.left, target.top, RectWidth(target), RectHeight(target), clip, smooth);
}

std::int32_t PxImage::Draw(HDC dc, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                           const RECT* clip, bool smooth) const
{
    if (!dib || !dc || width == 0 || height == 0 || !info.enabled)
        return 0;
    const std::int32_t imageWidth = std::int32_t(GetWidth()), imageHeight = std::int32_t(GetHeight());
    if (width < 0)
        width = imageWidth;
    if (height < 0)
        height = imageHeight;
    const bool keyed = info.transIndex != -1;
    const bool blended = keyed || alpha || info.alphaPaletteEnabled;
    const bool natural = width == imageWidth && height == imageHeight;

    RECT savedClip{};
    if (clip) {
        GetClipBox(dc, &savedClip);
        HRGN region = CreateRectRgnIndirect(clip);
        ExtSelectClipRgn(dc, region, RGN_AND);
        DeleteObject(region);
    }
    RECT box;
    GetClipBox(dc, &box);
    const std::int32_t left = std::min(std::max(x, box.left), box.right);
    const std::int32_t top = std::min(std::max(y, box.top), box.bottom);
    const std::int32_t right = std::max(std::min(box.right, SaturatingAdd(x, width)), box.left);
    const std::int32_t bottom = std::max(std::min(box.bottom, SaturatingAdd(y, height)), box.top);
    const std::int32_t pw = right - left, ph = bottom - top;

    if (!blended && natural) {
        SetStretchBltMode(dc, COLORONCOLOR);
        SetDIBitsToDevice(dc, x, y, DWORD(width), DWORD(height), 0, 0, 0, UINT(height), GetBits(),
                          reinterpret_cast<const BITMAPINFO*>(dib), DIB_RGB_COLORS);
    } else if (pw > 0 && ph > 0) {
        MemoryCanvas surface(pw, ph);
        if (surface.IsValid()) {
            if (blended)
                BitBlt(surface.Dc(), 0, 0, pw, ph, dc, left, top, SRCCOPY);
            // The scales are single precision, the source positions formed from them double.
            const float fx = float(imageWidth) / float(width), fy = float(imageHeight) / float(height);
            const bool indexed = IsIndexed();
            const RGBQUAD* palette = GetPalette();
            const RGBQUAD key = GetTransColor();
            const std::uint32_t alphaScale = std::uint32_t(info.alphaMax) + 1;
            for (std::int32_t k = 0; k < ph; ++k) {
                std::uint8_t* out = surface.Row(k);
                const double dy = imageHeight - double(std::int64_t(bottom) - k - y) * fy;
                const std::int32_t sy = natural ? (y + imageHeight - bottom) + k
                                                : std::min(std::max(0, std::int32_t(std::floor(dy))), imageHeight - 1);
                const std::uint8_t* row = GetBits() + std::size_t(sy) * info.rowStride;
                const std::uint8_t* rowAlpha = alpha ? alpha + std::size_t(sy) * imageWidth : nullptr;
                for (std::int32_t j = 0; j < pw; ++j, out += 3) {
                    const double dx = double(std::int64_t(left) + j - x) * fx;
                    const std::int32_t sx = natural ? left - x + j
                                                    : std::min(std::max(0, std::int32_t(std::floor(dx))), imageWidth - 1);
                    std::uint32_t a = rowAlpha ? rowAlpha[sx] : 255;
                    a = (a * alphaScale) >> 8;
                    RGBQUAD c;
                    std::uint8_t index = 0;
                    if (indexed) {
                        index = GetPixelIndex(sx, sy);
                        c = palette[index];
                        if (info.alphaPaletteEnabled)
                            a = (a * (std::uint32_t(c.rgbReserved) + 1)) >> 8;
                    } else {
                        const std::uint8_t* p = row + 3 * std::size_t(sx);
                        c = {p[0], p[1], p[2], 0};
                    }
                    if (!natural && smooth) {
                        c = GetPixelColorInterpolated(float(dx - 0.5), float(dy - 0.5), Bilinear, OverflowRepeat, nullptr);
                        c.rgbReserved = 0;
                    }
                    if (blended) {
                        if (a == 0)
                            continue;
                        if (keyed && (indexed ? index == info.transIndex : c == key))
                            continue;
                    }
                    if (!blended || a == 255) {
                        out[0] = c.rgbBlue;
                        out[1] = c.rgbGreen;
                        out[2] = c.rgbRed;
                    } else {
                        out[0] = std::uint8_t((c.rgbBlue * a + out[0] * (255 - a)) >> 8);
                        out[1] = std::uint8_t((c.rgbGreen * a + out[1] * (255 - a)) >> 8);
                        out[2] = std::uint8_t((c.rgbRed * a + out[2] * (255 - a)) >> 8);
                    }
                }
            }
            Show(surface, dc, left, top);
        }
    }

    if (clip) {
        HRGN region = CreateRectRgnIndirect(&savedClip);
        ExtSelectClipRgn(dc, region, RGN_OR);
        DeleteObject(region);
    }
    return 1;
}

HBITMAP PxImage::MakeBitmap(HDC dc)
{
    if (!dib)
        return nullptr;
    const auto* bitmapInfo = reinterpret_cast<const BITMAPINFO*>(dib);
    if (dc)
        return CreateDIBitmap(dc, &header, CBM_INIT, GetBits(), bitmapInfo, DIB_RGB_COLORS);
    HDC memory = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, bitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits)
        std::memcpy(bits, GetBits(), header.biSizeImage);
    DeleteDC(memory);
    return bitmap;
}

bool PxImage::CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette)
{
    if (!Destroy() || !bitmap)
        return false;
    BITMAP description{};
    if (!GetObjectW(bitmap, sizeof description, &description) ||
        !Create(std::uint32_t(description.bmWidth), std::uint32_t(description.bmHeight), description.bmBitsPixel, 0))
        return false;
    HDC dc = GetDC(nullptr);
    if (!dc) {
        Destroy();
        return false;
    }
    if (palette) {
        SelectPalette(dc, palette, false);
        RealizePalette(dc);
    }
    const int lines = GetDIBits(dc, bitmap, 0, GetHeight(), GetBits(), reinterpret_cast<BITMAPINFO*>(dib),
                                DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    info.nearestValid = false;
    if (lines == 0) {
        SetLastError("GetDIBits failed");
        Destroy();
        return false;
    }
    return true;
}
