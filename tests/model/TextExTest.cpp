#include <gtest/gtest.h>

#include "tests/model/CardFixtures.h"
#include "tests/platform/WhiteCanvas.h"

namespace {

using namespace cardfixtures;

SIZE Extent(const TextEx& text)
{
    HDC dc = CreateCompatibleDC(nullptr);
    const LOGFONTW logfont = text.GetLogFont();
    HFONT font = CreateFontIndirectW(&logfont);
    SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.GetText().data(), int(text.GetText().size()), &size);
    DeleteDC(dc);
    DeleteObject(font);
    return size;
}

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
