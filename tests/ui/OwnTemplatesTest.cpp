// The user's own templates through the commands and dialogs: a frame picture
// drawn by another program becomes a template that is applied at once,
// listed by the selection dialog, and shows photos through its windows.
#include <gtest/gtest.h>

#include <functional>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <unistd.h>

#include "app/LumivexDoc.h"
#include "app/ResFolders.h"
#include "bars/DlgBarTemplate.h"
#include "bars/DlgTemplateName.h"
#include "bars/DlgTemplateSel.h"
#include "bars/TemplateFlows.h"
#include "controls/PxSkinButton.h"
#include "model/FrameWindows.h"
#include "model/ImageEx.h"
#include "platform/MemoryCanvas.h"
#include "tests/app/TemplateFolder.h"
#include "tests/ui/WhenModal.h"
#include "tests/view/CardPixels.h"
#include "ui/MainFrame.h"
#include "view/LumivexView.h"

namespace {

namespace fs = std::filesystem;

// Names the template in the name dialog and presses OK.
void NameIt(const QString& name, const QString& category)
{
    WhenModal<CDlgTemplateName>([name, category](CDlgTemplateName* dialog) {
        dialog->NameEdit().setText(name);
        dialog->CategoryBox().setCurrentText(category);
        dialog->Buttons().button(QDialogButtonBox::Ok)->click();
    });
}

void Answer(QMessageBox::StandardButton which)
{
    WhenModal<QMessageBox>([which](QMessageBox* box) { box->button(which)->click(); });
}

constexpr QRgb kFrameColour = 0xFFB03A2E;
const QRect kRectangle(340, 90, 190, 220);

class OwnTemplates : public testing::Test {
protected:
    void SetUp() override
    {
        fs::remove_all(m_top);
        fs::create_directories(m_top);
        // A filled card with an elliptic and a rectangular transparent hole.
        QImage picture(600, 400, QImage::Format_ARGB32);
        picture.fill(kFrameColour);
        QPainter painter(&picture);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::black);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(160, 200), 110, 90);
        painter.drawRect(kRectangle);
        painter.end();
        ASSERT_TRUE(picture.save(Path("frame.png")));
        QImage opaque(600, 400, QImage::Format_RGB32);
        opaque.fill(kFrameColour);
        ASSERT_TRUE(opaque.save(Path("opaque.png")));
        m_document.FitCardToView({600, 400}, true);
    }
    void TearDown() override { fs::remove_all(m_top); }
    QString Path(const char* name) const { return QString::fromStdString((m_top / name).string()); }
    bool MakeFromPicture(const char* picture = "frame.png")
    {
        return NewTemplateFromPictureWithDialog(&m_frame, m_document, m_root, Path(picture));
    }

    fs::path m_top = fs::temp_directory_path() / ("orvantis-own-" + std::to_string(::getpid()));
    fs::path m_root = m_top / "res" / "template";
    testtemplates::TemplateFolder m_folder{1200, 800, {400, 200, 800, 600}, "own"};
    CLumivexDoc m_document{m_folder.Path()};
    CMainFrame m_frame{m_document};
};

