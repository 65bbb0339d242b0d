// The program's folder, the base of every resource path, and the mapping of
// file extensions to image format ids.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The folder of the running program file, without a trailing separator.
// Read once from /proc/self/exe and kept; empty when it cannot be read.
std::filesystem::path GetAppDir();

// The text after the last "." of the whole path; empty when there is none.
std::string GetFileExtension(const std::filesystem::path& path);

// The image format id for a lower-case extension without its dot; 0 when unknown.
std::uint32_t GetFormatFromExtension(std::string_view extension);
// Every extension the program knows, in the order they are looked up.
std::vector<std::string_view> KnownExtensions();
