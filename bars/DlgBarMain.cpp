#include "bars/DlgBarMain.h"

#include <QDesktopServices>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QUrl>

#include "app/BitmapImage.h"
#include "app/PhotoFile.h"
#include "app/ProgramFolder.h"
#include "controls/AppStrings.h"
#include "controls/CardPrint.h"
#include "controls/CardSaveDialog.h"
#include "controls/DlgAbout.h"
#include "controls/PreviewFileDlg.h"
#include "controls/PxSkinButton.h"
#include "controls/SkinBitmaps.h"
#include "image/PxImage.h"
#include "view/LumivexView.h"

namespace {

const char* const kPhotoFilter =
    "support files|*.bmp;*.jpg;*.jpeg;*.png;*.tga;*.tiff;*.jp2;*.j2k;*.webp;*.heic;*.heif;*.avif|BMP files "
    "(*.bmp)|*.bmp|JPG files (*.jpg;*.jpeg)|*.jpg;*.jpeg|PNG files (*.png)|*.png|TGA files (*.tga)|*.tga|TIFF files "
    "(*.tiff,*.tif)|*.tiff;*.tif|JP2 files(*.j2k;*.jp2)|*.j2k;*.jp2|WebP files (*.webp)|*.webp|HEIF files "
    "(*.heic;*.heif)|*.heic;*.heif|AVIF files (*.avif)|*.avif||";

}  // namespace

CDlgBarMain::CDlgBarMain(CLumivexView& view, const Bitmap* background, QWidget* parent)
    : QWidget(parent), m_view(view), m_background(background)
{
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    const std::filesystem::path skins = SkinFolder();
    auto makeButton = [&](int id, const char* name, const QString& tip) {
        auto* button = new PxSkinButton(this);
        button->setObjectName(name);
        button->setProperty("controlId", id);
        button->LoadSkinImages(skins / (std::string(name) + "_up.jpg"), skins / (std::string(name) + "_down.jpg"));
        button->SetTipText(tip);
        return button;
    };
    m_btnHelp = makeButton(IDC_BTN_HELP, "help", QStringLiteral("Help"));
    m_btnTemplate = makeButton(IDC_BTN_TEMPLATE, "template", QStringLiteral("Template"));
    m_btnText = makeButton(IDC_BTN_TEXT, "text", QStringLiteral("Add text (Ctrl+T)"));
    m_btnSave = makeButton(IDC_BTN_SAVE, "save", QStringLiteral("Save the card (Ctrl+S)"));
    m_btnPhoto = makeButton(IDC_BTN_PHOTO, "photo", QStringLiteral("Open a photo (Ctrl+O)"));
    m_btnNew = makeButton(IDC_BTN_NEW, "new", QStringLiteral("New card (Ctrl+N)"));

    // The Help button's menu; the bar handles its commands.
    m_helpMenu = new QMenu(this);
    auto addItem = [&](const QString& text, int id) {
        QAction* item = m_helpMenu->addAction(text);
        item->setData(id);
        return item;
    };
    addItem(QStringLiteral("Help Topic"), ID_HELP_TOPIC);
    addItem(QStringLiteral("Software Website"), ID_SOFTWARE_WEBSITE);
    m_helpMenu->addSeparator();
    addItem(QStringLiteral("Download more templates"), ID_DOWNLOAD_TEMPLATES);
    addItem(QStringLiteral("Print... (Ctrl+P)"), ID_PRINT);
    m_helpMenu->addSeparator();
    QAction* undo = addItem(QStringLiteral("Undo (Ctrl+Z)"), ID_UNDO);
    QAction* redo = addItem(QStringLiteral("Redo (Ctrl+Shift+Z)"), ID_REDO);
    m_helpMenu->addSeparator();
    addItem(QStringLiteral("About"), ID_ABOUT);
    connect(m_helpMenu, &QMenu::aboutToShow, this, [this, undo, redo] {
        undo->setEnabled(m_view.GetHistory().UndoCount() > 0);
        redo->setEnabled(m_view.GetHistory().RedoCount() > 0);
    });
    m_btnHelp->AttachPopupMenu(m_helpMenu);
    connect(m_btnHelp, &PxSkinButton::menuCommand, this, &CDlgBarMain::OnMenuCommand);

    connect(m_btnNew, &QAbstractButton::clicked, this, &CDlgBarMain::OnNew);
    connect(m_btnSave, &QAbstractButton::clicked, this, &CDlgBarMain::OnSave);
    connect(m_btnPhoto, &QAbstractButton::clicked, this, &CDlgBarMain::OnPhoto);
    connect(m_btnTemplate, &QAbstractButton::clicked, this, [this] { m_view.SetMode(MODE_TEMPLATE); });
    connect(m_btnText, &QAbstractButton::clicked, this, [this] { m_view.SetMode(MODE_ADD_TEXT); });
}

