// TIFF codec. libtiff reads and writes through client callbacks on the
// PxFile; its messages never reach stderr. Pictures are decoded with file row
// 0 at the top and column 0 at the left, then turned by the orientation tag
// (the same step for every path, see ApplyOrientation).
#include "image/codecs/PxImageTIF.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "image/ImageSize.h"
#include "image/PxFile.h"
#include "image/codecs/CodecSupport.h"

// What the decoder needs to know about the selected directory.
struct TiffLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t samples = 1;
    std::uint16_t bits = 1;
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    std::uint32_t rowsPerStrip = 0;  // limited to the height
    bool tiled = false;
    std::uint32_t tileWidth = 0;
    std::uint32_t tileLength = 0;
    bool alpha = false;              // an extra sample beyond the colour channels
};

namespace {

// The largest block libtiff may allocate at once. A strip or tile larger than
// this is refused: no sound file of a picture this program handles needs it.
constexpr tmsize_t kMaxLibraryAlloc = tmsize_t(1) << 30;

// The stream libtiff sees: offsets count from where the TIFF data begins.
struct TiffStream {
    PxFile* file = nullptr;
    std::int64_t base = 0;
    std::vector<std::uint8_t> copy;  // the data of a stream that is not a memory block
};

TiffStream& StreamOf(thandle_t handle)
{
    return *static_cast<TiffStream*>(handle);
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size)
{
    return size <= 0 ? 0 : tmsize_t(StreamOf(handle).file->Read(buffer, 1, std::size_t(size)));
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size)
{
    return size <= 0 ? 0 : tmsize_t(StreamOf(handle).file->Write(buffer, 1, std::size_t(size)));
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence)
{
    TiffStream& stream = StreamOf(handle);
    std::int64_t target;
    switch (whence) {
    case SEEK_SET: target = stream.base + std::int64_t(offset); break;
    case SEEK_CUR: target = std::int64_t(stream.file->Tell()) + std::int64_t(offset); break;
    case SEEK_END: target = std::int64_t(stream.file->Size()) + std::int64_t(offset); break;
    default: return toff_t(-1);
    }
    // The stream addresses 31 bits; larger offsets come only from broken files.
    if (offset > toff_t(INT32_MAX) || target < stream.base || target > INT32_MAX)
        return toff_t(-1);
    if (!stream.file->Seek(std::int32_t(target), 0))
        return toff_t(-1);
    return toff_t(target - stream.base);
}

int CloseProc(thandle_t)
{
    return 0;  // the stream belongs to the caller
}

toff_t SizeProc(thandle_t handle)
{
    TiffStream& stream = StreamOf(handle);
    const std::int64_t size = stream.file->Size();
    return size > stream.base ? toff_t(size - stream.base) : 0;
}

// Decoding works on the data as one memory block: a memory stream lends its
// buffer, other streams are read whole. libtiff then takes strips and tiles
// straight from memory; it also needs this for uncompressed tiles of three
// samples, which its RGBA reader (4.5) refuses when it has to read them.
int MapProc(thandle_t handle, void** data, toff_t* size)
{
    TiffStream& stream = StreamOf(handle);
    const std::int64_t total = stream.file->Size();
    if (total <= stream.base)
        return 0;
    const std::size_t bytes = std::size_t(total - stream.base);
    if (auto* memory = dynamic_cast<PxMemFile*>(stream.file); memory && memory->buffer) {
        *data = memory->buffer + stream.base;
        *size = bytes;
        return 1;
    }
    const std::int32_t position = stream.file->Tell();
    try {
        stream.copy.resize(bytes);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const bool read = stream.file->Seek(std::int32_t(stream.base), 0) &&
                      stream.file->Read(stream.copy.data(), 1, bytes) == bytes;
    stream.file->Seek(position, 0);
    if (!read) {
        stream.copy.clear();
        return 0;
    }
    *data = stream.copy.data();
    *size = bytes;
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// The decoder reports with its own fixed texts; the library's messages are
// swallowed (1 = handled, so the process-wide handlers are not called).
int QuietProc(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

TiffPtr OpenTiff(TiffStream& stream, const char* mode)
{
    // Messages raised before a handle exists go to the process-wide handlers,
    // which print to stderr by default.
    static std::once_flag silenced;
    std::call_once(silenced, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibraryAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(options, QuietProc, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, QuietProc, nullptr);
    TIFF* tif = TIFFClientOpenExt("TIFF IMAGE", mode, &stream, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                  MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    return TiffPtr(tif);
}

// A resolution tag in dots per inch; broken values (negative, NaN, huge) give 0.
std::int32_t DotsPerInch(float value, std::uint16_t unit)
{
    const double dpi = unit == RESUNIT_CENTIMETER ? value * 2.54 + 0.5 : value;
    return dpi > 0 && dpi < 1e7 ? std::int32_t(dpi) : 0;
}

std::int32_t PositionTag(TIFF* tif, ttag_t tag)
{
    float value = 0;
    if (!TIFFGetField(tif, tag, &value) || !(std::fabs(value) < 1e9f))
        return 0;
    return std::int32_t(value);
}

void ReadLayout(TIFF* tif, TiffLayout& layout)
{
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &layout.rowsPerStrip);
    layout.rowsPerStrip = std::clamp<std::uint32_t>(layout.rowsPerStrip, 1, std::max<std::uint32_t>(layout.height, 1));
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &layout.photometric))
        layout.photometric = layout.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &layout.orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &layout.compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
    layout.tiled = TIFFIsTiled(tif);
    if (layout.tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &layout.tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &layout.tileLength);
    }
    std::uint16_t colours;
    switch (layout.photometric) {
    case PHOTOMETRIC_RGB:
    case PHOTOMETRIC_YCBCR:
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_LOGLUV: colours = 3; break;
    case PHOTOMETRIC_SEPARATED: colours = 4; break;
    default: colours = 1; break;
    }
    layout.alpha = layout.samples > colours;
}

// Photometric interpretations whose colours the library's RGBA reader makes.
bool NeedsRgbaReader(const TiffLayout& layout)
{
    switch (layout.photometric) {
    case PHOTOMETRIC_RGB:
    case PHOTOMETRIC_SEPARATED:
    case PHOTOMETRIC_YCBCR:
    case PHOTOMETRIC_LOGL:
    case PHOTOMETRIC_LOGLUV: return true;
    default: return false;
    }
}

// Layouts the sample path understands: unsigned samples of 1 to 16 bits,
// interleaved; one sample (grey, palette) or two (with alpha), three or four
// for CIELab; palette indices of at most 8 bits.
bool SamplePathSupports(const TiffLayout& layout)
{
    if (layout.bits == 0 || layout.bits > 16 || layout.sampleFormat != SAMPLEFORMAT_UINT)
        return false;
    if (layout.samples > 1 && layout.planar != PLANARCONFIG_CONTIG)
        return false;
    if (layout.photometric == PHOTOMETRIC_PALETTE && layout.bits > 8)
        return false;
    if (layout.photometric == PHOTOMETRIC_CIELAB)
        return layout.samples == 3 || layout.samples == 4;
    return layout.samples == 1 || layout.samples == 2;
}

std::uint32_t SamplePathDepth(const TiffLayout& layout)
{
    if (layout.photometric == PHOTOMETRIC_CIELAB)
        return 24;
    if (layout.samples == 1 && (layout.bits == 1 || layout.bits == 4))
        return layout.bits;
    return 8;
}

// Bytes of pixel data an uncompressed picture holds at least (libtiff knows
// the row sizes, subsampled YCbCr included).
std::uint64_t UncompressedBytes(TIFF* tif, const TiffLayout& layout)
{
    const std::uint64_t planes = layout.planar == PLANARCONFIG_SEPARATE ? layout.samples : 1;
    return std::uint64_t(TIFFVStripSize64(tif, layout.height)) * planes;
}

// The most bytes of samples one byte of compressed data can stand for, or 0
// where the compression sets no useful bound. PackBits repeats a byte at
// most 128 times for two; deflate codes 258 bytes in two bits; an LZW code
// of 9 to 12 bits emits at most the 4,096 bytes of its longest string; a
// JPEG Huffman scan spends a bit on every 8x8 block of every component.
std::uint64_t MaxExpansion(std::uint16_t compression)
{
    switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE: return 1032;
    case COMPRESSION_LZW: return 4096 * 8 / 9;
    case COMPRESSION_JPEG: return 64 * 8;
    default: return 0;
    }
}

// Samples of 1 to 16 bits (most significant bits first, 16-bit samples in
// native order as libtiff hands them over) to bytes: depths above 8 keep
// their high byte, smaller ones their value.
void UnpackSamples(const std::uint8_t* raw, std::size_t count, std::uint16_t bits, std::uint8_t* out)
{
    if (bits == 8) {
        std::memcpy(out, raw, count);
    } else if (bits == 16) {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint16_t v;
            std::memcpy(&v, raw + 2 * i, 2);
            out[i] = std::uint8_t(v >> 8);
        }
    } else {
        std::uint64_t bitPos = 0;
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t v = 0;
            for (std::uint16_t b = 0; b < bits; ++b, ++bitPos)
                v = (v << 1) | ((raw[bitPos >> 3] >> (7 - (bitPos & 7))) & 1u);
            out[i] = std::uint8_t(bits > 8 ? v >> (bits - 8) : v);
        }
    }
}

