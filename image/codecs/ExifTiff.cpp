#include "image/codecs/ExifTiff.h"

#include "image/ByteOrder.h"

namespace pximage {

namespace {

double ExifUnitFactor(std::uint16_t unit)
{
    switch (unit) {
    case 1:
    case 2:
        return 1.0;  // none, inches
    case 3:
        return 0.3937007784843445;  // centimetres
    case 4:
        return 0.03937007859349251;  // millimetres
    case 5:
        return 3.937007932108827e-05;  // micrometres
    default:
        return 0;
    }
}

// Orientation values beyond the eight the tag defines mean upright.
std::uint8_t ExifOrientation(std::uint16_t value)
{
    return value >= 1 && value <= 8 ? std::uint8_t(value) : 1;
}

}  // namespace

ExifTags ParseExifTiff(const std::uint8_t* tiff, std::size_t size)
{
    ExifTags result;
    if (size < 8)
        return result;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
        return result;
    auto u16 = [&](std::size_t at) { return little ? LoadLE16(tiff + at) : LoadBE16(tiff + at); };
    auto u32 = [&](std::size_t at) { return little ? LoadLE32(tiff + at) : LoadBE32(tiff + at); };
    auto rational = [&](std::size_t entry) {
        const std::uint32_t at = u32(entry + 8);
        if (at > size - 8)
            return 0.0;
        const std::uint32_t denominator = u32(at + 4);
        return denominator ? double(u32(at)) / denominator : 0.0;
    };
    constexpr std::uint16_t kTypeShort = 3, kTypeRational = 5;
    const std::uint32_t ifd = u32(4);
    if (u16(2) != 42 || ifd > size - 2)
        return result;
    const std::size_t count = u16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + 12 * i;
        if (entry + 12 > size)
            break;
        const std::uint16_t tag = u16(entry), type = u16(entry + 2);
        if (tag == 0x011A && type == kTypeRational)
            result.xResolution = rational(entry);
        else if (tag == 0x011B && type == kTypeRational)
            result.yResolution = rational(entry);
        else if (tag == 0x0128 && type == kTypeShort)
            result.unitFactor = ExifUnitFactor(u16(entry + 8));
        else if (tag == 0x0112 && type == kTypeShort && u32(entry + 4) == 1)
            result.orientation = ExifOrientation(u16(entry + 8));
    }
    return result;
}

}  // namespace pximage
