#include <gtest/gtest.h>

#include <cstring>

#include "tests/app/TemplateFolder.h"
#include "tests/view/CardPixels.h"
#include "model/CardComposition.h"

namespace {

using namespace cardpixels;

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kHatch = Grey(191);
constexpr std::uint8_t kPhotoGrey = 60;
constexpr LONG kClientWidth = 100, kClientHeight = 70;

// The 8 x 8 diagonal cross on white, from the device origin.
COLORREF HatchAt(LONG x, LONG y)
{
    return ((x - y) & 7) == 0 || ((x + y) & 7) == 7 ? kHatch : kWhite;
}

// A 60 x 40 card (window 10..50 x 10..30) at (13, 7) in a 100 x 70 client area.
class CardComposition : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Written());
        ASSERT_TRUE(m_card.LoadTemplate(m_folder.Path()));
        ASSERT_EQ(m_card.GetFrameSize(), (SIZE{60, 40}));
        m_card.SetOrigin(m_origin);
    }

    std::unique_ptr<MemoryCanvas> Compose() { return ComposeCard(m_card, kClientWidth, kClientHeight); }

    COLORREF CardPixel(const MemoryCanvas& back, LONG x, LONG y) const
    {
        return PixelAt(*back.Bitmap(), m_origin.x + x, m_origin.y + y);
    }

    void ExpectHatchAroundTheCard(const MemoryCanvas& back) const
    {
        for (LONG y = 0; y < kClientHeight; ++y)
            for (LONG x = 0; x < kClientWidth; ++x) {
                const bool onCard = x >= m_origin.x && x < m_origin.x + 60 && y >= m_origin.y && y < m_origin.y + 40;
                if (!onCard) {
                    ASSERT_EQ(PixelAt(*back.Bitmap(), x, y), HatchAt(x, y)) << x << ", " << y;
                }
            }
    }

    testtemplates::TemplateFolder m_folder{60, 40, {10, 10, 50, 30}, "compose"};
    WorkArea m_card;
    const POINT m_origin{13, 7};
};

TEST_F(CardComposition, CardLayerLiesOnTheHatchAtTheOrigin)
{
    m_card.AddElement(GreyPhoto(25, 16, {15, 12}, kPhotoGrey));
    m_card.SetSelected(nullptr);
    const auto back = Compose();
    ASSERT_TRUE(back);
    ASSERT_EQ(back->Bitmap()->Width(), kClientWidth);
    ASSERT_EQ(back->Bitmap()->Height(), kClientHeight);
    ExpectHatchAroundTheCard(*back);

    // The card layer: white, then the elements in list order.
    MemoryCanvas layer(60, 40);
    layer.Fill(0xFF);
    for (const auto& element : m_card.GetElements())
        element->Draw(layer.Dc());
    ASSERT_NE(PixelAt(*layer.Bitmap(), 2, 2), kWhite);  // the frame's border
    for (LONG y = 0; y < 40; ++y)
        for (LONG x = 0; x < 60; ++x)
            ASSERT_EQ(CardPixel(*back, x, y), PixelAt(*layer.Bitmap(), x, y)) << x << ", " << y;
    EXPECT_EQ(CardPixel(*back, 20, 20), Grey(kPhotoGrey));  // the photo above the frame
    EXPECT_EQ(CardPixel(*back, 44, 19), kWhite);            // the card through the window
}