TEST_F(OwnTemplates, FramePictureBecomesTheCardsTemplateAndPhotosShowThroughBothWindows)
{
    NameIt(QStringLiteral("Two windows"), QStringLiteral("My frames"));
    ASSERT_TRUE(MakeFromPicture());
    const fs::path made = m_root / "My frames" / "Two windows";
    EXPECT_EQ(m_document.TemplateDir(), made);
    EXPECT_EQ(m_document.Card().GetCardImageSize(), (SIZE{600, 400}));
    EXPECT_TRUE(m_document.CanUndo());  // applying it was a step

    // A photo over the whole card, sunk below the frame.
    PxImage green(600, 400, 24, 0);
    green.Clear(0);
    for (std::uint32_t y = 0; y < 400; ++y)
        for (std::uint32_t x = 0; x < 600; ++x)
            green.GetBits(y)[3 * x + 1] = 200;
    ASSERT_TRUE(m_document.PlacePhoto(green));
    ASSERT_TRUE(m_document.SetSelectionBounds({0, 0}, {600, 400}));
    m_document.ClearSelection(true);
    CardCanvases canvases;
    const MemoryCanvas* back = m_document.Compose({600, 400}, CTrackerEx::HANDLE_SIZE, canvases);
    ASSERT_TRUE(back);
    auto near = [](COLORREF a, COLORREF b) {
        return std::abs(GetRValue(a) - GetRValue(b)) <= 4 && std::abs(GetGValue(a) - GetGValue(b)) <= 4 &&
               std::abs(GetBValue(a) - GetBValue(b)) <= 4;
    };
    const COLORREF photo = RGB(0, 200, 0), frame = RGB(qRed(kFrameColour), qGreen(kFrameColour), qBlue(kFrameColour));
    EXPECT_TRUE(near(cardpixels::PixelAt(*back->Bitmap(), 160, 200), photo));  // the ellipse
    EXPECT_TRUE(near(cardpixels::PixelAt(*back->Bitmap(), 435, 200), photo));  // the rectangle
    EXPECT_TRUE(near(cardpixels::PixelAt(*back->Bitmap(), 20, 20), frame));
    EXPECT_TRUE(near(cardpixels::PixelAt(*back->Bitmap(), 300, 200), frame));  // between the windows

    // F: the photo fits the rectangle under it.
    const ElementBase* placed = m_document.Card().GetElements().front().get();
    m_document.Select(placed);
    m_document.FitSelectedPhotoIntoWindowAt({435, 200});
    const auto windows = FindFrameWindows(dynamic_cast<const ImageEx&>(*m_document.Card().GetFrame()));
    ASSERT_EQ(windows.size(), 2u);
    const RECT* window = WindowFor(windows, {435, 200});
    ASSERT_TRUE(window);
    EXPECT_NEAR(window->left, kRectangle.left(), 1);
    EXPECT_NEAR(window->right, kRectangle.left() + kRectangle.width(), 1);
    const POINT pos = placed->GetPos();
    const SIZE size = placed->GetSize();
    EXPECT_LE(pos.x, window->left);
    EXPECT_LE(pos.y, window->top);
    EXPECT_GE(pos.x + size.cx, window->right);
    EXPECT_GE(pos.y + size.cy, window->bottom);
    EXPECT_LT(size.cx, 600);  // fitted to the window, not the card

    // The selection dialog lists it under its category, named in its tooltip.
    CDlgTemplateSel dialog(m_document, {m_root}, &m_frame, SkinFolder(), m_root);
    ASSERT_EQ(dialog.CategoryBox().count(), 1);
    EXPECT_EQ(dialog.CategoryBox().itemText(0), QStringLiteral("My frames"));
    ASSERT_EQ(dialog.List().count(), 1);
    EXPECT_EQ(dialog.List().item(0)->toolTip(), QStringLiteral("Two windows"));
    EXPECT_NE(dialog.Thumbnail(0), nullptr);
}

TEST_F(OwnTemplates, ExistingNameAsksBeforeReplacingAndNoGoesBackToTheName)
{
    NameIt(QStringLiteral("t"), QStringLiteral("c"));
    ASSERT_TRUE(MakeFromPicture());
    const fs::path made = m_root / "c" / "t";
    const auto written = fs::last_write_time(made / "this.tpl");

    // No to replacing: the dialog comes back; Cancel there leaves all as it was.
    NameIt(QStringLiteral("t"), QStringLiteral("c"));
    WhenModal<QMessageBox>([](QMessageBox* box) {
        EXPECT_TRUE(box->text().contains(QStringLiteral("exists already")));
        WhenModal<CDlgTemplateName>([](CDlgTemplateName* again) { again->reject(); });
        box->button(QMessageBox::No)->click();
    });
    EXPECT_FALSE(MakeFromPicture());
    EXPECT_EQ(fs::last_write_time(made / "this.tpl"), written);

    NameIt(QStringLiteral("t"), QStringLiteral("c"));
    Answer(QMessageBox::Yes);
    EXPECT_TRUE(MakeFromPicture());
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root / "c"), fs::directory_iterator()), 1);
}

