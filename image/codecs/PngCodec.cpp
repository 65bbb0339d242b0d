#include "image/codecs/PngCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include <png.h>

#include "image/ByteOrder.h"
#include "image/ImageSize.h"
#include "image/PxFile.h"
#include "image/codecs/CodecSupport.h"

namespace {

// Limits handed to libpng so that a hostile file cannot make it allocate
// without bound: the dimension cap is libpng's documented default, the chunk
// limits bound what ancillary chunks (text, profiles, unknown chunks) may
// keep or inflate to.
constexpr png_uint_32 kMaxDimension = 1000000;
constexpr png_uint_32 kMaxCachedChunks = 1000;
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

// Deflate codes at most 258 bytes in two bits, so compressed image data can
// stand for at most 1032 times its size.
constexpr std::uint64_t kMaxInflateRatio = 1032;

constexpr std::uint8_t kDefaultBackground = 192;

// ---- Callbacks ----

// Error pointer: the codec image. The library's message lands in lastError
// and the library jumps back to the setjmp of the function driving it.
void OnError(png_structp png, png_const_charp message)
{
    static_cast<PxImage*>(png_get_error_ptr(png))->SetLastError(message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

PxFile& StreamOf(png_structp png)
{
    return *static_cast<PxFile*>(png_get_io_ptr(png));
}

// libpng reserves a chunk's declared length before reading it, and a length
// above its chunk limit is only a warning in release builds. Every chunk
// before the image data is read to its end, CRC included, so one that ends
// past the stream fails here as it would there, before the reservation.
void OnRead(png_structp png, png_bytep data, png_size_t length)
{
    PxFile& file = StreamOf(png);
    if (file.Read(data, 1, length) != length)
        png_error(png, "Read Error");
    if ((png_get_io_state(png) & PNG_IO_CHUNK_HDR) && length == 8 && std::memcmp(data + 4, "IDAT", 4) != 0) {
        const std::int64_t left = BytesLeft(file);
        if (left >= 0 && std::int64_t(pximage::LoadBE32(data)) + 4 > left)
            png_error(png, "Read Error");
    }
}

void OnWrite(png_structp png, png_bytep data, png_size_t length)
{
    if (StreamOf(png).Write(data, 1, length) != length)
        png_error(png, "Write Error");
}

void OnFlush(png_structp png)
{
    if (!StreamOf(png).Flush())
        png_error(png, "Flush Error");
}

// The library objects and the one row buffer live in the caller's frame, so
// the setjmp function changes none of its own locals that the jump could spoil,
// and the caller releases everything on every path.
struct PngState {
    PxImage* image;
    PxFile* file;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::uint8_t* row = nullptr;  // std::calloc'd
};

// ---- Row conversions ----

// How a library row becomes a DIB row.
enum class RowForm {
    Direct,  // same bytes: packed indices or grey, blue-green-red
    Widen2,  // 2-bit indices -> 4-bit
    Bgra,    // blue, green, red, alpha -> DIB row + alpha plane row
};

void Widen2To4(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t width)
{
    for (std::uint32_t x = 0; x < width; x += 2) {
        const unsigned bits = src[x / 4] >> (x % 4 == 0 ? 4 : 0);
        dst[x / 2] = std::uint8_t(((bits >> 2) & 3) << 4 | (bits & 3));
    }
}

void Narrow4To2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t width)
{
    for (std::uint32_t x = 0; x < width; x += 2) {
        const unsigned pair = (src[x / 2] >> 4 & 3) << 2 | (src[x / 2] & 3);
        if (x % 4 == 0)
            dst[x / 4] = std::uint8_t(pair << 4);
        else
            dst[x / 4] = std::uint8_t(dst[x / 4] | pair);
    }
}

void SplitBgra(const std::uint8_t* src, std::uint8_t* bgr, std::uint8_t* alpha, std::uint32_t width)
{
    for (std::uint32_t x = 0; x < width; ++x, src += 4, bgr += 3) {
        bgr[0] = src[0];
        bgr[1] = src[1];
        bgr[2] = src[2];
        alpha[x] = src[3];
    }
}

void MergeBgra(const std::uint8_t* bgr, const std::uint8_t* alpha, std::uint8_t* dst, std::uint32_t width)
{
    for (std::uint32_t x = 0; x < width; ++x, dst += 4, bgr += 3) {
        dst[0] = bgr[0];
        dst[1] = bgr[1];
        dst[2] = bgr[2];
        dst[3] = alpha[x];
    }
}

// ---- Decoding ----

// The background a single transparent colour (tRNS) is composited onto: the
// file's own bKGD, else grey 192. Both are given in the file's sample depth,
// because the library composites before it strips 16-bit samples and leaves
// 1-, 2- and 4-bit grey packed.
void RequestBackground(png_structp png, png_infop info, int bitDepth)
{
    png_color_16p fileBackground = nullptr;
    if (png_get_bKGD(png, info, &fileBackground)) {
        png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
        return;
    }
    const unsigned maximum = (1u << bitDepth) - 1;
    const auto level = png_uint_16((kDefaultBackground * maximum + 127) / 255);
    png_color_16 grey{};
    grey.red = grey.green = grey.blue = grey.gray = level;
    png_set_background(png, &grey, PNG_BACKGROUND_GAMMA_SCREEN, 1, 1.0);
}

void SetPngResolution(PxImage& image, png_structp png, png_infop info)
{
    png_uint_32 x = 0, y = 0;
    int unit = PNG_RESOLUTION_UNKNOWN;
    png_get_pHYs(png, info, &x, &y, &unit);
    // Pixels per metre become dots per inch; other units are taken as they are.
    auto dpi = [unit](png_uint_32 value) {
        return pximage::ClampDpi(unit == PNG_RESOLUTION_METER ? std::floor(value * 0.0254 + 0.5) : double(value));
    };
    image.SetXDPI(dpi(x));
    image.SetYDPI(dpi(y));
}

// Many writers declare sRGB without the sRGB chunk: gAMA 1/2.2 and the
// BT.709 primaries with a D65 white, in the chunks' fixed point (100000 = 1).
constexpr png_fixed_point kSrgbGamma = 45455;
constexpr png_fixed_point kGammaTolerance = 250;  // half a per cent
constexpr png_fixed_point kSrgbChromaticities[8] = {31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000};
constexpr png_fixed_point kChromaticityTolerance = 100;

// What the file declares about its colours: an embedded profile wins; an
// sRGB chunk means sRGB; else the primaries (cHRM) and the transfer (gAMA,
// which stores the encoding exponent: 45455 is a decoding exponent of 2.2),
// unless together they amount to sRGB.
void SetPngColourSpace(PxImage& image, png_structp png, png_infop info)
{
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileBytes = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileBytes)) {
        image.info.colourSpace = pximage::NewColourSpace(profile, profileBytes);
        return;
    }
    if (png_get_valid(png, info, PNG_INFO_sRGB))
        return;
    png_fixed_point gamma = 0;
    const bool hasGamma = png_get_gAMA_fixed(png, info, &gamma) && gamma > 0;
    png_fixed_point xy[8] = {};
    const bool hasPrimaries =
        png_get_cHRM_fixed(png, info, &xy[0], &xy[1], &xy[2], &xy[3], &xy[4], &xy[5], &xy[6], &xy[7]) != 0;
    const bool srgbGamma = !hasGamma || std::abs(gamma - kSrgbGamma) <= kGammaTolerance;
    const bool srgbPrimaries = !hasPrimaries || std::equal(xy, xy + 8, kSrgbChromaticities, [](auto a, auto b) {
                                   return std::abs(a - b) <= kChromaticityTolerance;
                               });
    if (srgbGamma && srgbPrimaries)
        return;
    std::shared_ptr<ColourSpace> space = pximage::NewColourSpace();
    if (!space)
        return;
    if (hasPrimaries) {
        space->hasChromaticities = true;
        space->chromaticities = {xy[0] / 1e5, xy[1] / 1e5, xy[2] / 1e5, xy[3] / 1e5,
                                 xy[4] / 1e5, xy[5] / 1e5, xy[6] / 1e5, xy[7] / 1e5};
    }
    if (hasGamma) {
        space->transfer = ColourSpace::Transfer::Gamma;
        space->gamma = 1e5 / gamma;
    }
    image.info.colourSpace = std::move(space);
}

