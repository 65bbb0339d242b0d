#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include "controls/PxSkinButton.h"
#include "tests/MouseEvents.h"
#include "tests/ui/SkinPictures.h"

namespace {

using skintest::At;
using skintest::Shot;
using skintest::Solid;

const QColor kUp(200, 30, 30);
const QColor kDown(30, 30, 200);

void Enter(QWidget& widget)
{
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget.mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(&widget, &event);
}

void Leave(QWidget& widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

class SkinButton : public testing::Test {
protected:
    void Load(PxSkinButton& button, QSize down = {20, 10})
    {
        button.LoadSkinImages(m_skins.Write("b_up.jpg", 20, 10, Solid(kUp)),
                              m_skins.Write("b_down.jpg", down.width(), down.height(), Solid(kDown)));
    }
    skintest::SkinFolder m_skins;
    QWidget m_parent;
};

TEST_F(SkinButton, TakesTheSizeOfItsUpPicture)
{
    PxSkinButton button(&m_parent);
    button.move(30, 40);
    Load(button, {7, 3});
    EXPECT_EQ(button.geometry(), QRect(0, 0, 20, 10));
    EXPECT_EQ(button.sizeHint(), QSize(20, 10));

    // Without its up picture the button is 0 by 0, even after a good load.
    button.LoadSkinImages(m_skins.Path() / "missing_up.jpg", m_skins.Path() / "b_down.jpg");
    EXPECT_EQ(button.size(), QSize(0, 0));
}

// Which picture each state shows, on the pixels; the down picture is
// smaller than the button and stretched over all of it.
TEST_F(SkinButton, ShowsTheDownPictureWhilePressedHoveredOrHeld)
{
    struct Case {
        const char* name;
        std::function<void(PxSkinButton&)> act;
        QColor expected;
    };
    const Case cases[] = {
        {"untouched", [](PxSkinButton&) {}, kUp},
        {"hovered", [](PxSkinButton& b) { Enter(b); }, kDown},
        {"hovered then left", [](PxSkinButton& b) { Enter(b); Leave(b); }, kUp},
        {"held", [](PxSkinButton& b) { b.SetHeld(true); }, kDown},
        {"held, hovered and left", [](PxSkinButton& b) { b.SetHeld(true); Enter(b); Leave(b); }, kDown},
        {"held then released", [](PxSkinButton& b) { b.SetHeld(true); b.SetHeld(false); }, kUp},
        {"pressed", [](PxSkinButton& b) { mouse::Send(b, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton); }, kDown},
        {"pressed and dragged off",
         [](PxSkinButton& b) {
             Enter(b);
             mouse::Send(b, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
             mouse::Send(b, QEvent::MouseMove, {40, 5}, Qt::NoButton, Qt::LeftButton);
         },
         kUp},
        {"dragged off and back",
         [](PxSkinButton& b) {
             mouse::Send(b, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
             mouse::Send(b, QEvent::MouseMove, {40, 5}, Qt::NoButton, Qt::LeftButton);
             mouse::Send(b, QEvent::MouseMove, {6, 6}, Qt::NoButton, Qt::LeftButton);
         },
         kDown},
        {"hovered while disabled", [](PxSkinButton& b) { b.setEnabled(false); Enter(b); }, kUp},
    };
    for (const Case& c : cases) {
        PxSkinButton button(&m_parent);
        Load(button, {5, 4});
        c.act(button);
        const QImage shot = Shot(button);
        ASSERT_EQ(shot.size(), QSize(20, 10)) << c.name;
        for (QPoint p : {QPoint(0, 0), QPoint(19, 0), QPoint(0, 9), QPoint(19, 9), QPoint(10, 5)})
            EXPECT_EQ(At(shot, p.x(), p.y()), c.expected) << c.name << " at " << p.x() << "," << p.y();
    }
}

TEST_F(SkinButton, MenuOpensAtTheBottomRightAndReportsTheChosenCommand)
{
    m_parent.move(100, 50);
    m_parent.resize(200, 100);
    m_parent.show();
    PxSkinButton button(&m_parent);
    Load(button);
    button.move(30, 20);
    auto* menu = new QMenu;
    QAction* topic = menu->addAction(QStringLiteral("Help Topic"));
    topic->setData(32771);
    QAction* website = menu->addAction(QStringLiteral("Software Website"));
    website->setData(32772);
    QAction* plain = menu->addAction(QStringLiteral("No command"));
    button.AttachPopupMenu(menu);
    ASSERT_EQ(button.PopupMenu(), menu);
    EXPECT_EQ(menu->parent(), &button);

    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QSignalSpy commands(&button, &PxSkinButton::menuCommand);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicked.count(), 1);
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), button.mapToGlobal(QPoint(20, 10)));

    website->trigger();
    plain->trigger();
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), 32772);

    // A new menu replaces the old one, which goes; none makes a plain button.
    QPointer<QMenu> old(menu);
    button.AttachPopupMenu(nullptr);
    EXPECT_TRUE(old.isNull());
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicked.count(), 2);
}

TEST_F(SkinButton, RadioButtonsOfOneParentExcludeEachOther)
{
    PxSkinButton a(&m_parent, PxSkinButton::RadioButton), b(&m_parent, PxSkinButton::RadioButton);
    PxSkinButton box(&m_parent, PxSkinButton::CheckBox), push(&m_parent);
    QWidget elsewhere;
    PxSkinButton other(&elsewhere, PxSkinButton::RadioButton);
    for (PxSkinButton* button : {&a, &b, &box, &push, &other})
        Load(*button);
    box.setChecked(true);
    other.setChecked(true);

    a.setChecked(true);
    b.setChecked(true);
    EXPECT_FALSE(a.isChecked());
    EXPECT_TRUE(b.isChecked());
    EXPECT_TRUE(box.isChecked()) << "only radio buttons are unchecked";
    EXPECT_TRUE(other.isChecked()) << "only radio buttons of the same parent";

    // A click turns a radio button on, never off; a check box toggles; a
    // push button has no check state.
    QTest::mouseClick(&a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(a.isChecked());
    EXPECT_FALSE(b.isChecked());
    QTest::mouseClick(&a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(a.isChecked());
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_FALSE(box.isChecked());
    push.setChecked(true);
    EXPECT_FALSE(push.isChecked());
    // The owner may still clear a radio button.
    a.setChecked(false);
    EXPECT_FALSE(a.isChecked());
}

}  // namespace