TEST_F(OwnTemplates, PictureWithoutWindowsIsRefusedBeforeAnyQuestion)
{
    QString told;
    WhenModal<QMessageBox>([&told](QMessageBox* box) {
        told = box->text();
        box->accept();
    });
    EXPECT_FALSE(MakeFromPicture("opaque.png"));
    EXPECT_TRUE(told.contains(QStringLiteral("no transparent parts"))) << told.toStdString();
    EXPECT_FALSE(fs::exists(m_root));
    EXPECT_EQ(m_document.TemplateDir(), m_folder.Path());
}

TEST_F(OwnTemplates, SaveAsNewTemplateKeepsTheCurrentOneAndBecomesCurrent)
{
    const auto before = fs::last_write_time(m_folder.Path() / "this.tpl");
    NameIt(QStringLiteral("Copy"), QStringLiteral("Mine"));
    Answer(QMessageBox::Ok);  // "Save template completed!"
    ASSERT_TRUE(SaveAsNewTemplateWithDialog(&m_frame, m_document, m_root));
    EXPECT_EQ(m_document.TemplateDir(), m_root / "Mine" / "Copy");
    EXPECT_TRUE(fs::is_regular_file(m_root / "Mine" / "Copy" / "thumb.jpg"));
    EXPECT_EQ(fs::last_write_time(m_folder.Path() / "this.tpl"), before);
    WorkArea loaded;
    ASSERT_TRUE(loaded.LoadTemplate(m_root / "Mine" / "Copy"));
    EXPECT_EQ(loaded.GetCardImageSize(), (SIZE{1200, 800}));
}

TEST_F(OwnTemplates, NameDialogAcceptsOnlyNamesAFolderCanHave)
{
    CDlgTemplateName dialog(QStringLiteral("t"), {QStringLiteral("Birthday")}, QStringLiteral("x"),
                            QStringLiteral("Birthday"), &m_frame);
    QPushButton* ok = dialog.Buttons().button(QDialogButtonBox::Ok);
    EXPECT_TRUE(ok->isEnabled());
    dialog.NameEdit().setText(QStringLiteral(".. /"));
    EXPECT_TRUE(ok->isEnabled());  // "-" is left
    EXPECT_EQ(dialog.Name(), QStringLiteral("-"));
    dialog.NameEdit().setText(QStringLiteral("..."));
    EXPECT_FALSE(ok->isEnabled());
    dialog.NameEdit().setText(QStringLiteral("a/b"));
    dialog.CategoryBox().setCurrentText(QStringLiteral("  "));
    EXPECT_FALSE(ok->isEnabled());
    dialog.CategoryBox().setCurrentText(QStringLiteral("New one"));
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(dialog.Name(), QStringLiteral("a-b"));
}

