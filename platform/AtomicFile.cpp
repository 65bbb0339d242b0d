#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// Saving through a link replaces the file it points to, not the link.
fs::path ResolveLink(const fs::path& path)
{
    std::error_code error;
    if (!fs::is_symlink(path, error))
        return path;
    fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path : resolved;
}

// A new file has the permissions open gives 0666 under the umask; one that
// replaces a file takes over that file's.
void KeepPermissions(int fd, const fs::path& target)
{
    struct stat existing;
    if (::stat(target.c_str(), &existing) == 0)
        ::fchmod(fd, existing.st_mode & 07777);
}

}  // namespace

fs::path AtomicFile::TemporaryName(const fs::path& target)
{
    static constexpr char kSuffix[] = ".orvantis-tmp";
    const std::string name = target.filename().string();
    std::string leaf = "." + name + kSuffix;
    if (leaf.size() > NAME_MAX) {
        // The target's name is already near the longest a folder takes: a
        // hash of it (FNV-1a) keeps the name fixed for the target.
        std::uint64_t hash = 14695981039346656037ull;
        for (const unsigned char c : name)
            hash = (hash ^ c) * 1099511628211ull;
        char digits[17];
        std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
        leaf = std::string(".") + digits + kSuffix;
    }
    return target.parent_path() / leaf;
}

AtomicFile::AtomicFile(fs::path target, Temporary kind)
    : m_target(ResolveLink(target)), m_temporary(TemporaryName(m_target))
{
    // What an earlier save of this target left when it was interrupted.
    ::unlink(m_temporary.c_str());
    // The temporary lies in the target's folder, so the final rename cannot
    // cross file systems.
    int fd = -1;
    if (kind == Temporary::Unnamed) {
        const fs::path folder = m_target.has_parent_path() ? m_target.parent_path() : fs::path(".");
        fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    }
    if (fd < 0) {
        // The file system has no unnamed files (EOPNOTSUPP, EISDIR, ...), or
        // the folder takes no file at all, which the named one then finds.
        fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            m_error = errno;
            return;
        }
        m_named = true;
    }
    KeepPermissions(fd, m_target);
    m_stream = ::fdopen(fd, "wb");
    if (!m_stream) {
        m_error = errno;
        ::close(fd);
    }
}

AtomicFile::~AtomicFile()
{
    if (m_stream)
        std::fclose(m_stream);
    if (!m_committed && m_named)
        ::unlink(m_temporary.c_str());
}

bool AtomicFile::Commit()
{
    if (!m_stream)
        return false;
    const int fd = ::fileno(m_stream);
    // A write that failed before left its error number behind.
    const int earlier = std::ferror(m_stream) ? errno : 0;
    bool ok = !earlier && std::fflush(m_stream) == 0 && ::fsync(fd) == 0;
    if (ok && !m_named) {
        // Only a rename replaces a file in one step, and only a named file
        // can be renamed: the unnamed one is linked in under the hidden name.
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        ok = m_named = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_temporary.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }
    if (!ok)
        m_error = earlier ? earlier : errno;
    const bool closed = std::fclose(m_stream) == 0;
    if (ok && !closed)
        m_error = errno;
    ok = ok && closed;
    m_stream = nullptr;
    m_committed = ok && std::rename(m_temporary.c_str(), m_target.c_str()) == 0;
    if (ok && !m_committed)
        m_error = errno;
    return m_committed;
}

std::string AtomicFile::Reason() const
{
    int error = m_error;
    if (!error && m_stream && std::ferror(m_stream))
        error = errno;
    return DescribeWriteError(error, m_target);
}

namespace {

// A path as its user writes it: the home folder as ~.
std::string Shown(const fs::path& path)
{
    const std::string text = path.string();
    const char* home = std::getenv("HOME");
    const std::string prefix = home && *home ? std::string(home) : std::string();
    if (!prefix.empty() && prefix != "/" && (text == prefix || text.starts_with(prefix + "/")))
        return "~" + text.substr(prefix.size());
    return text;
}

}  // namespace

std::string DescribeWriteError(int error, const fs::path& target)
{
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "the folder " + Shown(folder) + " does not exist";
    case EACCES:
    case EPERM:
        return "permission denied: you may not write in the folder " + Shown(folder);
    case EROFS:
        return "the folder " + Shown(folder) + " is on a disk that can only be read";
    case ENOSPC:
        return "the disk is full";
    case EDQUOT:
        return "your disk quota is used up";
    case EISDIR:
        return Shown(target) + " is a folder";
    case ENAMETOOLONG:
        return "the name " + Shown(target) + " is too long";
    case 0:
        return "the file " + Shown(target) + " could not be written";
    default:
        return std::strerror(error);
    }
}