// The file's palette and its transparency: a lone alpha 0 for entry 0 makes
// that entry the transparent index; any other tRNS turns palette alpha on.
void SetPngPalette(PxImage& image, png_structp png, png_infop info)
{
    RGBQUAD* palette = image.GetPalette();
    const std::uint32_t entries = image.GetNumColors();
    png_colorp colors = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colors, &count);
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(count, entries); ++i)
        palette[i] = {colors[i].blue, colors[i].green, colors[i].red, 0};
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(png, info, &alphas, &alphaCount, nullptr) && alphaCount > 0) {
        if (alphaCount == 1 && alphas[0] == 0) {
            image.info.transIndex = 0;
        } else {
            const std::uint32_t given = std::min<std::uint32_t>(alphaCount, entries);
            for (std::uint32_t i = 0; i < entries; ++i)
                palette[i].rgbReserved = i < given ? alphas[i] : 255;
            image.info.alphaPaletteEnabled = true;
        }
    }
    image.info.nearestValid = false;
}

bool RunRead(PngState& state, std::int64_t streamBytes)
{
    png_structp png = state.png;
    png_infop info = state.info;
    PxImage& image = *state.image;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_user_limits(png, kMaxDimension, kMaxDimension);
    png_set_chunk_cache_max(png, kMaxCachedChunks);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_read_fn(png, state.file, OnRead);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    if (image.info.escape == -1) {  // the caller wants the size only
        image.header.biWidth = LONG(width);
        image.header.biHeight = LONG(height);
        return true;
    }
    const std::uint64_t fileRowBytes = png_get_rowbytes(png, info);
    if (!pximage::WithinDecodePixelLimit(width, height)) {
        image.SetLastError(pximage::TooManyPixelsReason(width, height).c_str());
        return false;
    }
    if (streamBytes >= 0 && fileRowBytes * height > kMaxInflateRatio * std::uint64_t(streamBytes)) {
        image.SetLastError(pximage::CutShortReason("PNG", streamBytes, width, height).c_str());
        return false;
    }

    const bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    const bool palette = colorType == PNG_COLOR_TYPE_PALETTE;
    const bool colour = (colorType & PNG_COLOR_MASK_COLOR) != 0 && !palette;
    // Transparency is kept wherever the picture can carry it: every alpha
    // channel (8 or 16 bits, colour or grey) becomes the alpha plane, and a
    // palette keeps its tRNS as transIndex or palette alpha (compositing it
    // as well would apply it twice). Only a single transparent colour of a
    // grey or RGB picture is composited onto the background.
    if (hasAlpha) {
        // Here the background chunk only names the transparent colour.
        png_color_16p background = nullptr;
        if (png_get_bKGD(png, info, &background)) {
            const int shift = bitDepth == 16 ? 8 : 0;
            image.info.transColor = {std::uint8_t(background->blue >> shift), std::uint8_t(background->green >> shift),
                                     std::uint8_t(background->red >> shift), 0};
        }
    } else if (!palette && png_get_valid(png, info, PNG_INFO_tRNS)) {
        RequestBackground(png, info, bitDepth);
    }
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (colour || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const std::uint32_t bpp = hasAlpha || colour ? 24 : bitDepth == 16 ? 8 : std::uint32_t(bitDepth);
    const RowForm form = hasAlpha ? RowForm::Bgra : bitDepth == 2 ? RowForm::Widen2 : RowForm::Direct;
    if (!image.Create(width, height, bpp, FormatPng))
        return false;
    const png_size_t rowBytes = png_get_rowbytes(png, info);
    const std::size_t expected = form == RowForm::Bgra ? 4 * std::size_t(width)
                                 : form == RowForm::Widen2 ? (std::size_t(width) * 2 + 7) / 8
                                                           : pximage::RowStride(width, bpp);
    if (rowBytes > expected) {
        image.SetLastError("Unsupported PNG pixel layout");
        return false;
    }
    image.info.codecOptions[FormatPng] = interlace != PNG_INTERLACE_NONE ? 1 : 0;
    SetPngResolution(image, png, info);
    SetPngColourSpace(image, png, info);
    if (palette)
        SetPngPalette(image, png, info);
    else if (bpp < 24)
        pximage::SetGreyPalette(image, bitDepth == 16 ? 256 : 1u << bitDepth);
    if (form == RowForm::Bgra) {
        image.AlphaCreate();
        if (!image.alpha) {
            image.SetLastError("Can't allocate memory");
            return false;
        }
    }
    if (form != RowForm::Direct) {
        state.row = static_cast<std::uint8_t*>(std::calloc(rowBytes, 1));
        if (!state.row) {
            image.SetLastError("Can't allocate memory");
            return false;
        }
    }

    // Rows come from the top; later interlace passes add to what the earlier
    // ones stored, so a converted row is put back together before each read.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) {
            if (image.info.escape) {
                image.SetLastError("Cancelled");
                return false;
            }
            const png_uint_32 dibRow = height - 1 - y;
            std::uint8_t* pixels = image.GetBits(dibRow);
            std::uint8_t* alpha = image.alpha ? image.alpha + std::size_t(dibRow) * width : nullptr;
            switch (form) {
            case RowForm::Direct:
                png_read_row(png, pixels, nullptr);
                break;
            case RowForm::Widen2:
                if (pass > 0)
                    Narrow4To2(pixels, state.row, width);
                png_read_row(png, state.row, nullptr);
                Widen2To4(state.row, pixels, width);
                break;
            case RowForm::Bgra:
                if (pass > 0)
                    MergeBgra(pixels, alpha, state.row, width);
                png_read_row(png, state.row, nullptr);
                SplitBgra(state.row, pixels, alpha, width);
                break;
            }
        }
    return true;
}

