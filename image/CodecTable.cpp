#include "image/CodecTable.h"

#include "image/codecs/BmpCodec.h"
#include "image/codecs/IcoCodec.h"
#include "image/codecs/Jpeg2000Codec.h"
#include "image/codecs/PxImageGIF.h"
#include "image/codecs/PcxCodec.h"
#include "image/codecs/PngCodec.h"
#include "image/codecs/PxImageJPG.h"
#include "image/codecs/PxImageTIF.h"
#include "image/codecs/TgaCodec.h"
#include "image/codecs/WbmpCodec.h"
#include "image/codecs/WmfCodec.h"

namespace pximage {

namespace {

// One row per format id, in id order. A row without functions is a format
// whose codec is not built in: decoding it fails as an unknown format,
// encoding it as "Encode: Unknown format".
constexpr CodecRow kCodecs[FormatCount] = {
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
};

constexpr bool RowsInIdOrder()
{
    for (std::uint32_t i = 0; i < FormatCount; ++i)
        if (kCodecs[i].type != i)
            return false;
    return true;
}
static_assert(RowsInIdOrder(), "kCodecs is indexed by format id");

constexpr CodecRow kNoCodec{FormatUnknown, nullptr, nullptr};

// Cheap, distinctive signatures first. JPEG 2000 goes last and gets id 0, so
// that it tells its flavour (JP2, codestream, PGX, PNM, RAS) from the content.
constexpr DetectStep kDetectionOrder[] = {
    {FormatBmp, FormatBmp}, {FormatJpg, FormatJpg}, {FormatIco, FormatIco},   {FormatGif, FormatGif},
    {FormatPng, FormatPng}, {FormatTif, FormatTif}, {FormatTga, FormatTga},   {FormatPcx, FormatPcx},
    {FormatWbmp, FormatWbmp}, {FormatWmf, FormatWmf}, {FormatJp2, FormatUnknown},
};

}  // namespace

const CodecRow& CodecFor(std::uint32_t type)
{
    return type < FormatCount ? kCodecs[type] : kNoCodec;
}

std::span<const DetectStep> DetectionOrder()
{
    return kDetectionOrder;
}

}  // namespace pximage
