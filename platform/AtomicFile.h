// A file written under a temporary name in the target's folder and renamed
// over the target only on Commit, so a failed or interrupted save never
// leaves a half-written file where a good one stood.
#pragma once

#include <cstdio>
#include <filesystem>

class AtomicFile {
public:
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();  // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // The stream to write to, or null when no temporary file could be made.
    std::FILE* Stream() const { return m_stream; }
    // Flushes, syncs and renames over the target; false (target untouched)
    // when any write failed or the rename did not happen.
    bool Commit();

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::FILE* m_stream = nullptr;
    bool m_committed = false;
};
