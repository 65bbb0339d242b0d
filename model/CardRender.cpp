#include "model/CardRender.h"

#include <cmath>
#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

#include "platform/Coordinates.h"

namespace {

// Copies of the card's elements drawn at the frame size `to`; the card's own
// elements are not touched.
void DrawScaledCopies(const WorkArea& card, HDC dc, SIZE to, bool highQuality)
{
    // The scale is a float; the products with it are formed in double.
    const float s = float(to.cx) / float(card.GetFrameSize().cx);
    auto scaled = [s](LONG v) { return TruncateToLong(double(v) * s + 0.5); };
    for (const auto& element : card.GetElements()) {
        const std::unique_ptr<ElementBase> copy = element->Clone();
        copy->m_bHighQuality = highQuality ? 1 : 0;
        if (copy->m_nKind == ELEMENT_TEMPLATE_FRAME) {
            copy->SetSize(to);
        } else {
            const POINT pos = copy->GetPos();
            const SIZE size = copy->GetSize();
            copy->SetCanvas(to);
            copy->m_ptPos = {scaled(pos.x), scaled(pos.y)};
            copy->SetSize({scaled(size.cx), scaled(size.cy)});
        }
        copy->Draw(dc);
    }
}

void DrawFullResolution(WorkArea& card, HDC dc, SIZE full)
{
    const float s = float(full.cx) / float(card.GetFrameSize().cx);
    if (std::fabs(s - 1) >= 0.000001) {
        DrawScaledCopies(card, dc, full, true);
        return;
    }
    for (const auto& element : card.GetElements()) {
        element->Rebuild(true);
        element->Draw(dc);
        // The next interactive change rebuilds with the fast resampler.
        element->m_bHighQuality = 0;
    }
}

// A white 24-bit card of this size, drawn by draw; null when it cannot be made.
HBITMAP DrawCardBitmap(SIZE size, const std::function<void(HDC)>& draw)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, size.cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        DeleteDC(dc);
        return nullptr;
    }
    std::memset(bits, 0xFF, bitmap->pixels.size());
    HGDIOBJ previous = SelectObject(dc, bitmap);
    bool drawn = true;
    try {
        draw(dc);
    } catch (const std::bad_alloc&) {
        // A clone of a large photo may not fit: no card rather than half of one.
        drawn = false;
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    if (!drawn) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

}  // namespace

HBITMAP RenderCardBitmap(WorkArea& card)
{
    const SIZE full = card.GetCardImageSize();
    if (full.cx <= 0 || full.cy <= 0 || card.GetFrameSize().cx <= 0)
        return nullptr;
    return DrawCardBitmap(full, [&](HDC dc) { DrawFullResolution(card, dc, full); });
}

HBITMAP RenderCardPreview(const WorkArea& card, LONG maxSide)
{
    const SIZE full = card.GetCardImageSize();
    if (full.cx <= 0 || full.cy <= 0 || card.GetFrameSize().cx <= 0 || maxSide <= 0)
        return nullptr;
    const double scale = std::min({1.0, double(maxSide) / full.cx, double(maxSide) / full.cy});
    const SIZE size{std::max<LONG>(1, LONG(full.cx * scale + 0.5)), std::max<LONG>(1, LONG(full.cy * scale + 0.5))};
    return DrawCardBitmap(size, [&](HDC dc) { DrawScaledCopies(card, dc, size, false); });
}
