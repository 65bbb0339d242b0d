// Colour conversion with Little CMS. Every call works in a library context
// of its own, so conversions on several threads share no state, and that
// context's message handler drops the library's complaints about damaged
// profiles: a photo with a broken profile still opens, as it is.
#include "image/ColourConvert.h"

#include <lcms2.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// An embedded profile is hostile data: one larger than this is refused
// unread, which bounds what opening it and building a transform from its
// tables can cost. Real RGB and grey profiles stay far below.
constexpr std::size_t kMaxProfileBytes = 8u << 20;

// Floating-point pipelines (the DToB tags) may chain any number of elements
// and curve segments, and every sample a transform precomputes would pass
// through all of them: a profile of a few megabytes could take minutes.
// Pictures do not embed them, so a profile carrying one is refused.
constexpr cmsTagSignature kFloatPipelines[] = {cmsSigDToB0Tag, cmsSigDToB1Tag, cmsSigDToB2Tag, cmsSigDToB3Tag};

// How close a profile must come to sRGB for its pixels to be kept as they
// are: each D50-adapted colorant within this in X, Y and Z, each curve
// within half a level at every 8-bit code.
constexpr double kColorantTolerance = 0.002;
constexpr double kCurveTolerance = 0.5 / 255;

// The BT.709 primaries with a D65 white, which sRGB shares: what a colour
// space without chromaticities has.
constexpr ColourSpace::Chromaticities kSrgbPrimaries{0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};

// Parametric curve type 4: Y = (aX + b)^g for X >= d, else cX; the
// parameters are g, a, b, c, d.
constexpr cmsFloat64Number kSrgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
constexpr cmsFloat64Number kBt709Curve[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};

template <auto Release>
struct Releaser {
    template <class T>
    void operator()(T* object) const
    {
        Release(object);
    }
};
using Context = std::unique_ptr<std::remove_pointer_t<cmsContext>, Releaser<cmsDeleteContext>>;
using Profile = std::unique_ptr<void, Releaser<cmsCloseProfile>>;
using Transform = std::unique_ptr<void, Releaser<cmsDeleteTransform>>;
using Curve = std::unique_ptr<cmsToneCurve, Releaser<cmsFreeToneCurve>>;

void IgnoreMessage(cmsContext, cmsUInt32Number, const char*) {}

// ---- Source profiles ----

// The colour models a picture's pixels can be in.
enum class Model { Rgb, Grey };

struct SourceProfile {
    Profile profile;
    Model model = Model::Rgb;
};

std::uint32_t HeaderField(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 | std::uint32_t(bytes[at + 2]) << 8 |
           bytes[at + 3];
}

// The device class and colour model are read from the header's bytes: the
// library hands them over as enumerations, which a file's unknown values
// would make invalid.
SourceProfile ProfileFromIcc(cmsContext context, const std::vector<std::uint8_t>& bytes)
{
    constexpr std::size_t kHeaderBytes = 128, kClassAt = 12, kModelAt = 16;
    if (bytes.size() > kMaxProfileBytes || bytes.size() < kHeaderBytes)
        return {};
    // Only profiles of devices and colour spaces describe pixels; links,
    // abstract and named-colour profiles do not.
    switch (HeaderField(bytes, kClassAt)) {
    case cmsSigInputClass:
    case cmsSigDisplayClass:
    case cmsSigOutputClass:
    case cmsSigColorSpaceClass: break;
    default: return {};
    }
    const std::uint32_t model = HeaderField(bytes, kModelAt);
    if (model != cmsSigRgbData && model != cmsSigGrayData)
        return {};
    Profile profile(cmsOpenProfileFromMemTHR(context, bytes.data(), cmsUInt32Number(bytes.size())));
    if (!profile)
        return {};
    for (cmsTagSignature tag : kFloatPipelines)
        if (cmsIsTag(profile.get(), tag))
            return {};
    return {std::move(profile), model == cmsSigGrayData ? Model::Grey : Model::Rgb};
}

Curve TransferCurve(cmsContext context, const ColourSpace& space)
{
    switch (space.transfer) {
    case ColourSpace::Transfer::Linear: return Curve(cmsBuildGamma(context, 1.0));
    case ColourSpace::Transfer::Gamma:
        if (!std::isfinite(space.gamma) || space.gamma <= 0)
            return nullptr;
        return Curve(cmsBuildGamma(context, space.gamma));
    case ColourSpace::Transfer::Bt709: return Curve(cmsBuildParametricToneCurve(context, 4, kBt709Curve));
    case ColourSpace::Transfer::Srgb:
    case ColourSpace::Transfer::Unknown: break;
    }
    return Curve(cmsBuildParametricToneCurve(context, 4, kSrgbCurve));
}

