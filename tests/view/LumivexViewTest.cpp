#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "tests/MouseEvents.h"
#include "tests/app/TemplateFolder.h"
#include "tests/view/FakeViewHost.h"
#include "view/LumivexView.h"

namespace {

using testtemplates::TemplateFolder;

using mouse::Move;
using mouse::Press;
using mouse::Release;

// A 1200 x 800 card (window at 400..800 x 200..600) shown 600 x 400.
class CardView : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Written());
        m_view.show();
        m_view.resize(600, 400);
        m_view.SetMode(MODE_TEMPLATE);
        ASSERT_EQ(Card().GetFrameSize(), (SIZE{600, 400}));
    }
    const WorkArea& Card() const { return m_document.Card(); }
    const ImageEx* AddPhoto(LONG w, LONG h, POINT pos)
    {
        auto photo = cardfixtures::Photo(w, h, pos);
        const ImageEx* raw = photo.get();
        m_document.Place(std::move(photo));
        m_view.SetMode(MODE_PHOTO);
        return raw;
    }
    std::size_t IndexOf(const ElementBase* e)
    {
        const auto& list = Card().GetElements();
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].get() == e)
                return i;
        return list.size();
    }

    TemplateFolder m_folder{1200, 800, {400, 200, 800, 600}};
    CLumivexDoc m_document{m_folder.Path()};
    FakeHost m_host;
    CLumivexView m_view{m_document, &m_host};
};

TEST_F(CardView, StatusGivesFullSizeAndZoom)
{
    EXPECT_EQ(m_host.panes[1], "1200 x 800");
    EXPECT_EQ(m_host.panes[2], "50.0%");
    m_view.resize(1300, 900);  // larger than the card: never above 100%
    EXPECT_EQ(m_host.panes[2], "100.0%");
    EXPECT_EQ(Card().GetOrigin().x, 50);
}

TEST_F(CardView, SetModeTemplateTwiceChangesNothingTheSecondTime)
{
    m_view.SetMode(MODE_TEXT);
    m_view.SetMode(MODE_TEMPLATE);
    EXPECT_EQ(m_host.shown, LowerBar::Template);
    EXPECT_EQ(m_host.panes[0], "Click Help button to get more info");
    const int calls = m_host.calls;
    m_view.GetBackBuffer();
    const int compositions = m_view.CompositionCount();
    m_view.SetMode(MODE_TEMPLATE);
    EXPECT_EQ(m_host.calls, calls);
    m_view.GetBackBuffer();
    EXPECT_EQ(m_view.CompositionCount(), compositions);  // no redraw

    // After editing (mode 5) the next SetMode(0) runs in full.
    m_view.SetMode(MODE_EDITING);
    EXPECT_FALSE(m_host.textBarEnabled);
    m_view.SetMode(MODE_EDIT_DONE);
    EXPECT_TRUE(m_host.textBarEnabled);
    EXPECT_EQ(m_view.GetMode(), MODE_EDIT_DONE);
    const int before = m_host.calls;
    m_view.SetMode(MODE_TEMPLATE);
    EXPECT_GT(m_host.calls, before);
}

TEST_F(CardView, AddTextModeRedrawsOnlyWhenItClearsASelection)
{
    const auto composedAgain = [this] {
        const int before = m_view.CompositionCount();
        m_view.GetBackBuffer();
        return m_view.CompositionCount() != before;
    };
    m_view.GetBackBuffer();
    m_view.SetMode(MODE_ADD_TEXT);
    EXPECT_FALSE(composedAgain());
    EXPECT_EQ(m_host.shown, LowerBar::Text);
    AddPhoto(100, 50, {30, 20});
    m_view.GetBackBuffer();
    m_view.SetMode(MODE_ADD_TEXT);
    EXPECT_EQ(Card().GetSelected(), nullptr);
    EXPECT_TRUE(composedAgain());
}

// Whatever takes the selection away, a photo sinks: a mode change too.
TEST_F(CardView, ModeChangesThatClearTheSelectionSinkThePhoto)
{
    const ImageEx* photo = AddPhoto(100, 50, {30, 20});
    m_view.SetMode(MODE_ADD_TEXT);
    EXPECT_EQ(IndexOf(photo), 0u);
    m_document.Select(photo);
    m_view.SetMode(MODE_PHOTO);
    m_view.ClearSelection();  // Escape
    EXPECT_EQ(IndexOf(photo), 0u);
    m_document.SelectAt({35, 25}, true);
    ASSERT_EQ(Card().GetSelected(), photo);
    EXPECT_EQ(IndexOf(photo), 1u);
    m_view.SetMode(MODE_PHOTO);
    m_view.SetMode(MODE_TEMPLATE);  // the Template button
    EXPECT_EQ(IndexOf(photo), 0u);

    m_host.onTopMost = true;
    m_document.SelectAt({35, 25}, true);
    m_view.SetMode(MODE_PHOTO);
    m_view.SetMode(MODE_ADD_TEXT);
    EXPECT_EQ(Card().GetSelected(), nullptr);
    EXPECT_EQ(IndexOf(photo), 1u);
}

