// The card view: shows the document's card fitted into the window over a
// hatched background, owns the interaction mode, and turns mouse and keys
// into the document's operations. It answers every change of the card with
// the selection's box, a new composition (made when the card is next
// painted) and the status.
#pragma once

#include <memory>

#include <QWidget>

#include "app/LumivexDoc.h"
#include "model/TrackerEx.h"
#include "platform/MemoryCanvas.h"
#include "view/CardGestures.h"
#include "view/EditEx.h"
#include "view/ViewHost.h"

constexpr int MODE_NONE = -1;
constexpr int MODE_TEMPLATE = 0;
constexpr int MODE_PHOTO = 1;
constexpr int MODE_TEXT = 2;
constexpr int MODE_ADD_TEXT = 3;
constexpr int MODE_EDITING = 4;
constexpr int MODE_EDIT_DONE = 5;

class CLumivexView : public QWidget {
    Q_OBJECT
public:
    CLumivexView(CLumivexDoc& document, ViewHost* host, QWidget* parent = nullptr);
    ~CLumivexView() override;

    CLumivexDoc& GetDocument() const { return m_document; }
    int GetMode() const { return m_nMode; }

    // The card is composed anew when it is next painted or asked for.
    void RedrawCard();
    void SetMode(int mode);
    // New card: the mode starts afresh, so SetMode(0) runs in full.
    void ResetMode();
    void UpdateStatus();
    void SyncTextBar();
    void UpdateTrackerRect();
    const CTrackerEx& GetTracker() const { return m_tracker; }

    // Escape: nothing selected, back to template mode; a deselected photo
    // sinks below the frame as after a click elsewhere.
    void ClearSelection();
    // A photo dropped at a position of the widget over one of the frame's
    // windows is fitted into that window; elsewhere it stays as placed.
    void FitSelectionIntoWindowAt(const QPointF& position);

    // The in-place editor: prepared (hidden) in a font, colour and look,
    // its lines' box starting at a client point; committed as a new text
    // when the editing ends.
    void BeginTextEdit(const LOGFONTW& font, COLORREF colour, const TextLook& look, POINT lines);
    void CommitTextEdit();
    CEditEx& GetEditor() const { return *m_pEdit; }

    // Undo and redo: an open editor is committed first; nothing happens
    // during a drag.
    void Undo();
    void Redo();

    // The card's composition at the client size, composed when the card has
    // changed since; null when it cannot be made. The client is the widget
    // in device pixels (see DevicePixels.h), as are the tracker's box and
    // every point the view hands on.
    const MemoryCanvas* GetBackBuffer();
    // How many times the card has been composed.
    int CompositionCount() const { return m_nCompositions; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void OnCardChanged(CardChange change);
    // The mode that shows the selection: photo, text, or the template's.
    void EnterModeOfSelection(bool afresh);
    void OnLeftButtonDown(POINT p);
    void UpdateCursor(POINT p);
    void StartNewText(POINT p);
    void EditTextAt(POINT p);
    bool ClientHolds(POINT p) const;
    // A mouse position as the client pixel it falls in.
    POINT ClientPoint(const QPointF& position) const;
    // The card fitted to the client's size, and the tracker's handles to
    // the screen's ratio.
    void FitToClient();
    bool SelectionIsPicture() const;
    // Whether a photo that loses the selection sinks below the frame.
    bool SinksPhotos() const;
    bool IsDragging() const { return m_drag.IsActive() || m_rotation.IsActive(); }
    POINT ToCard(POINT client) const;

    CLumivexDoc& m_document;
    const WorkArea& m_card;
    ViewHost* m_host;
    // The composition's pixels, reused while the client keeps its size.
    CardCanvases m_canvases;
    const MemoryCanvas* m_backBuffer = nullptr;
    int m_nCompositions = 0;
    bool m_bBackBufferStale = true;
    CEditEx* m_pEdit = nullptr;
    CTrackerEx m_tracker;
    TrackerDrag m_drag;
    PhotoRotation m_rotation;
    SIZE m_rcLastClient{};
    // The font of the last new text: kept when the size box holds no size.
    LOGFONTW m_lfNewText;
    int m_nMode = MODE_NONE;
};
