#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "app/LumivexDoc.h"
#include "app/NewTextFont.h"
#include "bars/DlgBarText.h"
#include "controls/ColourButton.h"
#include "controls/FontComboBox.h"
#include "controls/PxSkinButton.h"
#include "controls/SizeComboBox.h"
#include "model/TextEx.h"
#include "tests/ui/SharedFrame.h"
#include "tests/model/CardFixtures.h"
#include "ui/MainFrame.h"
#include "view/EditEx.h"
#include "view/LumivexView.h"

namespace {

using testtemplates::TemplateFolder;

class TextBar : public SharedFrame {
protected:
    // A text of lfHeight -20, selected, with the view in text mode.
    TextEx* Select()
    {
        auto text = cardfixtures::Text(u"Hello there", {30, 40});
        TextEx* raw = text.get();
        m_document.Place(std::move(text));
        m_frame.GetView().SetMode(MODE_TEXT);
        return raw;
    }
    void TypeSize(const char* size)
    {
        QLineEdit* edit = Bar().SizeBox().lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, size);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    CDlgBarText& Bar() { return m_frame.GetTextBar(); }
};

TEST(TextSizes, PointSizesBecomeFontHeights)
{
    EXPECT_EQ(FontHeightOfSize(48), -64);
    EXPECT_EQ(FontHeightOfSize(12), -16);
    EXPECT_EQ(FontHeightOfSize(10), -13);
    EXPECT_EQ(FontHeightOfSize(11), -14);
    EXPECT_EQ(FontHeightOfSize(9), -12);
    EXPECT_EQ(LeadingInteger(" -9"), -9);
    EXPECT_EQ(LeadingInteger("4x"), 4);
    EXPECT_EQ(LeadingInteger("x4"), 0);
    EXPECT_EQ(LeadingInteger(""), 0);
}

TEST_F(TextBar, NewTextIsWhiteTimesNewRoman48UntilTheBarChanges)
{
    LOGFONTW font;
    ASSERT_TRUE(m_frame.GetNewTextFont(font));
    EXPECT_EQ(font.lfHeight, -64);
    EXPECT_EQ(font.lfWidth, 25);
    EXPECT_EQ(font.lfWeight, 0);
    EXPECT_EQ(std::u16string(font.lfFaceName), u"Times New Roman");
    EXPECT_EQ(m_frame.GetNewTextColor(), RGB(255, 255, 255));

    Bar().SizeBox().setEditText("-9");
    ASSERT_TRUE(m_frame.GetNewTextFont(font));
    EXPECT_EQ(font.lfHeight, -12);
    EXPECT_EQ(font.lfWidth, 4);
    Bar().SizeBox().setEditText("1");
    ASSERT_TRUE(m_frame.GetNewTextFont(font));
    EXPECT_EQ(font.lfWidth, 1);  // 1 x 0.4 truncates to 0, raised to 1

    for (const char* empty : {"", "0", "ab"}) {
        Bar().SizeBox().setEditText(empty);
        LOGFONTW kept;
        kept.lfHeight = 7;
        EXPECT_FALSE(m_frame.GetNewTextFont(kept)) << empty;
        EXPECT_EQ(kept.lfHeight, 7) << empty;
    }
}

TEST_F(TextBar, AClickInAddTextModeOpensTheEditorInTheBarsFont)
{
    Bar().SizeBox().SelectSize(24);
    Bar().ColourButton().SetSelectedColour(RGB(10, 20, 30));
    m_frame.GetView().SetMode(MODE_ADD_TEXT);
    QTest::mouseClick(&m_frame.GetView(), Qt::LeftButton, {}, QPoint(300, 300));
    ASSERT_EQ(m_frame.GetView().GetMode(), MODE_EDITING);
    QTest::keyClicks(&m_frame.GetView().GetEditor(), "Hi");
    QTest::keyClick(&m_frame.GetView().GetEditor(), Qt::Key_Return);

    const TextEx* text = nullptr;
    for (const auto& element : m_document.Card().GetElements())
        if (auto* t = dynamic_cast<const TextEx*>(element.get()))
            text = t;
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetText(), u"Hi");
    EXPECT_EQ(text->GetLogFont().lfHeight, -32);
    EXPECT_EQ(text->GetColor(), RGB(10, 20, 30));
}

TEST_F(TextBar, EnterInTheSizeBoxResizesTheSelectedText)
{
    TextEx* text = Select();
    TypeSize("9");
    EXPECT_EQ(text->GetLogFont().lfHeight, -12);
    TypeSize("-9");  // two characters; the absolute value counts
    EXPECT_EQ(text->GetLogFont().lfHeight, -12);
    TypeSize("30");
    EXPECT_EQ(text->GetLogFont().lfHeight, -40);
    for (const char* ignored : {"0", "x"}) {
        TypeSize(ignored);
        EXPECT_EQ(text->GetLogFont().lfHeight, -40) << ignored;
    }
    Bar().SizeBox().lineEdit()->selectAll();
    QTest::keyClicks(Bar().SizeBox().lineEdit(), "123");
    EXPECT_EQ(Bar().SizeBox().SizeText(), "12");  // typing stops at two characters
}

