// JPEG 2000 family codec. OpenJPEG decodes JP2 and J2K after the header has
// been checked here (OpenJPEG allocates whatever a header declares); PNM,
// PGX and Sun raster are small enough to own and have files of their own.
#include "image/codecs/Jpeg2000Codec.h"

#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "image/ByteOrder.h"
#include "image/ImageSize.h"
#include "image/PxFile.h"
#include "image/codecs/CodecSupport.h"
#include "image/codecs/Jpeg2000Family.h"
#include "image/codecs/PgxFormat.h"
#include "image/codecs/PnmFormat.h"
#include "image/codecs/SunRasterFormat.h"

namespace {

using pximage::CheckSingleFrame;
using pximage::kCreateError;
using pximage::kLoadError;
using pximage::LoadBE16;
using pximage::LoadBE32;
using pximage::ReadExact;
using pximage::SampleToByte;

constexpr const char* kBufferError = "error: cannot allocate memory";

constexpr std::uint32_t kMaxComponents = 64;
// A tile-part cut short by the end of the file is decoded padded with
// zeros to its declared length. Up to 64 MiB any tile-part may be cut; a
// longer one must have at least 1 byte left for every 256 it claims, as an
// honest file cut off part-way has.
constexpr std::uint64_t kFreeTilePartBytes = std::uint64_t(64) << 20;
constexpr std::uint64_t kTilePartBytesPerByteLeft = 256;
// OpenJPEG keeps coding state for every tile from the start: about 5 KiB
// per tile (its progression orders) and 1 KiB per tile and component (its
// quantisation steps). An 81-byte header declaring 58,000 tiles costs 300 MB.
constexpr std::uint64_t kMaxTileComponents = std::uint64_t(1) << 16;
constexpr std::uint64_t kCodingBytesPerTile = 5 << 10;
constexpr std::uint64_t kCodingBytesPerTileComponent = 1 << 10;

enum class Flavour { Jp2, J2k, Pgx, Pnm, Ras, Unknown };

Flavour Detect(const std::uint8_t* b, std::size_t n)
{
    static const std::uint8_t jp2Signature[12] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    if (n >= 12 && std::memcmp(b, jp2Signature, 12) == 0)
        return Flavour::Jp2;
    if (n >= 4 && b[0] == 0xFF && b[1] == 0x4F && b[2] == 0xFF && b[3] == 0x51)
        return Flavour::J2k;
    if (n >= 4 && LoadBE32(b) == 0x59A66A95)
        return Flavour::Ras;
    if (n >= 2 && b[0] == 'P' && b[1] == 'G')
        return Flavour::Pgx;
    if (n >= 2 && b[0] == 'P' && b[1] >= '1' && b[1] <= '6')
        return Flavour::Pnm;
    return Flavour::Unknown;
}

// ---------------------------------------------------------------------------
// JP2 and J2K header checks

struct CodestreamHeader {
    std::uint32_t components = 0;
    std::uint64_t tiles = 0;
    std::uint64_t samples = 0;        // decoded samples of all components
    std::uint64_t largestSamples = 0; // of the largest component
    std::uint64_t width = 0;          // of the largest component
    std::uint64_t height = 0;
};

// The palette box of a JP2 header adds channels at decoding time. Walks the
// top-level boxes to the codestream; returns its offset, or -1 when the box
// structure is broken.
std::int64_t FindCodestream(PxFile& file, std::int64_t base, std::uint32_t& paletteChannels)
{
    const std::int64_t end = file.Size();
    std::int64_t at = base;
    bool inHeader = false;
    std::int64_t headerEnd = 0;
    while (at + 8 <= end) {
        std::uint8_t box[16];
        if (!file.Seek(std::int32_t(at), 0) || !ReadExact(file, box, 8))
            return -1;
        std::uint64_t length = LoadBE32(box);
        const std::uint32_t type = LoadBE32(box + 4);
        std::int64_t headerBytes = 8;
        if (length == 1) {
            if (!ReadExact(file, box + 8, 8))
                return -1;
            length = (std::uint64_t(LoadBE32(box + 8)) << 32) | LoadBE32(box + 12);
            headerBytes = 16;
        } else if (length == 0) {
            length = std::uint64_t(end - at);
        }
        // The codestream may run past the end: a truncated file decodes as far as it goes.
        if (type == 0x6A703263)  // 'jp2c'
            return at + headerBytes;
        if (length < std::uint64_t(headerBytes) || length > std::uint64_t(end - at))
            return -1;
        if (type == 0x6A703268) {  // 'jp2h': a super box, walk into it
            inHeader = true;
            headerEnd = at + std::int64_t(length);
            at += headerBytes;
            continue;
        }
        if (inHeader && type == 0x70636C72) {  // 'pclr': entries (2 bytes), channels (1 byte)
            std::uint8_t pclr[3];
            if (length < std::uint64_t(headerBytes) + 3 || !ReadExact(file, pclr, 3))
                return -1;
            paletteChannels = pclr[2];
        }
        at += std::int64_t(length);
        if (inHeader && at >= headerEnd)
            inHeader = false;
    }
    return -1;
}

// Reads SOC and SIZ: image and tile grid, components and their sampling.
bool ReadCodestreamHeader(PxFile& file, std::int64_t at, CodestreamHeader& header, bool& tooManyComponents)
{
    std::uint8_t siz[42];
    if (!file.Seek(std::int32_t(at), 0) || !ReadExact(file, siz, sizeof siz))
        return false;
    if (LoadBE16(siz) != 0xFF4F || LoadBE16(siz + 2) != 0xFF51)
        return false;
    const std::uint64_t xsiz = LoadBE32(siz + 8), ysiz = LoadBE32(siz + 12);
    const std::uint64_t xosiz = LoadBE32(siz + 16), yosiz = LoadBE32(siz + 20);
    const std::uint64_t xtsiz = LoadBE32(siz + 24), ytsiz = LoadBE32(siz + 28);
    const std::uint64_t xtosiz = LoadBE32(siz + 32), ytosiz = LoadBE32(siz + 36);
    header.components = LoadBE16(siz + 40);
    if (header.components > kMaxComponents) {
        tooManyComponents = true;
        return false;
    }
    if (header.components == 0 || xsiz <= xosiz || ysiz <= yosiz || xtsiz == 0 || ytsiz == 0 || xtosiz >= xsiz ||
        ytosiz >= ysiz)
        return false;
    header.tiles = ((xsiz - xtosiz + xtsiz - 1) / xtsiz) * ((ysiz - ytosiz + ytsiz - 1) / ytsiz);
    std::uint8_t sampling[3 * kMaxComponents];
    if (!ReadExact(file, sampling, 3 * std::size_t(header.components)))
        return false;
    for (std::uint32_t c = 0; c < header.components; ++c) {
        const std::uint64_t dx = sampling[3 * c + 1], dy = sampling[3 * c + 2];
        if (dx == 0 || dy == 0)
            return false;
        const std::uint64_t w = (xsiz + dx - 1) / dx - (xosiz + dx - 1) / dx;
        const std::uint64_t h = (ysiz + dy - 1) / dy - (yosiz + dy - 1) / dy;
        header.samples += w * h;
        if (w * h > header.largestSamples) {
            header.largestSamples = w * h;
            header.width = w;
            header.height = h;
        }
    }
    return true;
}

// OpenJPEG reserves a tile-part's declared length (Psot) before reading it,
// also when the stream ends sooner, since a truncated file decodes as far as
// it goes. Entropy-coded data never holds 0xFF followed by a byte above 0x8F,
// so every FF 90 00 0A in the codestream is a tile-part header (OpenJPEG
// also finds those after data it skips); each must be plausible for the
// bytes that follow it. declaredEnd becomes the furthest
// offset a tile-part length reaches (or stays at end).
bool TilePartsPlausible(PxFile& file, std::int64_t codestream, std::int64_t end, std::int64_t& declaredEnd)
{
    declaredEnd = end;
    constexpr std::size_t kBlock = 1 << 16;
    constexpr std::size_t kSotBytes = 10;  // marker, Lsot, Isot, Psot
    if (!file.Seek(std::int32_t(codestream), 0))
        return false;
    std::vector<std::uint8_t> block(kBlock + kSotBytes);
    std::int64_t blockStart = codestream;
    std::size_t carried = 0;
    for (;;) {
        const std::size_t got = file.Read(block.data() + carried, 1, kBlock);
        const std::size_t n = carried + got;
        for (std::size_t i = 0; i + kSotBytes <= n; ++i) {
            if (block[i] != 0xFF || block[i + 1] != 0x90 || block[i + 2] != 0 || block[i + 3] != 10)
                continue;
            const std::int64_t at = blockStart + std::int64_t(i);
            const std::uint32_t length = LoadBE32(&block[i + 6]);
            if (length > kFreeTilePartBytes && length / kTilePartBytesPerByteLeft > std::uint64_t(end - at))
                return false;
            declaredEnd = std::max(declaredEnd, at + std::int64_t(length));
        }
        if (got == 0)
            return true;
        // The last bytes may start a header that the next block completes.
        const std::size_t keep = std::min(n, kSotBytes - 1);
        std::memmove(block.data(), block.data() + n - keep, keep);
        blockStart += std::int64_t(n - keep);
        carried = keep;
    }
}

// ---------------------------------------------------------------------------
// OpenJPEG glue

struct OpjStream {
    PxFile* file = nullptr;
    std::int64_t base = 0;
};

OPJ_SIZE_T OpjRead(void* buffer, OPJ_SIZE_T bytes, void* user)
{
    const std::size_t got = static_cast<OpjStream*>(user)->file->Read(buffer, 1, bytes);
    return got ? got : OPJ_SIZE_T(-1);
}

OPJ_SIZE_T OpjWrite(void* buffer, OPJ_SIZE_T bytes, void* user)
{
    const std::size_t put = static_cast<OpjStream*>(user)->file->Write(buffer, 1, bytes);
    return put == bytes ? put : OPJ_SIZE_T(-1);
}

OPJ_OFF_T OpjSkip(OPJ_OFF_T bytes, void* user)
{
    PxFile& file = *static_cast<OpjStream*>(user)->file;
    const std::int64_t target = std::int64_t(file.Tell()) + bytes;
    if (target < 0 || target > INT32_MAX || !file.Seek(std::int32_t(target), 0))
        return -1;
    return bytes;
}

OPJ_BOOL OpjSeek(OPJ_OFF_T position, void* user)
{
    const OpjStream& stream = *static_cast<OpjStream*>(user);
    const std::int64_t target = stream.base + position;
    return position >= 0 && target <= INT32_MAX && stream.file->Seek(std::int32_t(target), 0);
}

// The codec reports with its own fixed texts; OpenJPEG's messages are dropped.
void OpjQuiet(const char*, void*) {}

struct CodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using OpjCodec = std::unique_ptr<opj_codec_t, CodecDeleter>;
using OpjStreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using OpjImage = std::unique_ptr<opj_image_t, ImageDeleter>;

OpjStreamPtr MakeStream(OpjStream& stream, bool input)
{
    OpjStreamPtr s(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE));
    if (!s)
        return s;
    opj_stream_set_user_data(s.get(), &stream, nullptr);
    if (input) {
        const std::int64_t size = stream.file->Size();
        opj_stream_set_user_data_length(s.get(), OPJ_UINT64(std::max<std::int64_t>(size - stream.base, 0)));
        opj_stream_set_read_function(s.get(), OpjRead);
    } else {
        opj_stream_set_write_function(s.get(), OpjWrite);
    }
    opj_stream_set_skip_function(s.get(), OpjSkip);
    opj_stream_set_seek_function(s.get(), OpjSeek);
    return s;
}

