#include <gtest/gtest.h>

#include <elf.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string_view>
#include <vector>

#include <QTemporaryDir>

#include "controls/VersionReader.h"
#include "platform/VersionBlock.h"
#include "ui/CommandLine.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes TestBlock()
{
    const VersionBlockWriter writer = WriteVersionInfo(
        VS_FIXEDFILEINFO{.dwSignature = VS_FFI_SIGNATURE, .dwFileVersionMS = 0x00010000}, 0x0409, 0x04B0,
        {{u"ProductName", u"Orvantis"}, {u"ProductVersion", u"1. 0. 2"}});
    EXPECT_TRUE(writer.Complete());
    return Bytes(writer.Bytes().begin(), writer.Bytes().begin() + std::ptrdiff_t(writer.Size()));
}

WORD WordAt(const Bytes& b, std::size_t at)
{
    return WORD(b[at] | (b[at + 1] << 8));
}

void PutWord(Bytes& b, std::size_t at, WORD value)
{
    b[at] = std::uint8_t(value);
    b[at + 1] = std::uint8_t(value >> 8);
}

// Offset of the node whose key is key.
std::size_t NodeOf(const Bytes& b, std::u16string_view key)
{
    const auto* text = reinterpret_cast<const char*>(key.data());
    const std::string_view wanted(text, 2 * key.size());
    const std::string_view all(reinterpret_cast<const char*>(b.data()), b.size());
    const std::size_t at = all.find(wanted);
    EXPECT_NE(at, all.npos);
    return at - 6;
}

std::u16string Query(const Bytes& block, const char16_t* path, bool* found = nullptr)
{
    void* value = nullptr;
    UINT length = 0;
    const bool ok = VerQueryValueW(block.data(), path, &value, &length);
    if (found)
        *found = ok;
    return ok ? std::u16string(static_cast<const char16_t*>(value), length) : std::u16string();
}

TEST(VersionBlock, AnswersTheProgramsThreeQueries)
{
    const Bytes block = TestBlock();
    EXPECT_EQ(WordAt(block, 0), block.size());
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
    ASSERT_EQ(length, 52u);
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);

    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(std::memcmp(value, "\x09\x04\xB0\x04", 4), 0);

    EXPECT_EQ(Query(block, u"\\StringFileInfo\\040904b0\\ProductVersion"), std::u16string(u"1. 0. 2\0", 8));
    EXPECT_EQ(Query(block, u"\\stringfileinfo\\040904B0\\productversion"), std::u16string(u"1. 0. 2\0", 8));
    bool found = true;
    Query(block, u"\\StringFileInfo\\040904b0\\CompanyName", &found);
    EXPECT_FALSE(found);
}

// Every length is checked against the node that holds it.
TEST(VersionBlock, RefusesCorruptedLengths)
{
    struct Case {
        const char* name;
        std::function<void(Bytes&)> corrupt;
        const char16_t* query;
    };
    const Case cases[] = {
        {"block cut short before its strings", [](Bytes& b) { PutWord(b, 0, 100); },
         u"\\StringFileInfo\\040904b0\\ProductVersion"},
        {"block shorter than a header", [](Bytes& b) { PutWord(b, 0, 4); }, u"\\"},
        {"child longer than its parent",
         [](Bytes& b) { PutWord(b, NodeOf(b, u"StringFileInfo"), WORD(WordAt(b, 0) + 40)); },
         u"\\StringFileInfo\\040904b0\\ProductVersion"},
        {"child of length 0", [](Bytes& b) { PutWord(b, NodeOf(b, u"ProductName"), 0); },
         u"\\StringFileInfo\\040904b0\\ProductVersion"},
        {"key running past its node", [](Bytes& b) { PutWord(b, NodeOf(b, u"ProductVersion"), 10); },
         u"\\StringFileInfo\\040904b0\\ProductVersion"},
        {"value running past its node", [](Bytes& b) { PutWord(b, NodeOf(b, u"ProductVersion") + 2, 200); },
         u"\\StringFileInfo\\040904b0\\ProductVersion"},
        {"translation without a value", [](Bytes& b) { PutWord(b, NodeOf(b, u"Translation") + 2, 0); },
         u"\\VarFileInfo\\Translation"},
    };
    for (const Case& c : cases) {
        Bytes block = TestBlock();
        c.corrupt(block);
        bool found = true;
        Query(block, c.query, &found);
        EXPECT_FALSE(found) << c.name;
    }
}

