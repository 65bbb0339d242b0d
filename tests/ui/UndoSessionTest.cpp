// A long random editing session through the program's own controls: after
// every operation the card must hold together, and undoing all of it must
// give back the first card to the byte, redoing all of it the last.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

#include "bars/DlgBarMain.h"
#include "bars/DlgBarPhoto.h"
#include "bars/DlgTemplateSel.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "tests/app/TemplateFolder.h"
#include "tests/app/TemplateTree.h"
#include "ui/MainFrame.h"
#include "model/CardRender.h"
#include "view/LumivexView.h"

namespace {

using testtemplates::TemplateFolder;
using testtemplates::TemplateTree;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif
// Operations per round and rounds: fewer under the sanitizers.
constexpr int kOperations = 60;
constexpr int kRounds = kSanitized ? 8 : 40;

std::vector<std::uint8_t> RenderBytes(CLumivexView& view)
{
    HBITMAP bitmap = view.RenderCardBitmap();
    if (!bitmap)
        return {};
    std::vector<std::uint8_t> bytes = bitmap->pixels;
    DeleteObject(bitmap);
    return bytes;
}

class UndoSession : public testing::Test {
protected:
    void SetUp() override
    {
        m_tree.Add("t", "Cards", "wide", 900, 600);
        m_tree.Add("t", "Cards", "tall", 600, 900);
        m_frame.show();
        m_frame.resize(900, 700);
        m_templates = std::make_unique<CDlgTemplateSel>(View(), std::vector{m_tree.Path() / "t"}, &m_frame);
    }
    CLumivexView& View() { return m_frame.GetView(); }
    WorkArea& Card() { return m_document.m_workArea; }

    QPoint RandomPoint()
    {
        return {int(m_random() % unsigned(View().width())), int(m_random() % unsigned(View().height()))};
    }
    void Mouse(QEvent::Type type, QPoint p, Qt::MouseButton button)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(p), View().mapToGlobal(QPointF(p)),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QApplication::sendEvent(&View(), &event);
    }
    void Drag(QPoint from, QPoint to, Qt::MouseButton button)
    {
        Mouse(QEvent::MouseButtonPress, from, button);
        Mouse(QEvent::MouseMove, (from + to) / 2, button);
        Mouse(QEvent::MouseMove, to, button);
        Mouse(QEvent::MouseButtonRelease, to, button);
    }
    // A point in the outer band of the selection's tracker, where a right
    // drag rotates a photo.
    QPoint TrackerBand()
    {
        const RECT r = View().GetTracker().m_rect;
        const LONG w = std::max<LONG>(1, (r.right - r.left) / 8), h = std::max<LONG>(1, (r.bottom - r.top) / 8);
        return {int(r.left + LONG(m_random() % unsigned(w))), int(r.top + LONG(m_random() % unsigned(h)))};
    }
    void Key(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&View(), &event);
    }
    void TypeText(QPoint at)
    {
        View().SetMode(MODE_ADD_TEXT);
        Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton);
        QTest::keyClicks(&View().GetEditor(), QString::number(m_random() % 100000));
        QTest::keyClick(&View().GetEditor(), Qt::Key_Return);
    }
    // A double click: a text under it is edited and a digit added.
    void EditTextAt(QPoint at)
    {
        Mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton);
        if (View().GetMode() != MODE_EDITING)
            return;
        QTest::keyClicks(&View().GetEditor(), QString::number(m_random() % 10));
        QTest::keyClick(&View().GetEditor(), Qt::Key_Return);
    }
    void RandomOperation();
    void ExpectCardHoldsTogether(int operation);

    TemplateTree m_tree{"undo-session"};
    TemplateFolder m_folder{1200, 800, {400, 200, 800, 600}, "undo-session"};
    CLumivexDoc m_document{m_folder.Path()};
    CMainFrame m_frame{m_document};
    std::unique_ptr<CDlgTemplateSel> m_templates;
    std::mt19937 m_random{20261209};
};