// ---- Encoding ----

unsigned IndexAt(const std::uint8_t* row, std::uint32_t x, unsigned bpp)
{
    switch (bpp) {
    case 8:
        return row[x];
    case 4:
        return (x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
    default:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    }
}

// Exchanges palette entries 0 and index together with every pixel using
// them, so that a one-entry transparency chunk can name the transparent
// colour. The pixels and palette are shared with the caller's image, whose
// transparent index therefore becomes 0 as well.
void MoveTransparentToFront(PxImage& image, unsigned index)
{
    RGBQUAD* palette = image.GetPalette();
    std::swap(palette[0], palette[index]);
    // Only the bits of real pixels change; row padding stays as it was.
    const std::uint32_t width = image.GetWidth();
    auto exchange = [index](unsigned v) { return v == 0 ? index : v == index ? 0 : v; };
    for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
        std::uint8_t* row = image.GetBits(y);
        switch (image.GetBpp()) {
        case 8:
            for (std::uint32_t x = 0; x < width; ++x)
                row[x] = std::uint8_t(exchange(row[x]));
            break;
        case 4:
            for (std::uint32_t x = 0; x < width; ++x) {
                const int shift = (x & 1) ? 0 : 4;
                const unsigned v = exchange((row[x / 2] >> shift) & 0x0F);
                row[x / 2] = std::uint8_t((row[x / 2] & ~(0x0F << shift)) | v << shift);
            }
            break;
        default:  // 1 bpp: the index is 1, so every pixel bit flips
            for (std::uint32_t x = 0; x < width; x += 8)
                row[x / 8] ^= std::uint8_t(0xFF << (width - x < 8 ? 8 - (width - x) : 0));
            break;
        }
    }
    for (PxImage* owner : {&image, image.info.ghostOwner})
        if (owner) {
            owner->info.transIndex = 0;
            owner->info.nearestValid = false;
        }
}