bool Plausible(const ColourSpace::Chromaticities& c)
{
    for (const auto& [x, y] : {std::pair{c.whiteX, c.whiteY}, std::pair{c.redX, c.redY},
                               std::pair{c.greenX, c.greenY}, std::pair{c.blueX, c.blueY}})
        if (!std::isfinite(x) || !std::isfinite(y) || y <= 0)
            return false;
    return true;
}

// A matrix-shaper profile made of the chromaticities and the transfer.
// The library refuses primaries it cannot make a matrix of.
Profile ProfileFromPrimaries(cmsContext context, const ColourSpace& space)
{
    const ColourSpace::Chromaticities& c = space.hasChromaticities ? space.chromaticities : kSrgbPrimaries;
    if (!Plausible(c))
        return nullptr;
    const Curve curve = TransferCurve(context, space);
    if (!curve)
        return nullptr;
    const cmsCIExyY white{c.whiteX, c.whiteY, 1.0};
    const cmsCIExyYTRIPLE primaries{{c.redX, c.redY, 1.0}, {c.greenX, c.greenY, 1.0}, {c.blueX, c.blueY, 1.0}};
    cmsToneCurve* const curves[3] = {curve.get(), curve.get(), curve.get()};
    return Profile(cmsCreateRGBProfileTHR(context, &white, &primaries, curves));
}

// ---- Profiles that amount to sRGB ----

double EncodeSrgb(double linear)
{
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

bool CurveIsSrgb(cmsHPROFILE profile, cmsTagSignature tag)
{
    const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag));
    if (!curve)
        return false;
    for (int code = 0; code < 256; ++code) {
        const double level = code / 255.0;
        if (!(std::fabs(EncodeSrgb(cmsEvalToneCurveFloat(curve, cmsFloat32Number(level))) - level) <= kCurveTolerance))
            return false;
    }
    return true;
}

bool SameColorant(cmsHPROFILE profile, cmsHPROFILE srgb, cmsTagSignature tag)
{
    const auto* given = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag));
    const auto* wanted = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb, tag));
    return given && wanted && std::fabs(given->X - wanted->X) <= kColorantTolerance &&
           std::fabs(given->Y - wanted->Y) <= kColorantTolerance &&
           std::fabs(given->Z - wanted->Z) <= kColorantTolerance;
}

// Whether the profile is sRGB in all but its bytes, as the sRGB profiles
// cameras embed are: a matrix-shaper (with no lookup tables, which the
// library would use instead) with sRGB's colorants and curve, or a grey
// profile with the sRGB curve. Its pixels are sRGB already, and a round
// trip through the library could still move some of them by a level.
bool IsEffectivelySrgb(cmsHPROFILE profile, Model model, cmsHPROFILE srgb)
{
    if (!cmsIsMatrixShaper(profile) || cmsIsTag(profile, cmsSigAToB0Tag))
        return false;
    if (model == Model::Grey)
        return CurveIsSrgb(profile, cmsSigGrayTRCTag);
    return SameColorant(profile, srgb, cmsSigRedColorantTag) && SameColorant(profile, srgb, cmsSigGreenColorantTag) &&
           SameColorant(profile, srgb, cmsSigBlueColorantTag) && CurveIsSrgb(profile, cmsSigRedTRCTag) &&
           CurveIsSrgb(profile, cmsSigGreenTRCTag) && CurveIsSrgb(profile, cmsSigBlueTRCTag);
}

// ---- Pixels ----

// What a transform works on: the blue, green, red rows of a 24-bit picture,
// its palette (blue, green, red, reserved), or the same with grey pixels
// read as grey levels.
enum class Target { Rows, GreyRows, Palette, GreyPalette };

bool HasGreyPalette(const PxImage& picture)
{
    const RGBQUAD* palette = picture.GetPalette();
    for (std::uint32_t i = 0; i < picture.GetNumColors(); ++i)
        if (palette[i].rgbRed != palette[i].rgbGreen || palette[i].rgbBlue != palette[i].rgbGreen)
            return false;
    return true;
}

