// Small pieces the library-backed codecs share.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "image/ImageSize.h"
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

// The colour space that coded colour parameters stand for (the code points
// of ISO/IEC 23091-2, as the colour boxes of HEIF and AVIF and the AV1
// sequence header carry them), or none for sRGB: primaries of BT.709 (or
// unspecified) with the sRGB (or an unspecified) transfer. The
// chromaticities of the primaries come from the library that read them.
inline std::shared_ptr<const ColourSpace> CodedColourSpace(std::uint32_t primaries, std::uint32_t transfer,
                                                           const ColourSpace::Chromaticities& chromaticities)
{
    constexpr std::uint32_t kBt709 = 1, kUnspecified = 2, kSrgbTransfer = 13;
    if ((primaries == kBt709 || primaries == kUnspecified) && (transfer == kSrgbTransfer || transfer == kUnspecified))
        return nullptr;
    auto space = std::make_shared<ColourSpace>();
    if (primaries != kUnspecified) {
        space->hasChromaticities = true;
        space->chromaticities = chromaticities;
    }
    switch (transfer) {
    case kSrgbTransfer:
        space->transfer = ColourSpace::Transfer::Srgb;
        break;
    case 1:   // BT.709
    case 6:   // BT.601
    case 14:  // BT.2020 at 10 bits
    case 15:  // and at 12 bits
        space->transfer = ColourSpace::Transfer::Bt709;
        break;
    case 8:  // linear
        space->transfer = ColourSpace::Transfer::Linear;
        break;
    case 4:  // BT.470 System M
        space->transfer = ColourSpace::Transfer::Gamma;
        space->gamma = 2.2;
        break;
    case 5:  // BT.470 System B, G
        space->transfer = ColourSpace::Transfer::Gamma;
        space->gamma = 2.8;
        break;
    default:
        break;
    }
    return space;
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

// ---- Codecs whose library decodes from one buffer ----

// The most bytes of a stream read into memory.
constexpr std::size_t kMaxStreamBytes = std::size_t(1) << 30;

// Up to count bytes from the stream's position, which the stream keeps: a
// codec looks at the signature before it reads a whole stream. 0 when the
// stream cannot go back.
inline std::size_t PeekBytes(PxFile& file, std::uint8_t* head, std::size_t count)
{
    const std::int32_t start = file.Tell();
    const std::size_t got = file.Read(head, 1, count);
    return start >= 0 && file.Seek(start, 0) ? got : 0;
}

// The rest of the stream into bytes. A stream that cannot tell its size is
// read in blocks up to the same cap.
inline bool ReadWholeStream(PxImage& image, PxFile& file, std::vector<std::uint8_t>& bytes)
{
    constexpr std::size_t kBlockBytes = 1 << 16;
    const std::int64_t left = BytesLeft(file);
    if (left > std::int64_t(kMaxStreamBytes)) {
        image.SetLastError("the file is larger than the 1 GiB this program reads");
        return false;
    }
    if (left >= 0) {
        bytes.resize(std::size_t(left));
        bytes.resize(file.Read(bytes.data(), 1, bytes.size()));
        return true;
    }
    bytes.clear();
    for (std::size_t got = kBlockBytes; got == kBlockBytes;) {
        if (bytes.size() >= kMaxStreamBytes) {
            image.SetLastError("the file is larger than the 1 GiB this program reads");
            return false;
        }
        const std::size_t at = bytes.size();
        bytes.resize(at + kBlockBytes);
        got = file.Read(bytes.data() + at, 1, kBlockBytes);
        bytes.resize(at + got);
    }
    return true;
}

// Whether a 24-bit picture of width x height, with an alpha plane when
// asked, may be made; refuses in words when not. These formats' compression
// sets no useful bound on what a stream may stand for, so the ceiling and
// the decoder's memory bound them.
inline bool CheckPictureSize(PxImage& image, std::uint64_t width, std::uint64_t height, bool withAlpha,
                             const char* format)
{
    const DibLayout layout = ComputeDibLayout(width, height, 24);
    std::string refusal;
    if (layout.check == SizeCheck::ZeroSize)
        refusal = std::string("the ") + format + " file declares a picture of " + std::to_string(width) + " x " +
                  std::to_string(height) + " pixels";
    else if (!WithinDecodePixelLimit(width, height))
        refusal = TooManyPixelsReason(width, height);
    else if (layout.check != SizeCheck::Ok ||
             layout.totalBytes + (withAlpha ? width * height : 0) > DecodeMemoryLimit())
        refusal = TooMuchMemoryReason(format, width, height);
    else
        return true;
    image.SetLastError(refusal.c_str());
    return false;
}

// A 24-bit picture of width x height in this format, with an alpha plane
// when asked; false with the reason when either cannot be made.
inline bool CreateRgb(PxImage& image, std::uint32_t width, std::uint32_t height, std::uint32_t format, bool alpha)
{
    if (!image.Create(width, height, 24, format))
        return false;
    if (alpha) {
        image.AlphaCreate();
        if (!image.alpha) {
            image.SetLastError("Can't allocate memory");
            return false;
        }
    }
    return true;
}

// Rows of 8-bit red, green, blue (and alpha with four channels) from the
// top of the picture into its bottom-up DIB rows, and the alpha samples into
// its alpha plane when it has one.
inline bool StoreRgbRows(PxImage& image, const std::uint8_t* top, std::size_t stride, std::uint32_t channels)
{
    const std::uint32_t width = image.GetWidth(), height = image.GetHeight();
    for (std::uint32_t y = 0; y < height; ++y) {
        if (image.info.escape) {
            image.SetLastError("Cancelled");
            return false;
        }
        const std::uint32_t dibRow = height - 1 - y;
        const std::uint8_t* src = top + y * stride;
        std::uint8_t* bgr = image.GetBits(dibRow);
        for (std::uint32_t x = 0; x < width; ++x, src += channels, bgr += 3) {
            bgr[0] = src[2];
            bgr[1] = src[1];
            bgr[2] = src[0];
        }
        if (image.alpha && channels == 4) {
            std::uint8_t* alpha = image.alpha + std::size_t(dibRow) * width;
            src = top + y * stride + 3;
            for (std::uint32_t x = 0; x < width; ++x, src += 4)
                alpha[x] = *src;
        }
    }
    return true;
}

}  // namespace pximage
