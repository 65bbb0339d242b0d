#include "image/codecs/PcxCodec.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/ByteOrder.h"
#include "image/PxFile.h"
#include "image/codecs/BufferedReader.h"

namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::uint8_t kManufacturer = 0x0A;
constexpr std::uint8_t kRunLengthEncoding = 1;
constexpr std::uint8_t kRunFlags = 0xC0;
constexpr std::uint8_t kMaxRun = 0x3F;
constexpr std::uint8_t kPaletteSignature = 0x0C;
constexpr std::size_t kTailPaletteBytes = 1 + 256 * 3;

struct PcxHeader {
    std::uint8_t manufacturer = 0;
    std::uint8_t encoding = 0;
    std::uint8_t bitsPerPixel = 0;  // per plane
    std::uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    std::uint16_t xDpi = 0, yDpi = 0;
    const std::uint8_t* colorMap = nullptr;  // 16 entries of red, green, blue
    std::uint8_t planes = 0;
    std::uint16_t bytesPerLine = 0;  // per plane
};

PcxHeader ParseHeader(const std::uint8_t* b)
{
    using pximage::LoadLE16;
    PcxHeader h;
    h.manufacturer = b[0];
    h.encoding = b[2];
    h.bitsPerPixel = b[3];
    h.xMin = LoadLE16(b + 4);
    h.yMin = LoadLE16(b + 6);
    h.xMax = LoadLE16(b + 8);
    h.yMax = LoadLE16(b + 10);
    h.xDpi = LoadLE16(b + 12);
    h.yDpi = LoadLE16(b + 14);
    h.colorMap = b + 16;
    h.planes = b[65];
    h.bytesPerLine = LoadLE16(b + 66);
    return h;
}

// The container depth for a plane layout, or 0 when the layout is not one
// of the published ones: 1 bit in 1 plane; up to 4 index bits as planes of
// 1 bit or packed pixels of 2 or 4 bits; 8-bit indices; 8-bit red, green,
// blue (and alpha) planes.
std::uint32_t DepthFor(std::uint32_t bits, std::uint32_t planes)
{
    if (planes == 0)
        return 0;
    if (bits == 1 && planes == 1)
        return 1;
    if ((bits == 1 || bits == 2 || bits == 4) && bits * planes <= 4)
        return 4;
    if (bits == 8)
        return planes == 1 ? 8 : planes >= 3 ? 24 : 0;
    return 0;
}

RGBQUAD FromRgb(const std::uint8_t* rgb) { return {rgb[2], rgb[1], rgb[0], 0}; }

// Decoded scanline bytes with the run state kept between lines, since
// writers are not bound to end a run with the line.
class RunLengthSource {
public:
    explicit RunLengthSource(pximage::BufferedReader& in) : m_in(in) {}

    bool Fill(std::uint8_t* out, std::size_t count)
    {
        while (count) {
            if (m_left == 0) {
                const int code = m_in.Next();
                if (code < 0)
                    return false;
                if ((code & kRunFlags) != kRunFlags) {
                    *out++ = std::uint8_t(code);
                    --count;
                    continue;
                }
                const int value = m_in.Next();
                if (value < 0)
                    return false;
                m_left = code & kMaxRun;
                m_value = std::uint8_t(value);
            }
            const std::size_t n = std::min<std::size_t>(m_left, count);
            std::memset(out, m_value, n);
            out += n;
            count -= n;
            m_left -= std::uint32_t(n);
        }
        return true;
    }

    bool RunPending() const { return m_left != 0; }

private:
    pximage::BufferedReader& m_in;
    std::uint32_t m_left = 0;
    std::uint8_t m_value = 0;
};

// One scanline (plane after plane) into a DIB row.
void StoreLine(const std::uint8_t* line, const PcxHeader& h, std::uint32_t width, std::uint32_t depth,
               std::uint8_t* dst, std::uint8_t* rowAlpha)
{
    const std::size_t bpl = h.bytesPerLine;
    switch (depth) {
    case 1:
        std::memcpy(dst, line, (width + 7) / 8);
        break;
    case 8:
        std::memcpy(dst, line, width);
        break;
    case 4: {
        const std::uint32_t bits = h.bitsPerPixel;
        const std::uint32_t mask = (1u << bits) - 1;
        std::memset(dst, 0, (width + 1) / 2);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::size_t byte = std::size_t(x) * bits / 8;
            const std::uint32_t shift = 8 - bits - (x * bits) % 8;
            std::uint32_t index = 0;
            for (std::uint32_t p = 0; p < h.planes; ++p)
                index |= ((line[p * bpl + byte] >> shift) & mask) << (p * bits);
            dst[x / 2] |= std::uint8_t(x % 2 ? index : index << 4);
        }
        break;
    }
    default:
        for (std::uint32_t x = 0; x < width; ++x, dst += 3) {
            dst[0] = line[2 * bpl + x];
            dst[1] = line[bpl + x];
            dst[2] = line[x];
        }
        if (rowAlpha)
            std::memcpy(rowAlpha, line + 3 * bpl, width);
        break;
    }
}