TEST_F(CardView, DeselectedPhotoSinksBelowTheFrameUnlessOnTopMost)
{
    const ImageEx* photo = AddPhoto(100, 50, {30, 20});
    EXPECT_EQ(IndexOf(photo), 1u);  // above the frame
    Press(m_view, {550, 350});      // the frame: nothing is selected there
    Release(m_view, {550, 350});
    EXPECT_EQ(Card().GetSelected(), nullptr);
    EXPECT_EQ(IndexOf(photo), 0u);
    EXPECT_EQ(m_host.shown, LowerBar::Template);

    // Moved into the window and selected again through it; with the
    // toggle on, it stays above the frame when it loses the selection.
    m_document.Select(photo);
    m_document.SetSelectionBounds({220, 120}, photo->GetSize());
    m_document.ClearSelection(true);
    Press(m_view, {240, 130});
    Release(m_view, {240, 130});
    EXPECT_EQ(Card().GetSelected(), photo);
    EXPECT_EQ(IndexOf(photo), 1u);
    EXPECT_EQ(m_host.shown, LowerBar::Photo);
    m_host.onTopMost = true;
    Press(m_view, {550, 350});
    Release(m_view, {550, 350});
    EXPECT_EQ(IndexOf(photo), 1u);
}

TEST_F(CardView, ClickOnAPhotoSelectsItAndDragsIt)
{
    const ImageEx* photo = AddPhoto(100, 50, {30, 20});
    Press(m_view, {550, 350});
    Release(m_view, {550, 350});
    // Moved inside the frame's window, below the frame again.
    m_document.Select(photo);
    m_document.SetSelectionBounds({220, 120}, photo->GetSize());
    m_document.ClearSelection(true);
    Press(m_view, {260, 140});
    Move(m_view, {270, 160});
    Release(m_view, {270, 160});
    EXPECT_EQ(Card().GetSelected(), photo);
    EXPECT_EQ(photo->GetPos().x, 230);
    EXPECT_EQ(photo->GetPos().y, 140);
    EXPECT_EQ(photo->GetSize(), (SIZE{100, 50}));
}

TEST_F(CardView, CornerDragKeepsTheRatioAndSideHandlesOfPhotosDoNothing)
{
    const ImageEx* photo = AddPhoto(100, 50, {100, 100});
    const RECT box = m_view.GetTracker().m_rect;
    // Bottom-right corner out to a 300 x 100 box: the height follows (k = 2).
    Press(m_view, {box.right - 1, box.bottom - 1});
    Move(m_view, {box.left + 299, box.top + 99});
    Release(m_view, {box.left + 299, box.top + 99});
    EXPECT_EQ(photo->GetSize(), (SIZE{300, 150}));

    const RECT grown = m_view.GetTracker().m_rect;
    const QPoint side((grown.left + grown.right) / 2, grown.top + 1);
    Press(m_view, side);
    Move(m_view, side + QPoint(0, -40));
    Release(m_view, side + QPoint(0, -40));
    EXPECT_EQ(photo->GetSize(), (SIZE{300, 150}));
    EXPECT_EQ(photo->GetPos().y, 100);
}

TEST_F(CardView, RightDragInTheOuterBandRotatesInWholeDegrees)
{
    const ImageEx* photo = AddPhoto(200, 100, {100, 100});
    const RECT box = m_view.GetTracker().m_rect;  // 200 x 100 at (100, 100)
    const QPoint centre(box.left + 100, box.top + 50);

    // The middle half of the box does not start a rotation.
    Press(m_view, centre + QPoint(10, 0), Qt::RightButton);
    Move(m_view, centre + QPoint(10, 20), Qt::RightButton);
    Release(m_view, centre + QPoint(10, 20), Qt::RightButton);
    EXPECT_EQ(photo->m_fAngle, 0.0f);

    // In the band: a quarter-degree jitter changes nothing, a larger move
    // turns by its whole degrees, clockwise on screen being positive.
    const QPoint start = centre + QPoint(90, 0);
    Press(m_view, start, Qt::RightButton);
    Move(m_view, start + QPoint(0, 1), Qt::RightButton);  // 0.64 degrees
    EXPECT_EQ(photo->m_fAngle, 0.0f);
    Move(m_view, centre + QPoint(90, 30), Qt::RightButton);  // atan(30 / 90) = 18.4 degrees
    Release(m_view, centre + QPoint(90, 30), Qt::RightButton);
    EXPECT_FLOAT_EQ(photo->m_fAngle, 18.0f);
    EXPECT_TRUE(m_document.IsModified());
}

