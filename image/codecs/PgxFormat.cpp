#include "image/codecs/PgxFormat.h"

#include <cstdio>
#include <vector>

#include "image/ByteOrder.h"
#include "image/codecs/CodecSupport.h"
#include "image/codecs/Jpeg2000Family.h"

namespace pximage {

bool DecodePgx(PxImage& image, PxFile& file)
{
    // "PG", byte order ("ML" most significant byte first, "LM" least), an
    // optional sign, then depth, width and height.
    HeaderReader reader(file);
    std::uint8_t magic[2];
    std::uint32_t depth = 0, width = 0, height = 0;
    if (!ReadExact(file, magic, 2)) {
        image.SetLastError(kLoadError);
        return false;
    }
    const int first = reader.SkipSpace();
    const int second = reader.Get();
    const bool bigEndian = first == 'M' && second == 'L';
    bool sgnd = false;
    int c = reader.SkipSpace();
    if (c == '+' || c == '-') {
        sgnd = c == '-';
        c = reader.SkipSpace();
    }
    reader.PutBack(c);
    if (!(bigEndian || (first == 'L' && second == 'M')) || !reader.Number(depth) || !reader.Number(width) ||
        !reader.Number(height) || !reader.EndOfHeader() || depth == 0 || depth > 16) {
        image.SetLastError(kLoadError);
        return false;
    }
    if (const char* problem = SizeProblem(width, height, 8)) {
        image.SetLastError(problem);
        return false;
    }
    const std::size_t sampleBytes = depth <= 8 ? 1 : 2;
    if (std::uint64_t(width) * height * sampleBytes > Available(file)) {
        image.SetLastError(kLoadError);
        return false;
    }
    if (!CheckSingleFrame(image))
        return false;
    if (!image.Create(width, height, 8, FormatPgx)) {
        image.SetLastError(kCreateError);
        return false;
    }
    SetGreyPalette(image, 256);
    const SampleToByte scale(depth, sgnd);
    std::vector<std::uint8_t> raw(width * sampleBytes);
    for (std::uint32_t r = 0; r < height; ++r) {
        if (!ReadExact(file, raw.data(), raw.size())) {
            image.SetLastError(kLoadError);
            return false;
        }
        std::uint8_t* out = image.GetBits(height - 1 - r);
        for (std::uint32_t x = 0; x < width; ++x) {
            // Signed samples are two's complement in their storage width.
            std::int64_t v;
            if (sampleBytes == 1) {
                v = sgnd ? std::int8_t(raw[x]) : raw[x];
            } else {
                const std::uint16_t word = bigEndian ? LoadBE16(&raw[2 * x]) : LoadLE16(&raw[2 * x]);
                v = sgnd ? std::int16_t(word) : word;
            }
            out[x] = scale(v);
        }
    }
    return true;
}

bool EncodePgx(PxImage& image, PxFile& file, const std::uint8_t* greyLevels)
{
    char head[64];
    std::snprintf(head, sizeof head, "PG ML + 8 %u %u\n", image.GetWidth(), image.GetHeight());
    return WriteHeaderAndRows(image, file, head, greyLevels);
}

}  // namespace pximage