// The 256-colour palette: a signature byte and 768 bytes of red, green,
// blue. It follows the pixel data; the format places it 769 bytes before
// the end, which is where it is looked for when it does not follow.
bool ReadTailPalette(PxFile& file, RGBQUAD* palette)
{
    std::uint8_t tail[kTailPaletteBytes];
    bool found = file.Read(tail, 1, sizeof tail) == sizeof tail && tail[0] == kPaletteSignature;
    if (!found && file.Size() >= std::int32_t(kHeaderBytes + sizeof tail)) {
        found = file.Seek(file.Size() - std::int32_t(sizeof tail), 0) &&
                file.Read(tail, 1, sizeof tail) == sizeof tail && tail[0] == kPaletteSignature;
    }
    if (!found)
        return false;
    for (int i = 0; i < 256; ++i)
        palette[i] = FromRgb(tail + 1 + 3 * i);
    return true;
}

// Appends one plane line as run-length packets. Runs stop at the end of the
// line, and a single byte that looks like a run code goes as a run of one.
void PackLine(const std::uint8_t* in, std::size_t count, std::vector<std::uint8_t>& out)
{
    for (std::size_t i = 0; i < count;) {
        const std::uint8_t value = in[i];
        std::size_t run = 1;
        while (i + run < count && run < kMaxRun && in[i + run] == value)
            ++run;
        if (run > 1 || (value & kRunFlags) == kRunFlags)
            out.push_back(std::uint8_t(kRunFlags | run));
        out.push_back(value);
        i += run;
    }
}

}  // namespace

bool PcxCodec::Decode(PxFile* file)
{
    std::uint8_t raw[kHeaderBytes];
    if (!file || file->Read(raw, 1, kHeaderBytes) != kHeaderBytes) {
        SetLastError("Can't read PCX image");
        return false;
    }
    const PcxHeader h = ParseHeader(raw);
    if (h.manufacturer != kManufacturer) {
        SetLastError("Error: Not a PCX file");
        return false;
    }
    if (h.encoding != kRunLengthEncoding) {
        SetLastError("PCX file has unknown encoding scheme");
        return false;
    }
    if (h.planes > 4) {
        SetLastError("Can't handle image with more than 4 planes");
        return false;
    }
    const std::uint32_t depth = DepthFor(h.bitsPerPixel, h.planes);
    const std::uint32_t width = std::uint32_t(h.xMax - h.xMin) + 1;
    const std::uint32_t height = std::uint32_t(h.yMax - h.yMin) + 1;
    const std::size_t lineBytes = std::size_t(h.bytesPerLine) * h.planes;
    // A run-length byte pair yields at most 63 bytes, which bounds the
    // picture a file of this size can describe.
    const std::int64_t left = BytesLeft(*file);
    if (depth == 0 || h.xMax < h.xMin || h.yMax < h.yMin ||
        h.bytesPerLine < (std::uint64_t(width) * h.bitsPerPixel + 7) / 8 ||
        (left >= 0 && std::uint64_t(lineBytes) * height > std::uint64_t(left) * kMaxRun)) {
        SetLastError("corrupted PCX");
        return false;
    }
    if (!Create(width, height, depth, FormatPcx))
        return false;
    if (h.planes == 4 && depth == 24) {
        AlphaCreate();
        if (!alpha) {
            SetLastError("Can't allocate memory");
            return false;
        }
    }
    SetXDPI(h.xDpi);
    SetYDPI(h.yDpi);

    {
        std::vector<std::uint8_t> line(lineBytes);
        pximage::BufferedReader in(*file);
        RunLengthSource source(in);
        for (std::uint32_t i = 0; i < height; ++i) {
            if (!source.Fill(line.data(), line.size())) {
                SetLastError("corrupted PCX");
                return false;
            }
            const std::uint32_t y = height - 1 - i;
            StoreLine(line.data(), h, width, depth, GetBits(y), alpha ? alpha + std::size_t(y) * width : nullptr);
        }
        if (source.RunPending()) {
            SetLastError("repeat count spans end of image");
            return false;
        }
    }

    RGBQUAD palette[256] = {};
    if (depth == 8) {
        if (!ReadTailPalette(*file, palette)) {
            SetLastError("bad color map signature");
            return false;
        }
    } else if (depth == 1) {
        // Many writers leave the header palette zeroed for two-colour files.
        palette[0] = FromRgb(h.colorMap);
        palette[1] = FromRgb(h.colorMap + 3);
        if (palette[0] == palette[1]) {
            palette[0] = {0, 0, 0, 0};
            palette[1] = {255, 255, 255, 0};
        }
    } else if (depth == 4) {
        for (int i = 0; i < 16; ++i)
            palette[i] = FromRgb(h.colorMap + 3 * i);
    }
    SetPalette(palette, 256);
    return true;
}

