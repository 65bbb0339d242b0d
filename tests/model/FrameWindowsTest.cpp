#include <gtest/gtest.h>

#include "model/FrameWindows.h"
#include "tests/model/CardFixtures.h"

namespace {

testing::AssertionResult SameBox(const RECT& a, const RECT& b)
{
    if (a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "(" << a.left << ", " << a.top << ", " << a.right << ", " << a.bottom << ")";
}

// A 400 x 300 frame with two windows, and a third region that the frame's
// edge cuts (not a window).
std::unique_ptr<ImageEx> TwoWindowFrame()
{
    auto frame = cardfixtures::Frame(400, 300, {20, 30, 120, 230});
    PxImage& mask = frame->MaskSourceToFill();
    auto clear = [&](RECT r) {
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x)
                mask.SetPixelColor(x, 300 - 1 - y, {0, 0, 0, 0});
    };
    clear({200, 50, 350, 100});   // the second window, an L shape
    clear({200, 100, 240, 260});
    clear({380, 0, 400, 40});     // cut by the edge
    frame->Rebuild(false);  // the working mask follows the edited source
    return frame;
}

TEST(FrameWindows, FindsEachWindowWithItsExactBox)
{
    auto frame = TwoWindowFrame();
    frame->m_ptPos = {5, 7};
    const std::vector<RECT> windows = FindFrameWindows(*frame);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_TRUE(SameBox(windows[0], {25, 37, 125, 237}));
    EXPECT_TRUE(SameBox(windows[1], {205, 57, 355, 267}));
    EXPECT_EQ(WindowFor(windows, {210, 200}), &windows[1]);
    EXPECT_EQ(WindowFor(windows, {0, 0}), &windows[1]);  // the largest
    EXPECT_EQ(WindowFor({}, {0, 0}), nullptr);
    EXPECT_TRUE(FindFrameWindows(*cardfixtures::Photo(50, 50, {0, 0})).empty());  // no mask
}

TEST(FrameWindows, APhotoCoversTheWindowCentredOnIt)
{
    auto photo = cardfixtures::Photo(3000, 2000, {0, 0});
    const RECT window{100, 50, 400, 450};  // 300 x 400
    FitPhotoToWindow(*photo, window);
    const POINT pos = photo->GetPos();
    const SIZE size = photo->GetSize();
    EXPECT_EQ(size.cy, 400);
    EXPECT_EQ(size.cx, 600);
    EXPECT_LE(pos.x, window.left);
    EXPECT_LE(pos.y, window.top);
    EXPECT_GE(pos.x + size.cx, window.right);
    EXPECT_GE(pos.y + size.cy, window.bottom);
    EXPECT_EQ(pos.x + size.cx / 2, 250);
    EXPECT_EQ(pos.y + size.cy / 2, 250);
}

}  // namespace
