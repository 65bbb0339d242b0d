#include <gtest/gtest.h>

#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include "app/LumivexDoc.h"
#include "bars/DlgBarMain.h"
#include "bars/DlgBarPhoto.h"
#include "bars/LowerBars.h"
#include "tests/app/TemplateFolder.h"
#include "ui/MainFrame.h"
#include "ui/controls/CardSaveDialog.h"
#include "ui/controls/PxSkinButton.h"
#include "view/LumivexView.h"

namespace {

using testtemplates::TemplateFolder;

// Answers the next modal dialog once it is shown.
void WhenModal(std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(0, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal)
            answer(modal);
        else
            WhenModal(answer);
    });
}

void Click(QWidget* box, QMessageBox::StandardButton which)
{
    static_cast<QMessageBox*>(box)->button(which)->click();
}

class Frame : public testing::Test {
protected:
    TemplateFolder m_folder{1200, 800, {400, 200, 800, 600}};
    CLumivexDoc m_document{m_folder.Path()};
    CMainFrame m_frame{m_document};
};

TEST_F(Frame, StartsAt800x600WithTheTemplateBarAndItsButtonHeld)
{
    m_frame.show();
    EXPECT_EQ(m_frame.size(), QSize(800, 600));
    EXPECT_EQ(m_frame.windowTitle(), "Orvantis");
    EXPECT_TRUE(m_frame.GetTemplateBar().isVisible());
    EXPECT_FALSE(m_frame.GetPhotoBar().isVisible());
    EXPECT_FALSE(m_frame.GetTextBar().isVisible());
    EXPECT_TRUE(m_frame.GetMainBar().Button(IDC_BTN_TEMPLATE)->m_bHeld);
    EXPECT_FALSE(m_frame.GetMainBar().Button(IDC_BTN_PHOTO)->m_bHeld);
    // The view fills what the bars leave: 9-pixel sides, a 25-pixel caption,
    // a 65-pixel main bar, one 33-pixel lower bar.
    EXPECT_EQ(m_frame.GetView().geometry().topLeft(), QPoint(9, 25 + 65 + 33));
    EXPECT_EQ(m_frame.GetView().width(), 800 - 18);
}

TEST_F(Frame, NeverSmallerThan800x600)
{
    m_frame.show();
    m_frame.resize(500, 400);
    EXPECT_EQ(m_frame.size(), QSize(800, 600));
}

TEST_F(Frame, CaptionButtonsHitAreas)
{
    m_frame.show();
    EXPECT_EQ(m_frame.MinimiseRect(), QRect(QPoint(692, 1), QPoint(718, 16)));
    EXPECT_EQ(m_frame.MaximiseRect(), QRect(QPoint(719, 1), QPoint(745, 16)));
    EXPECT_EQ(m_frame.CloseRect(), QRect(QPoint(746, 1), QPoint(786, 16)));
    m_frame.resize(1000, 700);
    EXPECT_EQ(m_frame.CloseRect().left(), 946);
}

TEST_F(Frame, ModeSwitchesMoveTheHeldButtonAndTheBars)
{
    m_frame.show();
    CLumivexView& view = m_frame.GetView();
    view.SetMode(MODE_ADD_TEXT);
    EXPECT_TRUE(m_frame.GetTextBar().isVisible());
    EXPECT_FALSE(m_frame.GetTemplateBar().isVisible());
    EXPECT_TRUE(m_frame.GetMainBar().Button(IDC_BTN_TEXT)->m_bHeld);
    EXPECT_FALSE(m_frame.GetMainBar().Button(IDC_BTN_TEMPLATE)->m_bHeld);
    view.SetMode(MODE_EDITING);
    EXPECT_FALSE(m_frame.GetTextBar().isEnabled());
}

TEST_F(Frame, ClosesAtOnceWithoutChanges)
{
    m_frame.show();
    ASSERT_FALSE(m_document.m_workArea.IsModified());
    EXPECT_TRUE(m_frame.close());
}

TEST_F(Frame, AsksBeforeQuittingAChangedCard)
{
    m_frame.show();
    m_document.PlacePhoto(PxImage(40, 40, 24, FormatBmp));
    QString asked;
    WhenModal([&](QWidget* box) {
        asked = static_cast<QMessageBox*>(box)->text();
        Click(box, QMessageBox::No);
    });
    EXPECT_TRUE(m_frame.close());
    EXPECT_EQ(asked, "Save the photo before quit?");
}

TEST_F(Frame, CancellingTheSaveStillCloses)
{
    m_frame.show();
    m_document.PlacePhoto(PxImage(40, 40, 24, FormatBmp));
    WhenModal([](QWidget* box) {
        Click(box, QMessageBox::Yes);
        WhenModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    });
    EXPECT_TRUE(m_frame.close());
}

TEST_F(Frame, AFailedSaveKeepsTheWindowOpen)
{
    m_frame.show();
    m_document.PlacePhoto(PxImage(40, 40, 24, FormatBmp));
    QString message;
    WhenModal([&](QWidget* box) {
        Click(box, QMessageBox::Yes);
        WhenModal([&](QWidget* dialog) {
            // Nothing can be created in /proc, not even by root.
            auto* files = static_cast<QFileDialog*>(dialog);
            files->selectFile("/proc/orvantis-card.png");
            files->accept();
            WhenModal([&](QWidget* warning) {
                message = static_cast<QMessageBox*>(warning)->text();
                Click(warning, QMessageBox::Ok);
            });
        });
    });
    EXPECT_FALSE(m_frame.close());
    EXPECT_TRUE(m_frame.isVisible());
    EXPECT_TRUE(message.startsWith("The card could not be saved")) << message.toStdString();
}

TEST(CardFileName, KeepsKnownExtensionsInAnyCaseAndAddsTheFiltersOtherwise)
{
    EXPECT_EQ(CardFileName("/tmp/card.JPG", "png"), "/tmp/card.JPG");
    EXPECT_EQ(CardFileName("/tmp/card.jpeg", "bmp"), "/tmp/card.jpeg");
    EXPECT_EQ(CardFileName("/tmp/card", "jpg"), "/tmp/card.jpg");
    EXPECT_EQ(CardFileName("/tmp/my.card", "png"), "/tmp/my.card.png");
}

}  // namespace
