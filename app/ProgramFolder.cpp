#include "app/ProgramFolder.h"

#include <system_error>

#include "image/ImageFormats.h"

std::filesystem::path GetAppDir()
{
    static const std::filesystem::path folder = [] {
        std::error_code error;
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::filesystem::path() : program.parent_path();
    }();
    return folder;
}

std::string GetFileExtension(const std::filesystem::path& path)
{
    const std::string text = path.string();
    const std::size_t dot = text.rfind('.');
    return dot == std::string::npos ? std::string() : text.substr(dot + 1);
}

namespace {

struct ExtensionEntry {
    std::string_view extension;
    std::uint32_t format;
};
// Compared exactly and in this order; the first match wins.
constexpr ExtensionEntry kExtensions[] = {
    {"bmp", FormatBmp},  {"jpg", FormatJpg},  {"jpeg", FormatJpg}, {"gif", FormatGif},
    {"png", FormatPng},  {"ico", FormatIco},  {"tiff", FormatTif}, {"tif", FormatTif},
    {"tga", FormatTga},  {"pcx", FormatPcx},  {"wbmp", FormatWbmp}, {"wmf", FormatWmf},
    {"emf", FormatWmf},  {"jp2", FormatJp2},  {"j2k", FormatJp2},  {"jpc", FormatJpc},
    {"j2c", FormatJpc},  {"pgx", FormatPgx},  {"ras", FormatRas},  {"pnm", FormatPnm},
    {"pgm", FormatPnm},  {"ppm", FormatPnm},  {"webp", FormatWebp}, {"heic", FormatHeif},
    {"heif", FormatHeif}, {"avif", FormatAvif},
};

}  // namespace

std::uint32_t GetFormatFromExtension(std::string_view extension)
{
    for (const ExtensionEntry& entry : kExtensions)
        if (entry.extension == extension)
            return entry.format;
    return FormatUnknown;
}

std::vector<std::string_view> KnownExtensions()
{
    std::vector<std::string_view> extensions;
    for (const ExtensionEntry& entry : kExtensions)
        extensions.push_back(entry.extension);
    return extensions;
}