// A minimal ELF64 file: header, the version section, the section names and
// the section header table (null, version, names), as a linker lays it out.
struct ElfImage {
    Bytes bytes;
    std::size_t shoff = 0;
    Elf64_Ehdr& Header() { return *reinterpret_cast<Elf64_Ehdr*>(bytes.data()); }
    Elf64_Shdr& Section(int i) { return *reinterpret_cast<Elf64_Shdr*>(bytes.data() + shoff + i * sizeof(Elf64_Shdr)); }
};

ElfImage MakeElf(const Bytes& payload)
{
    static constexpr char kNames[] = "\0.orvantis_version\0.shstrtab";
    ElfImage elf;
    elf.bytes.resize(sizeof(Elf64_Ehdr));
    const std::size_t payloadAt = elf.bytes.size();
    elf.bytes.insert(elf.bytes.end(), payload.begin(), payload.end());
    const std::size_t namesAt = elf.bytes.size();
    elf.bytes.insert(elf.bytes.end(), kNames, kNames + sizeof kNames);
    elf.bytes.resize((elf.bytes.size() + 7) & ~std::size_t(7));
    elf.shoff = elf.bytes.size();
    elf.bytes.resize(elf.shoff + 3 * sizeof(Elf64_Shdr));

    Elf64_Ehdr& h = elf.Header();
    std::memcpy(h.e_ident, ELFMAG, SELFMAG);
    h.e_ident[EI_CLASS] = ELFCLASS64;
    h.e_ident[EI_DATA] = ELFDATA2LSB;
    h.e_ident[EI_VERSION] = EV_CURRENT;
    h.e_type = ET_EXEC;
    h.e_machine = EM_X86_64;
    h.e_ehsize = sizeof(Elf64_Ehdr);
    h.e_shoff = elf.shoff;
    h.e_shentsize = sizeof(Elf64_Shdr);
    h.e_shnum = 3;
    h.e_shstrndx = 2;
    auto place = [&](int i, Elf64_Word name, Elf64_Word type, std::size_t offset, std::size_t size) {
        Elf64_Shdr& section = elf.Section(i);
        section.sh_name = name;
        section.sh_type = type;
        section.sh_offset = offset;
        section.sh_size = size;
    };
    place(1, 1, SHT_PROGBITS, payloadAt, payload.size());
    place(2, 19, SHT_STRTAB, namesAt, sizeof kNames);
    return elf;
}

class ElfFile : public testing::Test {
protected:
    std::filesystem::path Write(const Bytes& bytes, std::size_t length)
    {
        const std::filesystem::path file = std::filesystem::path(m_dir.path().toStdString()) / "program";
        std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()),
                                                                      std::streamsize(length));
        return file;
    }
    DWORD SizeOf(const Bytes& bytes) { return GetFileVersionInfoSizeW(Write(bytes, bytes.size()), nullptr); }
    QTemporaryDir m_dir;
};

TEST_F(ElfFile, FindsTheVersionSection)
{
    const Bytes block = TestBlock();
    ElfImage elf = MakeElf(block);
    const std::filesystem::path file = Write(elf.bytes, elf.bytes.size());
    DWORD handle = 1;
    ASSERT_EQ(GetFileVersionInfoSizeW(file, &handle), block.size());
    EXPECT_EQ(handle, 0u);
    Bytes read(block.size());
    ASSERT_TRUE(GetFileVersionInfoW(file, 0, DWORD(read.size()), read.data()));
    EXPECT_EQ(read, block);
    EXPECT_FALSE(GetFileVersionInfoW(file, 0, DWORD(read.size() - 1), read.data())) << "a buffer too small";
}

// The section header table comes last, so every cut of the file loses it.
TEST_F(ElfFile, RefusesEveryTruncatedFile)
{
    const ElfImage elf = MakeElf(TestBlock());
    for (std::size_t length = 0; length < elf.bytes.size(); ++length)
        ASSERT_EQ(GetFileVersionInfoSizeW(Write(elf.bytes, length), nullptr), 0u) << length;
}

