// The file a picture element was read from, kept whole: a card saved as a
// document carries its photos and its template as they came, not re-encoded.
// Shared by every copy of the element and every undo step.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SourceFile {
    std::vector<std::uint8_t> bytes;
    // The file's own name ("beach.jpg", a template's folder name); empty for
    // a picture that never had a file.
    std::string name;
    // A template's preview picture (its thumb.jpg), when it has one.
    std::vector<std::uint8_t> thumbnail;
};

using SharedSourceFile = std::shared_ptr<const SourceFile>;

// The whole file, or null with the system's reason in why; the caller may
// still change it before sharing it.
std::shared_ptr<SourceFile> ReadSourceFile(const std::string& path, std::string& why);
