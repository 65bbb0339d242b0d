#include "model/CardRender.h"

#include <cmath>
#include <cstring>
#include <new>

#include "platform/Coordinates.h"

namespace {

void DrawFullResolution(WorkArea& card, HDC dc, SIZE full)
{
    // The scale is a float; the products with it are formed in double.
    const float s = float(full.cx) / float(card.GetFrameSize().cx);
    if (std::fabs(s - 1) < 0.000001) {
        for (const auto& element : card.GetElements()) {
            element->Rebuild(true);
            element->Draw(dc);
            // The next interactive change rebuilds with the fast resampler.
            element->m_bHighQuality = 0;
        }
        return;
    }
    auto scaled = [s](LONG v) { return TruncateToLong(double(v) * s + 0.5); };
    for (const auto& element : card.GetElements()) {
        const std::unique_ptr<ElementBase> copy = element->Clone();
        copy->m_bHighQuality = 1;
        if (copy->m_nKind == ELEMENT_TEMPLATE_FRAME) {
            copy->SetSize(full);
        } else {
            const POINT pos = copy->GetPos();
            const SIZE size = copy->GetSize();
            copy->m_ptPos = {scaled(pos.x), scaled(pos.y)};
            copy->SetSize({scaled(size.cx), scaled(size.cy)});
        }
        copy->Draw(dc);
    }
}

}  // namespace

HBITMAP RenderCardBitmap(WorkArea& card)
{
    const SIZE full = card.GetCardImageSize();
    if (full.cx <= 0 || full.cy <= 0 || card.GetFrameSize().cx <= 0)
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), full.cx, full.cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
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
        DrawFullResolution(card, dc, full);
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
