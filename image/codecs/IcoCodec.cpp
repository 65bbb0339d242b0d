// Icon and cursor files: a directory of entries, each a headed DIB whose
// height counts the colour (XOR) rows and the 1-bit AND mask below them.
// Pixel data that ends early fails the decode: an icon is small, and a
// half-drawn one is of no use.
#include "image/codecs/IcoCodec.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "image/ByteOrder.h"
#include "image/ImageSize.h"
#include "image/codecs/CodecSupport.h"

using pximage::LoadLE16;
using pximage::LoadLE32;
using pximage::RowStride;
using pximage::StoreLE16;
using pximage::StoreLE32;

namespace {

constexpr char kNotIco[] = "Not an ICO";
constexpr char kCorrupted[] = "corrupted ICO";
constexpr char kNoFrame[] = "ICO frame not present";
constexpr char kPngEntry[] = "ICO entry is PNG-compressed";
constexpr char kUnsupported[] = "ICO entry format not supported";
constexpr char kNoMemory[] = "Can't allocate memory";
constexpr char kSizeOnly[] = "output dimensions returned";
constexpr char kTooLarge[] = "ICO images can be at most 256 x 256 pixels";
constexpr char kWriteError[] = "Write Error in ICO file";

constexpr std::uint32_t kHeaderBytes = 6;
constexpr std::uint32_t kEntryBytes = 16;
constexpr std::uint32_t kInfoBytes = 40;
constexpr std::uint32_t kLargestInfoBytes = 124;  // the version 5 header
constexpr std::uint32_t kMaxSide = 256;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool ReadAll(PxFile& file, void* buffer, std::size_t bytes)
{
    return bytes == 0 || file.Read(buffer, 1, bytes) == bytes;
}

// The 40-byte header of one entry and what follows from it.
struct EntryInfo {
    std::uint32_t width = 0, height = 0, bpp = 0, paletteEntries = 0;
    std::uint64_t xorStride = 0, andStride = 0;
    // Colour table and XOR rows; the AND mask follows.
    std::uint64_t ColourBytes() const { return 4ull * paletteEntries + xorStride * height; }
};

// Reads the entry's header at the stream position; false with the reason in out.
bool ReadEntryInfo(PxFile& file, std::uint32_t entryBytes, EntryInfo& entry, PxImage& out)
{
    std::uint8_t h[kInfoBytes];
    const std::size_t got = file.Read(h, 1, sizeof h);
    if (got >= sizeof kPngSignature && std::memcmp(h, kPngSignature, sizeof kPngSignature) == 0) {
        out.SetLastError(kPngEntry);
        return false;
    }
    const std::uint32_t size = LoadLE32(h);
    const std::int32_t width = std::int32_t(LoadLE32(h + 4));
    const std::int32_t doubleHeight = std::int32_t(LoadLE32(h + 8));
    const std::uint32_t colors = LoadLE32(h + 32);
    if (got != sizeof h || size < kInfoBytes || size > kLargestInfoBytes || size > entryBytes || width <= 0 ||
        doubleHeight < 2) {
        out.SetLastError(kCorrupted);
        return false;
    }
    entry.width = std::uint32_t(width);
    entry.height = std::uint32_t(doubleHeight / 2);
    entry.bpp = LoadLE16(h + 14);
    const bool knownDepth = entry.bpp == 1 || entry.bpp == 4 || entry.bpp == 8 || entry.bpp == 24 || entry.bpp == 32;
    if (!knownDepth || LoadLE32(h + 16) != 0) {
        out.SetLastError(kUnsupported);
        return false;
    }
    // Deeper entries may carry an optional colour table, which is skipped.
    entry.paletteEntries = entry.bpp <= 8 && colors == 0 ? 1u << entry.bpp : colors;
    if (entry.paletteEntries > (entry.bpp <= 8 ? 1u << entry.bpp : 256u)) {
        out.SetLastError(kCorrupted);
        return false;
    }
    entry.xorStride = RowStride(entry.width, entry.bpp);
    entry.andStride = RowStride(entry.width, 1);
    if (!file.Seek(std::int32_t(size - kInfoBytes), 1)) {
        out.SetLastError(kCorrupted);
        return false;
    }
    return true;
}

// 32-bit rows: colour into the 24-bit image, the fourth byte into the alpha
// plane. Entries whose fourth bytes are all 0 come from writers that knew
// only the AND mask; they keep no plane and hasAlpha is false.
bool ReadRows32(PxFile& file, const EntryInfo& entry, PxImage& out, bool& hasAlpha)
{
    out.AlphaCreate();
    if (!out.AlphaIsValid())
        return false;
    std::vector<std::uint8_t> row(entry.xorStride);
    std::uint8_t any = 0;
    for (std::uint32_t y = 0; y < entry.height; ++y) {
        if (!ReadAll(file, row.data(), row.size()))
            return false;
        std::uint8_t* pixel = out.GetBits(y);
        std::uint8_t* alpha = out.alpha + std::size_t(y) * entry.width;
        for (std::uint32_t x = 0; x < entry.width; ++x, pixel += 3) {
            std::memcpy(pixel, &row[4 * x], 3);
            alpha[x] = row[4 * x + 3];
            any |= alpha[x];
        }
    }
    hasAlpha = any != 0;
    if (!hasAlpha)
        out.AlphaDelete();
    return true;
}

// Pixels whose AND bit is 1 are transparent.
bool ApplyAndMask(PxFile& file, const EntryInfo& entry, PxImage& out)
{
    std::vector<std::uint8_t> mask(entry.andStride * entry.height);
    if (!ReadAll(file, mask.data(), mask.size()))
        return false;
    for (std::uint32_t y = 0; y < entry.height; ++y) {
        const std::uint8_t* bits = mask.data() + y * entry.andStride;
        for (std::uint32_t x = 0; x < entry.width; ++x) {
            if (!(bits[x / 8] & (0x80 >> (x % 8))))
                continue;
            if (!out.alpha) {
                out.AlphaCreate();
                if (!out.alpha)
                    return false;
            }
            out.alpha[std::size_t(y) * entry.width + x] = 0;
        }
    }
    return true;
}

bool DecodeIco(PxFile& file, PxImage& out)
{
    const std::int32_t start = file.Tell();
    const std::int64_t fileBytes = BytesLeft(file);
    std::uint8_t head[kHeaderBytes] = {};
    const bool headed = ReadAll(file, head, sizeof head);
    const std::uint16_t kind = LoadLE16(head + 2);
    const std::uint32_t count = LoadLE16(head + 4);
    if (!headed || LoadLE16(head) != 0 || (kind != 1 && kind != 2) || count == 0) {
        out.SetLastError(kNotIco);
        return false;
    }
    out.info.numFrames = std::int32_t(count);

    // Every entry must lie behind the directory and inside the stream.
    const std::uint32_t directoryEnd = kHeaderBytes + kEntryBytes * count;
    const std::uint64_t streamEnd =
        std::uint64_t(fileBytes >= 0 ? fileBytes : std::int64_t(INT32_MAX) - std::max(start, 0));
    std::vector<std::uint8_t> directory(kEntryBytes * count);
    bool sound = ReadAll(file, directory.data(), directory.size());
    for (std::uint32_t i = 0; sound && i < count; ++i) {
        const std::uint64_t bytes = LoadLE32(&directory[kEntryBytes * i + 8]);
        const std::uint64_t offset = LoadLE32(&directory[kEntryBytes * i + 12]);
        sound = offset >= directoryEnd && offset + bytes <= streamEnd;
    }
    if (!sound) {
        out.SetLastError(kCorrupted);
        return false;
    }
    const std::int32_t frame = out.info.frame;
    if (frame < 0 || std::uint32_t(frame) >= count) {
        out.SetLastError(kNoFrame);
        return false;
    }
    const std::uint8_t* record = &directory[kEntryBytes * std::uint32_t(frame)];
    if (out.info.escape == -1) {
        out.header.biWidth = record[0] ? record[0] : LONG(kMaxSide);
        out.header.biHeight = record[1] ? record[1] : LONG(kMaxSide);
        out.SetLastError(kSizeOnly);
        return true;
    }

    const std::uint32_t entryBytes = LoadLE32(record + 8);
    const std::uint32_t offset = LoadLE32(record + 12);
    EntryInfo entry;
    if (!file.Seek(start + std::int32_t(offset), 0) || !ReadEntryInfo(file, entryBytes, entry, out))
        return false;
    const std::int64_t left = BytesLeft(file);
    const std::uint32_t depth = entry.bpp <= 8 ? entry.bpp : 24;
    if ((left >= 0 && entry.ColourBytes() > std::uint64_t(left)) ||
        pximage::ComputeDibLayout(entry.width, entry.height, depth).check != pximage::SizeCheck::Ok) {
        out.SetLastError(kCorrupted);
        return false;
    }
    if (!out.Create(entry.width, entry.height, depth, FormatIco)) {
        out.SetLastError(kNoMemory);
        return false;
    }

    std::vector<RGBQUAD> palette(entry.paletteEntries);
    bool read = ReadAll(file, palette.data(), 4 * palette.size());
    for (RGBQUAD& c : palette)
        c.rgbReserved = 0;
    if (entry.bpp <= 8)
        out.SetPalette(palette.data(), entry.paletteEntries);
    bool hasAlpha = false;
    if (entry.bpp == 32)
        read = read && ReadRows32(file, entry, out, hasAlpha);
    else
        read = read && ReadAll(file, out.GetBits(), entry.xorStride * entry.height);
    // Where the entry has alpha of its own the mask is only its coarse copy
    // (writers threshold the alpha into it, some leave it out), so it is not
    // applied: that would wipe out every half-transparent pixel. Icon
    // drawing does the same.
    if (!read || (!hasAlpha && !ApplyAndMask(file, entry, out))) {
        out.SetLastError(kCorrupted);
        return false;
    }
    if (out.alpha) {
        const std::size_t pixels = std::size_t(entry.width) * entry.height;
        if (std::all_of(out.alpha, out.alpha + pixels, [](std::uint8_t a) { return a == 255; }))
            out.AlphaDelete();
    }
    out.SetTransIndex(-1);
    return true;
}

// Pixel index x of an indexed row.
std::uint8_t IndexAt(const std::uint8_t* row, std::uint32_t x, int bpp)
{
    if (bpp == 8)
        return row[x];
    if (bpp == 4)
        return (row[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F;
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

std::vector<std::uint8_t> EncodeIco(const PxImage& image)
{
    const std::uint32_t width = image.GetWidth(), height = image.GetHeight();
    const int bpp = image.GetBpp();
    const bool withAlpha = image.AlphaIsValid();
    const int fileBpp = bpp == 24 && withAlpha ? 32 : bpp;
    const std::uint32_t colors = image.GetNumColors();
    const std::uint64_t xorStride = RowStride(width, std::uint32_t(fileBpp));
    const std::uint64_t andStride = RowStride(width, 1);
    const std::uint32_t pixelBytes = std::uint32_t((xorStride + andStride) * height);
    const std::uint32_t entryBytes = kInfoBytes + 4 * colors + pixelBytes;

    std::vector<std::uint8_t> out(kHeaderBytes + kEntryBytes + entryBytes, 0);
    std::uint8_t* p = out.data();
    StoreLE16(p + 2, 1);  // icon
    StoreLE16(p + 4, 1);  // one entry
    p += kHeaderBytes;
    p[0] = std::uint8_t(width);  // 256 is written as 0
    p[1] = std::uint8_t(height);
    p[2] = std::uint8_t(colors < 256 ? colors : 0);
    StoreLE16(p + 4, 1);
    StoreLE16(p + 6, std::uint16_t(fileBpp));
    StoreLE32(p + 8, entryBytes);
    StoreLE32(p + 12, kHeaderBytes + kEntryBytes);
    p += kEntryBytes;
    StoreLE32(p, kInfoBytes);
    StoreLE32(p + 4, width);
    StoreLE32(p + 8, 2 * height);
    StoreLE16(p + 12, 1);
    StoreLE16(p + 14, std::uint16_t(fileBpp));
    StoreLE32(p + 20, pixelBytes);
    p += kInfoBytes;
    for (std::uint32_t i = 0; i < colors; ++i, p += 4) {
        const RGBQUAD c = image.GetPaletteColor(std::uint8_t(i));
        p[0] = c.rgbBlue;
        p[1] = c.rgbGreen;
        p[2] = c.rgbRed;
    }

    std::uint8_t* mask = p + xorStride * height;
    const std::int32_t trans = image.GetTransIndex();
    const RGBQUAD transColor = image.GetTransColor();
    for (std::uint32_t y = 0; y < height; ++y, p += xorStride) {
        const std::uint8_t* pixels = image.GetBits(y);
        const std::uint8_t* alpha = withAlpha ? image.alpha + std::size_t(y) * width : nullptr;
        std::uint8_t* maskRow = mask + y * andStride;
        if (fileBpp != 32)
            std::memcpy(p, pixels, xorStride);
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool keyed = trans >= 0 && (bpp < 24 ? IndexAt(pixels, x, bpp) == trans
                                                       : pixels[3 * x] == transColor.rgbBlue &&
                                                             pixels[3 * x + 1] == transColor.rgbGreen &&
                                                             pixels[3 * x + 2] == transColor.rgbRed);
            const std::uint8_t a = keyed ? 0 : alpha ? std::uint8_t(alpha[x] * image.AlphaGetMax() / 255) : 255;
            if (fileBpp == 32) {
                std::memcpy(p + 4 * x, pixels + 3 * x, 3);
                p[4 * x + 3] = a;
            }
            if (a == 0)
                maskRow[x / 8] |= std::uint8_t(0x80 >> (x % 8));
        }
    }
    return out;
}

}  // namespace

bool IcoCodec::Decode(PxFile* file)
{
    return pximage::DecodeGuarded(*this, file, kNotIco, DecodeIco);
}

bool IcoCodec::Encode(PxFile* file)
{
    if (!EncodeCheck(file))
        return false;
    if (GetWidth() > kMaxSide || GetHeight() > kMaxSide) {
        SetLastError(kTooLarge);
        return false;
    }
    try {
        const std::vector<std::uint8_t> bytes = EncodeIco(*this);
        if (file->Write(bytes.data(), 1, bytes.size()) == bytes.size())
            return true;
    } catch (const std::bad_alloc&) {
        SetLastError(kNoMemory);
        return false;
    }
    SetLastError(kWriteError);
    return false;
}
