// The program's version resource: a block with the Windows VS_VERSIONINFO
// layout, embedded in the executable file in a section of its own, and the
// three operations that read it back from that file.
#pragma once

#include <filesystem>

#include "platform/WinRecords.h"

// The ELF section that holds the block (cmake/VersionInfo.cmake puts it there).
inline constexpr char kVersionSectionName[] = ".orvantis_version";

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
constexpr DWORD VFT_APP = 1;

struct VS_FIXEDFILEINFO {
    DWORD dwSignature = 0;
    DWORD dwStrucVersion = 0;
    DWORD dwFileVersionMS = 0;
    DWORD dwFileVersionLS = 0;
    DWORD dwProductVersionMS = 0;
    DWORD dwProductVersionLS = 0;
    DWORD dwFileFlagsMask = 0;
    DWORD dwFileFlags = 0;
    DWORD dwFileOS = 0;
    DWORD dwFileType = 0;
    DWORD dwFileSubtype = 0;
    DWORD dwFileDateMS = 0;
    DWORD dwFileDateLS = 0;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

// The size of the file's version block; 0 when the file is not a readable
// 64-bit little-endian ELF file with a well-formed version section. Handle is
// set to 0.
DWORD GetFileVersionInfoSizeW(const std::filesystem::path& file, DWORD* handle);

// Reads the whole block into data. Fails (FALSE) when length is smaller than
// the block, so that a block is never cut short in the caller's buffer.
BOOL GetFileVersionInfoW(const std::filesystem::path& file, DWORD handle, DWORD length, void* data);

// Looks up a node by its path of keys ("\\" the root with the fixed record,
// "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904b0\\ProductVersion";
// keys compared without regard to ASCII case). On success value points into
// the block at the node's value and length is its length: characters for
// text values (with the terminating zero), bytes for binary ones. Every
// length in the block is checked against the block that holds it, so a
// corrupted block fails (FALSE) instead of being read past its end.
BOOL VerQueryValueW(const void* block, const WCHAR* subBlock, void** value, UINT* length);