// CIELab (L unsigned, a and b signed bytes) to sRGB bytes: D65 white point,
// the sRGB matrix and transfer curve.
void LabToBgr(std::uint8_t l, std::int8_t a, std::int8_t b, std::uint8_t* bgr)
{
    const double fy = (l * 0.3921568627450981 + 16.0) * 0.008620689655172414;
    const double fx = fy + a * 0.002;
    const double fz = fy - b * 0.005;
    const double x = fx * fx * fx * 0.95047;
    const double y = fy * fy * fy;
    const double z = fz * fz * fz * 1.0883;
    const double linear[3] = {
        0.055648 * x - 0.204043 * y + 1.057311 * z,   // blue
        -0.969256 * x + 1.875992 * y + 0.041556 * z,  // green
        3.240479 * x - 1.53715 * y - 0.498535 * z,    // red
    };
    for (int i = 0; i < 3; ++i) {
        const double v = linear[i];
        const double encoded = v > 0.00304 ? 1.055 * std::pow(v, 0.41667) - 0.055 : 12.92 * v;
        bgr[i] = std::uint8_t(std::clamp(encoded * 255.0, 0.0, 255.0));
    }
}

// Zero-filled blocks from calloc: large ones are mapped lazily, so a header
// that declares a huge picture costs nothing until data actually arrives.
struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};
template <typename T>
using Block = std::unique_ptr<T[], FreeDeleter>;

