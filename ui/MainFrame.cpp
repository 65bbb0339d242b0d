#include "ui/MainFrame.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "app/BitmapImage.h"
#include "app/CardAutosave.h"
#include "app/LumivexDoc.h"
#include "app/ProgramFolder.h"
#include "app/ResFolders.h"
#include "bars/CardFileFlows.h"
#include "bars/CardPrint.h"
#include "bars/CardSaveDialog.h"
#include "bars/DlgBarMain.h"
#include "bars/DlgBarPhoto.h"
#include "bars/DlgBarTemplate.h"
#include "bars/DlgBarText.h"
#include "bars/TemplateFlows.h"
#include "controls/AppStrings.h"
#include "controls/DlgAbout.h"
#include "controls/WindowPlacement.h"
#include "controls/PxSkinButton.h"
#include "controls/StatusBarEx.h"
#include "ui/LumivexApp.h"
#include "view/LumivexView.h"

namespace {

// A whole picture copied at its own size.
void DrawWhole(QPainter& painter, int x, int y, const SkinBitmap* picture)
{
    if (picture)
        DrawSkin(painter, QRect(x, y, picture->Width(), picture->Height()), *picture,
                 QRect(0, 0, picture->Width(), picture->Height()));
}

}  // namespace

CMainFrame::CMainFrame(CLumivexDoc& document, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_document(document),
      m_skin(SkinBitmaps::Load()),
      m_commands(this)
{
    setWindowTitle(QStringLiteral("Orvantis"));
    setMinimumSize(800, 600);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
    m_captionStrip = m_skin.capNormal.get();

    m_view = new CLumivexView(document, this, this);
    m_mainBar = new CDlgBarMain(document, m_commands, m_skin.toolMain.get(), this);
    m_photoBar = new CDlgBarPhoto(document, m_skin.toolSub.get(), m_skin.subPhoto.get(), this);
    m_templateBar = new CDlgBarTemplate(document, m_commands, m_skin.toolSub.get(), m_skin.subTpl.get(), this);
    m_textBar = new CDlgBarText(document, m_skin.toolSub.get(), m_skin.subText.get(), this);
    m_statusBar = new CStatusBarEx(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kSide, kCaption, kSide, kBottom);
    layout->setSpacing(0);
    for (QWidget* bar : {static_cast<QWidget*>(m_mainBar), static_cast<QWidget*>(m_photoBar),
                         static_cast<QWidget*>(m_templateBar), static_cast<QWidget*>(m_textBar)})
        layout->addWidget(bar);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_statusBar);

    // The template bar is shown, its button held and its hint given from
    // the start.
    m_view->SetMode(MODE_TEMPLATE);
    ConnectCommands();

    resize(800, 600);
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && !PlatformPlacesWindows()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - 800) / 2, area.top() + (area.height() - 600) / 2);
    }
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::ConnectCommands()
{
    const CardCommands& c = m_commands;
    auto on = [this](QAction* command, auto handler) { connect(command, &QAction::triggered, this, handler); };
    on(c.newCard, [this] {
        if (ConfirmReplaceCard(this, m_document))
            m_document.NewCard();
    });
    on(c.openCard, [this] { OpenCardFileWithDialog(this, m_document); });
    on(c.saveCardFile, [this] { SaveCardFile(this, m_document); });
    on(c.saveCardFileAs, [this] { SaveCardFileAs(this, m_document); });
    on(c.save, [this] { SaveCard(); });
    on(c.openPhoto, [this] { m_mainBar->OnPhoto(); });
    on(c.templateMode, [this] { m_view->SetMode(MODE_TEMPLATE); });
    on(c.addText, [this] { m_view->SetMode(MODE_ADD_TEXT); });
    on(c.newTemplateFromPicture, [this] { NewTemplateFromPictureWithDialog(this, m_document, WritableTemplateRoot()); });
    on(c.saveAsNewTemplate, [this] { SaveAsNewTemplateWithDialog(this, m_document, WritableTemplateRoot()); });
    on(c.exportTemplates, [this] { ExportTemplatesWithDialog(this, m_document, TemplateRoots()); });
    on(c.helpTopic, [] {
        const std::filesystem::path manual = GetAppDir() / "Orvantis.html";
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(manual.string())));
    });
    on(c.website, [] { QDesktopServices::openUrl(QUrl(QString::fromUtf8(kStrProductWebsite))); });
    on(c.downloadTemplates, [] { QDesktopServices::openUrl(QUrl(QString::fromUtf8(kStrTemplateDownloads))); });
    on(c.print, [this] { PrintCardWithDialog(this, m_document); });
    on(c.undo, [this] { m_view->Undo(); });
    on(c.redo, [this] { m_view->Redo(); });
    on(c.about, [this] {
        CDlgAbout about(this);
        about.exec();
    });
    on(c.paste, [this] { Paste(); });
    addActions(c.All());
    connect(&m_document, &CLumivexDoc::changed, this, [this] {
        m_commands.undo->setEnabled(m_document.CanUndo());
        m_commands.redo->setEnabled(m_document.CanRedo());
        // The caption is a picture; the window's title names the card file.
        const std::filesystem::path card = m_document.CardPath();
        setWindowTitle(card.empty() ? QStringLiteral("Orvantis")
                                    : QStringLiteral("%1%2 - Orvantis")
                                          .arg(QString::fromStdString(card.filename().string()),
                                               m_document.IsModified() ? QStringLiteral("*") : QString()));
    });
}

