// Fonts, extents and text output of the drawing layer, on Qt's offscreen
// platform with the fonts the project installs.
#include <gtest/gtest.h>

#include <QColor>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QTextLayout>
#include <QGuiApplication>
#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "platform/text/ColourGlyphs.h"
#include "platform/text/FontLimits.h"
#include "platform/text/TextFont.h"

namespace {

class GuiEnvironment : public testing::Environment {
public:
    void SetUp() override { Start(); }
    void TearDown() override { Stop(); }
    static void Start()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        s_app = std::make_unique<QGuiApplication>(s_argc, s_argv);
    }
    static void Stop() { s_app.reset(); }

private:
    static inline int s_argc = 1;
    static inline char s_name[] = "text_tests";
    static inline char* s_argv[] = {s_name, nullptr};
    static inline std::unique_ptr<QGuiApplication> s_app;
};
const auto* const g_environment = testing::AddGlobalTestEnvironment(new GuiEnvironment);

LOGFONTW Describe(std::u16string_view face, LONG height, LONG width = 0, LONG weight = 0)
{
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfWeight = weight;
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    return lf;
}

std::unique_ptr<Font> Make(const LOGFONTW& lf)
{
    return std::unique_ptr<Font>(CreateFontIndirectW(&lf));
}

SIZE Extent(Font* font, std::u16string_view text)
{
    DeviceContext dc;  // no bitmap: measuring only
    dc.font = font;
    SIZE size{-1, -1};
    EXPECT_TRUE(GetTextExtentPoint32W(&dc, text.data(), int(text.size()), &size));
    return size;
}

SIZE Extent(const LOGFONTW& lf, std::u16string_view text = u"Hello world")
{
    return Extent(Make(lf).get(), text);
}

QFontInfo InfoOf(const Font& font)
{
    return QFontInfo(dynamic_cast<const TextFont&>(font).QtFont());
}

constexpr COLORREF kPaper = RGB(250, 3, 128);
constexpr COLORREF kInk = RGB(12, 200, 77);

// A 24-bit bottom-up DIB in a colour no text uses, selected into a context.
struct Canvas {
    Bitmap bitmap;
    DeviceContext dc;
    std::unique_ptr<Font> font;

    Canvas(LONG width, LONG height, const LOGFONTW& lf = Describe(u"Arial", -20))
        : font(Make(lf))
    {
        bitmap.header = {40, width, height, 1, 24};
        bitmap.pixels.resize(std::size_t(bitmap.Stride()) * height);
        for (std::size_t i = 0; i + 2 < bitmap.pixels.size(); i += 3)  // row padding too: harmless
            bitmap.pixels[i] = GetBValue(kPaper), bitmap.pixels[i + 1] = GetGValue(kPaper),
            bitmap.pixels[i + 2] = GetRValue(kPaper);
        dc.bitmap = &bitmap;
        dc.font = font.get();
        dc.textColor = kInk;
        dc.bkMode = TRANSPARENT;
    }
    std::uint8_t* At(LONG x, LONG y) { return bitmap.Row(bitmap.Height() - 1 - y) + 3 * x; }
    COLORREF Get(LONG x, LONG y) { return RGB(At(x, y)[2], At(x, y)[1], At(x, y)[0]); }
    int Draw(std::u16string_view text, RECT rect, UINT format = DT_SINGLELINE | DT_NOCLIP)
    {
        return DrawTextW(&dc, text.data(), int(text.size()), &rect, format);
    }
    // Bounding box of the pixels that differ from the paper; empty when none do.
    RECT Changed()
    {
        RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (LONG y = 0; y < bitmap.Height(); ++y)
            for (LONG x = 0; x < bitmap.Width(); ++x)
                if (Get(x, y) != kPaper)
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
        return box.left == INT_MAX ? RECT{} : box;
    }
};

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST(TextFont, KeepsTheLogfontByteForByte)
{
    LOGFONTW lf = Describe(u"Times New Roman", -33, 17, 700);
    lf.lfEscapement = 12, lf.lfCharSet = 0xEE, lf.lfQuality = 5, lf.lfPitchAndFamily = 0x22;
    auto font = Make(lf);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Type(), OBJ_FONT);
    EXPECT_EQ(std::memcmp(&font->logfont, &lf, sizeof lf), 0);

    // A face name that fills the record with no terminator is read no further.
    std::fill(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), u'x');
    font = Make(lf);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(std::memcmp(&font->logfont, &lf, sizeof lf), 0);
    EXPECT_GT(Extent(font.get(), u"x").cx, 0);
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
}

