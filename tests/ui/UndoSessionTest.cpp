// A long random editing session through the program's own controls: after
// every operation the card must hold together, and undoing all of it must
// give back the first card to the byte, redoing all of it the last.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>

#include "bars/DlgBarMain.h"
#include "bars/DlgBarPhoto.h"
#include "bars/DlgTemplateSel.h"
#include "controls/PxSkinButton.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "tests/MouseEvents.h"
#include "tests/app/TemplateFolder.h"
#include "tests/app/TemplateTree.h"
#include "tests/ui/WhenModal.h"
#include "ui/MainFrame.h"
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

std::vector<std::uint8_t> RenderBytes(CLumivexDoc& document)
{
    HBITMAP bitmap = document.RenderCardBitmap();
    if (!bitmap)
        return {};
    std::vector<std::uint8_t> bytes(bitmap->pixels.begin(), bitmap->pixels.end());
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
        m_templates = std::make_unique<CDlgTemplateSel>(m_document, std::vector{m_tree.Path() / "t"}, &m_frame);
    }
    CLumivexView& View() { return m_frame.GetView(); }
    const WorkArea& Card() const { return m_document.Card(); }

    QPoint RandomPoint()
    {
        return {int(m_random() % unsigned(View().width())), int(m_random() % unsigned(View().height()))};
    }
    void Drag(QPoint from, QPoint to, Qt::MouseButton button) { mouse::Drag(View(), from, to, button); }
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
        mouse::Click(View(), at);
        QTest::keyClicks(&View().GetEditor(), QString::number(m_random() % 100000));
        QTest::keyClick(&View().GetEditor(), Qt::Key_Return);
    }
    // A double click: a text under it is edited and a digit added.
    void EditTextAt(QPoint at)
    {
        mouse::DoubleClick(View(), at);
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
    case 4: mouse::Press(View(), RandomPoint());
        mouse::Release(View(), RandomPoint());
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
    case 11: photoBar.Button(m_random() % 2 ? IDC_PHOTO_ZOOM_OUT : IDC_PHOTO_ZOOM_IN)->click(); break;
    case 12: photoBar.Button(m_random() % 2 ? IDC_PHOTO_FLIP : IDC_PHOTO_MIRROR)->click(); break;
    case 13: photoBar.Button(m_random() % 2 ? IDC_PHOTO_ROTATE_RIGHT : IDC_PHOTO_ROTATE_LEFT)->click(); break;
    case 14: m_document.SetSelectedTextColor(RGB(m_random() % 256, 40, 200)); break;
    case 15: m_document.SetSelectedTextHeight(-LONG(12 + m_random() % 60)); break;
    case 16: m_document.AlignSelectedText(int(m_random() % 3)); break;
    case 17: m_templates->ApplyTemplate(int(m_random() % 2)); break;
    case 18: Key(Qt::Key_F); break;
    default:
        if (m_random() % 4 == 0) {
            // A changed card is let go when New asks.
            if (m_document.IsModified())
                WhenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
            m_frame.Commands().newCard->trigger();
        }
        else
            m_document.SetSelectedTextFace(m_random() % 2 ? u"Arial" : u"Times New Roman");
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
    const std::vector<std::uint8_t> first = RenderBytes(m_document);
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
        const std::vector<std::uint8_t> last = RenderBytes(m_document);
        const std::size_t steps = m_document.GetHistory().UndoCount();
        ASSERT_LT(steps, CardHistory::kDefaultLimit);
        for (std::size_t i = 0; i < steps; ++i) {
            View().Undo();
            ExpectCardHoldsTogether(-1);
        }
        ASSERT_EQ(RenderBytes(m_document), first) << "round " << round;
        ASSERT_FALSE(m_document.IsModified());
        for (std::size_t i = 0; i < steps; ++i)
            View().Redo();
        ASSERT_EQ(RenderBytes(m_document), last) << "round " << round;
        for (std::size_t i = 0; i < steps; ++i)
            View().Undo();
    }
}

}  // namespace
