#include <gtest/gtest.h>

#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "model/TemplatePackage.h"
#include "model/ZipReader.h"
#include "tests/model/FileTree.h"

namespace {

namespace fs = std::filesystem;
using Status = TemplateImportStatus;

struct Entry {
    std::string name = {};
    std::string data = "data of " + name;
    unsigned host = 0;  // version made by, upper byte: 0 MS-DOS, 3 Unix
    unsigned long external = 0;  // external attributes
    std::string localExtra = {};
    std::uint64_t declaredSize = 0;  // when set, data is stored raw under this uncompressed size
};

// A ZIP package built with minizip's writer; entries are dated 2020-06-15 12:34:56 (local time).
std::string MakePackage(const fs::path& path, const std::vector<Entry>& entries)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    for (const Entry& entry : entries) {
        zip_fileinfo info{};
        info.tmz_date = {56, 34, 12, 15, 5, 2020};
        info.external_fa = entry.external;
        const bool raw = entry.declaredSize != 0;
        zipOpenNewFileInZip4_64(zip, entry.name.c_str(), &info, entry.localExtra.data(), uInt(entry.localExtra.size()),
                                nullptr, 0, nullptr, raw ? 0 : Z_DEFLATED, 6, raw, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                                nullptr, 0, entry.host << 8 | 20, 0, 0);
        zipWriteInFileInZip(zip, entry.data.data(), unsigned(entry.data.size()));
        raw ? zipCloseFileInZipRaw64(zip, entry.declaredSize, 0) : zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// An entry that claims size bytes of data and holds none.
Entry Declared(const std::string& name, std::uint64_t size)
{
    return {.name = name, .data = "", .declaredSize = size};
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

using testfiles::ReadFile;
using testfiles::Tree;

// A fresh folder holding the package and the res folder it is imported into.
struct PackageImport : testing::Test {
    fs::path top = fs::temp_directory_path() / ("orvantis-package-" + std::to_string(::getpid()));
    fs::path package = top / "package.zip";
    fs::path res = top / "res";
    void SetUp() override
    {
        fs::remove_all(top);
        fs::create_directories(top);
    }
    void TearDown() override { fs::remove_all(top); }
    TemplateImportResult Import(const std::vector<Entry>& entries)
    {
        MakePackage(package, entries);
        return ImportTemplatePackage(package, res);
    }
    // What the import left beside the package.
    std::set<std::string> Outside()
    {
        std::set<std::string> all = Tree(top);
        all.erase("package.zip");
        return all;
    }
};

std::string Mode(const fs::path& path)
{
    struct stat info{};
    ::stat(path.c_str(), &info);
    return std::to_string(info.st_mode & 07777);
}

TEST_F(PackageImport, BirthdayPackageLandsInItsTemplateFolder)
{
    const auto result = Import({{"template/cards/birthday/this.tpl"}, {"template/cards/birthday/thumb.jpg"}});
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.message, "Import Complete!");
    EXPECT_EQ(Tree(res), (std::set<std::string>{"template", "template/cards", "template/cards/birthday",
                                                "template/cards/birthday/this.tpl", "template/cards/birthday/thumb.jpg"}));
    EXPECT_EQ(ReadFile(res / "template/cards/birthday/thumb.jpg"), "data of template/cards/birthday/thumb.jpg");
    EXPECT_EQ(Mode(res / "template/cards/birthday/this.tpl"), std::to_string(0644));
    EXPECT_EQ(Mode(res / "template/cards"), std::to_string(0755));
}

TEST_F(PackageImport, EntryNamesAreSanitisedAndMustStayInsideRes)
{
    const struct {
        std::string entry, landsAt;  // empty: refused
    } rows[] = {
        {"a/../template/x", "template/x"}, {"../template/x", ""}, {"template/../../x", ""},
        {"C:/template/x", "template/x"}, {"temporary/x", "temporary/x"}, {"/template/x", "template/x"},
        {"//C:\\template/x", "template/x"}, {"/etc/x", ""}, {"template\\..\\..\\x", ""},
        {"template\\cards\\x", "template/cards/x"}, {"template/..", ""}, {"template/" + std::string(300, 'n'), ""},
    };
    for (const auto& row : rows) {
        SetUp();
        const auto result = Import({{.name = row.entry, .data = "x"}});
        if (row.landsAt.empty()) {
            EXPECT_EQ(result.message, "Invalid Template File!") << row.entry;
            EXPECT_TRUE(Outside().empty()) << row.entry;
        } else {
            EXPECT_TRUE(result.Succeeded()) << row.entry;
            EXPECT_EQ(ReadFile(res / row.landsAt), "x") << row.entry;
        }
    }
}

TEST_F(PackageImport, AttributesTimesAndFolders)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    std::string extendedTimes = std::string("UT\x0D\x00\x07", 5);  // modification, access, creation
    for (std::uint32_t seconds : {1000000000u, 1100000000u, 1200000000u})
        for (int shift = 0; shift < 32; shift += 8)
            extendedTimes += char(seconds >> shift);
    const auto result = Import({{.name = "template/dos-read-only", .data = "a", .external = kZipReadOnly},
                                {.name = "template/unix-executable", .data = "b", .host = 3, .external = 0100755u << 16},
                                {.name = "template/stamped", .data = "c", .localExtra = std::string("XY\x01\x00\x00", 5) + extendedTimes},
                                {.name = "template/empty/", .data = ""}});
    ASSERT_TRUE(result.Succeeded()) << result.message;
    EXPECT_EQ(Mode(res / "template/dos-read-only"), std::to_string(0444));
    EXPECT_EQ(Mode(res / "template/unix-executable"), std::to_string(0644));
    EXPECT_TRUE(fs::is_directory(res / "template/empty") && fs::is_empty(res / "template/empty"));
    struct stat dos{}, stamped{};
    ::stat((res / "template/dos-read-only").c_str(), &dos);
    ::stat((res / "template/stamped").c_str(), &stamped);
    EXPECT_EQ(dos.st_mtime, 1592224496);  // 2020-06-15 12:34:56 UTC
    EXPECT_EQ(stamped.st_mtime, 1000000000);
    EXPECT_EQ(stamped.st_atime, 1100000000);
    ::unsetenv("TZ");
    ::tzset();

    auto reader = ZipReader::Open(package);
    ZipEntryInfo info;
    EXPECT_EQ(reader->GetEntry(-1, info), ZipResult::Ok);
    EXPECT_EQ(info.index, 4);
    EXPECT_EQ(reader->GetEntry(4, info), ZipResult::BadArguments);
    EXPECT_EQ(reader->GetEntry(1, info), ZipResult::Ok);
    EXPECT_EQ(info.attributes, kZipArchive);
    EXPECT_EQ(reader->GetEntry(0, info), ZipResult::Ok);
    EXPECT_EQ(info.attributes, kZipReadOnly);
}

TEST_F(PackageImport, RefusedPackagesWriteNothing)
{
    fs::create_directories(top / "elsewhere");
    fs::create_directories(res);
    fs::create_directory_symlink(top / "elsewhere", res / "template");
    EXPECT_EQ(Import({{"template/x"}}).status, Status::Invalid);
    fs::remove(res / "template");
    const std::vector<std::vector<Entry>> refused = {
        {{"template/good"}, {"../x"}},
        {{.name = "template/link", .data = "/etc/passwd", .host = 3, .external = 0120777u << 16}},
        {{"template/x"}, {"template/y"}, {"template/x"}},
        {{"template/small"}, Declared("template/bomb", std::uint64_t(2) << 30)},
        {Declared("template/a", 250u << 20), Declared("template/b", 250u << 20), Declared("template/c", 250u << 20),
         Declared("template/d", 250u << 20), Declared("template/e", 250u << 20)},
    };
    const Status expected[] = {Status::Invalid, Status::Invalid, Status::Invalid, Status::TooLarge, Status::TooLarge};
    for (std::size_t i = 0; i < refused.size(); ++i) {
        EXPECT_EQ(Import(refused[i]).status, expected[i]) << i;
        EXPECT_EQ(Tree(top), (std::set<std::string>{"elsewhere", "package.zip", "res"})) << i;
    }
    std::vector<Entry> many(20000, Entry{.name = "template/n", .data = ""});
    const auto result = Import(many);
    EXPECT_EQ(result.status, Status::TooLarge);
    EXPECT_NE(result.message.find("20000"), std::string::npos);
}

TEST_F(PackageImport, DamagedPackagesKeepWhatWasThere)
{
    WriteFile(res / "template/x", "before");
    const std::string good = MakePackage(package, {{.name = "template/x", .data = std::string(5000, 'z')}});
    // Data that fails its CRC, data longer or shorter than declared, and cuts of the package.
    std::string corrupt = good;
    corrupt[good.find("template/x") + 12] ^= 0x55;
    const std::string longer = MakePackage(package, {{.name = "template/x", .data = "more than declared", .declaredSize = 4}});
    const std::string shorter = MakePackage(package, {{.name = "template/x", .data = "less", .declaredSize = 64}});
    for (const std::string& bytes : {corrupt, longer, shorter}) {
        WriteFile(package, bytes);
        const auto result = ImportTemplatePackage(package, res);
        EXPECT_EQ(result.status, Status::Failed);
        EXPECT_NE(result.message.find("template/x"), std::string::npos);
    }
    for (std::size_t cut = 0; cut < good.size(); cut += 97) {
        WriteFile(package, good.substr(0, cut));
        EXPECT_FALSE(ImportTemplatePackage(package, res).Succeeded()) << cut;
    }
    EXPECT_EQ(Tree(res), (std::set<std::string>{"template", "template/x"}));
    EXPECT_EQ(ReadFile(res / "template/x"), "before");
}

}  // namespace
