#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <functional>

#include "model/FontFit.h"
#include "platform/text/TextFont.h"
#include "platform/Coordinates.h"
#include "tests/model/CardFixtures.h"
#include "tests/platform/WhiteCanvas.h"

namespace {

using namespace cardfixtures;

SIZE Extent(const LOGFONTW& logfont, const std::u16string& text)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontIndirectW(&logfont);
    SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data(), int(text.size()), &size);
    DeleteDC(dc);
    DeleteObject(font);
    return size;
}

SIZE Extent(const TextEx& text)
{
    return Extent(text.GetLogFont(), text.GetText());
}

// The fitting as a walk of single font units, for boxes it reaches in a few
// hundred steps: what the element's fitting must end on.
LOGFONTW WalkedFit(LOGFONTW font, const std::u16string& text, SIZE from, SIZE target)
{
    font.lfWidth = std::max<LONG>(1, TruncateToLong(double(target.cx) / from.cx * font.lfWidth + 0.5));
    font.lfHeight = TruncateToLong(double(target.cy) / from.cy * font.lfHeight + 0.5);
    const LONG step = font.lfHeight < 0 ? -1 : 1;
    SIZE measured = Extent(font, text);
    while (measured.cy < target.cy)
        font.lfHeight += step, measured = Extent(font, text);
    while (measured.cy > target.cy && font.lfHeight != step)
        font.lfHeight -= step, measured = Extent(font, text);
    while (measured.cx < target.cx)
        ++font.lfWidth, measured = Extent(font, text);
    while (measured.cx > target.cx && font.lfWidth != 1)
        --font.lfWidth, measured = Extent(font, text);
    return font;
}

// Ends the test program when the guarded calls run past the deadline, so a
// fitting that never ends fails the suite instead of stalling it.
class Deadline {
public:
    explicit Deadline(unsigned seconds)
    {
        std::signal(SIGALRM, Expired);
        alarm(seconds);
    }
    ~Deadline() { alarm(0); }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    static void Expired(int)
    {
        static const char message[] = "TextEx: fitting ran past its deadline\n";
        [[maybe_unused]] const auto written = write(STDERR_FILENO, message, sizeof message - 1);
        _exit(1);
    }
};

TEST(TextEx, SizedToItsMeasuredText)
{
    auto text = Text(u"Happy birthday", {0, 0});
    EXPECT_EQ(text->GetSize(), Extent(*text));
    EXPECT_GT(text->GetSize().cx, 50);
    EXPECT_FALSE(text->IsTransparentAt({1, 1}));
    EXPECT_FALSE(text->IsTransparentAt({-100, -100}));
}

TEST(TextEx, FittingToTwiceTheHeightStepsTheCharacterHeight)
{
    auto text = Text(u"Greetings from the sea", {0, 0});
    const SIZE start = text->GetSize();
    const LOGFONTW before = text->GetLogFont();
    text->SetSize(start);  // the same size: nothing changes
    EXPECT_EQ(text->GetLogFont().lfHeight, before.lfHeight);

    const SIZE target{start.cx * 2, start.cy * 2};
    text->SetSize(target);
    EXPECT_EQ(text->GetSize(), target);
    const LOGFONTW after = text->GetLogFont();
    EXPECT_LT(after.lfHeight, 2 * before.lfHeight + 3);  // still a character height, about doubled
    EXPECT_GT(after.lfHeight, 2 * before.lfHeight - 6);
    const SIZE measured = Extent(*text);
    EXPECT_LE(measured.cy, target.cy);
    EXPECT_LE(measured.cx, target.cx);
    EXPECT_GT(measured.cx, target.cx * 9 / 10);  // stretched to the box
}

// The walk one unit at a time over growing extents, stopped at the cap and at 1.
template <class Extent>
LONG WalkedField(LONG start, LONG cap, LONG target, Extent extent)
{
    LONG v = start, e = extent(v);
    while (e < target && v < cap)
        e = extent(++v);
    while (e > target && v > 1)
        e = extent(--v);
    return v == 0 && e > target ? 1 : v;
}

TEST(FitFontField, EndsWhereTheUnitWalkEndsInFewMeasurements)
{
    constexpr LONG cap = 100;
    const std::function<LONG(LONG)> extents[] = {
        [](LONG v) { return v / 3; },              // plateaus
        [](LONG v) { return 2 * v; },              // gaps: odd targets are never met
        [](LONG v) { return std::min<LONG>(v, 40); },  // stops growing before the cap
        [](LONG v) { return v * v / 50; },
    };
    for (std::size_t f = 0; f < std::size(extents); ++f)
        for (LONG start = 0; start <= cap; ++start)
            for (LONG target = -2; target <= 2 * cap + 20; ++target) {
                int measurements = 0;
                const LONG fitted = FitFontField(start, cap, target, [&](LONG v) {
                    ++measurements;
                    return extents[f](v);
                });
                ASSERT_EQ(fitted, WalkedField(start, cap, target, extents[f]))
                    << "extent " << f << ", start " << start << ", target " << target;
                ASSERT_LE(measurements, 16) << "extent " << f << ", start " << start << ", target " << target;
            }
}

