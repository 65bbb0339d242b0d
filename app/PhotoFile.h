// Opening a photo for the card: the one way the Photo button, drops, paste
// of files, the command line and the batch renderer read a photo.
#pragma once

#include <filesystem>
#include <string>

#include "image/PxImage.h"
#include "model/SourceFile.h"

// Reads the file in whatever format its content is, turns it the right way
// up and brings its colours into sRGB. On failure photo is left empty and
// why says in words what is wrong with the file.
bool OpenPhoto(const std::filesystem::path& path, PxImage& photo, std::string& why);
// The same, keeping the file's bytes in source: the card file stores them.
bool OpenPhoto(const std::filesystem::path& path, PxImage& photo, std::string& why, SharedSourceFile& source);
// A photo file already read (a card file's), decoded the same way.
bool DecodePhoto(const SourceFile& file, PxImage& photo, std::string& why);
// A picture that never had a file as PNG bytes that decode to its pixels.
bool EncodeLosslessly(const PxImage& picture, SourceFile& file);
