#include "view/LumivexView.h"

#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "app/BitmapImage.h"
#include "model/FrameWindows.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "view/CardComposition.h"
#include "view/CardRender.h"

namespace {

const QString kHintTemplate = QStringLiteral("Click Help button to get more info");
const QString kHintPhoto = QStringLiteral("To rotate the photo, move cursor to it, right-click then move your mouse");
const QString kHintText = QStringLiteral("To edit text on the image, double-click on the text you want to edit");
const QString kHintAddText =
    QStringLiteral("To input text on the image, move cursor to the right place, then left-click your mouse");
const QString kHintEditing = QStringLiteral("To stop editing text, press \"Enter\" key on your keyboard");

const QColor kBorderColour(111, 111, 111);

POINT ToPoint(const QPointF& p)
{
    return {LONG(std::floor(p.x())), LONG(std::floor(p.y()))};
}

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
    : QWidget(parent), m_document(document), m_card(document.m_workArea), m_host(host)
{
    m_tracker.m_nStyle = 10;
    m_pEdit = new CEditEx([this] { return m_backBuffer.get(); },
                          [this] {
                              if (m_nMode == MODE_EDITING)
                                  SetMode(MODE_EDIT_DONE);
                          },
                          this);
    m_pEdit->hide();
    // A new text is 48 points of Times New Roman until the text bar says otherwise.
    m_lfNewText.lfHeight = -64;
    m_lfNewText.lfWidth = 25;
    std::u16string_view(u"Times New Roman").copy(m_lfNewText.lfFaceName, LF_FACESIZE - 1);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel comes from the back buffer: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_document.SetView(this);
}

CLumivexView::~CLumivexView()
{
    // The editor goes first: hidden with the view by the widget's own
    // destructor, it would report its end to a view that is gone.
    delete m_pEdit;
    if (m_document.GetView() == this)
        m_document.SetView(nullptr);
}

SIZE CLumivexView::GetClientSize() const
{
    return {width(), height()};
}

HBITMAP CLumivexView::RenderCardBitmap()
{
    return ::RenderCardBitmap(m_card);
}

bool CLumivexView::ClientHolds(POINT p) const
{
    return p.x >= 0 && p.y >= 0 && p.x < width() && p.y < height();
}

bool CLumivexView::SelectionIsPicture() const
{
    return dynamic_cast<ImageEx*>(m_card.GetSelected()) != nullptr;
}

// ---- composition ----

void CLumivexView::RedrawCard()
{
    if (width() <= 0 || height() <= 0)
        return;
    m_backBuffer = ComposeCard(m_card, width(), height());
    update();
}

void CLumivexView::paintEvent(QPaintEvent*)
{
    const LONG w = width(), h = height();
    // Dropped by every size change; composed by RedrawCard otherwise.
    if (!m_backBuffer)
        m_backBuffer = ComposeCard(m_card, w, h);
    QPainter painter(this);
    if (m_backBuffer)
        DrawBitmap(painter, QRect(1, 1, w - 2, h - 1), *m_backBuffer->Bitmap(), QRect(0, 0, w - 2, h - 1));
    // Left, top and right border lines; there is no bottom line.
    painter.fillRect(QRect(0, 0, 1, h), kBorderColour);
    painter.fillRect(QRect(0, 0, w, 1), kBorderColour);
    painter.fillRect(QRect(w - 1, 0, 1, h), kBorderColour);
    if (m_bTracking) {
        // The rubber band of the drag, one pixel right and down like the
        // back buffer's copy.
        const RECT r = m_tracker.m_rect;
        const QRect band = QRect(QPoint(std::min(r.left, r.right), std::min(r.top, r.bottom)),
                                 QPoint(std::max(r.left, r.right) - 1, std::max(r.top, r.bottom) - 1))
                               .translated(1, 1);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(band);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(band);
    }
}

// ---- modes and reports ----

void CLumivexView::SetMode(int mode)
{
    switch (mode) {
    case MODE_TEMPLATE:
        if (m_nMode == MODE_TEMPLATE)
            return;
        if (m_host) {
            m_host->ShowLowerBar(LowerBar::Template);
            m_host->SetStatusText(0, kHintTemplate);
        }
        m_card.SetSelected(nullptr);
        RedrawCard();
        m_nMode = MODE_TEMPLATE;
        break;
    case MODE_PHOTO:
        if (m_host) {
            m_host->ShowLowerBar(LowerBar::Photo);
            m_host->SetStatusText(0, kHintPhoto);
        }
        UpdateTrackerRect();
        RedrawCard();
        m_nMode = MODE_PHOTO;
        break;
    case MODE_TEXT:
        if (m_host) {
            m_host->ShowLowerBar(LowerBar::Text);
            m_host->SetStatusText(0, kHintText);
        }
        SyncTextBar();
        UpdateTrackerRect();
        RedrawCard();
        m_nMode = MODE_TEXT;
        break;
    case MODE_ADD_TEXT: {
        if (m_host) {
            m_host->ShowLowerBar(LowerBar::Text);
            m_host->SetStatusText(0, kHintAddText);
        }
        const bool hadSelection = m_card.GetSelected() != nullptr;
        m_card.SetSelected(nullptr);
        if (hadSelection)
            RedrawCard();
        m_nMode = MODE_ADD_TEXT;
        break;
    }
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
        m_host->SyncTextBar(text->GetLogFont(), text->GetColor());
}

void CLumivexView::UpdateTrackerRect()
{
    const ElementBase* selected = m_card.GetSelected();
    if (!selected)
        return;
    const POINT o = m_card.GetOrigin(), pos = selected->GetPos();
    const SIZE size = selected->GetSize();
    m_tracker.m_rect = {o.x + pos.x, o.y + pos.y, o.x + pos.x + size.cx, o.y + pos.y + size.cy};
}

// ---- the text bar's operations ----

void CLumivexView::SetSelectedTextColor(COLORREF colour)
{
    auto* text = dynamic_cast<TextEx*>(m_card.GetSelected());
    if (m_nMode != MODE_TEXT || !text)
        return;
    RecordStep();
    text->SetColor(colour);
    m_card.SetModified(true);
    RedrawCard();
}

void CLumivexView::SetSelectedTextHeight(LONG height)
{
    auto* text = dynamic_cast<TextEx*>(m_card.GetSelected());
    if (m_nMode != MODE_TEXT || !text)
        return;
    RecordStep();
    text->SetFontHeight(height);
    m_card.SetModified(true);
    UpdateTrackerRect();
    RedrawCard();
}

void CLumivexView::SetSelectedTextFace(const std::u16string& face)
{
    auto* text = dynamic_cast<TextEx*>(m_card.GetSelected());
    if (m_nMode != MODE_TEXT || !text)
        return;
    RecordStep();
    text->SetFaceName(face);
    m_card.SetModified(true);
    UpdateTrackerRect();
    RedrawCard();
}

void CLumivexView::AlignSelectedText(int where)
{
    auto* text = dynamic_cast<TextEx*>(m_card.GetSelected());
    if (m_nMode != MODE_TEXT || !text)
        return;
    const LONG cardWidth = m_card.GetFrameSize().cx, textWidth = text->GetSize().cx;
    if (where < 0 || where > 2)
        return;
    RecordStep();
    if (where == 0)
        text->m_ptPos.x = 0;
    else if (where == 1)
        text->m_ptPos.x = (cardWidth - textWidth) / 2;
    else
        text->m_ptPos.x = cardWidth - textWidth;
    m_card.SetModified(true);
    UpdateTrackerRect();
    RedrawCard();
}

void CLumivexView::DeleteSelection()
{
    ElementBase* selected = m_card.GetSelected();
    if (!selected)
        return;
    RecordStep();
    m_card.RemoveElement(selected);
    SetMode(MODE_TEMPLATE);
}

// ---- size ----

void CLumivexView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (width() <= 0 || height() <= 0)
        return;
    if (m_host) {
        m_document.FitCardToView(true);
        UpdateTrackerRect();
        UpdateStatus();
    }
    // The card has been refitted: the paint that follows composes it anew.
    m_backBuffer.reset();
    if (m_pEdit->isVisible() && m_rcLastClient.width() > 0 && m_rcLastClient.height() > 0) {
        const RECT e = m_pEdit->GetPlacement();
        const LONG x = LONG(double(width()) * e.left / m_rcLastClient.width() + 0.5);
        const LONG y = LONG(double(height()) * e.top / m_rcLastClient.height() + 0.5);
        m_pEdit->PlaceAt({x, y, width(), y + (e.bottom - e.top)});
    }
    m_rcLastClient = size();
}

// ---- mouse and keys ----

void CLumivexView::mousePressEvent(QMouseEvent* event)
{
    const POINT p = ToPoint(event->position());
    if (event->button() == Qt::LeftButton && !m_bTracking)
        OnLeftButtonDown(p);
    else if (event->button() == Qt::RightButton && !m_bTracking)
        OnRightButtonDown(p);
}

void CLumivexView::mouseMoveEvent(QMouseEvent* event)
{
    OnMouseMove(ToPoint(event->position()));
}

void CLumivexView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_bTracking)
        EndTrackSelection(false);
    else if (event->button() == Qt::RightButton)
        OnRightButtonUp();
}

