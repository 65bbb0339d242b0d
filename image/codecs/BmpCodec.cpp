#include "image/codecs/BmpCodec.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "image/ByteOrder.h"
#include "image/ImageSize.h"

namespace {

using pximage::LoadLE16;
using pximage::LoadLE32;

constexpr std::uint16_t kSignature = 0x4D42;  // "BM"
constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kCoreHeaderBytes = 12;  // OS/2 1.x
constexpr std::uint32_t kOs2HeaderBytes = 64;   // OS/2 2.x

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

const char* const kNotBmp = "Not a BMP";
const char* const kBadInfo = "Error reading BMP info";
const char* const kSizeOnly = "output dimensions returned";
const char* const kNoMemory = "Can't allocate memory";
const char* const kCancelled = "Cancelled";
const char* const kBadIndexedCompression = "compression type not supported";
const char* const kBadRgbCompression = "unknown compression";
const char* const kNoRowMemory = "can't allocate memory";
const char* const kCorrupt = "corrupted BMP";
const char* const kWriteFailed = "Error writing BMP file";

// What the headers say, with the defaults of the format filled in.
struct BmpHeaders {
    std::uint32_t offBits = 0;  // pixel offset from the stream start; 0 in a bare DIB
    std::uint32_t headerBytes = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;  // magnitude; rows are stored top-down when topDown
    bool topDown = false;
    std::uint32_t bpp = 0;
    std::uint32_t compression = kRgb;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t fileColors = 0;  // palette entries present in the file
    std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // red, green, blue of 16-bit pixels
};

bool ValidDepth(std::uint32_t bpp)
{
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// Everything from the file header up to the palette. Header sizes other than
// 12, 40, 64 and the later versions are accepted only for plain uncompressed
// layouts, whose extra fields then do not matter.
const char* ReadHeaders(PxFile& file, std::int32_t start, BmpHeaders& h)
{
    std::uint8_t fileHeader[kFileHeaderBytes];
    if (file.Read(fileHeader, 1, sizeof fileHeader) != sizeof fileHeader)
        return kNotBmp;
    if (LoadLE16(fileHeader) == kSignature)
        h.offBits = LoadLE32(fileHeader + 10);
    else if (!file.Seek(start, 0))
        return kNotBmp;

    std::uint8_t raw[kInfoHeaderBytes] = {};
    if (file.Read(raw, 1, 4) != 4)
        return kBadInfo;
    h.headerBytes = LoadLE32(raw);
    if (h.headerBytes != kCoreHeaderBytes && h.headerBytes < kInfoHeaderBytes)
        return kBadInfo;
    const std::uint32_t fieldBytes = std::min(h.headerBytes, kInfoHeaderBytes) - 4;
    if (file.Read(raw + 4, 1, fieldBytes) != fieldBytes)
        return kBadInfo;

    std::int64_t height;
    std::uint32_t planes, sizeImage = 0, colorsUsed = 0;
    if (h.headerBytes == kCoreHeaderBytes) {
        h.width = LoadLE16(raw + 4);
        height = LoadLE16(raw + 6);
        planes = LoadLE16(raw + 8);
        h.bpp = LoadLE16(raw + 10);
    } else {
        const std::int32_t width = std::int32_t(LoadLE32(raw + 4));
        h.width = width > 0 ? std::uint32_t(width) : 0;
        height = std::int32_t(LoadLE32(raw + 8));
        planes = LoadLE16(raw + 12);
        h.bpp = LoadLE16(raw + 14);
        h.compression = LoadLE32(raw + 16);
        sizeImage = LoadLE32(raw + 20);
        h.xPelsPerMeter = std::int32_t(LoadLE32(raw + 24));
        h.yPelsPerMeter = std::int32_t(LoadLE32(raw + 28));
        colorsUsed = LoadLE32(raw + 32);
    }
    // INT_MIN has no positive twin; it is refused with the other impossible sizes.
    if (h.width == 0 || height == 0 || height == INT_MIN || !ValidDepth(h.bpp))
        return kBadInfo;
    h.topDown = height < 0;
    h.height = std::uint32_t(height < 0 ? -height : height);

    // Later versions of the header (52, 56, 108, 124 bytes) carry the
    // bit-field masks inside it; their colour-space fields do not matter.
    const bool versioned = h.headerBytes == 52 || h.headerBytes == 56 || h.headerBytes == 108 || h.headerBytes == 124;
    bool masksRead = false;
    if (versioned) {
        std::uint8_t extra[124 - kInfoHeaderBytes];
        const std::uint32_t extraBytes = h.headerBytes - kInfoHeaderBytes;
        if (file.Read(extra, 1, extraBytes) != extraBytes)
            return kBadInfo;
        if (h.compression == kBitFields && h.bpp == 16)
            for (int i = 0; i < 3; ++i)
                h.masks[i] = LoadLE32(extra + 4 * i) & 0xFFFF;
        masksRead = true;
    } else if (h.headerBytes > kInfoHeaderBytes) {
        const std::uint64_t extra = h.headerBytes - kInfoHeaderBytes;
        const bool plain = h.headerBytes == kOs2HeaderBytes ||
                           (sizeImage == pximage::RowStride(h.width, h.bpp) * h.height && planes == 1 &&
                            h.compression == kRgb && colorsUsed == 0);
        if (!plain || extra > INT32_MAX || !file.Seek(std::int32_t(extra), 1))
            return kBadInfo;
    }

    if (h.compression == kBitFields && (h.bpp == 16 || h.bpp == 32) && !masksRead) {
        std::uint8_t masks[12];
        if (file.Read(masks, 1, sizeof masks) != sizeof masks)
            return kBadInfo;
        // 32-bit pixels are read as blue, green, red bytes whatever the masks say.
        if (h.bpp == 16)
            for (int i = 0; i < 3; ++i)
                h.masks[i] = LoadLE32(masks + 4 * i) & 0xFFFF;
    }
    h.fileColors = colorsUsed == 0 && h.bpp <= 8 ? 1u << h.bpp : colorsUsed;
    return nullptr;
}

// The compressions each depth supports, checked before anything is allocated.
const char* CheckCompression(const BmpHeaders& h)
{
    switch (h.bpp) {
    case 1:
    case 4:
    case 8:
        if (h.compression == kRgb || (h.compression == kRle8 && h.bpp == 8) ||
            (h.compression == kRle4 && h.bpp == 4))
            return nullptr;
        return kBadIndexedCompression;
    case 16:
        return nullptr;  // anything but bit fields is the default 5-5-5 layout
    case 24:
        return h.compression == kRgb ? nullptr : kBadRgbCompression;
    default:
        return h.compression == kRgb || h.compression == kBitFields ? nullptr : kBadRgbCompression;
    }
}

bool IsRunLength(const BmpHeaders& h)
{
    return h.bpp <= 8 && h.compression != kRgb;
}

// At most 2^bpp entries are read; entries the file lacks stay black.
const char* ReadPalette(PxFile& file, PxImage& image, std::uint32_t fileColors, bool core)
{
    const std::uint32_t entries = std::min(fileColors, image.GetNumColors());
    const std::uint32_t entryBytes = core ? 3 : 4;
    std::uint8_t raw[256 * 4];
    const std::uint32_t bytes = entries * entryBytes;
    if (file.Read(raw, 1, bytes) != bytes)
        return kCorrupt;
    RGBQUAD* palette = image.GetPalette();
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint8_t* e = raw + i * entryBytes;
        palette[i] = {e[0], e[1], e[2], 0};  // the reserved byte is never alpha in a BMP
    }
    image.info.nearestValid = false;
    return nullptr;
}

// Bytes of a run-length stream, fetched from the file in blocks.
class ByteSource {
public:
    explicit ByteSource(PxFile& file) : m_file(file) {}
    // The next byte, or -1 at the end of the stream.
    int Next()
    {
        if (m_next == m_end) {
            m_next = 0;
            m_end = m_file.Read(m_block, 1, sizeof m_block);
            if (m_end == 0)
                return -1;
        }
        return m_block[m_next++];
    }

private:
    PxFile& m_file;
    std::uint8_t m_block[4096];
    std::size_t m_next = 0;
    std::size_t m_end = 0;
};

template <bool kFourBit>
void PutPixel(std::uint8_t* row, std::uint32_t x, std::uint8_t value)
{
    if constexpr (kFourBit) {
        std::uint8_t& byte = row[x / 2];
        byte = (x & 1) ? std::uint8_t((byte & 0xF0) | (value & 0x0F)) : std::uint8_t((byte & 0x0F) | (value << 4));
    } else {
        row[x] = value;
    }
}

// RLE8 and RLE4, rows counted from the bottom. Every write is clamped to the
// row and the picture: pixels of a run or literal beyond the end of its row
// are dropped (common writers encode the row padding as pixels, so stopping
// there would lose the rest of the picture); a move or row end above the top
// row ends the decoding. A stream that ends before its end-of-bitmap code is
// corrupt.
template <bool kFourBit>
const char* DecodeRunLength(PxFile& file, PxImage& image)
{
    ByteSource in(file);
    const std::uint32_t width = image.GetWidth();
    const std::uint32_t height = image.GetHeight();
    std::uint32_t x = 0, y = 0;
    std::uint8_t* row = image.GetBits(0);
    std::uint8_t literal[256];
    for (;;) {
        const int count = in.Next();
        const int value = in.Next();
        if (value < 0)
            return kCorrupt;
        if (count > 0) {
            const std::uint32_t n = std::min<std::uint32_t>(std::uint32_t(count), width - x);
            if constexpr (kFourBit) {
                for (std::uint32_t i = 0; i < n; ++i)
                    PutPixel<true>(row, x + i, std::uint8_t((i & 1) ? value & 0x0F : value >> 4));
            } else {
                std::memset(row + x, value, n);
            }
            x += n;
            continue;
        }
        switch (value) {
        case 0:  // end of row
            x = 0;
            if (++y >= height)
                return nullptr;
            row = image.GetBits(y);
            break;
        case 1:  // end of bitmap
            return nullptr;
        case 2: {  // move right and up
            const int dx = in.Next();
            const int dy = in.Next();
            if (dx < 0 || dy < 0)
                return kCorrupt;
            x = std::min(x + std::uint32_t(dx), width);
            y += std::uint32_t(dy);
            if (y >= height)
                return nullptr;
            row = image.GetBits(y);
            break;
        }
        default: {  // value literal pixels, padded to a whole number of 16-bit words
            const std::uint32_t pixels = std::uint32_t(value);
            const std::uint32_t bytes = kFourBit ? (pixels + 1) / 2 : pixels;
            const std::uint32_t padded = bytes + (bytes & 1);
            for (std::uint32_t i = 0; i < padded; ++i) {
                const int byte = in.Next();
                if (byte < 0)
                    return kCorrupt;
                literal[i] = std::uint8_t(byte);
            }
            const std::uint32_t n = std::min(pixels, width - x);
            for (std::uint32_t i = 0; i < n; ++i) {
                const std::uint8_t v = kFourBit ? std::uint8_t((i & 1) ? literal[i / 2] & 0x0F : literal[i / 2] >> 4)
                                                : literal[i];
                PutPixel<kFourBit>(row, x + i, v);
            }
            x += n;
        }
        }
    }
}

struct Deleter {
    void operator()(std::uint8_t* p) const { std::free(p); }
};
using RowBuffer = std::unique_ptr<std::uint8_t[], Deleter>;

// A shift to the left by s bits, to the right for negative s; bits shifted
// past the word are gone rather than undefined.
std::uint32_t ShiftBy(std::uint32_t v, int s)
{
    if (s >= 0)
        return s < 32 ? v << s : 0;
    return -s < 32 ? v >> -s : 0;
}

// 16-bit pixels through the masks, expanded to blue, green, red by shifting
// the fields to the top of a byte (0x7FFF in 5-5-5 gives 248, 248, 248).
const char* Read16(PxFile& file, PxImage& image, const std::uint32_t masks[3])
{
    const std::uint32_t width = image.GetWidth();
    const std::size_t rowBytes = std::size_t(pximage::RowStride(width, 16));
    RowBuffer in(static_cast<std::uint8_t*>(std::malloc(rowBytes)));
    if (!in)
        return kNoRowMemory;
    const int r = std::popcount(masks[0]), g = std::popcount(masks[1]), b = std::popcount(masks[2]);
    const int blueShift = 8 - r, greenShift = 8 - r - g, redShift = 8 - r - g - b;
    for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
        if (file.Read(in.get(), 1, rowBytes) != rowBytes)
            return kCorrupt;
        std::uint8_t* out = image.GetBits(y);
        const std::uint8_t* word = in.get();
        for (std::uint32_t x = 0; x < width; ++x, word += 2, out += 3) {
            const std::uint32_t w = LoadLE16(word);
            out[0] = std::uint8_t(ShiftBy(w & masks[2], blueShift));
            out[1] = std::uint8_t(ShiftBy(w & masks[1], greenShift));
            out[2] = std::uint8_t(ShiftBy(w & masks[0], redShift));
        }
    }
    return nullptr;
}