TEST(TextFont, WindowsFaceNamesMapToMetricCompatibleFaces)
{
    EXPECT_EQ(InfoOf(*Make(Describe(u"Arial", -20))).family(), "Liberation Sans");
    EXPECT_EQ(InfoOf(*Make(Describe(u"Times New Roman", -20))).family(), "Liberation Serif");
    EXPECT_FALSE(InfoOf(*Make(Describe(u"No Such Face", -20))).family().isEmpty());
    const auto bold = Make(Describe(u"Arial", -20, 0, 700));
    EXPECT_TRUE(InfoOf(*bold).bold());
    EXPECT_GT(Extent(bold.get(), u"Hello world").cx, Extent(Describe(u"Arial", -20)).cx);
}

TEST(TextFont, NegativeHeightIsTheEmAndPositiveTheLargestCellNotAbove)
{
    for (const char16_t* face : {u"Arial", u"Times New Roman", u"DejaVu Sans"}) {
        for (LONG h = 1; h <= 120; ++h) {
            const auto em = Make(Describe(face, -h));
            EXPECT_EQ(InfoOf(*em).pixelSize(), h);
            const LONG cell = Extent(Describe(face, h)).cy;
            const auto fit = Make(Describe(face, h));
            const LONG nextEm = InfoOf(*fit).pixelSize() + 1;
            EXPECT_LE(cell, h) << "lfHeight " << h;
            EXPECT_GT(Extent(Describe(face, -nextEm)).cy, h) << "lfHeight " << h;
        }
    }
    const LONG fallback = Extent(Describe(u"Arial", 0)).cy;
    EXPECT_LE(fallback, 16);
    EXPECT_GE(fallback, 14);
}

// The fitting loop steps lfHeight and lfWidth one unit at a time until the
// extent reaches a box; extents that shrank on a step would stall it.
TEST(TextFont, ExtentsNeverShrinkAsHeightOrWidthGrow)
{
    for (const char16_t* face : {u"Arial", u"DejaVu Sans", u"DejaVu Serif"}) {
        SIZE previous{};
        for (LONG h = 1; h <= 80; ++h) {
            const SIZE now = Extent(Describe(face, h));
            EXPECT_GE(now.cy, previous.cy) << "lfHeight " << h;
            previous = now;
        }
        // Narrow widths keep the face's own style rather than a condensed one.
        const QString style = InfoOf(*Make(Describe(face, -100))).styleName();
        previous = {};
        for (LONG w = 1; w <= 80; ++w) {
            const auto font = Make(Describe(face, -100, w));
            const SIZE now = Extent(font.get(), u"Hello world");
            EXPECT_GE(now.cx, previous.cx) << "lfWidth " << w;
            EXPECT_EQ(now.cy, Extent(Describe(face, -100)).cy);
            EXPECT_EQ(InfoOf(*font).styleName(), style);
            previous = now;
        }
    }
}

TEST(TextFont, WidthIsTheAverageCharacterWidth)
{
    // "Times New Roman" at an em of 64 averages 25.7 pixels a character.
    const LONG natural = Extent(Describe(u"Times New Roman", -64)).cx;
    EXPECT_NEAR(Extent(Describe(u"Times New Roman", -64, 26)).cx, natural, natural / 50);
    EXPECT_NEAR(Extent(Describe(u"Times New Roman", -64, 52)).cx, 2 * natural, natural / 25);
    EXPECT_LT(Extent(Describe(u"Times New Roman", -64, 1)).cx, natural / 10);
}

TEST(TextFont, ExtremeDescriptionsStillMeasure)
{
    for (const LONG h : {INT_MIN, INT_MAX})
        for (const LONG w : {0, INT_MIN, INT_MAX}) {
            const SIZE size = Extent(Describe(u"Arial", h, w), u"Wide");
            EXPECT_GT(size.cx, 0);
            EXPECT_GT(size.cy, 0);
            // The em stops at 4096 pixels: Qt keeps an em-sized image of
            // every glyph no face has that it draws.
            EXPECT_LE(size.cy, 4096 * 5 / 4);
        }
}

