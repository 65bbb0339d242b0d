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
        m_document.Place(cardfixtures::Photo(120, 80, {30, 40}));
        m_view.SetMode(MODE_PHOTO);
        m_document.MarkSaved();  // as if just saved
    }
    const WorkArea& Card() const { return m_document.Card(); }
    const ImageEx* SelectedPhoto() { return dynamic_cast<const ImageEx*>(Card().GetSelected()); }

    TemplateFolder m_folder{1200, 800, {400, 200, 800, 600}};
    CLumivexDoc m_document{m_folder.Path()};
    FakeHost m_host;
    CLumivexView m_view{m_document, &m_host};
};

TEST_F(History, ModifiedFlagFollowsUndoToTheSavedState)
{
    m_document.DeleteSelection();
    EXPECT_TRUE(m_document.IsModified());
    m_view.Undo();
    EXPECT_FALSE(m_document.IsModified());
    ASSERT_NE(SelectedPhoto(), nullptr);  // the deleted photo is back, selected
    EXPECT_EQ(m_view.GetMode(), MODE_PHOTO);
    m_view.Redo();
    EXPECT_TRUE(m_document.IsModified());
    EXPECT_EQ(Card().GetElements().size(), 1u);

    // A save after the change: the state before it is no longer the saved one.
    m_document.MarkSaved();
    m_view.Undo();
    EXPECT_TRUE(m_document.IsModified());
    m_view.Redo();
    EXPECT_FALSE(m_document.IsModified());
}

TEST_F(History, ArrowMovesMergeAndUndoPutsThePhotoBack)
{
    const RECT before = m_view.GetTracker().m_rect;
    const std::size_t placed = m_document.GetHistory().UndoCount();
    for (int i = 0; i < 5; ++i)
        m_document.MoveSelection(3, -1);
    EXPECT_EQ(m_document.GetHistory().UndoCount(), placed + 1);
    m_view.Undo();
    ASSERT_NE(SelectedPhoto(), nullptr);
    EXPECT_EQ(SelectedPhoto()->GetPos().x, 30);
    EXPECT_EQ(SelectedPhoto()->GetPos().y, 40);
    EXPECT_EQ(m_view.GetTracker().m_rect.left, before.left);
    EXPECT_EQ(m_view.GetTracker().m_rect.bottom, before.bottom);
    // An undo ends the merging: the next arrow press is a step of its own.
    m_view.Redo();
    m_document.MoveSelection(1, 0);
    EXPECT_EQ(m_document.GetHistory().UndoCount(), placed + 2);
}

TEST_F(History, IsBoundedAndANewChangeDropsTheRedoBranch)
{
    for (std::size_t i = 0; i < CardHistory::kDefaultLimit + 20; ++i)
        m_document.MirrorSelectedPhoto();
    EXPECT_EQ(m_document.GetHistory().UndoCount(), CardHistory::kDefaultLimit);
    for (std::size_t i = 0; i < CardHistory::kDefaultLimit + 5; ++i)
        m_view.Undo();
    EXPECT_EQ(m_document.GetHistory().UndoCount(), 0u);
    EXPECT_EQ(m_document.GetHistory().RedoCount(), CardHistory::kDefaultLimit);
    m_document.MoveSelection(1, 0);
    EXPECT_EQ(m_document.GetHistory().RedoCount(), 0u);
    EXPECT_EQ(m_document.GetHistory().UndoCount(), 1u);
}

}  // namespace
