#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "platform/Gdi.h"

namespace {

// A memory context with a fresh 24-bit section selected; frees both.
struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;

    Canvas(int width, int height, WORD bpp = 24)
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, bpp, BI_RGB, 0, 0, 0, 0, 0};
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
        previous = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

TEST(Gdi, SelectionAndObjectRecords)
{
    Canvas canvas(5, 3);
    EXPECT_EQ(canvas.previous, nullptr);
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_BITMAP), canvas.bitmap);
    BITMAP record{};
    ASSERT_EQ(GetObjectW(canvas.bitmap, sizeof record, &record), int(sizeof record));
    EXPECT_EQ(record.bmWidth, 5);
    EXPECT_EQ(record.bmHeight, 3);
    EXPECT_EQ(record.bmWidthBytes, 16);
    EXPECT_EQ(record.bmBitsPixel, 24);
    EXPECT_EQ(record.bmBits, canvas.bitmap->pixels.data());
    RECT box;
    EXPECT_EQ(GetClipBox(canvas.dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 5);
    EXPECT_EQ(box.bottom, 3);
}

TEST(Gdi, FillRectRowsAreBottomUpAndClipped)
{
    Canvas canvas(4, 4);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT rect{-2, -2, 2, 1};
    FillRect(canvas.dc, &rect, red);
    DeleteObject(red);
    EXPECT_EQ(GetPixel(canvas.dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 1, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 2, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 0, 1), RGB(0, 0, 0));
    // Device row 0 is the last row of the bottom-up buffer; blue comes first.
    const std::uint8_t* top = canvas.bitmap->Row(3);
    EXPECT_EQ(top[0], 0);
    EXPECT_EQ(top[2], 255);
}

TEST(Gdi, DiagonalCrossHatchOnOpaqueBackground)
{
    Canvas canvas(16, 16);
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(191, 191, 191));
    const RECT all{0, 0, 16, 16};
    FillRect(canvas.dc, &all, hatch);
    DeleteObject(hatch);
    int grey = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const COLORREF c = GetPixel(canvas.dc, x, y);
            ASSERT_TRUE(c == RGB(191, 191, 191) || c == RGB(255, 255, 255));
            grey += c == RGB(191, 191, 191);
        }
    EXPECT_EQ(grey, 16 * 16 / 4);  // two diagonals in every 8 x 8 cell
    EXPECT_EQ(GetPixel(canvas.dc, 3, 3), RGB(191, 191, 191));
    EXPECT_EQ(GetPixel(canvas.dc, 3, 4), RGB(191, 191, 191));
    EXPECT_EQ(GetPixel(canvas.dc, 3, 5), RGB(255, 255, 255));
}

// Spans of every length and phase, clipped or not, opaque or transparent,
// against the hatch's definition pixel by pixel.
TEST(Gdi, HatchStaysOnTheDeviceGridInEverySpan)
{
    struct Case {
        RECT rect;
        int bkMode;
        WORD bpp;
    };
    const Case cases[] = {
        {{0, 0, 37, 21}, OPAQUE, 24},  {{3, 5, 4, 6}, OPAQUE, 24},   {{5, 2, 12, 9}, OPAQUE, 24},
        {{-7, -3, 29, 40}, OPAQUE, 24}, {{1, 1, 30, 18}, TRANSPARENT, 24}, {{2, 3, 35, 19}, OPAQUE, 32},
    };
    const COLORREF grey = RGB(191, 191, 191), paper = RGB(10, 20, 30), untouched = RGB(0, 0, 0);
    for (const Case& c : cases) {
        Canvas canvas(37, 21, c.bpp);
        SetBkColor(canvas.dc, paper);
        SetBkMode(canvas.dc, c.bkMode);
        HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, grey);
        FillRect(canvas.dc, &c.rect, hatch);
        DeleteObject(hatch);
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 37; ++x) {
                const bool inside = x >= c.rect.left && x < c.rect.right && y >= c.rect.top && y < c.rect.bottom;
                const bool line = ((x - y) & 7) == 0 || ((x + y) & 7) == 7;
                const COLORREF expected = !inside ? untouched : line ? grey : c.bkMode == OPAQUE ? paper : untouched;
                ASSERT_EQ(GetPixel(canvas.dc, x, y), expected) << "rect left " << c.rect.left << " at " << x << "," << y;
            }
    }
}

TEST(Gdi, LinesExcludeTheEndPoint)
{
    Canvas canvas(6, 6);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(111, 111, 111));
    HGDIOBJ old = SelectObject(canvas.dc, pen);
    MoveToEx(canvas.dc, 0, 2, nullptr);
    LineTo(canvas.dc, 4, 2);
    MoveToEx(canvas.dc, 5, 0, nullptr);
    LineTo(canvas.dc, 5, 9);  // clipped at the bottom edge
    SelectObject(canvas.dc, old);
    DeleteObject(pen);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(GetPixel(canvas.dc, x, 2), RGB(111, 111, 111));
    EXPECT_EQ(GetPixel(canvas.dc, 4, 2), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 5, 5), RGB(111, 111, 111));
}

// (1,2,3) (4,5,6) on the top row, (7,8,9) (10,11,12) below.
void PaintFourColours(Canvas& canvas)
{
    SetPixel(canvas.dc, 0, 0, RGB(1, 2, 3));
    SetPixel(canvas.dc, 1, 0, RGB(4, 5, 6));
    SetPixel(canvas.dc, 0, 1, RGB(7, 8, 9));
    SetPixel(canvas.dc, 1, 1, RGB(10, 11, 12));
}

