// What the template fuzz targets do with a card they read: draw every
// element at the size shown on a white canvas, as the card view composes it.
#pragma once

#include <cstring>

#include "model/WorkArea.h"
#include "platform/Gdi.h"

namespace fuzzsupport {

inline void DrawCard(const WorkArea& card)
{
    const SIZE frame = card.GetFrameSize();
    if (frame.cx <= 0 || frame.cy <= 0)
        return;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateCompatibleBitmap(nullptr, frame.cx, frame.cy);
    if (dc && canvas) {
        HGDIOBJ previous = SelectObject(dc, canvas);
        // memset, not a loop the sanitizers instrument byte by byte.
        std::memset(canvas->pixels.data(), 0xFF, canvas->pixels.size());
        for (const auto& element : card.GetElements())
            element->Draw(dc);
        SelectObject(dc, previous);
    }
    DeleteObject(canvas);
    DeleteDC(dc);
}

}  // namespace fuzzsupport
