// The card view on a scaled screen. The suite runs at whatever device pixel
// ratio the environment sets (QT_SCALE_FACTOR): ctest runs it at 1, 1.5 and
// 2. Every expectation is written in terms of the ratio the view reports.
#include <gtest/gtest.h>

#include <cmath>

#include <QTest>

#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "tests/MouseEvents.h"
#include "tests/app/TemplateFolder.h"
#include "tests/view/FakeViewHost.h"
#include "view/LumivexView.h"

namespace {

// A 1200 x 800 card (window at 400..800 x 200..600) in a view of 600 x 400
// widget pixels.
class ScaledView : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Written());
        m_view.show();
        m_view.resize(600, 400);
        m_view.SetMode(MODE_TEMPLATE);
        m_ratio = m_view.devicePixelRatioF();
    }
    const WorkArea& Card() const { return m_document.Card(); }
    // The widget position whose device pixel is p (its pixel's middle).
    QPointF At(POINT p) const { return QPointF(p.x + 0.5, p.y + 0.5) / m_ratio; }
    void Send(QEvent::Type type, POINT p, Qt::MouseButtons held = Qt::LeftButton)
    {
        mouse::Send(m_view, type, At(p), Qt::LeftButton, held);
    }
    LONG Device(LONG widgetPixels) const { return LONG(std::lround(widgetPixels * m_ratio)); }

    testtemplates::TemplateFolder m_folder{1200, 800, {400, 200, 800, 600}};
    CLumivexDoc m_document{m_folder.Path()};
    FakeHost m_host;
    CLumivexView m_view{m_document, &m_host};
    qreal m_ratio = 1;
};

TEST_F(ScaledView, TheCardIsComposedAndFittedAtDevicePixels)
{
    // The run's ratio is the one its environment asked for.
    EXPECT_EQ(m_ratio, qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble());
    const MemoryCanvas* back = m_view.GetBackBuffer();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Info().bmiHeader.biWidth, Device(600));
    EXPECT_EQ(std::abs(back->Info().bmiHeader.biHeight), Device(400));
    // The card fills the client as a client of that many pixels is filled.
    EXPECT_EQ(Card().GetFrameSize(), (SIZE{Device(600), Device(400)}));
    EXPECT_EQ(m_host.panes[2], QString::asprintf("%.1f%%", 100.0 * Device(600) / 1200));
}

TEST_F(ScaledView, ClicksAndDragsLandOnTheirDevicePixels)
{
    auto photo = cardfixtures::Photo(Device(100), Device(50), {Device(100), Device(100)});
    const ImageEx* placed = photo.get();
    m_document.Place(std::move(photo));
    m_view.SetMode(MODE_PHOTO);
    const RECT box = m_view.GetTracker().m_rect;
    const POINT o = Card().GetOrigin();
    EXPECT_EQ(box.left, o.x + Device(100));

    // Handles keep their size on screen: 7 widget pixels.
    const RECT handle = m_view.GetTracker().GetHandleRect(CTrackerEx::HIT_BOTTOM_RIGHT);
    EXPECT_EQ(handle.right - handle.left, Device(7));
    EXPECT_EQ(handle.right, box.right);

    // The bottom-right corner, dragged by 50 device pixels to the right: the
    // photo widens by exactly that, its ratio kept.
    const POINT corner{box.right - 1, box.bottom - 1}, to{corner.x + 50, corner.y};
    Send(QEvent::MouseButtonPress, corner);
    Send(QEvent::MouseMove, to);
    Send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    EXPECT_EQ(placed->GetSize().cx, Device(100) + 50);
    EXPECT_EQ(placed->GetPos().x, Device(100));

    // A click just left of the box lies off the photo, one on its first
    // column on it.
    Send(QEvent::MouseButtonPress, {box.left - 1, box.top + 20});
    Send(QEvent::MouseButtonRelease, {box.left - 1, box.top + 20}, Qt::NoButton);
    EXPECT_NE(Card().GetSelected(), placed);
    Send(QEvent::MouseButtonPress, {box.left, box.top + 20});
    Send(QEvent::MouseButtonRelease, {box.left, box.top + 20}, Qt::NoButton);
    EXPECT_EQ(Card().GetSelected(), placed);

    // The arrow keys move it by a point on screen, Shift by ten.
    const POINT at = placed->GetPos();
    QTest::keyClick(&m_view, Qt::Key_Right);
    QTest::keyClick(&m_view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(placed->GetPos().x, at.x + Device(1));
    EXPECT_EQ(placed->GetPos().y, at.y + Device(10));
}

TEST_F(ScaledView, ATextTypedAtAClickLandsThere)
{
    const POINT click{Device(150), Device(300)};
    m_view.SetMode(MODE_ADD_TEXT);
    Send(QEvent::MouseButtonPress, click);
    Send(QEvent::MouseButtonRelease, click, Qt::NoButton);
    CEditEx& editor = m_view.GetEditor();
    ASSERT_TRUE(editor.isVisible());
    EXPECT_EQ(editor.GetLinesOrigin().x, click.x + CEditEx::kTextMargin);
    EXPECT_EQ(editor.GetLinesOrigin().y, click.y);
    // The widget covers its placement, shown a line right and down.
    const QRectF shown(QPointF(editor.geometry().topLeft()) * m_ratio, QSizeF(editor.size()) * m_ratio);
    const RECT placement = editor.GetPlacement();
    EXPECT_LE(shown.left(), placement.left + Device(1));
    EXPECT_GT(shown.left() + m_ratio, placement.left + Device(1));
    EXPECT_GE(shown.right(), placement.right + Device(1) - 1);

    QTest::keyClicks(&editor, QStringLiteral("Hi"));
    // An input method is told where the caret is painted, in widget points.
    const QRectF caret = editor.inputMethodQuery(Qt::ImCursorRectangle).toRectF().translated(editor.pos());
    QTest::keyClick(&editor, Qt::Key_Return);
    const auto* text = dynamic_cast<const TextEx*>(Card().GetElements().back().get());
    ASSERT_TRUE(text);
    EXPECT_EQ(text->GetText(), u"Hi");
    const POINT o = Card().GetOrigin();
    EXPECT_EQ(text->GetLinesRect().left + o.x, click.x + CEditEx::kTextMargin);
    EXPECT_EQ(text->GetLinesRect().top + o.y, click.y);
    // After the last glyph, one line right and down as the card is shown.
    EXPECT_NEAR(caret.left() * m_ratio, text->GetLinesRect().right + o.x + Device(1), 2 * m_ratio);
    EXPECT_NEAR(caret.top() * m_ratio, click.y + Device(1), m_ratio);
}

}  // namespace
