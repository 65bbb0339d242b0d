#include "platform/text/TextFont.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <compare>
#include <cstdint>
#include <map>
#include <string>

#include "platform/text/FontLimits.h"

namespace {

// The cell height of a font whose LOGFONTW leaves the height to us.
constexpr int kDefaultCellHeight = 16;
// Larger than any card needs. Qt caches the glyphs it draws for characters
// no face has (and colour glyphs) as images at the em size, whatever that
// is: an em of 16384 pixels cost 256 MiB for one such glyph, 4096 costs 16.
int MaxPixelSize()
{
    return int(FontEmLimit());
}
// QFont::setStretch accepts nothing outside this range (percent).
constexpr qreal kMinStretch = 1;
constexpr qreal kMaxStretch = 100 * kMaxFontStretch;
// The fitting loop makes a font per step; a few hundred descriptions cover
// every step of a drag, and fonts still in use keep their realisation.
constexpr std::size_t kCacheLimit = 256;
// Each realised font keeps its font engine alive, and with it the glyph
// images Qt cached for it, up to an em square each. The cache lets its fonts
// go once their em squares add up to 64 MiB: four fonts at the largest em,
// every font of an ordinary card.
constexpr std::uint64_t kCacheEmArea = std::uint64_t(64) << 20;

// The fields of a LOGFONTW that decide what is drawn.
struct FontKey {
    std::u16string face;
    LONG height = 0;
    LONG width = 0;
    LONG weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    auto operator<=>(const FontKey&) const = default;
};

FontKey KeyOf(const LOGFONTW& description)
{
    // A face name read from a file may fill all 32 units without a terminator.
    const WCHAR* face = description.lfFaceName;
    const WCHAR* end = std::find(face, face + LF_FACESIZE, u'\0');
    return {std::u16string(face, end), description.lfHeight, description.lfWidth, description.lfWeight,
            description.lfItalic != 0, description.lfUnderline != 0, description.lfStrikeOut != 0};
}

QFont BaseFont(const FontKey& key)
{
    QFont font;
    // Fontconfig resolves a face that is not installed to a similar one. No
    // face at all means its default sans face, not the desktop's own font.
    font.setFamily(key.face.empty() ? QStringLiteral("sans-serif") : QString::fromStdU16String(key.face));
    font.setWeight(QFont::Weight(key.weight == 0 ? int(QFont::Normal) : std::clamp<LONG>(key.weight, 1, 1000)));
    font.setItalic(key.italic);
    font.setUnderline(key.underline);
    font.setStrikeOut(key.strikeOut);
    // Unhinted outlines scale linearly, so extents follow the size smoothly
    // while a text is fitted to its box; without kerning an extent is the
    // sum of the advances. Grey antialiasing only: the same glyphs on the
    // card's pixels as in the editor on screen.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    return font;
}

// Average character width as the classic TrueType OS/2 tables define it:
// lowercase letters and space weighted by their frequency in English text.
// The metric-compatible faces reproduce the classic faces' values this way;
// their own xAvgCharWidth averages every glyph and is about a third larger,
// which would squeeze every stored lfWidth.
qreal AverageCharWidth(const QFontMetricsF& metrics)
{
    static constexpr int kLetterWeights[26] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20,
                                               56, 56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2};
    constexpr int kSpaceWeight = 166;
    qreal sum = kSpaceWeight * metrics.horizontalAdvance(QLatin1Char(' '));
    for (int i = 0; i < 26; ++i)
        sum += kLetterWeights[i] * metrics.horizontalAdvance(QLatin1Char(char('a' + i)));
    return sum / 1000;
}

// What a face looks like at any size: unhinted metrics scale linearly with
// the em, so one measurement per face, weight and slant serves every height
// and saves a font engine (a fontconfig match) per fitting step.
struct FaceMetrics {
    QString styleName;
    qreal averageCharWidth;  // per pixel of em
    qreal cellHeight;        // per pixel of em
};

FaceMetrics MeasureFace(QFont font)
{
    constexpr int kReferenceEm = 256;
    font.setPixelSize(kReferenceEm);
    const QFontMetricsF metrics(font);
    return {QFontInfo(font).styleName(), AverageCharWidth(metrics) / kReferenceEm,
            (metrics.ascent() + metrics.descent()) / kReferenceEm};
}

int CellHeight(QFont font, int pixelSize)
{
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    return metrics.ascent() + metrics.descent();
}

// The largest em size whose cell is not above the requested one; cells are
// rounded per size, so the proportional guess may be a step off.
int PixelSizeForCell(const QFont& font, const FaceMetrics& face, int cell)
{
    int em = int(std::clamp<qreal>(std::floor(cell / std::max<qreal>(face.cellHeight, 0.01)), 1, MaxPixelSize()));
    while (em > 1 && CellHeight(font, em) > cell)
        --em;
    while (em < MaxPixelSize() && CellHeight(font, em + 1) <= cell)
        ++em;
    return em;
}