// A font description no other test uses: weights far above the range.
LOGFONTW FreshArial(LONG em)
{
    static LONG weight = 100000;
    return Describe(u"Arial", -em, 0, ++weight);
}

std::weak_ptr<const RealisedFont> Realised(const LOGFONTW& lf)
{
    return RealisedFontOf(Make(lf).get());
}

TEST(TextFont, CacheLetsLargeFontsGoSooner)
{
    // Each cached font keeps Qt's glyph images for it alive. Realise large
    // fonts until the cache lets one go: it then holds one large font.
    const auto probe = Realised(FreshArial(4096));
    for (int i = 0; i < 8 && !probe.expired(); ++i)
        Realised(FreshArial(4096));
    ASSERT_TRUE(probe.expired());

    const auto small = Realised(FreshArial(16));
    for (int i = 0; i < 20; ++i)
        Realised(FreshArial(16));
    EXPECT_FALSE(small.expired());  // kept by the cache alone

    const auto large = Realised(FreshArial(4096));
    Realised(FreshArial(4096));
    EXPECT_FALSE(large.expired());
    Realised(FreshArial(4096));  // a fourth em square of 4096 pixels
    EXPECT_TRUE(large.expired());
}

// A fuzzing harness lowers the em limit: every font made after that stops
// there, an em asked for at the em, a cell at a cell of that height.
TEST(TextFont, ALoweredEmLimitStopsEveryNewFont)
{
    auto cellOf = [](LONG height) {
        LOGFONTW cell = FreshArial(0);
        cell.lfHeight = height;
        return InfoOf(*Make(cell)).pixelSize();
    };
    SetFontEmLimit(40);
    const int em = InfoOf(*Make(FreshArial(300))).pixelSize();
    const int cell = cellOf(300);
    SetFontEmLimit(kMaxFontEm);
    EXPECT_EQ(em, 40);
    EXPECT_EQ(cell, cellOf(40));
    EXPECT_EQ(InfoOf(*Make(FreshArial(300))).pixelSize(), 300);
}

TEST(TextExtent, GrowsWithTheTextAndMeasuresEmptyTextAsOneCell)
{
    const auto font = Make(Describe(u"Arial", -24));
    const std::u16string text = u"The quick brown fox";
    const SIZE empty = Extent(font.get(), u"");
    EXPECT_EQ(empty.cx, 0);
    EXPECT_EQ(empty.cy, Extent(font.get(), text).cy);
    for (std::size_t n = 1; n <= text.size(); ++n)
        EXPECT_GT(Extent(font.get(), text.substr(0, n)).cx, Extent(font.get(), text.substr(0, n - 1)).cx);
    // A glyph the face lacks comes from a fallback face.
    EXPECT_GT(Extent(font.get(), u"\u2654").cx, 0);
}

TEST(TextExtent, NullFontIsTheDefaultAndNullArgumentsFail)
{
    EXPECT_EQ(Extent(nullptr, u"Hello").cx, Extent(Describe(u"", 0), u"Hello").cx);
    DeviceContext dc;
    SIZE size;
    EXPECT_FALSE(GetTextExtentPoint32W(nullptr, u"a", 1, &size));
    EXPECT_FALSE(GetTextExtentPoint32W(&dc, nullptr, 1, &size));
    EXPECT_FALSE(GetTextExtentPoint32W(&dc, u"a", 1, nullptr));
    EXPECT_FALSE(GetTextExtentPoint32W(&dc, u"a", -1, &size));
}

TEST(DrawText, InkLiesInTheMeasuredCellAtTheRectanglesCorner)
{
    Canvas canvas(200, 60);
    const SIZE extent = Extent(canvas.font.get(), u"HHlH");
    EXPECT_EQ(canvas.Draw(u"HHlH", {30, 10, 31, 11}), extent.cy);
    const RECT ink = canvas.Changed();
    EXPECT_TRUE(Inside(ink, {30, 10, 30 + extent.cx, 10 + extent.cy}));
    EXPECT_LE(ink.left, 33);                  // H's left bearing is small
    EXPECT_GE(ink.right, 30 + extent.cx - 3);
    EXPECT_LE(ink.top, 10 + extent.cy / 3);   // cap height reaches the upper third
    const int baseline = 10 + dynamic_cast<TextFont&>(*canvas.font).Realised()->ascent;
    EXPECT_EQ(ink.bottom, baseline);  // H stands on the baseline
}

