// The drawing layer: Windows-style drawing objects and operations over plain
// memory. A device context draws into the DIB section selected into it; every
// object is a C++ type owned by whoever created it (no handle table). Names
// and argument orders follow the Windows operations so that the program's
// drawing logic reads line by line like its description.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/PixelMemory.h"
#include "platform/WinRecords.h"

// ---- constants ----

constexpr UINT DIB_RGB_COLORS = 0;
constexpr DWORD BI_RGB = 0;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr int COLORONCOLOR = 3;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int PS_SOLID = 0;
constexpr int PS_DOT = 2;
constexpr int HS_DIAGCROSS = 5;
constexpr UINT OBJ_PEN = 1;
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_COPY = 5;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int ERROR_REGION = 0;
constexpr UINT CBM_INIT = 4;

// DrawTextW formats.
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

// ---- objects ----

class GdiObject {
public:
    virtual ~GdiObject() = default;
    virtual UINT Type() const = 0;
};
using HGDIOBJ = GdiObject*;

// A DIB section: bottom-up rows padded to 4 bytes, 1, 4, 8 or 24 bits per
// pixel, with a palette for the indexed depths; exactly the image core's
// DIB layout.
class Bitmap : public GdiObject {
public:
    UINT Type() const override { return OBJ_BITMAP; }
    BITMAPINFOHEADER header{};           // biHeight positive
    std::vector<RGBQUAD> palette;        // biClrUsed entries (2^bpp when 0 and bpp <= 8)
    PixelBytes pixels;                   // stride x height bytes
    LONG Width() const { return header.biWidth; }
    LONG Height() const { return header.biHeight; }
    LONG Stride() const { return ((header.biWidth * header.biBitCount + 31) / 32) * 4; }
    std::uint8_t* Row(LONG y) { return pixels.data() + std::size_t(y) * std::size_t(Stride()); }  // y = 0: bottom
};
using HBITMAP = Bitmap*;

class Brush : public GdiObject {
public:
    UINT Type() const override { return OBJ_BRUSH; }
    COLORREF color = 0;
    int hatch = -1;  // -1: solid; HS_DIAGCROSS: 45-degree cross-hatch
};
using HBRUSH = Brush*;

class Pen : public GdiObject {
public:
    UINT Type() const override { return OBJ_PEN; }
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};
using HPEN = Pen*;

// A font object carries its LOGFONTW; the text library (platform/text)
// realises it with the system's fonts.
class Font : public GdiObject {
public:
    UINT Type() const override { return OBJ_FONT; }
    LOGFONTW logfont{};
};
using HFONT = Font*;

// Clipping is rectangular everywhere in this program.
class Region : public GdiObject {
public:
    UINT Type() const override { return 0; }
    RECT rect{};
};
using HRGN = Region*;

class Palette : public GdiObject {
public:
    UINT Type() const override { return 0; }
    std::vector<RGBQUAD> entries;
};
using HPALETTE = Palette*;

// A memory device context. Without a selected bitmap it measures text but
// draws nothing. The clip box is the bitmap's rectangle intersected with the
// clip rectangle, if one is set.
class DeviceContext {
public:
    HBITMAP bitmap = nullptr;
    HFONT font = nullptr;
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int stretchMode = COLORONCOLOR;
    POINT current{};               // MoveToEx / LineTo position
    bool hasClip = false;
    RECT clip{};                   // device coordinates, when hasClip
};
using HDC = DeviceContext*;

// ---- creation and selection ----

HDC CreateCompatibleDC(HDC dc);   // dc may be null ("the screen")
BOOL DeleteDC(HDC dc);
HDC GetDC(void* window);          // a screen context (no bitmap); release with ReleaseDC
int ReleaseDC(void* window, HDC dc);
// Bits points at the section's pixels when not null; the section owns them.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD offset);
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);  // 24 bits, zeroed (black)
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HPEN CreatePen(int style, int width, COLORREF color);
HRGN CreateRectRgnIndirect(const RECT* rect);
BOOL DeleteObject(HGDIOBJ object);
// Selects a bitmap, brush, pen or font; returns the previous one of that kind.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
// BITMAP (24 bytes on Windows; here the record above) for a bitmap, LOGFONTW for a font.
int GetObjectW(HGDIOBJ object, int size, void* buffer);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background);
UINT RealizePalette(HDC dc);

// ---- state ----

COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF SetBkColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);
int SetStretchBltMode(HDC dc, int mode);
int GetClipBox(HDC dc, RECT* rect);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);

// ---- drawing (device coordinates: origin top-left, y downwards) ----

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop);
// Copies lines [startScan, startScan + lines) of a packed DIB (bottom-up) to the device.
int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int srcX, int srcY, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
// Reads rows of a bitmap converted to the depth in info (1, 4, 8, 24, 32); fills
// the palette of indexed requests. Returns the number of lines copied.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);  // end point excluded
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);

// ---- text (platform/text, QtGui; needs a QGuiApplication) ----

HFONT CreateFontIndirectW(const LOGFONTW* logfont);
BOOL GetTextExtentPoint32W(HDC dc, const WCHAR* text, int length, SIZE* size);
int DrawTextW(HDC dc, const WCHAR* text, int length, RECT* rect, UINT format);