int EmPixelSize(const QFont& font, const FaceMetrics& face, LONG height)
{
    if (height < 0)
        return int(std::min<qint64>(-qint64(height), MaxPixelSize()));
    const LONG cell = height == 0 ? kDefaultCellHeight : std::min<LONG>(height, MaxPixelSize());
    return PixelSizeForCell(font, face, cell);
}

void ApplyAverageWidth(QFont& font, const FaceMetrics& face, LONG width)
{
    const qreal natural = face.averageCharWidth * font.pixelSize();
    if (natural <= 0)
        return;
    // Asked for a narrow stretch, the matcher would switch to a condensed
    // style of the family where one exists, and widths would stop growing
    // with lfWidth; keep the style chosen at natural width.
    font.setStyleName(face.styleName);
    const qreal percent = 100 * std::abs(qreal(width)) / natural;
    // Nor is a glyph stretched wider than the largest em: Qt's glyph loader
    // fails on such glyphs, and they would cost an image of that size each.
    const qreal widest = std::max<qreal>(100, 100.0 * FontEmLimit() / font.pixelSize());
    font.setStretch(qRound(std::clamp(percent, kMinStretch, std::min(kMaxStretch, widest))));
}

const FaceMetrics& FaceMetricsOf(const FontKey& key, const QFont& font)
{
    static std::map<FontKey, FaceMetrics> faces;
    FontKey face{key.face, 0, 0, key.weight, key.italic};
    if (auto found = faces.find(face); found != faces.end())
        return found->second;
    if (faces.size() >= kCacheLimit)
        faces.clear();
    return faces.emplace(std::move(face), MeasureFace(font)).first->second;
}

std::shared_ptr<const RealisedFont> Realise(const FontKey& key)
{
    QFont font = BaseFont(key);
    const FaceMetrics& face = FaceMetricsOf(key, font);
    font.setPixelSize(EmPixelSize(font, face, key.height));
    if (key.width != 0)
        ApplyAverageWidth(font, face, key.width);
    return std::make_shared<const RealisedFont>(font);
}

std::map<FontKey, std::shared_ptr<const RealisedFont>>& Cache()
{
    static std::map<FontKey, std::shared_ptr<const RealisedFont>> cache;
    return cache;
}

std::uint64_t s_cachedEmArea = 0;
bool s_cacheCleanupRegistered = false;

// Qt's fonts belong to the application object's font database: release them
// when it goes (post routines run at the start of its destruction), so that
// none outlives it and a later application object realises fonts afresh.
void ReleaseCache()
{
    Cache().clear();
    s_cachedEmArea = 0;
    s_cacheCleanupRegistered = false;
}

std::shared_ptr<const RealisedFont> Lookup(const LOGFONTW& description)
{
    FontKey key = KeyOf(description);
    auto& cache = Cache();
    if (auto found = cache.find(key); found != cache.end())
        return found->second;
    if (!s_cacheCleanupRegistered) {
        qAddPostRoutine(ReleaseCache);
        s_cacheCleanupRegistered = true;
    }
    auto realised = Realise(key);
    const std::uint64_t em = std::uint64_t(std::max(realised->font.pixelSize(), 1));
    if (cache.size() >= kCacheLimit || s_cachedEmArea + em * em > kCacheEmArea) {
        cache.clear();
        s_cachedEmArea = 0;
    }
    s_cachedEmArea += em * em;
    cache.emplace(std::move(key), realised);
    return realised;
}

bool HaveGuiApplication()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

RealisedFont::RealisedFont(const QFont& qtFont)
    : font(qtFont),
      metrics(qtFont),
      ascent(QFontMetrics(qtFont).ascent()),
      descent(QFontMetrics(qtFont).descent()),
      lineSpacing(std::max(ascent + descent, QFontMetrics(qtFont).lineSpacing()))
{
}

TextFont::TextFont(const LOGFONTW& description, std::shared_ptr<const RealisedFont> realised)
    : m_realised(std::move(realised))
{
    logfont = description;
}

std::shared_ptr<const RealisedFont> RealisedFontOf(HFONT font)
{
    if (!HaveGuiApplication())
        return nullptr;
    if (const auto* own = dynamic_cast<const TextFont*>(font))
        return own->Realised();
    return Lookup(font ? font->logfont : LOGFONTW{});
}

HFONT CreateFontIndirectW(const LOGFONTW* description)
{
    if (!description || !HaveGuiApplication())
        return nullptr;
    return new TextFont(*description, Lookup(*description));
}
