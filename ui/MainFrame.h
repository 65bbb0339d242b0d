// The main window: a frameless top-level widget that paints its own caption
// and borders from the skin, lays out the main bar, one lower bar, the card
// view and the status bar, moves and resizes itself through the window
// system, and asks whether to save the card before quitting.
#pragma once

#include <memory>
#include <optional>

#include <QRect>
#include <QWidget>

#include "bars/CardCommands.h"
#include "bars/CardSaveDialog.h"
#include "controls/SkinBitmaps.h"
#include "view/ViewHost.h"

class CLumivexDoc;
class CLumivexView;
class CDlgBarMain;
class CDlgBarPhoto;
class CDlgBarTemplate;
class CDlgBarText;
class CStatusBarEx;

class CMainFrame : public QWidget, public ViewHost {
    Q_OBJECT
public:
    static constexpr int kCaption = 25;
    static constexpr int kSide = 9;
    static constexpr int kBottom = 4;

    explicit CMainFrame(CLumivexDoc& document, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CLumivexView& GetView() const { return *m_view; }
    CDlgBarMain& GetMainBar() const { return *m_mainBar; }
    CDlgBarPhoto& GetPhotoBar() const { return *m_photoBar; }
    CDlgBarTemplate& GetTemplateBar() const { return *m_templateBar; }
    CDlgBarText& GetTextBar() const { return *m_textBar; }
    CStatusBarEx& GetStatusBar() const { return *m_statusBar; }
    const CardCommands& Commands() const { return m_commands; }

    // The caption buttons' hit areas in window coordinates.
    QRect MinimiseRect() const;
    QRect MaximiseRect() const;
    QRect CloseRect() const;
    // The caption strip now shown: the normal one or a hovered button's.
    const SkinBitmap* CaptionStrip() const { return m_captionStrip; }

    // Files dropped on the window, pasted or named on the command line:
    // photos placed as Photo places them, template packages imported. Why a
    // photo cannot be read goes to errors when given, else to a message box.
    // Photos dropped at a position of the view over one of the frame's
    // windows are fitted into it.
    void OpenFiles(const QStringList& files, QStringList* errors = nullptr, std::optional<QPointF> dropped = {});

    // ViewHost
    void ShowLowerBar(LowerBar bar) override;
    void SetStatusText(int pane, const QString& text) override;
    // A message in the hint's pane for a few seconds; the hint comes back.
    void ShowPassingStatus(const QString& text, int ms = 2500);
    void EnableTextBarControls(bool enable) override;
    void SyncTextBar(const LOGFONTW& font, COLORREF colour, const TextLook& look) override;
    bool IsPhotoOnTopMost() const override;
    bool GetNewTextFont(LOGFONTW& font) const override;
    COLORREF GetNewTextColor() const override;
    TextLook GetNewTextLook() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The question before quitting; true to go on closing. A window whose
    // card could not be saved stays open.
    bool ConfirmClose();
    // The quit prompt's save: the Save As dialog and the save.
    virtual SaveOutcome SaveCard();

private:
    // Each command's handler; their shortcuts work wherever the focus is in
    // the window.
    void ConnectCommands();
    // A picture on the clipboard, or the photo files copied there.
    void Paste();
    Qt::Edges BorderAt(const QPoint& p) const;
    void ToggleMaximised();

    CLumivexDoc& m_document;
    SkinBitmaps m_skin;
    CardCommands m_commands;
    CDlgBarMain* m_mainBar = nullptr;
    CDlgBarPhoto* m_photoBar = nullptr;
    CDlgBarTemplate* m_templateBar = nullptr;
    CDlgBarText* m_textBar = nullptr;
    CLumivexView* m_view = nullptr;
    CStatusBarEx* m_statusBar = nullptr;
    const SkinBitmap* m_captionStrip = nullptr;
    QString m_hint;           // pane 0 as the view last set it
    QTimer* m_passing = nullptr;  // brings the hint back after a passing message
};

class CardAutosave;
// The card kept behind the user's back while the window is open: saves and
// failures said in the status bar, the slot removed by a normal quit.
void ConnectAutosave(CMainFrame& frame, CardAutosave& autosave);

class CLumivexApp;
// Makes the program's main frame through its application object (document,
// view, skins); null when the window cannot be made.
CMainFrame* StartMainFrame(CLumivexApp& program);
