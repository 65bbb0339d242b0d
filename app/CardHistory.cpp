#include "app/CardHistory.h"

#include <utility>

#include "model/ImageEx.h"

namespace {

// The pictures that a step did not change keep their working pictures: the
// card's element in the same state hands them over instead of a rebuild.
bool TakeWorkFromCard(ElementBase& element, const WorkArea& card)
{
    auto* picture = dynamic_cast<ImageEx*>(&element);
    if (!picture)
        return false;
    for (const auto& shown : card.GetElements())
        if (auto* source = dynamic_cast<ImageEx*>(shown.get()); source && picture->TakeWorkFrom(*source))
            return true;
    return false;
}

}  // namespace

CardState CaptureCard(const WorkArea& card, const std::filesystem::path& templateDir, SIZE client)
{
    CardState state;
    const WorkArea::ElementList& elements = card.GetElements();
    state.elements.reserve(elements.size());
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const ElementBase* element = elements[i].get();
        if (element == card.GetFrame())
            state.frame = std::ptrdiff_t(i);
        if (element == card.GetSelected())
            state.selected = std::ptrdiff_t(i);
        state.elements.push_back(element->CloneState());
    }
    state.templateDir = templateDir;
    state.origin = card.GetOrigin();
    state.client = client;
    return state;
}

void RestoreCard(WorkArea& card, std::filesystem::path& templateDir, CardState state)
{
    for (const auto& element : state.elements)
        if (!TakeWorkFromCard(*element, card))
            element->Rebuild(element->m_bHighQuality != 0);
    card.Restore(std::move(state.elements), state.frame, state.selected);
    card.SetOrigin(state.origin);
    templateDir = std::move(state.templateDir);
}

void CardHistory::Record(CardState before, bool mergeable)
{
    m_redo.clear();
    if (mergeable && m_lastMergeable)
        return;
    m_lastMergeable = mergeable;
    before.id = m_currentId;
    m_currentId = m_nextId++;
    m_undo.push_back(std::move(before));
    if (m_undo.size() > m_limit)
        m_undo.pop_front();
}

void CardHistory::Clear()
{
    m_undo.clear();
    m_redo.clear();
    m_lastMergeable = false;
    MarkSaved();
}

void CardHistory::NoteChange()
{
    m_lastMergeable = false;
    m_currentId = m_nextId++;
}

std::optional<CardState> CardHistory::Undo(CardState current)
{
    return Step(m_undo, m_redo, std::move(current));
}

std::optional<CardState> CardHistory::Redo(CardState current)
{
    return Step(m_redo, m_undo, std::move(current));
}

std::optional<CardState> CardHistory::Step(std::deque<CardState>& from, std::deque<CardState>& keep, CardState current)
{
    if (from.empty())
        return std::nullopt;
    m_lastMergeable = false;
    current.id = m_currentId;
    keep.push_back(std::move(current));
    CardState next = std::move(from.back());
    from.pop_back();
    m_currentId = next.id;
    return next;
}
