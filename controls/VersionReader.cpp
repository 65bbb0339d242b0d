#include "controls/VersionReader.h"

#include <cstring>
#include <string_view>

CVersionReader::CVersionReader() = default;

CVersionReader::~CVersionReader() = default;

bool CVersionReader::LoadFromExecutable()
{
    // The kernel keeps this name on the running program's file even after
    // the file has been replaced or removed on disk.
    return LoadFromModule("/proc/self/exe");
}

bool CVersionReader::LoadFromModule(const std::filesystem::path& moduleFile)
{
    m_wCodePage = 1252;
    static_cast<VS_FIXEDFILEINFO&>(*this) = VS_FIXEDFILEINFO{};
    m_pVersionData.reset();

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(moduleFile, &handle);
    if (size == 0)
        return false;
    m_pVersionData = std::make_unique<std::uint8_t[]>(size);
    if (!GetFileVersionInfoW(moduleFile, handle, size, m_pVersionData.get())) {
        m_pVersionData.reset();
        return false;
    }

    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(m_pVersionData.get(), u"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO))
        return false;
    std::memcpy(static_cast<VS_FIXEDFILEINFO*>(this), value, sizeof(VS_FIXEDFILEINFO));

    if (VerQueryValueW(m_pVersionData.get(), u"\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
        const auto* translation = static_cast<const std::uint8_t*>(value);
        m_wLanguage = WORD(translation[0] | (translation[1] << 8));
        m_wCodePage = WORD(translation[2] | (translation[3] << 8));
    }
    return dwSignature == VS_FFI_SIGNATURE;
}

QString CVersionReader::GetValue(const QString& name) const
{
    if (!m_pVersionData)
        return {};
    const QString path = QStringLiteral("\\StringFileInfo\\%1%2\\%3")
                             .arg(m_wLanguage, 4, 16, QLatin1Char('0'))
                             .arg(m_wCodePage, 4, 16, QLatin1Char('0'))
                             .arg(name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(m_pVersionData.get(), reinterpret_cast<const WCHAR*>(path.utf16()), &value, &length))
        return {};
    // The length counts the terminating zero; a value may end earlier.
    const std::u16string_view text(static_cast<const char16_t*>(value), length);
    const std::u16string_view shown = text.substr(0, text.find(u'\0'));
    return QString::fromUtf16(shown.data(), qsizetype(shown.size()));
}
