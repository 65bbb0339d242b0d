// fuzz_import_package: the input is a template package (a ZIP archive). It
// is imported into a res folder alone in a fresh box folder; afterwards
// nothing may have appeared in the box beside res, and nothing under res may
// be a symbolic link, an executable file or a file that no entry names (a
// leftover temporary file).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "fuzz/MemoryBound.h"
#include "model/TemplatePackage.h"
#include "model/ZipReader.h"

namespace {

namespace fs = std::filesystem;

fs::path g_top;

void RemoveTop()
{
    std::error_code ignored;
    fs::remove_all(g_top, ignored);
}

[[noreturn]] void Fail(const std::string& what, const fs::path& path)
{
    std::fprintf(stderr, "fuzz_import_package: %s: %s\n", what.c_str(), path.c_str());
    std::abort();
}

void WritePackage(const fs::path& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file && std::fwrite(data, 1, size, file) == size;
    if (!file || std::fclose(file) != 0 || !written)
        Fail("cannot write the package", path);
}

// Where the entries' names would put their files, read back with the reader.
std::set<fs::path> NamedFiles(const fs::path& package, const fs::path& res)
{
    std::set<fs::path> files;
    const std::unique_ptr<ZipReader> reader = ZipReader::Open(package);
    ZipEntryInfo info;
    // A package the import refuses for its count names nothing it may write.
    if (!reader || reader->GetEntry(-1, info) != ZipResult::Ok || info.index > kMaxTemplateEntries)
        return files;
    for (int i = 0, count = info.index; i < count && reader->GetEntry(i, info) == ZipResult::Ok; ++i) {
        std::replace(info.name.begin(), info.name.end(), '\\', '/');
        // "x/." names x itself.
        const fs::path file = (res / info.name).lexically_normal();
        files.insert(file.has_filename() ? file : file.parent_path());
    }
    return files;
}

void CheckBox(const fs::path& box, const fs::path& res, const std::set<fs::path>& named)
{
    for (const auto& item : fs::directory_iterator(box))
        if (item.path() != res)
            Fail("written outside res", item.path());
    if (!fs::exists(res))
        return;
    for (const auto& item : fs::recursive_directory_iterator(res)) {
        const fs::file_status status = item.symlink_status();
        if (fs::is_symlink(status))
            Fail("symbolic link under res", item.path());
        if (fs::is_regular_file(status) && (status.permissions() & fs::perms::owner_exec) != fs::perms::none)
            Fail("executable file under res", item.path());
        if (fs::is_regular_file(status) && !named.contains(item.path()))
            Fail("a file no entry names", item.path());
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Shared memory where there is some: every extracted file is synced,
    // which costs nothing there and milliseconds on a disk.
    std::error_code error;
    const fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "orvantis-fuzz-package-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("fuzz_import_package: mkdtemp");
        std::abort();
    }
    g_top = pattern;
    std::atexit(RemoveTop);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzsupport::InputMemoryBound memoryBound;
    const fs::path package = g_top / "package.zip";
    const fs::path box = g_top / "box";
    const fs::path res = box / "res";
    WritePackage(package, data, size);
    fs::create_directory(box);
    ImportTemplatePackage(package, res);
    CheckBox(box, res, NamedFiles(package, res));
    for (const auto& item : fs::directory_iterator(g_top))
        if (item.path() != package && item.path() != box)
            Fail("written outside the box", item.path());
    fs::remove_all(box);
    return 0;
}
