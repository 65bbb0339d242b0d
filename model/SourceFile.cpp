#include "model/SourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/PixelMemory.h"

namespace {

// The picture decoders read streams of at most this many bytes.
constexpr std::uint64_t kMaxSourceBytes = std::uint64_t(std::numeric_limits<std::int32_t>::max());

// Why the open file cannot be read whole; empty when it can.
std::string Unsuitable(const struct stat& status)
{
    if (S_ISDIR(status.st_mode))
        return "it is a folder, not a file";
    // A named pipe or a device would be read forever, or block.
    if (!S_ISREG(status.st_mode))
        return "it is not a file";
    if (std::uint64_t(status.st_size) > kMaxSourceBytes)
        return "the file is larger than the 2 GB this program reads";
    return {};
}

}  // namespace

std::shared_ptr<SourceFile> ReadSourceFile(const std::string& path, std::string& why)
{
    // Opened without waiting, so that a named pipe is refused rather than read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        why = std::strerror(errno);
        return nullptr;
    }
    auto source = std::make_shared<SourceFile>();
    struct stat status {};
    why = ::fstat(fd, &status) != 0 ? std::strerror(errno) : Unsuitable(status);
    if (why.empty()) {
        // A photo's few megabytes are written whole at once: had whole first.
        source->bytes.reserve(std::size_t(status.st_size));
        PrepareForWriting(source->bytes.data(), source->bytes.capacity());
        source->bytes.resize(std::size_t(status.st_size));
        std::size_t done = 0;
        while (done < source->bytes.size()) {
            const ssize_t got = ::read(fd, source->bytes.data() + done, source->bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                why = got < 0 ? std::strerror(errno) : "the file became shorter while it was read";
                break;
            }
            done += std::size_t(got);
        }
    }
    ::close(fd);
    if (!why.empty())
        return nullptr;
    const std::size_t slash = path.find_last_of('/');
    source->name = slash == std::string::npos ? path : path.substr(slash + 1);
    return source;
}
