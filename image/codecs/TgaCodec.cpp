#include "image/codecs/TgaCodec.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/ByteOrder.h"
#include "image/PxFile.h"
#include "image/codecs/BufferedReader.h"

namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr std::uint8_t kRightToLeft = 0x10;
constexpr std::uint8_t kTopLeftOrigin = 0x20;
constexpr std::uint8_t kRunPacket = 0x80;
constexpr std::uint32_t kMaxRunPixels = 128;

enum ImageKind : std::uint8_t { ColorMapped = 1, TrueColor = 2, Grey = 3 };

struct TgaHeader {
    std::uint8_t idLength = 0;
    std::uint8_t colorMapType = 0;
    std::uint8_t imageType = 0;
    std::uint16_t mapFirst = 0;
    std::uint16_t mapLength = 0;
    std::uint8_t mapEntryBits = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t depth = 0;
    std::uint8_t descriptor = 0;

    ImageKind Kind() const { return ImageKind(imageType & 7); }
    bool RunLength() const { return imageType & 8; }
};

TgaHeader ParseHeader(const std::uint8_t* b)
{
    using pximage::LoadLE16;
    TgaHeader h;
    h.idLength = b[0];
    h.colorMapType = b[1];
    h.imageType = b[2];
    h.mapFirst = LoadLE16(b + 3);
    h.mapLength = LoadLE16(b + 5);
    h.mapEntryBits = b[7];
    h.width = LoadLE16(b + 12);
    h.height = LoadLE16(b + 14);
    h.depth = b[16];
    h.descriptor = b[17];
    return h;
}

bool IsEntryDepth(std::uint8_t bits)
{
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// The reason a header cannot be decoded, or null. Beyond the depths the
// format allows, the pixel depth must suit the image kind (indices and grey
// levels are bytes) so that the pixel data is never read at the wrong size.
const char* CheckHeader(const TgaHeader& h)
{
    if (h.imageType != 1 && h.imageType != 2 && h.imageType != 3 && h.imageType != 9 && h.imageType != 10 &&
        h.imageType != 11)
        return "Unknown TGA image type";
    if (h.width == 0 || h.height == 0 || (h.depth != 8 && !IsEntryDepth(h.depth)) || h.colorMapType > 1)
        return "bad TGA header";
    if (h.colorMapType == 1 && (h.mapLength > 256 || !IsEntryDepth(h.mapEntryBits)))
        return "bad TGA header";
    switch (h.Kind()) {
    case ColorMapped:
        if (h.colorMapType != 1 || h.depth != 8 || h.mapFirst + h.mapLength > 256)
            return "bad TGA header";
        break;
    case Grey:
        if (h.depth != 8)
            return "bad TGA header";
        break;
    default:
        if (h.depth == 8)
            return "bad TGA header";
        break;
    }
    return nullptr;
}

// Five bits each of blue (lowest), green and red, shifted up to a byte.
void Expand555(std::uint16_t word, std::uint8_t* bgr)
{
    bgr[0] = std::uint8_t((word & 0x1F) << 3);
    bgr[1] = std::uint8_t(((word >> 5) & 0x1F) << 3);
    bgr[2] = std::uint8_t(((word >> 10) & 0x1F) << 3);
}

// Reads mapLength entries of their declared size; the entries land at
// mapFirst onwards of the 256-entry palette for colour-mapped images.
bool ReadColorMap(pximage::BufferedReader& in, const TgaHeader& h, RGBQUAD* palette)
{
    const std::size_t entryBytes = (h.mapEntryBits + 7) / 8;
    std::vector<std::uint8_t> entries(entryBytes * h.mapLength);
    if (!in.Read(entries.data(), entries.size()))
        return false;
    if (h.Kind() != ColorMapped)
        return true;
    for (std::size_t i = 0; i < h.mapLength; ++i) {
        const std::uint8_t* e = entries.data() + i * entryBytes;
        std::uint8_t bgr[3];
        if (entryBytes == 2)
            Expand555(pximage::LoadLE16(e), bgr);
        else
            std::memcpy(bgr, e, 3);
        palette[h.mapFirst + i] = {bgr[0], bgr[1], bgr[2], 0};
    }
    return true;
}

// File pixels in file order, raw or from run-length packets. A packet may
// run on into the next row; whatever it holds beyond the last pixel of the
// picture is never asked for.
class PixelSource {
public:
    PixelSource(pximage::BufferedReader& in, std::uint32_t pixelBytes, bool runLength)
        : m_in(in), m_pixelBytes(pixelBytes), m_runLength(runLength)
    {
    }

    bool Fill(std::uint8_t* out, std::uint32_t count)
    {
        if (!m_runLength)
            return m_in.Read(out, std::size_t(count) * m_pixelBytes);
        while (count) {
            if (m_left == 0) {
                const int packet = m_in.Next();
                if (packet < 0)
                    return false;
                m_repeat = packet & kRunPacket;
                m_left = (packet & 0x7F) + 1u;
                if (m_repeat && !m_in.Read(m_pixel, m_pixelBytes))
                    return false;
            }
            const std::uint32_t n = std::min(m_left, count);
            if (m_repeat) {
                for (std::uint32_t i = 0; i < n; ++i, out += m_pixelBytes)
                    std::memcpy(out, m_pixel, m_pixelBytes);
            } else {
                if (!m_in.Read(out, std::size_t(n) * m_pixelBytes))
                    return false;
                out += std::size_t(n) * m_pixelBytes;
            }
            m_left -= n;
            count -= n;
        }
        return true;
    }

private:
    pximage::BufferedReader& m_in;
    std::uint32_t m_pixelBytes;
    bool m_runLength;
    bool m_repeat = false;
    std::uint32_t m_left = 0;
    std::uint8_t m_pixel[4] = {};
};

// The fewest file bytes that can hold the picture's pixels: a tiny file must
// not make the decoder reserve a large picture.
std::uint64_t MinimumPixelBytes(const TgaHeader& h, std::uint32_t pixelBytes)
{
    const std::uint64_t pixels = std::uint64_t(h.width) * h.height;
    if (!h.RunLength())
        return pixels * pixelBytes;
    return (pixels + kMaxRunPixels - 1) / kMaxRunPixels * (1 + pixelBytes);
}

}  // namespace