// A template may ask for any width: glyphs stretched far beyond the largest
// em are never drawn (Qt's glyph loader fails on them and crashes).
TEST(DrawText, StretchedGlyphsStayWithinTheLargestEm)
{
    for (const LONG em : {128, 256, 1024}) {
        Canvas canvas(400, 300, Describe(u"DejaVu Sans", -em, 93735));
        const SIZE extent = Extent(canvas.font.get(), u"W");
        EXPECT_LE(extent.cx, 4096 * 3 / 2) << em;
        canvas.Draw(u"Wm", {0, 0, 400, 300});
        EXPECT_NE(canvas.Changed().right, canvas.Changed().left) << em;
    }
}

TEST(DrawText, OverhangingGlyphsAreDrawnBeyondTheCell)
{
    LOGFONTW lf = Describe(u"Times New Roman", -40);
    lf.lfItalic = 1;
    Canvas canvas(120, 70, lf);
    canvas.Draw(u"jf", {20, 10, 20, 10});
    EXPECT_LT(canvas.Changed().left, 20);
    EXPECT_GT(canvas.Changed().right, 20 + Extent(canvas.font.get(), u"jf").cx);
}

// Aligned output is the left/top output moved to where the flags put the cell.
TEST(DrawText, AlignmentFlagsMoveTheCell)
{
    const RECT box{10, 5, 150, 55};
    const SIZE e = Extent(Describe(u"Arial", -20), u"Card");
    struct Case {
        UINT flags;
        LONG x, y;
    } cases[] = {
        {DT_CENTER | DT_VCENTER, 10 + (140 - e.cx) / 2, 5 + (50 - e.cy) / 2},
        {DT_RIGHT | DT_BOTTOM, 150 - e.cx, 55 - e.cy},
        {DT_CENTER | DT_BOTTOM, 10 + (140 - e.cx) / 2, 55 - e.cy},
    };
    for (const Case& c : cases) {
        Canvas aligned(160, 60), placed(160, 60);
        aligned.Draw(u"Card", box, c.flags | DT_SINGLELINE);
        placed.Draw(u"Card", {c.x, c.y, c.x, c.y});
        EXPECT_NE(aligned.Changed().right, 0);
        EXPECT_EQ(aligned.bitmap.pixels, placed.bitmap.pixels) << "flags " << c.flags;
    }
}

TEST(DrawText, OpaqueModeFillsTheCellAndTransparentLeavesIt)
{
    Canvas canvas(120, 40);
    const SIZE e = Extent(canvas.font.get(), u"Mix");
    canvas.dc.bkMode = OPAQUE;
    canvas.dc.bkColor = RGB(1, 2, 3);
    canvas.Draw(u"Mix", {5, 6, 5, 6});
    const RECT cell{5, 6, 5 + e.cx, 6 + e.cy};
    EXPECT_TRUE(Inside(canvas.Changed(), cell));
    EXPECT_EQ(canvas.Get(cell.left, cell.top), RGB(1, 2, 3));
    EXPECT_EQ(canvas.Get(cell.right - 1, cell.bottom - 1), RGB(1, 2, 3));

    Canvas clear(120, 40);
    clear.Draw(u"Mix", {5, 6, 5, 6});
    EXPECT_EQ(clear.Get(cell.left, cell.top), kPaper);
}

TEST(DrawText, FullCoverageIsTheTextColourAndEdgesBlendTowardsIt)
{
    Canvas canvas(80, 60, Describe(u"Arial", -48));
    canvas.Draw(u"\u2588", {4, 4, 4, 4});
    int full = 0;
    for (LONG y = 0; y < 60; ++y)
        for (LONG x = 0; x < 80; ++x) {
            const COLORREF c = canvas.Get(x, y);
            full += c == kInk;
            // Every channel lies between the paper's and the ink's.
            EXPECT_LE(GetRValue(c), GetRValue(kPaper));
            EXPECT_GE(GetRValue(c), GetRValue(kInk));
            EXPECT_GE(GetGValue(c), GetGValue(kPaper));
            EXPECT_LE(GetGValue(c), GetGValue(kInk));
        }
    EXPECT_GT(full, 200);
}

