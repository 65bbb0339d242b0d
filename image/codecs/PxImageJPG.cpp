#include "image/codecs/PxImageJPG.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "image/ByteOrder.h"
#include "image/ImageSize.h"
#include "image/PxFile.h"
#include "image/codecs/CodecSupport.h"
#include "image/codecs/ExifTiff.h"

namespace {

using pximage::ExifTags;
using pximage::ParseExifTiff;

constexpr std::size_t kBlockBytes = 4096;

// Up to this many pixels a picture is decoded whatever the stream size; see
// ImplausibleForStream.
constexpr std::uint64_t kUncheckedPixels = 2048 * 2048;

// Every scan of a multi-scan stream makes the library go over its whole
// coefficient buffer, so a stream of thousands of tiny scans costs minutes.
// 500 is the limit the library's own TurboJPEG interface applies on request.
constexpr int kMaxScans = 500;

// Walks the marker segments before the first scan for an APP1 Exif block and
// puts the stream back where it was; a stream that cannot seek is not
// scanned. Each read is bounded by a segment length (at most 65,533 bytes);
// anything unexpected ends the walk.
ExifTags ScanExif(PxFile& file)
{
    ExifTags result;
    const std::int32_t start = file.Tell();
    if (start < 0 || !file.Seek(start, 0))
        return result;
    std::uint8_t bytes[4];
    if (file.Read(bytes, 1, 2) == 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
        std::vector<std::uint8_t> segment;
        while (file.Read(bytes, 1, 4) == 4 && bytes[0] == 0xFF) {
            const std::uint8_t marker = bytes[1];
            const std::uint16_t length = pximage::LoadBE16(bytes + 2);
            if (marker == 0xDA || marker == 0xD9 || length < 2)
                break;
            const std::size_t payload = length - 2u;
            if (marker != 0xE1) {
                if (!file.Seek(std::int32_t(payload), 1))
                    break;
                continue;
            }
            segment.resize(payload);
            if (file.Read(segment.data(), 1, payload) != payload)
                break;
            if (payload >= 6 && std::memcmp(segment.data(), "Exif\0\0", 6) == 0) {
                result = ParseExifTiff(segment.data() + 6, payload - 6);
                break;
            }
        }
    }
    file.Seek(start, 0);
    return result;
}

// ---- Library glue ----

// The library's fatal errors put its message into the image's lastError and
// jump back to the setjmp of the function that drives the library; warnings
// (premature end, corrupt data) stay silent and the work goes on.
struct ErrorManager {
    jpeg_error_mgr pub;  // first: the library hands back this pointer
    std::jmp_buf jump;
    PxImage* image;
};

[[noreturn]] void OnFatalError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    err->image->SetLastError(text);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr) {}

void LimitScans(j_common_ptr common)
{
    if (reinterpret_cast<j_decompress_ptr>(common)->input_scan_number <= kMaxScans)
        return;
    auto* err = reinterpret_cast<ErrorManager*>(common->err);
    err->image->SetLastError("JPEG stream has too many scans");
    std::longjmp(err->jump, 1);
}

jpeg_error_mgr* InstallErrorManager(ErrorManager& err, PxImage& image)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = OnFatalError;
    err.pub.output_message = OnMessage;
    err.image = &image;
    return &err.pub;
}

struct Source {
    jpeg_source_mgr pub;
    PxFile* file;
    bool startOfFile;
    JOCTET buffer[kBlockBytes];
};

void InitSource(j_decompress_ptr cinfo)
{
    reinterpret_cast<Source*>(cinfo->src)->startOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<Source*>(cinfo->src);
    std::size_t count = src->file->Read(src->buffer, 1, kBlockBytes);
    if (count == 0) {
        if (src->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // A stream that ends early reads as ending with an end-of-image
        // marker, so a truncated picture still decodes.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        count = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = count;
    src->startOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* src = cinfo->src;
    while (std::size_t(count) > src->bytes_in_buffer) {
        count -= long(src->bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= std::size_t(count);
}

void TermSource(j_decompress_ptr) {}

void AttachSource(j_decompress_ptr cinfo, PxFile& file)
{
    auto* src = static_cast<Source*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(Source)));
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInputBuffer;
    src->pub.skip_input_data = SkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    src->file = &file;
    src->startOfFile = true;
    cinfo->src = &src->pub;
}

struct Destination {
    jpeg_destination_mgr pub;
    PxFile* file;
    JOCTET buffer[kBlockBytes];
};

void InitDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kBlockBytes;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    if (dest->file->Write(dest->buffer, 1, kBlockBytes) != kBlockBytes)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    InitDestination(cinfo);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    const std::size_t count = kBlockBytes - dest->pub.free_in_buffer;
    if (count > 0 && dest->file->Write(dest->buffer, 1, count) != count)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->file->Flush();
    if (dest->file->Error())
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

void AttachDestination(j_compress_ptr cinfo, PxFile& file)
{
    auto* dest = static_cast<Destination*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(Destination)));
    dest->pub.init_destination = InitDestination;
    dest->pub.empty_output_buffer = EmptyOutputBuffer;
    dest->pub.term_destination = TermDestination;
    dest->file = &file;
    cinfo->dest = &dest->pub;
}