TEST(TextEx, FittingEndsWhereTheUnitWalkEnds)
{
    const std::u16string words = u"Greetings from the sea";
    for (LONG height : {-20, 20}) {
        const LOGFONTW font = LogFont(u"Arial", height);
        const SIZE start = Extent(font, words);
        const SIZE targets[] = {{start.cx * 2, start.cy * 2}, {start.cx / 2, start.cy / 2}, {start.cx * 3, start.cy},
                                {start.cx / 4, start.cy * 3}, {start.cx + 1, start.cy + 1}, {1, 1}};
        for (const SIZE target : targets) {
            TextEx text(font, 0, words);
            text.SetSize(target);
            const LOGFONTW fitted = text.GetLogFont(), walked = WalkedFit(font, words, start, target);
            EXPECT_EQ(fitted.lfHeight, walked.lfHeight) << height << ": " << target.cx << " x " << target.cy;
            EXPECT_EQ(fitted.lfWidth, walked.lfWidth) << height << ": " << target.cx << " x " << target.cy;
        }
    }
}

// Templates may hold any 32-bit font fields, and loading one scales its
// texts: each fitting must end within the text layer's limits.
TEST(TextEx, FittingEndsForFontFieldsAtTheLimits)
{
    struct Case {
        LONG height, width;
        SIZE box;  // 0 x 0: half the measured size
    };
    const Case cases[] = {{INT_MAX, 0, {}}, {INT_MIN, INT_MAX, {}}, {-INT_MAX, INT_MIN, {}},
                          {0, 0, {40, 0}}, {-20, 0, {1000000, 1000000}}, {20, 5, {-10, -10}}};
    const Deadline deadline(60);
    for (const Case& c : cases) {
        LOGFONTW font = LogFont(u"Arial", c.height);
        font.lfWidth = c.width;
        TextEx text(font, 0, u"Hostile");
        const SIZE start = text.GetSize();
        const SIZE box = c.box.cx || c.box.cy ? c.box : SIZE{start.cx / 2, start.cy / 2};
        text.SetSize(box);
        text.SetSize({start.cx * 2, start.cy * 2});
        text.SetSize(box);
        const LOGFONTW fitted = text.GetLogFont();
        EXPECT_EQ(text.GetSize(), box);
        EXPECT_LE(std::abs(fitted.lfHeight), 4096) << c.height;
        EXPECT_GE(fitted.lfWidth, 1) << c.height;
        if (box.cy > 0 && box.cy < start.cy * 2) {
            EXPECT_LE(Extent(text).cy, box.cy) << c.height;
        }
    }
}

TEST(TextEx, FittingEndsForEmptyAndUnreachableBoxes)
{
    auto empty = Text(u"", {0, 0});
    empty->SetSize({300, 40});
    EXPECT_EQ(empty->GetSize().cx, 300);
    auto tiny = Text(u"i", {0, 0});
    tiny->SetSize({5000, 30});  // wider than any stretch can make one letter
    EXPECT_EQ(tiny->GetSize().cx, 5000);
}

TEST(TextEx, FaceNameHeightAndColour)
{
    auto text = Text(u"abc", {0, 0});
    text->SetFaceName(u"Times New Roman Extra Long Face Name Beyond");
    const LOGFONTW font = text->GetLogFont();
    EXPECT_EQ(std::u16string(font.lfFaceName), std::u16string(u"Times New Roman Extra Long Face Name Beyond").substr(0, 31));
    text->SetFontHeight(-40);
    EXPECT_EQ(text->GetLogFont().lfHeight, -40);
    EXPECT_EQ(text->GetSize(), Extent(*text));
    text->SetColor(RGB(1, 2, 3));
    EXPECT_EQ(text->GetColor(), RGB(1, 2, 3));
}

TEST(TextEx, DrawsAtItsTopLeftWithoutClipping)
{
    auto text = Text(u"Hi!", {-4, 3});
    WhiteCanvas canvas(80, 40);
    HDC dc = canvas.Dc();
    text->Draw(dc);
    const SIZE size = text->GetSize();
    int inkInside = 0, inkOutside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            const bool ink = GetPixel(dc, x, y) != RGB(255, 255, 255);
            const bool inside = x < -4 + size.cx + 2 && y >= 3 && y < 3 + size.cy;
            (inside ? inkInside : inkOutside) += ink;
        }
    EXPECT_GT(inkInside, 20);
    EXPECT_EQ(inkOutside, 0);
    EXPECT_EQ(dc->font, nullptr);  // the context's font is put back
}