TEST_F(TextBar, PicksFromTheListsApplyToTheSelectedText)
{
    TextEx* text = Select();
    emit Bar().SizeBox().textActivated("12");
    EXPECT_EQ(text->GetLogFont().lfHeight, -16);
    ASSERT_GT(Bar().FontBox().count(), 0);
    const QString face = Bar().FontBox().itemText(0);
    emit Bar().FontBox().textActivated(face);
    EXPECT_EQ(QString::fromStdU16String(text->GetLogFont().lfFaceName), face);
    emit Bar().ColourButton().selEndOk(RGB(1, 2, 3));
    EXPECT_EQ(text->GetColor(), RGB(1, 2, 3));
    EXPECT_TRUE(m_document.IsModified());
}

TEST_F(TextBar, SelectingATextShowsItsAttributes)
{
    TextEx* text = Select();
    ASSERT_GT(Bar().FontBox().count(), 1);
    const QString face = Bar().FontBox().itemText(1);
    text->SetFaceName(face.toStdU16String());
    text->SetFontHeight(-200);
    m_frame.GetView().SetMode(MODE_TEXT);
    EXPECT_EQ(Bar().SizeBox().SizeText(), "150");  // longer than can be typed, shown whole
    EXPECT_EQ(Bar().FontBox().SelectedFaceName(), face);
    EXPECT_EQ(Bar().ColourButton().GetSelectedColour(), RGB(200, 10, 30));
    EXPECT_EQ(m_frame.GetNewTextColor(), RGB(200, 10, 30));  // the next text takes them
}

TEST_F(TextBar, AlignmentMovesTheTextAcrossTheCardOnly)
{
    TextEx* text = Select();
    const LONG width = text->GetSize().cx;
    Bar().Button(IDC_TEXT_CENTER)->click();
    EXPECT_EQ(text->GetPos().x, (1200 - width) / 2);
    Bar().Button(IDC_TEXT_CENTER)->click();
    EXPECT_EQ(text->GetPos().x, (1200 - width) / 2);
    Bar().Button(IDC_TEXT_RIGHT)->click();
    EXPECT_EQ(text->GetPos().x, 1200 - width);
    Bar().Button(IDC_TEXT_LEFT)->click();
    EXPECT_EQ(text->GetPos().x, 0);
    EXPECT_EQ(text->GetPos().y, 40);
    EXPECT_EQ(Bar().Button(IDC_TEXT_DELETE)->x(), Bar().width() - 63);
    Bar().Button(IDC_TEXT_DELETE)->click();
    EXPECT_EQ(m_document.Card().GetSelected(), nullptr);
    EXPECT_EQ(m_frame.GetView().GetMode(), MODE_TEMPLATE);
}

const TextEx* OnlyText(const CLumivexDoc& document)
{
    const TextEx* found = nullptr;
    for (const auto& element : document.Card().GetElements())
        if (auto* text = dynamic_cast<const TextEx*>(element.get()))
            found = text;
    return found;
}

void Pick(QComboBox& box, const QString& value)
{
    const int index = box.findText(value);
    ASSERT_GE(index, 0) << value.toStdString();
    box.setCurrentIndex(index);
    emit box.activated(index);
}