// ---- Decoding ----

// The library state lives in the caller's frame, so nothing the setjmp
// function touches after the jump is one of its own locals.
struct DecodeState {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
};

// A truncated stream decodes (its end reads as an end-of-image marker), so
// a small stream can declare a huge picture. Huffman-coded scans spend at
// least one bit on every 8x8 block of the full-resolution component; beyond
// kUncheckedPixels a stream with fewer bits than blocks is refused.
// Arithmetic-coded or cut pictures smaller than that still decode. Only a
// stream of several scans (progressive, or one scan per component) makes
// the library keep every coefficient, two bytes a sample of each component
// as stored; those count against the decoder's memory with the picture.
// The reason for a refusal, or nothing.
std::string ImplausibleForStream(const jpeg_decompress_struct& cinfo, std::int64_t streamBytes)
{
    const std::uint64_t width = cinfo.image_width, height = cinfo.image_height;
    if (!pximage::WithinDecodePixelLimit(width, height))
        return pximage::TooManyPixelsReason(width, height);
    const std::uint64_t blocks = ((width + 7) / 8) * ((height + 7) / 8);
    if (streamBytes >= 0 && width * height > kUncheckedPixels && std::uint64_t(streamBytes) * 8 < blocks)
        return pximage::CutShortReason("JPEG", streamBytes, width, height);
    std::uint64_t bytes = std::uint64_t(cinfo.output_width) * cinfo.output_height * cinfo.output_components;
    if (jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&cinfo)))
        for (int c = 0; c < cinfo.num_components; ++c) {
            const jpeg_component_info& component = cinfo.comp_info[c];
            bytes += 2 * 64 * std::uint64_t(component.width_in_blocks) * component.height_in_blocks;
        }
    if (bytes > pximage::DecodeMemoryLimit())
        return pximage::TooMuchMemoryReason("JPEG", width, height);
    return {};
}

// Exif resolution tags win; then the JFIF density. A JFIF density without a
// unit (unit 0) is an aspect ratio, not a resolution, and a stream without a
// JFIF marker has none: both leave the default.
void SetResolution(PxImage& image, const jpeg_decompress_struct& cinfo, const ExifTags& exif)
{
    if (exif.xResolution != 0 && exif.unitFactor != 0) {
        image.SetXDPI(pximage::ClampDpi(exif.xResolution / exif.unitFactor));
        image.SetYDPI(pximage::ClampDpi(exif.yResolution / exif.unitFactor));
    } else if (!cinfo.saw_JFIF_marker || cinfo.density_unit == 0) {
        image.SetXDPI(0);
        image.SetYDPI(0);
    } else if (cinfo.density_unit == 2) {  // dots per centimetre
        image.SetXDPI(pximage::ClampDpi(std::floor(cinfo.X_density * 2.54 + 0.5)));
        image.SetYDPI(pximage::ClampDpi(std::floor(cinfo.Y_density * 2.54 + 0.5)));
    } else {
        image.SetXDPI(cinfo.X_density);
        image.SetYDPI(cinfo.Y_density);
    }
}

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};

// The ICC profile of the APP2 markers the library saved, which it puts
// together in the order of their sequence numbers; a set with a chunk
// missing or numbered twice counts as no profile.
void SetIccProfile(PxImage& image, j_decompress_ptr cinfo)
{
    JOCTET* profile = nullptr;
    unsigned int bytes = 0;
    if (!jpeg_read_icc_profile(cinfo, &profile, &bytes))
        return;
    const std::unique_ptr<JOCTET, FreeDeleter> owned(profile);
    image.info.colourSpace = pximage::NewColourSpace(profile, bytes);
}

// CMYK as the library delivers it (Adobe files come inverted, which is what
// this formula expects) to blue, green, red.
void CmykToBgr(const JSAMPLE* cmyk, std::uint8_t* bgr, JDIMENSION width)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned k = cmyk[3];
        bgr[0] = std::uint8_t(cmyk[2] * k / 255);
        bgr[1] = std::uint8_t(cmyk[1] * k / 255);
        bgr[2] = std::uint8_t(cmyk[0] * k / 255);
    }
}