template <typename T>
Block<T> ZeroedBlock(std::uint64_t count)
{
    if (count == 0 || count > std::uint64_t(kMaxLibraryAlloc) / sizeof(T))
        return nullptr;
    return Block<T>(static_cast<T*>(std::calloc(std::size_t(count), sizeof(T))));
}

// Delivers the picture's raw rows in file order (interleaved samples): strips
// a scanline at a time, tiles a row of tiles at a time put side by side.
class RowSource {
public:
    RowSource(TIFF* tif, const TiffLayout& layout) : m_tif(tif), m_layout(layout) {}

    // Empty text on success, else the reason.
    const char* Init()
    {
        m_rowBytes = std::uint64_t(TIFFScanlineSize64(m_tif));
        if (m_layout.tiled) {
            // Tiles are placed at whole bytes; a tile width that splits a byte is not.
            const std::uint64_t bitsPerPixel = std::uint64_t(m_layout.samples) * m_layout.bits;
            m_bandRows = m_layout.tileLength;
            if (m_layout.tileWidth == 0 || m_bandRows == 0 || m_layout.tileWidth * bitsPerPixel % 8 != 0)
                return "Corrupted tiled TIFF file!";
            m_tileRowBytes = std::uint64_t(TIFFTileRowSize64(m_tif));
            const std::uint64_t tileBytes = std::uint64_t(TIFFTileSize64(m_tif));
            if (tileBytes < m_tileRowBytes * m_bandRows || !(m_tile = ZeroedBlock<std::uint8_t>(tileBytes)))
                return "PxImageTIF can't allocate memory";
        }
        if (m_rowBytes == 0 || !(m_band = ZeroedBlock<std::uint8_t>(m_rowBytes * m_bandRows)))
            return "PxImageTIF can't allocate memory";
        return "";
    }

    // The raw bytes of file row r, or null when the data cannot be read;
    // rows must be asked for in order, from 0.
    const std::uint8_t* Row(std::uint32_t r)
    {
        if (!m_layout.tiled)
            return TIFFReadScanline(m_tif, m_band.get(), r, 0) < 0 ? nullptr : m_band.get();
        const std::uint32_t band = r / m_bandRows;
        if (band != m_loadedBand) {
            if (!LoadTileBand(band))
                return nullptr;
            m_loadedBand = band;
        }
        return m_band.get() + std::size_t(r % m_bandRows) * m_rowBytes;
    }