// Entries the palette chunk needs: all of them, or for small pictures with
// more than two colours only up to the highest index in use.
std::uint32_t PaletteEntriesUsed(const PxImage& image)
{
    const std::uint32_t entries = image.GetNumColors();
    const std::uint64_t pixels = std::uint64_t(image.GetWidth()) * image.GetHeight();
    if (entries <= 2 || pixels >= 65536)
        return entries;
    unsigned highest = 0;
    for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
        const std::uint8_t* row = image.GetBits(y);
        for (std::uint32_t x = 0; x < image.GetWidth(); ++x)
            highest = std::max(highest, IndexAt(row, x, image.GetBpp()));
    }
    return highest + 1;
}

// The entry nearest to white among those written, for the background chunk.
png_byte NearestWhite(const RGBQUAD* palette, std::uint32_t entries)
{
    png_byte best = 0;
    int bestDistance = 1 << 30;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const int r = 255 - palette[i].rgbRed, g = 255 - palette[i].rgbGreen, b = 255 - palette[i].rgbBlue;
        if (r * r + g * g + b * b < bestDistance) {
            bestDistance = r * r + g * g + b * b;
            best = png_byte(i);
        }
    }
    return best;
}

void WritePaletteChunks(PxImage& image, png_structp png, png_infop info)
{
    const std::int32_t transIndex = image.info.transIndex;
    if (transIndex > 0 && std::uint32_t(transIndex) < image.GetNumColors())
        MoveTransparentToFront(image, unsigned(transIndex));
    const bool transparent = image.info.transIndex == 0;
    const RGBQUAD* palette = image.GetPalette();
    const std::uint32_t entries = PaletteEntriesUsed(image);
    png_color colors[256];
    png_byte alphas[256];
    for (std::uint32_t i = 0; i < entries; ++i) {
        colors[i] = {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue};
        alphas[i] = palette[i].rgbReserved;
    }
    png_set_PLTE(png, info, colors, int(entries));
    if (image.info.alphaPaletteEnabled) {
        if (transparent)
            alphas[0] = 0;
        png_set_tRNS(png, info, alphas, int(entries), nullptr);
    } else if (transparent) {
        alphas[0] = 0;
        png_set_tRNS(png, info, alphas, 1, nullptr);
    }
    png_color_16 background{};
    background.index = transparent ? 0 : NearestWhite(palette, entries);
    png_set_bKGD(png, info, &background);
}

