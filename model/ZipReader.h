// A small ZIP reader over minizip's unzip interface: the description of each
// entry (sanitised name, attributes, times, sizes) and its extraction to a
// file, which appears complete or not at all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Results of the reader's operations; 0 is success.
enum class ZipResult : std::uint32_t {
    Ok = 0,
    NotRecognised = 0x200,  // archive not recognised, or destination file could not be created
    WriteFailed = 0x400,
    BadLocalHeader = 0x700,
    BadExtraField = 0x800,
    BadArguments = 0x10000,
    DecompressionError = 0x5000000,  // also data shorter or longer than declared, or a wrong CRC
};

// File attributes of an entry.
constexpr std::uint32_t kZipReadOnly = 0x1;
constexpr std::uint32_t kZipHidden = 0x2;
constexpr std::uint32_t kZipSystem = 0x4;
constexpr std::uint32_t kZipDirectory = 0x10;
constexpr std::uint32_t kZipArchive = 0x20;

struct ZipEntryInfo {
    int index = -1;  // for the query with index -1: the number of entries
    std::string name;  // UTF-8, sanitised, separators as stored
    std::uint32_t attributes = 0;
    bool symbolicLink = false;  // a Unix-style entry whose mode says symbolic link
    // 100 ns units since 1601-01-01 UTC.
    std::int64_t accessTime = 0;
    std::int64_t creationTime = 0;
    std::int64_t modificationTime = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
};

// Drops, until none applies: a drive prefix ("C:"), a leading "/" or "\",
// or everything up to and including the first "\..\", "\../", "/../" or
// "/..\".
std::string SanitiseEntryName(std::string name);

// Creates every missing folder of base / path (an absolute path stands
// alone) with mode 0755; true when the folder exists afterwards.
bool CreateDirectoryPath(const std::filesystem::path& base, const std::filesystem::path& path);

class ZipReader {
public:
    // Null when the file is not a ZIP archive; result (optional) says why.
    // Relative destinations are taken from the current folder at this call.
    static std::unique_ptr<ZipReader> Open(const std::filesystem::path& archive, std::string password = {},
                                           ZipResult* result = nullptr);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Index -1 asks for the number of entries (in info.index).
    ZipResult GetEntry(int index, ZipEntryInfo& info);
    // A folder entry creates its folder. A file entry is written beside the
    // destination under a temporary name and renamed over it once all of
    // its data arrived intact, with mode 0644 (0444 when read-only) and the
    // entry's access and modification times.
    ZipResult ExtractEntry(int index, const std::filesystem::path& destination);
    // Every later operation answers BadArguments.
    ZipResult Close();

private:
    ZipReader(void* archive, std::uint64_t count, std::string password, std::filesystem::path root);
    bool Seek(int index);
    ZipResult CopyCurrentEntry(const ZipEntryInfo& info, const std::filesystem::path& file);

    void* m_archive;  // minizip's unzFile
    int m_count;
    int m_position = 0;  // the entry minizip stands on, -1 when unknown
    ZipEntryInfo m_cached;  // index -1 when empty
    std::string m_password;
    std::filesystem::path m_root;
    std::vector<char> m_buffer;  // the copy buffer, made on first extraction
};
