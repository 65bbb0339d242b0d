#include "app/RecoverySlots.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

#include "model/CardDocument.h"
#include "platform/AtomicFile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockFile = "lock";

}  // namespace

fs::path RecoveryFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/')
        return fs::path(state) / "orvantis" / "recovery";
    const char* home = std::getenv("HOME");
    if (home && *home)
        return fs::path(home) / ".local" / "state" / "orvantis" / "recovery";
    return {};
}

std::optional<SlotLock> SlotLock::Take(const fs::path& slot)
{
    const int fd = ::open((slot / kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::nullopt;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    return SlotLock(fd);
}

SlotLock::SlotLock(SlotLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

SlotLock& SlotLock::operator=(SlotLock&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

SlotLock::~SlotLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::vector<OrphanedSlot> FindOrphanedSlots(const fs::path& root, std::chrono::hours maxAge)
{
    std::vector<OrphanedSlot> slots;
    std::error_code error;
    const std::time_t now = std::time(nullptr);
    for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        std::error_code status;
        if (!it->is_directory(status) || it->is_symlink(status))
            continue;
        std::optional<SlotLock> lock = SlotLock::Take(it->path());
        if (!lock)
            continue;  // its program still runs
        struct stat description {};
        if (::stat((it->path() / kCardDescriptionEntry).c_str(), &description) != 0 ||
            now - description.st_mtime > std::chrono::duration_cast<std::chrono::seconds>(maxAge).count()) {
            RemoveSlot(it->path());
            continue;
        }
        slots.push_back({it->path(), description.st_mtime, std::move(*lock)});
    }
    std::sort(slots.begin(), slots.end(), [](const auto& a, const auto& b) { return a.changed > b.changed; });
    return slots;
}

fs::path MakeSlot(const fs::path& root, std::optional<SlotLock>& lock, std::string& why)
{
    if (root.empty()) {
        why = "there is no folder to keep it in (HOME is not set)";
        return {};
    }
    std::error_code error;
    fs::create_directories(root, error);
    if (error) {
        why = DescribeWriteError(error.value(), root / "slot");
        return {};
    }
    // The user's photos are nobody else's business.
    fs::permissions(root, fs::perms::owner_all, error);
    std::random_device random;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const fs::path slot = root / (std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000));
        if (!fs::create_directory(slot, error)) {
            if (error) {
                why = DescribeWriteError(error.value(), slot / kLockFile);
                return {};
            }
            continue;  // taken
        }
        lock = SlotLock::Take(slot);
        if (lock)
            return slot;
        why = DescribeWriteError(errno, slot / kLockFile);
        fs::remove_all(slot, error);
        return {};
    }
    why = "no free slot name";
    return {};
}

void RemoveSlot(const fs::path& slot)
{
    std::error_code ignored;
    // The description first: a slot cut short by a crash here has nothing to offer.
    fs::remove(slot / kCardDescriptionEntry, ignored);
    fs::remove_all(slot, ignored);
}
