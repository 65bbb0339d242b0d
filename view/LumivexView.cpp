#include "view/LumivexView.h"

#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "app/BitmapImage.h"
#include "app/NewTextFont.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "view/DevicePixels.h"

namespace {

const QString kHintTemplate = QStringLiteral("Click Help button to get more info");
const QString kHintPhoto = QStringLiteral("To rotate the photo, move cursor to it, right-click then move your mouse");
const QString kHintText = QStringLiteral("To edit text on the image, double-click on the text you want to edit");
const QString kHintAddText =
    QStringLiteral("To input text on the image, move cursor to the right place, then left-click your mouse");
const QString kHintEditing = QStringLiteral("To stop editing text, press \"Enter\" key on your keyboard");

const QColor kBorderColour(111, 111, 111);

Qt::CursorShape CursorForHit(int hit)
{
    switch (hit) {
    case 0:
    case 2:
        return Qt::SizeFDiagCursor;
    case 1:
    case 3:
        return Qt::SizeBDiagCursor;
    case 4:
    case 6:
        return Qt::SizeVerCursor;
    case 5:
    case 7:
        return Qt::SizeHorCursor;
    case 8:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

bool IsSideHandle(int hit)
{
    return hit >= 4 && hit <= 7;
}

}  // namespace

CLumivexView::CLumivexView(CLumivexDoc& document, ViewHost* host, QWidget* parent)
    : QWidget(parent),
      m_document(document),
      m_card(document.Card()),
      m_host(host),
      m_drag(document, m_tracker),
      m_rotation(document),
      // A new text is 48 points of Times New Roman until the text bar says otherwise.
      m_lfNewText(NewTextFont(u"Times New Roman", 48))
{
    m_tracker.m_nStyle = 10;
    m_pEdit = new CEditEx([this] { return GetBackBuffer(); },
                          [this] {
                              if (m_nMode == MODE_EDITING)
                                  SetMode(MODE_EDIT_DONE);
                          },
                          this);
    m_pEdit->hide();
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel comes from the back buffer: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&m_document, &CLumivexDoc::changed, this, &CLumivexView::OnCardChanged);
}

CLumivexView::~CLumivexView()
{
    // The editor goes first: hidden with the view by the widget's own
    // destructor, it would report its end to a view that is gone.
    delete m_pEdit;
}

bool CLumivexView::ClientHolds(POINT p) const
{
    const SIZE client = devicepixels::Size(*this);
    return p.x >= 0 && p.y >= 0 && p.x < client.cx && p.y < client.cy;
}

POINT CLumivexView::ClientPoint(const QPointF& position) const
{
    return devicepixels::Point(*this, position);
}

bool CLumivexView::SelectionIsPicture() const
{
    return dynamic_cast<const ImageEx*>(m_card.GetSelected()) != nullptr;
}

bool CLumivexView::SinksPhotos() const
{
    return !(m_host && m_host->IsPhotoOnTopMost());
}

POINT CLumivexView::ToCard(POINT client) const
{
    const POINT o = m_card.GetOrigin();
    return {client.x - o.x, client.y - o.y};
}

// ---- the card's changes and the composition ----

void CLumivexView::OnCardChanged(CardChange change)
{
    UpdateTrackerRect();
    UpdateStatus();
    RedrawCard();
    if (change != CardChange::Elements)
        EnterModeOfSelection(change == CardChange::Card);
}

void CLumivexView::EnterModeOfSelection(bool afresh)
{
    if (SelectionIsPicture())
        SetMode(MODE_PHOTO);
    else if (m_card.GetSelected())
        SetMode(MODE_TEXT);
    else if (afresh)
        ResetMode();
    else
        SetMode(MODE_TEMPLATE);
}

void CLumivexView::RedrawCard()
{
    m_bBackBufferStale = true;
    update();
    if (m_pEdit)
        m_pEdit->BackgroundChanged();
}

const MemoryCanvas* CLumivexView::GetBackBuffer()
{
    const SIZE client = devicepixels::Size(*this);
    if ((m_bBackBufferStale || !m_backBuffer) && client.cx > 0 && client.cy > 0) {
        m_backBuffer = m_document.Compose(client, m_tracker.m_nHandleSize, m_canvases);
        m_bBackBufferStale = false;
        ++m_nCompositions;
    }
    return m_backBuffer;
}

void CLumivexView::paintEvent(QPaintEvent*)
{
    // A window moved to a screen of another ratio keeps its size in widget
    // pixels: the card is fitted to its new count of device pixels here.
    const SIZE client = devicepixels::Size(*this);
    if (client.cx != m_rcLastClient.cx || client.cy != m_rcLastClient.cy)
        FitToClient();
    const LONG w = client.cx, h = client.cy, line = devicepixels::Length(*this, 1);
    QPainter painter(this);
    devicepixels::PaintInDevicePixels(painter, *this);
    if (const MemoryCanvas* back = GetBackBuffer())
        DrawBitmap(painter, QRect(line, line, w - 2 * line, h - line), *back->Bitmap(),
                   QRect(0, 0, w - 2 * line, h - line));
    // Left, top and right border lines; there is no bottom line.
    painter.fillRect(QRect(0, 0, line, h), kBorderColour);
    painter.fillRect(QRect(0, 0, w, line), kBorderColour);
    painter.fillRect(QRect(w - line, 0, line, h), kBorderColour);
    if (m_drag.IsActive()) {
        // The rubber band of the drag, a line right and down like the back
        // buffer's copy; a wide pen is drawn inside the band's pixels.
        const RECT r = m_tracker.m_rect;
        const QRect band = QRect(QPoint(std::min(r.left, r.right), std::min(r.top, r.bottom)),
                                 QPoint(std::max(r.left, r.right) - 1, std::max(r.top, r.bottom) - 1))
                               .translated(line, line);
        const LONG inset = line / 2;
        const QRect path = band.adjusted(inset, inset, -inset, -inset);
        painter.setPen(QPen(Qt::white, line));
        painter.drawRect(path);
        painter.setPen(QPen(Qt::black, line, Qt::DotLine));
        painter.drawRect(path);
    }
}

// ---- modes and reports ----

void CLumivexView::SetMode(int mode)
{
    const auto show = [this](LowerBar bar, const QString& hint) {
        if (m_host) {
            m_host->ShowLowerBar(bar);
            m_host->SetStatusText(0, hint);
        }
    };
    switch (mode) {
    case MODE_TEMPLATE:
        if (m_nMode == MODE_TEMPLATE)
            return;
        show(LowerBar::Template, kHintTemplate);
        m_document.ClearSelection(SinksPhotos());
        m_nMode = MODE_TEMPLATE;
        break;
    case MODE_PHOTO:
        show(LowerBar::Photo, kHintPhoto);
        UpdateTrackerRect();
        RedrawCard();
        m_nMode = MODE_PHOTO;
        break;
    case MODE_TEXT:
        show(LowerBar::Text, kHintText);
        SyncTextBar();
        UpdateTrackerRect();
        RedrawCard();
        m_nMode = MODE_TEXT;
        break;
    case MODE_ADD_TEXT:
        show(LowerBar::Text, kHintAddText);
        if (m_card.GetSelected())
            m_document.ClearSelection(SinksPhotos());
        m_nMode = MODE_ADD_TEXT;
        break;
    case MODE_EDITING:
        if (m_host) {
            m_host->EnableTextBarControls(false);
            m_host->SetStatusText(0, kHintEditing);
        }
        m_nMode = MODE_EDITING;
        break;
    case MODE_EDIT_DONE:
        m_nMode = MODE_EDIT_DONE;
        m_pEdit->hide();
        CommitTextEdit();
        if (m_host)
            m_host->EnableTextBarControls(true);
        SetMode(MODE_TEMPLATE);
        // Not mode 0: the next SetMode(0) runs in full.
        m_nMode = MODE_EDIT_DONE;
        break;
    default:
        m_nMode = mode;
        break;
    }
}

void CLumivexView::ResetMode()
{
    m_nMode = MODE_NONE;
    SetMode(MODE_TEMPLATE);
}

void CLumivexView::UpdateStatus()
{
    if (!m_host)
        return;
    const SIZE full = m_card.GetCardImageSize();
    const SIZE shown = m_card.GetFrameSize();
    m_host->SetStatusText(1, QString::asprintf("%d x %d", int(full.cx), int(full.cy)));
    if (full.cx > 0)
        m_host->SetStatusText(2, QString::asprintf("%.1f%%", 100.0 * shown.cx / full.cx));
}

void CLumivexView::SyncTextBar()
{
    const auto* text = dynamic_cast<const TextEx*>(m_card.GetSelected());
    if (m_host && text)
        m_host->SyncTextBar(text->GetLogFont(), text->GetColor(), text->GetLook());
}

void CLumivexView::UpdateTrackerRect()
{
    // The box of a drag in progress is the user's until the release.
    const ElementBase* selected = m_card.GetSelected();
    if (!selected || m_drag.IsActive())
        return;
    const POINT o = m_card.GetOrigin(), pos = selected->GetPos();
    const SIZE size = selected->GetSize();
    m_tracker.m_rect = {o.x + pos.x, o.y + pos.y, o.x + pos.x + size.cx, o.y + pos.y + size.cy};
}

// ---- size ----

void CLumivexView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FitToClient();
}

