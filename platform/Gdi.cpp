// The drawing layer over memory: DIB sections and the device contexts that
// draw into them. Copies convert between depths through colours; 24-bit to
// 24-bit copies move whole row spans.
#include "platform/Gdi.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/Coordinates.h"

namespace {

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

LONG RowStride(LONG width, WORD bpp)
{
    return LONG(((std::int64_t(width) * bpp + 31) / 32) * 4);
}

bool SupportedDepth(WORD bpp)
{
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32;
}

std::uint32_t PaletteEntries(const BITMAPINFOHEADER& h)
{
    if (h.biBitCount > 8)
        return 0;
    const std::uint32_t full = 1u << h.biBitCount;
    return h.biClrUsed ? std::min(h.biClrUsed, full) : full;
}

RECT Intersect(const RECT& a, const RECT& b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom)
        return {};
    return r;
}

bool IsEmpty(const RECT& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

// A read-only view of packed bottom-up pixel rows with their palette.
struct PixelSource {
    const std::uint8_t* bits = nullptr;
    LONG width = 0;
    LONG height = 0;
    LONG stride = 0;
    WORD bpp = 24;
    const RGBQUAD* palette = nullptr;
    std::uint32_t colours = 0;

    const std::uint8_t* Row(LONG y) const { return bits + std::size_t(y) * std::size_t(stride); }

    RGBQUAD At(LONG x, LONG y) const
    {
        const std::uint8_t* row = Row(y);
        std::uint32_t index;
        switch (bpp) {
        case 24:
        case 32: {
            const std::uint8_t* p = row + std::size_t(x) * (bpp / 8);
            return {p[0], p[1], p[2], 0};
        }
        case 8: index = row[x]; break;
        case 4: index = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4); break;
        default: index = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
        }
        if (index >= colours)
            return {};
        RGBQUAD c = palette[index];
        c.rgbReserved = 0;
        return c;
    }
};

PixelSource SourceOf(Bitmap& bitmap)
{
    return {bitmap.pixels.data(), bitmap.Width(), bitmap.Height(), bitmap.Stride(), bitmap.header.biBitCount,
            bitmap.palette.data(), std::uint32_t(bitmap.palette.size())};
}

std::uint8_t NearestIndex(const std::vector<RGBQUAD>& palette, RGBQUAD c)
{
    std::int32_t best = std::numeric_limits<std::int32_t>::max();
    std::uint8_t found = 0;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const std::int32_t dr = palette[i].rgbRed - c.rgbRed, dg = palette[i].rgbGreen - c.rgbGreen,
                           db = palette[i].rgbBlue - c.rgbBlue;
        const std::int32_t d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            found = std::uint8_t(i);
            if (d == 0)
                break;
        }
    }
    return found;
}

// Stores a colour at column x of a packed row: directly for 24 and 32 bits,
// as the nearest palette entry for the indexed depths.
void WriteToRow(std::uint8_t* row, WORD bpp, const std::vector<RGBQUAD>& palette, LONG x, RGBQUAD c)
{
    switch (bpp) {
    case 24:
    case 32: {
        std::uint8_t* p = row + std::size_t(x) * (bpp / 8);
        p[0] = c.rgbBlue;
        p[1] = c.rgbGreen;
        p[2] = c.rgbRed;
        if (bpp == 32)
            p[3] = 0;
        return;
    }
    case 8: row[x] = NearestIndex(palette, c); return;
    case 4: {
        const std::uint8_t i = NearestIndex(palette, c) & 0x0F;
        std::uint8_t& b = row[x >> 1];
        b = (x & 1) ? std::uint8_t((b & 0xF0) | i) : std::uint8_t((b & 0x0F) | (i << 4));
        return;
    }
    default: {
        const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
        std::uint8_t& b = row[x >> 3];
        b = (NearestIndex(palette, c) & 1) ? std::uint8_t(b | mask) : std::uint8_t(b & ~mask);
        return;
    }
    }
}

void WritePixel(Bitmap& bitmap, LONG x, LONG y, RGBQUAD c)
{
    WriteToRow(bitmap.Row(y), bitmap.header.biBitCount, bitmap.palette, x, c);
}

RGBQUAD ToQuad(COLORREF c)
{
    return {GetBValue(c), GetGValue(c), GetRValue(c), 0};
}

