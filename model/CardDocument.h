// The card file: a card kept as a document of its own. A ZIP container whose
// first entry, "mimetype", is stored without an extra field and holds the
// media type, so the first bytes tell what the file is; then the card's
// description (card.json), the template it uses (its this.tpl as loaded, and
// its thumbnail), each photo's file once, and a preview of the card.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/CardRecord.h"

inline constexpr const char* kCardMediaType = "application/x-orvantis-card";
inline constexpr const char* kCardExtension = ".orvantis";
inline constexpr const char* kCardPreviewEntry = "Thumbnails/thumbnail.png";
inline constexpr long kCardPreviewSide = 256;
// The description's format: a reader takes every minor version of its own
// major one (it ignores what it does not know) and refuses newer majors.
inline constexpr int kCardFormatMajor = 1;
inline constexpr int kCardFormatMinor = 1;  // 1: texts' placement, outline and shadow

// The names a record's files go under beside its description.
struct CardEntryNames {
    std::string templateFile;       // "Template/..."
    std::string templateThumbnail;  // "Template/...", when the template has one
    std::vector<std::string> photos;  // "Photos/...", one for each of the record's photos
};
inline constexpr const char* kCardDescriptionEntry = "card.json";
// The description (card.json) of a record whose files lie under those names.
std::string DescribeCard(const CardRecord& record, const CardEntryNames& names);
// The extension a photo's file keeps in its entry's name ("jpg"; "bin" for none).
std::string EntryExtension(const std::string& name);

// Writes the record with the preview (PNG bytes) through an atomic save: the
// old file stays until the new one is complete. False with the reason.
bool WriteCardDocument(const CardRecord& record, const std::vector<std::uint8_t>& preview,
                       const std::filesystem::path& path, std::string& why);

// Reads a card file's bytes into a record; false with what is wrong in words.
// Nothing is extracted anywhere: every entry is read into memory, within
// bounds that the declared sizes are checked against first.
bool ReadCardDocument(std::vector<std::uint8_t> bytes, CardRecord& record, std::string& why);
// A card kept as loose files in a folder: the description (card.json) and
// the files it names, read within the same bounds as a card file.
bool ReadCardFolder(const std::filesystem::path& folder, CardRecord& record, std::string& why);
// The stored preview alone, without reading the rest.
bool ReadCardPreview(const std::uint8_t* bytes, std::size_t size, std::vector<std::uint8_t>& png, std::string& why);
// The same from a card file, of which only the pages the preview needs are read.
bool ReadCardPreview(const std::filesystem::path& card, std::vector<std::uint8_t>& png, std::string& why);

// Whether a name ends in the card file's extension, in any case.
bool HasCardExtension(const std::filesystem::path& name);
// Whether bytes begin as a card file does (the stored mimetype entry).
bool LooksLikeCardDocument(const std::uint8_t* bytes, std::size_t size);
