#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "tests/app/TemplateFolder.h"
#include "tests/view/CardPixels.h"
#include "model/CardRender.h"

namespace {

using namespace cardpixels;

// What a probe element (or the clones made of it) went through.
struct ProbeLog {
    std::vector<bool> rebuilds;  // the quality asked for, in order
    int clones = 0;
    int draws = 0;
    std::int32_t qualityAtDraw = -1;
    POINT posAtDraw{};
    SIZE sizeAtDraw{};
};

// An element that records the render's calls; its clones record into a
// second log, so the card's own element and its copies stay apart.
class Probe : public ElementBase {
public:
    Probe(ProbeLog* own, ProbeLog* copies, POINT pos, SIZE size, std::int32_t kind = ELEMENT_USER)
        : m_own(own), m_copies(copies)
    {
        m_ptPos = pos;
        m_size = size;
        m_nKind = kind;
    }
    std::unique_ptr<ElementBase> Clone() const override
    {
        if (!m_copies)
            throw std::bad_alloc();
        ++m_own->clones;
        auto copy = std::make_unique<Probe>(*this);
        copy->m_own = m_copies;
        return copy;
    }
    void Draw(HDC) override
    {
        ++m_own->draws;
        m_own->qualityAtDraw = m_bHighQuality;
        m_own->posAtDraw = GetPos();
        m_own->sizeAtDraw = GetSize();
    }
    void Rebuild(bool highQuality) override
    {
        ElementBase::Rebuild(highQuality);
        m_own->rebuilds.push_back(highQuality);
    }
    bool IsTransparentAt(POINT) const override { return false; }

private:
    ProbeLog* m_own;
    ProbeLog* m_copies;  // null: cloning runs out of memory
};

struct BitmapDeleter {
    void operator()(Bitmap* bitmap) const { DeleteObject(bitmap); }
};
using OwnedBitmap = std::unique_ptr<Bitmap, BitmapDeleter>;

class CardRender : public testing::Test {
protected:
    void LoadFrame(const testtemplates::TemplateFolder& folder, SIZE shown)
    {
        ASSERT_TRUE(folder.Written());
        ASSERT_TRUE(m_card.LoadTemplate(folder.Path()));
        m_card.ScaleAll(shown);
        ASSERT_EQ(m_card.GetFrameSize(), shown);
    }
    WorkArea m_card;
};

TEST_F(CardRender, HalfSizeCardIsDrawnAtFullResolution)
{
    testtemplates::TemplateFolder folder(1200, 800, {400, 200, 800, 600}, "render");
    LoadFrame(folder, {600, 400});
    m_card.AddElement(GreyPhoto(100, 50, {30, 20}, 60));  // selected, too
    ImageEx* photo = static_cast<ImageEx*>(m_card.GetSelected());

    const OwnedBitmap card(RenderCardBitmap(m_card));
    ASSERT_TRUE(card);
    ASSERT_EQ(card->Width(), 1200);
    ASSERT_EQ(card->Height(), 800);
    EXPECT_EQ(card->header.biBitCount, 24);
    // The photo at (60, 40), 200 x 100, with no selection outline on it.
    for (const POINT inside : {POINT{60, 40}, POINT{259, 40}, POINT{60, 139}, POINT{259, 139}, POINT{62, 42}})
        EXPECT_EQ(PixelAt(*card, inside.x, inside.y), Grey(60)) << inside.x << ", " << inside.y;
    for (const POINT outside : {POINT{59, 40}, POINT{260, 139}, POINT{60, 39}, POINT{259, 140}})
        EXPECT_NE(PixelAt(*card, outside.x, outside.y), Grey(60)) << outside.x << ", " << outside.y;
    EXPECT_EQ(PixelAt(*card, 600, 400), RGB(255, 255, 255));  // white through the window

    // The card on screen is as it was.
    EXPECT_EQ(photo->GetPos().x, 30);
    EXPECT_EQ(photo->GetPos().y, 20);
    EXPECT_EQ(photo->GetSize(), (SIZE{100, 50}));
    EXPECT_EQ(photo->m_bHighQuality, 0);
    EXPECT_EQ(m_card.GetFrameSize(), (SIZE{600, 400}));
    EXPECT_EQ(m_card.GetFrame()->m_bHighQuality, 0);
}

TEST_F(CardRender, OtherScalesDrawRescaledHighQualityClones)
{
    // 300 wide shown 90: s = 3.3333333 in single precision.
    testtemplates::TemplateFolder folder(300, 200, {100, 50, 200, 150}, "scaled");
    LoadFrame(folder, {90, 60});
    ProbeLog photo, photoCopies, frameLike, frameLikeCopies;
    m_card.AddElement(std::make_unique<Probe>(&photo, &photoCopies, POINT{1, 2}, SIZE{10, 20}));
    m_card.AddElement(
        std::make_unique<Probe>(&frameLike, &frameLikeCopies, POINT{4, 4}, SIZE{5, 5}, ELEMENT_TEMPLATE_FRAME));

    const OwnedBitmap card(RenderCardBitmap(m_card));
    ASSERT_TRUE(card);
    EXPECT_EQ(photo.clones, 1);
    EXPECT_EQ(photo.draws, 0);
    EXPECT_TRUE(photo.rebuilds.empty());
    EXPECT_EQ(photoCopies.draws, 1);
    EXPECT_EQ(photoCopies.qualityAtDraw, 1);
    EXPECT_EQ(photoCopies.posAtDraw.x, 3);   // trunc(3.33 + 0.5)
    EXPECT_EQ(photoCopies.posAtDraw.y, 7);   // trunc(6.67 + 0.5)
    EXPECT_EQ(photoCopies.sizeAtDraw, (SIZE{33, 67}));
    // A frame-kind element takes the full card size and keeps its place.
    EXPECT_EQ(frameLikeCopies.sizeAtDraw, (SIZE{300, 200}));
    EXPECT_EQ(frameLikeCopies.posAtDraw.x, 4);
}

TEST_F(CardRender, ScaleIsSingleButItsProductsAreDouble)
{
    // 1260 shown 600: s = 2.0999999f; 35 s + 0.5 = 73.99999967 in double,
    // where the single product 35 s rounds to 73.5 and gives 74.
    testtemplates::TemplateFolder folder(1260, 840, {100, 50, 200, 150}, "single-scale");
    LoadFrame(folder, {600, 400});
    ProbeLog photo, copies;
    m_card.AddElement(std::make_unique<Probe>(&photo, &copies, POINT{35, 5}, SIZE{15, 25}));
    const OwnedBitmap card(RenderCardBitmap(m_card));
    ASSERT_TRUE(card);
    EXPECT_EQ(copies.posAtDraw.x, 73);
    EXPECT_EQ(copies.posAtDraw.y, 10);
    EXPECT_EQ(copies.sizeAtDraw, (SIZE{31, 52}));
}

TEST_F(CardRender, FullSizeCardRebuildsItsOwnElementsInHighQuality)
{
    testtemplates::TemplateFolder folder(60, 40, {10, 10, 50, 30}, "full");
    LoadFrame(folder, {60, 40});
    ProbeLog own, copies;
    m_card.AddElement(std::make_unique<Probe>(&own, &copies, POINT{5, 6}, SIZE{7, 8}));
    m_card.AddElement(GreyPhoto(20, 10, {30, 15}, 90));
    ElementBase* photo = m_card.GetSelected();

    const OwnedBitmap card(RenderCardBitmap(m_card));
    ASSERT_TRUE(card);
    EXPECT_EQ(own.clones, 0);
    EXPECT_EQ(own.rebuilds, std::vector<bool>{true});
    EXPECT_EQ(own.qualityAtDraw, 1);
    EXPECT_EQ(own.posAtDraw.x, 5);
    EXPECT_EQ(own.sizeAtDraw, (SIZE{7, 8}));
    // The flag is low again, so the next edit rebuilds with the fast resampler.
    for (const auto& element : m_card.GetElements())
        EXPECT_EQ(element->m_bHighQuality, 0);
    EXPECT_EQ(PixelAt(*card, 30, 15), Grey(90));
    EXPECT_EQ(PixelAt(*card, 49, 24), Grey(90));
    EXPECT_EQ(photo->GetSize(), (SIZE{20, 10}));
}

TEST_F(CardRender, NoCardWithoutAFrameOrWhenMemoryRunsOut)
{
    EXPECT_EQ(RenderCardBitmap(m_card), nullptr);
    testtemplates::TemplateFolder folder(60, 40, {10, 10, 50, 30}, "nomemory");
    LoadFrame(folder, {30, 20});
    ProbeLog log;
    m_card.AddElement(std::make_unique<Probe>(&log, nullptr, POINT{}, SIZE{5, 5}));
    EXPECT_EQ(RenderCardBitmap(m_card), nullptr);
}

}  // namespace