bool PcxCodec::Encode(PxFile* file)
{
    if (!EncodeCheck(file))
        return false;
    const std::uint32_t width = GetWidth();
    const std::uint32_t height = GetHeight();
    const std::uint32_t bpp = GetBpp();
    // 16 colours go as four bit planes, the form every reader knows.
    const std::uint32_t bits = bpp == 24 ? 8 : bpp == 4 ? 1 : bpp;
    const std::uint32_t planes = bpp == 24 ? 3 : bpp == 4 ? 4 : 1;
    // Lines hold an even number of bytes.
    const std::uint64_t bpl = ((std::uint64_t(width) * bits + 7) / 8 + 1) & ~std::uint64_t(1);

    std::uint8_t raw[kHeaderBytes] = {};
    raw[0] = kManufacturer;
    raw[1] = 5;
    raw[2] = kRunLengthEncoding;
    raw[3] = std::uint8_t(bits);
    pximage::StoreLE16(raw + 8, std::uint16_t(width - 1));
    pximage::StoreLE16(raw + 10, std::uint16_t(height - 1));
    pximage::StoreLE16(raw + 12, std::uint16_t(std::clamp(GetXDPI(), 0, 0xFFFF)));
    pximage::StoreLE16(raw + 14, std::uint16_t(std::clamp(GetYDPI(), 0, 0xFFFF)));
    const RGBQUAD* palette = GetPalette();
    for (std::uint32_t i = 0; i < std::min(GetNumColors(), 16u); ++i) {
        raw[16 + 3 * i] = palette[i].rgbRed;
        raw[17 + 3 * i] = palette[i].rgbGreen;
        raw[18 + 3 * i] = palette[i].rgbBlue;
    }
    raw[65] = std::uint8_t(planes);
    pximage::StoreLE16(raw + 66, std::uint16_t(bpl));
    pximage::StoreLE16(raw + 68, 1);  // colour palette
    // The header's 16-bit fields bound the picture.
    if (width > 0x10000 || height > 0x10000 || bpl > 0xFFFF || file->Write(raw, 1, kHeaderBytes) != kHeaderBytes) {
        SetLastError("cannot write PCX header");
        return false;
    }

    std::vector<std::uint8_t> line(std::size_t(bpl) * planes);
    std::vector<std::uint8_t> packed;
    bool ok = true;
    for (std::uint32_t i = 0; ok && i < height; ++i) {
        const std::uint8_t* src = GetBits(height - 1 - i);
        std::fill(line.begin(), line.end(), 0);
        switch (bpp) {
        case 1:
            std::memcpy(line.data(), src, (width + 7) / 8);
            break;
        case 8:
            std::memcpy(line.data(), src, width);
            break;
        case 4:
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint32_t index = x % 2 ? src[x / 2] & 0x0F : src[x / 2] >> 4;
                const std::uint8_t bit = std::uint8_t(0x80 >> (x % 8));
                for (std::uint32_t p = 0; p < 4; ++p)
                    if (index & (1u << p))
                        line[p * bpl + x / 8] |= bit;
            }
            break;
        default:
            for (std::uint32_t x = 0; x < width; ++x, src += 3) {
                line[x] = src[2];
                line[bpl + x] = src[1];
                line[2 * bpl + x] = src[0];
            }
            break;
        }
        packed.clear();
        for (std::uint32_t p = 0; p < planes; ++p)
            PackLine(line.data() + p * bpl, bpl, packed);
        ok = file->Write(packed.data(), 1, packed.size()) == packed.size();
    }
    if (ok && bpp == 8) {
        std::uint8_t tail[kTailPaletteBytes];
        tail[0] = kPaletteSignature;
        for (int i = 0; i < 256; ++i) {
            tail[1 + 3 * i] = palette[i].rgbRed;
            tail[2 + 3 * i] = palette[i].rgbGreen;
            tail[3 + 3 * i] = palette[i].rgbBlue;
        }
        ok = file->Write(tail, 1, sizeof tail) == sizeof tail;
    }
    if (!ok) {
        SetLastError("Error writing PCX file");
        return false;
    }
    return true;
}
