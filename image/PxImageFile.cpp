// PxImage: files, memory blocks and streams, through the codec table.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <system_error>

#include "image/CodecTable.h"
#include "image/PxFile.h"
#include "image/PxImage.h"

namespace {

namespace fs = std::filesystem;

// A fresh file beside target (same folder, so the final rename cannot cross
// file systems), created exclusively with the permissions a new file gets, or
// those of the file it will replace. -1 when the folder takes no new file.
int CreateSibling(const fs::path& target, std::string& name)
{
    struct stat existing;
    const bool replaces = ::stat(target.c_str(), &existing) == 0;
    std::random_device seed;
    std::minstd_rand rng(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Not derived from the target's name, which may already be as long as a name can be.
        char leaf[32];
        std::snprintf(leaf, sizeof leaf, ".save-%08x.tmp", unsigned(rng()));
        name = (target.parent_path() / leaf).string();
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

// Saving through a link replaces the file it points to, not the link.
fs::path ResolveLink(const fs::path& path)
{
    std::error_code error;
    if (!fs::is_symlink(path, error))
        return path;
    fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path : resolved;
}

}  // namespace

PxImage::PxImage(const std::filesystem::path& path, std::uint32_t type)
{
    info.type = type;
    ResetHeaderResolution();
    Load(path, type);
}

bool PxImage::Load(const std::filesystem::path& path, std::uint32_t type)
{
    PxIOFile file;
    if (!file.Open(path.c_str(), "rb"))
        return false;
    // A file whose name lies about its format still loads by its content; if
    // that fails too, the caller learns why the requested format failed.
    if (type > FormatUnknown && type < FormatCount && Decode(&file, type))
        return true;
    char requestedFailure[sizeof info.lastError];
    std::memcpy(requestedFailure, info.lastError, sizeof requestedFailure);
    const bool loaded = Decode(&file, FormatUnknown);
    if (!loaded && type != FormatUnknown)
        std::memcpy(info.lastError, requestedFailure, sizeof requestedFailure);
    return loaded;
}

// A save never destroys a good file: the picture goes to a new file beside
// the target, which replaces the target only once the encoder succeeded and
// every byte reached the disk. Otherwise the new file is removed.
bool PxImage::Save(const std::filesystem::path& path, std::uint32_t type)
{
    const fs::path target = ResolveLink(path);
    std::string temporary;
    const int fd = CreateSibling(target, temporary);
    if (fd < 0)
        return false;
    std::FILE* stream = ::fdopen(fd, "wb");
    if (!stream) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    bool written;
    {
        PxIOFile file(stream);
        written = Encode(&file, type) && file.Error() == 0 && file.Flush() && ::fsync(fd) == 0;
    }
    written = std::fclose(stream) == 0 && written;
    if (written && std::rename(temporary.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

bool PxImage::Decode(const std::uint8_t* data, std::int32_t length, std::uint32_t type)
{
    // Borrowed, never copied: decoders only read.
    PxMemFile file(const_cast<std::uint8_t*>(data), length);
    return Decode(&file, type);
}

bool PxImage::Decode(std::FILE* stream, std::uint32_t type)
{
    PxIOFile file(stream);
    return Decode(&file, type);
}

bool PxImage::Decode(PxFile* file, std::uint32_t type)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    // Every failed try leaves the stream where the caller had it, so the next
    // codec reads the same bytes.
    const std::int32_t start = file->Tell();
    auto attempt = [&](const pximage::CodecRow& row, std::uint32_t passed) {
        if (row.decode(*this, file, passed))
            return true;
        file->Seek(start, 0);
        return false;
    };
    if (type != FormatUnknown) {
        const pximage::CodecRow& row = pximage::CodecFor(type);
        if (row.decode)
            return attempt(row, type);
    } else {
        for (const pximage::DetectStep& step : pximage::DetectionOrder()) {
            const pximage::CodecRow& row = pximage::CodecFor(step.row);
            if (row.decode && attempt(row, step.type))
                return true;
        }
    }
    SetLastError("Decode: Unknown or wrong format");
    return false;
}

bool PxImage::Encode(std::uint8_t*& data, std::int32_t& length, std::uint32_t type)
{
    if (data) {
        SetLastError("the buffer must be empty");
        return false;
    }
    PxMemFile file;
    if (!file.Open()) {
        SetLastError("Can't allocate memory");
        return false;
    }
    if (!Encode(&file, type))
        return false;
    length = file.Size();
    data = file.GetBuffer(true);
    return true;
}

bool PxImage::Encode(std::FILE* stream, std::uint32_t type)
{
    PxIOFile file(stream);
    return Encode(&file, type);
}

bool PxImage::Encode(PxFile* file, std::uint32_t type)
{
    const pximage::CodecRow& row = pximage::CodecFor(type);
    if (!row.encode) {
        SetLastError("Encode: Unknown format");
        return false;
    }
    return row.encode(*this, file, type);
}