// A grey file with an alpha channel decodes to 24 bits.
bool HasGreyRows(const PxImage& picture)
{
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y) {
        const std::uint8_t* pixel = picture.GetBits(y);
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x, pixel += 3)
            if (pixel[0] != pixel[1] || pixel[2] != pixel[1])
                return false;
    }
    return true;
}

// Nothing when the profile's colour model is not the pixels'. A CMYK
// profile (refused before this) in particular comes with pixels the decoder
// has already turned into blue, green and red by a formula of its own: the
// profile no longer describes them, so they are left as they are.
std::optional<Target> TargetFor(const PxImage& picture, Model model)
{
    const bool indexed = picture.IsIndexed();
    if (!indexed && picture.GetBpp() != 24)
        return std::nullopt;
    if (model == Model::Rgb)
        return indexed ? Target::Palette : Target::Rows;
    if (indexed && HasGreyPalette(picture))
        return Target::GreyPalette;
    if (!indexed && HasGreyRows(picture))
        return Target::GreyRows;
    return std::nullopt;
}

// The grey level of a grey 24-bit pixel is its first byte; the other two
// ride along as extra channels the transform skips.
constexpr cmsUInt32Number kGreyOfBgr = COLORSPACE_SH(PT_GRAY) | EXTRA_SH(2) | CHANNELS_SH(1) | BYTES_SH(1);

Transform MakeTransform(cmsContext context, cmsHPROFILE source, cmsHPROFILE srgb, Target target)
{
    cmsUInt32Number input = TYPE_BGR_8, output = TYPE_BGR_8;
    switch (target) {
    case Target::Rows: break;
    case Target::GreyRows: input = kGreyOfBgr; break;
    case Target::Palette: input = output = TYPE_BGRA_8; break;
    case Target::GreyPalette:
        input = TYPE_GRAY_8;
        output = TYPE_BGRA_8;
        break;
    }
    return Transform(cmsCreateTransformTHR(context, source, input, srgb, output, INTENT_PERCEPTUAL,
                                           cmsFLAGS_BLACKPOINTCOMPENSATION));
}

// In place, each pixel read before it is written. Palette entries keep
// their reserved byte (palette alpha): the transform writes no extra channel
// unless asked to copy it.
void Apply(cmsHTRANSFORM transform, PxImage& picture, Target target)
{
    RGBQUAD* palette = picture.GetPalette();
    const std::uint32_t entries = picture.GetNumColors();
    switch (target) {
    case Target::Rows:
    case Target::GreyRows:
        for (std::uint32_t y = 0; y < picture.GetHeight(); ++y) {
            std::uint8_t* row = picture.GetBits(y);
            cmsDoTransform(transform, row, row, picture.GetWidth());
        }
        break;
    case Target::Palette: cmsDoTransform(transform, palette, palette, entries); break;
    case Target::GreyPalette: {
        std::uint8_t levels[256];
        for (std::uint32_t i = 0; i < entries; ++i)
            levels[i] = palette[i].rgbGreen;
        cmsDoTransform(transform, levels, palette, entries);
        break;
    }
    }
    picture.info.nearestValid = false;
}

}  // namespace

bool ConvertToSrgb(PxImage& picture)
{
    const std::shared_ptr<const ColourSpace> space = picture.info.colourSpace;
    if (!space || !picture.IsValid())
        return false;
    const Context context(cmsCreateContext(nullptr, nullptr));
    if (!context)
        return false;
    cmsSetLogErrorHandlerTHR(context.get(), IgnoreMessage);
    const SourceProfile source = space->iccProfile.empty()
                                     ? SourceProfile{ProfileFromPrimaries(context.get(), *space), Model::Rgb}
                                     : ProfileFromIcc(context.get(), space->iccProfile);
    const Profile srgb(cmsCreate_sRGBProfileTHR(context.get()));
    if (!source.profile || !srgb)
        return false;
    const std::optional<Target> target = TargetFor(picture, source.model);
    if (!target)
        return false;
    if (IsEffectivelySrgb(source.profile.get(), source.model, srgb.get())) {
        picture.info.colourSpace.reset();
        return false;
    }
    const Transform transform = MakeTransform(context.get(), source.profile.get(), srgb.get(), *target);
    if (!transform)
        return false;
    Apply(transform.get(), picture, *target);
    picture.info.colourSpace.reset();
    return true;
}
