#include <gtest/gtest.h>

#include "model/ImageEx.h"
#include "tests/app/TemplateFolder.h"
#include "tests/view/FakeViewHost.h"
#include "view/LumivexView.h"

namespace {

using testtemplates::TemplateFolder;

// A 1200 x 800 card shown 600 x 400 with one selected photo on it.
class History : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Written());
        m_view.show();
        m_view.resize(600, 400);
        Card().AddElement(cardfixtures::Photo(120, 80, {30, 40}));
        m_view.SetMode(MODE_PHOTO);
        Card().SetModified(false);  // as if just saved
    }
    WorkArea& Card() { return m_document.m_workArea; }
    const ImageEx* SelectedPhoto() { return dynamic_cast<const ImageEx*>(Card().GetSelected()); }

    TemplateFolder m_folder{1200, 800, {400, 200, 800, 600}};
    CLumivexDoc m_document{m_folder.Path()};
    FakeHost m_host;
    CLumivexView m_view{m_document, &m_host};
};

TEST_F(History, ModifiedFlagFollowsUndoToTheSavedState)
{
    m_view.DeleteSelection();
    EXPECT_TRUE(Card().IsModified());
    m_view.Undo();
    EXPECT_FALSE(Card().IsModified());
    ASSERT_NE(SelectedPhoto(), nullptr);  // the deleted photo is back, selected
    EXPECT_EQ(m_view.GetMode(), MODE_PHOTO);
    m_view.Redo();
    EXPECT_TRUE(Card().IsModified());
    EXPECT_EQ(Card().GetElements().size(), 1u);

    // A save after the change: the state before it is no longer the saved one.
    Card().SetModified(false);
    m_view.Undo();
    EXPECT_TRUE(Card().IsModified());
    m_view.Redo();
    EXPECT_FALSE(Card().IsModified());
}

TEST_F(History, ArrowMovesMergeAndUndoPutsThePhotoBack)
{
    const RECT before = m_view.GetTracker().m_rect;
    for (int i = 0; i < 5; ++i)
        m_view.MoveSelection(3, -1);
    EXPECT_EQ(m_view.GetHistory().UndoCount(), 1u);
    m_view.Undo();
    ASSERT_NE(SelectedPhoto(), nullptr);
    EXPECT_EQ(SelectedPhoto()->GetPos().x, 30);
    EXPECT_EQ(SelectedPhoto()->GetPos().y, 40);
    EXPECT_EQ(m_view.GetTracker().m_rect.left, before.left);
    EXPECT_EQ(m_view.GetTracker().m_rect.bottom, before.bottom);
    // An undo ends the merging: the next arrow press is a step of its own.
    m_view.Redo();
    m_view.MoveSelection(1, 0);
    EXPECT_EQ(m_view.GetHistory().UndoCount(), 2u);
}

TEST_F(History, IsBoundedAndANewChangeDropsTheRedoBranch)
{
    for (std::size_t i = 0; i < CardHistory::kDefaultLimit + 20; ++i)
        m_view.RecordStep();
    EXPECT_EQ(m_view.GetHistory().UndoCount(), CardHistory::kDefaultLimit);
    for (std::size_t i = 0; i < CardHistory::kDefaultLimit + 5; ++i)
        m_view.Undo();
    EXPECT_EQ(m_view.GetHistory().UndoCount(), 0u);
    EXPECT_EQ(m_view.GetHistory().RedoCount(), CardHistory::kDefaultLimit);
    m_view.MoveSelection(1, 0);
    EXPECT_EQ(m_view.GetHistory().RedoCount(), 0u);
    EXPECT_EQ(m_view.GetHistory().UndoCount(), 1u);
}

}  // namespace
