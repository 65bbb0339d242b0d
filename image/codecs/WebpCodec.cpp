#include "image/codecs/WebpCodec.h"

#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include "image/PxFile.h"
#include "image/codecs/CodecSupport.h"
#include "image/codecs/ExifTiff.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kDamaged = "the WebP file is damaged or cut short";

struct DemuxerDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

bool StartsAsWebp(PxFile& file)
{
    std::uint8_t head[12];
    return pximage::PeekBytes(file, head, sizeof head) == sizeof head && std::memcmp(head, "RIFF", 4) == 0 &&
           std::memcmp(head + 8, "WEBP", 4) == 0;
}

bool Refuse(PxImage& image, VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        image.SetLastError("Can't allocate memory");
        break;
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        image.SetLastError("the WebP file uses a feature this program cannot read");
        break;
    default:
        image.SetLastError(kDamaged);
        break;
    }
    return false;
}

// The payload of the first chunk of a kind, or nothing. It lies in the
// file's bytes, which outlive the demuxer.
std::span<const std::uint8_t> Chunk(const WebPDemuxer* demuxer, const char* fourcc)
{
    WebPChunkIterator chunk;
    if (!WebPDemuxGetChunk(demuxer, fourcc, 1, &chunk))
        return {};
    const std::span<const std::uint8_t> payload(chunk.chunk.bytes, chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
    return payload;
}

void ReadMetadata(PxImage& image, const WebPDemuxer* demuxer)
{
    const std::span<const std::uint8_t> icc = Chunk(demuxer, "ICCP");
    if (!icc.empty()) {
        auto space = std::make_shared<ColourSpace>();
        space->iccProfile.assign(icc.begin(), icc.end());
        image.info.colourSpace = std::move(space);
    }
    std::span<const std::uint8_t> exif = Chunk(demuxer, "EXIF");
    // Some writers keep the "Exif\0\0" of the JPEG segment before the TIFF structure.
    if (exif.size() >= 6 && std::memcmp(exif.data(), "Exif\0\0", 6) == 0)
        exif = exif.subspan(6);
    image.info.exifOrientation = pximage::ParseExifTiff(exif.data(), exif.size()).orientation;
}

// A still picture without alpha is decoded bottom-up straight into the DIB;
// one with alpha into red, green, blue, alpha rows first.
bool DecodeStill(PxImage& image, const Bytes& bytes)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return Refuse(image, VP8_STATUS_INVALID_PARAM);
    const std::uint32_t width = image.GetWidth(), height = image.GetHeight();
    WebPRGBABuffer& output = config.output.u.RGBA;
    config.output.is_external_memory = 1;
    Bytes rgba;
    if (image.alpha) {
        rgba.resize(std::size_t(width) * height * 4);
        config.output.colorspace = MODE_RGBA;
        output.rgba = rgba.data();
        output.stride = int(width * 4);
        output.size = rgba.size();
    } else {
        config.output.colorspace = MODE_BGR;
        config.options.flip = 1;
        output.rgba = image.GetBits(0);
        output.stride = int(image.GetEffWidth());
        output.size = image.header.biSizeImage;
    }
    const VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return Refuse(image, status);
    return !image.alpha || pximage::StoreRgbRows(image, rgba.data(), std::size_t(width) * 4, 4);
}

// The first frame of an animation, composed onto the canvas.
bool DecodeFirstFrame(PxImage& image, const WebPData& data)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return Refuse(image, VP8_STATUS_INVALID_PARAM);
    options.color_mode = MODE_RGBA;
    const std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> decoder(WebPAnimDecoderNew(&data, &options));
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!decoder || !WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
        return Refuse(image, VP8_STATUS_BITSTREAM_ERROR);
    return pximage::StoreRgbRows(image, canvas, std::size_t(image.GetWidth()) * 4, 4);
}

bool DecodeWebp(PxFile& file, PxImage& image)
{
    if (!StartsAsWebp(file)) {
        image.SetLastError("the file is not a WebP picture");
        return false;
    }
    Bytes bytes;
    if (!pximage::ReadWholeStream(image, file, bytes))
        return false;
    const WebPData data{bytes.data(), bytes.size()};
    const std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(WebPDemux(&data));
    if (!demuxer)
        return Refuse(image, VP8_STATUS_BITSTREAM_ERROR);
    const std::uint32_t width = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH);
    const std::uint32_t height = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT);
    const std::uint32_t flags = WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS);
    const bool animated = (flags & ANIMATION_FLAG) != 0;
    bool alpha = (flags & ALPHA_FLAG) != 0;
    if (!animated) {
        // Without an extended header only the bitstream tells whether alpha is used.
        WebPBitstreamFeatures features;
        const VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &features);
        if (status != VP8_STATUS_OK)
            return Refuse(image, status);
        alpha = features.has_alpha != 0;
    }
    if (image.info.escape == -1) {  // the caller wants the size only
        image.header.biWidth = LONG(width);
        image.header.biHeight = LONG(height);
        return true;
    }
    if (!pximage::CheckPictureSize(image, width, height, alpha, "WebP"))
        return false;
    ReadMetadata(image, demuxer.get());
    if (!pximage::CreateRgb(image, width, height, FormatWebp, alpha))
        return false;
    if (image.info.escape) {
        image.SetLastError("Cancelled");
        return false;
    }
    return animated ? DecodeFirstFrame(image, data) : DecodeStill(image, bytes);
}

}  // namespace

bool WebpCodec::Decode(PxFile* file)
{
    return pximage::DecodeGuarded(*this, file, "null file handler", DecodeWebp);
}
