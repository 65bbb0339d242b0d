// The document's operations on the card's elements: selection, placing,
// the photo commands, the text commands and the moves.
#include <algorithm>

#include "app/LumivexDoc.h"
#include "image/PxImage.h"
#include "model/FrameWindows.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"

namespace {

bool IsPhoto(const ElementBase* element)
{
    return dynamic_cast<const ImageEx*>(element) != nullptr;
}

// A photo that moved holds what of it the card now shows.
void KeepShownPartOf(ElementBase* element)
{
    if (auto* photo = dynamic_cast<ImageEx*>(element))
        photo->KeepCovered();
}

}  // namespace

// ---- selection ----

bool CLumivexDoc::SinkPhoto(ElementBase* element)
{
    const auto& elements = m_workArea.GetElements();
    if (!IsPhoto(element) || elements.empty() || elements.front().get() == element)
        return false;
    m_workArea.SendToBack(element);
    return true;
}

void CLumivexDoc::SelectAt(POINT card, bool sinkPhoto)
{
    ElementBase* previous = m_workArea.GetSelected();
    m_workArea.SelectAt(card);
    ElementBase* selected = m_workArea.GetSelected();
    const bool sank = selected != previous && sinkPhoto && SinkPhoto(previous);
    // Selecting raises the element, sinking lowers one: the card is no
    // longer the one saved.
    if (selected || sank)
        m_history.NoteChange();
    Changed(CardChange::Elements);
}

void CLumivexDoc::Select(const ElementBase* element)
{
    const auto& elements = m_workArea.GetElements();
    const auto held = std::find_if(elements.begin(), elements.end(), [&](const auto& e) { return e.get() == element; });
    m_workArea.SetSelected(held == elements.end() ? nullptr : held->get());
    Changed(CardChange::Elements);
}

void CLumivexDoc::ClearSelection(bool sinkPhoto)
{
    if (sinkPhoto && SinkPhoto(m_workArea.GetSelected()))
        m_history.NoteChange();
    m_workArea.SetSelected(nullptr);
    Changed(CardChange::Elements);
}

// ---- elements placed and removed ----

void CLumivexDoc::Place(std::unique_ptr<ElementBase> element)
{
    RecordWholeStep();
    if (!m_keepPhotosOnTop)
        SinkPhoto(m_workArea.GetSelected());
    m_workArea.AddElement(std::move(element));
    Changed(CardChange::Selection);
}

bool CLumivexDoc::PlacePhoto(PxImage picture, LONG offset, SharedSourceFile origin)
{
    if (!picture.IsValid())
        return false;
    const SIZE frame = m_workArea.GetFrameSize();
    const LONG pw = LONG(picture.GetWidth()), ph = LONG(picture.GetHeight());
    // Without a frame there is no card to size the photo by: it keeps its
    // own size. The scale is a float; its products are formed in double.
    LONG w = frame.cx > 0 ? std::min(pw, frame.cx / 3) : pw;
    float s = float(w) / float(pw);
    LONG h = LONG(double(ph) * s);
    if (frame.cy > 0 && h > frame.cy) {
        h = frame.cy;
        s = float(frame.cy) / float(ph);
        w = LONG(double(pw) * s);
    }
    if (w <= 0 || h <= 0)
        return false;
    auto photo = std::make_unique<ImageEx>(std::move(picture), PxImage());
    photo->SetOrigin(std::move(origin));
    photo->m_ptPos = {offset, offset};
    photo->SetSize({w, h});
    if (photo->GetSize().cx <= 0)
        return false;
    Place(std::move(photo));
    return true;
}

void CLumivexDoc::AddText(const LOGFONTW& font, COLORREF colour, const std::u16string& text, POINT at,
                          const TextLook& look)
{
    auto element = std::make_unique<TextEx>(font, colour, text, look);
    element->m_ptPos = at;
    RecordStep();
    m_workArea.AddElement(std::move(element));
    m_workArea.SetSelected(nullptr);
    Changed(CardChange::Elements);
}

void CLumivexDoc::TakeText(const TextEx* text)
{
    const auto& elements = m_workArea.GetElements();
    const auto held = std::find_if(elements.begin(), elements.end(), [&](const auto& e) { return e.get() == text; });
    if (held == elements.end())
        return;
    RecordStep();
    m_workArea.RemoveElement(held->get());
    Changed(CardChange::Elements);
}

void CLumivexDoc::DeleteSelection()
{
    ElementBase* selected = m_workArea.GetSelected();
    if (!selected)
        return;
    RecordWholeStep();
    m_workArea.RemoveElement(selected);
    Changed(CardChange::Selection);
}

// ---- changes of the selected element ----

template <typename T>
void CLumivexDoc::EditSelected(const std::function<void(T&)>& change)
{
    auto* element = dynamic_cast<T*>(m_workArea.GetSelected());
    if (!element)
        return;
    RecordStep();
    change(*element);
    Changed(CardChange::Elements);
}

void CLumivexDoc::MoveSelection(LONG dx, LONG dy)
{
    ElementBase* selected = m_workArea.GetSelected();
    if (!selected)
        return;
    RecordStep(true);
    selected->m_ptPos.x += dx;
    selected->m_ptPos.y += dy;
    KeepShownPartOf(selected);
    Changed(CardChange::Elements);
}

