#include "model/SourceFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include <sys/stat.h>

namespace {

// The picture decoders read streams of at most this many bytes.
constexpr std::uint64_t kMaxSourceBytes = std::uint64_t(std::numeric_limits<std::int32_t>::max());

}  // namespace

std::shared_ptr<SourceFile> ReadSourceFile(const std::string& path, std::string& why)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        why = std::strerror(errno);
        return nullptr;
    }
    struct stat status {};
    auto source = std::make_shared<SourceFile>();
    bool ok = ::fstat(::fileno(file), &status) == 0;
    if (!ok)
        why = std::strerror(errno);
    else if (S_ISDIR(status.st_mode)) {
        why = "it is a folder, not a file";
        ok = false;
    } else if (std::uint64_t(status.st_size) > kMaxSourceBytes) {
        why = "the file is larger than the 2 GB this program reads";
        ok = false;
    }
    if (ok) {
        source->bytes.resize(std::size_t(status.st_size));
        const std::size_t got = std::fread(source->bytes.data(), 1, source->bytes.size(), file);
        if (got != source->bytes.size() || std::ferror(file)) {
            why = std::ferror(file) ? std::strerror(errno) : "the file became shorter while it was read";
            ok = false;
        }
    }
    std::fclose(file);
    if (!ok)
        return nullptr;
    const std::size_t slash = path.find_last_of('/');
    source->name = slash == std::string::npos ? path : path.substr(slash + 1);
    return source;
}
