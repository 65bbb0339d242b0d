#include "image/CodecTable.h"

#include <cstring>

#include "image/codecs/BmpCodec.h"
#include "image/codecs/HeifCodec.h"
#include "image/codecs/IcoCodec.h"
#include "image/codecs/Jpeg2000Codec.h"
#include "image/codecs/PxImageGIF.h"
#include "image/codecs/PcxCodec.h"
#include "image/codecs/PngCodec.h"
#include "image/codecs/PxImageJPG.h"
#include "image/codecs/PxImageTIF.h"
#include "image/codecs/TgaCodec.h"
#include "image/codecs/WbmpCodec.h"
#include "image/codecs/WebpCodec.h"
#include "image/codecs/WmfCodec.h"

namespace pximage {

namespace {

// One row per format id, in id order. A row without functions is a format
// whose codec is not built in: decoding it fails as an unknown format,
// encoding it as "Encode: Unknown format".
constexpr CodecRow kCodecs[FormatIdEnd] = {
    {FormatUnknown, nullptr, nullptr},
    {FormatBmp, DecodeWith<BmpCodec>, EncodeWith<BmpCodec>},
    {FormatGif, DecodeWith<PxImageGIF, true>, EncodeWith<PxImageGIF>},
    {FormatJpg, DecodeWith<PxImageJPG>, EncodeWith<PxImageJPG>},
    {FormatPng, DecodeWith<PngCodec>, EncodeWith<PngCodec>},
    {FormatIco, DecodeWith<IcoCodec, true>, EncodeWith<IcoCodec>},
    {FormatTif, DecodeWith<PxImageTIF, true>, EncodeWith<PxImageTIF>},
    {FormatTga, DecodeWith<TgaCodec>, EncodeWith<TgaCodec>},
    {FormatPcx, DecodeWith<PcxCodec>, EncodeWith<PcxCodec>},
    {FormatWbmp, DecodeWith<WbmpCodec>, EncodeWith<WbmpCodec>},
    {FormatWmf, DecodeWith<WmfCodec>, EncodeWith<WmfCodec>},
    {FormatJp2, DecodeWith<Jpeg2000Codec>, EncodeWith<Jpeg2000Codec>},
    {FormatJpc, DecodeWith<Jpeg2000Codec>, EncodeWith<Jpeg2000Codec>},
    {FormatPgx, DecodeWith<Jpeg2000Codec>, EncodeWith<Jpeg2000Codec>},
    {FormatPnm, DecodeWith<Jpeg2000Codec>, EncodeWith<Jpeg2000Codec>},
    {FormatRas, DecodeWith<Jpeg2000Codec>, EncodeWith<Jpeg2000Codec>},
    {FormatCount, nullptr, nullptr},
    {FormatWebp, DecodeWith<WebpCodec>, nullptr},
    {FormatHeif, DecodeWith<HeifCodec>, nullptr},
    {FormatAvif, DecodeWith<HeifCodec>, nullptr},
};

constexpr bool RowsInIdOrder()
{
    for (std::uint32_t i = 0; i < FormatIdEnd; ++i)
        if (kCodecs[i].type != i)
            return false;
    return true;
}
static_assert(RowsInIdOrder(), "kCodecs is indexed by format id");

constexpr CodecRow kNoCodec{FormatUnknown, nullptr, nullptr};

// ---- signatures ----

bool StartsWith(std::span<const std::uint8_t> head, const char* magic, std::size_t length, std::size_t at = 0)
{
    return head.size() >= at + length && std::memcmp(head.data() + at, magic, length) == 0;
}

bool BmpSignature(std::span<const std::uint8_t> head)
{
    // "BM", then a DIB header size the decoder knows, so that a text file
    // starting with those two letters is not taken for a picture.
    if (!StartsWith(head, "BM", 2) || head.size() < 18)
        return false;
    const std::uint32_t size = head[14] | head[15] << 8 | head[16] << 16 | std::uint32_t(head[17]) << 24;
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

bool JpegSignature(std::span<const std::uint8_t> head)
{
    return StartsWith(head, "\xFF\xD8\xFF", 3);
}

bool GifSignature(std::span<const std::uint8_t> head)
{
    return StartsWith(head, "GIF87a", 6) || StartsWith(head, "GIF89a", 6);
}

bool PngSignature(std::span<const std::uint8_t> head)
{
    return StartsWith(head, "\x89PNG\r\n\x1A\n", 8);
}

bool TiffSignature(std::span<const std::uint8_t> head)
{
    return StartsWith(head, "II*\0", 4) || StartsWith(head, "MM\0*", 4);
}

bool Jpeg2000Signature(std::span<const std::uint8_t> head)
{
    return StartsWith(head, "\0\0\0\x0CjP  \r\n\x87\n", 12) || StartsWith(head, "\xFF\x4F\xFF\x51", 4);
}

bool WebpSignature(std::span<const std::uint8_t> head)
{
    return StartsWith(head, "RIFF", 4) && StartsWith(head, "WEBP", 4, 8);
}

// A file type box naming a HEIF or AVIF brand (or only the generic ones).
bool HeifSignature(std::span<const std::uint8_t> head)
{
    return HeifCodec::BrandsOf(head) != HeifCodec::Brands::None;
}

// Cheap, distinctive signatures first. JPEG 2000 goes last among the fixed
// formats and gets id 0, so that it tells its flavour (JP2, codestream, PGX,
// PNM, RAS) from the content. Formats added later follow, so that what the
// fixed codecs decoded before is still decoded by them. HEIF and AVIF share
// their container and one step with id 0: the codec names the file.
constexpr DetectStep kDetectionOrder[] = {
    {FormatBmp, FormatBmp, BmpSignature},
    {FormatJpg, FormatJpg, JpegSignature},
    {FormatIco, FormatIco},
    {FormatGif, FormatGif, GifSignature},
    {FormatPng, FormatPng, PngSignature},
    {FormatTif, FormatTif, TiffSignature},
    {FormatTga, FormatTga},
    {FormatPcx, FormatPcx},
    {FormatWbmp, FormatWbmp},
    {FormatWmf, FormatWmf},
    {FormatJp2, FormatUnknown, Jpeg2000Signature},
    {FormatWebp, FormatWebp, WebpSignature},
    {FormatHeif, FormatUnknown, HeifSignature},
};

}  // namespace

const CodecRow& CodecFor(std::uint32_t type)
{
    return type < FormatIdEnd ? kCodecs[type] : kNoCodec;
}

std::span<const DetectStep> DetectionOrder()
{
    return kDetectionOrder;
}

}  // namespace pximage
