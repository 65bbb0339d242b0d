// Import Template: a ZIP package of template folders (entries beginning
// with "template/") extracted into a res folder. The whole package is
// checked before anything is written, so a package that is refused leaves
// nothing behind; each file appears complete or not at all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

enum class TemplateImportStatus {
    Complete,
    Invalid,   // not an archive, or an entry that may not be extracted
    TooLarge,  // refused before writing: too many entries or bytes
    Failed,    // an entry could not be extracted; the ones before it were
};

struct TemplateImportResult {
    TemplateImportStatus status;
    std::string message;  // the text to show the user

    bool Succeeded() const { return status == TemplateImportStatus::Complete; }
};

// What a package may hold, so that a hostile one cannot fill the disk.
constexpr std::uint64_t kMaxTemplateEntryBytes = std::uint64_t(256) << 20;
constexpr std::uint64_t kMaxTemplatePackageBytes = std::uint64_t(1) << 30;
constexpr int kMaxTemplateEntries = 10000;

// Entry names longer than this (in UTF-16 units) are refused, not cut.
constexpr std::size_t kMaxTemplateEntryName = 260;

TemplateImportResult ImportTemplatePackage(const std::filesystem::path& package,
                                           const std::filesystem::path& resFolder);