// ---- photos from elsewhere ----

namespace {

// The local files among the dropped or pasted things.
QStringList LocalFiles(const QMimeData* data)
{
    QStringList files;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files << url.toLocalFile();
    return files;
}

}  // namespace

void CMainFrame::OpenFiles(const QStringList& files, QStringList* errors, std::optional<QPointF> dropped)
{
    // Photos opened together are placed a little apart, so each can be seen.
    constexpr LONG kStep = 20;
    LONG offset = 0;
    for (const QString& file : files) {
        QString error;
        if (file.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive)) {
            m_templateBar->ImportPackage(file);
        } else if (IsCardFileName(file)) {
            // A card file replaces the card; without a window to ask in
            // (the command line) its failure is reported with the rest.
            std::string why;
            if (!errors)
                OpenCardFile(this, m_document, file);
            else if (!m_document.OpenCard(file.toStdString(), why))
                *errors << QStringLiteral("The card %1 could not be opened: %2").arg(file, QString::fromStdString(why));
        } else if (m_mainBar->OpenPhotoFile(file, offset, errors ? &error : nullptr)) {
            offset += kStep;
            if (dropped)
                m_view->FitSelectionIntoWindowAt(*dropped);
        } else if (errors) {
            *errors << error;
        }
    }
}

void CMainFrame::Paste()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QImage image = clipboard->image();
    if (!image.isNull())
        m_mainBar->PlacePicture(PictureFromImage(image));
    else
        OpenFiles(LocalFiles(clipboard->mimeData()));
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (!LocalFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QStringList files = LocalFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // With Shift held a picture becomes a template instead of a photo.
    if ((event->modifiers() & Qt::ShiftModifier) && files.size() == 1 &&
        !files.front().endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive) && !IsCardFileName(files.front())) {
        NewTemplateFromPictureWithDialog(this, m_document, WritableTemplateRoot(), files.front());
        return;
    }
    // A photo dropped on one of the frame's windows lands fitted into it.
    OpenFiles(files, nullptr, m_view->mapFrom(this, event->position()));
}

// ---- what the view asks of the window ----