void Silence(opj_codec_t* codec)
{
    opj_set_error_handler(codec, OpjQuiet, nullptr);
    opj_set_warning_handler(codec, OpjQuiet, nullptr);
    opj_set_info_handler(codec, OpjQuiet, nullptr);
}

bool SameGrid(const opj_image_comp_t& a, const opj_image_comp_t& b)
{
    return a.w == b.w && a.h == b.h && a.dx == b.dx && a.dy == b.dy;
}

// Luma and chroma of sYCC (full range, as in JFIF) to blue, green, red.
void YccToBgr(int y, int cb, int cr, std::uint8_t* bgr)
{
    const double r = y + 1.402 * (cr - 128);
    const double g = y - 0.344136 * (cb - 128) - 0.714136 * (cr - 128);
    const double b = y + 1.772 * (cb - 128);
    bgr[0] = std::uint8_t(std::lround(std::clamp(b, 0.0, 255.0)));
    bgr[1] = std::uint8_t(std::lround(std::clamp(g, 0.0, 255.0)));
    bgr[2] = std::uint8_t(std::lround(std::clamp(r, 0.0, 255.0)));
}

}  // namespace

// ---------------------------------------------------------------------------
// Decoding

bool Jpeg2000Codec::Decode(PxFile* file)
{
    if (!file) {
        SetLastError(kLoadError);
        return false;
    }
    const std::int32_t start = file->Tell();
    std::uint8_t magic[12] = {};
    const std::size_t got = file->Read(magic, 1, sizeof magic);
    const Flavour flavour = Detect(magic, got);
    if (flavour == Flavour::Unknown || !file->Seek(start, 0)) {
        SetLastError(kLoadError);
        return false;
    }
    switch (flavour) {
    case Flavour::Jp2: return DecodeOpenJpeg(file, true);
    case Flavour::J2k: return DecodeOpenJpeg(file, false);
    case Flavour::Pnm: return pximage::DecodePnm(*this, *file);
    case Flavour::Pgx: return pximage::DecodePgx(*this, *file);
    default: return pximage::DecodeRas(*this, *file);
    }
}

