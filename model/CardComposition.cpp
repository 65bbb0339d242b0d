#include "model/CardComposition.h"

#include "platform/Coordinates.h"
#include "model/TrackerEx.h"

namespace {

constexpr COLORREF kHatchColour = RGB(191, 191, 191);

// The card layer alone, in card coordinates; null without a frame size.
std::unique_ptr<MemoryCanvas> ComposeCardLayer(WorkArea& card, LONG handleSize)
{
    const SIZE size = card.GetFrameSize();
    if (size.cx <= 0 || size.cy <= 0)
        return nullptr;
    auto layer = std::make_unique<MemoryCanvas>(size.cx, size.cy);
    if (!layer->IsValid())
        return nullptr;
    layer->Fill(0xFF);
    for (const auto& element : card.GetElements())
        element->Draw(layer->Dc());
    if (const ElementBase* selected = card.GetSelected()) {
        // Drawn on the card layer, so the card's edges clip it.
        const POINT pos = selected->GetPos();
        const SIZE box = selected->GetSize();
        CTrackerEx outline;
        outline.m_nHandleSize = handleSize;
        outline.Draw(layer->Dc(), RectAt(pos.x, pos.y, box.cx, box.cy));
    }
    return layer;
}

}  // namespace

std::unique_ptr<MemoryCanvas> ComposeCard(WorkArea& card, LONG clientWidth, LONG clientHeight, LONG handleSize)
{
    const std::unique_ptr<MemoryCanvas> layer = ComposeCardLayer(card, handleSize);
    auto backBuffer = std::make_unique<MemoryCanvas>(clientWidth, clientHeight);
    if (!backBuffer->IsValid())
        return nullptr;
    // The hatch lies on the context's default white background.
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, kHatchColour);
    const RECT client{0, 0, clientWidth, clientHeight};
    FillRect(backBuffer->Dc(), &client, hatch);
    DeleteObject(hatch);
    if (layer) {
        const POINT origin = card.GetOrigin();
        const SIZE size = card.GetFrameSize();
        BitBlt(backBuffer->Dc(), origin.x, origin.y, size.cx, size.cy, layer->Dc(), 0, 0, SRCCOPY);
    }
    return backBuffer;
}