void CMainFrame::ShowLowerBar(LowerBar bar)
{
    m_photoBar->setVisible(bar == LowerBar::Photo);
    m_templateBar->setVisible(bar == LowerBar::Template);
    m_textBar->setVisible(bar == LowerBar::Text);
    m_mainBar->Button(IDC_BTN_TEMPLATE)->SetHeld(bar == LowerBar::Template);
    m_mainBar->Button(IDC_BTN_PHOTO)->SetHeld(bar == LowerBar::Photo);
    m_mainBar->Button(IDC_BTN_TEXT)->SetHeld(bar == LowerBar::Text);
    // The view's new size takes effect before it composes the card again.
    if (layout())
        layout()->activate();
}

void CMainFrame::SetStatusText(int pane, const QString& text)
{
    if (pane == 0)
        m_hint = text;
    if (pane != 0 || !m_passing || !m_passing->isActive())
        m_statusBar->SetPaneText(pane, text);
}

void CMainFrame::ShowPassingStatus(const QString& text, int ms)
{
    if (!m_passing) {
        m_passing = new QTimer(this);
        m_passing->setSingleShot(true);
        connect(m_passing, &QTimer::timeout, this, [this] { m_statusBar->SetPaneText(0, m_hint); });
    }
    m_statusBar->SetPaneText(0, text);
    m_passing->start(ms);
}

void ConnectAutosave(CMainFrame& frame, CardAutosave& autosave)
{
    QObject::connect(&autosave, &CardAutosave::saved, &frame,
                     [&frame] { frame.ShowPassingStatus(QStringLiteral("Card kept safe")); });
    QObject::connect(&autosave, &CardAutosave::failed, &frame, [&frame](const QString& why) {
        frame.ShowPassingStatus(QStringLiteral("The card could not be kept safe: %1").arg(why), 8000);
    });
}

void CMainFrame::EnableTextBarControls(bool enable)
{
    m_textBar->setEnabled(enable);
}

void CMainFrame::SyncTextBar(const LOGFONTW& font, COLORREF colour, const TextLook& look)
{
    m_textBar->SyncFrom(font, colour, look);
}

bool CMainFrame::IsPhotoOnTopMost() const
{
    return m_photoBar->IsOnTopMost();
}

bool CMainFrame::GetNewTextFont(LOGFONTW& font) const
{
    return m_textBar->GetNewTextFont(font);
}

COLORREF CMainFrame::GetNewTextColor() const
{
    return m_textBar->GetNewTextColor();
}

TextLook CMainFrame::GetNewTextLook() const
{
    return m_textBar->GetNewTextLook();
}

// ---- caption and borders ----

QRect CMainFrame::MinimiseRect() const
{
    return QRect(QPoint(width() - 108, 1), QPoint(width() - 81 - 1, 17 - 1));
}

QRect CMainFrame::MaximiseRect() const
{
    return QRect(QPoint(width() - 81, 1), QPoint(width() - 54 - 1, 17 - 1));
}

QRect CMainFrame::CloseRect() const
{
    return QRect(QPoint(width() - 54, 1), QPoint(width() - 13 - 1, 17 - 1));
}

void CMainFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int W = width(), H = height();
    if (const SkinBitmap* title = m_skin.title.get()) {
        const int tw = title->Width(), th = title->Height();
        DrawSkin(painter, QRect(0, 0, 150, th), *title, QRect(0, 0, 150, th));
        DrawSkin(painter, QRect(150, 0, W - 270, th), *title, QRect(160, 0, 2, th));
        DrawSkin(painter, QRect(W - 120, 0, 120, th), *title, QRect(tw - 120, 0, 120, th));
    }
    if (m_captionStrip)
        DrawSkin(painter, QRect(W - 108, 1, 95, m_captionStrip->Height()), *m_captionStrip,
                 QRect(0, 0, 95, m_captionStrip->Height()));
    DrawWhole(painter, 0, 25, m_skin.topLeft.get());
    if (const SkinBitmap* left = m_skin.left.get())
        DrawSkin(painter, QRect(0, 90, left->Width(), H - 90), *left, QRect(0, 0, left->Width(), left->Height()));
    DrawWhole(painter, W - 9, 25, m_skin.topRight.get());
    if (const SkinBitmap* right = m_skin.right.get())
        DrawSkin(painter, QRect(W - 9, 90, right->Width(), H - 90), *right,
                 QRect(0, 0, right->Width(), right->Height()));
    if (const SkinBitmap* bottom = m_skin.bottom.get())
        DrawSkin(painter, QRect(1, H - kBottom, W - 2, kBottom), *bottom,
                 QRect(0, 8 - kBottom, bottom->Width(), kBottom));
}

