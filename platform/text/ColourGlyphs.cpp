#include "platform/text/ColourGlyphs.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Tables of the colour glyph formats; the location tables are looked for
// where there is one, as the glyph data runs to megabytes.
constexpr const char* kColourTables[] = {"CBLC", "COLR", "sbix", "SVG "};

bool IsColourFace(const QRawFont& face)
{
    if (!face.isValid())
        return false;
    const auto hasColourTable = [&] {
        return std::any_of(std::begin(kColourTables), std::end(kColourTables),
                           [&](const char* table) { return !face.fontTable(table).isEmpty(); });
    };
    // A face is known by its header table (its checksum and dates): its
    // family name is not asked for, because a raw font whose engine has no
    // family (a huge em that found no glyphs) crashes when asked.
    const QByteArray key = face.fontTable("head");
    if (key.isEmpty())
        return hasColourTable();
    static std::map<QByteArray, bool> known;
    if (const auto found = known.find(key); found != known.end())
        return found->second;
    if (known.size() >= 256)
        known.clear();
    return known.emplace(key, hasColourTable()).first->second;
}

// The line laid out as QPainter::drawText lays it out: one line, unwrapped.
class LineLayout {
public:
    LineLayout(const RealisedFont& font, const QString& text) : m_layout(text, font.font)
    {
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        m_layout.setTextOption(option);
        m_layout.beginLayout();
        m_line = m_layout.createLine();
        if (m_line.isValid())
            m_line.setNumColumns(int(text.size()));
        m_layout.endLayout();
    }
    QList<QGlyphRun> Runs() const { return m_line.isValid() ? m_line.glyphRuns() : QList<QGlyphRun>(); }
    qreal Ascent() const { return m_line.isValid() ? m_line.ascent() : 0; }

private:
    QTextLayout m_layout;
    QTextLine m_line;
};

bool MayHaveColourGlyphs(const QString& line)
{
    // Below U+2000 a colour face has only keycap bases and signs (# * 0-9
    // © ®) that every text face has itself.
    return std::any_of(line.begin(), line.end(), [](QChar unit) { return unit.unicode() >= 0x2000; });
}

// A colour run of a large em: each glyph drawn at kMaxColourGlyphEm and
// scaled up into its place, smoothly.
void DrawScaledColourRun(QPainter& painter, const QGlyphRun& run, QPointF offset)
{
    QRawFont small = run.rawFont();
    const qreal scale = small.pixelSize() / kMaxColourGlyphEm;
    small.setPixelSize(kMaxColourGlyphEm);
    const QList<quint32> glyphs = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
        const QRect box = small.boundingRect(glyphs[i]).toAlignedRect().adjusted(-1, -1, 1, 1);
        if (box.isEmpty())
            continue;
        QImage picture(box.size(), QImage::Format_ARGB32_Premultiplied);
        if (picture.isNull())
            continue;
        picture.fill(Qt::transparent);
        {
            QGlyphRun one;
            one.setRawFont(small);
            one.setGlyphIndexes({glyphs[i]});
            one.setPositions({QPointF(-box.left(), -box.top())});
            QPainter glyph(&picture);
            glyph.drawGlyphRun(QPointF(0, 0), one);
        }
        const QRectF place(offset + positions[i] + QPointF(box.left(), box.top()) * scale,
                           QSizeF(box.size()) * scale);
        painter.drawImage(place, picture);
    }
}

}  // namespace

bool HasColourGlyphs(const RealisedFont& font, const QString& line)
{
    if (line.isEmpty())
        return false;
    if (!MayHaveColourGlyphs(line) && !IsColourFace(QRawFont::fromFont(font.font)))
        return false;
    const LineLayout layout(font, line);
    const QList<QGlyphRun> runs = layout.Runs();
    return std::any_of(runs.begin(), runs.end(), [](const QGlyphRun& run) { return IsColourFace(run.rawFont()); });
}

void DrawLineLayers(QImage& coverage, QImage& colour, const RealisedFont& font, const QString& line, QPointF origin)
{
    const LineLayout layout(font, line);
    // Glyph positions are the baseline's; the cell's top lies the font's
    // ascent above it, as QPainter::drawText places a line.
    const QPointF offset = origin + QPointF(0, font.ascent - layout.Ascent());
    QPainter mono(&coverage);
    mono.setPen(Qt::black);
    QPainter inColour(&colour);
    inColour.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const QGlyphRun& run : layout.Runs()) {
        if (!IsColourFace(run.rawFont()))
            mono.drawGlyphRun(offset, run);
        else if (run.rawFont().pixelSize() > kMaxColourGlyphEm)
            DrawScaledColourRun(inColour, run, offset);
        else
            inColour.drawGlyphRun(offset, run);
    }
}