TEST_F(OwnTemplates, OwnTemplatesAreRenamedAndRemovedInstalledOnesAreReadOnly)
{
    NameIt(QStringLiteral("a"), QStringLiteral("c"));
    ASSERT_TRUE(MakeFromPicture());
    NameIt(QStringLiteral("b"), QStringLiteral("c"));
    ASSERT_TRUE(MakeFromPicture());
    const fs::path installed = m_top / "installed";
    fs::create_directories(installed / "c");
    fs::copy(m_root / "c" / "a", installed / "c" / "z");

    CDlgTemplateSel dialog(m_document, {installed, m_root}, &m_frame, SkinFolder(), m_root);
    ASSERT_EQ(dialog.List().count(), 3);  // a, b, then the installed z
    EXPECT_TRUE(dialog.IsUserTemplate(0));
    EXPECT_FALSE(dialog.IsUserTemplate(2));
    EXPECT_TRUE(dialog.List().item(2)->toolTip().contains(QStringLiteral("read-only")));
    std::unique_ptr<QMenu> installedMenu(dialog.MakeContextMenu(2));
    ASSERT_EQ(installedMenu->actions().size(), 1);
    EXPECT_FALSE(installedMenu->actions().front()->isEnabled());
    std::unique_ptr<QMenu> ownMenu(dialog.MakeContextMenu(0));
    ASSERT_EQ(ownMenu->actions().size(), 2);

    WhenModal<QInputDialog>([](QInputDialog* ask) {
        ask->setTextValue(QStringLiteral("renamed"));
        ask->accept();
    });
    ASSERT_EQ(m_document.TemplateDir(), m_root / "c" / "b");
    m_document.ApplyTemplate(m_root / "c" / "a");
    ownMenu->actions().front()->trigger();
    EXPECT_TRUE(fs::is_directory(m_root / "c" / "renamed"));
    EXPECT_EQ(m_document.TemplateDir(), m_root / "c" / "renamed");  // the card follows its template
    EXPECT_FALSE(fs::exists(m_root / "c" / "a"));
    ASSERT_EQ(dialog.List().count(), 3);

    // Removing asks first: No keeps it, Yes removes it.
    const int renamed = dialog.List().item(1)->toolTip() == QStringLiteral("renamed") ? 1 : 0;
    Answer(QMessageBox::No);
    dialog.RemoveTemplate(renamed);
    EXPECT_TRUE(fs::is_directory(m_root / "c" / "renamed"));
    Answer(QMessageBox::Yes);
    dialog.RemoveTemplate(renamed);
    EXPECT_FALSE(fs::exists(m_root / "c" / "renamed"));
    EXPECT_EQ(dialog.List().count(), 2);
    // The installed one cannot be removed.
    dialog.RemoveTemplate(1);
    EXPECT_TRUE(fs::is_directory(installed / "c" / "z"));
}

TEST_F(OwnTemplates, TemplateBarsFourthButtonAndContextMenuCarryTheCommands)
{
    const CardCommands& commands = m_frame.Commands();
    QSignalSpy triggered(commands.newTemplateFromPicture, &QAction::triggered);
    PxSkinButton* button = m_frame.GetTemplateBar().Button(IDC_TPL_NEW);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->pos(), QPoint(401, 7));
    // The command opens the picture dialog; cancelled, nothing happens.
    WhenModal<QDialog>([](QDialog* dialog) { dialog->reject(); });
    button->click();
    EXPECT_EQ(triggered.count(), 1);
    EXPECT_EQ(m_document.TemplateDir(), m_folder.Path());
    for (QAction* command : {commands.newTemplateFromPicture, commands.saveAsNewTemplate, commands.exportTemplates})
        EXPECT_TRUE(m_frame.GetTemplateBar().actions().contains(command)) << command->text().toStdString();
}

TEST_F(OwnTemplates, PictureDroppedWithShiftBecomesATemplateNotAPhoto)
{
    // The window writes into the program's own template folder: the test's
    // category is removed again.
    const fs::path category = WritableTemplateRoot() / ("Dropped " + std::to_string(::getpid()));
    NameIt(QStringLiteral("Dropped frame"), QString::fromStdString(category.filename().string()));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(Path("frame.png"))});
    const QPoint at = m_frame.GetView().mapTo(&m_frame, QPoint(5, 5));
    QDragEnterEvent enter(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&m_frame, &enter);
    QDropEvent drop(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&m_frame, &drop);
    const bool made = fs::is_regular_file(category / "Dropped frame" / "this.tpl");
    const fs::path applied = m_document.TemplateDir();
    const std::size_t elements = m_document.Card().GetElements().size();
    fs::remove_all(category);
    // Folders made for it go too; fs::remove leaves folders that hold anything.
    std::error_code notEmpty;
    fs::remove(category.parent_path(), notEmpty);
    fs::remove(category.parent_path().parent_path(), notEmpty);
    EXPECT_TRUE(made);
    EXPECT_EQ(applied, category / "Dropped frame");
    EXPECT_EQ(elements, 1u);  // the frame alone: no photo was placed
}

}  // namespace
