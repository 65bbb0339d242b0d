#include <gtest/gtest.h>

#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "app/LumivexDoc.h"
#include "bars/CardSaveDialog.h"
#include "bars/DlgBarMain.h"
#include "bars/DlgBarPhoto.h"
#include "bars/DlgBarTemplate.h"
#include "bars/DlgBarText.h"
#include "controls/PxSkinButton.h"
#include "image/PxImage.h"
#include "model/FrameWindows.h"
#include "model/ImageEx.h"
#include "tests/app/TemplateFolder.h"
#include "tests/ui/WhenModal.h"
#include "ui/MainFrame.h"
#include "view/LumivexView.h"

namespace {

using testtemplates::TemplateFolder;

void Click(QMessageBox* box, QMessageBox::StandardButton which)
{
    box->button(which)->click();
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

TEST_F(Frame, CtrlTStartsANewTextWhereverTheFocusIs)
{
    m_frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_frame));
    m_frame.GetView().setFocus();
    QTest::keyClick(&m_frame.GetView(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(m_frame.GetView().GetMode(), MODE_ADD_TEXT);
    EXPECT_TRUE(m_frame.GetTextBar().isVisible());
}

TEST_F(Frame, PastedPicturesAndDroppedPhotosArePlacedApart)
{
    m_frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_frame));
    QImage pasted(40, 30, QImage::Format_ARGB32);
    pasted.fill(QColor(10, 20, 30));
    QGuiApplication::clipboard()->setImage(pasted);
    QTest::keyClick(&m_frame.GetView(), Qt::Key_V, Qt::ControlModifier);
    const auto& elements = m_document.Card().GetElements();
    ASSERT_EQ(elements.size(), 2u);
    const auto* photo = dynamic_cast<const ImageEx*>(m_document.Card().GetSelected());
    ASSERT_NE(photo, nullptr);
    EXPECT_EQ(photo->m_imgSrc.GetWidth(), 40u);
    EXPECT_EQ(photo->m_imgSrc.GetPixelColor(0, 0).rgbBlue, 30);

    const std::filesystem::path first = m_folder.Path() / "first.bmp", second = m_folder.Path() / "second.png";
    ASSERT_TRUE(PxImage(90, 60, 24, FormatBmp).Save(first, FormatBmp));
    ASSERT_TRUE(PxImage(60, 90, 24, FormatPng).Save(second, FormatPng));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(first.string())),
                   QUrl::fromLocalFile(QString::fromStdString((m_folder.Path() / "missing.jpg").string())),
                   QUrl::fromLocalFile(QString::fromStdString(second.string()))});
    auto dropAt = [&](QMimeData& data, QPoint at) {
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m_frame, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m_frame, &drop);
    };
    WhenModal<QMessageBox>([](QMessageBox* box) { box->accept(); });  // the missing file's message
    dropAt(files, m_frame.GetView().mapTo(&m_frame, QPoint(2, 2)));  // beside the frame's window
    ASSERT_EQ(elements.size(), 4u);
    EXPECT_EQ(elements[2]->GetPos().x, 0);
    EXPECT_EQ(elements[3]->GetPos().x, 20);
    EXPECT_EQ(elements[3]->GetPos().y, 20);
    EXPECT_EQ(m_frame.GetView().GetMode(), MODE_PHOTO);

    // Dropped on the window, a photo lands covering it.
    const auto* frame = dynamic_cast<const ImageEx*>(m_document.Card().GetFrame());
    const std::vector<RECT> windows = FindFrameWindows(*frame);
    ASSERT_EQ(windows.size(), 1u);
    const RECT w = windows[0];
    const POINT o = m_document.Card().GetOrigin();
    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(QString::fromStdString(first.string()))});
    dropAt(one, m_frame.GetView().mapTo(&m_frame, QPoint(o.x + (w.left + w.right) / 2, o.y + (w.top + w.bottom) / 2)));
    ASSERT_EQ(elements.size(), 5u);
    const ElementBase* fitted = m_document.Card().GetSelected();
    EXPECT_LE(fitted->GetPos().x, w.left);
    EXPECT_LE(fitted->GetPos().y, w.top);
    EXPECT_GE(fitted->GetPos().x + fitted->GetSize().cx, w.right);
    EXPECT_GE(fitted->GetPos().y + fitted->GetSize().cy, w.bottom);
}

// The Help menu names Undo and Redo with their keys, enabled when there is
// something to undo or redo.
TEST_F(Frame, HelpMenuUndoesAndRedoes)
{
    m_frame.show();
    auto* menu = m_frame.GetMainBar().Button(IDC_BTN_HELP)->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    auto item = [&](const QString& text) {
        emit menu->aboutToShow();
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
        ADD_FAILURE() << text.toStdString();
        return menu->addAction(text);
    };
    EXPECT_FALSE(item("Undo (Ctrl+Z)")->isEnabled());
    ASSERT_TRUE(m_document.PlacePhoto(PxImage(40, 30, 24, FormatBmp)));
    const auto& elements = m_document.Card().GetElements();
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_FALSE(item("Redo (Ctrl+Shift+Z)")->isEnabled());
    item("Undo (Ctrl+Z)")->trigger();
    EXPECT_EQ(elements.size(), 1u);
    EXPECT_FALSE(item("Undo (Ctrl+Z)")->isEnabled());
    item("Redo (Ctrl+Shift+Z)")->trigger();
    EXPECT_EQ(elements.size(), 2u);
}