bool Jpeg2000Codec::DecodeOpenJpeg(PxFile* file, bool jp2)
{
    OpjStream source;
    source.file = file;
    source.base = file->Tell();

    // Check what the header declares before OpenJPEG allocates for it.
    std::uint32_t paletteChannels = 0;
    const std::int64_t codestream = jp2 ? FindCodestream(*file, source.base, paletteChannels) : source.base;
    CodestreamHeader declared;
    bool tooManyComponents = false;
    if (codestream < 0 || !ReadCodestreamHeader(*file, codestream, declared, tooManyComponents)) {
        SetLastError(tooManyComponents ? "error: too much components" : kLoadError);
        return false;
    }
    const std::uint64_t samples = declared.samples + std::uint64_t(paletteChannels) * declared.largestSamples;
    const std::uint64_t tileComponents = declared.tiles * declared.components;
    // OpenJPEG keeps every decoded sample as a 32-bit integer.
    const std::uint64_t working =
        4 * samples + kCodingBytesPerTile * declared.tiles + kCodingBytesPerTileComponent * tileComponents;
    const std::int64_t end = file->Size();
    std::int64_t declaredEnd = end;
    if (!pximage::WithinDecodePixelLimit(declared.width, declared.height)) {
        SetLastError(pximage::TooManyPixelsReason(declared.width, declared.height).c_str());
        return false;
    }
    if (working > pximage::DecodeMemoryLimit()) {
        SetLastError(pximage::TooMuchMemoryReason("JPEG 2000", declared.width, declared.height).c_str());
        return false;
    }
    if (pximage::ComputeDibLayout(declared.width, declared.height, 24).check != pximage::SizeCheck::Ok ||
        tileComponents > kMaxTileComponents ||
        (end >= 0 && !TilePartsPlausible(*file, codestream, end, declaredEnd)) ||
        declaredEnd - source.base > INT32_MAX) {
        SetLastError(kCreateError);
        return false;
    }
    // OpenJPEG keeps coding state for every declared tile from the start,
    // and each tile's data follows a tile-part header of its own (14 bytes
    // at least): a stream with fewer bytes than tiles is cut short or made up.
    if (end >= 0 && declared.tiles > std::uint64_t(end - codestream)) {
        SetLastError(pximage::CutShortReason("JPEG 2000", end - codestream, declared.width, declared.height).c_str());
        return false;
    }
    if (!file->Seek(std::int32_t(source.base), 0)) {
        SetLastError(kLoadError);
        return false;
    }
    // A tile-part cut short by the end of the file: OpenJPEG reads the part
    // it lacks from memory it never filled, so what it decoded depended on
    // earlier allocations and could send it out of bounds. The stream is
    // decoded as if it went on with zeros to the declared length, which read
    // as empty packets.
    std::vector<std::uint8_t> padded;
    std::unique_ptr<PxMemFile> paddedFile;
    if (declaredEnd > end) {
        padded.assign(std::size_t(declaredEnd - source.base), 0);
        if (file->Read(padded.data(), 1, std::size_t(end - source.base)) != std::size_t(end - source.base)) {
            SetLastError(kLoadError);
            return false;
        }
        paddedFile = std::make_unique<PxMemFile>(padded.data(), std::int32_t(padded.size()));
        source.file = paddedFile.get();
        source.base = 0;
    }

    OpjCodec codec(opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    OpjStreamPtr stream = MakeStream(source, true);
    if (!codec || !stream) {
        SetLastError(kBufferError);
        return false;
    }
    Silence(codec.get());
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    parameters.cp_reduce = 0;
    opj_image_t* raw = nullptr;
    // Not strict: a truncated codestream decodes as far as its data goes, as
    // a truncated JPEG does.
    const bool ok = opj_setup_decoder(codec.get(), &parameters) && opj_decoder_set_strict_mode(codec.get(), OPJ_FALSE) &&
                    opj_codec_set_threads(codec.get(), 0) && opj_read_header(stream.get(), codec.get(), &raw);
    OpjImage image(raw);
    if (!ok || !image) {
        SetLastError(kLoadError);
        return false;
    }
    if (!opj_set_decoded_resolution_factor(codec.get(), 0) || !opj_decode(codec.get(), stream.get(), image.get()) ||
        !opj_end_decompress(codec.get(), stream.get())) {
        SetLastError(kLoadError);
        return false;
    }
    return FromComponents(*image, jp2 ? FormatJp2 : FormatJpc);
}

bool Jpeg2000Codec::FromComponents(const opj_image_t& image, std::uint32_t format)
{
    const std::uint32_t count = image.numcomps;
    if (count == 0 || count > kMaxComponents || !image.comps) {
        SetLastError(count > kMaxComponents ? "error: too much components" : kLoadError);
        return false;
    }
    for (std::uint32_t c = 0; c < count; ++c)
        if (!image.comps[c].data || image.comps[c].w == 0 || image.comps[c].h == 0) {
            SetLastError(kLoadError);
            return false;
        }
    const opj_image_comp_t* comps = image.comps;
    // The picture forms: three colour components on one grid (or sYCC, whose
    // chroma may be subsampled), or one grey component, each with an optional
    // alpha component that the file's channel definition marks. Anything else
    // is a stack of grey frames, one per component.
    const bool colourFlags = count >= 3 && !comps[0].alpha && !comps[1].alpha && !comps[2].alpha;
    const bool ycc = colourFlags && image.color_space == OPJ_CLRSPC_SYCC;
    const bool rgb = ycc || (colourFlags && SameGrid(comps[0], comps[1]) && SameGrid(comps[0], comps[2]) &&
                             comps[0].prec == comps[1].prec && comps[0].prec == comps[2].prec);
    const std::uint32_t colours = rgb ? 3 : 1;
    const bool withAlpha = count == colours + 1 && comps[colours].alpha && SameGrid(comps[0], comps[colours]);
    const bool picture = count == colours || withAlpha;
    const bool colour = rgb && picture;

    if (picture) {
        if (!CheckSingleFrame(*this))
            return false;
    } else {
        info.numFrames = std::int32_t(count);
        if (info.frame < 0 || info.frame >= std::int32_t(count)) {
            SetLastError("wrong frame!");
            return false;
        }
    }
    const opj_image_comp_t& base = picture ? comps[0] : comps[info.frame];
    const std::uint32_t width = base.w, height = base.h;
    if (!Create(width, height, colour ? 24 : 8, format)) {
        SetLastError(kCreateError);
        return false;
    }
    if (withAlpha) {
        AlphaCreate();
        if (!alpha) {
            SetLastError(kCreateError);
            return false;
        }
    }
    if (!colour)
        pximage::SetGreyPalette(*this, 256);

    std::vector<SampleToByte> scales;
    for (std::uint32_t c = 0; c < count; ++c)
        scales.emplace_back(comps[c].prec, comps[c].sgnd != 0);
    const SampleToByte& scale = scales[picture ? 0 : std::uint32_t(info.frame)];
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* out = GetBits(height - 1 - y);
        const OPJ_INT32* in = base.data + std::size_t(y) * width;
        if (!colour) {
            for (std::uint32_t x = 0; x < width; ++x)
                out[x] = scale(in[x]);
        } else if (ycc) {
            // Chroma may be subsampled: each pixel takes the chroma sample covering it.
            const opj_image_comp_t &cb = comps[1], &cr = comps[2];
            const std::uint32_t cbRow = std::min(y * comps[0].dy / cb.dy, cb.h - 1);
            const std::uint32_t crRow = std::min(y * comps[0].dy / cr.dy, cr.h - 1);
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint32_t cbx = std::min(x * comps[0].dx / cb.dx, cb.w - 1);
                const std::uint32_t crx = std::min(x * comps[0].dx / cr.dx, cr.w - 1);
                YccToBgr(scale(in[x]), scales[1](cb.data[std::size_t(cbRow) * cb.w + cbx]),
                         scales[2](cr.data[std::size_t(crRow) * cr.w + crx]), out + 3 * x);
            }
        } else {
            const OPJ_INT32* green = comps[1].data + std::size_t(y) * width;
            const OPJ_INT32* blue = comps[2].data + std::size_t(y) * width;
            for (std::uint32_t x = 0; x < width; ++x, out += 3) {
                out[0] = scales[2](blue[x]);
                out[1] = scales[1](green[x]);
                out[2] = scale(in[x]);
            }
        }
        if (withAlpha) {
            const OPJ_INT32* a = comps[colours].data + std::size_t(y) * width;
            std::uint8_t* outAlpha = alpha + std::size_t(height - 1 - y) * width;
            for (std::uint32_t x = 0; x < width; ++x)
                outAlpha[x] = scales[colours](a[x]);
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Encoding

bool Jpeg2000Codec::Encode(PxFile* file)
{
    if (!EncodeCheck(file))
        return false;
    std::uint8_t levels[256];
    const bool grey = IsIndexed() && pximage::GreyLevels(*this, levels);
    if (m_format == FormatPgx && !grey) {
        SetLastError("PGX can save only GrayScale images");
        return false;
    }
    if (!grey && GetBpp() != 24) {
        SetLastError("Jpeg2000Codec can save only RGB or GrayScale images");
        return false;
    }
    const std::uint8_t* greyLevels = grey ? levels : nullptr;
    switch (m_format) {
    case FormatJpc: return EncodeOpenJpeg(file, false, greyLevels);
    case FormatPgx: return pximage::EncodePgx(*this, *file, greyLevels);
    case FormatPnm: return pximage::EncodePnm(*this, *file, greyLevels);
    case FormatRas: return pximage::EncodeRas(*this, *file, greyLevels);
    default: return EncodeOpenJpeg(file, true, greyLevels);
    }
}

bool Jpeg2000Codec::EncodeOpenJpeg(PxFile* file, bool jp2, const std::uint8_t* greyLevels)
{
    const std::uint32_t width = GetWidth(), height = GetHeight();
    const std::uint32_t count = greyLevels ? 1 : 3;
    opj_image_cmptparm_t parts[3];
    std::memset(parts, 0, sizeof parts);
    for (opj_image_cmptparm_t& part : parts) {
        part.dx = part.dy = 1;
        part.w = width;
        part.h = height;
        part.prec = 8;
        part.sgnd = 0;
    }
    OpjImage image(opj_image_create(count, parts, greyLevels ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
    if (!image) {
        SetLastError("error : can't allocate memory");
        return false;
    }
    image->x0 = image->y0 = 0;
    image->x1 = width;
    image->y1 = height;
    std::vector<std::uint8_t> row(std::size_t(width) * count);
    for (std::uint32_t y = 0; y < height; ++y) {
        pximage::TopRowSamples(*this, y, greyLevels, row.data());
        for (std::uint32_t c = 0; c < count; ++c) {
            OPJ_INT32* out = image->comps[c].data + std::size_t(y) * width;
            for (std::uint32_t x = 0; x < width; ++x)
                out[x] = row[std::size_t(x) * count + c];
        }
    }

    // The quality option is a rate, the fraction of the uncompressed size to
    // keep ("rate=%.3f" of quality / 100); OpenJPEG asks for its inverse, the
    // compression ratio. A rate of 1 (quality 100) is lossless coding.
    const double rate = std::clamp(info.jpegQuality, std::uint8_t(1), std::uint8_t(100)) / 100.0;
    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.cp_disto_alloc = 1;
    parameters.irreversible = rate < 1.0;
    parameters.tcp_rates[0] = rate < 1.0 ? float(1.0 / rate) : 0.0f;
    parameters.tcp_mct = count == 3 ? 1 : 0;
    // Each resolution level halves the picture; the smallest must keep a pixel.
    const std::uint32_t shortSide = std::min(width, height);
    int levels = 1;
    while (levels < 6 && (shortSide >> levels) > 0)
        ++levels;
    parameters.numresolution = levels;

    OpjStream target;
    target.file = file;
    target.base = file->Tell();
    OpjCodec codec(opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!codec) {
        SetLastError("error : can't allocate memory");
        return false;
    }
    Silence(codec.get());
    OpjStreamPtr stream = MakeStream(target, false);
    if (!stream) {
        SetLastError("error: cannot open standard output");
        return false;
    }
    if (!opj_setup_encoder(codec.get(), &parameters, image.get()) ||
        !opj_start_compress(codec.get(), image.get(), stream.get()) || !opj_encode(codec.get(), stream.get()) ||
        !opj_end_compress(codec.get(), stream.get())) {
        SetLastError(pximage::kEncodeError);
        return false;
    }
    return true;
}

