#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "model/TrackerEx.h"

namespace {

// Rectangles compared and printed as their four edges.
using Edges = std::array<LONG, 4>;
Edges EdgesOf(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

CTrackerEx TrackerOn(RECT box)
{
    CTrackerEx tracker;
    tracker.m_rect = box;
    return tracker;
}

TEST(TrackerEx, HitCodesOfAFullSizedBox)
{
    // 100 x 60: every handle exists. Side handles sit in the middle of their
    // side: x 146..152 across, y 126..132 down.
    const CTrackerEx tracker = TrackerOn({100, 100, 200, 160});
    struct Row {
        POINT p;
        int hit;
    };
    const Row rows[] = {
        {{99, 130}, -1},  {{200, 130}, -1}, {{150, 160}, -1}, {{100, 100}, 0}, {{106, 106}, 0},
        {{107, 107}, 8},  {{199, 100}, 1},  {{193, 106}, 1},  {{199, 159}, 2}, {{100, 159}, 3},
        {{146, 100}, 4},  {{152, 106}, 4},  {{145, 100}, 8},  {{153, 100}, 8}, {{199, 126}, 5},
        {{150, 159}, 6},  {{100, 132}, 7},  {{100, 133}, 8},  {{150, 130}, 8},
    };
    for (const Row& row : rows)
        EXPECT_EQ(tracker.HitTest(row.p), row.hit) << row.p.x << ", " << row.p.y;
}

TEST(TrackerEx, SideHandlesNeedThreeHandlesOfSide)
{
    // 20 wide (under 21): no top or bottom handle; 21 high: left and right.
    const CTrackerEx tracker = TrackerOn({0, 0, 20, 21});
    EXPECT_EQ(tracker.HitTest({10, 0}), 8);
    EXPECT_EQ(tracker.HitTest({10, 20}), 8);
    EXPECT_EQ(tracker.HitTest({0, 10}), 7);
    EXPECT_EQ(tracker.HitTest({19, 10}), 5);
    EXPECT_EQ(EdgesOf(tracker.GetHandleRect(4)), (Edges{0, 0, 0, 0}));
    EXPECT_EQ(EdgesOf(tracker.GetHandleRect(7)), (Edges{0, 7, 7, 14}));
}

TEST(TrackerEx, HandlesOfATinyBoxStayInsideIt)
{
    // 5 x 5, smaller than a handle: every point is on a corner handle.
    const CTrackerEx tracker = TrackerOn({10, 10, 15, 15});
    EXPECT_EQ(tracker.HitTest({10, 10}), 0);
    EXPECT_EQ(tracker.HitTest({14, 14}), 0);
    EXPECT_EQ(EdgesOf(tracker.GetHandleRect(2)), (Edges{10, 10, 15, 15}));
}

TEST(TrackerEx, HandlesBelongToTheHandlesInsideStyle)
{
    CTrackerEx tracker = TrackerOn({200, 160, 100, 100});  // inverted: tested normalised
    EXPECT_EQ(tracker.HitTest({100, 100}), 0);
    tracker.m_nStyle = CTrackerEx::STYLE_DOTTED_OUTLINE;
    EXPECT_EQ(tracker.HitTest({100, 100}), 8);
    EXPECT_EQ(EdgesOf(tracker.GetHandleRect(0)), (Edges{0, 0, 0, 0}));
}

TEST(TrackerEx, CornerHandlesKeepTheRatio)
{
    struct Row {
        int handle;
        RECT in;
        float ratio;
        RECT out;
    };
    const Row rows[] = {
        {2, {0, 0, 300, 100}, 1.5f, {0, 0, 300, 200}},  // too wide: the height follows
        {2, {0, 0, 100, 300}, 1.5f, {0, 0, 450, 300}},  // too tall: the width follows
        {0, {10, 20, 310, 120}, 1.5f, {10, -80, 310, 120}},
        {0, {10, 20, 110, 320}, 1.5f, {-340, 20, 110, 320}},
        {1, {0, 0, 300, 100}, 1.5f, {0, -100, 300, 100}},
        {1, {0, 0, 100, 300}, 1.5f, {0, 0, 450, 300}},
        {3, {0, 0, 300, 100}, 1.5f, {0, 0, 300, 200}},
        {3, {0, 0, 100, 300}, 1.5f, {-350, 0, 100, 300}},
        {2, {0, 0, 150, 100}, 1.5f, {0, 0, 150, 100}},  // exactly the ratio: unchanged
        {2, {0, 0, 100, 10}, 3.0f, {0, 0, 100, 33}},    // 33.33 + 0.5 truncated
        // The ratio is a float, what is formed from it double: 100 / 1.6f
        // + 0.5 = 62.9999990 and 215 x 0.7f + 0.5 = 150.9999974 (63 and 151
        // in single precision).
        {2, {0, 0, 100, 10}, 1.6f, {0, 0, 100, 62}},
        {2, {0, 0, 10, 215}, 0.7f, {0, 0, 150, 215}},
        {2, {0, 0, -300, -100}, 1.5f, {0, 0, -300, -199}},  // -199.5 truncated toward zero
    };
    for (const Row& row : rows) {
        CTrackerEx tracker;
        tracker.m_fRatio = row.ratio;
        RECT r = row.in;
        tracker.AdjustRect(row.handle, &r);
        EXPECT_EQ(EdgesOf(r), EdgesOf(row.out)) << "row " << (&row - rows);
    }
}

TEST(TrackerEx, SidesAndBodyAreNotConstrained)
{
    CTrackerEx tracker;
    tracker.m_fRatio = 1.5f;
    for (int handle = 4; handle <= 8; ++handle) {
        RECT r{0, 0, 300, 100};
        tracker.AdjustRect(handle, &r);
        EXPECT_EQ(EdgesOf(r), (Edges{0, 0, 300, 100})) << "handle " << handle;
    }
}

class TrackerDrag : public testing::Test {
protected:
    void SetUp() override
    {
        m_tracker.m_rect = {100, 100, 200, 160};
        m_tracker.m_fRatio = 100.0f / 60.0f;
    }
    const RECT m_card{50, 50, 450, 350};
    CTrackerEx m_tracker;
};

TEST_F(TrackerDrag, BodyFollowsThePoint)
{
    m_tracker.BeginTrack(8, {150, 130}, m_card);
    EXPECT_TRUE(m_tracker.IsTracking());
    m_tracker.TrackTo({170, 120});
    m_tracker.TrackTo({180, 150});  // each step from where the drag began
    EXPECT_EQ(EdgesOf(m_tracker.m_rect), (Edges{130, 120, 230, 180}));
    m_tracker.EndTrack();
    EXPECT_FALSE(m_tracker.IsTracking());
    m_tracker.TrackTo({0, 0});
    EXPECT_EQ(EdgesOf(m_tracker.m_rect), (Edges{130, 120, 230, 180}));
}

TEST_F(TrackerDrag, PointIsClampedToTheCard)
{
    // The point stops at the card's last pixel; the body may leave the card.
    m_tracker.BeginTrack(8, {150, 130}, m_card);
    m_tracker.TrackTo({1000, 1000});
    EXPECT_EQ(EdgesOf(m_tracker.m_rect), (Edges{399, 319, 499, 379}));
    m_tracker.TrackTo({-1000, 0});
    EXPECT_EQ(EdgesOf(m_tracker.m_rect), (Edges{0, 20, 100, 80}));
}

TEST_F(TrackerDrag, CornerDragKeepsTheRatioAtEveryStep)
{
    m_tracker.BeginTrack(2, {199, 159}, m_card);
    m_tracker.TrackTo({399, 179});  // 300 x 80 asked: 300 wide, so 180 high
    EXPECT_EQ(EdgesOf(m_tracker.m_rect), (Edges{100, 100, 400, 280}));
    m_tracker.TrackTo({209, 259});  // 110 x 160 asked: 160 high, so 267 wide
    EXPECT_EQ(EdgesOf(m_tracker.m_rect), (Edges{100, 100, 367, 260}));
}

TEST_F(TrackerDrag, SideDragMayInvertUntilNormalised)
{
    m_tracker.BeginTrack(5, {199, 130}, m_card);
    m_tracker.TrackTo({59, 140});
    EXPECT_EQ(EdgesOf(m_tracker.m_rect), (Edges{100, 100, 60, 160}));
    m_tracker.EndTrack();
    m_tracker.NormalizeRect();
    EXPECT_EQ(EdgesOf(m_tracker.m_rect), (Edges{60, 100, 100, 160}));
}

TEST_F(TrackerDrag, CancelRestoresTheRectangle)
{
    m_tracker.BeginTrack(0, {100, 100}, m_card);
    m_tracker.TrackTo({60, 70});
    ASSERT_NE(m_tracker.m_rect.left, 100);
    m_tracker.CancelTrack();
    EXPECT_FALSE(m_tracker.IsTracking());
    EXPECT_EQ(EdgesOf(m_tracker.m_rect), (Edges{100, 100, 200, 160}));
}

TEST_F(TrackerDrag, NoDragWithoutAHit)
{
    m_tracker.BeginTrack(-1, {10, 10}, m_card);
    EXPECT_FALSE(m_tracker.IsTracking());
    m_tracker.TrackTo({300, 300});
    EXPECT_EQ(EdgesOf(m_tracker.m_rect), (Edges{100, 100, 200, 160}));
}

TEST(AngleDelta, SignedStepsInDegrees)
{
    struct Row {
        POINT centre, from, to;
        double degrees;
    };
    const Row rows[] = {
        {{0, 0}, {100, 0}, {0, 100}, 90},      // clockwise on screen: positive
        {{0, 0}, {0, 100}, {100, 0}, -90},
        {{50, 50}, {150, 50}, {50, -50}, -90},  // up from the right: anticlockwise
        {{0, 0}, {-100, 0}, {100, 0}, 180},    // half turns stay at the ends
        {{0, 0}, {100, 0}, {-100, 0}, -180},
        {{0, 0}, {0, -100}, {0, 100}, 180},    // straight up to straight down
        {{0, 0}, {10, 10}, {10, 10}, 0},
        {{0, 0}, {0, 0}, {100, 0}, 0},         // the centre has no angle
        {{0, 0}, {100, 0}, {0, 0}, 0},
    };
    for (const Row& row : rows)
        EXPECT_NEAR(AngleDelta(row.centre, row.from, row.to), row.degrees, 1e-9)
            << row.from.x << "," << row.from.y << " -> " << row.to.x << "," << row.to.y;
}

TEST(AngleDelta, CrossingTheLeftHorizontalIsAShortStep)
{
    // From 170 degrees to -170: 20 degrees anticlockwise on screen, not 340.
    // tan 10 degrees = 0.17633.
    const POINT at170{-100000, -17633}, atMinus170{-100000, 17633};
    EXPECT_NEAR(AngleDelta({0, 0}, at170, atMinus170), -20, 0.001);
    EXPECT_NEAR(AngleDelta({0, 0}, atMinus170, at170), 20, 0.001);
}

TEST(AngleDelta, QuarterDegreeStaysUnderOneDegree)
{
    // A quarter degree clockwise: tan 0.25 degrees = 0.004363.
    const double step = AngleDelta({0, 0}, {100000, 0}, {100000, 436});
    EXPECT_NEAR(step, 0.25, 0.001);
    EXPECT_LT(std::fabs(step) - 1.0, 0.000001);
}

}  // namespace
