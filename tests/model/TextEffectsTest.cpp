// A text's outline and shadow: drawn from its glyphs' shape beneath them,
// inside the text's box, and grown with the card as its font is.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "model/CardRender.h"
#include "platform/text/TextCoverage.h"
#include "platform/text/TextFont.h"
#include "tests/app/TemplateFolder.h"
#include "tests/model/CardFixtures.h"
#include "tests/platform/WhiteCanvas.h"

namespace {

using namespace cardfixtures;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(250, 200, 0);
constexpr COLORREF kOutline = RGB(0, 0, 200);
constexpr COLORREF kShadow = RGB(200, 0, 0);

struct FontInDc {
    FontInDc(HDC dc, const LOGFONTW& lf) : dc(dc), font(CreateFontIndirectW(&lf)) { SelectObject(dc, font); }
    ~FontInDc()
    {
        SelectObject(dc, nullptr);
        DeleteObject(font);
    }
    HDC dc;
    HFONT font;
};

bool SamePixels(const MemoryCanvas& a, const MemoryCanvas& b, LONG height)
{
    return std::memcmp(a.Bits(), b.Bits(), a.Stride() * std::size_t(height)) == 0;
}

// The coverage of the text's glyphs alone over a canvas of this size.
AlphaMask GlyphCoverage(const TextEx& text, LONG width, LONG height)
{
    WhiteCanvas canvas(width, height);
    FontInDc font(canvas.Dc(), text.GetLogFont());
    AlphaMask mask;
    mask.box = {0, 0, width, height};
    const RECT lines = text.GetLinesRect();
    const std::u16string& units = text.GetText();
    EXPECT_TRUE(GetTextCoverage(canvas.Dc(), units.data(), int(units.size()), lines,
                                units.find(u'\n') == std::u16string::npos ? DT_SINGLELINE | DT_NOCLIP : DT_NOCLIP,
                                &mask));
    return mask;
}

// Unsoftened, the shadow is the text's own glyphs in the shadow's colour,
// moved by its offset, under the text: the same pixels as the text drawn
// twice. The box grows by the offset on the side it points to.
TEST(TextEffects, ShadowWithoutSofteningIsTheGlyphsMoved)
{
    TextLook look;
    look.shadow = {true, kShadow, 5, 7, 0};
    TextEx text(LogFont(u"DejaVu Sans", -40), kInk, u"Shade\nme", look);
    text.m_ptPos = {10, 10};
    const SIZE plain = TextEx(text.GetLogFont(), kInk, text.GetText()).GetSize();
    EXPECT_EQ(text.GetSize(), (SIZE{plain.cx + 5, plain.cy + 7}));
    EXPECT_EQ(text.GetLinesRect().left, 10);

    WhiteCanvas card(300, 160), reference(300, 160);
    text.Draw(card.Dc());
    FontInDc font(reference.Dc(), text.GetLogFont());
    SetBkMode(reference.Dc(), TRANSPARENT);
    const std::u16string& units = text.GetText();
    RECT lines = text.GetLinesRect();
    RECT moved{lines.left + 5, lines.top + 7, lines.right + 5, lines.bottom + 7};
    SetTextColor(reference.Dc(), kShadow);
    DrawTextW(reference.Dc(), units.data(), int(units.size()), &moved, DT_NOCLIP);
    SetTextColor(reference.Dc(), kInk);
    DrawTextW(reference.Dc(), units.data(), int(units.size()), &lines, DT_NOCLIP);
    EXPECT_TRUE(SamePixels(card, reference, 160));
}

// The outline is the glyphs grown by its width: measured against the
// distance of each pixel from the glyphs, found by brute force.
TEST(TextEffects, OutlineIsTheGlyphsGrownByItsWidth)
{
    constexpr double kWidth = 3;
    TextLook look;
    look.outline = {kOutline, kWidth};
    TextEx text(LogFont(u"DejaVu Serif", -36), kInk, u"Ring", look);
    text.m_ptPos = {20, 20};
    const SIZE plain = TextEx(text.GetLogFont(), kInk, text.GetText()).GetSize();
    EXPECT_EQ(text.GetSize(), (SIZE{plain.cx + 6, plain.cy + 6}));

    constexpr LONG kW = 160, kH = 90;
    WhiteCanvas card(kW, kH);
    text.Draw(card.Dc());
    const AlphaMask glyphs = GlyphCoverage(text, kW, kH);
    int grown = 0;
    for (LONG y = 0; y < kH; ++y)
        for (LONG x = 0; x < kW; ++x) {
            double nearest = 1e9;
            for (LONG v = std::max<LONG>(0, y - 8); v < std::min(kH, y + 9); ++v)
                for (LONG u = std::max<LONG>(0, x - 8); u < std::min(kW, x + 9); ++u)
                    if (glyphs.Row(v)[u] >= 128)
                        nearest = std::min(nearest, std::hypot(double(u - x), double(v - y)));
            const COLORREF pixel = GetPixel(card.Dc(), x, y);
            if (glyphs.Row(y)[x] == 255)
                EXPECT_EQ(pixel, kInk) << x << ", " << y;
            else if (nearest <= kWidth - 1)
                EXPECT_NE(pixel, kWhite) << x << ", " << y;
            else if (nearest > kWidth + 1.5)
                EXPECT_EQ(pixel, kWhite) << x << ", " << y;
            grown += nearest > 0 && nearest <= kWidth - 1 && pixel == kOutline;
        }
    EXPECT_GT(grown, 200);
}

// Softening spreads the shadow by about its softness and keeps its ink: a
// box blur moves coverage, it neither makes nor loses it.
TEST(TextEffects, SofteningSpreadsTheShadowAndKeepsItsInk)
{
    constexpr LONG kW = 260, kH = 170;
    const auto inkOf = [&](double blur, RECT& inked) {
        TextLook look;
        look.shadow = {true, kShadow, 0, 60, blur};
        // White on white: only the shadow, below the text, shows.
        TextEx text(LogFont(u"DejaVu Sans", -40), kWhite, u"Soft", look);
        const RECT margins = EffectMargins(text.GetLook());
        text.m_ptPos = {40 - margins.left, 10 - margins.top};  // the lines at (40, 10)
        WhiteCanvas card(kW, kH);
        text.Draw(card.Dc());
        inked = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        double ink = 0;
        for (LONG y = 0; y < kH; ++y)
            for (LONG x = 0; x < kW; ++x) {
                const COLORREF pixel = GetPixel(card.Dc(), x, y);
                ink += 255 - GetGValue(pixel);
                if (pixel != kWhite)
                    inked = {std::min(inked.left, x), std::min(inked.top, y), std::max(inked.right, x + 1),
                             std::max(inked.bottom, y + 1)};
            }
        return ink;
    };
    RECT sharp, soft;
    const double sharpInk = inkOf(0, sharp), softInk = inkOf(12, soft);
    EXPECT_GT(sharpInk, 1000);
    EXPECT_NEAR(softInk, sharpInk, sharpInk * 0.03);
    for (const LONG spread : {sharp.left - soft.left, soft.right - sharp.right, sharp.top - soft.top,
                              soft.bottom - sharp.bottom}) {
        EXPECT_GE(spread, 6);
        EXPECT_LE(spread, 13);
    }
}

// Effects are part of the text: a click on its shadow finds it.
TEST(TextEffects, TheBoxAndTheHitAreaHoldTheEffects)
{
    WorkArea card;
    TextLook look;
    look.outline = {kOutline, 4};
    look.shadow = {true, kShadow, 10, 10, 6};
    auto text = std::make_unique<TextEx>(LogFont(u"Arial", -20), kInk, u"Hit", look);
    text->m_ptPos = {100, 100};
    const RECT lines = text->GetLinesRect();
    EXPECT_EQ(lines.left, 104);
    EXPECT_EQ(lines.top, 104);
    card.AddElement(std::move(text));
    EXPECT_NE(card.FindTextAt({lines.right + 15, lines.bottom + 15}), nullptr);
    EXPECT_NE(card.FindTextAt({101, 101}), nullptr);
    EXPECT_EQ(card.FindTextAt({99, 101}), nullptr);
}

// Where a render puts pixels of one colour.
struct Inked {
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    int count = 0;
};

Inked Find(Bitmap& bitmap, COLORREF colour)
{
    Inked found;
    for (LONG y = 0; y < bitmap.Height(); ++y)
        for (LONG x = 0; x < bitmap.Width(); ++x) {
            const std::uint8_t* p = bitmap.Row(bitmap.Height() - 1 - y) + 3 * x;
            if (RGB(p[2], p[1], p[0]) != colour)
                continue;
            ++found.count;
            found.box = {std::min(found.box.left, x), std::min(found.box.top, y), std::max(found.box.right, x + 1),
                         std::max(found.box.bottom, y + 1)};
        }
    return found;
}

// The same text on the same card shown at half and at full size: rendered
// at full resolution, its outline and shadow are as wide and as far out
// from the half-size card as from the full-size one, as its font is.
TEST(TextEffects, OutlineAndShadowGrowWithTheCardAsItsFontDoes)
{
    testtemplates::TemplateFolder folder(800, 400, {0, 0, 800, 400}, "effects");
    ASSERT_TRUE(folder.Written());
    Inked outline[2], shadow[2], ink[2];
    for (const int scale : {1, 2}) {
        WorkArea card;
        ASSERT_TRUE(card.LoadTemplate(folder.Path()));
        card.ScaleAll({800 / scale, 400 / scale});
        TextLook look;
        look.outline = {kOutline, 4.0 / scale};
        look.shadow = {true, kShadow, 8.0 / scale, 8.0 / scale, 0};
        auto text = std::make_unique<TextEx>(LogFont(u"DejaVu Sans", -80 / scale), kInk, u"Wide\nscale", look);
        text->m_ptPos = {100 / scale, 60 / scale};
        card.AddElement(std::move(text));
        Bitmap* rendered = RenderCardBitmap(card);
        ASSERT_NE(rendered, nullptr);
        outline[scale - 1] = Find(*rendered, kOutline);
        shadow[scale - 1] = Find(*rendered, kShadow);
        ink[scale - 1] = Find(*rendered, kInk);
        DeleteObject(rendered);
    }
    for (const Inked* found : {outline, shadow, ink}) {
        EXPECT_GT(found[0].count, 500);
        EXPECT_NEAR(found[1].count, found[0].count, found[0].count * 0.15);
        EXPECT_NEAR(found[1].box.left, found[0].box.left, 4);
        EXPECT_NEAR(found[1].box.top, found[0].box.top, 4);
        EXPECT_NEAR(found[1].box.right, found[0].box.right, 6);
        EXPECT_NEAR(found[1].box.bottom, found[0].box.bottom, 6);
    }
}

// Absurd effects are cut to the largest a text takes, and the box stays
// within reach of what is drawn.
TEST(TextEffects, AbsurdSizesAreClamped)
{
    TextLook look;
    look.outline = {kOutline, 1e12};
    look.shadow = {true, kShadow, -1e9, std::nan(""), 1e300};
    look.align = TextAlign(77);
    TextEx text(LogFont(u"Arial", -20), kInk, u"x", look);
    EXPECT_EQ(text.GetLook().outline.width, kMaxOutlineWidth);
    EXPECT_EQ(text.GetLook().shadow.dx, -kMaxShadowOffset);
    EXPECT_EQ(text.GetLook().shadow.dy, 0);
    EXPECT_EQ(text.GetLook().shadow.blur, kMaxShadowBlur);
    EXPECT_EQ(text.GetLook().align, TextAlign::Left);
    const RECT margins = EffectMargins(text.GetLook());
    EXPECT_EQ(margins.left, LONG(kMaxOutlineWidth + kMaxShadowBlur + kMaxShadowOffset));
    WhiteCanvas card(64, 64);
    text.Draw(card.Dc());  // within bounds: the masks stop at the canvas
}

// Texts as strangers send them: thousands of lines, a line of thousands of
// characters, emoji sequences (skin tones, joined families, flags), right
// to left and stacked combining marks, with absurd effects. The text keeps
// the box of all its lines, and drawing it onto a card draws what reaches
// the card.
TEST(TextEffects, TextsAsStrangersSendThemAreMeasuredAndDrawn)
{
    const std::u16string line = u"\U0001F44D\U0001F3FD \U0001F468\u200D\U0001F469\u200D\U0001F467 "
                                u"\U0001F1E9\U0001F1EA \u05E9\u05DC\u05D5\u05DD e\u0301\u0301\u0301\u0301 abc";
    std::u16string text;
    for (int i = 0; i < 3000; ++i)
        text += line + u"\n";
    text += std::u16string(5000, u'W');
    TextLook look;
    look.outline = {kOutline, 1e6};
    look.shadow = {true, kShadow, 1e6, -1e6, 1e6};
    TextEx stranger(LogFont(u"DejaVu Sans", -20), kInk, text, look);
    const RECT margins = EffectMargins(stranger.GetLook());
    stranger.m_ptPos = {-50 - margins.left, -50 - margins.top};  // the lines from (-50, -50) on
    WhiteCanvas card(200, 120);
    FontInDc font(card.Dc(), stranger.GetLogFont());
    const int spacing = RealisedFontOf(font.font)->lineSpacing;
    const RECT lines = stranger.GetLinesRect();
    EXPECT_EQ(lines.bottom - lines.top, 3000 * spacing + RealisedFontOf(font.font)->Height());
    SIZE wide{};
    GetTextExtentPoint32W(card.Dc(), text.data() + text.size() - 5000, 5000, &wide);
    EXPECT_EQ(lines.right - lines.left, wide.cx);
    stranger.Draw(card.Dc());
    int inked = 0;
    for (LONG y = 0; y < 120; ++y)
        for (LONG x = 0; x < 200; ++x)
            inked += GetPixel(card.Dc(), x, y) != kWhite;
    EXPECT_GT(inked, 200 * 120 / 2);  // the outline, a quarter of a thousand pixels wide, covers the card

    stranger.SetSize({stranger.GetSize().cx / 2, stranger.GetSize().cy / 2});
    EXPECT_LE(stranger.GetLook().outline.width, kMaxOutlineWidth);
}

}  // namespace