    const char* ReadError() const { return m_layout.tiled ? "Corrupted tiled TIFF file!" : "Corrupted TIFF file!"; }

private:
    bool LoadTileBand(std::uint32_t band)
    {
        const std::uint32_t y = band * m_bandRows;
        const std::uint32_t rows = std::min(m_bandRows, m_layout.height - y);
        const std::uint64_t bitsPerPixel = std::uint64_t(m_layout.samples) * m_layout.bits;
        for (std::uint32_t x = 0; x < m_layout.width; x += m_layout.tileWidth) {
            if (TIFFReadTile(m_tif, m_tile.get(), x, y, 0, 0) < 0)
                return false;
            const std::uint64_t offset = x * bitsPerPixel / 8;
            const std::uint64_t bytes = std::min<std::uint64_t>(m_tileRowBytes, m_rowBytes - offset);
            for (std::uint32_t row = 0; row < rows; ++row)
                std::memcpy(m_band.get() + row * m_rowBytes + offset, m_tile.get() + row * m_tileRowBytes,
                            std::size_t(bytes));
        }
        return true;
    }

    TIFF* m_tif;
    const TiffLayout& m_layout;
    std::uint64_t m_rowBytes = 0;
    std::uint32_t m_bandRows = 1;
    std::uint64_t m_tileRowBytes = 0;
    std::uint32_t m_loadedBand = UINT32_MAX;
    Block<std::uint8_t> m_band;
    Block<std::uint8_t> m_tile;
};

struct RgbaImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

}  // namespace

bool PxImageTIF::Decode(PxFile* file)
{
    if (!file) {
        SetLastError("Error encountered while opening TIFF file");
        return false;
    }
    TiffStream stream;
    stream.file = file;
    stream.base = file->Tell();
    TiffPtr tif = OpenTiff(stream, "r");
    if (!tif) {
        SetLastError("Error encountered while opening TIFF file");
        return false;
    }
    info.numFrames = std::int32_t(std::min<tdir_t>(TIFFNumberOfDirectories(tif.get()), INT32_MAX));
    if (info.frame < 0 || info.frame >= info.numFrames || !TIFFSetDirectory(tif.get(), tdir_t(info.frame))) {
        SetLastError("Error: page not present in TIFF file");
        return false;
    }

    TiffLayout layout;
    ReadLayout(tif.get(), layout);
    if (layout.width > INT32_MAX || layout.height > INT32_MAX) {
        SetLastError("PxImageTIF can't create image");
        return false;
    }
    if (info.escape == -1) {
        header.biWidth = LONG(layout.width);
        header.biHeight = LONG(layout.height);
        SetLastError("output dimensions returned");
        return true;
    }

    float xResolution = 0, yResolution = 0;
    std::uint16_t unit = RESUNIT_INCH;
    TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &xResolution);
    TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &yResolution);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
    SetXDPI(DotsPerInch(xResolution, unit));
    SetYDPI(DotsPerInch(yResolution, unit));
    info.xOffset = PositionTag(tif.get(), TIFFTAG_XPOSITION);
    info.yOffset = PositionTag(tif.get(), TIFFTAG_YPOSITION);
    std::uint32_t profileBytes = 0;
    void* profile = nullptr;
    if (TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &profileBytes, &profile))
        info.colourSpace = pximage::NewColourSpace(static_cast<const std::uint8_t*>(profile), profileBytes);

    const bool rgba = NeedsRgbaReader(layout);
    if (!rgba && !SamplePathSupports(layout)) {
        SetLastError("Unsupported TIFF sample layout");
        return false;
    }
    if (info.escape) {
        SetLastError("Cancelled");
        return false;
    }
    if (!pximage::WithinDecodePixelLimit(layout.width, layout.height)) {
        SetLastError(pximage::TooManyPixelsReason(layout.width, layout.height).c_str());
        return false;
    }
    const std::uint32_t depth = rgba ? 24 : SamplePathDepth(layout);
    if (pximage::ComputeDibLayout(layout.width, layout.height, depth).check != pximage::SizeCheck::Ok) {
        SetLastError("PxImageTIF can't create image");
        return false;
    }
    // A small file cannot hold a large picture: refuse before allocating.
    // The samples are bounded by what the compression can expand the whole
    // file to (JPEG counts each sample byte as a component of its own).
    const std::uint64_t fileBytes = SizeProc(&stream);
    const std::uint64_t expansion = MaxExpansion(layout.compression);
    const std::uint64_t sampleBytes = UncompressedBytes(tif.get(), layout);
    if (expansion != 0 && sampleBytes > expansion * fileBytes) {
        SetLastError(pximage::CutShortReason("TIFF", std::int64_t(fileBytes), layout.width, layout.height).c_str());
        return false;
    }
    // The picture, its alpha plane and what libtiff decodes into (a strip or
    // tile at a time, with a 32-bit raster of one band on the RGBA path)
    // count against the decoder's memory.
    const std::uint64_t band =
        std::clamp<std::uint64_t>(layout.tiled ? layout.tileLength : layout.rowsPerStrip, 1, layout.height);
    const std::uint64_t working =
        std::uint64_t(pximage::ComputeDibLayout(layout.width, layout.height, depth).totalBytes) +
        (layout.alpha ? std::uint64_t(layout.width) * layout.height : 0) +
        (rgba ? 4 * std::uint64_t(layout.width) * band : 0) +
        std::uint64_t(layout.tiled ? TIFFTileSize64(tif.get()) : TIFFStripSize64(tif.get()));
    if (working > pximage::DecodeMemoryLimit()) {
        SetLastError(pximage::TooMuchMemoryReason("TIFF", layout.width, layout.height).c_str());
        return false;
    }
    if (!Create(layout.width, layout.height, depth, FormatTif)) {
        SetLastError("PxImageTIF can't create image");
        return false;
    }
    if (layout.alpha) {
        AlphaCreate();
        if (!alpha) {
            SetLastError("PxImageTIF can't create image");
            return false;
        }
    }
    info.codecOptions[FormatTif] = layout.compression;

    if (!(rgba ? DecodeRgba(tif.get(), layout) : DecodeSamples(tif.get(), layout)))
        return false;
    if (!ApplyOrientation(layout.orientation)) {
        SetLastError("PxImageTIF can't allocate memory");
        return false;
    }
    return true;
}

