// Byte streams the codecs read from and write to: the abstract PxFile, a C
// stdio stream (PxIOFile) and a growable memory block (PxMemFile).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class PxFile {
public:
    virtual ~PxFile() = default;
    virtual bool Close() = 0;
    // Reads up to count elements of size bytes; returns the elements read.
    virtual std::size_t Read(void* buffer, std::size_t size, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t size, std::size_t count) = 0;
    // origin: 0 from the start, 1 from the current position, 2 from the end.
    virtual bool Seek(std::int32_t offset, int origin) = 0;
    virtual std::int32_t Tell() = 0;
    virtual std::int32_t Size() = 0;
    virtual bool Flush() = 0;
    virtual bool Eof() = 0;
    virtual std::int32_t Error() = 0;
    virtual bool PutC(std::uint8_t byte) { return Write(&byte, 1, 1) == 1; }
    virtual std::int32_t GetC() = 0;
};

// Bytes between the position and the end of the stream, or -1 when the
// stream cannot tell (a pipe). Decoders ask before trusting a length.
inline std::int64_t BytesLeft(PxFile& file)
{
    const std::int32_t size = file.Size();
    const std::int32_t position = file.Tell();
    if (size < 0 || position < 0)
        return -1;
    return size > position ? std::int64_t(size) - position : 0;
}

class PxIOFile : public PxFile {
public:
    // A given stream stays the caller's; without one, Open attaches an owned stream.
    explicit PxIOFile(std::FILE* stream = nullptr);
    ~PxIOFile() override;
    PxIOFile(const PxIOFile&) = delete;
    PxIOFile& operator=(const PxIOFile&) = delete;

    bool Open(const char* path, const char* mode);

    bool Close() override;
    std::size_t Read(void* buffer, std::size_t size, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
    bool Seek(std::int32_t offset, int origin) override;
    std::int32_t Tell() override;
    std::int32_t Size() override;
    bool Flush() override;
    bool Eof() override;
    std::int32_t Error() override;
    bool PutC(std::uint8_t byte) override;
    std::int32_t GetC() override;

    std::FILE* stream = nullptr;
    bool ownsStream = false;
};

class PxMemFile : public PxFile {
public:
    // A given buffer is borrowed (never freed or copied); without one the
    // file allocates its own on the first write.
    explicit PxMemFile(std::uint8_t* data = nullptr, std::int32_t length = 0);
    ~PxMemFile() override;
    PxMemFile(const PxMemFile&) = delete;
    PxMemFile& operator=(const PxMemFile&) = delete;

    bool Open();
    // With detach, the caller takes the bytes and frees them with std::free.
    std::uint8_t* GetBuffer(bool detach = true);

    bool Close() override;
    std::size_t Read(void* buffer, std::size_t size, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
    bool Seek(std::int32_t offset, int origin) override;
    std::int32_t Tell() override;
    std::int32_t Size() override;
    bool Flush() override;
    bool Eof() override;
    std::int32_t Error() override;
    bool PutC(std::uint8_t byte) override;
    std::int32_t GetC() override;

    std::uint8_t* buffer = nullptr;
    std::int32_t size = 0;      // bytes of valid data
    bool ownsBuffer = false;
    std::int32_t position = 0;
    std::int32_t capacity = 0;  // bytes allocated

private:
    // Makes room for at least needed bytes, in steps of 4096.
    bool Grow(std::int64_t needed);
};
