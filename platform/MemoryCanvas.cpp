#include "platform/MemoryCanvas.h"

#include <cstring>

MemoryCanvas::MemoryCanvas(LONG width, LONG height)
{
    m_info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    m_info.bmiHeader.biWidth = width;
    m_info.bmiHeader.biHeight = height;
    m_info.bmiHeader.biPlanes = 1;
    m_info.bmiHeader.biBitCount = 24;
    m_dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(m_dc, &m_info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<std::uint8_t*>(bits);
    if (m_bitmap)
        m_previous = SelectObject(m_dc, m_bitmap);
}

MemoryCanvas::~MemoryCanvas()
{
    if (m_bitmap)
        SelectObject(m_dc, m_previous);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
}

void MemoryCanvas::ResetContext()
{
    const HBITMAP bitmap = m_dc->bitmap;
    *m_dc = DeviceContext{};
    m_dc->bitmap = bitmap;
}

std::size_t MemoryCanvas::Stride() const
{
    return std::size_t(((m_info.bmiHeader.biWidth * 24 + 31) / 32) * 4);
}

void MemoryCanvas::Fill(std::uint8_t value)
{
    if (m_bits)
        std::memset(m_bits, value, Stride() * std::size_t(m_info.bmiHeader.biHeight));
}
