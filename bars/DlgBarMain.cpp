#include "bars/DlgBarMain.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>

#include "app/FileFormats.h"
#include "app/LumivexDoc.h"
#include "app/PhotoFile.h"
#include "bars/CardCommands.h"
#include "bars/CardFileFlows.h"
#include "controls/PreviewFileDlg.h"
#include "controls/PxSkinButton.h"
#include "controls/SkinBitmaps.h"
#include "image/PxImage.h"

CDlgBarMain::CDlgBarMain(CLumivexDoc& document, const CardCommands& commands, const SkinBitmap* background,
                         QWidget* parent)
    : QWidget(parent), m_document(document), m_background(background)
{
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    const std::filesystem::path skins = SkinFolder();
    auto makeButton = [&](int id, const char* name, QPoint at) {
        auto* button = new PxSkinButton(this);
        button->setObjectName(name);
        button->setProperty("controlId", id);
        button->LoadSkinImages(skins / (std::string(name) + "_up.jpg"), skins / (std::string(name) + "_down.jpg"));
        // Where they stand until the first size change right-aligns them.
        button->move(at);
        return button;
    };
    m_btnNew = makeButton(IDC_BTN_NEW, "new", {300, 1});
    m_btnSave = makeButton(IDC_BTN_SAVE, "save", {354, 1});
    m_btnPhoto = makeButton(IDC_BTN_PHOTO, "photo", {408, 1});
    m_btnTemplate = makeButton(IDC_BTN_TEMPLATE, "template", {462, 1});
    m_btnText = makeButton(IDC_BTN_TEXT, "text", {516, 1});
    m_btnHelp = makeButton(IDC_BTN_HELP, "help", {570, 1});
    m_btnHelp->SetTipText(QStringLiteral("Help"));
    m_btnCard = makeButton(IDC_BTN_CARD, "card", {246, 1});
    m_btnCard->SetTipText(QStringLiteral("Open and save cards to change them later"));
    BindButton(m_btnNew, commands.newCard);
    BindButton(m_btnSave, commands.save);
    BindButton(m_btnPhoto, commands.openPhoto);
    BindButton(m_btnTemplate, commands.templateMode);
    BindButton(m_btnText, commands.addText);

    // The Help button's menu.
    m_helpMenu = new QMenu(this);
    m_helpMenu->addActions({commands.helpTopic, commands.website});
    m_helpMenu->addSeparator();
    m_helpMenu->addActions({commands.openCard, commands.saveCardFile, commands.saveCardFileAs});
    m_helpMenu->addSeparator();
    m_helpMenu->addActions({commands.downloadTemplates, commands.print});
    m_helpMenu->addSeparator();
    m_helpMenu->addActions({commands.newTemplateFromPicture, commands.saveAsNewTemplate, commands.exportTemplates});
    m_helpMenu->addSeparator();
    m_helpMenu->addActions({commands.undo, commands.redo});
    m_helpMenu->addSeparator();
    m_helpMenu->addAction(commands.about);
    m_btnHelp->AttachPopupMenu(m_helpMenu);

    // The Card button's menu, with the recent cards read afresh each time it opens.
    m_cardMenu = new QMenu(this);
    connect(m_cardMenu, &QMenu::aboutToShow, this, [this, &commands] {
        m_cardMenu->clear();
        m_cardMenu->addActions({commands.openCard, commands.saveCardFile, commands.saveCardFileAs});
        const QStringList recent = RecentCardFiles();
        if (!recent.isEmpty())
            m_cardMenu->addSeparator();
        for (int i = 0; i < recent.size(); ++i) {
            const QString path = recent[i];
            QAction* item = m_cardMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
            item->setToolTip(path);
            connect(item, &QAction::triggered, this, [this, path] { OpenCardFile(window(), m_document, path); });
        }
    });
    m_btnCard->AttachPopupMenu(m_cardMenu);
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
    case IDC_BTN_CARD:
        return m_btnCard;
    default:
        return nullptr;
    }
}

void CDlgBarMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Right-aligned, 65 pixels apart, at their own sizes.
    const int W = width();
    const std::pair<PxSkinButton*, int> places[] = {{m_btnCard, 455}, {m_btnNew, 390}, {m_btnSave, 325}, {m_btnPhoto, 260},
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
    DrawSkin(painter, QRect(0, 0, 100, H), *m_background, QRect(0, 0, 100, H));
    DrawSkin(painter, QRect(100, 0, W - 100, H), *m_background, QRect(100, 0, w - 100, h));
}

void CDlgBarMain::OnPhoto()
{
    CPreviewFileDlg dialog(true, QStringLiteral("*.bmp"), QString(), QString::fromStdString(PhotoDialogFilter()), window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    OpenPhotoFile(dialog.GetPathName());
}

bool CDlgBarMain::OpenPhotoFile(const QString& path, LONG offset, QString* error)
{
    PxImage photo;
    std::string reason;
    SharedSourceFile source;
    if (!OpenPhoto(path.toStdString(), photo, reason, source)) {
        const QString why = QStringLiteral("The photo %1 could not be opened: %2").arg(path, QString::fromStdString(reason));
        if (error)
            *error = why;
        else
            QMessageBox::warning(window(), QStringLiteral("Orvantis"), why);
        return false;
    }
    return m_document.PlacePhoto(std::move(photo), offset, std::move(source));
}

bool CDlgBarMain::PlacePicture(PxImage picture, LONG offset)
{
    return m_document.PlacePhoto(std::move(picture), offset);
}
