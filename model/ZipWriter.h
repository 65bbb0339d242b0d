// A small ZIP writer over minizip's zip interface: files added as deflated
// entries, or bytes deflated or stored, under the names given, the archive appearing at its path only
// once it is complete (through AtomicFile), so a failed export never leaves
// a broken package where a good one stood.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

class AtomicFile;

class ZipWriter {
public:
    explicit ZipWriter(const std::filesystem::path& archive);
    ~ZipWriter();  // drops an archive not committed
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // False (and every later call false) when the archive cannot be made;
    // Reason says why.
    bool IsOpen() const { return m_zip != nullptr; }
    std::string Reason() const;
    // The file's bytes under entryName ("/"-separated), dated by the file's
    // modification time. False with the reason in error.
    bool AddFile(const std::filesystem::path& file, const std::string& entryName, std::string& error);
    // Bytes under entryName, dated now, deflated or stored as they are; no
    // extra field either way.
    bool AddBytes(const std::string& entryName, const void* data, std::size_t size, bool deflate, std::string& error);
    // Writes the central directory and puts the archive in place.
    bool Commit(std::string& error);

private:
    std::unique_ptr<AtomicFile> m_file;
    void* m_zip = nullptr;  // minizip's zipFile
    bool m_failed = false;
};
