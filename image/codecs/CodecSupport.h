// Small pieces the library-backed codecs share.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <new>
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

// The largest picture these codecs open. The other codecs are bounded by
// the container's memory rule alone; one limit for all will replace this.
constexpr std::uint64_t kMaxOpenPixels = 500000000;

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
// asked, may be made from a stream of streamBytes; refuses in words when not.
inline bool CheckPictureSize(PxImage& image, std::uint64_t width, std::uint64_t height, bool withAlpha,
                             std::int64_t streamBytes, const char* format)
{
    char text[160];
    const unsigned long long w = width, h = height;
    const DibLayout layout = ComputeDibLayout(width, height, 24);
    if (width * height > kMaxOpenPixels) {
        std::snprintf(text, sizeof text, "the picture is %llu x %llu pixels, more than the 500 megapixels this program opens",
                      w, h);
    } else if (layout.check == SizeCheck::ZeroSize) {
        std::snprintf(text, sizeof text, "the %s file declares a picture of %llu x %llu pixels", format, w, h);
    } else if (layout.check != SizeCheck::Ok) {
        std::snprintf(text, sizeof text, "the picture is %llu x %llu pixels, more than this program can hold", w, h);
    } else if (!WithinDecodeBudget(layout.totalBytes + (withAlpha ? width * height : 0), streamBytes)) {
        std::snprintf(text, sizeof text, "the %s file is too short for a picture of %llu x %llu pixels", format, w, h);
    } else {
        return true;
    }
    image.SetLastError(text);
    return false;
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
