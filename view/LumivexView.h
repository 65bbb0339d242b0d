// The card view: shows the card fitted into the window over a hatched
// background, owns the interaction mode, and turns mouse and keys into edits
// of the card. Every edit ends in RedrawCard, a full composition of the card
// into the back buffer, which paint events copy to the screen.
#pragma once

#include <memory>
#include <optional>

#include <QWidget>

#include "app/LumivexDoc.h"
#include "platform/MemoryCanvas.h"
#include "view/CardHistory.h"
#include "view/EditEx.h"
#include "view/TrackerEx.h"
#include "view/ViewHost.h"

constexpr int MODE_NONE = -1;
constexpr int MODE_TEMPLATE = 0;
constexpr int MODE_PHOTO = 1;
constexpr int MODE_TEXT = 2;
constexpr int MODE_ADD_TEXT = 3;
constexpr int MODE_EDITING = 4;
constexpr int MODE_EDIT_DONE = 5;

class ImageEx;

class CLumivexView : public QWidget, public CardViewPort {
    Q_OBJECT
public:
    CLumivexView(CLumivexDoc& document, ViewHost* host, QWidget* parent = nullptr);
    ~CLumivexView() override;

    CLumivexDoc& GetDocument() const { return m_document; }
    int GetMode() const { return m_nMode; }

    void RedrawCard();
    void SetMode(int mode);
    // New card: the mode starts afresh, so SetMode(0) runs in full.
    void ResetMode();
    void UpdateStatus();
    void SyncTextBar();
    void UpdateTrackerRect();
    const CTrackerEx& GetTracker() const { return m_tracker; }

    // The text bar's operations on the selected text (mode 2 only).
    void SetSelectedTextColor(COLORREF colour);
    void SetSelectedTextHeight(LONG height);
    void SetSelectedTextFace(const std::u16string& face);
    void AlignSelectedText(int where);

    // Removes the selected element (Delete key and the bars' Delete buttons).
    void DeleteSelection();
    // The arrow keys: the selection moves by whole pixels, off the card too.
    void MoveSelection(LONG dx, LONG dy);
    // F: the selected photo, its proportions kept, covers the frame's window
    // under its centre, or the largest window.
    void FitSelectedPhoto();
    // A photo dropped at a client point over one of the frame's windows is
    // fitted into that window; elsewhere it stays as placed.
    void FitSelectionIntoWindowAt(POINT client);
    // Escape: nothing selected, back to template mode; a deselected photo
    // sinks below the frame as after a click elsewhere.
    void ClearSelection();

    // The in-place editor: prepared (hidden) at a client point in a font
    // and colour; committed as a new text when the editing ends.
    void BeginTextEdit(const LOGFONTW& font, COLORREF colour, POINT at);
    void CommitTextEdit();
    CEditEx& GetEditor() const { return *m_pEdit; }

    // Undo and redo. Every change of the card records the state it starts
    // from: RecordStep just before the change; BeginStep and CommitStep
    // around a change that may not happen (a drag, a template that may not
    // load). A mergeable step right after another is one step with it.
    void RecordStep(bool mergeable = false);
    void BeginStep();
    void CommitStep();
    // An open editor is committed first; nothing happens during a drag.
    void Undo();
    void Redo();
    const CardHistory& GetHistory() const { return m_history; }

    // CardViewPort
    void RecordUndoStep() override { RecordStep(); }
    SIZE GetClientSize() const override;
    HBITMAP RenderCardBitmap() override;

    // The last composition, client-sized; null before the first.
    const MemoryCanvas* GetBackBuffer() const { return m_backBuffer.get(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void OnLeftButtonDown(POINT p);
    void OnRightButtonDown(POINT p);
    void OnMouseMove(POINT p);
    void OnRightButtonUp();
    // Starts moving or resizing the selection; the drag ends on release.
    void TrackSelection(POINT p, int hit);
    void EndTrackSelection(bool cancelled);
    void UpdateCursor(POINT p);
    void StartNewText(POINT p);
    void EditTextAt(POINT p);
    bool ClientHolds(POINT p) const;
    bool SelectionIsPicture() const;
    // A photo that loses the selection sinks below the frame again.
    void SinkUnlessOnTop(ElementBase* previous);
    void FitInto(ImageEx& photo, const RECT& window);
    CardState CaptureState() const;
    // Puts a state from the history back: selection, mode, bars and status follow.
    void PutBack(CardState state);

    CLumivexDoc& m_document;
    WorkArea& m_card;
    ViewHost* m_host;
    std::unique_ptr<MemoryCanvas> m_backBuffer;
    CEditEx* m_pEdit;
    CTrackerEx m_tracker;
    QSize m_rcLastClient;
    // The font of the last new text: kept when the size box holds no size.
    LOGFONTW m_lfNewText{};
    bool m_bTracking = false;
    bool m_bRotating = false;
    POINT m_ptRotateLast{};
    POINT m_ptRotateCentre{};
    int m_nMode = MODE_NONE;
    CardHistory m_history;
    std::optional<CardState> m_pendingStep;  // taken by BeginStep
    bool m_bPendingSaved = false;
};
