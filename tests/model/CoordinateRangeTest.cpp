// Card elements anywhere in the 32-bit coordinate range, as a template file
// or a long drag can place them: drawing, hit tests, rotation and scaling
// stay exact where the values fit and saturate where they cannot.
#include <gtest/gtest.h>

#include <climits>

#include "model/WorkArea.h"
#include "tests/model/CardFixtures.h"
#include "tests/platform/WhiteCanvas.h"

namespace {

using namespace cardfixtures;

constexpr LONG kEnds[] = {INT_MIN, INT_MIN + 3, -(1 << 30), 1 << 30, INT_MAX - 3, INT_MAX};

TEST(CardCoordinates, ElementsFarOffTheCanvasDrawNothing)
{
    WhiteCanvas canvas(40, 30);
    for (LONG x : kEnds)
        for (LONG y : kEnds) {
            auto frame = Frame(14, 10, {2, 2, 12, 8});
            frame->m_ptPos = {x, y};
            frame->Draw(canvas.Dc());
            auto photo = Photo(10, 8, {x, y});
            photo->Draw(canvas.Dc());
            photo->Rotate(30);
            photo->Draw(canvas.Dc());
            Text(u"far away", {x, y})->Draw(canvas.Dc());
        }
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(canvas.At(x, y), (RGBQUAD{255, 255, 255, 0})) << x << "," << y;
}

TEST(CardCoordinates, HitTestsAtTheEndsOfTheRange)
{
    struct Case {
        POINT photo, inside, outside;
    } cases[] = {
        {{INT_MIN, INT_MIN}, {INT_MIN + 9, INT_MIN + 7}, {INT_MAX, INT_MAX}},
        {{INT_MAX - 3, INT_MAX - 3}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN}},
        {{INT_MAX, 0}, {INT_MAX, 7}, {INT_MIN, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.photo.x) + "," + std::to_string(c.photo.y));
        WorkArea card;
        card.AddElement(Photo(10, 8, c.photo));
        ElementBase* photo = card.GetSelected();
        card.AddElement(Text(u"T", c.photo));
        ElementBase* text = card.GetSelected();
        card.SetSelected(nullptr);
        card.SelectAt(c.inside);
        EXPECT_NE(card.GetSelected(), nullptr);
        EXPECT_EQ(card.FindTextAt(c.photo), text);
        card.SelectAt(c.outside);
        EXPECT_EQ(card.GetSelected(), nullptr);
        EXPECT_EQ(card.FindTextAt(c.outside), nullptr);
        EXPECT_EQ(static_cast<ImageEx*>(photo)->IsTransparentAt(c.outside), false);
    }
}

TEST(CardCoordinates, RotationAndScalingSaturateAtTheEnds)
{
    // Turning a 10 x 4 photo keeps its centre; at the right end of the range
    // the centre itself lies past INT_MAX, so the position saturates.
    auto photo = Photo(10, 4, {INT_MAX - 3, 100});
    photo->Rotate(90);
    EXPECT_EQ(photo->GetSize().cx, 4);
    EXPECT_EQ(photo->GetPos().x, INT_MAX);
    EXPECT_EQ(photo->GetPos().y, 97);  // 100 + 2 - 5

    WorkArea card;
    card.AddElement(Photo(7, 5, {INT_MAX - 10, INT_MIN + 10}));
    ElementBase* far = card.GetSelected();
    card.AddElement(Text(u"T", {INT_MIN, INT_MAX}));
    ElementBase* text = card.GetSelected();
    const auto folder = std::filesystem::temp_directory_path() / ("orvantis-range-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    auto frame = Frame(60, 40, {10, 10, 50, 30});
    ASSERT_TRUE(WorkArea::WriteTemplateFile({frame.get()}, folder / "this.tpl"));
    ASSERT_TRUE(card.LoadTemplate(folder));
    std::filesystem::remove_all(folder);

    card.ScaleAll({240, 160});  // four times: every far coordinate saturates
    EXPECT_EQ(far->GetPos().x, INT_MAX);
    EXPECT_EQ(far->GetPos().y, INT_MIN);
    EXPECT_EQ(text->GetPos().x, INT_MIN);
    EXPECT_EQ(text->GetPos().y, INT_MAX);
    EXPECT_EQ(far->GetSize().cx, 28);
}

}  // namespace
