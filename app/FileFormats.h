// What the program opens and saves, in one table: the photo files the Photo
// dialog offers, the formats a card is saved in, their extensions, and the
// texts that name them in dialogs, messages and the command line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

// A kind of photo file as the Photo dialog lists it.
struct PhotoFileType {
    const char* name;       // the filter's name
    const char* patterns;   // its own patterns
    const char* supported;  // its patterns in the first filter, "support files"
};
std::span<const PhotoFileType> PhotoFileTypes();
// The Photo dialog's filter: "support files|...|" then each type's name and
// patterns, ended by "||".
std::string PhotoDialogFilter();

// The open dialog's filter for frames, pictures that can carry
// transparency: "pictures with transparency|...|" then each kind, "||".
std::string FramePictureDialogFilter();

// A format a card is saved in.
struct CardFileType {
    std::uint32_t format;
    const char* filterName;  // in the Save dialog
    const char* extension;   // given to a name that has none of the type's
    const char* name;        // in messages
};
std::span<const CardFileType> CardFileTypes();
// The type the Save dialog chooses first.
const CardFileType& DefaultCardFileType();
// The format a card is saved in under this name (the extension in any
// case); 0 for a name no card format has.
std::uint32_t CardFormatOf(const std::filesystem::path& path);
// ".bmp, .jpg, .jpeg or .png": every extension a card name may end in.
std::string CardExtensionsText();
// "BMP, JPEG or PNG".
std::string CardFormatNamesText();