// Copies the device rectangle (x, y, w, h) from source pixels whose device
// rows are mapped by sourceRow(deviceY) (-1: no such row) and columns start
// at srcX, clipped to the destination's clip box. Returns the rows written.
template <typename RowMap>
int CopyPixels(HDC dest, int x, int y, int width, int height, const PixelSource& src, int srcX, RowMap sourceRow)
{
    RECT box;
    if (!dest || !dest->bitmap || GetClipBox(dest, &box) == NULLREGION)
        return 0;
    Bitmap& target = *dest->bitmap;
    const RECT area = Intersect(box, RectAt(x, y, width, height));
    if (IsEmpty(area))
        return 0;
    const bool spans = src.bpp == 24 && target.header.biBitCount == 24;
    int rows = 0;
    for (LONG dy = area.top; dy < area.bottom; ++dy) {
        const LONG sy = sourceRow(dy);
        if (sy < 0 || sy >= src.height)
            continue;
        // Columns whose source lies inside the source picture.
        const std::int64_t first = std::max<std::int64_t>(area.left, x + std::max<std::int64_t>(0, -std::int64_t(srcX)));
        const std::int64_t last = std::min<std::int64_t>(area.right, std::int64_t(x) + src.width - srcX);
        if (first >= last)
            continue;
        const std::int64_t firstSource = srcX + (first - x);
        const LONG targetRow = target.Height() - 1 - dy;
        if (spans) {
            std::memmove(target.Row(targetRow) + 3 * std::size_t(first), src.Row(sy) + 3 * std::size_t(firstSource),
                         3 * std::size_t(last - first));
        } else {
            for (std::int64_t dx = first; dx < last; ++dx)
                WritePixel(target, LONG(dx), targetRow, src.At(LONG(firstSource + (dx - first)), sy));
        }
        ++rows;
    }
    return rows;
}

HBITMAP NewBitmap(const BITMAPINFOHEADER& h, const RGBQUAD* colours)
{
    if (h.biWidth <= 0 || h.biHeight <= 0 || !SupportedDepth(h.biBitCount))
        return nullptr;
    const std::int64_t bytes = std::int64_t(RowStride(h.biWidth, h.biBitCount)) * h.biHeight;
    if (bytes > std::numeric_limits<std::int32_t>::max())
        return nullptr;
    // Out of memory is a null bitmap, as the system's call reports it.
    auto bitmap = new (std::nothrow) Bitmap;
    if (!bitmap)
        return nullptr;
    try {
        bitmap->pixels.resize(std::size_t(bytes));  // zeroed
        bitmap->palette.assign(PaletteEntries(h), RGBQUAD{});
    } catch (const std::bad_alloc&) {
        delete bitmap;
        return nullptr;
    }
    bitmap->header = h;
    bitmap->header.biSize = sizeof(BITMAPINFOHEADER);
    bitmap->header.biPlanes = 1;
    bitmap->header.biCompression = BI_RGB;
    bitmap->header.biSizeImage = DWORD(bytes);
    if (colours)
        std::copy(colours, colours + bitmap->palette.size(), bitmap->palette.begin());
    bitmap->header.biClrUsed = DWORD(bitmap->palette.size());
    return bitmap;
}

void Plot(HDC dc, const RECT& box, LONG x, LONG y, RGBQUAD c)
{
    if (x >= box.left && x < box.right && y >= box.top && y < box.bottom)
        WritePixel(*dc->bitmap, x, dc->bitmap->Height() - 1 - y, c);
}

}  // namespace

HDC CreateCompatibleDC(HDC)
{
    return new DeviceContext;
}

BOOL DeleteDC(HDC dc)
{
    delete dc;
    return dc != nullptr;
}

HDC GetDC(void*)
{
    return new DeviceContext;
}

int ReleaseDC(void*, HDC dc)
{
    delete dc;
    return dc != nullptr;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, void*, DWORD)
{
    if (bits)
        *bits = nullptr;
    if (!info)
        return nullptr;
    HBITMAP bitmap = NewBitmap(info->bmiHeader, info->bmiColors);
    if (bitmap && bits)
        *bits = bitmap->pixels.data();
    return bitmap;
}

HBITMAP CreateDIBitmap(HDC, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT)
{
    if (!header)
        return nullptr;
    HBITMAP bitmap = NewBitmap(*header, info ? info->bmiColors : nullptr);
    if (bitmap && (init & CBM_INIT) && bits)
        std::memcpy(bitmap->pixels.data(), bits, bitmap->pixels.size());
    return bitmap;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height)
{
    BITMAPINFOHEADER h{};
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = 24;
    return NewBitmap(h, nullptr);
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    auto brush = new Brush;
    brush->color = color;
    return brush;
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color)
{
    auto brush = new Brush;
    brush->color = color;
    brush->hatch = hatch;
    return brush;
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    auto pen = new Pen;
    pen->style = style;
    pen->width = width;
    pen->color = color;
    return pen;
}