TEST(Gdi, BlitsCopyAndStretchClipped)
{
    Canvas source(2, 2), target(6, 6);
    PaintFourColours(source);
    EXPECT_TRUE(BitBlt(target.dc, -1, 0, 2, 2, source.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(target.dc, 0, 0), RGB(4, 5, 6));
    EXPECT_EQ(GetPixel(target.dc, 0, 1), RGB(10, 11, 12));
    EXPECT_TRUE(StretchBlt(target.dc, 2, 2, 4, 4, source.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(GetPixel(target.dc, 3, 3), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(target.dc, 4, 3), RGB(4, 5, 6));
    EXPECT_EQ(GetPixel(target.dc, 5, 5), RGB(10, 11, 12));
}

TEST(Gdi, SetDIBitsToDeviceAndGetDIBitsConvertDepths)
{
    // A 3 x 2 indexed DIB: palette entry 1 is green.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } dib{};
    dib.header = {sizeof(BITMAPINFOHEADER), 3, 2, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
    dib.colours[1] = {0, 255, 0, 0};
    const std::uint8_t pixels[8] = {1, 0, 0, 0, 0, 0, 1, 0};  // bottom row first
    Canvas canvas(4, 4);
    EXPECT_EQ(SetDIBitsToDevice(canvas.dc, 1, 1, 3, 2, 0, 0, 0, 2, pixels,
                                reinterpret_cast<const BITMAPINFO*>(&dib), DIB_RGB_COLORS), 2);
    EXPECT_EQ(GetPixel(canvas.dc, 3, 1), RGB(0, 255, 0));  // top row, last column
    EXPECT_EQ(GetPixel(canvas.dc, 1, 2), RGB(0, 255, 0));  // bottom row, first column
    EXPECT_EQ(GetPixel(canvas.dc, 2, 2), RGB(0, 0, 0));

    HDC screen = GetDC(nullptr);
    std::uint8_t rows[4 * 12] = {};
    BITMAPINFO request{};
    request.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, 4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    EXPECT_EQ(GetDIBits(screen, canvas.bitmap, 0, 4, rows, &request, DIB_RGB_COLORS), 4);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(rows[12 * 1 + 3 * 1 + 1], 255);  // device (1, 2) is buffer row 1
}

TEST(Gdi, CopiesAtTheEndsOfTheCoordinateRangeAreClippedExactly)
{
    Canvas source(2, 2), target(6, 6);
    PaintFourColours(source);
    BITMAPINFO dib{};
    dib.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const std::uint8_t pixels[16] = {9, 9, 9, 9, 9, 9, 0, 0, 9, 9, 9, 9, 9, 9, 0, 0};
    // Far edges past INT_MAX, positions at INT_MIN, source offsets at both ends.
    for (int x : {INT_MIN, INT_MIN + 1, INT_MAX - 1, INT_MAX})
        for (int y : {INT_MIN, 0, INT_MAX}) {
            BitBlt(target.dc, x, y, 2, 2, source.dc, 0, 0, SRCCOPY);
            BitBlt(target.dc, 0, 0, 2, 2, source.dc, x, y, SRCCOPY);
            StretchBlt(target.dc, x, y, 4, 4, source.dc, 0, 0, 2, 2, SRCCOPY);
            StretchBlt(target.dc, 0, 0, 4, 4, source.dc, x, y, 2, 2, SRCCOPY);
            SetDIBitsToDevice(target.dc, x, y, 2, 2, 0, 0, 0, 2, pixels, &dib, DIB_RGB_COLORS);
            SetDIBitsToDevice(target.dc, 0, 0, 2, 2, x, y, 0, 2, pixels, &dib, DIB_RGB_COLORS);
        }
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(GetPixel(target.dc, x, y), RGB(0, 0, 0)) << x << "," << y;

    // A stretch from (1, 1) reaching past INT_MAX covers the rest of the
    // device with the source's first pixel.
    EXPECT_TRUE(StretchBlt(target.dc, 1, 1, INT_MAX, INT_MAX, source.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(GetPixel(target.dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(target.dc, 1, 1), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(target.dc, 5, 5), RGB(1, 2, 3));
}

TEST(Gdi, ClipRectanglesIntersectAndRestore)
{
    Canvas canvas(10, 10);
    RECT saved;
    GetClipBox(canvas.dc, &saved);
    IntersectClipRect(canvas.dc, 2, 3, 20, 5);
    RECT box;
    GetClipBox(canvas.dc, &box);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.right, 10);
    EXPECT_EQ(box.bottom, 5);
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    const RECT all{0, 0, 10, 10};
    FillRect(canvas.dc, &all, white);
    EXPECT_EQ(GetPixel(canvas.dc, 1, 4), 0xFFFFFFFFu);  // outside the clip box
    HRGN region = CreateRectRgnIndirect(&saved);
    ExtSelectClipRgn(canvas.dc, region, RGN_OR);
    DeleteObject(region);
    DeleteObject(white);
    GetClipBox(canvas.dc, &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.bottom, 10);
    EXPECT_EQ(GetPixel(canvas.dc, 1, 4), RGB(0, 0, 0));
}

TEST(Gdi, ContextWithoutBitmapDrawsNothing)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = CreateSolidBrush(0);
    const RECT rect{0, 0, 5, 5};
    EXPECT_EQ(FillRect(dc, &rect, brush), 0);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), nullptr);
    DeleteObject(brush);
    DeleteDC(dc);
}

}  // namespace
