// The undo history of the card: whole states of the card, taken before each
// change. A state holds the elements without their working pictures (they
// are rebuilt when the state is put back) and shares the photos' sources,
// so a step costs little memory however large the photos are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>

#include "model/WorkArea.h"

struct CardState {
    WorkArea::ElementList elements;
    std::ptrdiff_t frame = -1;
    std::ptrdiff_t selected = -1;
    std::filesystem::path templateDir;
    POINT origin{};
    SIZE client{};  // the view's size the elements were fitted to
    std::uint64_t id = 0;  // the history's name for this state
};

// The card as it is now.
CardState CaptureCard(const WorkArea& card, const std::filesystem::path& templateDir, SIZE client);
// Puts a state back on the card, its working pictures rebuilt; the template
// folder goes back to templateDir.
void RestoreCard(WorkArea& card, std::filesystem::path& templateDir, CardState state);

class CardHistory {
public:
    static constexpr std::size_t kDefaultLimit = 100;

    explicit CardHistory(std::size_t limit = kDefaultLimit) : m_limit(limit) {}

    // A change is made from `before`: it becomes the newest undo step and the
    // redo branch goes; the oldest step drops off beyond the limit. A
    // mergeable step right after another one is taken into it.
    void Record(CardState before, bool mergeable = false);
    // A change that is no step of its own (raising an element by selecting
    // it): the card is no longer the one saved, and no merge follows.
    void NoteChange();
    // The state to put back, or none; `current` is kept for the way back.
    std::optional<CardState> Undo(CardState current);
    std::optional<CardState> Redo(CardState current);
    // The card as it is now is the one saved; the next change is a step of
    // its own (an arrow key after a save must make the card changed again).
    void MarkSaved()
    {
        m_savedId = m_currentId;
        m_lastMergeable = false;
    }
    // The history's name for the card as it is now: equal names, equal cards.
    std::uint64_t CurrentId() const { return m_currentId; }
    // No step to undo or redo any more; the card as it is now counts as saved.
    void Clear();
    // Whether the card as it is now is the one saved.
    bool IsAtSavedState() const { return m_savedId == m_currentId; }
    // A step is about to be merged into the last: no state need be taken.
    bool WouldMerge() const { return m_lastMergeable; }

    std::size_t UndoCount() const { return m_undo.size(); }
    std::size_t RedoCount() const { return m_redo.size(); }

private:
    // Takes the next state off `from`; the current one goes onto `keep`.
    std::optional<CardState> Step(std::deque<CardState>& from, std::deque<CardState>& keep, CardState current);

    std::size_t m_limit;
    std::deque<CardState> m_undo;  // newest at the back
    std::deque<CardState> m_redo;  // next to redo at the back
    std::uint64_t m_currentId = 0;
    std::uint64_t m_nextId = 1;
    std::uint64_t m_savedId = 0;  // the fresh card counts as saved
    bool m_lastMergeable = false;
};