HRGN CreateRectRgnIndirect(const RECT* rect)
{
    if (!rect)
        return nullptr;
    auto region = new Region;
    region->rect = *rect;
    return region;
}

BOOL DeleteObject(HGDIOBJ object)
{
    delete object;
    return object != nullptr;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    if (!dc || !object)
        return nullptr;
    auto swap = [object](auto*& slot) -> HGDIOBJ {
        HGDIOBJ previous = slot;
        slot = static_cast<std::remove_reference_t<decltype(slot)>>(object);
        return previous;
    };
    switch (object->Type()) {
    case OBJ_BITMAP: return swap(dc->bitmap);
    case OBJ_BRUSH: return swap(dc->brush);
    case OBJ_PEN: return swap(dc->pen);
    case OBJ_FONT: return swap(dc->font);
    default: return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type)
{
    if (!dc)
        return nullptr;
    switch (type) {
    case OBJ_BITMAP: return dc->bitmap;
    case OBJ_BRUSH: return dc->brush;
    case OBJ_PEN: return dc->pen;
    case OBJ_FONT: return dc->font;
    default: return nullptr;
    }
}

int GetObjectW(HGDIOBJ object, int size, void* buffer)
{
    if (!object)
        return 0;
    if (object->Type() == OBJ_BITMAP) {
        auto* bitmap = static_cast<Bitmap*>(object);
        if (!buffer)
            return int(sizeof(BITMAP));
        if (size < int(sizeof(BITMAP)))
            return 0;
        BITMAP record{0, bitmap->Width(), bitmap->Height(), bitmap->Stride(), 1, bitmap->header.biBitCount,
                      bitmap->pixels.data()};
        std::memcpy(buffer, &record, sizeof record);
        return int(sizeof record);
    }
    if (object->Type() == OBJ_FONT) {
        if (!buffer)
            return int(sizeof(LOGFONTW));
        if (size < int(sizeof(LOGFONTW)))
            return 0;
        std::memcpy(buffer, &static_cast<Font*>(object)->logfont, sizeof(LOGFONTW));
        return int(sizeof(LOGFONTW));
    }
    return 0;
}

// Colours come from each bitmap's own palette here; selecting and realising
// a palette changes nothing.
HPALETTE SelectPalette(HDC, HPALETTE palette, BOOL)
{
    return palette;
}

UINT RealizePalette(HDC)
{
    return 0;
}

COLORREF SetTextColor(HDC dc, COLORREF color)
{
    if (!dc)
        return CLR_INVALID;
    return std::exchange(dc->textColor, color);
}

COLORREF SetBkColor(HDC dc, COLORREF color)
{
    if (!dc)
        return CLR_INVALID;
    return std::exchange(dc->bkColor, color);
}

int SetBkMode(HDC dc, int mode)
{
    if (!dc)
        return 0;
    return std::exchange(dc->bkMode, mode);
}

int SetStretchBltMode(HDC dc, int mode)
{
    if (!dc)
        return 0;
    return std::exchange(dc->stretchMode, mode);
}

int GetClipBox(HDC dc, RECT* rect)
{
    if (!dc || !rect)
        return ERROR_REGION;
    // A context without a bitmap behaves like one holding a 1 x 1 bitmap.
    RECT box = dc->bitmap ? RECT{0, 0, dc->bitmap->Width(), dc->bitmap->Height()} : RECT{0, 0, 1, 1};
    if (dc->hasClip)
        box = Intersect(box, dc->clip);
    *rect = box;
    return IsEmpty(box) ? NULLREGION : SIMPLEREGION;
}

int ExtSelectClipRgn(HDC dc, HRGN region, int mode)
{
    if (!dc)
        return ERROR_REGION;
    if (mode == RGN_COPY) {
        dc->hasClip = region != nullptr;
        if (region)
            dc->clip = region->rect;
    } else if (region) {
        RECT current;
        GetClipBox(dc, &current);
        if (mode == RGN_AND) {
            dc->clip = Intersect(current, region->rect);
        } else if (mode == RGN_OR) {
            // Clip regions stay rectangles: the union's bounding box, exact
            // for restoring a box that contains the current one.
            dc->clip = IsEmpty(current) ? region->rect
                                        : RECT{std::min(current.left, region->rect.left),
                                               std::min(current.top, region->rect.top),
                                               std::max(current.right, region->rect.right),
                                               std::max(current.bottom, region->rect.bottom)};
        } else {
            return ERROR_REGION;
        }
        dc->hasClip = true;
    }
    RECT box;
    return GetClipBox(dc, &box);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom)
{
    Region region;
    region.rect = {left, top, right, bottom};
    return ExtSelectClipRgn(dc, &region, RGN_AND);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD)
{
    if (!dest || !src || !dest->bitmap || !src->bitmap || width <= 0 || height <= 0)
        return false;
    Bitmap* source = src->bitmap;
    Bitmap copy;
    if (source == dest->bitmap) {  // overlapping copy within one bitmap
        copy = *source;
        source = &copy;
    }
    const PixelSource pixels = SourceOf(*source);
    const LONG h = source->Height();
    CopyPixels(dest, x, y, width, height, pixels, srcX, [&](LONG dy) -> LONG {
        const std::int64_t sy = std::int64_t(srcY) + dy - y;
        return sy < 0 || sy >= h ? -1 : LONG(h - 1 - sy);
    });
    return true;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop)
{
    if (!dest || !src || !dest->bitmap || !src->bitmap || width <= 0 || height <= 0 || srcWidth <= 0 ||
        srcHeight <= 0)
        return false;
    if (width == srcWidth && height == srcHeight)
        return BitBlt(dest, x, y, width, height, src, srcX, srcY, rop);
    Bitmap* source = src->bitmap;
    Bitmap copy;
    if (source == dest->bitmap) {
        copy = *source;
        source = &copy;
    }
    const PixelSource pixels = SourceOf(*source);
    RECT box;
    if (GetClipBox(dest, &box) == NULLREGION)
        return true;
    const RECT area = Intersect(box, RectAt(x, y, width, height));
    for (LONG dy = area.top; dy < area.bottom; ++dy) {
        const std::int64_t sy = srcY + (std::int64_t(dy) - y) * srcHeight / height;
        if (sy < 0 || sy >= pixels.height)
            continue;
        for (LONG dx = area.left; dx < area.right; ++dx) {
            const std::int64_t sx = srcX + (std::int64_t(dx) - x) * srcWidth / width;
            if (sx >= 0 && sx < pixels.width)
                WritePixel(*dest->bitmap, dx, dest->bitmap->Height() - 1 - dy,
                           pixels.At(LONG(sx), LONG(pixels.height - 1 - sy)));
        }
    }
    return true;
}

int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int srcX, int srcY, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT)
{
    if (!dc || !bits || !info || !SupportedDepth(info->bmiHeader.biBitCount) || info->bmiHeader.biWidth <= 0)
        return 0;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    // Only scan lines [startScan, startScan + lines) are present in bits.
    PixelSource src{static_cast<const std::uint8_t*>(bits), h.biWidth, LONG(lines),
                    RowStride(h.biWidth, h.biBitCount), h.biBitCount, info->bmiColors, PaletteEntries(h)};
    const LONG scans = LONG(std::min<std::int64_t>(std::abs(std::int64_t(h.biHeight)), std::int64_t(startScan) + lines));
    // The device rectangle's bottom row shows DIB row srcY (rows count from the bottom).
    return CopyPixels(dc, x, y, int(width), int(height), src, srcX, [&](LONG dy) -> LONG {
        const std::int64_t dibRow = std::int64_t(srcY) + y + std::int64_t(height) - 1 - dy;
        if (dibRow < std::int64_t(startScan) || dibRow >= scans)
            return -1;
        return LONG(dibRow - startScan);
    });
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT)
{
    if (!dc || !bitmap || !info)
        return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (!bits) {  // describe the bitmap
        h.biWidth = bitmap->Width();
        h.biHeight = bitmap->Height();
        h.biPlanes = 1;
        h.biBitCount = bitmap->header.biBitCount;
        h.biCompression = BI_RGB;
        h.biSizeImage = DWORD(bitmap->pixels.size());
        return bitmap->Height();
    }
    if (h.biWidth != bitmap->Width() || !SupportedDepth(h.biBitCount) || start >= UINT(bitmap->Height()))
        return 0;
    const LONG count = LONG(std::min<std::int64_t>(lines, std::int64_t(bitmap->Height()) - start));
    const PixelSource src = SourceOf(*bitmap);

    // Indexed requests get the bitmap's palette at its own depth, else a grey ramp.
    std::vector<RGBQUAD> palette;
    if (h.biBitCount <= 8) {
        palette.assign(std::size_t(1) << h.biBitCount, RGBQUAD{});
        if (bitmap->header.biBitCount == h.biBitCount) {
            std::copy(bitmap->palette.begin(), bitmap->palette.end(), palette.begin());
        } else {
            const std::size_t n = palette.size();
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint8_t grey = std::uint8_t(i * 255 / (n - 1));
                palette[i] = {grey, grey, grey, 0};
            }
        }
        std::copy(palette.begin(), palette.end(), info->bmiColors);
    }
    const LONG stride = RowStride(h.biWidth, h.biBitCount);
    auto* out = static_cast<std::uint8_t*>(bits);
    for (LONG row = 0; row < count; ++row) {
        const LONG sy = LONG(start) + row;
        std::uint8_t* dst = out + std::size_t(row) * std::size_t(stride);
        if (src.bpp == h.biBitCount) {
            std::memcpy(dst, src.Row(sy), std::size_t(stride));
            continue;
        }
        for (LONG x = 0; x < src.width; ++x)
            WriteToRow(dst, h.biBitCount, palette, x, src.At(x, sy));
    }
    return count;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    RECT box;
    if (!dc || !rect || !brush || !dc->bitmap || GetClipBox(dc, &box) == NULLREGION)
        return 0;
    const RECT area = Intersect(box, *rect);
    if (IsEmpty(area))
        return 1;
    Bitmap& target = *dc->bitmap;
    const WORD bpp = target.header.biBitCount;
    const RGBQUAD ink = ToQuad(brush->color), paper = ToQuad(dc->bkColor);
    const bool hatched = brush->hatch == HS_DIAGCROSS;
    // A transparent background leaves the pixels between the hatch lines alone.
    const bool everyPixel = !hatched || dc->bkMode == OPAQUE;
    // Both patterns repeat every 8 columns: the first 8 pixels of a whole-byte
    // row are written and then copied along it in doubling blocks.
    const bool replicate = everyPixel && (bpp == 24 || bpp == 32);
    const LONG width = area.right - area.left;
    const std::size_t pixelBytes = bpp / 8, spanBytes = std::size_t(width) * pixelBytes;
    for (LONG y = area.top; y < area.bottom; ++y) {
        std::uint8_t* row = target.Row(target.Height() - 1 - y);
        const LONG written = replicate ? std::min<LONG>(width, 8) : width;
        for (LONG x = area.left; x < area.left + written; ++x) {
            // The 8 x 8 diagonal cross, aligned to the device origin.
            const bool line = !hatched || ((x - y) & 7) == 0 || ((x + y) & 7) == 7;
            if (line || everyPixel)
                WriteToRow(row, bpp, target.palette, x, line ? ink : paper);
        }
        if (!replicate)
            continue;
        std::uint8_t* span = row + std::size_t(area.left) * pixelBytes;
        for (std::size_t done = std::size_t(written) * pixelBytes; done < spanBytes;) {
            const std::size_t block = std::min(done, spanBytes - done);
            std::memcpy(span + done, span, block);
            done += block;
        }
    }
    return 1;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous)
{
    if (!dc)
        return false;
    if (previous)
        *previous = dc->current;
    dc->current = {x, y};
    return true;
}

