// Recovery slots: where cards are kept behind the user's back, one folder a
// running program, $XDG_STATE_HOME/orvantis/recovery/<slot>/ (else under
// ~/.local/state). A slot holds its card as loose files (see ReadCardFolder)
// and a lock file that its program holds locked while it runs: a slot whose
// lock can be taken belongs to a program that no longer runs.
#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The folder the slots lie in; empty when neither XDG_STATE_HOME nor HOME is set.
std::filesystem::path RecoveryFolder();

// A slot's lock, held until the object goes (or the process ends).
class SlotLock {
public:
    // The lock of the slot folder, taken without waiting; none when another
    // process holds it or the folder cannot be written.
    static std::optional<SlotLock> Take(const std::filesystem::path& slot);
    SlotLock(SlotLock&& other) noexcept;
    SlotLock& operator=(SlotLock&& other) noexcept;
    ~SlotLock();

private:
    explicit SlotLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

struct OrphanedSlot {
    std::filesystem::path folder;
    std::time_t changed = 0;                  // when its card was last kept
    SlotLock lock;                            // held: no other program offers it meanwhile
};

// The slots of programs that no longer run, newest first. Slots older than
// maxAge and slots that never kept a card are removed on the way.
std::vector<OrphanedSlot> FindOrphanedSlots(const std::filesystem::path& root,
                                            std::chrono::hours maxAge = std::chrono::hours(24 * 30));

// A new slot folder for this process under root, locked; empty with the
// reason when it cannot be made.
std::filesystem::path MakeSlot(const std::filesystem::path& root, std::optional<SlotLock>& lock, std::string& why);

// The slot and everything in it.
void RemoveSlot(const std::filesystem::path& slot);