// One line of the text as the drawing layer puts a single line at (x, y).
void DrawLine(HDC dc, std::u16string_view line, LONG x, LONG y)
{
    RECT at{x, y, x, y};
    DrawTextW(dc, line.data(), int(line.size()), &at, DT_SINGLELINE | DT_NOCLIP);
}

struct FontInDc {
    explicit FontInDc(HDC dc, const LOGFONTW& lf) : dc(dc), font(CreateFontIndirectW(&lf)) { SelectObject(dc, font); }
    ~FontInDc()
    {
        SelectObject(dc, nullptr);
        DeleteObject(font);
    }
    int Spacing() const { return RealisedFontOf(font)->lineSpacing; }
    HDC dc;
    HFONT font;
};

bool SamePixels(const MemoryCanvas& a, const MemoryCanvas& b, LONG height)
{
    return std::memcmp(a.Bits(), b.Bits(), a.Stride() * std::size_t(height)) == 0;
}

// A text of three lines is the union of their cells, each line drawn as a
// line of its own, placed across that box as the look says; one line stands
// at the box's corner whatever the placement, exactly as before.
TEST(TextEx, ThreeLinesInEachPlacement)
{
    const std::u16string lines[] = {u"Happy birthday", u"dear Anna", u"from all of us!"};
    const LOGFONTW lf = LogFont(u"Times New Roman", -30);
    for (const TextAlign align : {TextAlign::Left, TextAlign::Centre, TextAlign::Right}) {
        TextLook look;
        look.align = align;
        TextEx text(lf, RGB(20, 40, 160), lines[0] + u"\n" + lines[1] + u"\n" + lines[2], look);
        text.m_ptPos = {12, 9};
        WhiteCanvas card(400, 200), reference(400, 200);
        text.Draw(card.Dc());

        FontInDc font(reference.Dc(), lf);
        SetTextColor(reference.Dc(), RGB(20, 40, 160));
        SIZE widths[3];
        for (int i = 0; i < 3; ++i)
            GetTextExtentPoint32W(reference.Dc(), lines[i].data(), int(lines[i].size()), &widths[i]);
        const LONG widest = std::max({widths[0].cx, widths[1].cx, widths[2].cx});
        EXPECT_EQ(text.GetSize(), (SIZE{widest, 2 * font.Spacing() + widths[0].cy}));
        for (int i = 0; i < 3; ++i) {
            const LONG spare = widest - widths[i].cx;
            const LONG x = 12 + (align == TextAlign::Centre ? spare / 2 : align == TextAlign::Right ? spare : 0);
            DrawLine(reference.Dc(), lines[i], x, 9 + i * font.Spacing());
        }
        EXPECT_TRUE(SamePixels(card, reference, 200)) << "placement " << int(align);

        TextEx single(lf, RGB(20, 40, 160), lines[1], look);
        single.m_ptPos = {30, 40};
        single.SetSize({single.GetSize().cx + 60, single.GetSize().cy});  // a box wider than the line
        WhiteCanvas alone(400, 200), before(400, 200);
        single.Draw(alone.Dc());
        FontInDc fitted(before.Dc(), single.GetLogFont());
        SetTextColor(before.Dc(), RGB(20, 40, 160));
        DrawLine(before.Dc(), lines[1], 30, 40);
        EXPECT_TRUE(SamePixels(alone, before, 200)) << "placement " << int(align);
    }
}

// Fitting a text of several lines fits the union of the lines to the box.
TEST(TextEx, SeveralLinesFitTheirBox)
{
    TextEx text(LogFont(u"DejaVu Sans", -20), 0, u"two\nlines here");
    const SIZE natural = text.GetSize();
    text.SetSize({natural.cx * 2, natural.cy * 2});
    EXPECT_EQ(text.GetSize(), (SIZE{natural.cx * 2, natural.cy * 2}));
    const SIZE fitted = Extent(text.GetLogFont(), u"lines here");
    EXPECT_NEAR(fitted.cx, natural.cx * 2, natural.cx / 10);
    EXPECT_LT(text.GetLogFont().lfHeight, -35);
}

TEST(TextEx, CloneIsIndependent)
{
    auto text = Text(u"copy me", {7, 8}, ELEMENT_TEMPLATE_TEXT);
    text->SetSize({200, 60});
    auto clone = text->Clone();
    auto& copy = dynamic_cast<TextEx&>(*clone);
    EXPECT_EQ(copy.GetText(), u"copy me");
    EXPECT_EQ(copy.m_nKind, ELEMENT_TEMPLATE_TEXT);
    EXPECT_EQ(copy.GetSize().cx, 200);
    EXPECT_EQ(copy.GetPos().y, 8);
    const LOGFONTW a = copy.GetLogFont(), b = text->GetLogFont();
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    text.reset();
    HDC dc = CreateCompatibleDC(nullptr);
    copy.Draw(dc);  // its own font survives the original
    DeleteDC(dc);
}

}  // namespace
