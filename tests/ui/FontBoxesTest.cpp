#include <gtest/gtest.h>

#include <memory>

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QLineEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include "controls/FontComboBox.h"
#include "controls/SizeComboBox.h"

namespace {

QStringList Entries(const QComboBox& box)
{
    QStringList entries;
    for (int i = 0; i < box.count(); ++i)
        entries << box.itemText(i);
    return entries;
}

TEST(FontComboBox, ListsTheInstalledFamiliesAndOpensWideEnoughForTheLongest)
{
    const QStringList families = QFontDatabase::families();
    ASSERT_FALSE(families.isEmpty());
    // A style whose drop-down is a plain list, which Qt does not widen itself.
    std::unique_ptr<QStyle> listStyle(QStyleFactory::create("Windows"));
    ASSERT_TRUE(listStyle);
    CFontComboBox box;
    box.setStyle(listStyle.get());
    box.resize(40, 21);
    box.show();
    box.FillFontList();
    EXPECT_EQ(Entries(box), families);
    EXPECT_EQ(box.SelectedFaceName(), QString());

    int longest = 0;
    for (const QString& family : families)
        longest = std::max(longest, box.view()->fontMetrics().horizontalAdvance(family));
    box.showPopup();
    EXPECT_GT(box.view()->width(), longest + box.style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    box.hidePopup();
    EXPECT_EQ(box.width(), 40);
}

TEST(FontComboBox, SelectsOnlyTheExactFaceName)
{
    CFontComboBox box;
    box.SelectFaceName("Arial");
    EXPECT_EQ(box.currentIndex(), -1);

    box.addItems({"Arial", "Times New Roman", "Times New Roman"});
    box.SelectFaceName("Arial");
    for (const char* other : {"times new roman", "Times New", "Times New Roman ", ""}) {
        box.SelectFaceName(other);
        EXPECT_EQ(box.SelectedFaceName(), "Arial") << other;
    }
    box.SelectFaceName("Times New Roman");
    EXPECT_EQ(box.currentIndex(), 1);
    EXPECT_EQ(box.SelectedFaceName(), "Times New Roman");
}

class SizeBox : public testing::Test {
protected:
    SizeBox()
    {
        m_box.FillSizeList();
        m_box.show();
        // Completion works only where the user types: in the focused box.
        m_box.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&m_box));
        m_box.lineEdit()->setFocus();
    }
    void Type(const char* keys)
    {
        m_box.lineEdit()->clear();
        QTest::keyClicks(m_box.lineEdit(), keys);
    }
    CSizeComboBox m_box;
};

TEST_F(SizeBox, HoldsTheFourteenSizesAndSelectsOnlyThoseInTheList)
{
    EXPECT_EQ(Entries(m_box), QStringList({"10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36",
                                           "48", "72"}));
    EXPECT_EQ(m_box.SizeText(), QString());
    m_box.SelectSize(48);
    EXPECT_EQ(m_box.currentIndex(), 12);
    EXPECT_EQ(m_box.SizeText(), "48");

    Type("99");
    for (const int absent : {100, 13, 0}) {
        m_box.SelectSize(absent);
        EXPECT_EQ(m_box.SizeText(), "99") << absent;
    }
}

TEST_F(SizeBox, TakesAtMostTwoTypedCharactersAsTheyStand)
{
    const std::pair<const char*, const char*> typed[] = {{"123", "12"}, {"99", "99"}, {"-9", "-9"}, {"4", "4"}};
    for (const auto& [keys, text] : typed) {
        Type(keys);
        QTest::keyClick(m_box.lineEdit(), Qt::Key_Return);
        EXPECT_EQ(m_box.SizeText().toStdString(), text) << keys;
        EXPECT_EQ(m_box.count(), 14) << keys;
    }
}

}  // namespace