void CLumivexView::keyPressEvent(QKeyEvent* event)
{
    if (m_bTracking) {
        if (event->key() == Qt::Key_Escape)
            EndTrackSelection(true);
        else
            QWidget::keyPressEvent(event);
        return;
    }
    const LONG step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Delete: DeleteSelection(); break;
    case Qt::Key_Escape: ClearSelection(); break;
    case Qt::Key_F: FitSelectedPhoto(); break;
    case Qt::Key_Left: MoveSelection(-step, 0); break;
    case Qt::Key_Right: MoveSelection(step, 0); break;
    case Qt::Key_Up: MoveSelection(0, -step); break;
    case Qt::Key_Down: MoveSelection(0, step); break;
    default: QWidget::keyPressEvent(event); break;
    }
}

void CLumivexView::MoveSelection(LONG dx, LONG dy)
{
    ElementBase* selected = m_card.GetSelected();
    if (!selected)
        return;
    RecordStep(true);
    selected->m_ptPos.x += dx;
    selected->m_ptPos.y += dy;
    m_card.SetModified(true);
    UpdateTrackerRect();
    RedrawCard();
}

void CLumivexView::FitSelectedPhoto()
{
    auto* photo = dynamic_cast<ImageEx*>(m_card.GetSelected());
    const auto* frame = dynamic_cast<const ImageEx*>(m_card.GetFrame());
    if (!photo || !frame || photo == frame)
        return;
    const POINT pos = photo->GetPos();
    const SIZE size = photo->GetSize();
    const std::vector<RECT> windows = FindFrameWindows(*frame);
    if (const RECT* window = WindowFor(windows, {pos.x + size.cx / 2, pos.y + size.cy / 2}))
        FitInto(*photo, *window);
}