TEST_F(CardView, DeleteKeyRemovesTheSelection)
{
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(&m_view, &del);  // nothing selected: nothing happens
    EXPECT_EQ(Card().GetElements().size(), 1u);
    AddPhoto(100, 50, {30, 20});
    QApplication::sendEvent(&m_view, &del);
    EXPECT_EQ(Card().GetElements().size(), 1u);
    EXPECT_EQ(Card().GetSelected(), nullptr);
    EXPECT_EQ(m_host.shown, LowerBar::Template);
}

TEST_F(CardView, ArrowKeysMoveTheSelectionAndEscapeClearsIt)
{
    const ImageEx* photo = AddPhoto(100, 50, {30, 20});
    auto key = [&](int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, code, modifiers);
        QApplication::sendEvent(&m_view, &press);
    };
    m_document.MarkSaved();
    key(Qt::Key_Right);
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Left, Qt::ShiftModifier);
    key(Qt::Key_Up);
    EXPECT_EQ(photo->GetPos().x, 21);
    EXPECT_EQ(photo->GetPos().y, 29);
    EXPECT_TRUE(m_document.IsModified());
    EXPECT_EQ(m_view.GetTracker().m_rect.left, Card().GetOrigin().x + 21);

    key(Qt::Key_Escape);
    EXPECT_EQ(Card().GetSelected(), nullptr);
    EXPECT_EQ(m_view.GetMode(), MODE_TEMPLATE);
    EXPECT_EQ(IndexOf(photo), 0u);  // sunk below the frame
    key(Qt::Key_Left);  // nothing selected: nothing moves
    EXPECT_EQ(photo->GetPos().x, 21);
}

TEST_F(CardView, FKeyFitsThePhotoToCoverTheFramesWindow)
{
    const ImageEx* photo = AddPhoto(100, 50, {30, 20});
    QKeyEvent f(QEvent::KeyPress, Qt::Key_F, Qt::NoModifier);
    QApplication::sendEvent(&m_view, &f);
    // The window is 200..400 x 100..300 as shown: the 2:1 photo covers it.
    EXPECT_EQ(photo->GetSize(), (SIZE{400, 200}));
    EXPECT_EQ(photo->GetPos().x, 100);
    EXPECT_EQ(photo->GetPos().y, 100);
    EXPECT_EQ(m_view.GetTracker().m_rect.right, Card().GetOrigin().x + 500);
}

TEST_F(CardView, AlignsTheSelectedTextAcrossTheCard)
{
    auto text = cardfixtures::Text(u"Hello", {17, 30});
    TextEx* raw = text.get();
    m_document.Place(std::move(text));
    m_view.SetMode(MODE_TEXT);
    raw->m_size.cx = 101;
    m_document.AlignSelectedText(1);
    EXPECT_EQ(raw->m_ptPos.x, 249);
    m_document.AlignSelectedText(2);
    EXPECT_EQ(raw->m_ptPos.x, 499);
    m_document.AlignSelectedText(7);
    EXPECT_EQ(raw->m_ptPos.x, 499);
    m_document.AlignSelectedText(0);
    EXPECT_EQ(raw->m_ptPos.x, 0);
    EXPECT_EQ(raw->m_ptPos.y, 30);
}

TEST_F(CardView, WindowShowsTheBackBufferInsideThreeBorderLines)
{
    m_view.RedrawCard();
    const QImage shot = m_view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(600, 400));
    const QRgb border = qRgb(111, 111, 111);
    for (int y : {0, 200, 399}) {
        EXPECT_EQ(shot.pixel(0, y), border);
        EXPECT_EQ(shot.pixel(599, y), border);
    }
    for (int x : {0, 300, 599})
        EXPECT_EQ(shot.pixel(x, 0), border);
    // The back buffer's pixel (x, y) lands on (x + 1, y + 1); no bottom line.
    const MemoryCanvas& buffer = *m_view.GetBackBuffer();
    for (const QPoint p : {QPoint(0, 0), QPoint(250, 150), QPoint(597, 398)}) {
        const std::uint8_t* px = buffer.Row(399 - p.y()) + 3 * p.x();
        EXPECT_EQ(shot.pixel(p + QPoint(1, 1)), qRgb(px[2], px[1], px[0])) << p.x() << "," << p.y();
    }
}

}  // namespace
