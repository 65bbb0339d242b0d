#include "image/codecs/Jpeg2000Family.h"

#include <cstring>
#include <vector>

#include "image/ImageSize.h"

namespace pximage {

namespace {

std::uint8_t IndexAt(const std::uint8_t* row, std::uint32_t x, std::uint32_t bpp)
{
    switch (bpp) {
    case 8: return row[x];
    case 4: return std::uint8_t(x & 1 ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
    default: return std::uint8_t((row[x >> 3] >> (7 - (x & 7))) & 1);
    }
}

}  // namespace

const char* SizeProblem(std::uint64_t width, std::uint64_t height, std::uint32_t bpp)
{
    switch (ComputeDibLayout(width, height, bpp).check) {
    case SizeCheck::Ok: return nullptr;
    case SizeCheck::ZeroSize: return kLoadError;
    default: return kCreateError;
    }
}

bool CheckSingleFrame(PxImage& image)
{
    image.info.numFrames = 1;
    if (image.info.frame != 0) {
        image.SetLastError("wrong frame!");
        return false;
    }
    return true;
}

bool GreyLevels(const PxImage& image, std::uint8_t* levels)
{
    const RGBQUAD* palette = image.GetPalette();
    for (std::uint32_t i = 0; i < image.GetNumColors(); ++i) {
        if (palette[i].rgbRed != palette[i].rgbGreen || palette[i].rgbRed != palette[i].rgbBlue)
            return false;
        levels[i] = palette[i].rgbRed;
    }
    return true;
}

void TopRowSamples(const PxImage& image, std::uint32_t r, const std::uint8_t* greyLevels, std::uint8_t* out)
{
    const std::uint32_t width = image.GetWidth();
    const std::uint8_t* in = image.GetBits(image.GetHeight() - 1 - r);
    if (greyLevels) {
        for (std::uint32_t x = 0; x < width; ++x)
            out[x] = greyLevels[IndexAt(in, x, image.GetBpp())];
        return;
    }
    for (std::uint32_t x = 0; x < width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    }
}

bool WriteHeaderAndRows(PxImage& image, PxFile& file, const char* header, const std::uint8_t* greyLevels)
{
    const std::size_t headerBytes = std::strlen(header);
    std::vector<std::uint8_t> row(std::size_t(image.GetWidth()) * (greyLevels ? 1 : 3));
    bool ok = file.Write(header, 1, headerBytes) == headerBytes;
    for (std::uint32_t y = 0; ok && y < image.GetHeight(); ++y) {
        TopRowSamples(image, y, greyLevels, row.data());
        ok = file.Write(row.data(), 1, row.size()) == row.size();
    }
    if (!ok)
        image.SetLastError(kEncodeError);
    return ok;
}

}  // namespace pximage
