// Skins on dense screens: a widget rendered at two device pixels per layout
// pixel shows each picture's name@2x partner pixel for pixel, over the same
// layout rectangles as the picture itself; at one it shows the picture.
#include <gtest/gtest.h>

#include "controls/PxSkinButton.h"
#include "controls/StatusBarEx.h"
#include "tests/ui/SkinPictures.h"

namespace {

using skintest::At;

const QColor kUp(200, 30, 30);

// A partner whose every device pixel differs from its neighbours, so that a
// picture enlarged from the 1x one (2 x 2 blocks) cannot pass for it.
QColor Detail(int x, int y)
{
    return QColor(x % 256, (y * 5) % 256, (x + y) % 2 ? 255 : 0);
}

// What the widget paints on a surface of the ratio, in device pixels.
QImage ShotAt(QWidget& widget, qreal ratio)
{
    QImage shot(widget.size() * ratio, QImage::Format_RGB32);
    shot.setDevicePixelRatio(ratio);
    shot.fill(Qt::black);
    widget.render(&shot);
    return shot;
}

// Every device pixel of the shot within pixels has the colour expected gives
// it; the first few that differ are reported.
void ExpectPixels(const QImage& shot, const QRect& pixels, const skintest::Painter& expected, const char* what)
{
    int wrong = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            if (At(shot, x, y) != expected(x, y) && ++wrong <= 3)
                ADD_FAILURE() << what << ": device pixel " << x << "," << y;
}

class DoubledSkin : public testing::Test {
protected:
    skintest::SkinFolder m_skins;
};

TEST_F(DoubledSkin, ButtonShowsThePartnerOfItsPictureAtRatioTwo)
{
    m_skins.Write("b_up.jpg", 20, 10, skintest::Solid(kUp));
    m_skins.Write("b_up@2x.jpg", 40, 20, Detail);
    PxSkinButton button;
    button.LoadSkinImages(m_skins.Path() / "b_up.jpg", m_skins.Path() / "b_down.jpg");
    ASSERT_EQ(button.size(), QSize(20, 10)) << "the layout size is the 1x picture's";

    const QImage dense = ShotAt(button, 2);
    ASSERT_EQ(dense.size(), QSize(40, 20));
    ExpectPixels(dense, dense.rect(), Detail, "ratio 2");
    const QImage plain = ShotAt(button, 1);
    ExpectPixels(plain, plain.rect(), skintest::Solid(kUp), "ratio 1");

    // A partner that is not twice the picture's size is passed over.
    m_skins.Write("b_up@2x.jpg", 40, 21, Detail);
    button.LoadSkinImages(m_skins.Path() / "b_up.jpg", m_skins.Path() / "b_down.jpg");
    const QImage fallback = ShotAt(button, 2);
    ExpectPixels(fallback, fallback.rect(), skintest::Solid(kUp), "wrong-sized partner");
}

// The status bar copies its picture's left 2 and right 24 columns and
// stretches the middle: on a dense surface the partner's left 4 and right 48
// device columns land there, every one of their rows included.
TEST_F(DoubledSkin, StatusBarTakesItsPiecesFromThePartner)
{
    m_skins.Write("status.jpg", 100, 21, skintest::Solid(kUp));
    m_skins.Write("status@2x.jpg", 200, 42, Detail);
    CStatusBarEx bar(nullptr, m_skins.Path());
    bar.resize(600, 21);

    const QImage dense = ShotAt(bar, 2);
    ASSERT_EQ(dense.size(), QSize(1200, 42));
    ExpectPixels(dense, QRect(0, 0, 4, 42), Detail, "left piece");
    ExpectPixels(dense, QRect(1152, 0, 48, 42), [](int x, int y) { return Detail(x - 1000, y); }, "right piece");
    // The stretched middle shows the partner's columns 4 to 151, in order.
    int previous = 4;
    for (int x = 4; x < 1152; ++x) {
        const int column = At(dense, x, 41).red();
        ASSERT_GE(column, previous) << x;
        ASSERT_LE(column, 151) << x;
        previous = column;
    }
}

}  // namespace