bool CLumivexDoc::SetSelectionBounds(POINT pos, SIZE size)
{
    ElementBase* selected = m_workArea.GetSelected();
    if (!selected)
        return false;
    // The state before the change is taken first: whether it changes is
    // known only after the element has been sized (a text sizes itself by
    // its font).
    const bool ownGesture = !m_inGesture;
    if (ownGesture)
        BeginGesture();
    const POINT posBefore = selected->GetPos();
    const SIZE sizeBefore = selected->GetSize();
    selected->SetSize(size);
    selected->m_ptPos = pos;
    KeepShownPartOf(selected);
    const bool moved = pos.x != posBefore.x || pos.y != posBefore.y || !(selected->GetSize() == sizeBefore);
    if (moved)
        RecordStep();
    if (ownGesture)
        EndGesture();
    Changed(CardChange::Elements);
    return moved;
}

void CLumivexDoc::ZoomSelectedPhoto(double factor)
{
    const auto* photo = dynamic_cast<const ImageEx*>(m_workArea.GetSelected());
    if (!photo)
        return;
    const SIZE size = photo->GetSize();
    const SIZE next{LONG(size.cx * factor + 0.5), LONG(size.cy * factor + 0.5)};
    if (factor > 1 ? (next.cx >= 1000 || next.cy >= 1000) : (next.cx <= 10 || next.cy <= 10))
        return;
    EditSelected<ImageEx>([next](ImageEx& p) { p.SetSize(next); });
}

void CLumivexDoc::MirrorSelectedPhoto()
{
    EditSelected<ImageEx>([](ImageEx& photo) { photo.ToggleFlipMirror(false); });
}

void CLumivexDoc::FlipSelectedPhoto()
{
    EditSelected<ImageEx>([](ImageEx& photo) { photo.ToggleFlipMirror(true); });
}

void CLumivexDoc::RotateSelectedPhoto(float degrees)
{
    EditSelected<ImageEx>([degrees](ImageEx& photo) { photo.Rotate(degrees); });
}

void CLumivexDoc::FitSelectedPhotoInto(const std::function<const RECT*(const std::vector<RECT>&)>& choose)
{
    auto* photo = dynamic_cast<ImageEx*>(m_workArea.GetSelected());
    const auto* frame = dynamic_cast<const ImageEx*>(m_workArea.GetFrame());
    if (!photo || !frame || photo == frame)
        return;
    const std::vector<RECT> windows = FindFrameWindows(*frame);
    if (const RECT* window = choose(windows)) {
        const RECT chosen = *window;
        EditSelected<ImageEx>([&chosen](ImageEx& p) { FitPhotoToWindow(p, chosen); });
    }
}

void CLumivexDoc::FitSelectedPhoto()
{
    const ElementBase* selected = m_workArea.GetSelected();
    if (!selected)
        return;
    const POINT pos = selected->GetPos();
    const SIZE size = selected->GetSize();
    FitSelectedPhotoInto([centre = POINT{pos.x + size.cx / 2, pos.y + size.cy / 2}](const std::vector<RECT>& windows) {
        return WindowFor(windows, centre);
    });
}

void CLumivexDoc::FitSelectedPhotoIntoWindowAt(POINT card)
{
    FitSelectedPhotoInto([card](const std::vector<RECT>& windows) -> const RECT* {
        for (const RECT& window : windows)
            if (card.x >= window.left && card.x < window.right && card.y >= window.top && card.y < window.bottom)
                return &window;
        return nullptr;
    });
}

void CLumivexDoc::SetSelectedTextColor(COLORREF colour)
{
    EditSelected<TextEx>([colour](TextEx& text) { text.SetColor(colour); });
}

void CLumivexDoc::SetSelectedTextHeight(LONG height)
{
    EditSelected<TextEx>([height](TextEx& text) { text.SetFontHeight(height); });
}

void CLumivexDoc::SetSelectedTextFace(const std::u16string& face)
{
    EditSelected<TextEx>([&face](TextEx& text) { text.SetFaceName(face); });
}

void CLumivexDoc::AlignSelectedText(int where)
{
    if (where < 0 || where > 2)
        return;
    const LONG cardWidth = m_workArea.GetFrameSize().cx;
    EditSelected<TextEx>([where, cardWidth](TextEx& text) {
        TextLook look = text.GetLook();
        look.align = TextAlign(where);
        text.SetLook(look);
        const LONG textWidth = text.GetSize().cx;
        text.m_ptPos.x = where == 0 ? 0 : where == 1 ? (cardWidth - textWidth) / 2 : cardWidth - textWidth;
    });
}

void CLumivexDoc::SetSelectedTextOutline(const TextOutline& outline)
{
    EditSelected<TextEx>([&outline](TextEx& text) {
        TextLook look = text.GetLook();
        look.outline = outline;
        text.SetLook(look);
    });
}

void CLumivexDoc::SetSelectedTextShadow(const TextShadow& shadow)
{
    EditSelected<TextEx>([&shadow](TextEx& text) {
        TextLook look = text.GetLook();
        look.shadow = shadow;
        text.SetLook(look);
    });
}
