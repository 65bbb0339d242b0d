// Text extents and text output into 24-bit DIB sections. QtGui rasterises
// the glyphs into a coverage mask; the mask is blended into the bitmap here,
// in whole bytes, so that text composes like every other card element.
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "platform/Coordinates.h"
#include "platform/text/TextFont.h"

namespace {

// Device rectangles in 64 bits: a rectangle's coordinates plus a text's
// extent may leave the 32-bit range.
struct Box {
    qint64 left = 0;
    qint64 top = 0;
    qint64 right = 0;
    qint64 bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    Box Intersect(const Box& other) const
    {
        return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    }
};

LONG Advance(const RealisedFont& font, const QString& text)
{
    const qreal width = font.metrics.horizontalAdvance(text);
    return LONG(std::lround(std::clamp<qreal>(width, 0, std::numeric_limits<LONG>::max())));
}

bool IsDrawable24(const Bitmap* bitmap)
{
    return bitmap && bitmap->header.biBitCount == 24 && bitmap->Width() > 0 && bitmap->Height() > 0 &&
           bitmap->pixels.size() >= std::size_t(bitmap->Stride()) * std::size_t(bitmap->Height());
}

// Where drawing may touch: the bitmap, the context's clip rectangle and,
// unless told otherwise, the formatting rectangle.
Box DrawableBox(const DeviceContext& dc, const RECT& rect, UINT format)
{
    Box box{0, 0, dc.bitmap->Width(), dc.bitmap->Height()};
    if (dc.hasClip)
        box = box.Intersect({dc.clip.left, dc.clip.top, dc.clip.right, dc.clip.bottom});
    if (!(format & DT_NOCLIP))
        box = box.Intersect({rect.left, rect.top, rect.right, rect.bottom});
    return box;
}

// Rows of the bitmap are stored bottom-up; device row 0 is the top one.
std::uint8_t* PixelAt(Bitmap& bitmap, qint64 x, qint64 y)
{
    return bitmap.Row(LONG(bitmap.Height() - 1 - y)) + 3 * x;
}

void FillBox(Bitmap& bitmap, const Box& box, COLORREF color)
{
    for (qint64 y = box.top; y < box.bottom; ++y) {
        std::uint8_t* pixel = PixelAt(bitmap, box.left, y);
        for (qint64 x = box.left; x < box.right; ++x, pixel += 3) {
            pixel[0] = GetBValue(color);
            pixel[1] = GetGValue(color);
            pixel[2] = GetRValue(color);
        }
    }
}

std::uint8_t Blend(std::uint8_t dest, unsigned colour, unsigned coverage)
{
    return std::uint8_t((colour * coverage + dest * (255 - coverage)) / 255);
}

// Ink of the text drawn with its cell's top-left corner at origin: the cell
// itself (underline, opaque background) and the glyphs, which may overhang
// it, plus a pixel for antialiasing.
Box InkBox(const RealisedFont& font, const QString& text, qint64 x, qint64 y, LONG width)
{
    const QRectF glyphs = font.metrics.boundingRect(text).translated(0, font.ascent);
    return {x + std::min<qint64>(0, qint64(std::floor(glyphs.left()))) - 1,
            y + std::min<qint64>(0, qint64(std::floor(glyphs.top()))) - 1,
            x + std::max<qint64>(width, qint64(std::ceil(glyphs.right()))) + 1,
            y + std::max<qint64>(font.Height(), qint64(std::ceil(glyphs.bottom()))) + 1};
}

// Qt 6.4's raster engine overruns its stack filling the outline of a
// missing-glyph box (a character no installed face covers) at an em above
// 2049 pixels into an image wider than 2050. Glyphs are therefore drawn in
// strips at most this wide; the origin moves by whole pixels from strip to
// strip, so the coverage is the same as in one image.
constexpr qint64 kMaxCoverageWidth = 2048;

void DrawGlyphStrip(Bitmap& bitmap, const RealisedFont& font, const QString& text, qint64 x, qint64 y,
                    const Box& strip, COLORREF color)
{
    QImage coverage(int(strip.right - strip.left), int(strip.bottom - strip.top), QImage::Format_Alpha8);
    if (coverage.isNull())
        return;
    coverage.fill(0);
    {
        QPainter painter(&coverage);
        painter.setFont(font.font);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(qreal(x - strip.left), qreal(y - strip.top + font.ascent)), text);
    }
    const int width = coverage.width();
    for (int row = 0; row < coverage.height(); ++row) {
        const uchar* mask = coverage.constScanLine(row);
        std::uint8_t* pixel = PixelAt(bitmap, strip.left, strip.top + row);
        for (int column = 0; column < width; ++column, pixel += 3) {
            if (const unsigned c = mask[column]) {
                pixel[0] = Blend(pixel[0], GetBValue(color), c);
                pixel[1] = Blend(pixel[1], GetGValue(color), c);
                pixel[2] = Blend(pixel[2], GetRValue(color), c);
            }
        }
    }
}

void DrawGlyphs(Bitmap& bitmap, const RealisedFont& font, const QString& text, qint64 x, qint64 y,
                const Box& area, COLORREF color)
{
    for (qint64 left = area.left; left < area.right; left += kMaxCoverageWidth) {
        const Box strip{left, area.top, std::min(area.right, left + kMaxCoverageWidth), area.bottom};
        DrawGlyphStrip(bitmap, font, text, x, y, strip, color);
    }
}

}  // namespace

BOOL GetTextExtentPoint32W(HDC dc, const WCHAR* text, int length, SIZE* size)
{
    if (!dc || !text || length < 0 || !size)
        return false;
    const auto font = RealisedFontOf(dc->font);
    if (!font)
        return false;
    size->cx = Advance(*font, QString::fromUtf16(text, length));
    size->cy = font->Height();
    return true;
}

// One line of text; multi-line layout and mnemonic prefixes are not
// supported: '&' is drawn as it stands, as GetTextExtentPoint32W measures it.
int DrawTextW(HDC dc, const WCHAR* text, int length, RECT* rect, UINT format)
{
    if (!dc || !text || !rect)
        return 0;
    const auto font = RealisedFontOf(dc->font);
    if (!font)
        return 0;
    if (length < 0)
        length = int(std::char_traits<char16_t>::length(text));
    const QString string = QString::fromUtf16(text, length);
    const LONG width = Advance(*font, string);
    const int height = font->Height();

    if (format & DT_CALCRECT) {
        rect->right = SaturatingAdd(rect->left, width);
        rect->bottom = SaturatingAdd(rect->top, height);
        return height;
    }
    if (!IsDrawable24(dc->bitmap))
        return 0;

    qint64 x = rect->left;
    if (format & DT_CENTER)
        x += (qint64(rect->right) - rect->left - width) / 2;
    else if (format & DT_RIGHT)
        x = qint64(rect->right) - width;
    qint64 y = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y += (qint64(rect->bottom) - rect->top - height) / 2;
        else if (format & DT_BOTTOM)
            y = qint64(rect->bottom) - height;
    }

    const Box drawable = DrawableBox(*dc, *rect, format);
    if (dc->bkMode == OPAQUE) {
        const Box cell = Box{x, y, x + width, y + height}.Intersect(drawable);
        if (!cell.IsEmpty())
            FillBox(*dc->bitmap, cell, dc->bkColor);
    }
    const Box ink = InkBox(*font, string, x, y, width).Intersect(drawable);
    if (!ink.IsEmpty())
        DrawGlyphs(*dc->bitmap, *font, string, x, y, ink, dc->textColor);
    return height;
}
