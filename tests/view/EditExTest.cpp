#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "model/TextEx.h"
#include "tests/MouseEvents.h"
#include "tests/app/TemplateFolder.h"
#include "tests/view/FakeViewHost.h"
#include "view/LumivexView.h"

namespace {

using testtemplates::TemplateFolder;

// A 600 x 400 card shown at full size in a 700 x 500 view: origin (50, 50).
class TextEditing : public testing::Test {
protected:
    void SetUp() override
    {
        m_view.show();
        m_view.resize(700, 500);
        ASSERT_EQ(m_document.Card().GetOrigin().x, 50);
        m_view.SetMode(MODE_TEMPLATE);
    }
    void Click(QPoint p) { mouse::Click(m_view, p); }
    void DoubleClick(QPoint p) { mouse::DoubleClick(m_view, p); }
    std::vector<const TextEx*> Texts() const
    {
        std::vector<const TextEx*> texts;
        for (const auto& e : m_document.Card().GetElements())
            if (auto* t = dynamic_cast<const TextEx*>(e.get()))
                texts.push_back(t);
        return texts;
    }
    void TypeAndEnter(const QString& typed)
    {
        QTest::keyClicks(&m_view.GetEditor(), typed);
        QTest::keyClick(&m_view.GetEditor(), Qt::Key_Return);
    }

    TemplateFolder m_folder{600, 400, {100, 100, 500, 300}};
    CLumivexDoc m_document{m_folder.Path()};
    FakeHost m_host;
    CLumivexView m_view{m_document, &m_host};
};

TEST_F(TextEditing, NewTextLandsWhereItsFirstGlyphStoodInTheEditor)
{
    m_view.SetMode(MODE_ADD_TEXT);
    Click({150, 130});
    EXPECT_EQ(m_view.GetMode(), MODE_EDITING);
    ASSERT_TRUE(m_view.GetEditor().isVisible());
    EXPECT_EQ(m_view.GetEditor().GetPlacement().left, 150);
    EXPECT_EQ(m_view.GetEditor().GetPlacement().right, 700);  // to the view's right edge
    TypeAndEnter("Hello");
    EXPECT_FALSE(m_view.GetEditor().isVisible());
    EXPECT_EQ(m_view.GetMode(), MODE_EDIT_DONE);
    EXPECT_EQ(m_document.Card().GetSelected(), nullptr);
    ASSERT_EQ(Texts().size(), 1u);
    const TextEx* text = Texts()[0];
    EXPECT_EQ(text->GetText(), u"Hello");
    EXPECT_EQ(text->GetPos().x, 150 + CEditEx::kTextMargin - 50);
    EXPECT_EQ(text->GetPos().y, 130 - 50);
    EXPECT_EQ(text->GetLogFont().lfHeight, -64);  // 48 points of Times New Roman
    EXPECT_EQ(text->GetLogFont().lfWidth, 25);
    EXPECT_EQ(text->m_nKind, ELEMENT_USER);
}

TEST_F(TextEditing, EditorShowsTheCardBehindItAndTheTextInItsColour)
{
    m_view.SetMode(MODE_ADD_TEXT);
    Click({150, 130});
    CEditEx& editor = m_view.GetEditor();
    editor.m_crText = RGB(200, 0, 0);
    const QImage empty = editor.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The pixel under the editor's top-left corner in the composition.
    const std::uint8_t* behind = m_view.GetBackBuffer()->Row(500 - 1 - 130) + 3 * 160;
    EXPECT_EQ(empty.pixel(10, 0), qRgb(behind[2], behind[1], behind[0]));
    QTest::keyClicks(&editor, "W");
    editor.clearFocus();  // no caret in the picture
    const QImage typed = editor.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int red = 0;
    for (int y = 0; y < typed.height(); ++y)
        for (int x = 0; x < 60; ++x)
            red += qRed(typed.pixel(x, y)) > 150 && qGreen(typed.pixel(x, y)) < 80;
    EXPECT_GT(red, 50);
}

TEST_F(TextEditing, TypingStopsAtTheRightEdge)
{
    m_view.SetMode(MODE_ADD_TEXT);
    Click({620, 60});
    QTest::keyClicks(&m_view.GetEditor(), "WWWWWWWWWW");
    const QString kept = m_view.GetEditor().text();
    EXPECT_FALSE(kept.isEmpty());
    EXPECT_LT(kept.size(), 10);
}

TEST_F(TextEditing, DoubleClickEditsAnExistingTextInPlace)
{
    auto template_text = cardfixtures::Text(u"Greetings", {40, 30}, ELEMENT_TEMPLATE_TEXT);
    m_document.Place(std::move(template_text));
    m_document.Select(nullptr);
    DoubleClick({50, 50});  // empty card: nothing
    EXPECT_NE(m_view.GetMode(), MODE_EDITING);

    DoubleClick({95, 85});
    ASSERT_EQ(m_view.GetMode(), MODE_EDITING);
    EXPECT_TRUE(Texts().empty());  // off the card while it is edited
    EXPECT_EQ(m_view.GetEditor().text(), "Greetings");
    EXPECT_EQ(m_view.GetEditor().GetPlacement().left, 50 + 40 - CEditEx::kTextMargin);
    QTest::keyClick(&m_view.GetEditor(), Qt::Key_Exclam);
    QTest::keyClick(&m_view.GetEditor(), Qt::Key_Return);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0]->GetText(), u"Greetings!");
    EXPECT_EQ(Texts()[0]->GetPos().x, 40);
    EXPECT_EQ(Texts()[0]->GetPos().y, 30);
    EXPECT_EQ(Texts()[0]->m_nKind, ELEMENT_USER);  // survives a change of template
}

