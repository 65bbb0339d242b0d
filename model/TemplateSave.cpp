#include "model/TemplateSave.h"

#include <algorithm>
#include <cstring>

#include "image/PxImage.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "model/WorkArea.h"

namespace {

constexpr LONG kPreviewWidth = 100;
constexpr LONG kPreviewHeight = 70;

// The white 24-bit preview bitmap selected into a memory context.
class PreviewCanvas {
public:
    PreviewCanvas()
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = kPreviewWidth;
        info.bmiHeader.biHeight = kPreviewHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        m_dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (m_bitmap) {
            std::memset(bits, 0xFF, m_bitmap->pixels.size());
            m_previous = SelectObject(m_dc, m_bitmap);
        }
    }
    ~PreviewCanvas()
    {
        if (m_bitmap)
            SelectObject(m_dc, m_previous);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    PreviewCanvas(const PreviewCanvas&) = delete;
    PreviewCanvas& operator=(const PreviewCanvas&) = delete;

    HDC Dc() const { return m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
};

}  // namespace

RECT ScaleToPreview(POINT pos, SIZE size, float sx, float sy)
{
    const LONG x = LONG(pos.x * sx + 0.5), y = LONG(pos.y * sy + 0.5);
    return {x, y, x + LONG(size.cx * sx + 0.5), y + LONG(size.cy * sy + 0.5)};
}

bool SaveTemplate(const WorkArea& card, const std::filesystem::path& folder)
{
    // The template's elements and the user's texts in painting order; photos
    // stay with the card.
    std::vector<std::unique_ptr<ElementBase>> clones;
    for (const auto& element : card.GetElements())
        if (element->m_nKind != ELEMENT_USER || dynamic_cast<const TextEx*>(element.get()))
            clones.push_back(element->Clone());
    if (clones.empty() || clones.front()->m_nKind != ELEMENT_TEMPLATE_FRAME)
        return false;
    const SIZE frameSize = clones.front()->GetSize();
    if (frameSize.cx <= 0 || frameSize.cy <= 0)
        return false;

    std::vector<ElementBase*> list;
    for (const auto& clone : clones)
        list.push_back(clone.get());
    const bool recordsWritten = WorkArea::WriteTemplateFile(list, folder / "this.tpl");

    PreviewCanvas preview;
    if (!preview.Bitmap())
        return false;
    const float sx = float(kPreviewWidth) / float(frameSize.cx);
    const float sy = float(kPreviewHeight) / float(frameSize.cy);
    ElementBase& frame = *clones.front();
    frame.SetSize({kPreviewWidth, kPreviewHeight});
    frame.Draw(preview.Dc());
    for (std::size_t i = 1; i < clones.size(); ++i) {
        ElementBase& element = *clones[i];
        const RECT box = ScaleToPreview(element.GetPos(), element.GetSize(), sx, sy);
        element.m_ptPos = {box.left, box.top};
        element.SetSize({box.right - box.left, box.bottom - box.top});
        element.Draw(preview.Dc());
    }
    PxImage thumbnail;
    return thumbnail.CreateFromHBITMAP(preview.Bitmap()) && thumbnail.Save(folder / "thumb.jpg", FormatBmp) &&
           recordsWritten;
}