// Output cut by the bitmap's edges, the clip rectangle or the formatting
// rectangle is the uncut output with the outside left alone.
TEST(DrawText, ClippedOutputIsTheUncutOutputInsideTheClip)
{
    Canvas whole(140, 70);
    whole.Draw(u"Edge glyphs", {30, 20, 30, 20});

    Canvas shifted(60, 30);  // the same text at (-10, -5) and past the right edge
    shifted.Draw(u"Edge glyphs", {-10, -5, -10, -5});
    Canvas clipped(140, 70);
    clipped.dc.hasClip = true;
    clipped.dc.clip = {40, 25, 70, 35};
    clipped.Draw(u"Edge glyphs", {30, 20, 30, 20});
    Canvas boxed(140, 70);
    boxed.Draw(u"Edge glyphs", {30, 20, 60, 30}, DT_SINGLELINE);

    for (LONG y = 0; y < 70; ++y)
        for (LONG x = 0; x < 140; ++x) {
            if (x >= 40 && x < 100 && y >= 25 && y < 55) {
                EXPECT_EQ(shifted.Get(x - 40, y - 25), whole.Get(x, y));
            }
            const bool inClip = x >= 40 && x < 70 && y >= 25 && y < 35;
            EXPECT_EQ(clipped.Get(x, y), inClip ? whole.Get(x, y) : kPaper);
            const bool inRect = x >= 30 && x < 60 && y >= 20 && y < 30;
            EXPECT_EQ(boxed.Get(x, y), inRect ? whole.Get(x, y) : kPaper);
        }
}

// Text wider than a coverage strip: a clip that moves where the strips start
// must not move a pixel.
TEST(DrawText, WideTextIsTheSameWhereverItsStripsStart)
{
    const std::u16string text(40, u'W');
    Canvas whole(4700, 200, Describe(u"Arial", -150));
    ASSERT_GT(Extent(whole.font.get(), text).cx, 4400);
    whole.Draw(text, {7, 10, 7, 10});
    Canvas clipped(4700, 200, Describe(u"Arial", -150));
    clipped.dc.hasClip = true;
    clipped.dc.clip = {1001, 0, 4700, 200};
    clipped.Draw(text, {7, 10, 7, 10});
    for (LONG y = 0; y < 200; ++y)
        for (LONG x = 1001; x < 4700; ++x)
            ASSERT_EQ(clipped.Get(x, y), whole.Get(x, y)) << x << "," << y;
}

// A character no installed face covers is drawn as a missing-glyph box; at
// the largest em, wide and cut by the top edge, it once broke the rasteriser.
TEST(DrawText, LargestMissingGlyphBoxCutByTheEdgeIsDrawn)
{
    Canvas canvas(5000, 10, Describe(u"NoSuchFace", -kMaxFontEm));
    canvas.Draw(u"\u0B0A\u0B14\u1000", {1, -3000, 1, -3000});
    EXPECT_NE(canvas.Changed().right, 0);
}

// Without DT_SINGLELINE each line is the one-line output of that line at
// its place: one line spacing under the one before, moved across by the
// horizontal flags. The block is the union of the lines' cells.
TEST(DrawText, SeveralLinesStandUnderOneAnotherEachPlacedAcrossTheRectangle)
{
    const std::u16string_view lines[] = {u"Hi", u"a wider line", u"", u"x y"};
    const std::u16string text = u"Hi\na wider line\r\n\u2028x y";
    const RECT box{10, 5, 210, 5};
    for (const UINT across : {DT_LEFT, DT_CENTER, DT_RIGHT}) {
        Canvas several(230, 140), single(230, 140);
        const int spacing = dynamic_cast<TextFont&>(*several.font).Realised()->lineSpacing;
        const int cell = Extent(several.font.get(), u"x").cy;
        EXPECT_GE(spacing, cell);
        EXPECT_EQ(several.Draw(text, box, across | DT_NOCLIP), 3 * spacing + cell);
        LONG widest = 0;
        for (int i = 0; i < 4; ++i) {
            const LONG width = Extent(single.font.get(), lines[i]).cx;
            widest = std::max(widest, width);
            const LONG x = across == DT_CENTER ? 10 + (200 - width) / 2 : across == DT_RIGHT ? 210 - width : 10;
            single.Draw(lines[i], {x, 5 + i * spacing, x, 5 + i * spacing});
        }
        EXPECT_NE(several.Changed().right, 0);
        EXPECT_EQ(several.bitmap.pixels, single.bitmap.pixels) << "flags " << across;

        RECT measured{3, 4, 3, 4};
        EXPECT_EQ(DrawTextW(&several.dc, text.data(), int(text.size()), &measured, across | DT_CALCRECT),
                  3 * spacing + cell);
        EXPECT_EQ(measured.right, 3 + widest);
        EXPECT_EQ(measured.bottom, 4 + 3 * spacing + cell);
    }
    // Line breaks mean nothing to a single line, nor to a text without them.
    Canvas flagged(230, 60), plain(230, 60);
    flagged.Draw(u"one line", {4, 4, 200, 50}, DT_NOCLIP);
    plain.Draw(u"one line", {4, 4, 200, 50});
    EXPECT_EQ(flagged.bitmap.pixels, plain.bitmap.pixels);
}