// The outline and shadow controls stand after the bar's others, which keep
// their places; each change applies to the selected text as a step of its
// own, the lines staying where they stand, and undoes.
TEST_F(TextBar, OutlineAndShadowApplyToTheSelectedTextStepByStep)
{
    EXPECT_EQ(Bar().FontBox().geometry(), QRect(47, 6, 150, 21));
    EXPECT_EQ(Bar().SizeBox().geometry(), QRect(207, 6, 50, 21));
    EXPECT_EQ(Bar().ColourButton().geometry(), QRect(267, 6, 70, 21));
    EXPECT_EQ(Bar().Button(IDC_TEXT_LEFT)->pos(), QPoint(359, 6));
    EXPECT_EQ(Bar().Button(IDC_TEXT_RIGHT)->pos(), QPoint(410, 6));
    for (QWidget* added : std::initializer_list<QWidget*>{
             Bar().Button(IDC_TEXT_OUTLINE), &Bar().OutlineColourButton(), &Bar().OutlineWidthBox(),
             Bar().Button(IDC_TEXT_SHADOW), &Bar().ShadowColourButton(), &Bar().ShadowOffsetBox(),
             &Bar().ShadowSoftnessBox()}) {
        EXPECT_GE(added->x(), 410 + 24) << added->metaObject()->className();
        EXPECT_LE(added->geometry().right(), 800 - 16 - 63);  // clear of Delete in the narrowest window
    }

    const RECT lines = Select()->GetLinesRect();
    Bar().Button(IDC_TEXT_OUTLINE)->click();
    EXPECT_TRUE(Bar().Button(IDC_TEXT_OUTLINE)->m_bHeld);
    emit Bar().OutlineColourButton().selEndOk(RGB(9, 8, 7));
    Pick(Bar().OutlineWidthBox(), "6");
    Pick(Bar().ShadowSoftnessBox(), "8");  // choosing a size switches the shadow on
    Bar().Button(IDC_TEXT_OUTLINE)->click();
    EXPECT_FALSE(Bar().Button(IDC_TEXT_OUTLINE)->m_bHeld);

    const TextEx* text = OnlyText(m_document);
    EXPECT_FALSE(text->GetLook().HasOutline());
    EXPECT_TRUE(text->GetLook().shadow.shown);
    EXPECT_DOUBLE_EQ(text->GetLook().shadow.blur, PixelsOfPoints(8));
    EXPECT_EQ(text->GetLinesRect().left, lines.left);
    EXPECT_EQ(text->GetLinesRect().top, lines.top);
    EXPECT_GT(text->GetSize().cy, lines.bottom - lines.top + PixelsOfPoints(8));

    m_document.Undo();  // the outline back on
    text = OnlyText(m_document);
    EXPECT_EQ(text->GetLook().outline.colour, RGB(9, 8, 7));
    EXPECT_DOUBLE_EQ(text->GetLook().outline.width, PixelsOfPoints(6));
    EXPECT_TRUE(text->GetLook().shadow.shown);
    for (int step = 0; step < 4; ++step)
        m_document.Undo();
    EXPECT_EQ(OnlyText(m_document)->GetLook(), TextLook{});
    EXPECT_EQ(OnlyText(m_document)->GetLinesRect().left, lines.left);
}

// The bar's outline and shadow are those of the next text, and a selected
// text shows its own.
TEST_F(TextBar, TheNextTextTakesTheBarsEffectsAndASelectedTextShowsItsOwn)
{
    Bar().Button(IDC_TEXT_SHADOW)->click();
    Pick(Bar().ShadowOffsetBox(), "4");
    EXPECT_TRUE(m_frame.GetNewTextLook().shadow.shown);
    EXPECT_DOUBLE_EQ(m_frame.GetNewTextLook().shadow.dx, PixelsOfPoints(4));
    EXPECT_FALSE(m_frame.GetNewTextLook().HasOutline());
    m_frame.GetView().SetMode(MODE_ADD_TEXT);
    QTest::mouseClick(&m_frame.GetView(), Qt::LeftButton, {}, QPoint(300, 300));
    ASSERT_EQ(m_frame.GetView().GetMode(), MODE_EDITING);
    EXPECT_TRUE(m_frame.GetView().GetEditor().GetLook().shadow.shown);
    QTest::keyClicks(&m_frame.GetView().GetEditor(), "Hi");
    QTest::keyClick(&m_frame.GetView().GetEditor(), Qt::Key_Return);
    EXPECT_EQ(OnlyText(m_document)->GetLook(), m_frame.GetNewTextLook());

    TextLook own;
    own.outline = {RGB(1, 2, 3), PixelsOfPoints(10)};  // dragged larger than the list goes
    TextEx* text = Select();
    text->SetLook(own);
    m_frame.GetView().SetMode(MODE_TEXT);
    EXPECT_TRUE(Bar().Button(IDC_TEXT_OUTLINE)->m_bHeld);
    EXPECT_FALSE(Bar().Button(IDC_TEXT_SHADOW)->m_bHeld);
    EXPECT_EQ(Bar().OutlineWidthBox().currentText(), "10");
    EXPECT_EQ(Bar().OutlineColourButton().GetSelectedColour(), RGB(1, 2, 3));
    EXPECT_EQ(m_frame.GetNewTextLook(), own);
}

TEST_F(TextBar, ControlsAreDisabledWhileEditingAndChangesOutsideTextModeDoNothing)
{
    TextEx* text = Select();
    m_frame.GetView().SetMode(MODE_EDITING);
    for (QWidget* control :
         std::initializer_list<QWidget*>{&Bar().FontBox(), &Bar().SizeBox(), &Bar().ColourButton(),
                                         Bar().Button(IDC_TEXT_LEFT), Bar().Button(IDC_TEXT_CENTER),
                                         Bar().Button(IDC_TEXT_RIGHT), Bar().Button(IDC_TEXT_DELETE)})
        EXPECT_FALSE(control->isEnabled());
    m_frame.GetView().SetMode(MODE_EDIT_DONE);
    EXPECT_TRUE(Bar().Button(IDC_TEXT_DELETE)->isEnabled());

    m_document.Select(text);
    m_frame.GetView().SetMode(MODE_PHOTO);
    emit Bar().ColourButton().selEndOk(RGB(1, 2, 3));
    EXPECT_EQ(text->GetColor(), RGB(200, 10, 30));
}

}  // namespace
