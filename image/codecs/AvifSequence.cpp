#include "image/codecs/AvifSequence.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <avif/avif.h>

#include "image/ByteOrder.h"
#include "image/ImageSize.h"
#include "image/codecs/CodecSupport.h"
#include "image/codecs/RuntimeLibrary.h"

namespace pximage {

namespace {

// The libavif functions the sequences need (without their avif prefix).
#define ORVANTIS_AVIF_FUNCTIONS(F)                                                                            \
    F(DecoderCreate) F(DecoderDestroy) F(DecoderSetIOMemory) F(DecoderParse) F(DecoderNextImage)             \
    F(ResultToString) F(ColorPrimariesGetValues) F(RGBImageSetDefaults) F(RGBImagePixelSize) F(ImageYUVToRGB)

struct Avif {
#define ORVANTIS_DECLARE(name) decltype(&avif##name) name;
    ORVANTIS_AVIF_FUNCTIONS(ORVANTIS_DECLARE)
#undef ORVANTIS_DECLARE
};

// libavif, opened when the first sequence is read (see RuntimeLibrary.h).
const RuntimeLibrary& AvifLibrary()
{
    static const RuntimeLibrary library(ORVANTIS_AVIF_LIBRARY);
    return library;
}

// Its functions; null when it or one of them is missing (its Problem says which).
const Avif* AvifFunctions()
{
    static const std::optional<Avif> avif = []() -> std::optional<Avif> {
        Avif functions;
#define ORVANTIS_FIND(name) &&AvifLibrary().Find(functions.name, "avif" #name)
        if (true ORVANTIS_AVIF_FUNCTIONS(ORVANTIS_FIND))
            return functions;
#undef ORVANTIS_FIND
        return std::nullopt;
    }();
    return avif ? &*avif : nullptr;
}

struct DecoderDeleter {
    void operator()(avifDecoder* decoder) const { AvifFunctions()->DecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<avifDecoder, DecoderDeleter>;

// In the words the HEIF path gives libheif's errors.
bool Refuse(const Avif& avif, PxImage& image, const avifDecoder& decoder, avifResult result)
{
    if (result == AVIF_RESULT_OUT_OF_MEMORY) {
        image.SetLastError("Can't allocate memory");
        return false;
    }
    const bool unsupported = result == AVIF_RESULT_NOT_IMPLEMENTED || result == AVIF_RESULT_NO_CODEC_AVAILABLE ||
                             result == AVIF_RESULT_UNSUPPORTED_DEPTH;
    const std::string text = std::string("the AVIF file ") +
                             (unsupported ? "uses a feature this program cannot read" : "is damaged or cut short") +
                             " (" + (decoder.diag.error[0] ? decoder.diag.error : avif.ResultToString(result)) + ")";
    image.SetLastError(text.c_str());
    return false;
}

// An ICC profile wins over colour parameters. libavif takes the parameters
// from the track's colour box, else from the AV1 sequence header.
std::shared_ptr<const ColourSpace> ColourSpaceOf(const Avif& avif, const avifImage& frame)
{
    if (frame.icc.size > 0)
        return NewColourSpace(frame.icc.data, frame.icc.size);
    float xy[8];  // red, green, blue, white
    avif.ColorPrimariesGetValues(frame.colorPrimaries, xy);
    return CodedColourSpace(frame.colorPrimaries, frame.transferCharacteristics,
                            {xy[6], xy[7], xy[0], xy[1], xy[2], xy[3], xy[4], xy[5]});
}

// The frame as 8-bit red, green, blue (and alpha) rows into the picture;
// libavif scales deeper samples down and divides premultiplied colours out.
bool StoreFrame(const Avif& avif, PxImage& image, const avifImage& frame)
{
    const bool alpha = frame.alphaPlane != nullptr;
    if (!CheckPictureSize(image, frame.width, frame.height, alpha, "AVIF") ||
        !CreateRgb(image, frame.width, frame.height, FormatAvif, alpha))
        return false;
    avifRGBImage rgb;
    avif.RGBImageSetDefaults(&rgb, &frame);
    rgb.depth = 8;
    rgb.format = alpha ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
    rgb.alphaPremultiplied = AVIF_FALSE;
    rgb.rowBytes = frame.width * avif.RGBImagePixelSize(&rgb);
    std::vector<std::uint8_t> rows(std::size_t(rgb.rowBytes) * frame.height);
    rgb.pixels = rows.data();
    if (avif.ImageYUVToRGB(&frame, &rgb) != AVIF_RESULT_OK) {
        image.SetLastError("the picture came out of the decoder in a form this program cannot read");
        return false;
    }
    return StoreRgbRows(image, rows.data(), rgb.rowBytes, alpha ? 4 : 3);
}

}  // namespace

bool NamesAvifSequence(std::span<const std::uint8_t> file)
{
    if (file.size() < 16 || std::memcmp(file.data() + 4, "ftyp", 4) != 0)
        return false;
    const std::size_t boxEnd = std::min<std::size_t>(LoadBE32(file.data()), file.size());
    for (std::size_t at = 8; at + 4 <= boxEnd; at += 4)
        if (at != 12 && std::memcmp(file.data() + at, "avis", 4) == 0)  // 12: the minor version
            return true;
    return false;
}

bool DecodeAvifSequence(PxImage& image, std::span<const std::uint8_t> file)
{
    const Avif* functions = AvifFunctions();
    if (!functions) {
        image.SetLastError(("the AVIF file cannot be read: " + AvifLibrary().Problem()).c_str());
        return false;
    }
    const Avif& avif = *functions;
    const Decoder decoder(avif.DecoderCreate());
    if (!decoder) {
        image.SetLastError("Can't allocate memory");
        return false;
    }
    // dav1d is the decoder libavif hands its size limit to.
    decoder->codecChoice = AVIF_CODEC_CHOICE_DAV1D;
    decoder->requestedSource = AVIF_DECODER_SOURCE_TRACKS;
    // Read as leniently as libheif reads the still pictures.
    decoder->strictFlags = AVIF_STRICT_DISABLED;
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    // While parsing, libavif only compares the track's size with the limits,
    // so they are set as wide as it allows (it takes no size limit above its
    // default of 16384 x 16384 pixels): the size is checked below, in this
    // program's words.
    decoder->imageSizeLimit = AVIF_DEFAULT_IMAGE_SIZE_LIMIT;
    decoder->imageDimensionLimit = 0;
    // libavif keeps a record for every frame the track lists, and each frame
    // takes at least a byte of the file: a 65 KB file listing 2.4 million
    // frames made it hold 350 MB.
    decoder->imageCountLimit = std::uint32_t(std::clamp<std::size_t>(file.size(), 1, AVIF_DEFAULT_IMAGE_COUNT_LIMIT));
    avifResult result = avif.DecoderSetIOMemory(decoder.get(), file.data(), file.size());
    if (result == AVIF_RESULT_OK)
        result = avif.DecoderParse(decoder.get());
    if (result != AVIF_RESULT_OK)
        return Refuse(avif, image, *decoder, result);

    const avifImage& track = *decoder->image;
    if (image.info.escape == -1) {  // the caller wants the size only
        image.header.biWidth = LONG(track.width);
        image.header.biHeight = LONG(track.height);
        return true;
    }
    if (!CheckPictureSize(image, track.width, track.height, decoder->alphaPresent, "AVIF"))
        return false;
    if (image.info.escape) {
        image.SetLastError("Cancelled");
        return false;
    }
    // The coded frames may be larger than the track says (libavif scales
    // them to its size): dav1d refuses those beyond the ceiling before
    // allocating them.
    decoder->imageSizeLimit = std::uint32_t(std::min<std::uint64_t>(DecodePixelLimit(), AVIF_DEFAULT_IMAGE_SIZE_LIMIT));
    result = avif.DecoderNextImage(decoder.get());
    if (result != AVIF_RESULT_OK)
        return Refuse(avif, image, *decoder, result);
    if (!StoreFrame(avif, image, *decoder->image))
        return false;
    image.info.colourSpace = ColourSpaceOf(avif, *decoder->image);
    return true;
}

}  // namespace pximage