void CLumivexView::FitToClient()
{
    const SIZE client = devicepixels::Size(*this);
    if (client.cx <= 0 || client.cy <= 0)
        return;
    m_tracker.m_nHandleSize = devicepixels::Length(*this, CTrackerEx::HANDLE_SIZE);
    if (m_host)
        m_document.FitCardToView(client, true);
    // The card has been refitted: the paint that follows composes it anew.
    RedrawCard();
    if (m_pEdit->isVisible() && m_rcLastClient.cx > 0 && m_rcLastClient.cy > 0) {
        const RECT e = m_pEdit->GetPlacement();
        const LONG x = LONG(double(client.cx) * e.left / m_rcLastClient.cx + 0.5);
        const LONG y = LONG(double(client.cy) * e.top / m_rcLastClient.cy + 0.5);
        m_pEdit->PlaceAt({x, y, client.cx, y + (e.bottom - e.top)});
    }
    m_rcLastClient = client;
}

// ---- mouse and keys ----

void CLumivexView::mousePressEvent(QMouseEvent* event)
{
    const POINT p = ClientPoint(event->position());
    if (m_drag.IsActive())
        return;
    if (event->button() == Qt::LeftButton) {
        OnLeftButtonDown(p);
    } else if (event->button() == Qt::RightButton && SelectionIsPicture() && m_rotation.Press(p, m_tracker.m_rect)) {
        setCursor(Qt::PointingHandCursor);
    }
}

