#include <gtest/gtest.h>

#include "model/WorkArea.h"
#include "tests/model/CardFixtures.h"

namespace {

using namespace cardfixtures;

// Puts a frame into the card the way frames arrive: through a template file.
ElementBase* LoadFrame(WorkArea& card, std::unique_ptr<ImageEx> frame)
{
    const auto folder = std::filesystem::temp_directory_path() / ("orvantis-frame-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const bool loaded = WorkArea::WriteTemplateFile({frame.get()}, folder / "this.tpl") && card.LoadTemplate(folder);
    std::filesystem::remove_all(folder);
    return loaded ? card.GetFrame() : nullptr;
}

std::vector<ElementBase*> Order(const WorkArea& card)
{
    std::vector<ElementBase*> order;
    for (const auto& e : card.GetElements())
        order.push_back(e.get());
    return order;
}

TEST(WorkArea, SelectionPassesThroughTheFramesWindow)
{
    WorkArea card;
    ElementBase* frame = LoadFrame(card, Frame(100, 80, {20, 20, 80, 60}));
    ASSERT_NE(frame, nullptr);
    card.AddElement(Photo(40, 30, {30, 25}));
    ElementBase* photo = card.GetSelected();
    card.SendToBack(photo);  // deselected: below the frame
    card.SetSelected(nullptr);
    EXPECT_EQ(Order(card), (std::vector<ElementBase*>{photo, frame}));

    card.SelectAt({35, 30});  // inside the window, on the photo
    EXPECT_EQ(card.GetSelected(), photo);
    EXPECT_EQ(Order(card).back(), photo);
    card.SelectAt({5, 5});  // only the frame is there, and it is never selected
    EXPECT_EQ(card.GetSelected(), nullptr);
}

TEST(WorkArea, UpperTransparentPhotoLetsTheLowerBeSelected)
{
    WorkArea card;
    card.AddElement(Photo(50, 50, {0, 0}));
    ElementBase* lower = card.GetSelected();
    PxImage mask(50, 50, 24, 0);  // all black: invisible
    auto upper = std::make_unique<ImageEx>(testimages::Random(50, 50, 24, false, 3), mask);
    upper->SetSize({50, 50});
    upper->m_ptPos = {10, 10};
    card.AddElement(std::move(upper));
    ElementBase* top = card.GetSelected();
    card.SelectAt({20, 20});
    EXPECT_EQ(card.GetSelected(), lower);
    card.SelectAt({55, 55});  // only the transparent one's box: it is the candidate
    EXPECT_EQ(card.GetSelected(), top);
}

TEST(WorkArea, RotatedCornerStillSelectsWhenNothingElseIsThere)
{
    WorkArea card;
    card.AddElement(Photo(100, 100, {0, 0}));
    ElementBase* photo = card.GetSelected();
    photo->Rotate(45);
    card.SetSelected(nullptr);
    ASSERT_TRUE(photo->IsTransparentAt({photo->GetPos().x + 1, photo->GetPos().y + 1}));
    card.SelectAt({photo->GetPos().x + 1, photo->GetPos().y + 1});
    EXPECT_EQ(card.GetSelected(), photo);
}

TEST(WorkArea, EmptyClickKeepsTheModifiedFlag)
{
    WorkArea fresh;
    fresh.SelectAt({1, 1});
    EXPECT_FALSE(fresh.IsModified());
    EXPECT_EQ(fresh.GetFrameSize().cx, 0);
    EXPECT_EQ(fresh.GetCardImageSize().cx, 0);
}

TEST(WorkArea, SendToBackAndRemove)
{
    WorkArea card;
    for (int i = 0; i < 3; ++i)
        card.AddElement(Photo(5, 5, {i, i}, std::uint32_t(10 + i)));
    const auto before = Order(card);
    card.SendToBack(before[2]);
    EXPECT_EQ(Order(card), (std::vector<ElementBase*>{before[2], before[0], before[1]}));
    card.SetSelected(before[1]);
    card.RemoveElement(before[1]);
    EXPECT_EQ(card.GetSelected(), nullptr);
    EXPECT_EQ(Order(card), (std::vector<ElementBase*>{before[2], before[0]}));
    ImageEx stranger;
    card.RemoveElement(&stranger);
    card.SendToBack(&stranger);
    EXPECT_EQ(card.GetElements().size(), 2u);
}

TEST(WorkArea, ScaleAllDoublesWithHalvesRoundingUp)
{
    WorkArea card;
    card.AddElement(Photo(7, 5, {3, -3}));
    ElementBase* photo = card.GetSelected();
    ASSERT_NE(LoadFrame(card, Frame(60, 40, {10, 10, 50, 30})), nullptr);
    ASSERT_EQ(card.GetFrameSize().cx, 60);

    card.ScaleAll({120, 80});
    EXPECT_EQ(card.GetFrameSize().cx, 120);
    EXPECT_EQ(card.GetFrameSize().cy, 80);
    EXPECT_EQ(photo->GetPos().x, 6);
    EXPECT_EQ(photo->GetPos().y, -5);  // -6 + 0.5 truncates toward zero
    EXPECT_EQ(photo->GetSize().cx, 14);
    EXPECT_EQ(photo->GetSize().cy, 10);

    card.ScaleTemplateElements({60, 40});  // the photo is the user's: untouched
    EXPECT_EQ(photo->GetSize().cx, 14);
    EXPECT_EQ(card.GetFrameSize().cx, 60);
    EXPECT_EQ(card.GetCardImageSize().cx, 60);
}

// The factor is a float (1000 to 700: 0.699999988), but 45 x f + 0.5 is
// formed in double: 31.99999946, not the 32 a float product gives.
TEST(WorkArea, ScaleFormsProductsWithTheSingleFactorInDouble)
{
    WorkArea card;
    card.AddElement(Photo(45, 5, {45, 5}));
    ElementBase* photo = card.GetSelected();
    ASSERT_NE(LoadFrame(card, Frame(1000, 100, {10, 10, 50, 30})), nullptr);
    card.ScaleAll({700, 70});
    EXPECT_EQ(photo->GetPos().x, 31);
    EXPECT_EQ(photo->GetPos().y, 3);
    EXPECT_EQ(photo->GetSize().cx, 31);
    EXPECT_EQ(photo->GetSize().cy, 3);
}

}  // namespace
