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
#include <vector>

#include "platform/Coordinates.h"
#include "platform/text/ColourGlyphs.h"
#include "platform/text/FontLimits.h"
#include "platform/text/TextCoverage.h"
#include "platform/text/TextFont.h"
#include "platform/text/TextLines.h"

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

// Blends a coverage image laid over the strip into the bitmap in one colour.
void BlendCoverage(Bitmap& bitmap, const Box& strip, const QImage& coverage, COLORREF color)
{
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

// Lays premultiplied colour glyphs over the strip of the bitmap.
void ComposeColour(Bitmap& bitmap, const Box& strip, const QImage& colour)
{
    const int width = colour.width();
    for (int row = 0; row < colour.height(); ++row) {
        const auto* source = reinterpret_cast<const QRgb*>(colour.constScanLine(row));
        std::uint8_t* pixel = PixelAt(bitmap, strip.left, strip.top + row);
        for (int column = 0; column < width; ++column, pixel += 3) {
            const QRgb s = source[column];
            if (const unsigned a = unsigned(qAlpha(s))) {
                pixel[0] = std::uint8_t(unsigned(qBlue(s)) + pixel[0] * (255 - a) / 255);
                pixel[1] = std::uint8_t(unsigned(qGreen(s)) + pixel[1] * (255 - a) / 255);
                pixel[2] = std::uint8_t(unsigned(qRed(s)) + pixel[2] * (255 - a) / 255);
            }
        }
    }
}

// The line's glyphs over a strip: their coverage, and the colour glyphs
// premultiplied into colour when the line has them.
bool RasteriseStrip(const RealisedFont& font, const QString& text, qint64 x, qint64 y, const Box& strip,
                    bool colourGlyphs, QImage& coverage, QImage& colour)
{
    coverage = QImage(int(strip.right - strip.left), int(strip.bottom - strip.top), QImage::Format_Alpha8);
    if (coverage.isNull())
        return false;
    coverage.fill(0);
    if (colourGlyphs) {
        colour = QImage(coverage.size(), QImage::Format_ARGB32_Premultiplied);
        if (colour.isNull())
            return false;
        colour.fill(Qt::transparent);
        DrawLineLayers(coverage, colour, font, text, QPointF(qreal(x - strip.left), qreal(y - strip.top)));
        return true;
    }
    QPainter painter(&coverage);
    painter.setFont(font.font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(qreal(x - strip.left), qreal(y - strip.top + font.ascent)), text);
    return true;
}

// Calls draw(strip) for the strips that make up a line's area.
template <class Strip>
void ForEachStrip(const Box& area, Strip draw)
{
    for (qint64 left = area.left; left < area.right; left += kMaxCoverageWidth)
        draw(Box{left, area.top, std::min(area.right, left + kMaxCoverageWidth), area.bottom});
}

void DrawGlyphs(Bitmap& bitmap, const RealisedFont& font, const QString& text, qint64 x, qint64 y,
                const Box& area, COLORREF color)
{
    const bool colourGlyphs = HasColourGlyphs(font, text);
    ForEachStrip(area, [&](const Box& strip) {
        QImage coverage, colour;
        if (!RasteriseStrip(font, text, x, y, strip, colourGlyphs, coverage, colour))
            return;
        BlendCoverage(bitmap, strip, coverage, color);
        if (colourGlyphs)
            ComposeColour(bitmap, strip, colour);
    });
}

// Adds a line's coverage to the mask over the strip, keeping the larger.
void AddCoverage(AlphaMask& mask, const Box& strip, const QImage& coverage, const QImage& colour)
{
    const int width = coverage.width(), height = coverage.height();
    for (int row = 0; row < height; ++row) {
        const uchar* covered = coverage.constScanLine(row);
        const auto* coloured = colour.isNull() ? nullptr : reinterpret_cast<const QRgb*>(colour.constScanLine(row));
        std::uint8_t* out = mask.Row(LONG(strip.top + row - mask.box.top)) + (strip.left - mask.box.left);
        for (int column = 0; column < width; ++column) {
            const std::uint8_t value = coloured ? std::max<std::uint8_t>(covered[column], qAlpha(coloured[column]))
                                                : covered[column];
            out[column] = std::max(out[column], value);
        }
    }
}

qint64 AlignedLeft(const RECT& rect, LONG width, UINT format)
{
    if (format & DT_CENTER)
        return rect.left + (qint64(rect.right) - rect.left - width) / 2;
    if (format & DT_RIGHT)
        return qint64(rect.right) - width;
    return rect.left;
}

// A line of the text at its place.
struct PlacedLine {
    QString text;
    qint64 x = 0;
    qint64 y = 0;
    LONG width = 0;
};

// The text's lines where DrawTextW puts them, and the block they make. A
// text without line breaks (or with DT_SINGLELINE) is one line, placed by
// the vertical flags too when DT_SINGLELINE is given. A line's width, and
// with it its place across, is measured when the line is placed: a text of
// thousands of lines shapes only those that are drawn.
class Layout {
public:
    Layout(const RealisedFont& font, const WCHAR* text, int length, const RECT& rect, UINT format)
        : m_font(font), m_rect(rect), m_format(format)
    {
        const std::u16string_view units(text, std::size_t(length));
        if (!(format & DT_SINGLELINE) && HasLineBreak(units))
            ForEachLine(units, [&](std::size_t first, std::size_t count) {
                m_lines.push_back(QString::fromUtf16(text + first, qsizetype(count)));
            });
        else
            m_lines.push_back(QString::fromUtf16(text, length));
    }

    std::size_t Count() const { return m_lines.size(); }
    qint64 Height() const { return qint64(m_font.lineSpacing) * qint64(m_lines.size() - 1) + m_font.Height(); }
    // The widest line's width: every line measured.
    LONG Width() const
    {
        LONG widest = 0;
        for (const QString& line : m_lines)
            widest = std::max(widest, Advance(m_font, line));
        return widest;
    }
    qint64 Top(std::size_t index) const
    {
        const qint64 top = m_rect.top + qint64(m_font.lineSpacing) * qint64(index);
        if (!(m_format & DT_SINGLELINE))
            return top;
        if (m_format & DT_VCENTER)
            return top + (qint64(m_rect.bottom) - m_rect.top - m_font.Height()) / 2;
        if (m_format & DT_BOTTOM)
            return qint64(m_rect.bottom) - m_font.Height();
        return top;
    }
    PlacedLine Place(std::size_t index) const
    {
        PlacedLine line{m_lines[index]};
        line.width = Advance(m_font, line.text);
        line.x = AlignedLeft(m_rect, line.width, m_format);
        line.y = Top(index);
        return line;
    }

private:
    const RealisedFont& m_font;
    RECT m_rect;
    UINT m_format;
    std::vector<QString> m_lines;
};

// Of a text of several lines, those far outside the box are not even
// measured: thousands of lines cost what the visible ones cost.
template <class Visit>
void ForEachLineNear(const RealisedFont& font, const Layout& layout, const Box& box, Visit visit)
{
    const qint64 reach = 4 * qint64(font.Height());
    const bool several = layout.Count() > 1;
    for (std::size_t i = 0; i < layout.Count(); ++i) {
        const qint64 top = layout.Top(i);
        if (several && (top + font.Height() + reach <= box.top || top - reach >= box.bottom))
            continue;
        visit(layout.Place(i));
    }
}

Box InkOf(const RealisedFont& font, const PlacedLine& line)
{
    return InkBox(font, line.text, line.x, line.y, line.width);
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

// Without DT_SINGLELINE a text breaks into lines at its line breaks (see
// TextLines.h): each stands one line spacing under the one before, placed
// across the rectangle by the horizontal flags, and the block is the union
// of the lines' cells. Mnemonic prefixes are not supported: '&' is drawn as
// it stands, as GetTextExtentPoint32W measures it.
int DrawTextW(HDC dc, const WCHAR* text, int length, RECT* rect, UINT format)
{
    if (!dc || !text || !rect)
        return 0;
    const auto font = RealisedFontOf(dc->font);
    if (!font)
        return 0;
    if (length < 0)
        length = int(std::char_traits<char16_t>::length(text));
    const Layout layout(*font, text, length, *rect, format);
    const int height = int(std::min<qint64>(layout.Height(), std::numeric_limits<int>::max()));

    if (format & DT_CALCRECT) {
        rect->right = SaturatingAdd(rect->left, layout.Width());
        rect->bottom = SaturatingAdd(rect->top, layout.Height());
        return height;
    }
    if (!IsDrawable24(dc->bitmap))
        return 0;

    const Box drawable = DrawableBox(*dc, *rect, format);
    ForEachLineNear(*font, layout, drawable, [&](const PlacedLine& line) {
        if (dc->bkMode == OPAQUE) {
            const Box cell = Box{line.x, line.y, line.x + line.width, line.y + font->Height()}.Intersect(drawable);
            if (!cell.IsEmpty())
                FillBox(*dc->bitmap, cell, dc->bkColor);
        }
        const Box ink = InkOf(*font, line).Intersect(drawable);
        if (!ink.IsEmpty())
            DrawGlyphs(*dc->bitmap, *font, line.text, line.x, line.y, ink, dc->textColor);
    });
    return height;
}

bool GetTextInkBox(HDC dc, const WCHAR* text, int length, const RECT& rect, UINT format, RECT* ink)
{
    if (!dc || !text || length < 0 || !ink)
        return false;
    const auto font = RealisedFontOf(dc->font);
    if (!font)
        return false;
    const Layout layout(*font, text, length, rect, format);
    // Only the lines near the bitmap count: far ones would only make the box vast.
    Box near{std::numeric_limits<qint64>::min() / 4, std::numeric_limits<qint64>::min() / 4,
             std::numeric_limits<qint64>::max() / 4, std::numeric_limits<qint64>::max() / 4};
    if (IsDrawable24(dc->bitmap))
        near = {-qint64(kMaxFontEm), -qint64(kMaxFontEm), dc->bitmap->Width() + qint64(kMaxFontEm),
                dc->bitmap->Height() + qint64(kMaxFontEm)};
    Box all{0, 0, 0, 0};
    ForEachLineNear(*font, layout, near, [&](const PlacedLine& line) {
        const Box box = InkOf(*font, line);
        all = all.IsEmpty() ? box
                            : Box{std::min(all.left, box.left), std::min(all.top, box.top),
                                  std::max(all.right, box.right), std::max(all.bottom, box.bottom)};
    });
    if (all.IsEmpty())
        return false;
    *ink = {SaturateToLong(all.left), SaturateToLong(all.top), SaturateToLong(all.right), SaturateToLong(all.bottom)};
    return true;
}

bool GetTextCoverage(HDC dc, const WCHAR* text, int length, const RECT& rect, UINT format, AlphaMask* mask)
{
    if (!dc || !text || length < 0 || !mask || mask->Width() <= 0 || mask->Height() <= 0)
        return false;
    const auto font = RealisedFontOf(dc->font);
    if (!font)
        return false;
    mask->values.assign(std::size_t(mask->Width()) * std::size_t(mask->Height()), 0);
    const Layout layout(*font, text, length, rect, format);
    const Box area{mask->box.left, mask->box.top, mask->box.right, mask->box.bottom};
    ForEachLineNear(*font, layout, area, [&](const PlacedLine& line) {
        const Box ink = InkOf(*font, line).Intersect(area);
        if (ink.IsEmpty())
            return;
        const bool colourGlyphs = HasColourGlyphs(*font, line.text);
        ForEachStrip(ink, [&](const Box& strip) {
            QImage coverage, colour;
            if (RasteriseStrip(*font, line.text, line.x, line.y, strip, colourGlyphs, coverage, colour))
                AddCoverage(*mask, strip, coverage, colour);
        });
    });
    return true;
}