PxSkinButton* CDlgBarMain::Button(int id) const
{
    switch (id) {
    case IDC_BTN_HELP:
        return m_btnHelp;
    case IDC_BTN_TEMPLATE:
        return m_btnTemplate;
    case IDC_BTN_TEXT:
        return m_btnText;
    case IDC_BTN_SAVE:
        return m_btnSave;
    case IDC_BTN_PHOTO:
        return m_btnPhoto;
    case IDC_BTN_NEW:
        return m_btnNew;
    default:
        return nullptr;
    }
}

void CDlgBarMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Right-aligned, 65 pixels apart, at their own sizes.
    const int W = width();
    const std::pair<PxSkinButton*, int> places[] = {{m_btnNew, 390}, {m_btnSave, 325}, {m_btnPhoto, 260},
                                                    {m_btnTemplate, 195}, {m_btnText, 130}, {m_btnHelp, 65}};
    for (const auto& [button, fromRight] : places)
        button->move(W - fromRight, 0);
}

void CDlgBarMain::paintEvent(QPaintEvent*)
{
    if (!m_background)
        return;
    QPainter painter(this);
    const int W = width(), H = height(), w = m_background->Width(), h = m_background->Height();
    DrawBitmap(painter, QRect(0, 0, 100, H), *m_background, QRect(0, 0, 100, H));
    DrawBitmap(painter, QRect(100, 0, W - 100, H), *m_background, QRect(100, 0, w - 100, h));
}

void CDlgBarMain::OnNew()
{
    m_view.GetDocument().NewCard();
    m_view.ResetMode();
    m_view.UpdateStatus();
}

void CDlgBarMain::OnSave()
{
    SaveCardImageWithDialog(window(), m_view.GetDocument());
}

void CDlgBarMain::OnPhoto()
{
    CPreviewFileDlg dialog(true, QStringLiteral("*.bmp"), QString(), QString::fromLatin1(kPhotoFilter), window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    OpenPhotoFile(dialog.GetPathName());
}

bool CDlgBarMain::OpenPhotoFile(const QString& path, LONG offset, QString* error)
{
    PxImage photo;
    std::string reason;
    if (!OpenPhoto(path.toStdString(), photo, reason)) {
        const QString why = QStringLiteral("The photo %1 could not be opened: %2").arg(path, QString::fromStdString(reason));
        if (error)
            *error = why;
        else
            QMessageBox::warning(window(), QStringLiteral("Orvantis"), why);
        return false;
    }
    return PlacePicture(photo, offset);
}

bool CDlgBarMain::PlacePicture(const PxImage& picture, LONG offset)
{
    CLumivexDoc& document = m_view.GetDocument();
    if (!document.PlacePhoto(picture))
        return false;
    ElementBase* placed = document.m_workArea.GetSelected();
    placed->m_ptPos.x += offset;
    placed->m_ptPos.y += offset;
    m_view.SetMode(MODE_PHOTO);
    return true;
}

void CDlgBarMain::OnMenuCommand(int id)
{
    switch (id) {
    case ID_HELP_TOPIC:
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString((GetAppDir() / "Orvantis.html").string())));
        break;
    case ID_SOFTWARE_WEBSITE:
        QDesktopServices::openUrl(QUrl(QString::fromUtf8(kStrProductWebsite)));
        break;
    case ID_DOWNLOAD_TEMPLATES:
        QDesktopServices::openUrl(QUrl(QString::fromUtf8(kStrTemplateDownloads)));
        break;
    case ID_PRINT:
        PrintCardWithDialog(window(), m_view.GetDocument());
        break;
    case ID_UNDO:
        m_view.Undo();
        break;
    case ID_REDO:
        m_view.Redo();
        break;
    case ID_ABOUT: {
        CDlgAbout about(window());
        about.exec();
        break;
    }
    default:
        break;
    }
}
