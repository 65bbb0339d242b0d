// A file written beside its target and put in the target's place only on
// Commit, so a failed or interrupted save never leaves a half-written file
// where a good one stood, and leaves nothing else behind either.
//
// Where the file system offers it, the data goes to an unnamed file
// (O_TMPFILE), which vanishes by itself when the program dies before Commit.
// Elsewhere it goes to a hidden file named after the target
// (".<name>.orvantis-tmp"); a crash leaves that one file, and the next save of
// the same target replaces it. Commit links the unnamed file under that same
// name and renames it over the target, so at worst the same one file remains.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

class AtomicFile {
public:
    enum class Temporary { Unnamed, Named };

    // Temporary::Named skips the unnamed file and writes through the named
    // one from the start, as on file systems without O_TMPFILE.
    explicit AtomicFile(std::filesystem::path target, Temporary kind = Temporary::Unnamed);
    ~AtomicFile();  // drops the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // The stream to write to, or null when no temporary file could be made.
    std::FILE* Stream() const { return m_stream; }
    // Flushes, syncs and renames over the target; false (target untouched)
    // when any write failed or the rename did not happen.
    bool Commit();

    // Why the file could not be made or written, in a user's words ("the
    // folder ~/Cards does not exist", "the disk is full"), after a null
    // Stream, a failed write to it or a failed Commit.
    std::string Reason() const;

    // The hidden name the temporary file has beside target while it is named.
    static std::filesystem::path TemporaryName(const std::filesystem::path& target);

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;  // TemporaryName(m_target)
    std::FILE* m_stream = nullptr;
    bool m_named = false;  // whether m_temporary exists and is ours
    bool m_committed = false;
    int m_error = 0;  // the system's error number of the first failure
};

// A failed write of target explained from the system's error number.
std::string DescribeWriteError(int error, const std::filesystem::path& target);
