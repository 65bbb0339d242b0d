#include "image/codecs/WbmpCodec.h"

#include <vector>

#include "image/PxFile.h"

namespace {

constexpr std::uint8_t kExtensionHeaders = 0x80;
constexpr std::uint32_t kMaxSaveSide = 255;
// Four 7-bit groups reach far beyond any picture the container can hold.
constexpr int kMaxIntegerBytes = 4;

enum class Field { Ok, Short, Bad };

// A multi-byte integer: 7 bits a byte, most significant group first, the top
// bit set on every byte but the last.
Field ReadInteger(PxFile& file, std::uint32_t& value)
{
    value = 0;
    for (int i = 0; i < kMaxIntegerBytes; ++i) {
        const std::int32_t byte = file.GetC();
        if (byte < 0)
            return Field::Short;
        value = (value << 7) | (byte & 0x7F);
        if (!(byte & 0x80))
            return Field::Ok;
    }
    return Field::Bad;
}

void AppendInteger(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::uint8_t groups[kMaxIntegerBytes + 1];
    int n = 0;
    do {
        groups[n++] = std::uint8_t(value & 0x7F);
        value >>= 7;
    } while (value);
    while (n > 1)
        out.push_back(std::uint8_t(0x80 | groups[--n]));
    out.push_back(groups[0]);
}

int Brightness(const RGBQUAD& c) { return c.rgbRed + c.rgbGreen + c.rgbBlue; }

}  // namespace

bool WbmpCodec::Decode(PxFile* file)
{
    const std::int32_t type = file ? file->GetC() : -1;
    if (type < 0) {
        SetLastError("Not a WBMP");
        return false;
    }
    if (type != 0) {
        SetLastError("Unsupported WBMP type");
        return false;
    }
    const std::int32_t fixedHeader = file->GetC();
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const Field widthField = fixedHeader < 0 ? Field::Short : ReadInteger(*file, width);
    const Field heightField = widthField != Field::Ok ? widthField : ReadInteger(*file, height);
    if (heightField == Field::Short) {
        SetLastError("Not a WBMP");
        return false;
    }
    // Type 0 defines no extension headers; with the flag set the fields
    // that follow would be something else.
    const std::uint32_t rowBytes = (width + 7) / 8;
    const std::int64_t left = BytesLeft(*file);
    if (heightField == Field::Bad || (fixedHeader & kExtensionHeaders) || width == 0 || height == 0 ||
        (left >= 0 && std::uint64_t(rowBytes) * height > std::uint64_t(left))) {
        SetLastError("Corrupted WBMP");
        return false;
    }
    if (!Create(width, height, 1, FormatWbmp)) {
        SetLastError("WBMP Create failed");
        return false;
    }
    const RGBQUAD palette[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    SetPalette(palette, 2);
    for (std::uint32_t y = height; y-- > 0;) {
        if (file->Read(GetBits(y), 1, rowBytes) != rowBytes) {
            SetLastError("Corrupted WBMP");
            return false;
        }
    }
    return true;
}

bool WbmpCodec::Encode(PxFile* file)
{
    if (!EncodeCheck(file))
        return false;
    const std::uint32_t width = GetWidth();
    const std::uint32_t height = GetHeight();
    if (GetBpp() != 1 || width > kMaxSaveSide || height > kMaxSaveSide) {
        SetLastError("Can't save this image as WBMP");
        return false;
    }
    // Bit 1 is white in the file: a palette with the lighter colour first is
    // written inverted, so the picture keeps its look.
    const std::uint8_t flip = Brightness(GetPaletteColor(0)) > Brightness(GetPaletteColor(1)) ? 0xFF : 0x00;
    const std::uint32_t rowBytes = (width + 7) / 8;
    const std::uint8_t lastMask = std::uint8_t(0xFF << (rowBytes * 8 - width));

    std::vector<std::uint8_t> out = {0, 0};
    AppendInteger(out, width);
    AppendInteger(out, height);
    for (std::uint32_t y = height; y-- > 0;) {
        const std::uint8_t* src = GetBits(y);
        for (std::uint32_t i = 0; i < rowBytes; ++i)
            out.push_back(std::uint8_t(src[i] ^ flip));
        out.back() &= lastMask;
    }
    if (file->Write(out.data(), 1, out.size()) != out.size()) {
        SetLastError("Error writing WBMP file");
        return false;
    }
    return true;
}
