#include "app/PhotoFile.h"

#include <cstdlib>

#include "image/ColourConvert.h"

namespace {

// One line: a library's message may end in a line break, or hold several.
std::string OneLine(const std::string& text)
{
    std::string line;
    for (const char c : text) {
        const bool space = c == '\n' || c == '\r' || c == '\t' || c == ' ';
        if (!space)
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

// A decoder's reason in the words a user reads. The image core's own
// refusals already are ("the picture is ... pixels, more than ..."); a
// library's terse message ("Read Error", "Corrupted TIFF file!") is kept in
// brackets behind what it means for the file.
std::string Explained(const std::string& message)
{
    const std::string reason = OneLine(message);
    if (reason.starts_with("the ") || reason.starts_with("decoding the "))
        return reason;
    if (reason == "Decode: Unknown or wrong format")
        return "the file is not a picture in any format this program reads (" + reason + ")";
    if (reason.find("nsupported") != std::string::npos || reason.find("not supported") != std::string::npos)
        return "the picture is stored in a way this program does not read (" + reason + ")";
    return "the file is damaged or cut short (" + reason + ")";
}

// A photo taken turned goes on the card the right way up, in the colours its
// file meant: the card is composed, shown and saved in sRGB. A profile that
// cannot be applied leaves the photo as it was stored.
void MakeUprightSrgb(PxImage& photo)
{
    photo.TurnUpright();
    ConvertToSrgb(photo);
}

}  // namespace

bool OpenPhoto(const std::filesystem::path& path, PxImage& photo, std::string& why)
{
    SharedSourceFile source;
    return OpenPhoto(path, photo, why, source);
}

bool OpenPhoto(const std::filesystem::path& path, PxImage& photo, std::string& why, SharedSourceFile& source)
{
    source = ReadSourceFile(path, why);
    if (!source) {
        photo.Destroy();
        return false;
    }
    return DecodePhoto(*source, photo, why);
}

bool DecodePhoto(const SourceFile& file, PxImage& photo, std::string& why)
{
    photo.SetLastError("");
    if (file.bytes.empty()) {
        why = "the file is empty";
        photo.Destroy();
        return false;
    }
    if (!photo.Decode(file.bytes.data(), std::int32_t(file.bytes.size()), FormatUnknown) || !photo.IsValid()) {
        why = photo.GetLastError()[0] ? Explained(photo.GetLastError()) : "the file cannot be read";
        photo.Destroy();
        return false;
    }
    MakeUprightSrgb(photo);
    return true;
}

bool EncodeLosslessly(const PxImage& picture, SourceFile& file)
{
    PxImage copy(picture);
    std::uint8_t* data = nullptr;
    std::int32_t length = 0;
    if (!copy.Encode(data, length, FormatPng))
        return false;
    file.bytes.assign(data, data + length);
    std::free(data);
    file.name = "pasted.png";
    return true;
}