TEST_F(CardComposition, SelectionHasADottedOutlineOutsideAndHandlesInside)
{
    // Box (15, 12, 40, 28): 25 wide, so top and bottom handles (x 24..30);
    // 16 high, so no left or right handles.
    m_card.AddElement(GreyPhoto(25, 16, {15, 12}, kPhotoGrey));
    const auto back = Compose();
    ASSERT_TRUE(back);
    const COLORREF photo = Grey(kPhotoGrey);
    struct Row {
        POINT p;
        COLORREF colour;
    };
    const Row rows[] = {
        // Dots one pixel outside, every other pixel from each corner.
        {{14, 11}, kBlack}, {{16, 11}, kBlack}, {{38, 11}, kBlack}, {{40, 11}, kBlack}, {{40, 13}, kBlack},
        {{40, 27}, kBlack}, {{40, 28}, kBlack}, {{14, 28}, kBlack}, {{14, 12}, kBlack},
        // Handles inside the box.
        {{15, 12}, kBlack}, {{21, 18}, kBlack}, {{24, 12}, kBlack}, {{30, 18}, kBlack}, {{33, 12}, kBlack},
        {{39, 27}, kBlack}, {{24, 27}, kBlack}, {{15, 27}, kBlack},
        // The photo between them.
        {{22, 12}, photo}, {{31, 12}, photo}, {{32, 18}, photo}, {{15, 19}, photo}, {{15, 20}, photo},
        {{39, 20}, photo}, {{27, 20}, photo},
    };
    for (const Row& row : rows)
        EXPECT_EQ(CardPixel(*back, row.p.x, row.p.y), row.colour) << row.p.x << ", " << row.p.y;
    // Between the dots lies the card.
    for (const POINT gap : {POINT{15, 11}, POINT{39, 11}, POINT{40, 12}, POINT{39, 28}, POINT{14, 27}})
        EXPECT_NE(CardPixel(*back, gap.x, gap.y), kBlack) << gap.x << ", " << gap.y;
}

TEST_F(CardComposition, OutlineIsCutAtTheCardsEdges)
{
    // Box (-5, 30, 20, 46) hangs over the card's left and bottom edges.
    m_card.AddElement(GreyPhoto(25, 16, {-5, 30}, kPhotoGrey));
    const auto back = Compose();
    ASSERT_TRUE(back);
    EXPECT_EQ(CardPixel(*back, 0, 29), kBlack);  // the top dots, 6 steps from x = -6
    EXPECT_NE(CardPixel(*back, 1, 29), kBlack);
    EXPECT_EQ(CardPixel(*back, 0, 39), kBlack);  // the bottom-left handle's visible corner
    EXPECT_EQ(CardPixel(*back, 1, 39), kBlack);
    EXPECT_EQ(CardPixel(*back, 2, 39), Grey(kPhotoGrey));
    ExpectHatchAroundTheCard(*back);
}

TEST_F(CardComposition, ReusedCanvasesHoldWhatAFreshCompositionHolds)
{
    // Composed into the same canvases while the card moves about the client,
    // partly off it, and a photo moves and is selected: every time the same
    // bytes as a composition made afresh.
    m_card.AddElement(GreyPhoto(25, 16, {15, 12}, kPhotoGrey));
    ElementBase* photo = m_card.GetElements().back().get();
    CardCanvases canvases;
    const POINT origins[] = {{13, 7}, {-20, 40}, {55, -8}, {0, 0}};
    for (const POINT origin : origins) {
        m_card.SetOrigin(origin);
        photo->m_ptPos.x += 7;
        m_card.SetSelected(origin.x == 13 ? nullptr : photo);
        const MemoryCanvas* reused = ComposeCard(m_card, {kClientWidth, kClientHeight}, 9, canvases);
        const auto fresh = ComposeCard(m_card, kClientWidth, kClientHeight, 9);
        ASSERT_TRUE(reused && fresh);
        EXPECT_EQ(reused, canvases.backBuffer.get());
        ASSERT_EQ(0, std::memcmp(reused->Bits(), fresh->Bits(), fresh->Stride() * kClientHeight))
            << origin.x << ", " << origin.y;
    }
}

TEST(CardCompositionEdges, WithoutAFrameOnlyTheHatch)
{
    WorkArea empty;
    const auto back = ComposeCard(empty, 20, 10);
    ASSERT_TRUE(back);
    for (LONG y = 0; y < 10; ++y)
        for (LONG x = 0; x < 20; ++x)
            ASSERT_EQ(PixelAt(*back->Bitmap(), x, y), HatchAt(x, y)) << x << ", " << y;
}

TEST(CardCompositionEdges, EmptyClientAreaHasNoBackBuffer)
{
    WorkArea empty;
    EXPECT_FALSE(ComposeCard(empty, 0, 70));
    EXPECT_FALSE(ComposeCard(empty, 100, 0));
}

}  // namespace
