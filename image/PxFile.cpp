#include "image/PxFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::int64_t kMaxStreamBytes = std::numeric_limits<std::int32_t>::max();

std::int32_t ClampPosition(long long position)
{
    return std::int32_t(std::min<long long>(position, kMaxStreamBytes));
}

}  // namespace

// ---- PxIOFile ----

PxIOFile::PxIOFile(std::FILE* file) : stream(file), ownsStream(file == nullptr) {}

PxIOFile::~PxIOFile()
{
    Close();
}

bool PxIOFile::Open(const char* path, const char* mode)
{
    if (stream)
        return false;
    stream = std::fopen(path, mode);
    if (!stream)
        return false;
    ownsStream = true;
    return true;
}

bool PxIOFile::Close()
{
    if (!stream || !ownsStream)
        return true;
    const bool closed = std::fclose(stream) == 0;
    stream = nullptr;
    return closed;
}

std::size_t PxIOFile::Read(void* buffer, std::size_t size, std::size_t count)
{
    return stream ? std::fread(buffer, size, count, stream) : 0;
}

std::size_t PxIOFile::Write(const void* buffer, std::size_t size, std::size_t count)
{
    return stream ? std::fwrite(buffer, size, count, stream) : 0;
}

bool PxIOFile::Seek(std::int32_t offset, int origin)
{
    return stream && fseeko(stream, offset, origin) == 0;
}

std::int32_t PxIOFile::Tell()
{
    return stream ? ClampPosition(ftello(stream)) : 0;
}

std::int32_t PxIOFile::Size()
{
    if (!stream)
        return -1;
    const off_t here = ftello(stream);
    if (here < 0 || fseeko(stream, 0, SEEK_END) != 0)
        return -1;
    const off_t end = ftello(stream);
    fseeko(stream, here, SEEK_SET);
    return end < 0 ? -1 : ClampPosition(end);
}

bool PxIOFile::Flush()
{
    return stream && std::fflush(stream) == 0;
}

bool PxIOFile::Eof()
{
    return !stream || std::feof(stream) != 0;
}

std::int32_t PxIOFile::Error()
{
    return stream ? std::ferror(stream) : -1;
}

bool PxIOFile::PutC(std::uint8_t byte)
{
    return stream && std::fputc(byte, stream) == byte;
}

std::int32_t PxIOFile::GetC()
{
    return stream ? std::fgetc(stream) : -1;
}

// ---- PxMemFile ----

PxMemFile::PxMemFile(std::uint8_t* data, std::int32_t length)
    : buffer(data), size(data ? std::max(length, 0) : 0), ownsBuffer(data == nullptr), capacity(size)
{
}

PxMemFile::~PxMemFile()
{
    Close();
}

bool PxMemFile::Open()
{
    if (buffer)
        return false;
    size = capacity = position = 0;
    buffer = static_cast<std::uint8_t*>(std::malloc(1));
    ownsBuffer = true;
    return buffer != nullptr;
}

std::uint8_t* PxMemFile::GetBuffer(bool detach)
{
    ownsBuffer = !detach;
    return buffer;
}

bool PxMemFile::Close()
{
    if (buffer && ownsBuffer) {
        std::free(buffer);
        buffer = nullptr;
        size = 0;
    }
    return true;
}

std::size_t PxMemFile::Read(void* out, std::size_t elementSize, std::size_t count)
{
    if (!out || !buffer || position >= size || elementSize == 0 || count == 0)
        return 0;
    const std::size_t wanted =
        count > std::numeric_limits<std::size_t>::max() / elementSize ? std::numeric_limits<std::size_t>::max()
                                                                      : elementSize * count;
    const std::size_t bytes = std::min<std::size_t>(wanted, std::size_t(size - position));
    std::memcpy(out, buffer + position, bytes);
    position += std::int32_t(bytes);
    return bytes / elementSize;
}

std::size_t PxMemFile::Write(const void* in, std::size_t elementSize, std::size_t count)
{
    if (!buffer || !in || elementSize == 0 || count == 0)
        return 0;
    if (count > std::size_t(kMaxStreamBytes) / elementSize)
        return 0;
    const std::int64_t bytes = std::int64_t(elementSize * count);
    const std::int64_t end = std::int64_t(position) + bytes;
    if (end > kMaxStreamBytes || (end > capacity && !Grow(end)))
        return 0;
    // Bytes skipped by a seek past the end read back as zeros, never as old memory.
    if (position > size)
        std::memset(buffer + size, 0, std::size_t(position - size));
    std::memcpy(buffer + position, in, std::size_t(bytes));
    position = std::int32_t(end);
    size = std::max(size, position);
    return count;
}

bool PxMemFile::Seek(std::int32_t offset, int origin)
{
    if (!buffer)
        return false;
    std::int64_t target;
    switch (origin) {
    case 0: target = offset; break;
    case 1: target = std::int64_t(position) + offset; break;
    case 2: target = std::int64_t(size) + offset; break;
    default: return false;
    }
    position = std::int32_t(std::clamp<std::int64_t>(target, 0, kMaxStreamBytes));
    return true;
}

std::int32_t PxMemFile::Tell()
{
    return buffer ? position : -1;
}

std::int32_t PxMemFile::Size()
{
    return buffer ? size : -1;
}

bool PxMemFile::Flush()
{
    return buffer != nullptr;
}

bool PxMemFile::Eof()
{
    return !buffer || position >= size;
}

std::int32_t PxMemFile::Error()
{
    if (!buffer)
        return -1;
    return position > size ? 1 : 0;
}

bool PxMemFile::PutC(std::uint8_t byte)
{
    return Write(&byte, 1, 1) == 1;
}

std::int32_t PxMemFile::GetC()
{
    if (!buffer || position >= size)
        return -1;
    return buffer[position++];
}

bool PxMemFile::Grow(std::int64_t needed)
{
    if (needed <= capacity)
        return true;
    const std::int64_t newCapacity = (needed / 4096) * 4096 + 4096;
    if (newCapacity > kMaxStreamBytes + 1)
        return false;
    // A borrowed buffer is copied, never reallocated under its owner.
    std::uint8_t* grown;
    if (ownsBuffer) {
        grown = static_cast<std::uint8_t*>(std::realloc(buffer, std::size_t(newCapacity)));
    } else {
        grown = static_cast<std::uint8_t*>(std::malloc(std::size_t(newCapacity)));
        if (grown && buffer)
            std::memcpy(grown, buffer, std::size_t(size));
    }
    if (!grown)
        return false;
    buffer = grown;
    capacity = std::int32_t(std::min<std::int64_t>(newCapacity, kMaxStreamBytes));
    ownsBuffer = true;
    return true;
}