bool RunDecode(DecodeState& state, PxImage& image, PxFile& file, const ExifTags& exif, std::int64_t streamBytes)
{
    j_decompress_ptr cinfo = &state.cinfo;
    if (setjmp(state.err.jump))
        return false;
    jpeg_create_decompress(cinfo);
    state.progress.progress_monitor = LimitScans;
    cinfo->progress = &state.progress;
    AttachSource(cinfo, file);
    jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);
    SetIccProfile(image, cinfo);

    cinfo->scale_num = 1;
    cinfo->scale_denom = image.info.jpegScale > 1 ? image.info.jpegScale : 1;
    // The DIB holds blue, green, red: let the library deliver that order.
    if (cinfo->out_color_space == JCS_RGB)
        cinfo->out_color_space = JCS_EXT_BGR;
    jpeg_calc_output_dimensions(cinfo);
    if (image.info.escape == -1) {
        image.header.biWidth = LONG(cinfo->output_width);
        image.header.biHeight = LONG(cinfo->output_height);
        return true;
    }
    const int components = cinfo->output_components;
    if (components != 1 && components != 3 && components != 4) {
        image.SetLastError("Unsupported JPEG colour space");
        return false;
    }
    if (const std::string refused = ImplausibleForStream(*cinfo, streamBytes); !refused.empty()) {
        image.SetLastError(refused.c_str());
        return false;
    }
    // Checked before the library sets up its buffers, not only by Create.
    if (pximage::ComputeDibLayout(cinfo->output_width, cinfo->output_height, 8 * components).check !=
        pximage::SizeCheck::Ok) {
        image.SetLastError("PXIMAGE_MAX_MEMORY exceeded");
        return false;
    }

    jpeg_start_decompress(cinfo);
    const JDIMENSION width = cinfo->output_width, height = cinfo->output_height;
    if (!image.Create(width, height, 8 * components, FormatJpg))
        return false;
    SetResolution(image, *cinfo, exif);
    if (components == 1)
        pximage::SetGreyPalette(image, 256);
    JSAMPARRAY cmykRow = nullptr;
    if (components == 4)
        cmykRow = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, width * 4, 1);

    while (cinfo->output_scanline < height) {
        if (image.info.escape) {
            image.SetLastError("Cancelled");
            return false;
        }
        JSAMPROW row = image.GetBits(height - 1 - cinfo->output_scanline);
        if (jpeg_read_scanlines(cinfo, cmykRow ? cmykRow : &row, 1) != 1) {
            image.SetLastError("JPEG scanline missing");
            return false;
        }
        if (cmykRow)
            CmykToBgr(cmykRow[0], row, width);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// ---- Encoding ----

struct EncodeState {
    jpeg_compress_struct cinfo;
    ErrorManager err;
};

bool IsGreyRamp(const PxImage& image)
{
    // Only 8-bit rows are grey samples; a 1- or 4-bit ramp is packed indices.
    if (image.GetBpp() != 8)
        return false;
    const RGBQUAD* palette = image.GetPalette();
    for (unsigned i = 0; i < 256; ++i)
        if (palette[i].rgbBlue != i || palette[i].rgbGreen != i || palette[i].rgbRed != i)
            return false;
    return true;
}

// JFIF stores densities in 16 bits and requires them non-zero.
UINT16 JfifDensity(std::int32_t dpi)
{
    return dpi <= 0 ? 96 : dpi > 65535 ? 65535 : UINT16(dpi);
}

bool RunEncode(EncodeState& state, PxImage& image, PxFile& file)
{
    j_compress_ptr cinfo = &state.cinfo;
    if (setjmp(state.err.jump))
        return false;
    jpeg_create_compress(cinfo);
    AttachDestination(cinfo, file);
    const bool grey = image.IsIndexed();
    cinfo->image_width = image.GetWidth();
    cinfo->image_height = image.GetHeight();
    cinfo->input_components = grey ? 1 : 3;
    // DIB rows go to the library as they are: grey samples, or blue, green, red.
    cinfo->in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, image.info.jpegQuality, FALSE);
    cinfo->density_unit = 1;
    cinfo->X_density = JfifDensity(image.info.xDpi);
    cinfo->Y_density = JfifDensity(image.info.yDpi);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = image.GetBits(cinfo->image_height - 1 - cinfo->next_scanline);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

}  // namespace

bool PxImageJPG::Decode(PxFile* file)
{
    if (!pximage::BeginDecode(*this, file))
        return false;
    const std::int64_t streamBytes = BytesLeft(*file);
    const ExifTags exif = ScanExif(*file);
    // Recorded even for a size-only decode, and reset when the stream has
    // none: the picture may be reused from an earlier file.
    info.exifOrientation = exif.orientation;
    DecodeState state{};
    state.cinfo.err = InstallErrorManager(state.err, *this);
    const bool ok = RunDecode(state, *this, *file, exif, streamBytes);
    jpeg_destroy_decompress(&state.cinfo);
    return ok;
}

bool PxImageJPG::Encode(PxFile* file)
{
    if (!EncodeCheck(file))
        return false;
    if (IsIndexed() && !IsGreyRamp(*this)) {
        SetLastError("JPEG can save only RGB or GreyScale images");
        return false;
    }
    EncodeState state{};
    state.cinfo.err = InstallErrorManager(state.err, *this);
    const bool ok = RunEncode(state, *this, *file);
    jpeg_destroy_compress(&state.cinfo);
    return ok;
}