void CLumivexView::mouseMoveEvent(QMouseEvent* event)
{
    const POINT p = ClientPoint(event->position());
    if (m_drag.IsActive()) {
        m_drag.Move(p);
        update();
        return;
    }
    if (!ClientHolds(p))
        return;
    if (m_nMode == MODE_ADD_TEXT)
        setCursor(Qt::CrossCursor);
    else if (m_rotation.IsActive())
        m_rotation.Move(p);
    else
        UpdateCursor(p);
}

void CLumivexView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_drag.IsActive()) {
        m_drag.Release(false);
        if (m_nMode == MODE_TEXT)
            SyncTextBar();
        update();  // the rubber band goes
    } else if (event->button() == Qt::RightButton && m_rotation.IsActive()) {
        m_rotation.Release();
        unsetCursor();
    }
}

void CLumivexView::keyPressEvent(QKeyEvent* event)
{
    if (m_drag.IsActive()) {
        if (event->key() == Qt::Key_Escape)
            m_drag.Release(true);
        else
            QWidget::keyPressEvent(event);
        return;
    }
    // A step of one or ten points on screen, in the client's pixels.
    const LONG step = devicepixels::Length(*this, event->modifiers() & Qt::ShiftModifier ? 10 : 1);
    switch (event->key()) {
    case Qt::Key_Delete: m_document.DeleteSelection(); break;
    case Qt::Key_Escape: ClearSelection(); break;
    case Qt::Key_F: m_document.FitSelectedPhoto(); break;
    case Qt::Key_Left: m_document.MoveSelection(-step, 0); break;
    case Qt::Key_Right: m_document.MoveSelection(step, 0); break;
    case Qt::Key_Up: m_document.MoveSelection(0, -step); break;
    case Qt::Key_Down: m_document.MoveSelection(0, step); break;
    default: QWidget::keyPressEvent(event); break;
    }
}

void CLumivexView::FitSelectionIntoWindowAt(const QPointF& position)
{
    m_document.FitSelectedPhotoIntoWindowAt(ToCard(ClientPoint(position)));
}

void CLumivexView::ClearSelection()
{
    if (!m_card.GetSelected() && m_nMode == MODE_TEMPLATE)
        return;
    m_document.ClearSelection(SinksPhotos());
    SetMode(MODE_TEMPLATE);
}

void CLumivexView::OnLeftButtonDown(POINT p)
{
    if (!ClientHolds(p))
        return;
    if (m_nMode == MODE_EDITING) {
        // Hiding the editor ends the editing and commits the text.
        m_pEdit->hide();
    } else if (m_nMode == MODE_ADD_TEXT) {
        StartNewText(p);
        return;
    }
    const bool picture = SelectionIsPicture();
    if (m_card.GetSelected()) {
        const int hit = m_tracker.HitTest(p);
        // A photo keeps its proportions: its side handles do nothing.
        if ((hit >= 0 && hit <= 3) || (IsSideHandle(hit) && !picture))
            m_drag.Press(p, hit);
        if (hit >= 0 && hit <= 7)
            return;
    }
    const ElementBase* previous = m_card.GetSelected();
    m_document.SelectAt(ToCard(p), SinksPhotos());
    const ElementBase* selected = m_card.GetSelected();
    if (!selected) {
        SetMode(MODE_TEMPLATE);
        return;
    }
    if (selected != previous)
        SetMode(SelectionIsPicture() ? MODE_PHOTO : MODE_TEXT);
    const int hit = m_tracker.HitTest(p);
    if (hit == -1)
        SetMode(MODE_TEMPLATE);
    else if (!(IsSideHandle(hit) && SelectionIsPicture()))
        m_drag.Press(p, hit);
}

void CLumivexView::UpdateCursor(POINT p)
{
    const int hit = m_card.GetSelected() ? m_tracker.HitTest(p) : -1;
    setCursor(CursorForHit(hit));
}

void CLumivexView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !m_drag.IsActive() && m_nMode != MODE_EDITING)
        EditTextAt(ClientPoint(event->position()));
}

// ---- undo and redo ----

void CLumivexView::Undo()
{
    if (IsDragging())
        return;
    if (m_nMode == MODE_EDITING)
        m_pEdit->hide();  // commits the text as a step of its own
    m_document.Undo();
}

void CLumivexView::Redo()
{
    if (IsDragging())
        return;
    if (m_nMode == MODE_EDITING)
        m_pEdit->hide();
    m_document.Redo();
}
