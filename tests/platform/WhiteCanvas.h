// A white canvas for drawing tests, with its pixels readable as colours.
#pragma once

#include "platform/MemoryCanvas.h"

struct WhiteCanvas : MemoryCanvas {
    WhiteCanvas(LONG width, LONG height) : MemoryCanvas(width, height) { Fill(0xFF); }

    // The colour at device (x, y), y downwards.
    RGBQUAD At(int x, int y) const
    {
        const COLORREF c = GetPixel(Dc(), x, y);
        return {GetBValue(c), GetGValue(c), GetRValue(c), 0};
    }
};
