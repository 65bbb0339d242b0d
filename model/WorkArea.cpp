#include "model/WorkArea.h"

#include <algorithm>

#include "image/PxFile.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "platform/Coordinates.h"

namespace {

bool BoxHolds(const ElementBase& element, POINT p)
{
    const POINT pos = element.GetPos();
    const SIZE size = element.GetSize();
    const std::int64_t dx = std::int64_t(p.x) - pos.x, dy = std::int64_t(p.y) - pos.y;
    return dx >= 0 && dy >= 0 && dx < size.cx && dy < size.cy;
}

}  // namespace

bool WorkArea::LoadTemplate(const std::filesystem::path& folder)
{
    std::string why;
    const std::shared_ptr<SourceFile> file = ReadSourceFile(folder / "this.tpl", why);
    if (!file)
        return false;
    // The folder's name stands for the template; its preview travels with it.
    file->name = folder.filename().empty() ? folder.parent_path().filename().string() : folder.filename().string();
    if (auto thumbnail = ReadSourceFile(folder / "thumb.jpg", why))
        file->thumbnail = thumbnail->bytes;
    return LoadTemplate(SharedSourceFile(file));
}

bool WorkArea::LoadTemplate(const SharedSourceFile& file)
{
    ElementList loaded;
    if (!file)
        return false;
    PxMemFile stream(const_cast<std::uint8_t*>(file->bytes.data()), std::int32_t(file->bytes.size()));
    ReadTemplateRecords(loaded, stream);
    // The card is built on exactly one frame: the first one; without one the
    // old template stays.
    const auto frame = std::find_if(loaded.begin(), loaded.end(),
                                    [](const auto& e) { return e->m_nKind == ELEMENT_TEMPLATE_FRAME; });
    if (frame == loaded.end())
        return false;

    const auto isTemplate = [](const auto& e) { return e->m_nKind != ELEMENT_USER; };
    if (m_pSelected && m_pSelected->m_nKind != ELEMENT_USER)
        m_pSelected = nullptr;
    std::erase_if(m_elements, isTemplate);

    std::unique_ptr<ElementBase> newFrame = std::move(*frame);
    static_cast<ImageEx&>(*newFrame).SetOrigin(file);
    for (auto& element : loaded) {
        if (!element || element->m_nKind == ELEMENT_TEMPLATE_FRAME)
            continue;  // the held-back frame, or a second frame: dropped
        m_elements.insert(m_elements.begin(), std::move(element));
    }
    m_pFrame = newFrame.get();
    m_elements.insert(m_elements.begin(), std::move(newFrame));
    TellCanvas();
    return true;
}

void WorkArea::AddElement(std::unique_ptr<ElementBase> element)
{
    if (!element)
        return;
    if (element.get() != m_pFrame)
        element->SetCanvas(GetFrameSize());
    m_pSelected = element.get();
    m_elements.push_back(std::move(element));
    m_bModified = true;
}

void WorkArea::RemoveElement(ElementBase* element)
{
    const auto found = std::find_if(m_elements.begin(), m_elements.end(),
                                    [element](const auto& e) { return e.get() == element; });
    if (found == m_elements.end() || element == m_pFrame)
        return;
    if (m_pSelected == element)
        m_pSelected = nullptr;
    m_elements.erase(found);
    m_bModified = true;
}

void WorkArea::Clear()
{
    m_elements.clear();
    m_pFrame = nullptr;
    m_pSelected = nullptr;
}

void WorkArea::Restore(ElementList elements, std::ptrdiff_t frame, std::ptrdiff_t selected)
{
    auto at = [&elements](std::ptrdiff_t i) {
        return i >= 0 && std::size_t(i) < elements.size() ? elements[std::size_t(i)].get() : nullptr;
    };
    m_pFrame = at(frame);
    m_pSelected = at(selected);
    m_elements = std::move(elements);
    TellCanvas();
}

TextEx* WorkArea::FindTextAt(POINT point) const
{
    for (auto it = m_elements.rbegin(); it != m_elements.rend(); ++it)
        if (BoxHolds(**it, point))
            if (auto* text = dynamic_cast<TextEx*>(it->get()))
                return text;
    return nullptr;
}

void WorkArea::SelectAt(POINT point)
{
    // The topmost element that is opaque under the point wins; if every box
    // that holds the point is transparent there, the lowest of them does.
    std::ptrdiff_t hit = -1;
    for (std::ptrdiff_t i = std::ptrdiff_t(m_elements.size()) - 1; i >= 0; --i) {
        const ElementBase& element = *m_elements[std::size_t(i)];
        if (&element == m_pFrame || !BoxHolds(element, point))
            continue;
        hit = i;
        if (!element.IsTransparentAt(point))
            break;
    }
    if (hit < 0) {
        m_pSelected = nullptr;
        return;
    }
    std::unique_ptr<ElementBase> element = std::move(m_elements[std::size_t(hit)]);
    m_elements.erase(m_elements.begin() + hit);
    m_pSelected = element.get();
    m_elements.push_back(std::move(element));
    m_bModified = true;
}

void WorkArea::SendToBack(ElementBase* element)
{
    const auto found = std::find_if(m_elements.rbegin(), m_elements.rend(),
                                    [element](const auto& e) { return e.get() == element; });
    if (found == m_elements.rend())
        return;
    std::rotate(m_elements.begin(), std::prev(found.base()), found.base());
}

void WorkArea::ScaleAll(SIZE frameSize)
{
    Scale(frameSize, false);
}

void WorkArea::ScaleTemplateElements(SIZE frameSize)
{
    Scale(frameSize, true);
}

void WorkArea::Scale(SIZE frameSize, bool templateOnly)
{
    // Without a frame (or with an empty one) there is no scale to take.
    const SIZE current = GetFrameSize();
    if (!m_pFrame || current.cx == 0)
        return;
    // The factor is kept in single precision, its products in double.
    const float factor = float(double(frameSize.cx) / double(current.cx));
    // The frame first: the others are rebuilt for the card it makes.
    m_pFrame->SetSize(frameSize);
    TellCanvas();
    for (auto& element : m_elements) {
        if ((templateOnly && element->m_nKind == ELEMENT_USER) || element.get() == m_pFrame)
            continue;
        auto scaled = [factor](LONG v) { return TruncateToLong(v * double(factor) + 0.5); };
        const SIZE size = element->GetSize();
        element->m_ptPos = {scaled(element->m_ptPos.x), scaled(element->m_ptPos.y)};
        element->SetSize({scaled(size.cx), scaled(size.cy)});
    }
}

void WorkArea::TellCanvas()
{
    const SIZE canvas = GetFrameSize();
    for (auto& element : m_elements)
        if (element.get() != m_pFrame)
            element->SetCanvas(canvas);
}

SIZE WorkArea::GetFrameSize() const
{
    return m_pFrame ? m_pFrame->GetSize() : SIZE{};
}

SIZE WorkArea::GetCardImageSize() const
{
    const auto* frame = dynamic_cast<const ImageEx*>(m_pFrame);
    if (!frame || !frame->m_imgSrc.IsValid())
        return {};
    return {LONG(frame->m_imgSrc.GetWidth()), LONG(frame->m_imgSrc.GetHeight())};
}