// A text of thousands of lines draws the few that reach the bitmap, and
// only those: the same pixels as those lines alone at their places.
TEST(DrawText, ALongTextDrawsItsVisibleLinesAsTheyStand)
{
    std::u16string many;
    for (int i = 0; i < 20000; ++i)
        many += u"line " + std::u16string(1, char16_t(u'a' + i % 26)) + u"\n";
    Canvas all(120, 60), few(120, 60);
    const int spacing = dynamic_cast<TextFont&>(*all.font).Realised()->lineSpacing;
    const LONG top = -1000 * spacing - 7;
    all.Draw(many, {2, top, 2, top}, DT_NOCLIP);
    const std::u16string_view visible = std::u16string_view(many).substr(999 * 7, 6 * 7);
    few.Draw(visible, {2, top + 999 * spacing, 2, top}, DT_NOCLIP);
    EXPECT_NE(all.Changed().right, 0);
    EXPECT_EQ(all.bitmap.pixels, few.bitmap.pixels);
}

bool HaveColourEmojiFace()
{
    return QFontDatabase::families().contains(QStringLiteral("Noto Color Emoji"));
}

// Which sixth of the colour wheel a saturated colour lies in; -1 for the
// greys and near-greys.
int HueSextant(COLORREF c)
{
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    const int high = std::max({r, g, b}), low = std::min({r, g, b});
    if (high - low < 60)
        return -1;
    return QColor(r, g, b).hsvHue() / 60;
}

// Emoji keep their own colours, drawn small or far above the em at which
// colour glyphs are scaled; the letters beside them keep the text's colour.
TEST(DrawText, ColourGlyphsKeepTheirColoursBesideTheTextsColour)
{
    if (!HaveColourEmojiFace())
        GTEST_SKIP() << "no colour emoji face (fonts-noto-color-emoji) is installed";
    for (const LONG em : {24L, 100L, 3L * kMaxColourGlyphEm / 2}) {
        Canvas canvas(4 * em, 2 * em, Describe(u"DejaVu Sans", -em));
        std::fill(canvas.bitmap.pixels.begin(), canvas.bitmap.pixels.end(), std::uint8_t(255));
        canvas.dc.textColor = RGB(0, 0, 0);
        canvas.Draw(u"H\U0001F382", {2, 2, 2, 2});
        const LONG letter = 2 + Extent(canvas.font.get(), u"H").cx;
        int hues[6] = {}, inkyLetter = 0;
        for (LONG y = 0; y < 2 * em; ++y)
            for (LONG x = 0; x < 4 * em; ++x) {
                const COLORREF c = canvas.Get(x, y);
                if (x < letter - 1) {
                    EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << x << ", " << y;
                    inkyLetter += c != RGB(255, 255, 255);
                } else if (const int sextant = HueSextant(c); sextant >= 0) {
                    ++hues[sextant];
                }
            }
        EXPECT_GT(inkyLetter, em / 2) << em;
        const int minimum = int(em * em / 400 + 2);
        EXPECT_GE(std::count_if(std::begin(hues), std::end(hues), [&](int n) { return n >= minimum; }), 3) << em;
    }
    Canvas canvas(10, 10, Describe(u"DejaVu Sans", -20));
    const RealisedFont& font = *dynamic_cast<TextFont&>(*canvas.font).Realised();
    EXPECT_TRUE(HasColourGlyphs(font, QStringLiteral("ok \U0001F44D\U0001F3FD")));
    EXPECT_FALSE(HasColourGlyphs(font, QStringLiteral("Happy \u03A9\u03BC \u4E2D\u6587 \u05E9\u05DC")));
}