TEST_F(TextEditing, ShiftEnterStartsANewLineAndTheEditorGrows)
{
    m_view.SetMode(MODE_ADD_TEXT);
    Click({150, 130});
    CEditEx& editor = m_view.GetEditor();
    QTest::keyClicks(&editor, "Happy");
    const int oneLine = editor.height();
    QTest::keyClick(&editor, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(editor.isVisible());  // only Enter ends the editing
    EXPECT_EQ(m_view.GetMode(), MODE_EDITING);
    QTest::keyClicks(&editor, "days");
    EXPECT_EQ(editor.text(), "Happy\ndays");
    const int twoLines = editor.height();
    EXPECT_GT(twoLines, oneLine + oneLine / 2);
    EXPECT_LT(twoLines, 3 * oneLine);
    QTest::keyClick(&editor, Qt::Key_Return);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0]->GetText(), u"Happy\ndays");
    EXPECT_EQ(Texts()[0]->GetPos().x, 150 + CEditEx::kTextMargin - 50);
    EXPECT_EQ(Texts()[0]->GetSize().cy, twoLines);  // the editor was as tall as the text's lines

    // New lines stop at the view's bottom edge, as typing stops at its right.
    m_view.SetMode(MODE_ADD_TEXT);
    Click({150, 500 - oneLine - 5});
    QTest::keyClicks(&m_view.GetEditor(), "last");
    QTest::keyClick(&m_view.GetEditor(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(m_view.GetEditor().text(), "last");
}

TEST_F(TextEditing, ATextOfSeveralLinesIsEditedWhereItsLinesStand)
{
    TextLook look;
    look.align = TextAlign::Right;
    auto lines = std::make_unique<TextEx>(cardfixtures::LogFont(u"Arial", -20), RGB(0, 0, 0), u"one\nlonger line", look);
    lines->m_ptPos = {40, 30};
    m_document.Place(std::move(lines));
    m_document.Select(nullptr);
    DoubleClick({95, 85});
    ASSERT_EQ(m_view.GetMode(), MODE_EDITING);
    CEditEx& editor = m_view.GetEditor();
    EXPECT_EQ(editor.text(), "one\nlonger line");
    EXPECT_EQ(editor.GetLook().align, TextAlign::Right);
    EXPECT_EQ(editor.GetLinesOrigin().x, 50 + 40);
    EXPECT_EQ(editor.GetLinesOrigin().y, 50 + 30);
    QTest::keyClick(&editor, Qt::Key_Return);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0]->GetText(), u"one\nlonger line");
    EXPECT_EQ(Texts()[0]->GetLook().align, TextAlign::Right);
    EXPECT_EQ(Texts()[0]->GetPos().x, 40);
    EXPECT_EQ(Texts()[0]->GetPos().y, 30);
}

TEST_F(TextEditing, EmptyingATextDeletesItAndAClickElsewhereCommits)
{
    m_document.Place(cardfixtures::Text(u"Bye", {40, 30}));
    m_document.Select(nullptr);
    DoubleClick({95, 85});
    m_view.GetEditor().clear();
    QTest::keyClick(&m_view.GetEditor(), Qt::Key_Return);
    EXPECT_TRUE(Texts().empty());

    m_view.SetMode(MODE_ADD_TEXT);
    Click({200, 200});
    QTest::keyClicks(&m_view.GetEditor(), "Hi");
    Click({400, 300});  // a click on the card ends the editing
    EXPECT_FALSE(m_view.GetEditor().isVisible());
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0]->GetText(), u"Hi");
}

}  // namespace
