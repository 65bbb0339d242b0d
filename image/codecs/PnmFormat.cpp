#include "image/codecs/PnmFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "image/ByteOrder.h"
#include "image/codecs/CodecSupport.h"
#include "image/codecs/Jpeg2000Family.h"

namespace pximage {

bool DecodePnm(PxImage& image, PxFile& file)
{
    HeaderReader reader(file);
    std::uint8_t magic[2];
    std::uint32_t width = 0, height = 0, maxval = 1;
    if (!ReadExact(file, magic, 2) || !reader.Number(width) || !reader.Number(height)) {
        image.SetLastError(kLoadError);
        return false;
    }
    const int kind = magic[1] - '0';
    const bool bilevel = kind == 1 || kind == 4;
    const bool binary = kind >= 4;
    const std::uint32_t channels = kind == 3 || kind == 6 ? 3 : 1;
    if ((!bilevel && (!reader.Number(maxval) || maxval == 0 || maxval > 65535)) || (binary && !reader.EndOfHeader())) {
        image.SetLastError(kLoadError);
        return false;
    }
    const std::uint32_t bpp = bilevel ? 1 : channels == 3 ? 24 : 8;
    if (const char* problem = SizeProblem(width, height, bpp)) {
        image.SetLastError(problem);
        return false;
    }
    // The least data the header promises: binary samples, or one character
    // per bit and two per number (digit and separator) in the plain forms.
    const std::uint32_t sampleBytes = maxval > 255 ? 2 : 1;
    const std::uint64_t rowBytes = bilevel ? (binary ? (std::uint64_t(width) + 7) / 8 : width)
                                           : std::uint64_t(width) * channels * (binary ? sampleBytes : 2);
    if (rowBytes * height > Available(file) + (binary ? 0 : 1)) {
        image.SetLastError(kLoadError);
        return false;
    }
    if (!CheckSingleFrame(image))
        return false;
    if (!image.Create(width, height, bpp, FormatPnm)) {
        image.SetLastError(kCreateError);
        return false;
    }
    if (bilevel) {
        const RGBQUAD whiteBlack[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};  // PBM: 1 is black
        image.SetPalette(whiteBlack, 2);
    } else if (channels == 1) {
        SetGreyPalette(image, 256);
    }
    std::vector<std::uint8_t> level(std::size_t(maxval) + 1);
    for (std::uint32_t v = 0; v <= maxval; ++v)
        level[v] = std::uint8_t((v * 255u + maxval / 2) / maxval);

    const std::size_t samplesPerRow = std::size_t(width) * channels;
    std::vector<std::uint8_t> raw(binary && !bilevel ? samplesPerRow * sampleBytes : 0);
    std::vector<std::uint8_t> samples(samplesPerRow);
    for (std::uint32_t r = 0; r < height; ++r) {
        std::uint8_t* out = image.GetBits(height - 1 - r);
        if (kind == 4) {
            if (!ReadExact(file, out, std::size_t(rowBytes))) {
                image.SetLastError(kLoadError);
                return false;
            }
            continue;
        }
        if (kind == 1) {
            for (std::uint32_t x = 0; x < width; ++x) {
                const int c = reader.SkipSpace();
                if (c != '0' && c != '1') {
                    image.SetLastError(kLoadError);
                    return false;
                }
                if (c == '1')
                    out[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
            }
            continue;
        }
        if (binary) {
            if (!ReadExact(file, raw.data(), raw.size())) {
                image.SetLastError(kLoadError);
                return false;
            }
            for (std::size_t i = 0; i < samplesPerRow; ++i) {
                const std::uint32_t v = sampleBytes == 2 ? LoadBE16(&raw[2 * i]) : raw[i];
                samples[i] = level[std::min(v, maxval)];
            }
        } else {
            for (std::size_t i = 0; i < samplesPerRow; ++i) {
                std::uint32_t v;
                if (!reader.Number(v)) {
                    image.SetLastError(kLoadError);
                    return false;
                }
                samples[i] = level[std::min(v, maxval)];
            }
        }
        if (channels == 1) {
            std::memcpy(out, samples.data(), width);
        } else {
            for (std::uint32_t x = 0; x < width; ++x) {
                out[3 * x] = samples[3 * x + 2];
                out[3 * x + 1] = samples[3 * x + 1];
                out[3 * x + 2] = samples[3 * x];
            }
        }
    }
    return true;
}

bool EncodePnm(PxImage& image, PxFile& file, const std::uint8_t* greyLevels)
{
    char head[64];
    std::snprintf(head, sizeof head, "P%c\n%u %u\n255\n", greyLevels ? '5' : '6', image.GetWidth(), image.GetHeight());
    return WriteHeaderAndRows(image, file, head, greyLevels);
}

}  // namespace pximage