bool PxImageTIF::DecodeRgba(TIFF* tif, const TiffLayout& layout)
{
    // The RGBA reader multiplies unassociated alpha into the colours. Declared
    // associated, the stored colours pass through unchanged, which is what a
    // separate alpha plane wants; truly associated colours are divided back below.
    bool premultiplied = false;
    std::uint16_t extraCount = 0;
    const std::uint16_t* extraTypes = nullptr;
    if (layout.alpha && TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0) {
        std::vector<std::uint16_t> types(extraTypes, extraTypes + extraCount);
        premultiplied = types[0] == EXTRASAMPLE_ASSOCALPHA;
        types[0] = EXTRASAMPLE_ASSOCALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, extraCount, types.data());
    }

    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) {
        SetLastError(message);
        return false;
    }
    TIFFRGBAImage image{};
    if (!TIFFRGBAImageBegin(&image, tif, 1, message)) {
        SetLastError(message);
        return false;
    }
    std::unique_ptr<TIFFRGBAImage, RgbaImageEnd> end(&image);
    // File order, no flips: the orientation step after decoding turns the picture.
    image.req_orientation = ORIENTATION_TOPLEFT;
    image.orientation = ORIENTATION_TOPLEFT;

    // Band by band, one strip or row of tiles each, so that each is decoded once.
    const std::uint32_t width = layout.width, height = layout.height;
    const std::uint32_t band = std::clamp<std::uint32_t>(layout.tiled ? layout.tileLength : layout.rowsPerStrip, 1, height);
    const Block<std::uint32_t> raster = ZeroedBlock<std::uint32_t>(std::uint64_t(width) * band);
    if (!raster) {
        SetLastError("No space for raster buffer");
        return false;
    }
    for (std::uint32_t top = 0; top < height; top += band) {
        const std::uint32_t rows = std::min(band, height - top);
        image.row_offset = int(top);
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(&image, raster.get(), width, rows)) {
            SetLastError("Corrupted TIFF file!");
            return false;
        }
        for (std::uint32_t j = 0; j < rows; ++j) {
            const std::uint32_t dibRow = height - 1 - (top + j);
            const std::uint32_t* in = raster.get() + std::size_t(j) * width;
            std::uint8_t* out = GetBits(dibRow);
            std::uint8_t* outAlpha = alpha ? alpha + std::size_t(dibRow) * width : nullptr;
            for (std::uint32_t x = 0; x < width; ++x, out += 3) {
                std::uint32_t r = TIFFGetR(in[x]), g = TIFFGetG(in[x]), b = TIFFGetB(in[x]);
                const std::uint32_t a = TIFFGetA(in[x]);
                if (premultiplied && a != 0 && a != 255) {
                    r = std::min(255u, (r * 255 + a / 2) / a);
                    g = std::min(255u, (g * 255 + a / 2) / a);
                    b = std::min(255u, (b * 255 + a / 2) / a);
                }
                out[0] = std::uint8_t(b);
                out[1] = std::uint8_t(g);
                out[2] = std::uint8_t(r);
                if (outAlpha)
                    outAlpha[x] = std::uint8_t(a);
            }
        }
    }
    return true;
}

