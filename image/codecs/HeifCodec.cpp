#include "image/codecs/HeifCodec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <libheif/heif.h>

#include "image/ByteOrder.h"
#include "image/CodecTable.h"
#include "image/PxFile.h"
#include "image/codecs/AvifSequence.h"
#include "image/codecs/CodecSupport.h"
#include "image/codecs/HeifBoxes.h"
#include "image/codecs/RuntimeLibrary.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Brands = HeifCodec::Brands;

// libheif refuses pictures and tiles with a side of this many pixels or more
// before it decodes anything. Panoramas within the 500-megapixel limit stay
// below it; the pixel count of the picture is checked here before decoding.
constexpr int kMaxSide = 1 << 16;

// The libheif functions the codec calls (without their heif_ prefix).
#define ORVANTIS_HEIF_FUNCTIONS(F)                                                                               \
    F(context_alloc) F(context_free) F(context_set_maximum_image_size_limit)                                     \
    F(context_read_from_memory_without_copy) F(context_get_primary_image_handle) F(decoding_options_alloc)       \
    F(decoding_options_free) F(decode_image) F(image_release) F(image_get_plane_readonly) F(image_get_width)     \
    F(image_get_height) F(image_get_bits_per_pixel_range) F(image_handle_release) F(image_handle_get_width)      \
    F(image_handle_get_height) F(image_handle_has_alpha_channel) F(image_handle_is_premultiplied_alpha)          \
    F(image_handle_get_color_profile_type) F(image_handle_get_raw_color_profile_size)                           \
    F(image_handle_get_raw_color_profile) F(image_handle_get_nclx_color_profile) F(nclx_color_profile_free)

struct Heif {
#define ORVANTIS_DECLARE(name) decltype(&heif_##name) name;
    ORVANTIS_HEIF_FUNCTIONS(ORVANTIS_DECLARE)
#undef ORVANTIS_DECLARE
};

// libheif, opened when the first HEIF or AVIF picture is read.
const pximage::RuntimeLibrary& HeifLibrary()
{
    static const pximage::RuntimeLibrary library(ORVANTIS_HEIF_LIBRARY);
    return library;
}

// Its functions; null when it or one of them is missing (its Problem says which).
const Heif* HeifFunctions()
{
    static const std::optional<Heif> heif = []() -> std::optional<Heif> {
        Heif functions;
#define ORVANTIS_FIND(name) &&HeifLibrary().Find(functions.name, "heif_" #name)
        if (true ORVANTIS_HEIF_FUNCTIONS(ORVANTIS_FIND))
            return functions;
#undef ORVANTIS_FIND
        return std::nullopt;
    }();
    return heif ? &*heif : nullptr;
}

// Objects go back to the library that made them, which was open by then.
template <auto Heif::*Release>
struct Releaser {
    template <class T>
    void operator()(T* object) const
    {
        (HeifFunctions()->*Release)(object);
    }
};
using Context = std::unique_ptr<heif_context, Releaser<&Heif::context_free>>;
using Handle = std::unique_ptr<heif_image_handle, Releaser<&Heif::image_handle_release>>;
using Picture = std::unique_ptr<heif_image, Releaser<&Heif::image_release>>;
using Options = std::unique_ptr<heif_decoding_options, Releaser<&Heif::decoding_options_free>>;
using Nclx = std::unique_ptr<heif_color_profile_nclx, Releaser<&Heif::nclx_color_profile_free>>;