BOOL LineTo(HDC dc, int x, int y)
{
    if (!dc)
        return false;
    const POINT from = dc->current;
    dc->current = {x, y};
    RECT box;
    if (!dc->bitmap || GetClipBox(dc, &box) == NULLREGION)
        return true;
    const RGBQUAD ink = ToQuad(dc->pen ? dc->pen->color : RGB(0, 0, 0));
    const bool dotted = dc->pen && dc->pen->style == PS_DOT;
    // Bresenham from the start point up to, not including, the end point.
    // The distances span up to 2^32 - 1, so the error terms are 64-bit.
    LONG px = from.x, py = from.y;
    const std::int64_t dx = std::abs(std::int64_t(x) - px), dy = -std::abs(std::int64_t(y) - py);
    const LONG sx = px < x ? 1 : -1, sy = py < y ? 1 : -1;
    std::int64_t error = dx + dy;
    for (std::int64_t step = 0; px != x || py != y; ++step) {
        if (!dotted || (step & 1) == 0)
            Plot(dc, box, px, py, ink);
        const std::int64_t e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            px += sx;
        }
        if (e2 <= dx) {
            error += dx;
            py += sy;
        }
    }
    return true;
}

COLORREF GetPixel(HDC dc, int x, int y)
{
    RECT box;
    if (!dc || !dc->bitmap || GetClipBox(dc, &box) == NULLREGION || x < box.left || x >= box.right || y < box.top ||
        y >= box.bottom)
        return CLR_INVALID;
    const RGBQUAD c = SourceOf(*dc->bitmap).At(x, dc->bitmap->Height() - 1 - y);
    return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color)
{
    RECT box;
    if (!dc || !dc->bitmap || GetClipBox(dc, &box) == NULLREGION)
        return CLR_INVALID;
    Plot(dc, box, x, y, ToQuad(color));
    return color;
}
