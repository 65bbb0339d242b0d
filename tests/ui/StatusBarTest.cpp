#include <gtest/gtest.h>

#include "controls/StatusBarEx.h"
#include "tests/ui/SkinPictures.h"

namespace {

using skintest::At;
using skintest::Shot;

// A 100 x 21 status picture whose every column has its own colour: the
// column number in red, and green marking the part (left 2, middle, right 24).
QColor Column(int x)
{
    const int part = x < 2 ? 50 : x < 76 ? 100 : 150;
    return QColor(x, part, 7);
}

class StatusBar : public testing::Test {
protected:
    void SetUp() override { m_skins.Write("status.jpg", 100, 21, [](int x, int) { return Column(x); }); }
    skintest::SkinFolder m_skins;
};

// The 600-pixel bar: the picture's right 24 columns at x 576 to 599, its
// middle stretched over x 2 to 575, its left 2 columns at x 0 and 1.
TEST_F(StatusBar, CopiesAndStretchesTheStatusPicture)
{
    CStatusBarEx bar(nullptr, m_skins.Path());
    bar.resize(600, 21);
    const QImage shot = Shot(bar);
    ASSERT_EQ(shot.size(), QSize(600, 21));
    for (int y : {0, 2, 20}) {
        EXPECT_EQ(At(shot, 0, y), Column(0));
        EXPECT_EQ(At(shot, 1, y), Column(1));
        EXPECT_EQ(At(shot, 2, y), Column(2));
        EXPECT_EQ(At(shot, 575, y), Column(75));
        for (int x = 576; x < 600; ++x)
            ASSERT_EQ(At(shot, x, y), Column(x - 500)) << x << "," << y;
        // The stretched middle keeps the columns in order.
        int previous = 2;
        for (int x = 3; x < 576; ++x) {
            const QColor c = At(shot, x, y);
            ASSERT_EQ(c.green(), 100) << x;
            ASSERT_GE(c.red(), previous) << x;
            previous = c.red();
        }
    }
}

// Panes 1 and 2 are 100 pixels at the right; before each, a grey and a
// white line from top + 1 to bottom - 4, that end excluded. They are drawn without a picture too.
TEST_F(StatusBar, SeparatesTheFixedPanes)
{
    for (bool withPicture : {true, false}) {
        CStatusBarEx bar(nullptr, withPicture ? m_skins.Path() : m_skins.Path() / "none");
        bar.resize(600, 21);
        ASSERT_EQ(bar.PaneRect(2), QRect(500, 2, 100, 19));
        ASSERT_EQ(bar.PaneRect(1), QRect(398, 2, 100, 19));
        ASSERT_EQ(bar.PaneRect(0), QRect(0, 2, 396, 19));
        const QImage shot = Shot(bar);
        for (int left : {398, 500}) {
            for (int y = 3; y <= 16; ++y) {
                EXPECT_EQ(At(shot, left - 2, y), QColor(182, 180, 180)) << left << "," << y;
                EXPECT_EQ(At(shot, left - 1, y), QColor(Qt::white)) << left << "," << y;
            }
            if (withPicture) {
                EXPECT_NE(At(shot, left - 2, 2), QColor(182, 180, 180));
                EXPECT_NE(At(shot, left - 2, 17), QColor(182, 180, 180));
            }
        }
    }
}

// Pane 0's text starts 15 pixels in; the other panes centre theirs.
TEST_F(StatusBar, PlacesThePaneTexts)
{
    CStatusBarEx bar(nullptr, m_skins.Path() / "none");
    bar.resize(600, 21);
    const QImage blank = Shot(bar);
    bar.SetPaneText(0, QStringLiteral("Ready"));
    bar.SetPaneText(2, QStringLiteral("50.0%"));
    const QImage shot = Shot(bar);
    int minX = 600, maxX = -1, minX2 = 600, maxX2 = -1;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 600; ++x) {
            if (shot.pixel(x, y) == blank.pixel(x, y))
                continue;
            int& lo = x < 396 ? minX : minX2;
            int& hi = x < 396 ? maxX : maxX2;
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
    EXPECT_GE(minX, 15);
    EXPECT_LE(minX, 17);
    ASSERT_GE(maxX2, minX2);
    // Centred in x 502 to 599 within a pixel or two of rounding.
    EXPECT_NEAR((minX2 + maxX2) / 2.0, (502 + 599) / 2.0, 2.0);
}

}  // namespace
