// Writing a version block in the VS_VERSIONINFO layout: every node is
// wLength, wValueLength, wType, a zero-terminated UTF-16 key, its value and
// its children, each of them starting on a 4-byte boundary. The writer works
// at compile time, so the program's block is made by the compiler from the
// version numbers the build gives it (cmake/VersionResource.cpp.in).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "platform/VersionInfo.h"

class VersionBlockWriter {
public:
    // Version blocks are small; wLength could not describe more than 64 KiB.
    static constexpr std::size_t kCapacity = 4096;

    // Starts a node; returns its offset for End. A text node (type 1) counts
    // wValueLength in characters, a binary one (type 0) in bytes.
    constexpr std::size_t Begin(std::u16string_view key, WORD type, WORD valueLength)
    {
        Align();
        const std::size_t start = m_size;
        Word(0);
        Word(valueLength);
        Word(type);
        Text(key);
        Align();
        return start;
    }
    // Closes the node begun at start: its length runs to what was written last.
    constexpr void End(std::size_t start) { PutWord(start, WORD(m_size - start)); }

    constexpr void Word(WORD value)
    {
        Byte(std::uint8_t(value));
        Byte(std::uint8_t(value >> 8));
    }
    constexpr void Dword(DWORD value)
    {
        Word(WORD(value));
        Word(WORD(value >> 16));
    }
    // The characters and a terminating zero.
    constexpr void Text(std::u16string_view text)
    {
        for (char16_t c : text)
            Word(WORD(c));
        Word(0);
    }
    constexpr void Align()
    {
        while (m_size % 4)
            Byte(0);
    }
    constexpr void PutWord(std::size_t at, WORD value)
    {
        if (at + 2 <= m_size) {
            m_bytes[at] = std::uint8_t(value);
            m_bytes[at + 1] = std::uint8_t(value >> 8);
        }
    }

    constexpr std::size_t Size() const { return m_size; }
    // False once something did not fit.
    constexpr bool Complete() const { return !m_overflow; }
    constexpr const std::array<std::uint8_t, kCapacity>& Bytes() const { return m_bytes; }

private:
    constexpr void Byte(std::uint8_t value)
    {
        if (m_size < kCapacity)
            m_bytes[m_size++] = value;
        else
            m_overflow = true;
    }

    std::array<std::uint8_t, kCapacity> m_bytes{};
    std::size_t m_size = 0;
    bool m_overflow = false;
};

struct VersionString {
    std::u16string_view name;
    std::u16string_view value;
};

// The whole block: the fixed record, one string table for language and code
// page, and the translation entry naming that pair.
constexpr VersionBlockWriter WriteVersionInfo(const VS_FIXEDFILEINFO& fixed, WORD language, WORD codePage,
                                              std::initializer_list<VersionString> strings)
{
    VersionBlockWriter w;
    const std::size_t root = w.Begin(u"VS_VERSION_INFO", 0, sizeof(VS_FIXEDFILEINFO));
    for (DWORD field : {fixed.dwSignature, fixed.dwStrucVersion, fixed.dwFileVersionMS, fixed.dwFileVersionLS,
                        fixed.dwProductVersionMS, fixed.dwProductVersionLS, fixed.dwFileFlagsMask, fixed.dwFileFlags,
                        fixed.dwFileOS, fixed.dwFileType, fixed.dwFileSubtype, fixed.dwFileDateMS, fixed.dwFileDateLS})
        w.Dword(field);

    // The table's key is language and code page in eight lower-case hex digits.
    char16_t tableKey[8] = {};
    const DWORD pair = (DWORD(language) << 16) | codePage;
    for (int i = 0; i < 8; ++i)
        tableKey[i] = u"0123456789abcdef"[(pair >> (28 - 4 * i)) & 0xF];

    const std::size_t stringInfo = w.Begin(u"StringFileInfo", 1, 0);
    const std::size_t table = w.Begin(std::u16string_view(tableKey, 8), 1, 0);
    for (const VersionString& s : strings) {
        const std::size_t entry = w.Begin(s.name, 1, WORD(s.value.size() + 1));
        w.Text(s.value);
        w.End(entry);
    }
    w.End(table);
    w.End(stringInfo);

    const std::size_t varInfo = w.Begin(u"VarFileInfo", 1, 0);
    const std::size_t translation = w.Begin(u"Translation", 0, 4);
    w.Word(language);
    w.Word(codePage);
    w.End(translation);
    w.End(varInfo);
    w.End(root);
    return w;
}

// The written bytes as an array of their exact size, for a constant.
template <std::size_t N>
constexpr std::array<std::uint8_t, N> VersionBlockBytes(const VersionBlockWriter& writer)
{
    std::array<std::uint8_t, N> bytes{};
    for (std::size_t i = 0; i < N; ++i)
        bytes[i] = writer.Bytes()[i];
    return bytes;
}