Brands BrandOf(const std::uint8_t* fourcc)
{
    static const char* const kHeif[] = {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs"};
    auto is = [fourcc](const char* brand) { return std::memcmp(fourcc, brand, 4) == 0; };
    if (std::any_of(std::begin(kHeif), std::end(kHeif), is))
        return Brands::Heif;
    if (is("avif") || is("avis"))
        return Brands::Avif;
    if (is("mif1") || is("msf1"))
        return Brands::Generic;
    return Brands::None;
}

// ---- Colour ----

// The record's codes are read as the numbers the file holds: libheif also
// hands over a record with codes it does not know, which its enumerations
// cannot hold.
std::uint32_t Code(const auto& field)
{
    static_assert(sizeof field == sizeof(std::uint32_t));
    std::uint32_t value;
    std::memcpy(&value, &field, sizeof value);
    return value;
}

std::shared_ptr<const ColourSpace> NclxColourSpace(const heif_color_profile_nclx& nclx)
{
    return pximage::CodedColourSpace(Code(nclx.color_primaries), Code(nclx.transfer_characteristics),
                                     {nclx.color_primary_white_x, nclx.color_primary_white_y,
                                      nclx.color_primary_red_x, nclx.color_primary_red_y,
                                      nclx.color_primary_green_x, nclx.color_primary_green_y,
                                      nclx.color_primary_blue_x, nclx.color_primary_blue_y});
}

// An ICC profile wins over colour parameters.
std::shared_ptr<const ColourSpace> ColourSpaceOf(const Heif& heif, const heif_image_handle* handle)
{
    const heif_color_profile_type type = heif.image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        auto space = std::make_shared<ColourSpace>();
        space->iccProfile.resize(heif.image_handle_get_raw_color_profile_size(handle));
        if (space->iccProfile.empty() ||
            heif.image_handle_get_raw_color_profile(handle, space->iccProfile.data()).code != heif_error_Ok)
            return nullptr;
        return space;
    }
    heif_color_profile_nclx* parameters = nullptr;
    const heif_error error = heif.image_handle_get_nclx_color_profile(handle, &parameters);
    // Owned whatever the outcome: for values it does not know, libheif
    // hands the record over together with its error.
    const Nclx nclx(parameters);
    if (error.code != heif_error_Ok || !nclx)
        return nullptr;
    return NclxColourSpace(*nclx);
}

// ---- Decoding ----

bool Refuse(PxImage& image, const char* format, const heif_error& error)
{
    if (error.code == heif_error_Memory_allocation_error) {
        image.SetLastError("Can't allocate memory");
        return false;
    }
    const char* what = error.code == heif_error_Unsupported_feature || error.code == heif_error_Unsupported_filetype
                           ? "uses a feature this program cannot read"
                       : error.subcode == heif_suberror_Security_limit_exceeded
                           ? "declares more than this program opens"
                           : "is damaged or cut short";
    char text[256];
    std::snprintf(text, sizeof text, "the %s file %s (%s)", format, what, error.message ? error.message : "");
    image.SetLastError(text);
    return false;
}

// libheif hands colours premultiplied by alpha over as they are stored; the
// alpha plane goes with straight colours.
void Unpremultiply(PxImage& image)
{
    const std::uint32_t width = image.GetWidth();
    for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
        std::uint8_t* bgr = image.GetBits(y);
        const std::uint8_t* alpha = image.alpha + std::size_t(y) * width;
        for (std::uint32_t x = 0; x < width; ++x, bgr += 3) {
            const unsigned a = alpha[x];
            if (a == 0 || a == 255)
                continue;
            for (int c = 0; c < 3; ++c)
                bgr[c] = std::uint8_t(std::min(255u, (bgr[c] * 255u + a / 2) / a));
        }
    }
}

// The id a file is named by: its brands, else the coding of its items.
std::uint32_t FormatOf(std::span<const std::uint8_t> file)
{
    switch (HeifCodec::BrandsOf(file)) {
    case Brands::Heif:
        return FormatHeif;
    case Brands::Avif:
        return FormatAvif;
    default:
        return pximage::CarriesAv1(file) ? FormatAvif : FormatHeif;
    }
}

bool RefuseDamaged(PxImage& image, const char* name, const char* how)
{
    char text[128];
    std::snprintf(text, sizeof text, "the %s file is damaged: %s", name, how);
    image.SetLastError(text);
    return false;
}

// What libheif takes for granted before it decodes: the picture, and every
// size its items declare, within the limits (libheif and its decoders
// allocate for each before anything is decoded), and the pictures its
// derived pictures are made of present.
bool CheckBeforeDecoding(const Heif& heif, PxImage& image, std::span<const std::uint8_t> file,
                         const heif_image_handle* handle, bool alpha, const char* name)
{
    const int width = heif.image_handle_get_width(handle), height = heif.image_handle_get_height(handle);
    if (!pximage::CheckPictureSize(image, std::max(width, 0), std::max(height, 0), alpha, name))
        return false;
    const std::optional<std::vector<pximage::PictureSize>> declared = pximage::DeclaredPictureSizes(file);
    if (!declared)
        return RefuseDamaged(image, name, "its items read the same data more often than any picture needs");
    const bool within = std::all_of(declared->begin(), declared->end(), [&](const pximage::PictureSize& size) {
        return pximage::CheckPictureSize(image, size.width, size.height, alpha, name);
    });
    if (within && !pximage::DerivationSourcesExist(file))
        return RefuseDamaged(image, name, "a picture is made from one the file does not hold");
    return within;
}

