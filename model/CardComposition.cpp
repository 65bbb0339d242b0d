#include "model/CardComposition.h"

#include <algorithm>
#include <cstdint>

#include "platform/Coordinates.h"

namespace {

constexpr COLORREF kHatchColour = RGB(191, 191, 191);

// The kept canvas, its context as new, when it has the size; else a new one
// in its place; null when it cannot be made.
MemoryCanvas* CanvasOfSize(std::unique_ptr<MemoryCanvas>& kept, LONG width, LONG height)
{
    if (kept && kept->Info().bmiHeader.biWidth == width && kept->Info().bmiHeader.biHeight == height)
        kept->ResetContext();
    else
        kept = std::make_unique<MemoryCanvas>(width, height);
    if (!kept->IsValid())
        kept.reset();
    return kept.get();
}

// The card layer alone, in card coordinates; null without a frame size.
MemoryCanvas* ComposeCardLayer(WorkArea& card, LONG handleSize, std::unique_ptr<MemoryCanvas>& kept)
{
    const SIZE size = card.GetFrameSize();
    if (size.cx <= 0 || size.cy <= 0)
        return nullptr;
    MemoryCanvas* layer = CanvasOfSize(kept, size.cx, size.cy);
    if (!layer)
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

// The hatch on the context's default white background, over the client
// where the card does not cover it (the pattern is aligned to the client's
// corner, so the parts join).
void HatchAround(HDC dc, const RECT& client, const RECT& card)
{
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, kHatchColour);
    const RECT parts[] = {
        {client.left, client.top, client.right, card.top},
        {client.left, card.bottom, client.right, client.bottom},
        {client.left, card.top, card.left, card.bottom},
        {card.right, card.top, client.right, card.bottom},
    };
    for (const RECT& part : parts)
        if (part.left < part.right && part.top < part.bottom)
            FillRect(dc, &part, hatch);
    DeleteObject(hatch);
}

}  // namespace

const MemoryCanvas* ComposeCard(WorkArea& card, SIZE client, LONG handleSize, CardCanvases& canvases)
{
    const MemoryCanvas* layer = ComposeCardLayer(card, handleSize, canvases.layer);
    MemoryCanvas* backBuffer = CanvasOfSize(canvases.backBuffer, client.cx, client.cy);
    if (!backBuffer)
        return nullptr;
    const RECT whole{0, 0, client.cx, client.cy};
    if (!layer) {
        HatchAround(backBuffer->Dc(), whole, {});
        return backBuffer;
    }
    const POINT origin = card.GetOrigin();
    const SIZE size = card.GetFrameSize();
    // Only the part of the card inside the client hides the hatch.
    const auto inside = [](std::int64_t v, LONG end) { return LONG(std::clamp<std::int64_t>(v, 0, end)); };
    const RECT shown{inside(origin.x, client.cx), inside(origin.y, client.cy),
                     inside(std::int64_t(origin.x) + size.cx, client.cx), inside(std::int64_t(origin.y) + size.cy, client.cy)};
    HatchAround(backBuffer->Dc(), whole, shown);
    BitBlt(backBuffer->Dc(), origin.x, origin.y, size.cx, size.cy, layer->Dc(), 0, 0, SRCCOPY);
    return backBuffer;
}

std::unique_ptr<MemoryCanvas> ComposeCard(WorkArea& card, LONG clientWidth, LONG clientHeight, LONG handleSize)
{
    CardCanvases canvases;
    if (!ComposeCard(card, {clientWidth, clientHeight}, handleSize, canvases))
        return nullptr;
    return std::move(canvases.backBuffer);
}
