#include "model/ZipReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <minizip/unzip.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "platform/AtomicFile.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kCopyChunk = 16384;
// Seconds from 1601-01-01 to 1970-01-01, and file-time units per second.
constexpr std::int64_t kEpochDifference = 11644473600LL;
constexpr std::int64_t kFileTimeUnitsPerSecond = 10000000LL;

unzFile Archive(void* handle)
{
    return static_cast<unzFile>(handle);
}

std::int64_t FileTimeFromUnix(std::int64_t seconds)
{
    return (seconds + kEpochDifference) * kFileTimeUnitsPerSecond;
}

timespec TimespecFromFileTime(std::int64_t fileTime)
{
    const std::int64_t sinceUnix = fileTime - kEpochDifference * kFileTimeUnitsPerSecond;
    std::int64_t seconds = sinceUnix / kFileTimeUnitsPerSecond;
    std::int64_t units = sinceUnix % kFileTimeUnitsPerSecond;
    if (units < 0) {
        units += kFileTimeUnitsPerSecond;
        --seconds;
    }
    return {static_cast<time_t>(seconds), static_cast<long>(units * 100)};
}

// An MS-DOS date and time are the local time of the machine that packed it.
std::int64_t FileTimeFromDos(unsigned long dosDateTime)
{
    const unsigned date = dosDateTime >> 16, time = dosDateTime & 0xFFFF;
    std::tm local{};
    local.tm_year = int((date >> 9) & 0x7F) + 80;
    local.tm_mon = int((date >> 5) & 0x0F) - 1;
    local.tm_mday = int(date & 0x1F);
    local.tm_hour = int(time >> 11);
    local.tm_min = int((time >> 5) & 0x3F);
    local.tm_sec = int(time & 0x1F) * 2;
    local.tm_isdst = -1;
    return FileTimeFromUnix(std::mktime(&local));
}

std::uint32_t ReadLittle(const unsigned char* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

// The first extended time stamp block ("UT") of a local extra field: a flag
// byte announcing modification, access and creation time, then each present
// one as 32-bit Unix seconds in that order.
void ApplyExtendedTimes(const std::vector<unsigned char>& extra, ZipEntryInfo& info)
{
    std::size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        const std::uint32_t id = ReadLittle(&extra[pos], 2);
        const std::size_t size = std::min<std::size_t>(ReadLittle(&extra[pos + 2], 2), extra.size() - pos - 4);
        const unsigned char* data = &extra[pos + 4];
        if (id == 0x5455 && size >= 1) {
            std::int64_t* times[] = {&info.modificationTime, &info.accessTime, &info.creationTime};
            std::size_t offset = 1;
            for (int bit = 0; bit < 3; ++bit) {
                if (!(data[0] & (1 << bit)))
                    continue;
                if (offset + 4 > size)
                    break;
                *times[bit] = FileTimeFromUnix(static_cast<std::int32_t>(ReadLittle(data + offset, 4)));
                offset += 4;
            }
            return;
        }
        pos += 4 + size;
    }
}

// Hosts whose attributes are MS-DOS ones in the low byte: MS-DOS,
// Macintosh, NTFS and VFAT. The others keep a Unix mode in the upper half.
bool HasDosAttributes(unsigned host)
{
    return host == 0 || host == 7 || host == 11 || host == 14;
}

void ApplyAttributes(const unz_file_info64& file, ZipEntryInfo& info)
{
    const std::uint32_t external = std::uint32_t(file.external_fa);
    if (HasDosAttributes((file.version >> 8) & 0xFF)) {
        info.attributes = external & (kZipReadOnly | kZipHidden | kZipSystem | kZipDirectory | kZipArchive);
        return;
    }
    const std::uint32_t mode = external >> 16;
    info.attributes = kZipArchive;
    if (external & (1u << 30))
        info.attributes |= kZipDirectory;
    if (!(mode & S_IWUSR))
        info.attributes |= kZipReadOnly;
    info.symbolicLink = (mode & S_IFMT) == S_IFLNK;
}