Qt::Edges CMainFrame::BorderAt(const QPoint& p) const
{
    Qt::Edges edges;
    if (isMaximized())
        return edges;
    if (p.x() < kSide)
        edges |= Qt::LeftEdge;
    if (p.x() >= width() - kSide)
        edges |= Qt::RightEdge;
    if (p.y() >= height() - kBottom)
        edges |= Qt::BottomEdge;
    if (p.y() < 4)
        edges |= Qt::TopEdge;
    return edges;
}

void CMainFrame::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const SkinBitmap* strip = m_skin.capNormal.get();
    if (CloseRect().contains(p))
        strip = m_skin.capClose.get();
    else if (MinimiseRect().contains(p))
        strip = m_skin.capMin.get();
    else if (MaximiseRect().contains(p))
        strip = m_skin.capMax.get();
    if (strip != m_captionStrip) {
        m_captionStrip = strip;
        update(QRect(width() - 108, 1, 95, kCaption));
    }
    const Qt::Edges edges = BorderAt(p);
    if (edges == (Qt::LeftEdge | Qt::BottomEdge) || edges == (Qt::RightEdge | Qt::TopEdge))
        setCursor(Qt::SizeBDiagCursor);
    else if (edges == (Qt::RightEdge | Qt::BottomEdge) || edges == (Qt::LeftEdge | Qt::TopEdge))
        setCursor(Qt::SizeFDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        setCursor(Qt::SizeHorCursor);
    else if (edges & (Qt::TopEdge | Qt::BottomEdge))
        setCursor(Qt::SizeVerCursor);
    else
        unsetCursor();
}

void CMainFrame::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (m_captionStrip != m_skin.capNormal.get()) {
        m_captionStrip = m_skin.capNormal.get();
        update(QRect(width() - 108, 1, 95, kCaption));
    }
}

void CMainFrame::ToggleMaximised()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void CMainFrame::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    if (CloseRect().contains(p)) {
        close();
    } else if (MinimiseRect().contains(p)) {
        showMinimized();
    } else if (MaximiseRect().contains(p)) {
        ToggleMaximised();
    } else if (const Qt::Edges edges = BorderAt(p); edges && windowHandle()) {
        windowHandle()->startSystemResize(edges);
    } else if (p.y() < kCaption && !isMaximized() && windowHandle()) {
        windowHandle()->startSystemMove();
    }
}

void CMainFrame::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && p.y() < kCaption && !MinimiseRect().contains(p) &&
        !MaximiseRect().contains(p) && !CloseRect().contains(p))
        ToggleMaximised();
}

// ---- closing ----

bool CMainFrame::ConfirmClose()
{
    if (!m_document.IsModified())
        return true;
    if (QMessageBox::question(this, QStringLiteral("Orvantis"), QStringLiteral("Save the photo before quit?"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return true;
    // A card kept as a card file is saved there; any other as a picture.
    if (!m_document.CardPath().empty())
        return SaveCardFile(this, m_document) == SaveOutcome::Saved;
    return SaveCard() != SaveOutcome::Failed;
}

SaveOutcome CMainFrame::SaveCard()
{
    return SaveCardImageWithDialog(this, m_document);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (ConfirmClose())
        event->accept();
    else
        event->ignore();
}

CMainFrame* StartMainFrame(CLumivexApp& program)
{
    CMainFrame* frame = nullptr;
    const bool started = program.InitInstance([&frame](CLumivexDoc& document) {
        auto made = std::make_unique<CMainFrame>(document);
        frame = made.get();
        return made;
    });
    return started ? frame : nullptr;
}
