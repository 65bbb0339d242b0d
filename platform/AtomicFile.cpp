#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
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

// A fresh file beside target (same folder, so the final rename cannot cross
// file systems), created exclusively with the permissions a new file gets, or
// those of the file it will replace. -1 when the folder takes no new file.
int CreateSibling(const fs::path& target, fs::path& name)
{
    struct stat existing;
    const bool replaces = ::stat(target.c_str(), &existing) == 0;
    std::random_device seed;
    std::minstd_rand rng(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Not derived from the target's name, which may already be as long as a name can be.
        char leaf[32];
        std::snprintf(leaf, sizeof leaf, ".save-%08x.tmp", unsigned(rng()));
        name = target.parent_path() / leaf;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (replaces)
                ::fchmod(fd, existing.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : m_target(ResolveLink(target))
{
    const int fd = CreateSibling(m_target, m_temporary);
    if (fd < 0) {
        m_temporary.clear();
        return;
    }
    m_stream = ::fdopen(fd, "wb");
    if (!m_stream)
        ::close(fd);
}

AtomicFile::~AtomicFile()
{
    if (m_stream)
        std::fclose(m_stream);
    if (!m_committed && !m_temporary.empty())
        ::unlink(m_temporary.c_str());
}

bool AtomicFile::Commit()
{
    if (!m_stream)
        return false;
    bool ok = std::fflush(m_stream) == 0 && !std::ferror(m_stream) && ::fsync(::fileno(m_stream)) == 0;
    ok = std::fclose(m_stream) == 0 && ok;
    m_stream = nullptr;
    m_committed = ok && std::rename(m_temporary.c_str(), m_target.c_str()) == 0;
    return m_committed;
}