// One RGBA row from the top of the picture: alpha from the alpha plane, else
// 0 for the transparent colour of a 24-bit image, each scaled by alphaMax.
void BuildRgbaRow(const PxImage& image, std::uint32_t dibRow, std::uint8_t* out)
{
    const std::uint32_t width = image.GetWidth();
    const std::uint8_t* pixels = image.GetBits(dibRow);
    const std::uint8_t* alpha = image.alpha ? image.alpha + std::size_t(dibRow) * width : nullptr;
    const RGBQUAD* palette = image.GetPalette();
    const unsigned alphaMax = image.info.alphaMax;
    const bool keyed = !alpha && image.info.transIndex >= 0;
    const RGBQUAD key = image.info.transColor;
    for (std::uint32_t x = 0; x < width; ++x, out += 4) {
        RGBQUAD c;
        if (palette)
            c = palette[IndexAt(pixels, x, image.GetBpp())];
        else
            c = {pixels[3 * x], pixels[3 * x + 1], pixels[3 * x + 2], 0};
        unsigned a = 255;
        if (alpha)
            a = alpha[x];
        else if (keyed && c.rgbBlue == key.rgbBlue && c.rgbGreen == key.rgbGreen && c.rgbRed == key.rgbRed)
            a = 0;
        out[0] = c.rgbRed;
        out[1] = c.rgbGreen;
        out[2] = c.rgbBlue;
        out[3] = std::uint8_t(a * alphaMax / 255);
    }
}