TEST_F(ElfFile, RefusesHostileHeaders)
{
    struct Case {
        const char* name;
        std::function<void(ElfImage&)> corrupt;
    };
    const Case cases[] = {
        {"32-bit class", [](ElfImage& e) { e.Header().e_ident[EI_CLASS] = ELFCLASS32; }},
        {"big-endian", [](ElfImage& e) { e.Header().e_ident[EI_DATA] = ELFDATA2MSB; }},
        {"not ELF", [](ElfImage& e) { e.Header().e_ident[1] = 'X'; }},
        {"odd entry size", [](ElfImage& e) { e.Header().e_shentsize = 40; }},
        {"no sections", [](ElfImage& e) { e.Header().e_shnum = 0; }},
        {"more sections than the file", [](ElfImage& e) { e.Header().e_shnum = 0xFF00; }},
        {"names index out of range", [](ElfImage& e) { e.Header().e_shstrndx = 3; }},
        {"table offset that overflows", [](ElfImage& e) { e.Header().e_shoff = ~std::uint64_t(0) - 16; }},
        {"names not a string table", [](ElfImage& e) { e.Section(2).sh_type = SHT_PROGBITS; }},
        {"names past the end", [](ElfImage& e) { e.Section(2).sh_size = 1 << 16; }},
        {"name offset past the names", [](ElfImage& e) { e.Section(1).sh_name = 4000; }},
        {"section past the end", [](ElfImage& e) { e.Section(1).sh_offset = ~std::uint64_t(0) - 4; }},
        {"section without bytes", [](ElfImage& e) { e.Section(1).sh_type = SHT_NOBITS; }},
        {"section too large for a block", [](ElfImage& e) { e.Section(1).sh_size = 0x10000; }},
    };
    for (const Case& c : cases) {
        ElfImage elf = MakeElf(TestBlock());
        c.corrupt(elf);
        EXPECT_EQ(SizeOf(elf.bytes), 0u) << c.name;
    }

    // A block that claims more than its section is not handed out.
    Bytes block = TestBlock();
    PutWord(block, 0, WORD(block.size() + 4));
    ElfImage elf = MakeElf(block);
    const std::filesystem::path file = Write(elf.bytes, elf.bytes.size());
    Bytes read(GetFileVersionInfoSizeW(file, nullptr));
    ASSERT_FALSE(read.empty());
    EXPECT_FALSE(GetFileVersionInfoW(file, 0, DWORD(read.size()), read.data()));
}

// This test program carries the program's own block (orvantis_embed_version).
TEST(VersionReader, ReadsTheRunningProgramsVersion)
{
    CVersionReader reader;
    ASSERT_TRUE(reader.LoadFromExecutable());
    EXPECT_EQ(reader.dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(reader.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(reader.dwProductVersionLS, 0x00020000u);
    EXPECT_EQ(reader.m_wLanguage, 0x0409);
    EXPECT_EQ(reader.m_wCodePage, 0x04B0);
    EXPECT_EQ(reader.GetValue(QStringLiteral("ProductVersion")), QStringLiteral("1. 0. 2"));
    // --version writes the same numbers without the block's spaces.
    EXPECT_EQ(VersionText(reader.GetValue(QStringLiteral("ProductVersion")).toStdString()), "orvantis 1.0.2\n");
    EXPECT_EQ(reader.GetValue(QStringLiteral("ProductName")), QStringLiteral("Orvantis"));
    EXPECT_EQ(reader.GetValue(QStringLiteral("Nonexistent")), QString());

    // A file without a block clears what was read before.
    QTemporaryDir dir;
    const std::filesystem::path other = std::filesystem::path(dir.path().toStdString()) / "plain";
    std::ofstream(other) << "plain text";
    EXPECT_FALSE(reader.LoadFromModule(other));
    EXPECT_EQ(reader.dwSignature, 0u);
    EXPECT_EQ(reader.m_wCodePage, 1252);
    EXPECT_EQ(reader.GetValue(QStringLiteral("ProductVersion")), QString());
}

TEST(VersionReader, CommandLineVersionDropsTheBlocksSpacesOnly)
{
    EXPECT_EQ(VersionText("2. 10. 3"), "orvantis 2.10.3\n");
    EXPECT_EQ(VersionText("1.0.2"), "orvantis 1.0.2\n");
}

}  // namespace