// With the faces the package recommends, a card's cake, Greek and Chinese
// all find a glyph: none is drawn as the missing-glyph box.
TEST(DrawText, EveryCharacterOfAMixedTextHasAGlyph)
{
    if (!HaveColourEmojiFace() || QFontDatabase::families().filter(QStringLiteral("CJK")).isEmpty())
        GTEST_SKIP() << "the colour emoji and CJK faces (fonts-noto-color-emoji, fonts-noto-cjk) are not installed";
    for (const char16_t* face : {u"Times New Roman", u"Arial", u"DejaVu Serif"}) {
        const auto font = Make(Describe(face, -30));
        QTextLayout layout(QStringLiteral("\U0001F382 \u0393\u03B5\u03B9\u03AC \u751F\u65E5\u5FEB\u4E50"),
                           dynamic_cast<TextFont&>(*font).QtFont());
        layout.beginLayout();
        layout.createLine().setNumColumns(20);
        layout.endLayout();
        int glyphs = 0;
        for (const QGlyphRun& run : layout.glyphRuns())
            for (const quint32 glyph : run.glyphIndexes()) {
                EXPECT_NE(glyph, 0u) << QString::fromUtf16(face).toStdString() << " " << run.rawFont().familyName().toStdString();
                ++glyphs;
            }
        EXPECT_GE(glyphs, 10);
    }
}

TEST(DrawText, CalcRectMeasuresAndDrawsNothing)
{
    Canvas canvas(100, 40);
    RECT rect{7, 9, 0, 0};
    const SIZE e = Extent(canvas.font.get(), u"Size");
    EXPECT_EQ(DrawTextW(&canvas.dc, u"Size", 4, &rect, DT_SINGLELINE | DT_CALCRECT), e.cy);
    EXPECT_EQ(rect.right, 7 + e.cx);
    EXPECT_EQ(rect.bottom, 9 + e.cy);
    EXPECT_EQ(canvas.Changed().right, 0);

    canvas.dc.bitmap = nullptr;  // measuring still works without a bitmap
    rect = {7, 9, 0, 0};
    EXPECT_EQ(DrawTextW(&canvas.dc, u"Size\0ignored", -1, &rect, DT_CALCRECT), e.cy);
    EXPECT_EQ(rect.right, 7 + e.cx);
}

TEST(DrawText, DrawsNothingWithoutAUsable24BitBitmap)
{
    Canvas canvas(50, 20);
    const auto before = canvas.bitmap.pixels;
    canvas.dc.bitmap = nullptr;
    EXPECT_EQ(canvas.Draw(u"None", {0, 0, 0, 0}), 0);
    canvas.dc.bitmap = &canvas.bitmap;
    canvas.bitmap.header.biBitCount = 8;
    EXPECT_EQ(canvas.Draw(u"None", {0, 0, 0, 0}), 0);
    canvas.bitmap.header.biBitCount = 24;
    canvas.bitmap.header.biHeight = 40;  // more rows than the pixels hold
    EXPECT_EQ(canvas.Draw(u"None", {0, 0, 0, 0}), 0);
    EXPECT_EQ(canvas.bitmap.pixels, before);
}

// Without a QGuiApplication there are no fonts: failures, not crashes, and
// fonts cached before are released with the application.
TEST(TextWithoutApplication, FailsAndRecovers)
{
    GuiEnvironment::Stop();
    const LOGFONTW lf = Describe(u"Arial", -20);
    EXPECT_EQ(CreateFontIndirectW(&lf), nullptr);
    DeviceContext dc;
    SIZE size;
    EXPECT_FALSE(GetTextExtentPoint32W(&dc, u"a", 1, &size));
    RECT rect{};
    EXPECT_EQ(DrawTextW(&dc, u"a", 1, &rect, DT_CALCRECT), 0);
    GuiEnvironment::Start();
    EXPECT_GT(Extent(lf).cx, 0);
}

}  // namespace