void CLumivexView::FitSelectionIntoWindowAt(POINT client)
{
    auto* photo = dynamic_cast<ImageEx*>(m_card.GetSelected());
    const auto* frame = dynamic_cast<const ImageEx*>(m_card.GetFrame());
    if (!photo || !frame || photo == frame)
        return;
    const POINT o = m_card.GetOrigin(), at{client.x - o.x, client.y - o.y};
    for (const RECT& window : FindFrameWindows(*frame))
        if (at.x >= window.left && at.x < window.right && at.y >= window.top && at.y < window.bottom) {
            FitInto(*photo, window);
            return;
        }
}

void CLumivexView::FitInto(ImageEx& photo, const RECT& window)
{
    RecordStep();
    FitPhotoToWindow(photo, window);
    m_card.SetModified(true);
    UpdateTrackerRect();
    RedrawCard();
}

void CLumivexView::ClearSelection()
{
    ElementBase* previous = m_card.GetSelected();
    if (!previous && m_nMode == MODE_TEMPLATE)
        return;
    SinkUnlessOnTop(previous);
    SetMode(MODE_TEMPLATE);
}

void CLumivexView::SinkUnlessOnTop(ElementBase* previous)
{
    if (dynamic_cast<ImageEx*>(previous) && !(m_host && m_host->IsPhotoOnTopMost()))
        m_card.SendToBack(previous);
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
    if (m_card.GetSelected()) {
        const int hit = m_tracker.HitTest(p);
        if (hit >= 0 && hit <= 3) {
            TrackSelection(p, hit);
            return;
        }
        if (IsSideHandle(hit)) {
            if (!SelectionIsPicture())
                TrackSelection(p, hit);
            return;
        }
    }
    ElementBase* previous = m_card.GetSelected();
    const POINT origin = m_card.GetOrigin();
    m_card.SelectAt({p.x - origin.x, p.y - origin.y});
    ElementBase* selected = m_card.GetSelected();
    if (selected) {
        if (selected != previous) {
            SinkUnlessOnTop(previous);
            SetMode(SelectionIsPicture() ? MODE_PHOTO : MODE_TEXT);
        }
        const int hit = m_tracker.HitTest(p);
        if (hit == -1) {
            SetMode(MODE_TEMPLATE);
            return;
        }
        if (IsSideHandle(hit) && SelectionIsPicture())
            return;
        TrackSelection(p, hit);
        return;
    }
    SinkUnlessOnTop(previous);
    if (previous)
        RedrawCard();
    SetMode(MODE_TEMPLATE);
}

