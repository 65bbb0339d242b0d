#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <system_error>

AtomicFile::AtomicFile(std::filesystem::path target) : m_target(std::move(target))
{
    std::string pattern = (m_target.parent_path() / ("." + m_target.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return;
    // mkstemp creates 0600; a saved picture gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    m_stream = fdopen(fd, "wb");
    if (!m_stream) {
        close(fd);
        unlink(pattern.c_str());
        return;
    }
    m_temporary = pattern;
}

AtomicFile::~AtomicFile()
{
    if (m_stream)
        std::fclose(m_stream);
    if (!m_committed && !m_temporary.empty()) {
        std::error_code ignored;
        std::filesystem::remove(m_temporary, ignored);
    }
}

bool AtomicFile::Commit()
{
    if (!m_stream)
        return false;
    bool ok = std::fflush(m_stream) == 0 && !std::ferror(m_stream) && fsync(fileno(m_stream)) == 0;
    ok = std::fclose(m_stream) == 0 && ok;
    m_stream = nullptr;
    if (!ok)
        return false;
    std::error_code error;
    std::filesystem::rename(m_temporary, m_target, error);
    m_committed = !error;
    return m_committed;
}
