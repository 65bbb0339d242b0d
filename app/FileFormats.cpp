#include "app/FileFormats.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "app/ProgramFolder.h"
#include "image/ImageFormats.h"

namespace {

constexpr PhotoFileType kPhotoFileTypes[] = {
    {"BMP files (*.bmp)", "*.bmp", "*.bmp"},
    {"JPG files (*.jpg;*.jpeg)", "*.jpg;*.jpeg", "*.jpg;*.jpeg"},
    {"PNG files (*.png)", "*.png", "*.png"},
    {"TGA files (*.tga)", "*.tga", "*.tga"},
    {"TIFF files (*.tiff,*.tif)", "*.tiff;*.tif", "*.tiff"},
    {"JP2 files(*.j2k;*.jp2)", "*.j2k;*.jp2", "*.jp2;*.j2k"},
    {"WebP files (*.webp)", "*.webp", "*.webp"},
    {"HEIF files (*.heic;*.heif)", "*.heic;*.heif", "*.heic;*.heif"},
    {"AVIF files (*.avif)", "*.avif", "*.avif"},
};

// The kinds whose files the image core reads with an alpha plane or a
// transparent colour.
constexpr PhotoFileType kFramePictureTypes[] = {
    {"PNG files (*.png)", "*.png", "*.png"},
    {"WebP files (*.webp)", "*.webp", "*.webp"},
    {"TIFF files (*.tiff,*.tif)", "*.tiff;*.tif", "*.tiff;*.tif"},
    {"HEIF files (*.heic;*.heif;*.avif)", "*.heic;*.heif;*.avif", "*.heic;*.heif;*.avif"},
    {"GIF files (*.gif)", "*.gif", "*.gif"},
    {"ICO files (*.ico)", "*.ico", "*.ico"},
};

constexpr CardFileType kCardFileTypes[] = {
    {FormatBmp, "BMP files (*.bmp)", "bmp", "BMP"},
    {FormatJpg, "JPG files (*.jpg *.jpeg)", "jpg", "JPEG"},
    {FormatPng, "PNG files (*.png)", "png", "PNG"},
};

// "a, b or c".
std::string ListOf(const std::vector<std::string>& items)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " or " : ", ") + items[i];
    return text;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

}  // namespace

std::span<const PhotoFileType> PhotoFileTypes()
{
    return kPhotoFileTypes;
}

namespace {

// "first|every supported pattern|" then each type's name and patterns, "||".
std::string DialogFilter(const char* first, std::span<const PhotoFileType> kinds)
{
    std::string supported, types;
    for (const PhotoFileType& type : kinds) {
        supported += (supported.empty() ? "" : ";") + std::string(type.supported);
        types += std::string(type.name) + "|" + type.patterns + "|";
    }
    return std::string(first) + "|" + supported + "|" + types + "|";
}

}  // namespace

std::string PhotoDialogFilter()
{
    return DialogFilter("support files", kPhotoFileTypes);
}

std::string FramePictureDialogFilter()
{
    return DialogFilter("pictures with transparency", kFramePictureTypes);
}

std::span<const CardFileType> CardFileTypes()
{
    return kCardFileTypes;
}

const CardFileType& DefaultCardFileType()
{
    return kCardFileTypes[1];
}

std::uint32_t CardFormatOf(const std::filesystem::path& path)
{
    const std::uint32_t format = GetFormatFromExtension(Lower(GetFileExtension(path.filename())));
    for (const CardFileType& type : kCardFileTypes)
        if (type.format == format)
            return format;
    return 0;
}

std::string CardExtensionsText()
{
    // Every extension of the program's table that names a card format.
    std::vector<std::string> extensions;
    for (const CardFileType& type : kCardFileTypes)
        for (const std::string_view extension : KnownExtensions())
            if (GetFormatFromExtension(extension) == type.format)
                extensions.push_back("." + std::string(extension));
    return ListOf(extensions);
}

std::string CardFormatNamesText()
{
    std::vector<std::string> names;
    for (const CardFileType& type : kCardFileTypes)
        names.emplace_back(type.name);
    return ListOf(names);
}
