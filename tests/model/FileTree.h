// Files as the template tests compare them: a file's bytes, and every path
// under a folder.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace testfiles {

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Every path under folder, relative to it; none when it does not exist.
inline std::set<std::string> Tree(const std::filesystem::path& folder)
{
    std::set<std::string> paths;
    if (std::filesystem::exists(folder))
        for (const auto& item : std::filesystem::recursive_directory_iterator(folder))
            paths.insert(item.path().lexically_relative(folder).string());
    return paths;
}

}  // namespace testfiles