// The decoded interleaved red, green, blue (and alpha) rows into this picture.
bool StorePicture(const Heif& heif, PxImage& image, const heif_image* picture, bool alpha, std::uint32_t format,
                  const char* name)
{
    int stride = 0;
    const std::uint8_t* rows = heif.image_get_plane_readonly(picture, heif_channel_interleaved, &stride);
    const int width = heif.image_get_width(picture, heif_channel_interleaved);
    const int height = heif.image_get_height(picture, heif_channel_interleaved);
    if (!rows || stride <= 0 || heif.image_get_bits_per_pixel_range(picture, heif_channel_interleaved) != 8) {
        image.SetLastError("the picture came out of the decoder in a form this program cannot read");
        return false;
    }
    if (!pximage::CheckPictureSize(image, std::max(width, 0), std::max(height, 0), alpha, name) ||
        !pximage::CreateRgb(image, std::uint32_t(width), std::uint32_t(height), format, alpha))
        return false;
    return pximage::StoreRgbRows(image, rows, std::size_t(stride), alpha ? 4 : 3);
}

bool DecodeHeif(PxFile& file, PxImage& image)
{
    std::uint8_t head[pximage::kSignatureBytes];
    if (HeifCodec::BrandsOf({head, pximage::PeekBytes(file, head, sizeof head)}) == Brands::None) {
        image.SetLastError("the file is not a HEIF or AVIF picture");
        return false;
    }
    Bytes bytes;
    if (!pximage::ReadWholeStream(image, file, bytes))
        return false;
    const std::uint32_t format = FormatOf(bytes);
    const char* name = format == FormatAvif ? "AVIF" : "HEIF";
    const Heif* functions = HeifFunctions();
    if (!functions) {
        const std::string text = std::string("the ") + name + " file cannot be read: " + HeifLibrary().Problem();
        image.SetLastError(text.c_str());
        return false;
    }
    const Heif& heif = *functions;
    const Context context(heif.context_alloc());
    const Options options(heif.decoding_options_alloc());
    if (!context || !options) {
        image.SetLastError("Can't allocate memory");
        return false;
    }
    heif.context_set_maximum_image_size_limit(context.get(), kMaxSide);
    heif_error error = heif.context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr);
    heif_image_handle* primary = nullptr;
    if (error.code == heif_error_Ok)
        error = heif.context_get_primary_image_handle(context.get(), &primary);
    const Handle handle(primary);
    if (error.code != heif_error_Ok)
        return pximage::NamesAvifSequence(bytes) ? pximage::DecodeAvifSequence(image, bytes) : Refuse(image, name, error);

    const bool alpha = heif.image_handle_has_alpha_channel(handle.get()) != 0;
    if (image.info.escape == -1) {  // the caller wants the size only
        image.header.biWidth = LONG(heif.image_handle_get_width(handle.get()));
        image.header.biHeight = LONG(heif.image_handle_get_height(handle.get()));
        return true;
    }
    if (!CheckBeforeDecoding(heif, image, bytes, handle.get(), alpha, name))
        return false;
    if (image.info.escape) {
        image.SetLastError("Cancelled");
        return false;
    }
    options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    error = heif.decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    const Picture picture(decoded);
    if (error.code != heif_error_Ok)
        return Refuse(image, name, error);
    if (!StorePicture(heif, image, picture.get(), alpha, format, name))
        return false;
    if (alpha && heif.image_handle_is_premultiplied_alpha(handle.get()))
        Unpremultiply(image);
    image.info.colourSpace = ColourSpaceOf(heif, handle.get());
    return true;
}

}  // namespace

HeifCodec::Brands HeifCodec::BrandsOf(std::span<const std::uint8_t> head)
{
    if (head.size() < 16 || std::memcmp(head.data() + 4, "ftyp", 4) != 0)
        return Brands::None;
    const Brands major = BrandOf(head.data() + 8);
    if (major == Brands::Heif || major == Brands::Avif)
        return major;
    // Compatible brands follow the minor version, to the end of the box.
    const std::size_t boxEnd = std::min<std::size_t>(pximage::LoadBE32(head.data()), head.size());
    Brands found = major;
    for (std::size_t at = 16; at + 4 <= boxEnd; at += 4) {
        const Brands brand = BrandOf(head.data() + at);
        if (brand == Brands::Heif || brand == Brands::Avif)
            return brand;
        if (brand == Brands::Generic)
            found = brand;
    }
    return found;
}

bool HeifCodec::Decode(PxFile* file)
{
    return pximage::DecodeGuarded(*this, file, "null file handler", DecodeHeif);
}