bool TgaCodec::Decode(PxFile* file)
{
    std::uint8_t raw[kHeaderBytes];
    if (!file || file->Read(raw, 1, kHeaderBytes) != kHeaderBytes) {
        SetLastError("Not a TGA");
        return false;
    }
    const TgaHeader h = ParseHeader(raw);
    if (const char* reason = CheckHeader(h)) {
        SetLastError(reason);
        return false;
    }
    const std::uint32_t pixelBytes = (h.depth + 7) / 8u;

    RGBQUAD palette[256] = {};
    {
        pximage::BufferedReader in(*file);
        std::uint8_t id[255];
        if (!in.Read(id, h.idLength) || (h.colorMapType == 1 && !ReadColorMap(in, h, palette))) {
            SetLastError("corrupted TGA");
            return false;
        }
    }
    const std::int64_t left = BytesLeft(*file);
    if (left >= 0 && MinimumPixelBytes(h, pixelBytes) > std::uint64_t(left)) {
        SetLastError("corrupted TGA");
        return false;
    }
    if (!Create(h.width, h.height, h.depth, FormatTga)) {
        SetLastError("TGA Create failed");
        return false;
    }
    if (h.depth == 32) {
        AlphaCreate();
        if (!alpha) {
            SetLastError("TGA Create failed");
            return false;
        }
    }
    if (info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    if (h.Kind() == Grey)
        for (int i = 0; i < 256; ++i)
            palette[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    SetPalette(palette, 256);

    const std::uint32_t width = h.width;
    const std::uint32_t height = h.height;
    const bool topDown = h.descriptor & kTopLeftOrigin;
    // 8 and 24-bit pixels have the file's layout and go straight into the row.
    const bool direct = h.depth == 8 || h.depth == 24;
    std::vector<std::uint8_t> fileRow(direct ? 0 : std::size_t(width) * pixelBytes);
    pximage::BufferedReader in(*file);
    PixelSource source(in, pixelBytes, h.RunLength());
    for (std::uint32_t i = 0; i < height; ++i) {
        const std::uint32_t y = topDown ? height - 1 - i : i;
        std::uint8_t* dst = GetBits(y);
        if (!source.Fill(direct ? dst : fileRow.data(), width)) {
            SetLastError("corrupted TGA");
            return false;
        }
        const std::uint8_t* src = fileRow.data();
        if (h.depth == 32) {
            std::uint8_t* rowAlpha = alpha + std::size_t(y) * width;
            for (std::uint32_t x = 0; x < width; ++x, src += 4, dst += 3) {
                std::memcpy(dst, src, 3);
                rowAlpha[x] = src[3];
            }
        } else if (h.depth == 15 || h.depth == 16) {
            for (std::uint32_t x = 0; x < width; ++x, src += 2, dst += 3)
                Expand555(pximage::LoadLE16(src), dst);
        }
    }
    if ((h.descriptor & kRightToLeft) && !Mirror()) {
        SetLastError("TGA Create failed");
        return false;
    }
    return true;
}

bool TgaCodec::Encode(PxFile* file)
{
    if (!EncodeCheck(file))
        return false;
    const std::uint32_t bpp = GetBpp();
    if (bpp < 8) {
        SetLastError("Bit depth must be 8 or 24");
        return false;
    }
    const std::uint32_t width = GetWidth();
    const std::uint32_t height = GetHeight();
    if (width > 0xFFFF || height > 0xFFFF) {
        SetLastError("TGA image too large");
        return false;
    }
    const bool mapped = bpp == 8;
    const bool withAlpha = !mapped && alpha;
    const std::uint32_t pixelBytes = mapped ? 1 : withAlpha ? 4 : 3;

    std::uint8_t raw[kHeaderBytes] = {};
    raw[1] = mapped ? 1 : 0;
    raw[2] = mapped ? ColorMapped : TrueColor;
    pximage::StoreLE16(raw + 5, mapped ? 256 : 0);
    raw[7] = mapped ? 24 : 0;
    pximage::StoreLE16(raw + 12, std::uint16_t(width));
    pximage::StoreLE16(raw + 14, std::uint16_t(height));
    raw[16] = std::uint8_t(pixelBytes * 8);
    bool ok = file->Write(raw, 1, kHeaderBytes) == kHeaderBytes;

    if (ok && mapped) {
        std::uint8_t map[256 * 3];
        const RGBQUAD* palette = GetPalette();
        for (int i = 0; i < 256; ++i) {
            map[3 * i] = palette[i].rgbBlue;
            map[3 * i + 1] = palette[i].rgbGreen;
            map[3 * i + 2] = palette[i].rgbRed;
        }
        ok = file->Write(map, 1, sizeof map) == sizeof map;
    }

    std::vector<std::uint8_t> fileRow(std::size_t(width) * pixelBytes);
    const std::uint32_t alphaMax = AlphaGetMax();
    for (std::uint32_t y = 0; ok && y < height; ++y) {
        const std::uint8_t* src = GetBits(y);
        if (withAlpha) {
            const std::uint8_t* rowAlpha = alpha + std::size_t(y) * width;
            std::uint8_t* dst = fileRow.data();
            for (std::uint32_t x = 0; x < width; ++x, src += 3, dst += 4) {
                std::memcpy(dst, src, 3);
                dst[3] = std::uint8_t(rowAlpha[x] * alphaMax / 255);
            }
        } else {
            std::memcpy(fileRow.data(), src, fileRow.size());
        }
        ok = file->Write(fileRow.data(), 1, fileRow.size()) == fileRow.size();
    }
    if (!ok) {
        SetLastError("Error writing TGA file");
        return false;
    }
    return true;
}
