#include <gtest/gtest.h>

#include <cmath>

#include "model/FrameWindows.h"
#include "tests/model/CardFixtures.h"
#include "tests/platform/WhiteCanvas.h"

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

// The regions of a mask one pixel at a time, four-connected: the boxes of
// those the edge does not touch, in the order of their first pixels.
std::vector<RECT> WindowsPixelByPixel(const std::vector<std::vector<bool>>& open)
{
    const int height = int(open.size()), width = int(open[0].size());
    std::vector<std::vector<bool>> taken(open.size(), std::vector<bool>(open[0].size()));
    std::vector<RECT> windows;
    for (int y0 = 0; y0 < height; ++y0)
        for (int x0 = 0; x0 < width; ++x0) {
            if (!open[y0][x0] || taken[y0][x0])
                continue;
            RECT box{x0, y0, x0 + 1, y0 + 1};
            bool cut = false;
            std::vector<POINT> stack{{x0, y0}};
            taken[y0][x0] = true;
            while (!stack.empty()) {
                const POINT p = stack.back();
                stack.pop_back();
                box = {std::min(box.left, p.x), std::min(box.top, p.y), std::max(box.right, p.x + 1),
                       std::max(box.bottom, p.y + 1)};
                cut = cut || p.x == 0 || p.y == 0 || p.x == width - 1 || p.y == height - 1;
                for (const POINT n : {POINT{p.x - 1, p.y}, POINT{p.x + 1, p.y}, POINT{p.x, p.y - 1}, POINT{p.x, p.y + 1}})
                    if (n.x >= 0 && n.y >= 0 && n.x < width && n.y < height && open[n.y][n.x] && !taken[n.y][n.x]) {
                        taken[n.y][n.x] = true;
                        stack.push_back(n);
                    }
            }
            if (!cut)
                windows.push_back(box);
        }
    return windows;
}

// Noise masks: regions of every shape (spirals, combs, holes, single
// pixels) as a frame drawn by hand or scanned has them.
TEST(FrameWindows, EveryRegionOfNoiseMasksAsPixelByPixel)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        const int width = 53, height = 37;
        auto frame = cardfixtures::Frame(width, height, {0, 0, 0, 0});
        PxImage& mask = frame->MaskSourceToFill();
        std::vector<std::vector<bool>> open(height, std::vector<bool>(width));
        unsigned state = seed;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                state = state * 1103515245u + 12345u;
                open[y][x] = (state >> 16) % 100 < 40 + 8 * seed;
                const BYTE m = open[y][x] ? 0 : 255;
                mask.SetPixelColor(x, height - 1 - y, {m, m, m, 0});
            }
        frame->Rebuild(false);
        const std::vector<RECT> found = FindFrameWindows(*frame), expected = WindowsPixelByPixel(open);
        ASSERT_EQ(found.size(), expected.size());
        for (std::size_t i = 0; i < found.size(); ++i)
            EXPECT_TRUE(SameBox(found[i], expected[i])) << "window " << i;
    }
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

ImageEx Turned(LONG width, LONG height, float degrees)
{
    PxImage red(std::uint32_t(width), std::uint32_t(height), 24, 0);
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            red.SetPixelColor(x, y, {0, 0, 255, 0});
    ImageEx photo(red, PxImage());
    photo.SetSize({width, height});
    photo.Rotate(degrees);
    return photo;
}

// Turned 30 degrees, the picture itself covers every pixel of the window,
// and along one of its sides it is at most a pixel longer than the window's
// corners need.
TEST(FrameWindows, ATurnedPhotoCoversTheWindowWithThePictureItself)
{
    ImageEx photo = Turned(40, 30, 30);
    const RECT window{60, 50, 180, 130};
    FitPhotoToWindow(photo, window);
    WhiteCanvas canvas(240, 180);
    photo.Draw(canvas.Dc());
    for (LONG y = window.top; y < window.bottom; ++y)
        for (LONG x = window.left; x < window.right; ++x)
            ASSERT_EQ(canvas.At(x, y), (RGBQUAD{0, 0, 255, 0})) << x << "," << y;

    // The window's corners along the picture's own axes, from its centre.
    const double turn = 30 * std::acos(-1.0) / 180;
    double along = 0, across = 0;
    for (const double cx : {-60.0, 60.0})
        for (const double cy : {-40.0, 40.0}) {
            along = std::max(along, std::fabs(cx * std::cos(turn) + cy * std::sin(turn)));
            across = std::max(across, std::fabs(-cx * std::sin(turn) + cy * std::cos(turn)));
        }
    const SIZE nominal = photo.m_size;
    EXPECT_GE(nominal.cx, 2 * along);
    EXPECT_GE(nominal.cy, 2 * across);
    EXPECT_TRUE(nominal.cx < 2 * along + 1 || nominal.cy < 2 * across + 1) << nominal.cx << " x " << nominal.cy;
    EXPECT_NEAR(double(nominal.cx) / nominal.cy, 40.0 / 30.0, 0.02);
}

// Turned by a right angle, the photo is its own box: it fits as an upright
// photo of the turned size does.
TEST(FrameWindows, APhotoTurnedByARightAngleFitsAsItsBox)
{
    const RECT window{60, 50, 180, 130};
    ImageEx turned = Turned(30, 40, 90);
    ImageEx upright = Turned(40, 30, 0);
    FitPhotoToWindow(turned, window);
    FitPhotoToWindow(upright, window);
    EXPECT_EQ(turned.GetSize(), upright.GetSize());
    EXPECT_EQ(turned.GetPos().x, upright.GetPos().x);
    EXPECT_EQ(turned.GetPos().y, upright.GetPos().y);
}

}  // namespace