void UndoSession::RandomOperation()
{
    CDlgBarPhoto& photoBar = m_frame.GetPhotoBar();
    const bool selected = Card().GetSelected() != nullptr;
    switch (m_random() % 20) {
    case 0:
    case 1:
        if (Card().GetElements().size() < 8) {
            const std::uint32_t w = 40 + m_random() % 200, h = 40 + m_random() % 200;
            m_document.PlacePhoto(testimages::Random(w, h, 24, false, m_random()));
            View().SetMode(MODE_PHOTO);
        }
        break;
    case 2:
        if (m_random() % 2)
            TypeText(RandomPoint());
        else
            EditTextAt(RandomPoint());
        break;
    case 3:
    case 4: Mouse(QEvent::MouseButtonPress, RandomPoint(), Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, RandomPoint(), Qt::LeftButton);
        break;
    case 5:
    case 6:
    case 7: Drag(RandomPoint(), RandomPoint(), Qt::LeftButton); break;
    case 8:
        if (selected)
            Drag(TrackerBand(), RandomPoint(), Qt::RightButton);
        break;
    case 9: Key(Qt::Key_Delete); break;
    case 10: Key(m_random() % 2 ? Qt::Key_Left : Qt::Key_Down); break;
    case 11: m_random() % 2 ? photoBar.OnZoomOut() : photoBar.OnZoomIn(); break;
    case 12: m_random() % 2 ? photoBar.OnFlip() : photoBar.OnMirror(); break;
    case 13: photoBar.OnRotate(m_random() % 2 ? 90.0f : -90.0f); break;
    case 14: View().SetSelectedTextColor(RGB(m_random() % 256, 40, 200)); break;
    case 15: View().SetSelectedTextHeight(-LONG(12 + m_random() % 60)); break;
    case 16: View().AlignSelectedText(int(m_random() % 3)); break;
    case 17: m_templates->ApplyTemplate(int(m_random() % 2)); break;
    case 18: Key(Qt::Key_F); break;
    default:
        if (m_random() % 4 == 0)
            m_frame.GetMainBar().OnNew();
        else
            View().SetSelectedTextFace(m_random() % 2 ? u"Arial" : u"Times New Roman");
        break;
    }
}

void UndoSession::ExpectCardHoldsTogether(int operation)
{
    int frames = 0;
    bool selectionFound = Card().GetSelected() == nullptr;
    for (const auto& element : Card().GetElements()) {
        frames += element->m_nKind == ELEMENT_TEMPLATE_FRAME;
        selectionFound = selectionFound || element.get() == Card().GetSelected();
    }
    ASSERT_EQ(frames, 1) << "after operation " << operation;
    ASSERT_NE(Card().GetFrame(), nullptr);
    ASSERT_EQ(Card().GetFrame()->m_nKind, ELEMENT_TEMPLATE_FRAME);
    ASSERT_TRUE(selectionFound) << "after operation " << operation;
    if (const ElementBase* selected = Card().GetSelected()) {
        const RECT r = View().GetTracker().m_rect;
        const POINT o = Card().GetOrigin(), pos = selected->GetPos();
        const SIZE size = selected->GetSize();
        ASSERT_EQ(r.left, o.x + pos.x) << "after operation " << operation;
        ASSERT_EQ(r.top, o.y + pos.y) << "after operation " << operation;
        ASSERT_EQ(r.right - r.left, size.cx) << "after operation " << operation;
        ASSERT_EQ(r.bottom - r.top, size.cy) << "after operation " << operation;
    }
}

// Each round starts from the first card with an empty history, so that all
// of its steps are kept: undone, redone, then undone again for the next
// round, whose first change drops the redo branch.
TEST_F(UndoSession, UndoingAllGivesTheFirstCardAndRedoingAllTheLast)
{
    const std::vector<std::uint8_t> first = RenderBytes(View());
    ASSERT_FALSE(first.empty());
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < kOperations; ++i) {
            RandomOperation();
            ExpectCardHoldsTogether(round * kOperations + i);
            if (HasFatalFailure())
                return;
        }
        View().Undo();  // ends an open editor first, then undoes its text
        View().Redo();
        const std::vector<std::uint8_t> last = RenderBytes(View());
        const std::size_t steps = View().GetHistory().UndoCount();
        ASSERT_LT(steps, CardHistory::kDefaultLimit);
        for (std::size_t i = 0; i < steps; ++i) {
            View().Undo();
            ExpectCardHoldsTogether(-1);
        }
        ASSERT_EQ(RenderBytes(View()), first) << "round " << round;
        ASSERT_FALSE(Card().IsModified());
        for (std::size_t i = 0; i < steps; ++i)
            View().Redo();
        ASSERT_EQ(RenderBytes(View()), last) << "round " << round;
        for (std::size_t i = 0; i < steps; ++i)
            View().Undo();
    }
}

}  // namespace
