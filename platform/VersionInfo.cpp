#include "platform/VersionInfo.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

namespace {

// wLength is 16 bits: no block is larger.
constexpr std::uint64_t kMaxBlock = 0xFFFF;
// Section name tables of real programs hold a few hundred bytes.
constexpr std::uint64_t kMaxNameTable = 1 << 20;
constexpr std::size_t kNodeHeader = 6;

struct Span {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

bool ReadAt(std::ifstream& in, std::uint64_t offset, void* out, std::size_t size)
{
    in.seekg(std::streamoff(offset));
    in.read(static_cast<char*>(out), std::streamsize(size));
    return bool(in);
}

bool InsideFile(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize)
{
    return offset <= fileSize && size <= fileSize - offset;
}

// Where the version section lies in the file. Only what this program's own
// builds produce is accepted (64-bit, little-endian, a plain section count);
// every offset and size is checked against the file before it is used.
std::optional<Span> FindVersionSection(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    if (end < 0)
        return std::nullopt;
    const std::uint64_t fileSize = std::uint64_t(end);

    Elf64_Ehdr header;
    if (!InsideFile(0, sizeof header, fileSize) || !ReadAt(in, 0, &header, sizeof header))
        return std::nullopt;
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_ident[EI_DATA] != ELFDATA2LSB || header.e_shentsize != sizeof(Elf64_Shdr) ||
        header.e_shnum == 0 || header.e_shstrndx >= header.e_shnum)
        return std::nullopt;
    const std::uint64_t tableSize = std::uint64_t(header.e_shnum) * sizeof(Elf64_Shdr);
    if (!InsideFile(header.e_shoff, tableSize, fileSize))
        return std::nullopt;
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    if (!ReadAt(in, header.e_shoff, sections.data(), tableSize))
        return std::nullopt;

    const Elf64_Shdr& names = sections[header.e_shstrndx];
    if (names.sh_type != SHT_STRTAB || names.sh_size > kMaxNameTable ||
        !InsideFile(names.sh_offset, names.sh_size, fileSize))
        return std::nullopt;
    std::vector<char> nameTable(names.sh_size);
    if (!ReadAt(in, names.sh_offset, nameTable.data(), nameTable.size()))
        return std::nullopt;

    const std::string_view wanted(kVersionSectionName, sizeof kVersionSectionName);  // with its zero
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_name >= nameTable.size() ||
            std::string_view(nameTable.data() + section.sh_name, nameTable.size() - section.sh_name)
                    .substr(0, wanted.size()) != wanted)
            continue;
        if (section.sh_type == SHT_NOBITS || section.sh_size < kNodeHeader || section.sh_size > kMaxBlock ||
            !InsideFile(section.sh_offset, section.sh_size, fileSize))
            return std::nullopt;
        return Span{section.sh_offset, section.sh_size};
    }
    return std::nullopt;
}

WORD WordAt(const std::uint8_t* p)
{
    return WORD(p[0] | (p[1] << 8));
}

std::size_t Align4(std::size_t offset)
{
    return (offset + 3) & ~std::size_t(3);
}

// One node of the block, as offsets from the block's first byte.
struct Node {
    std::size_t end = 0;  // one past its last byte
    WORD type = 0;
    WORD valueLength = 0;
    std::u16string_view key;
    std::size_t value = 0;
    std::size_t valueBytes = 0;
    std::size_t children = 0;
};

// Reads the node at start, which must lie wholly before limit.
std::optional<Node> ReadNode(const std::uint8_t* block, std::size_t start, std::size_t limit)
{
    if (start > limit || limit - start < kNodeHeader)
        return std::nullopt;
    Node node;
    const WORD length = WordAt(block + start);
    node.valueLength = WordAt(block + start + 2);
    node.type = WordAt(block + start + 4);
    if (length < kNodeHeader || length > limit - start)
        return std::nullopt;
    node.end = start + length;

    // Nodes start on 4-byte boundaries of the block, so the key's
    // characters are aligned.
    const auto* key = reinterpret_cast<const char16_t*>(block + start + kNodeHeader);
    const std::size_t room = (node.end - start - kNodeHeader) / 2;
    std::size_t count = 0;
    while (count < room && key[count] != 0)
        ++count;
    if (count == room)
        return std::nullopt;
    node.key = std::u16string_view(key, count);

    node.value = Align4(start + kNodeHeader + 2 * (count + 1));
    node.valueBytes = node.type == 1 ? 2 * std::size_t(node.valueLength) : node.valueLength;
    if (node.valueBytes > 0 && (node.value > node.end || node.valueBytes > node.end - node.value))
        return std::nullopt;
    node.children = Align4(node.value + node.valueBytes);
    return node;
}

bool SameKey(std::u16string_view a, std::u16string_view b)
{
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

std::optional<Node> FindChild(const std::uint8_t* block, const Node& parent, std::u16string_view key)
{
    // Every node is at least 6 bytes long, so the walk always moves on.
    for (std::size_t at = parent.children; at < parent.end;) {
        const std::optional<Node> child = ReadNode(block, at, parent.end);
        if (!child)
            return std::nullopt;
        if (SameKey(child->key, key))
            return child;
        at = Align4(child->end);
    }
    return std::nullopt;
}

}  // namespace

DWORD GetFileVersionInfoSizeW(const std::filesystem::path& file, DWORD* handle)
{
    if (handle)
        *handle = 0;
    const std::optional<Span> section = FindVersionSection(file);
    return section ? DWORD(section->size) : 0;
}

BOOL GetFileVersionInfoW(const std::filesystem::path& file, DWORD, DWORD length, void* data)
{
    const std::optional<Span> section = FindVersionSection(file);
    if (!section || !data || length < section->size)
        return false;
    std::ifstream in(file, std::ios::binary);
    if (!in || !ReadAt(in, section->offset, data, section->size))
        return false;
    // The block's own length is what VerQueryValueW trusts as its extent.
    const WORD blockLength = WordAt(static_cast<const std::uint8_t*>(data));
    return blockLength >= kNodeHeader && blockLength <= section->size;
}

BOOL VerQueryValueW(const void* block, const WCHAR* subBlock, void** value, UINT* length)
{
    if (!block || !subBlock || !value || !length)
        return false;
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    std::optional<Node> node = ReadNode(bytes, 0, WordAt(bytes));
    for (std::u16string_view path(subBlock); node && !path.empty();) {
        const std::size_t separator = path.find(u'\\');
        const std::u16string_view key = path.substr(0, separator);
        path = separator == path.npos ? std::u16string_view() : path.substr(separator + 1);
        if (!key.empty())
            node = FindChild(bytes, *node, key);
    }
    if (!node || node->valueBytes == 0)
        return false;
    *value = const_cast<std::uint8_t*>(bytes + node->value);
    *length = node->valueLength;
    return true;
}