void PxImageTIF::SetSamplePalette(TIFF* tif, const TiffLayout& layout)
{
    if (!IsIndexed())
        return;
    RGBQUAD palette[256] = {};
    const std::uint32_t entries = 1u << std::min<std::uint16_t>(layout.bits, 8);
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (layout.photometric == PHOTOMETRIC_PALETTE && TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) {
        // Colour maps hold 16-bit values; some writers store 8-bit ones instead.
        bool wide = false;
        for (std::uint32_t i = 0; i < entries; ++i)
            wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
        for (std::uint32_t i = 0; i < entries; ++i)
            palette[i] = wide ? RGBQUAD{std::uint8_t(blue[i] / 257), std::uint8_t(green[i] / 257),
                                        std::uint8_t(red[i] / 257), 0}
                              : RGBQUAD{std::uint8_t(blue[i]), std::uint8_t(green[i]), std::uint8_t(red[i]), 0};
    } else {
        const bool inverted = layout.photometric == PHOTOMETRIC_MINISWHITE;
        const std::uint32_t step = 255 / (entries - 1);
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::uint8_t grey = std::uint8_t(inverted ? 255 - i * step : i * step);
            palette[i] = RGBQUAD{grey, grey, grey, 0};
        }
    }
    SetPalette(palette, 256);
}

bool PxImageTIF::DecodeSamples(TIFF* tif, const TiffLayout& layout)
{
    SetSamplePalette(tif, layout);
    RowSource source(tif, layout);
    if (const char* failure = source.Init(); *failure) {
        SetLastError(failure);
        return false;
    }
    const std::uint32_t width = layout.width, height = layout.height;
    const std::size_t sampleCount = std::size_t(width) * layout.samples;
    const Block<std::uint8_t> samples = ZeroedBlock<std::uint8_t>(sampleCount);
    if (!samples) {
        SetLastError("PxImageTIF can't allocate memory");
        return false;
    }
    const bool packed = GetBpp() < 8;
    const bool lab = layout.photometric == PHOTOMETRIC_CIELAB;
    for (std::uint32_t r = 0; r < height; ++r) {
        const std::uint8_t* raw = source.Row(r);
        if (!raw) {
            SetLastError(source.ReadError());
            return false;
        }
        const std::uint32_t dibRow = height - 1 - r;
        std::uint8_t* out = GetBits(dibRow);
        std::uint8_t* outAlpha = alpha ? alpha + std::size_t(dibRow) * width : nullptr;
        if (packed) {
            // 1- and 4-bit rows already have the DIB's bit order.
            std::memcpy(out, raw, std::min<std::size_t>(info.rowStride, (std::size_t(width) * layout.bits + 7) / 8));
        } else if (layout.samples == 1) {
            UnpackSamples(raw, width, layout.bits, out);
        } else {
            UnpackSamples(raw, sampleCount, layout.bits, samples.get());
            const std::uint8_t* s = samples.get();
            for (std::uint32_t x = 0; x < width; ++x, s += layout.samples) {
                if (lab)
                    LabToBgr(s[0], std::int8_t(s[1]), std::int8_t(s[2]), out + 3 * x);
                else
                    out[x] = s[0];
                if (outAlpha)
                    outAlpha[x] = s[layout.samples - 1];
            }
        }
    }
    return true;
}

