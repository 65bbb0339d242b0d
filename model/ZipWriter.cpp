#include "model/ZipWriter.h"

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

#include <minizip/zip.h>
#include <sys/stat.h>
#include <zlib.h>

#include "platform/AtomicFile.h"

namespace {

// minizip's file functions over the atomic file's open stream: opening
// hands the stream out, closing leaves it to AtomicFile.
voidpf OpenStream(voidpf opaque, const void*, int)
{
    return opaque;
}

uLong ReadStream(voidpf, voidpf stream, void* buffer, uLong size)
{
    return uLong(std::fread(buffer, 1, size, static_cast<std::FILE*>(stream)));
}

uLong WriteStream(voidpf, voidpf stream, const void* buffer, uLong size)
{
    return uLong(std::fwrite(buffer, 1, size, static_cast<std::FILE*>(stream)));
}

ZPOS64_T TellStream(voidpf, voidpf stream)
{
    return ZPOS64_T(::ftello(static_cast<std::FILE*>(stream)));
}

long SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    const int whence = origin == ZLIB_FILEFUNC_SEEK_CUR ? SEEK_CUR : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END : SEEK_SET;
    return ::fseeko(static_cast<std::FILE*>(stream), off_t(offset), whence) == 0 ? 0 : -1;
}

int CloseStream(voidpf, voidpf)
{
    return 0;
}

int StreamError(voidpf, voidpf stream)
{
    return std::ferror(static_cast<std::FILE*>(stream));
}

// The entry's date: the file's modification time in local time, as ZIP
// tools store it.
tm_zip EntryDate(std::time_t when)
{
    std::tm local{};
    ::localtime_r(&when, &local);
    // ZIP dates begin in 1980.
    if (local.tm_year < 80)
        return {0, 0, 0, 1, 0, 1980};
    return {uInt(local.tm_sec), uInt(local.tm_min), uInt(local.tm_hour), uInt(local.tm_mday), uInt(local.tm_mon),
            uInt(local.tm_year + 1900)};
}

tm_zip EntryDate(const std::filesystem::path& file)
{
    struct stat status {};
    return EntryDate(::stat(file.c_str(), &status) == 0 ? status.st_mtime : std::time(nullptr));
}

}  // namespace

ZipWriter::ZipWriter(const std::filesystem::path& archive)
    : m_file(std::make_unique<AtomicFile>(archive))
{
    if (!m_file->Stream())
        return;
    zlib_filefunc64_def functions{};
    functions.zopen64_file = OpenStream;
    functions.zread_file = ReadStream;
    functions.zwrite_file = WriteStream;
    functions.ztell64_file = TellStream;
    functions.zseek64_file = SeekStream;
    functions.zclose_file = CloseStream;
    functions.zerror_file = StreamError;
    functions.opaque = m_file->Stream();
    m_zip = zipOpen2_64(archive.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
}

ZipWriter::~ZipWriter()
{
    if (m_zip)
        zipClose(m_zip, nullptr);
}

bool ZipWriter::AddFile(const std::filesystem::path& file, const std::string& entryName, std::string& error)
{
    if (!m_zip || m_failed) {
        error = Reason();
        return false;
    }
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) {
        error = file.string() + " cannot be read: " + std::strerror(errno);
        return false;
    }
    zip_fileinfo info{};
    info.tmz_date = EntryDate(file);
    // Unix host, a plain file readable by all: imported as such.
    info.external_fa = (0100644ul << 16);
    bool ok = zipOpenNewFileInZip4_64(m_zip, entryName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                      Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0,
                                      (3u << 8) | 20, 0, 0) == ZIP_OK;
    std::vector<char> buffer(1 << 16);
    while (ok) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
        if (got == 0)
            break;
        ok = zipWriteInFileInZip(m_zip, buffer.data(), unsigned(got)) == ZIP_OK;
    }
    const bool readFailed = std::ferror(in) != 0;
    std::fclose(in);
    ok = zipCloseFileInZip(m_zip) == ZIP_OK && ok && !readFailed;
    if (!ok) {
        m_failed = true;
        error = readFailed ? file.string() + " could not be read to its end" : Reason();
    }
    return ok;
}

bool ZipWriter::AddBytes(const std::string& entryName, const void* data, std::size_t size, bool deflate,
                         std::string& error)
{
    // Entries past 4 GiB would need the ZIP64 extra field.
    if (!m_zip || m_failed || size >= 0xFFFFFFFFu) {
        error = m_zip && !m_failed ? entryName + " is larger than 4 GB" : Reason();
        return false;
    }
    zip_fileinfo info{};
    info.tmz_date = EntryDate(std::time(nullptr));
    info.external_fa = (0100644ul << 16);
    bool ok = zipOpenNewFileInZip4_64(m_zip, entryName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      deflate ? Z_DEFLATED : 0, deflate ? Z_DEFAULT_COMPRESSION : 0, 0, -MAX_WBITS, 8,
                                      Z_DEFAULT_STRATEGY, nullptr, 0, (3u << 8) | 20, 0, 0) == ZIP_OK;
    // zipWriteInFileInZip takes at most 4 GiB - 1 at a time; a step of 64 MiB keeps it simple.
    const auto* bytes = static_cast<const char*>(data);
    for (std::size_t done = 0; ok && done < size;) {
        const std::size_t step = std::min<std::size_t>(size - done, std::size_t(64) << 20);
        ok = zipWriteInFileInZip(m_zip, bytes + done, unsigned(step)) == ZIP_OK;
        done += step;
    }
    ok = zipCloseFileInZip(m_zip) == ZIP_OK && ok;
    if (!ok) {
        m_failed = true;
        error = Reason();
    }
    return ok;
}

bool ZipWriter::Commit(std::string& error)
{
    const bool closed = m_zip && zipClose(m_zip, nullptr) == ZIP_OK;
    m_zip = nullptr;
    if (!closed || m_failed || !m_file->Commit()) {
        error = Reason();
        return false;
    }
    return true;
}

std::string ZipWriter::Reason() const
{
    return m_file->Reason();
}