void CLumivexView::TrackSelection(POINT p, int hit)
{
    const ElementBase* selected = m_card.GetSelected();
    if (!selected)
        return;
    const POINT origin = m_card.GetOrigin();
    const SIZE card = m_card.GetFrameSize();
    m_tracker.m_fRatio = float(selected->GetAspectRatio());
    m_tracker.BeginTrack(hit, p, {origin.x, origin.y, origin.x + card.cx, origin.y + card.cy});
    m_bTracking = true;
    BeginStep();
}

void CLumivexView::EndTrackSelection(bool cancelled)
{
    if (cancelled)
        m_tracker.CancelTrack();
    else
        m_tracker.EndTrack();
    m_bTracking = false;
    ElementBase* selected = m_card.GetSelected();
    if (!selected)
        return;
    m_tracker.NormalizeRect();
    const RECT r = m_tracker.m_rect;
    const POINT origin = m_card.GetOrigin();
    const POINT before = selected->GetPos();
    const SIZE sizeBefore = selected->GetSize();
    selected->SetSize({r.right - r.left, r.bottom - r.top});
    if (m_nMode == MODE_TEXT)
        SyncTextBar();
    selected->m_ptPos = {r.left - origin.x, r.top - origin.y};
    if (selected->m_ptPos.x != before.x || selected->m_ptPos.y != before.y || !(selected->GetSize() == sizeBefore)) {
        CommitStep();
        m_card.SetModified(true);
    }
    UpdateTrackerRect();
    RedrawCard();
}

// ---- the in-place editor ----

void CLumivexView::BeginTextEdit(const LOGFONTW& font, COLORREF colour, POINT at)
{
    const LONG height = m_pEdit->Prepare(font, colour);
    m_pEdit->PlaceAt({at.x, at.y, width(), at.y + height});
}

void CLumivexView::StartNewText(POINT p)
{
    LOGFONTW font = m_lfNewText;
    COLORREF colour = RGB(0, 0, 0);
    if (m_host) {
        m_host->GetNewTextFont(font);
        colour = m_host->GetNewTextColor();
    }
    m_lfNewText = font;
    BeginStep();
    BeginTextEdit(font, colour, p);
    m_pEdit->show();
    m_pEdit->setFocus();
    SetMode(MODE_EDITING);
}

void CLumivexView::EditTextAt(POINT p)
{
    const POINT origin = m_card.GetOrigin();
    TextEx* text = m_card.FindTextAt({p.x - origin.x, p.y - origin.y});
    if (!text)
        return;
    // Taking the text off the card starts the edit: the commit that puts it
    // back is the same step.
    RecordStep();
    const POINT pos = text->GetPos();
    BeginTextEdit(text->GetLogFont(), text->GetColor(), {origin.x + pos.x, origin.y + pos.y});
    m_pEdit->setText(QString::fromStdU16String(text->GetText()));
    // The editor grows to the left so that its first glyph stands where the
    // text's did.
    RECT r = m_pEdit->GetPlacement();
    r.left -= CEditEx::kTextMargin;
    if (m_card.GetSelected() == text)
        m_card.SetSelected(nullptr);
    m_card.RemoveElement(text);
    RedrawCard();
    m_pEdit->PlaceAt(r);
    m_pEdit->show();
    m_pEdit->setFocus();
    m_pEdit->end(false);
    SetMode(MODE_EDITING);
}

void CLumivexView::CommitTextEdit()
{
    const std::u16string typed = m_pEdit->text().toStdU16String();
    if (typed.empty())
        return;
    const RECT r = m_pEdit->GetPlacement();
    const POINT origin = m_card.GetOrigin();
    auto text = std::make_unique<TextEx>(m_pEdit->GetLogFont(), m_pEdit->m_crText, typed);
    text->m_ptPos = {CEditEx::kTextMargin + r.left - origin.x, r.top - origin.y};
    CommitStep();
    m_card.AddElement(std::move(text));
    m_card.SetSelected(nullptr);
}