// TIFF orientation: where file row 0 and column 0 lie in the picture as it is
// meant to be seen. Values 5 to 8 swap rows and columns; 6 (row 0 on the right,
// column 0 at the top) is a clockwise quarter turn and 8 (row 0 on the left,
// column 0 at the bottom) a counter-clockwise one, the same turns that 5 and 7
// combine with a mirror.
bool PxImageTIF::ApplyOrientation(std::uint16_t orientation)
{
    switch (orientation) {
    case ORIENTATION_TOPRIGHT: return Mirror();
    case ORIENTATION_BOTRIGHT: return Flip() && Mirror();
    case ORIENTATION_BOTLEFT: return Flip();
    case ORIENTATION_LEFTTOP: return RotateRight() && Mirror();
    case ORIENTATION_RIGHTTOP: return RotateRight();
    case ORIENTATION_RIGHTBOT: return RotateLeft() && Mirror();
    case ORIENTATION_LEFTBOT: return RotateLeft();
    default: return true;
    }
}

bool PxImageTIF::Encode(PxFile* file)
{
    if (!EncodeCheck(file))
        return false;
    TiffStream stream;
    stream.file = file;
    stream.base = file->Tell();
    TiffPtr tif = OpenTiff(stream, "w");
    if (!tif) {
        SetLastError("initialization fail");
        return false;
    }
    TIFF* t = tif.get();
    const std::uint32_t width = GetWidth(), height = GetHeight();
    const bool indexed = IsIndexed();
    const std::uint16_t samples = indexed ? 1 : alpha ? 4 : 3;
    // The option word may ask for another lossless compression; LZW otherwise.
    std::uint16_t compression = COMPRESSION_LZW;
    switch (info.codecOptions[FormatTif]) {
    case COMPRESSION_NONE:
    case COMPRESSION_PACKBITS:
    case COMPRESSION_ADOBE_DEFLATE: compression = std::uint16_t(info.codecOptions[FormatTif]); break;
    default: break;
    }
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, indexed ? GetBpp() : 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, indexed ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, float(info.xDpi));
    TIFFSetField(t, TIFFTAG_YRESOLUTION, float(info.yDpi));
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (info.xOffset || info.yOffset) {
        TIFFSetField(t, TIFFTAG_XPOSITION, float(info.xOffset));
        TIFFSetField(t, TIFFTAG_YPOSITION, float(info.yOffset));
    }
    if (alpha && !indexed) {
        const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (indexed) {
        std::vector<std::uint16_t> map(3 * std::size_t(GetNumColors()));
        std::uint16_t* red = map.data();
        std::uint16_t* green = red + GetNumColors();
        std::uint16_t* blue = green + GetNumColors();
        const RGBQUAD* palette = GetPalette();
        for (std::uint32_t i = 0; i < GetNumColors(); ++i) {
            red[i] = std::uint16_t(palette[i].rgbRed * 257);
            green[i] = std::uint16_t(palette[i].rgbGreen * 257);
            blue[i] = std::uint16_t(palette[i].rgbBlue * 257);
        }
        TIFFSetField(t, TIFFTAG_COLORMAP, red, green, blue);
    }
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));

    const std::size_t rowBytes = indexed ? (std::size_t(width) * GetBpp() + 7) / 8 : std::size_t(width) * samples;
    std::vector<std::uint8_t> row(rowBytes);
    for (std::uint32_t r = 0; r < height; ++r) {
        const std::uint32_t dibRow = height - 1 - r;
        const std::uint8_t* in = GetBits(dibRow);
        if (indexed) {
            std::memcpy(row.data(), in, rowBytes);
        } else {
            const std::uint8_t* inAlpha = alpha ? alpha + std::size_t(dibRow) * width : nullptr;
            std::uint8_t* out = row.data();
            for (std::uint32_t x = 0; x < width; ++x, in += 3, out += samples) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                if (inAlpha)
                    out[3] = std::uint8_t(inAlpha[x] * info.alphaMax / 255);
            }
        }
        if (TIFFWriteScanline(t, row.data(), r, 0) < 0) {
            SetLastError("Error saving TIFF file");
            return false;
        }
    }
    if (!TIFFWriteDirectory(t)) {
        SetLastError("Error saving TIFF directory");
        return false;
    }
    return true;
}
