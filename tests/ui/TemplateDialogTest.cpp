#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QTest>

#include "app/LumivexDoc.h"
#include "bars/DlgTemplateSel.h"
#include "controls/PxSkinButton.h"
#include "tests/app/TemplateFolder.h"
#include "tests/app/TemplateTree.h"
#include "ui/MainFrame.h"
#include "view/LumivexView.h"

namespace {

using testtemplates::TemplateFolder;
using testtemplates::TemplateTree;

class TemplateDialog : public testing::Test {
protected:
    void SetUp() override
    {
        m_tree.Add("t", "Birthday", "a", 600, 400);
        m_tree.Add("t", "Birthday", "b", 400, 600);
        m_tree.Add("t", "Birthday", "c-without-thumb", 500, 500, -1);
        m_tree.Add("t", "Wedding", "w", 800, 400, 200);
        m_frame.show();
        m_frame.resize(1000, 800);
        m_dialog = std::make_unique<CDlgTemplateSel>(m_document, std::vector{m_tree.Path() / "t"}, &m_frame);
        m_dialog->show();
    }
    void DoubleClick(int row)
    {
        QListWidget& list = m_dialog->List();
        list.setCurrentRow(row);
        emit list.itemDoubleClicked(list.item(row));
    }
    std::filesystem::path TemplateDir() const { return m_document.TemplateDir(); }
    SIZE CardSize() const { return m_document.Card().GetCardImageSize(); }

    TemplateTree m_tree{"dialog"};
    TemplateFolder m_folder{1200, 800, {400, 200, 800, 600}};
    CLumivexDoc m_document{m_folder.Path()};
    CMainFrame m_frame{m_document};
    std::unique_ptr<CDlgTemplateSel> m_dialog;
};

TEST_F(TemplateDialog, DoubleClickAppliesAtOnceAndOkDoesNotApplyItAgain)
{
    m_document.Place(cardfixtures::Photo(50, 40, {5, 5}));
    DoubleClick(0);
    EXPECT_EQ(TemplateDir(), m_tree.Path() / "t" / "Birthday" / "a");
    EXPECT_EQ(CardSize(), (SIZE{600, 400}));
    EXPECT_EQ(m_document.Card().GetElements().size(), 2u);  // the photo stays
    const ElementBase* applied = m_document.Card().GetFrame();
    m_dialog->OkButton().click();
    EXPECT_EQ(m_document.Card().GetFrame(), applied);  // not loaded again
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
}

TEST_F(TemplateDialog, OkAppliesAnotherSelectionAndCancelKeepsTheDoubleClickedOne)
{
    DoubleClick(0);
    m_dialog->List().setCurrentRow(1);
    m_dialog->OkButton().click();
    EXPECT_EQ(CardSize(), (SIZE{400, 600}));

    CDlgTemplateSel again(m_document, {m_tree.Path() / "t"}, &m_frame);
    again.show();
    again.List().setCurrentRow(0);
    emit again.List().itemDoubleClicked(again.List().item(0));
    again.List().setCurrentRow(1);
    again.CancelButton().click();
    EXPECT_EQ(CardSize(), (SIZE{600, 400}));
    EXPECT_EQ(again.result(), QDialog::Rejected);
}

TEST_F(TemplateDialog, CategoriesSwitchAndAMissingThumbnailKeepsItsFolder)
{
    ASSERT_EQ(m_dialog->CategoryBox().count(), 2);
    EXPECT_EQ(m_dialog->CategoryBox().itemText(0), "Birthday");
    ASSERT_EQ(m_dialog->List().count(), 3);
    EXPECT_NE(m_dialog->Thumbnail(0), nullptr);
    EXPECT_EQ(m_dialog->Thumbnail(2), nullptr);
    DoubleClick(2);  // its item still opens its own template
    EXPECT_EQ(CardSize(), (SIZE{500, 500}));

    m_tree.Add("t", "Birthday", "d-added-while-open");
    m_dialog->CategoryBox().setCurrentIndex(1);
    ASSERT_EQ(m_dialog->List().count(), 1);
    DoubleClick(0);
    EXPECT_EQ(CardSize(), (SIZE{800, 400}));
    m_dialog->CategoryBox().setCurrentIndex(0);
    EXPECT_EQ(m_dialog->List().count(), 3);  // the folder list is read once per opening
}

TEST_F(TemplateDialog, NothingSelectedOrAnUnreadableTemplateChangesNothing)
{
    const std::filesystem::path before = TemplateDir();
    m_dialog->List().clearSelection();
    m_dialog->OkButton().click();
    EXPECT_EQ(TemplateDir(), before);

    std::filesystem::resize_file(m_tree.Path() / "t" / "Birthday" / "b" / "this.tpl", 10);
    CDlgTemplateSel again(m_document, {m_tree.Path() / "t"}, &m_frame);
    again.List().setCurrentRow(1);
    emit again.List().itemDoubleClicked(again.List().item(1));
    EXPECT_EQ(TemplateDir(), before);
    EXPECT_EQ(CardSize(), (SIZE{1200, 800}));
}

}  // namespace
