// Small pieces the library-backed codecs share.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "image/PxFile.h"
#include "image/PxImage.h"

namespace pximage {

// SetXDPI/SetYDPI turn dots per inch into pixels per metre in a signed
// 32-bit header field; 54,000,000 dpi x 39.37 stays below 2^31, so a hostile
// file cannot push that product past the field.
constexpr double kMaxDpi = 54000000.0;

// dpi truncated toward zero into [0, kMaxDpi]; 0 (and NaN) means unknown,
// which SetXDPI turns into the default.
inline std::int32_t ClampDpi(double dpi)
{
    if (!(dpi > 0))
        return 0;
    return std::int32_t(std::fmin(dpi, kMaxDpi));
}

// The grey ramp of n levels in the first n palette entries:
// entry i = i x (255 / (n - 1)), integer division.
inline void SetGreyPalette(PxImage& image, std::uint32_t n)
{
    RGBQUAD* palette = image.GetPalette();
    if (!palette || n < 2 || n > image.GetNumColors())
        return;
    const std::uint32_t step = 255 / (n - 1);
    for (std::uint32_t i = 0; i < n; ++i) {
        const auto level = std::uint8_t(i * step);
        palette[i] = {level, level, level, 0};
    }
    image.info.nearestValid = false;
}

// A colour space record holding a copy of the profile bytes given (none for
// a record the codec fills in itself), or null when there is no memory for
// it: the picture then still decodes, taken as sRGB.
inline std::shared_ptr<ColourSpace> NewColourSpace(const std::uint8_t* profile = nullptr, std::size_t bytes = 0)
{
    try {
        auto space = std::make_shared<ColourSpace>();
        if (profile)
            space->iccProfile.assign(profile, profile + bytes);
        return space;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The start of a library-backed decode: a stream is needed.
inline bool BeginDecode(PxImage& image, PxFile* file)
{
    if (!file) {
        image.SetLastError("null file handler");
        return false;
    }
    return true;
}

// Runs decode(file, image) for a codec whose buffers may throw
// std::bad_alloc: that becomes "Can't allocate memory", a missing stream
// gives noStream, and a failed decode leaves nothing half-made behind.
template <typename Decoder>
bool DecodeGuarded(PxImage& image, PxFile* file, const char* noStream, Decoder decode)
{
    if (!file) {
        image.SetLastError(noStream);
        return false;
    }
    bool decoded = false;
    try {
        decoded = decode(*file, image);
    } catch (const std::bad_alloc&) {
        image.SetLastError("Can't allocate memory");
    }
    if (!decoded)
        image.Destroy();
    return decoded;
}

}  // namespace pximage