// 32-bit pixels: blue, green, red and a fourth byte that is dropped.
const char* Read32(PxFile& file, PxImage& image)
{
    const std::uint32_t width = image.GetWidth();
    const std::size_t rowBytes = std::size_t(width) * 4;
    RowBuffer in(static_cast<std::uint8_t*>(std::malloc(rowBytes)));
    if (!in)
        return kNoRowMemory;
    for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
        if (file.Read(in.get(), 1, rowBytes) != rowBytes)
            return kCorrupt;
        std::uint8_t* out = image.GetBits(y);
        const std::uint8_t* pixel = in.get();
        for (std::uint32_t x = 0; x < width; ++x, pixel += 4, out += 3) {
            out[0] = pixel[0];
            out[1] = pixel[1];
            out[2] = pixel[2];
        }
    }
    return nullptr;
}

std::int32_t DpiFromPelsPerMeter(std::int32_t ppm)
{
    return std::int32_t(std::floor(ppm * 0.0254 + 0.5));
}

}  // namespace

bool BmpCodec::Decode(PxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    const char* error = DecodeFrom(*file);
    if (error)
        SetLastError(error);
    return error == nullptr;
}

const char* BmpCodec::DecodeFrom(PxFile& file)
{
    const std::int32_t start = file.Tell();
    BmpHeaders h;
    if (const char* error = ReadHeaders(file, start, h))
        return error;

    if (info.escape == -1) {
        header.biWidth = LONG(h.width);
        header.biHeight = LONG(h.height);
        SetLastError(kSizeOnly);
        return nullptr;
    }
    if (const char* error = CheckCompression(h))
        return error;

    // Sizes are checked against the ceiling, the rule and the file before
    // anything is allocated, so a few bytes cannot reserve gigabytes.
    if (!pximage::WithinDecodePixelLimit(h.width, h.height)) {
        m_refusal = pximage::TooManyPixelsReason(h.width, h.height);
        return m_refusal.c_str();
    }
    const pximage::DibLayout layout = pximage::ComputeDibLayout(h.width, h.height, h.bpp);
    if (layout.check != pximage::SizeCheck::Ok)
        return kNoMemory;
    const bool core = h.headerBytes == kCoreHeaderBytes;
    const std::int64_t paletteStart = file.Tell();
    const std::int64_t pixelStart = h.offBits ? std::int64_t(start) + h.offBits
                                              : paletteStart + std::int64_t(h.fileColors) * (core ? 3 : 4);
    const std::int64_t fileBytes = file.Size();  // -1 when the stream cannot tell
    if (pixelStart > INT32_MAX || (fileBytes >= 0 && pixelStart > fileBytes))
        return kCorrupt;
    if (!IsRunLength(h) && fileBytes >= 0) {
        const std::uint64_t pixelBytes = pximage::RowStride(h.width, h.bpp) * h.height;
        if (std::uint64_t(fileBytes - pixelStart) < pixelBytes)
            return kCorrupt;
    }
    // Run lengths can stand for any area (an end-of-bitmap code leaves the
    // rest blank), so only the ceiling bounds what they declare.

    header.biXPelsPerMeter = h.xPelsPerMeter;
    header.biYPelsPerMeter = h.yPelsPerMeter;
    if (!Create(h.width, h.height, h.bpp, FormatBmp))
        return kNoMemory;
    // The file's resolution as it is: 0 pixels per metre stays 0 dpi.
    info.xDpi = DpiFromPelsPerMeter(h.xPelsPerMeter);
    info.yDpi = DpiFromPelsPerMeter(h.yPelsPerMeter);
    if (info.escape)
        return kCancelled;

    if (IsIndexed()) {
        if (const char* error = ReadPalette(file, *this, h.fileColors, core))
            return error;
        if (info.escape)
            return kCancelled;
    }

    if (!file.Seek(std::int32_t(pixelStart), 0))
        return kCorrupt;
    const char* error = nullptr;
    if (h.compression == kRle8 && h.bpp == 8)
        error = DecodeRunLength<false>(file, *this);
    else if (h.compression == kRle4 && h.bpp == 4)
        error = DecodeRunLength<true>(file, *this);
    else if (h.bpp == 16)
        error = Read16(file, *this, h.masks);
    else if (h.bpp == 32)
        error = Read32(file, *this);
    else if (file.Read(GetBits(), 1, header.biSizeImage) != header.biSizeImage)
        error = kCorrupt;  // the file's rows are the DIB's rows
    if (error)
        return error;
    if (h.topDown && !Flip())
        return kNoMemory;
    return nullptr;
}

bool BmpCodec::Encode(PxFile* file)
{
    if (!EncodeCheck(file))
        return false;
    const std::uint32_t blockBytes = std::uint32_t(GetSize());
    std::uint8_t fileHeader[kFileHeaderBytes];
    pximage::StoreLE16(fileHeader, kSignature);
    pximage::StoreLE32(fileHeader + 2, blockBytes + kFileHeaderBytes);
    pximage::StoreLE16(fileHeader + 6, 0);
    pximage::StoreLE16(fileHeader + 8, 0);
    pximage::StoreLE32(fileHeader + 10, kFileHeaderBytes + kInfoHeaderBytes + 4 * header.biClrUsed);
    // The resolution setters change only the object's header; the block gets it now.
    std::memcpy(dib, &header, sizeof header);
    // A short write is a failed save, not a truncated file reported as written.
    if (file->Write(fileHeader, 1, sizeof fileHeader) != sizeof fileHeader || file->Write(dib, blockBytes, 1) != 1) {
        SetLastError(kWriteFailed);
        return false;
    }
    return true;
}
