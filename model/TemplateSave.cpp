#include "model/TemplateSave.h"

#include <algorithm>

#include "image/PxImage.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "model/WorkArea.h"
#include "platform/Coordinates.h"
#include "platform/MemoryCanvas.h"

namespace {

constexpr LONG kPreviewWidth = 100;
constexpr LONG kPreviewHeight = 70;

}  // namespace

RECT ScaleToPreview(POINT pos, SIZE size, float sx, float sy)
{
    // The factors are single precision, their products double.
    auto scaled = [](LONG v, float s) { return TruncateToLong(v * double(s) + 0.5); };
    return RectAt(scaled(pos.x, sx), scaled(pos.y, sy), scaled(size.cx, sx), scaled(size.cy, sy));
}

bool SaveTemplate(const WorkArea& card, const std::filesystem::path& folder, std::string* why)
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

    // The preview's canvas before anything is written: when it cannot be
    // made, both files stay as they were.
    MemoryCanvas preview(kPreviewWidth, kPreviewHeight);
    if (!preview.IsValid())
        return false;

    std::vector<ElementBase*> list;
    for (const auto& clone : clones)
        list.push_back(clone.get());
    const bool recordsWritten = WorkArea::WriteTemplateFile(list, folder / "this.tpl", why);

    preview.Fill(0xFF);
    const float sx = float(kPreviewWidth) / float(frameSize.cx);
    const float sy = float(kPreviewHeight) / float(frameSize.cy);
    ElementBase& frame = *clones.front();
    frame.SetSize({kPreviewWidth, kPreviewHeight});
    frame.Draw(preview.Dc());
    for (std::size_t i = 1; i < clones.size(); ++i) {
        ElementBase& element = *clones[i];
        const RECT box = ScaleToPreview(element.GetPos(), element.GetSize(), sx, sy);
        element.m_ptPos = {box.left, box.top};
        element.SetSize({RectWidth(box), RectHeight(box)});
        element.Draw(preview.Dc());
    }
    PxImage thumbnail;
    std::string previewWhy = "the preview could not be drawn";
    const bool previewWritten =
        thumbnail.CreateFromHBITMAP(preview.Bitmap()) && thumbnail.Save(folder / "thumb.jpg", FormatBmp, previewWhy);
    if (!previewWritten && recordsWritten && why)
        *why = previewWhy;
    return previewWritten && recordsWritten;
}