bool IsDirectoryEntry(const ZipEntryInfo& info)
{
    return (info.attributes & kZipDirectory) || (!info.name.empty() && (info.name.back() == '/' || info.name.back() == '\\'));
}

}  // namespace

std::string SanitiseEntryName(std::string name)
{
    for (;;) {
        if (name.size() >= 2 && name[1] == ':') {
            name.erase(0, 2);
        } else if (!name.empty() && (name[0] == '\\' || name[0] == '/')) {
            name.erase(0, 1);
        } else {
            std::size_t found = std::string::npos;
            for (const char* step : {"\\..\\", "\\../", "/../", "/..\\"})
                if ((found = name.find(step)) != std::string::npos)
                    break;
            if (found == std::string::npos)
                return name;
            name.erase(0, found + 4);
        }
    }
}

bool CreateDirectoryPath(const fs::path& base, const fs::path& path)
{
    const fs::path full = base / path;
    fs::path partial;
    for (const fs::path& part : full) {
        partial /= part;
        if (!part.empty() && ::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    std::error_code error;
    return fs::is_directory(full, error);
}

std::unique_ptr<ZipReader> ZipReader::Open(const fs::path& archive, std::string password, ZipResult* result)
{
    unzFile handle = unzOpen64(archive.c_str());
    unz_global_info64 global{};
    if (handle && unzGetGlobalInfo64(handle, &global) != UNZ_OK) {
        unzClose(handle);
        handle = nullptr;
    }
    if (result)
        *result = handle ? ZipResult::Ok : ZipResult::NotRecognised;
    if (!handle)
        return nullptr;
    std::error_code error;
    fs::path root = fs::current_path(error);
    return std::unique_ptr<ZipReader>(new ZipReader(handle, global.number_entry, std::move(password), std::move(root)));
}

ZipReader::ZipReader(void* archive, std::uint64_t count, std::string password, fs::path root)
    : m_archive(archive), m_count(int(std::min<std::uint64_t>(count, INT_MAX))), m_password(std::move(password)),
      m_root(std::move(root))
{
}

ZipReader::~ZipReader()
{
    Close();
}

ZipResult ZipReader::Close()
{
    if (!m_archive)
        return ZipResult::BadArguments;
    const int closed = unzClose(Archive(m_archive));
    m_archive = nullptr;
    return closed == UNZ_OK ? ZipResult::Ok : ZipResult::NotRecognised;
}

// minizip walks its directory forwards only: going back starts over.
bool ZipReader::Seek(int index)
{
    unzFile archive = Archive(m_archive);
    if (m_position < 0 || index < m_position) {
        m_position = -1;
        if (unzGoToFirstFile(archive) != UNZ_OK)
            return false;
        m_position = 0;
    }
    while (m_position < index) {
        if (unzGoToNextFile(archive) != UNZ_OK) {
            m_position = -1;
            return false;
        }
        ++m_position;
    }
    return true;
}

ZipResult ZipReader::GetEntry(int index, ZipEntryInfo& info)
{
    if (!m_archive || index < -1 || index >= m_count)
        return ZipResult::BadArguments;
    if (index == -1) {
        info = {};
        info.index = m_count;
        return ZipResult::Ok;
    }
    if (m_cached.index == index) {
        info = m_cached;
        return ZipResult::Ok;
    }
    unzFile archive = Archive(m_archive);
    unz_file_info64 file{};
    if (!Seek(index) || unzGetCurrentFileInfo64(archive, &file, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return ZipResult::NotRecognised;
    std::string name(file.size_filename, '\0');
    if (unzGetCurrentFileInfo64(archive, &file, name.data(), name.size(), nullptr, 0, nullptr, 0) != UNZ_OK)
        return ZipResult::NotRecognised;
    name.resize(name.find('\0') == std::string::npos ? name.size() : name.find('\0'));

    // The local header is checked, and its extra field read, in raw mode:
    // nothing is inflated or decrypted yet.
    if (unzOpenCurrentFile3(archive, nullptr, nullptr, 1, nullptr) != UNZ_OK)
        return ZipResult::BadLocalHeader;
    const int extraSize = unzGetLocalExtrafield(archive, nullptr, 0);
    std::vector<unsigned char> extra(extraSize > 0 ? std::size_t(extraSize) : 0);
    const bool extraRead = extraSize >= 0 && (extra.empty() || unzGetLocalExtrafield(archive, extra.data(), unsigned(extra.size())) == extraSize);
    unzCloseCurrentFile(archive);
    if (!extraRead)
        return ZipResult::BadExtraField;

    ZipEntryInfo entry;
    entry.index = index;
    entry.name = SanitiseEntryName(std::move(name));
    ApplyAttributes(file, entry);
    entry.accessTime = entry.creationTime = entry.modificationTime = FileTimeFromDos(file.dosDate);
    ApplyExtendedTimes(extra, entry);
    entry.compressedSize = file.compressed_size;
    entry.uncompressedSize = file.uncompressed_size;
    m_cached = entry;
    info = std::move(entry);
    return ZipResult::Ok;
}

ZipResult ZipReader::ExtractEntry(int index, const fs::path& destination)
{
    if (index < 0)
        return ZipResult::BadArguments;
    ZipEntryInfo info;
    if (const ZipResult found = GetEntry(index, info); found != ZipResult::Ok)
        return found;
    const fs::path full = m_root / destination;
    if (IsDirectoryEntry(info))
        return CreateDirectoryPath({}, full) ? ZipResult::Ok : ZipResult::NotRecognised;
    if (!CreateDirectoryPath({}, full.parent_path()))
        return ZipResult::NotRecognised;
    if (!Seek(index))
        return ZipResult::NotRecognised;
    return CopyCurrentEntry(info, full);
}

ZipResult ZipReader::CopyCurrentEntry(const ZipEntryInfo& info, const fs::path& file)
{
    AtomicFile output(file);
    if (!output.Stream())
        return ZipResult::NotRecognised;
    unzFile archive = Archive(m_archive);
    if (unzOpenCurrentFilePassword(archive, m_password.empty() ? nullptr : m_password.c_str()) != UNZ_OK)
        return ZipResult::BadLocalHeader;
    m_buffer.resize(kCopyChunk);
    std::uint64_t copied = 0;
    ZipResult result = ZipResult::Ok;
    for (;;) {
        const int read = unzReadCurrentFile(archive, m_buffer.data(), unsigned(m_buffer.size()));
        if (read < 0) {
            result = ZipResult::DecompressionError;
            break;
        }
        if (read == 0)
            break;
        if (std::fwrite(m_buffer.data(), 1, std::size_t(read), output.Stream()) != std::size_t(read)) {
            result = ZipResult::WriteFailed;
            break;
        }
        copied += std::uint64_t(read);
    }
    // minizip checks the CRC only when all declared data was read: a stream
    // ending early is caught by its length.
    const bool intact = unzCloseCurrentFile(archive) == UNZ_OK && copied == info.uncompressedSize;
    if (result != ZipResult::Ok)
        return result;
    if (!intact)
        return ZipResult::DecompressionError;

    // The times after the last write, which would change them again.
    const int fd = ::fileno(output.Stream());
    const timespec times[2] = {TimespecFromFileTime(info.accessTime), TimespecFromFileTime(info.modificationTime)};
    if (std::fflush(output.Stream()) != 0 || ::fchmod(fd, (info.attributes & kZipReadOnly) ? 0444 : 0644) != 0 ||
        ::futimens(fd, times) != 0 || !output.Commit())
        return ZipResult::WriteFailed;
    return ZipResult::Ok;
}
