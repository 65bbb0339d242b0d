// Reads the version block of a program file: the fixed record (this object
// itself), the first translation, and the values of its string table.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include <QString>

#include "platform/VersionInfo.h"

class CVersionReader : public VS_FIXEDFILEINFO {
public:
    CVersionReader();
    virtual ~CVersionReader();

    // The running program's own file.
    bool LoadFromExecutable();
    // True when the file has a version block whose fixed record carries the
    // signature; the fixed record is cleared first.
    bool LoadFromModule(const std::filesystem::path& moduleFile);
    // The string table entry of the first translation; empty when there is none.
    QString GetValue(const QString& name) const;

    std::unique_ptr<std::uint8_t[]> m_pVersionData;
    WORD m_wLanguage = 0;
    WORD m_wCodePage = 1252;
};