void CLumivexView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !m_bTracking && m_nMode != MODE_EDITING)
        EditTextAt(ToPoint(event->position()));
}

void CLumivexView::OnRightButtonDown(POINT p)
{
    if (!m_card.GetSelected())
        return;
    const RECT r = m_tracker.m_rect;
    const LONG hw = (r.right - r.left) / 2, hh = (r.bottom - r.top) / 2;
    const RECT inner{r.left + hw / 2, r.top + hh / 2, r.left + hw / 2 + hw, r.top + hh / 2 + hh};
    auto holds = [&](const RECT& box) { return p.x >= box.left && p.x < box.right && p.y >= box.top && p.y < box.bottom; };
    if (holds(r) && !holds(inner) && SelectionIsPicture()) {
        m_ptRotateLast = p;
        m_bRotating = true;
        m_ptRotateCentre = {r.left + hw, r.top + hh};
        setCursor(Qt::PointingHandCursor);
        // The whole drag is one step, recorded when it first turns the photo.
        BeginStep();
    }
}

void CLumivexView::OnMouseMove(POINT p)
{
    if (m_bTracking) {
        m_tracker.TrackTo(p);
        update();
        return;
    }
    if (!ClientHolds(p))
        return;
    if (m_nMode == MODE_ADD_TEXT) {
        setCursor(Qt::CrossCursor);
        return;
    }
    if (m_bRotating) {
        const double a = AngleDelta(m_ptRotateCentre, m_ptRotateLast, p);
        if (std::fabs(a) - 1.0 >= 0.000001) {
            CommitStep();
            m_card.GetSelected()->Rotate(float(std::trunc(a)));
            m_card.SetModified(true);
            UpdateTrackerRect();
            RedrawCard();
            m_ptRotateLast = p;
        }
        return;
    }
    UpdateCursor(p);
}

void CLumivexView::OnRightButtonUp()
{
    if (!m_bRotating)
        return;
    m_bRotating = false;
    unsetCursor();
}

void CLumivexView::UpdateCursor(POINT p)
{
    const int hit = m_card.GetSelected() ? m_tracker.HitTest(p) : -1;
    setCursor(CursorForHit(hit));
}

// ---- undo and redo ----

CardState CLumivexView::CaptureState() const
{
    return CaptureCard(m_card, m_document.m_strTemplateDir, GetClientSize());
}

void CLumivexView::RecordStep(bool mergeable)
{
    m_pendingStep.reset();
    const bool saved = !m_card.IsModified();
    m_history.Record(mergeable && m_history.WouldMerge() ? CardState() : CaptureState(), saved, mergeable);
    // Every change leaves the saved state, also those (New, a template)
    // that would not mark the card themselves.
    m_card.SetModified(true);
}

void CLumivexView::BeginStep()
{
    m_pendingStep = CaptureState();
    m_bPendingSaved = !m_card.IsModified();
}

void CLumivexView::CommitStep()
{
    if (!m_pendingStep)
        return;
    m_history.Record(std::move(*m_pendingStep), m_bPendingSaved);
    m_pendingStep.reset();
    m_card.SetModified(true);
}

void CLumivexView::Undo()
{
    if (m_bTracking || m_bRotating)
        return;
    if (m_nMode == MODE_EDITING)
        m_pEdit->hide();  // commits the text as a step of its own
    if (auto state = m_history.Undo(CaptureState(), !m_card.IsModified()))
        PutBack(std::move(*state));
}

void CLumivexView::Redo()
{
    if (m_bTracking || m_bRotating)
        return;
    if (m_nMode == MODE_EDITING)
        m_pEdit->hide();
    if (auto state = m_history.Redo(CaptureState(), !m_card.IsModified()))
        PutBack(std::move(*state));
}

void CLumivexView::PutBack(CardState state)
{
    m_pendingStep.reset();
    const SIZE client = state.client;
    RestoreCard(m_card, m_document.m_strTemplateDir, std::move(state));
    m_card.SetModified(!m_history.IsAtSavedState());
    // Taken at another size of the view: fitted to this one.
    if (!(client == GetClientSize()))
        m_document.FitCardToView(true);
    UpdateStatus();
    if (SelectionIsPicture())
        SetMode(MODE_PHOTO);
    else if (m_card.GetSelected())
        SetMode(MODE_TEXT);
    else
        ResetMode();
}
