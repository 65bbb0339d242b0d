#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "controls/DlgAbout.h"
#include "controls/PxSkinButton.h"
#include "tests/MouseEvents.h"
#include "tests/ui/SkinPictures.h"

namespace {

using skintest::At;
using skintest::Shot;

const QColor kBack(240, 230, 200);

class AboutBox : public testing::Test {
protected:
    void SetUp() override
    {
        m_skins.Write("about.png", 420, 300, skintest::Solid(kBack));
        m_skins.Write("ok_up.jpg", 70, 24, skintest::Solid(Qt::darkGreen));
        m_skins.Write("ok_down.jpg", 70, 24, skintest::Solid(Qt::green));
    }
    skintest::SkinFolder m_skins;
};

TEST_F(AboutBox, TakesThePicturesSizeWithRoundedCorners)
{
    CDlgAbout about(nullptr, m_skins.Path());
    EXPECT_EQ(about.size(), QSize(420, 300));
    EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(about.OkButton().geometry(), QRect(328, 265, 70, 24));
    // Version line from this program's own block.
    EXPECT_EQ(about.VersionLine(), QStringLiteral("Version : 1. 0. 2"));

    const QRegion mask = about.mask();
    EXPECT_EQ(mask.boundingRect(), QRect(0, 0, 420, 300));
    for (QPoint in : {QPoint(210, 150), QPoint(0, 150), QPoint(419, 150), QPoint(210, 0), QPoint(210, 299),
                      QPoint(2, 2), QPoint(417, 297)})
        EXPECT_TRUE(mask.contains(in)) << in.x() << "," << in.y();
    for (QPoint out : {QPoint(0, 0), QPoint(419, 0), QPoint(0, 299), QPoint(419, 299)})
        EXPECT_FALSE(mask.contains(out)) << out.x() << "," << out.y();

    const QImage shot = Shot(about);
    EXPECT_EQ(At(shot, 200, 100), kBack);
    EXPECT_EQ(At(shot, 330, 270), QColor(Qt::darkGreen));
    // Dark text somewhere along the version line.
    int dark = 0;
    for (int y = 156; y < 172; ++y)
        for (int x = 268; x < 400; ++x)
            dark += qGray(shot.pixel(x, y)) < 100;
    EXPECT_GT(dark, 20);
}

TEST_F(AboutBox, ClosesWithOkEnterAndEscape)
{
    struct Case {
        const char* name;
        std::function<void(CDlgAbout&)> act;
        int result;
    };
    const Case cases[] = {
        {"OK", [](CDlgAbout& a) { QTest::mouseClick(&a.OkButton(), Qt::LeftButton, {}, QPoint(5, 5)); },
         QDialog::Accepted},
        {"Enter", [](CDlgAbout& a) { QTest::keyClick(&a, Qt::Key_Return); }, QDialog::Accepted},
        {"Escape", [](CDlgAbout& a) { QTest::keyClick(&a, Qt::Key_Escape); }, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        CDlgAbout about(nullptr, m_skins.Path());
        about.setResult(-1);
        about.show();
        c.act(about);
        EXPECT_FALSE(about.isVisible()) << c.name;
        EXPECT_EQ(about.result(), c.result) << c.name;
    }
}

TEST_F(AboutBox, FollowsADragOfItsPicture)
{
    CDlgAbout about(nullptr, m_skins.Path());
    about.move(100, 100);
    about.show();
    const QPoint start = about.pos();
    mouse::Press(about, {50, 50});
    mouse::Move(about, {80, 70});
    EXPECT_EQ(about.pos(), start + QPoint(30, 20));
}

// Without about.png the box has nothing to show; it still opens and closes.
TEST_F(AboutBox, WithoutItsPictureIsEmpty)
{
    CDlgAbout about(nullptr, m_skins.Path() / "none");
    EXPECT_EQ(about.size(), QSize(0, 0));
    EXPECT_TRUE(about.mask().isEmpty());
    about.show();
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
}

}  // namespace
