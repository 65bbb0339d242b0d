#include "image/codecs/SunRasterFormat.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/ByteOrder.h"
#include "image/codecs/CodecSupport.h"
#include "image/codecs/Jpeg2000Family.h"

namespace pximage {

namespace {

// Sun raster run-length packets expand 3 bytes into at most 256.
constexpr std::uint64_t kMaxRasExpansion = 86;

// The decoded bytes of a Sun raster: stored, or run-length encoded with 0x80
// as escape (0x80 0 is a literal 0x80, 0x80 n v is n + 1 copies of v).
class RasReader {
public:
    RasReader(PxFile& file, bool rle) : m_file(file), m_rle(rle) {}

    bool Read(std::uint8_t* out, std::size_t bytes)
    {
        if (!m_rle)
            return ReadExact(m_file, out, bytes);
        for (std::size_t i = 0; i < bytes; ++i) {
            if (m_repeat == 0) {
                const int c = m_file.GetC();
                if (c < 0)
                    return false;
                m_value = std::uint8_t(c);
                m_repeat = 1;
                if (c == 0x80) {
                    const int count = m_file.GetC();
                    if (count < 0)
                        return false;
                    if (count > 0) {
                        const int value = m_file.GetC();
                        if (value < 0)
                            return false;
                        m_value = std::uint8_t(value);
                        m_repeat = std::uint32_t(count) + 1;
                    }
                }
            }
            out[i] = m_value;
            --m_repeat;
        }
        return true;
    }

private:
    PxFile& m_file;
    bool m_rle;
    std::uint32_t m_repeat = 0;
    std::uint8_t m_value = 0;
};

void StoreBE32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (24 - 8 * i));
}

}  // namespace

bool DecodeRas(PxImage& image, PxFile& file)
{
    std::uint8_t headerBytes[32];
    if (!ReadExact(file, headerBytes, sizeof headerBytes)) {
        image.SetLastError(kLoadError);
        return false;
    }
    const std::uint32_t width = LoadBE32(headerBytes + 4), height = LoadBE32(headerBytes + 8);
    const std::uint32_t depth = LoadBE32(headerBytes + 12), type = LoadBE32(headerBytes + 20);
    const std::uint32_t mapType = LoadBE32(headerBytes + 24), mapLength = LoadBE32(headerBytes + 28);
    // Types: 0 old, 1 standard, 2 run-length encoded, 3 RGB order.
    if ((depth != 1 && depth != 8 && depth != 24 && depth != 32) || type > 3 || mapType > 2 ||
        (mapType == 1 && mapLength > 3 * 256) || mapLength > Available(file)) {
        image.SetLastError(kLoadError);
        return false;
    }
    const std::uint32_t bpp = depth == 32 ? 24 : depth;
    if (const char* problem = SizeProblem(width, height, bpp)) {
        image.SetLastError(problem);
        return false;
    }
    std::vector<std::uint8_t> map(mapLength);
    if (!ReadExact(file, map.data(), mapLength)) {
        image.SetLastError(kLoadError);
        return false;
    }
    // Rows are padded to 16 bits.
    const std::uint64_t rowBytes = (std::uint64_t(width) * depth + 15) / 16 * 2;
    const bool rle = type == 2;
    const std::uint64_t left = Available(file);
    if (rowBytes * height > (rle ? left * kMaxRasExpansion : left)) {
        image.SetLastError(kLoadError);
        return false;
    }
    if (!CheckSingleFrame(image))
        return false;
    if (!image.Create(width, height, bpp, FormatRas)) {
        image.SetLastError(kCreateError);
        return false;
    }
    if (bpp <= 8) {
        RGBQUAD palette[256] = {};
        const std::uint32_t entries = mapType == 1 ? mapLength / 3 : 0;
        if (entries > 0) {
            for (std::uint32_t i = 0; i < entries; ++i)
                palette[i] = RGBQUAD{map[2 * entries + i], map[entries + i], map[i], 0};
            image.SetPalette(palette, 256);
        } else if (depth == 1) {
            const RGBQUAD whiteBlack[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
            image.SetPalette(whiteBlack, 2);
        } else {
            SetGreyPalette(image, 256);
        }
    }
    RasReader reader(file, rle);
    std::vector<std::uint8_t> row(rowBytes);
    const bool rgbOrder = type == 3;
    const std::uint32_t step = depth / 8;
    const std::uint32_t skip = depth == 32 ? 1 : 0;  // 32-bit pixels lead with a pad byte
    for (std::uint32_t r = 0; r < height; ++r) {
        if (!reader.Read(row.data(), row.size())) {
            image.SetLastError(kLoadError);
            return false;
        }
        std::uint8_t* out = image.GetBits(height - 1 - r);
        if (bpp <= 8) {
            const std::size_t used = (std::size_t(width) * depth + 7) / 8;
            std::memcpy(out, row.data(), std::min<std::size_t>(image.info.rowStride, used));
            continue;
        }
        const std::uint8_t* in = row.data() + skip;
        for (std::uint32_t x = 0; x < width; ++x, in += step, out += 3) {
            out[0] = rgbOrder ? in[2] : in[0];
            out[1] = in[1];
            out[2] = rgbOrder ? in[0] : in[2];
        }
    }
    return true;
}

bool EncodeRas(PxImage& image, PxFile& file, const std::uint8_t* greyLevels)
{
    // Standard type: 8-bit grey without a colour map, or 24-bit blue, green,
    // red (the DIB's own order); rows padded to 16 bits.
    const std::uint32_t width = image.GetWidth(), height = image.GetHeight();
    const std::uint32_t depth = greyLevels ? 8 : 24;
    const std::size_t rowBytes = (std::size_t(width) * depth / 8 + 1) & ~std::size_t(1);
    std::uint8_t head[32];
    const std::uint32_t fields[8] = {0x59A66A95, width, height, depth, std::uint32_t(rowBytes * height), 1, 0, 0};
    for (int i = 0; i < 8; ++i)
        StoreBE32(head + 4 * i, fields[i]);
    std::vector<std::uint8_t> row(rowBytes, 0);
    bool ok = file.Write(head, 1, sizeof head) == sizeof head;
    for (std::uint32_t y = 0; ok && y < height; ++y) {
        if (greyLevels)
            TopRowSamples(image, y, greyLevels, row.data());
        else
            std::memcpy(row.data(), image.GetBits(height - 1 - y), std::size_t(width) * 3);
        ok = file.Write(row.data(), 1, rowBytes) == rowBytes;
    }
    if (!ok)
        image.SetLastError(kEncodeError);
    return ok;
}

}  // namespace pximage