// Each command is one action: the button shows its tooltip and triggers it,
// the Help menu holds the action itself, and its shortcut works anywhere.
TEST_F(Frame, CommandsAreOneActionForButtonMenuAndShortcut)
{
    m_frame.show();
    m_frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_frame));
    const CardCommands& commands = m_frame.Commands();
    PxSkinButton* newButton = m_frame.GetMainBar().Button(IDC_BTN_NEW);
    EXPECT_EQ(newButton->toolTip(), commands.newCard->toolTip());
    EXPECT_EQ(m_frame.GetMainBar().Button(IDC_BTN_TEXT)->toolTip(), "Add text (Ctrl+T)");
    const QList<QAction*> menu = m_frame.GetMainBar().Button(IDC_BTN_HELP)->PopupMenu()->actions();
    EXPECT_TRUE(menu.contains(commands.undo) && menu.contains(commands.print) && menu.contains(commands.about));
    // The item's text names the key; no second column repeats it.
    EXPECT_FALSE(commands.undo->isShortcutVisibleInContextMenu());

    ASSERT_TRUE(m_document.PlacePhoto(PxImage(40, 30, 24, FormatBmp)));
    EXPECT_TRUE(commands.undo->isEnabled());
    QTest::keyClick(&m_frame.GetView(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(m_frame.GetView().GetMode(), MODE_ADD_TEXT);
    QTest::keyClick(&m_frame.GetView(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m_document.Card().GetElements().size(), 1u);
    EXPECT_TRUE(commands.redo->isEnabled());
    QTest::keyClick(&m_frame.GetView(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(m_document.Card().GetElements().size(), 2u);
    // New asks before it lets a changed card go: Cancel keeps it, No lets it go.
    WhenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Cancel)->click(); });
    newButton->click();
    EXPECT_EQ(m_document.Card().GetElements().size(), 2u);
    WhenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    newButton->click();
    EXPECT_EQ(m_document.Card().GetElements().size(), 1u);
    EXPECT_EQ(m_frame.GetView().GetMode(), MODE_TEMPLATE);
}

// Until the first size change right-aligns them, the main bar's buttons
// stand where the bar's resource puts them.
TEST_F(Frame, MainBarButtonsStartAtTheirFirstPlaces)
{
    QObject owner;
    const CardCommands commands(&owner);
    CDlgBarMain bar(m_document, commands, nullptr, nullptr);
    const std::pair<int, int> places[] = {{IDC_BTN_NEW, 300},      {IDC_BTN_SAVE, 354}, {IDC_BTN_PHOTO, 408},
                                          {IDC_BTN_TEMPLATE, 462}, {IDC_BTN_TEXT, 516}, {IDC_BTN_HELP, 570}};
    for (const auto& [id, x] : places)
        EXPECT_EQ(bar.Button(id)->pos(), QPoint(x, 1)) << id;
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
    ASSERT_FALSE(m_document.IsModified());
    EXPECT_TRUE(m_frame.close());
}

TEST_F(Frame, AsksBeforeQuittingAChangedCard)
{
    m_frame.show();
    m_document.PlacePhoto(PxImage(40, 40, 24, FormatBmp));
    QString asked;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        asked = box->text();
        Click(box, QMessageBox::No);
    });
    EXPECT_TRUE(m_frame.close());
    EXPECT_EQ(asked, "Save the photo before quit?");
}

TEST_F(Frame, CancellingTheSaveStillCloses)
{
    m_frame.show();
    m_document.PlacePhoto(PxImage(40, 40, 24, FormatBmp));
    WhenModal<QMessageBox>([](QMessageBox* box) {
        Click(box, QMessageBox::Yes);
        WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    });
    EXPECT_TRUE(m_frame.close());
}

// The quit prompt's save goes to a name no file system takes, even for root.
class FrameSavingNowhere : public CMainFrame {
public:
    using CMainFrame::CMainFrame;
    std::filesystem::path target;

protected:
    SaveOutcome SaveCard() override { return SaveCardImageAs(this, GetView().GetDocument(), QString::fromStdString(target.string())); }
};

TEST(FrameQuit, AFailedSaveKeepsTheWindowOpenAndSaysWhy)
{
    TemplateFolder folder{1200, 800, {400, 200, 800, 600}};
    CLumivexDoc document{folder.Path()};
    FrameSavingNowhere frame{document};
    frame.target = folder.Path() / (std::string(300, 'c') + ".png");
    frame.show();
    document.PlacePhoto(PxImage(40, 40, 24, FormatBmp));
    QString message;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        Click(box, QMessageBox::Yes);
        WhenModal<QMessageBox>([&](QMessageBox* warning) {
            message = warning->text();
            Click(warning, QMessageBox::Ok);
        });
    });
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(message.startsWith("The card could not be saved")) << message.toStdString();
    EXPECT_TRUE(document.IsModified());
}

TEST(CardFileName, KeepsKnownExtensionsInAnyCaseAndAddsTheFiltersOtherwise)
{
    EXPECT_EQ(CardFileName("/tmp/card.JPG", "png"), "/tmp/card.JPG");
    EXPECT_EQ(CardFileName("/tmp/card.jpeg", "bmp"), "/tmp/card.jpeg");
    EXPECT_EQ(CardFileName("/tmp/card", "jpg"), "/tmp/card.jpg");
    EXPECT_EQ(CardFileName("/tmp/my.card", "png"), "/tmp/my.card.png");
}

}  // namespace