png_uint_32 PixelsPerMetre(LONG value)
{
    return value > 0 ? png_uint_32(value) : 0;
}

bool RunWrite(PngState& state)
{
    png_structp png = state.png;
    png_infop info = state.info;
    PxImage& image = *state.image;
    if (setjmp(png_jmpbuf(png))) {
        image.SetLastError("Error saving PNG file");
        return false;
    }
    png_set_write_fn(png, state.file, OnWrite, OnFlush);
    const png_uint_32 width = image.GetWidth(), height = image.GetHeight();
    // An indexed picture with an alpha plane is written as RGBA so that the
    // plane is kept; a 24-bit one with a transparent colour, so that the
    // colour stays transparent.
    const bool rgba = image.alpha || (!image.IsIndexed() && image.info.transIndex >= 0);
    const int interlace = image.info.codecOptions[FormatPng] == 1 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;
    if (image.IsIndexed() && !rgba) {
        png_set_IHDR(png, info, width, height, image.GetBpp(), PNG_COLOR_TYPE_PALETTE, interlace,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        WritePaletteChunks(image, png, info);
    } else {
        png_set_IHDR(png, info, width, height, 8, rgba ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, interlace,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        const RGBQUAD c = image.info.transIndex != -1 ? image.GetTransColor() : RGBQUAD{255, 255, 255, 0};
        png_color_16 background{};
        background.red = c.rgbRed;
        background.green = c.rgbGreen;
        background.blue = c.rgbBlue;
        png_set_bKGD(png, info, &background);
    }
    png_set_pHYs(png, info, PixelsPerMetre(image.header.biXPelsPerMeter), PixelsPerMetre(image.header.biYPelsPerMeter),
                 PNG_RESOLUTION_METER);
    png_write_info(png, info);

    if (rgba) {
        state.row = static_cast<std::uint8_t*>(std::calloc(width, 4));
        if (!state.row)
            png_error(png, "Can't allocate memory");
    } else if (!image.IsIndexed()) {
        png_set_bgr(png);
    }
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) {
            const png_uint_32 dibRow = height - 1 - y;
            if (rgba) {
                BuildRgbaRow(image, dibRow, state.row);
                png_write_row(png, state.row);
            } else {
                png_write_row(png, image.GetBits(dibRow));
            }
        }
    png_write_end(png, info);
    // The library never flushes by itself; a buffered stream reports a full
    // disk only here.
    OnFlush(png);
    if (state.file->Error())
        png_error(png, "Write Error");
    return true;
}

enum class Direction { Read, Write };

// Creates the library objects, runs the work, and releases everything on
// every path.
bool RunPng(PngState& state, Direction direction, std::int64_t streamBytes)
{
    PxImage& image = *state.image;
    const bool reading = direction == Direction::Read;
    state.png = reading ? png_create_read_struct(PNG_LIBPNG_VER_STRING, &image, OnError, OnWarning)
                        : png_create_write_struct(PNG_LIBPNG_VER_STRING, &image, OnError, OnWarning);
    if (!state.png) {
        image.SetLastError("Failed to create PNG structure");
        return false;
    }
    state.info = png_create_info_struct(state.png);
    bool ok = false;
    if (!state.info)
        image.SetLastError("Failed to initialize PNG info structure");
    else
        ok = reading ? RunRead(state, streamBytes) : RunWrite(state);
    png_infopp info = state.info ? &state.info : nullptr;
    if (reading)
        png_destroy_read_struct(&state.png, info, nullptr);
    else
        png_destroy_write_struct(&state.png, info);
    std::free(state.row);
    return ok;
}

}  // namespace

bool PngCodec::Decode(PxFile* file)
{
    if (!pximage::BeginDecode(*this, file))
        return false;
    PngState state{this, file};
    return RunPng(state, Direction::Read, BytesLeft(*file));
}

bool PngCodec::Encode(PxFile* file)
{
    if (!EncodeCheck(file))
        return false;
    PngState state{this, file};
    return RunPng(state, Direction::Write, -1);
}
