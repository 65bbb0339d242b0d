// A 24-bit bottom-up DIB section selected into a memory context of its own:
// what the card, the template preview and drawing's working surfaces are
// painted on. Frees both when it goes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Gdi.h"

class MemoryCanvas {
public:
    // Zeroed (black); IsValid is false when the section cannot be made.
    MemoryCanvas(LONG width, LONG height);
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    bool IsValid() const { return m_bits != nullptr; }
    HDC Dc() const { return m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }
    const BITMAPINFO& Info() const { return m_info; }
    std::uint8_t* Bits() const { return m_bits; }
    std::size_t Stride() const;
    // Row k from the bottom.
    std::uint8_t* Row(LONG k) const { return m_bits + std::size_t(k) * Stride(); }
    // Sets every byte of the pixels, e.g. 0xFF for white.
    void Fill(std::uint8_t value);
    // The context's drawing state (objects, colours, modes, clip) as a new
    // canvas has it, for drawing afresh on pixels that are kept.
    void ResetContext();

private:
    BITMAPINFO m_info{};
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    std::uint8_t* m_bits = nullptr;
};
