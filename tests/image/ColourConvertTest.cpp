// Photos saved in a wide colour space, made here the way an editor saves
// them: sRGB pixels converted into the space, the profile (or PNG's cHRM and
// gAMA) written into the file. Decoding and converting must give back the
// sRGB colours.
#include <gtest/gtest.h>

#include <lcms2.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "image/ColourConvert.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"

namespace {

using codectest::Bytes;
using codectest::MaxColourDifference;

constexpr cmsCIExyY kD65{0.3127, 0.3290, 1.0};
constexpr cmsCIExyY kD50{0.3457, 0.3585, 1.0};
constexpr cmsCIExyYTRIPLE kAdobePrimaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
constexpr cmsCIExyYTRIPLE kSrgbPrimaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
constexpr cmsCIExyYTRIPLE kRommPrimaries{{0.7347, 0.2653, 1.0}, {0.1596, 0.8404, 1.0}, {0.0366, 0.0001, 1.0}};

Bytes Saved(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// An RGB matrix-shaper profile; a long description makes it as large as asked.
Bytes RgbProfile(const cmsCIExyY& white, const cmsCIExyYTRIPLE& primaries, cmsToneCurve* curve,
                 std::size_t descriptionBytes = 0)
{
    cmsToneCurve* const curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    if (descriptionBytes) {
        cmsMLU* description = cmsMLUalloc(nullptr, 1);
        cmsMLUsetASCII(description, "en", "US", std::string(descriptionBytes, 'd').c_str());
        cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
        cmsMLUfree(description);
    }
    return Saved(profile);
}

Bytes AdobeLike(std::size_t descriptionBytes = 0)
{
    return RgbProfile(kD65, kAdobePrimaries, cmsBuildGamma(nullptr, 563.0 / 256), descriptionBytes);
}

Bytes ProPhotoLike()
{
    return RgbProfile(kD50, kRommPrimaries, cmsBuildGamma(nullptr, 1.8));
}

Bytes GreyProfile(double gamma)
{
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    const Bytes profile = Saved(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    return profile;
}

// Converts count sRGB pixels of the given layout into the profile's space.
void IntoSpace(const Bytes& profile, cmsUInt32Number format, void* pixels, cmsUInt32Number count)
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE wide = cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size()));
    cmsHTRANSFORM transform = cmsCreateTransform(srgb, format, wide, format, INTENT_PERCEPTUAL,
                                                 cmsFLAGS_BLACKPOINTCOMPENSATION);
    ASSERT_NE(transform, nullptr);
    cmsDoTransform(transform, pixels, pixels, count);
    cmsDeleteTransform(transform);
    cmsCloseProfile(wide);
    cmsCloseProfile(srgb);
}

// A smooth blend (which JPEG keeps well) between corners a wide space moves
// far: the red 230, 20, 30, a green, a blue and a light grey; none so
// saturated that eight bits of ProPhoto lose more than three levels of it.
// Rows have no padding.
PxImage Sample()
{
    constexpr std::uint32_t kWidth = 96, kHeight = 32, kArea = (kWidth - 1) * (kHeight - 1);
    constexpr RGBQUAD kCorners[4] = {{30, 20, 230, 0}, {80, 180, 50, 0}, {210, 50, 30, 0}, {200, 200, 200, 0}};
    PxImage picture(kWidth, kHeight, 24);
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        std::uint8_t* row = picture.GetBits(y);
        for (std::uint32_t x = 0; x < kWidth; ++x, row += 3) {
            const std::uint32_t weights[4] = {(kWidth - 1 - x) * (kHeight - 1 - y), x * (kHeight - 1 - y),
                                              (kWidth - 1 - x) * y, x * y};
            auto blend = [&](std::uint8_t RGBQUAD::*channel) {
                std::uint32_t sum = kArea / 2;
                for (int i = 0; i < 4; ++i)
                    sum += weights[i] * (kCorners[i].*channel);
                return std::uint8_t(sum / kArea);
            };
            row[0] = blend(&RGBQUAD::rgbBlue);
            row[1] = blend(&RGBQUAD::rgbGreen);
            row[2] = blend(&RGBQUAD::rgbRed);
        }
    }
    return picture;
}

Bytes Encode(PxImage& picture, std::uint32_t type)
{
    std::uint8_t* data = nullptr;
    std::int32_t length = 0;
    EXPECT_TRUE(picture.Encode(data, length, type)) << picture.GetLastError();
    Bytes bytes(data, data + length);
    std::free(data);
    return bytes;
}

void PutBE32(Bytes& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(std::uint8_t(value >> shift));
}

// ---- Tagging files ----

// The profile as APP2 segments after the JFIF marker. Each goes in front of
// the one before, so the chunks lie in reverse order, which the decoder must
// undo.
Bytes WithJpegProfile(Bytes jpeg, const Bytes& profile)
{
    constexpr std::size_t kChunk = 65519;
    const std::size_t count = (profile.size() + kChunk - 1) / kChunk;
    const std::ptrdiff_t at = 4 + (jpeg[4] << 8 | jpeg[5]);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t size = std::min(kChunk, profile.size() - i * kChunk);
        Bytes segment{0xFF, 0xE2, std::uint8_t((size + 16) >> 8), std::uint8_t(size + 16),
                      'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0,
                      std::uint8_t(i + 1), std::uint8_t(count)};
        segment.insert(segment.end(), profile.begin() + std::ptrdiff_t(i * kChunk),
                       profile.begin() + std::ptrdiff_t(i * kChunk + size));
        jpeg.insert(jpeg.begin() + at, segment.begin(), segment.end());
    }
    return jpeg;
}

Bytes PngChunk(const char* type, const Bytes& body)
{
    Bytes chunk;
    PutBE32(chunk, std::uint32_t(body.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    PutBE32(chunk, std::uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4))));
    return chunk;
}

Bytes IccpChunk(const Bytes& profile)
{
    Bytes body{'i', 'c', 'c', 0, 0};
    uLongf size = compressBound(uLong(profile.size()));
    body.resize(5 + size);
    compress(body.data() + 5, &size, profile.data(), uLong(profile.size()));
    body.resize(5 + size);
    return PngChunk("iCCP", body);
}

Bytes GamaChunk(std::uint32_t gamma)
{
    Bytes body;
    PutBE32(body, gamma);
    return PngChunk("gAMA", body);
}

Bytes ChrmChunk(const cmsCIExyY& white, const cmsCIExyYTRIPLE& p)
{
    Bytes body;
    for (double v : {white.x, white.y, p.Red.x, p.Red.y, p.Green.x, p.Green.y, p.Blue.x, p.Blue.y})
        PutBE32(body, std::uint32_t(std::lround(v * 100000)));
    return PngChunk("cHRM", body);
}

Bytes operator+(Bytes first, const Bytes& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The chunks go right after IHDR, before any palette.
Bytes WithPngChunks(Bytes png, const Bytes& chunks)
{
    png.insert(png.begin() + 33, chunks.begin(), chunks.end());
    return png;
}

Bytes TiffWithProfile(const PxImage& picture, const Bytes& profile)
{
    std::FILE* file = std::tmpfile();
    TIFF* tif = TIFFFdOpen(dup(fileno(file)), "tagged.tif", "w");
    const std::uint32_t width = picture.GetWidth(), height = picture.GetHeight();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, std::uint32_t(profile.size()), profile.data());
    Bytes rgb(3 * width);
    for (std::uint32_t r = 0; r < height; ++r) {
        const std::uint8_t* bgr = picture.GetBits(height - 1 - r);
        for (std::uint32_t i = 0; i < 3 * width; i += 3) {
            rgb[i] = bgr[i + 2];
            rgb[i + 1] = bgr[i + 1];
            rgb[i + 2] = bgr[i];
        }
        TIFFWriteScanline(tif, rgb.data(), r, 0);
    }
    TIFFClose(tif);
    std::fseek(file, 0, SEEK_END);
    Bytes bytes(std::size_t(std::ftell(file)));
    std::rewind(file);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    return bytes;
}

PxImage Decoded(Bytes bytes)
{
    PxImage picture;
    EXPECT_TRUE(picture.Decode(bytes.data(), std::int32_t(bytes.size()), FormatUnknown)) << picture.GetLastError();
    return picture;
}

// ---- Wide spaces come back to sRGB ----

enum class Carrier { Jpeg, Png, PngChromaticities, Tiff };

struct WideCase {
    const char* name;
    Carrier carrier;
    Bytes profile;
    int tolerance;
};

Bytes Tagged(const WideCase& c, PxImage& wide)
{
    switch (c.carrier) {
    case Carrier::Jpeg:
        wide.SetJpegQuality(100);
        return WithJpegProfile(Encode(wide, FormatJpg), c.profile);
    case Carrier::Png: return WithPngChunks(Encode(wide, FormatPng), IccpChunk(c.profile));
    case Carrier::PngChromaticities:  // gAMA 1/1.8
        return WithPngChunks(Encode(wide, FormatPng), ChrmChunk(kD50, kRommPrimaries) + GamaChunk(55556));
    case Carrier::Tiff: break;
    }
    return TiffWithProfile(wide, c.profile);
}

TEST(ColourConvert, WideSpacesComeBackToTheirSrgbColours)
{
    // Saved as sRGB, the picture loses 6 levels to JPEG's halved chroma
    // resolution alone; a wide space stretches that error.
    const WideCase cases[] = {
        {"jpeg adobe", Carrier::Jpeg, AdobeLike(), 8},
        {"jpeg adobe, profile over three APP2 chunks", Carrier::Jpeg, AdobeLike(70000), 8},
        {"jpeg prophoto", Carrier::Jpeg, ProPhotoLike(), 12},
        {"png adobe", Carrier::Png, AdobeLike(), 3},
        {"png prophoto", Carrier::Png, ProPhotoLike(), 3},
        {"png prophoto by cHRM and gAMA", Carrier::PngChromaticities, ProPhotoLike(), 3},
        {"tiff adobe", Carrier::Tiff, AdobeLike(), 3},
        {"tiff prophoto", Carrier::Tiff, ProPhotoLike(), 3},
    };
    for (const WideCase& c : cases) {
        SCOPED_TRACE(c.name);
        const PxImage original = Sample();
        PxImage wide = Sample();
        IntoSpace(c.profile, TYPE_BGR_8, wide.GetBits(), wide.GetWidth() * wide.GetHeight());
        PxImage picture = Decoded(Tagged(c, wide));
        ASSERT_TRUE(picture.info.colourSpace);
        if (c.carrier != Carrier::PngChromaticities) {
            EXPECT_EQ(picture.info.colourSpace->iccProfile, c.profile);
        }
        EXPECT_GT(MaxColourDifference(picture, original), 20) << "the space must matter";
        EXPECT_TRUE(ConvertToSrgb(picture));
        EXPECT_FALSE(picture.info.colourSpace);
        EXPECT_LE(MaxColourDifference(picture, original), c.tolerance);
    }
}

TEST(ColourConvert, PaletteIsConvertedAndKeepsItsAlpha)
{
    const Bytes profile = ProPhotoLike();
    PxImage picture(16, 16, 8);
    RGBQUAD* palette = picture.GetPalette();
    for (std::uint32_t i = 0; i < 256; ++i)
        palette[i] = {std::uint8_t(60 + i * 7 % 128), std::uint8_t(180 - i / 4), std::uint8_t(80 + i % 96), std::uint8_t(i)};
    picture.info.alphaPaletteEnabled = true;
    for (std::uint32_t y = 0; y < 16; ++y)
        for (std::uint32_t x = 0; x < 16; ++x)
            picture.GetBits(y)[x] = std::uint8_t(16 * y + x);
    PxImage wide(picture);
    IntoSpace(profile, TYPE_BGRA_8, wide.GetPalette(), 256);

    PxImage decoded = Decoded(WithPngChunks(Encode(wide, FormatPng), IccpChunk(profile)));
    ASSERT_TRUE(decoded.IsIndexed());
    EXPECT_GT(MaxColourDifference(decoded, picture), 20);
    EXPECT_TRUE(ConvertToSrgb(decoded));
    EXPECT_LE(MaxColourDifference(decoded, picture), 3);
    for (std::uint8_t i : {0, 1, 128, 255})
        EXPECT_EQ(decoded.GetPaletteColor(i).rgbReserved, i);
}

// A grey profile turns grey palettes, and the grey 24-bit pixels a grey PNG
// with alpha decodes to, into the sRGB greys they stand for: linear 50/255 is
// sRGB 124.
TEST(ColourConvert, GreyProfileOnGreyPixels)
{
    const Bytes profile = GreyProfile(1.0);
    PxImage indexed(16, 16, 8);
    testimages::SetGreyPalette(indexed);
    PxImage decoded = Decoded(WithJpegProfile(Encode(indexed, FormatJpg), profile));
    ASSERT_TRUE(decoded.IsIndexed());
    EXPECT_TRUE(ConvertToSrgb(decoded));
    const RGBQUAD c = decoded.GetPaletteColor(50);
    EXPECT_NEAR(c.rgbGreen, 124, 2);
    EXPECT_EQ(c.rgbRed, c.rgbGreen);
    EXPECT_EQ(c.rgbBlue, c.rgbGreen);

    PxImage rgb(4, 4, 24);
    rgb.Clear(50);
    auto space = std::make_shared<ColourSpace>();
    space->iccProfile = profile;
    rgb.info.colourSpace = space;
    EXPECT_TRUE(ConvertToSrgb(rgb));
    for (std::uint8_t level : {rgb.GetBits(0)[0], rgb.GetBits(3)[11]})
        EXPECT_NEAR(level, 124, 2);
}

// ---- sRGB keeps every byte ----

TEST(ColourConvert, SrgbFilesKeepTheirBytes)
{
    const Bytes srgb = Saved(cmsCreate_sRGBProfile());
    // The curve as a 1024-entry table, as cameras embed it.
    std::vector<cmsUInt16Number> table(1024);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const double v = double(i) / 1023;
        table[i] = cmsUInt16Number(std::lround(65535 * (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4))));
    }
    const Bytes tabulated = RgbProfile(kD65, kSrgbPrimaries, cmsBuildTabulatedToneCurve16(nullptr, 1024, table.data()));
    PxImage sample = Sample();
    const Bytes png = Encode(sample, FormatPng);
    const Bytes files[] = {
        png,
        WithPngChunks(png, IccpChunk(srgb)),
        WithPngChunks(png, IccpChunk(tabulated)),
        WithJpegProfile(Encode(sample, FormatJpg), srgb),
        TiffWithProfile(sample, tabulated),
        // gAMA 1/2.2 with the sRGB primaries, or alone, is sRGB.
        WithPngChunks(png, ChrmChunk(kD65, kSrgbPrimaries) + GamaChunk(45455)),
        WithPngChunks(png, GamaChunk(45455)),
    };
    for (const Bytes& file : files) {
        SCOPED_TRACE(&file - files);
        PxImage picture = Decoded(file);
        const PxImage before(picture);
        EXPECT_FALSE(ConvertToSrgb(picture));
        EXPECT_FALSE(picture.info.colourSpace);
        EXPECT_TRUE(testimages::SamePixels(picture, before));
    }
}

// gAMA 100000 declares linear samples: a stored half is sRGB 188.
TEST(ColourConvert, LinearPngIsConverted)
{
    PxImage grey(8, 8, 24);
    grey.Clear(128);
    PxImage picture = Decoded(WithPngChunks(Encode(grey, FormatPng), GamaChunk(100000)));
    ASSERT_TRUE(picture.info.colourSpace);
    EXPECT_FALSE(picture.info.colourSpace->hasChromaticities);
    EXPECT_DOUBLE_EQ(picture.info.colourSpace->gamma, 1.0);
    EXPECT_TRUE(ConvertToSrgb(picture));
    for (std::uint8_t level : {picture.GetBits(0)[0], picture.GetBits(7)[23]})
        EXPECT_NEAR(level, 188, 1);
}

// ---- What cannot be applied leaves the picture ----

TEST(ColourConvert, UnusableColourSpacesLeaveThePicture)
{
    std::mt19937 rng(7);
    Bytes random(3000);
    for (std::uint8_t& byte : random)
        byte = std::uint8_t(rng());
    const Bytes adobe = AdobeLike();
    Bytes truncated(adobe.begin(), adobe.begin() + std::ptrdiff_t(adobe.size() / 2));
    // A real header that claims the whole length, over missing tags.
    Bytes cut(adobe.begin(), adobe.begin() + 200);

    // Damaged profiles still let the photo open.
    PxImage sample = Sample();
    const Bytes jpeg = Encode(sample, FormatJpg);
    for (const Bytes& profile : {random, truncated, cut}) {
        PxImage picture = Decoded(WithJpegProfile(jpeg, profile));
        ASSERT_TRUE(picture.IsValid());
        const PxImage before(picture);
        EXPECT_FALSE(ConvertToSrgb(picture));
        EXPECT_TRUE(testimages::SamePixels(picture, before));
        EXPECT_TRUE(picture.info.colourSpace);
    }

    // A floating-point pipeline, which could make any transform slow.
    cmsHPROFILE floating = cmsOpenProfileFromMem(adobe.data(), cmsUInt32Number(adobe.size()));
    cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 3, 3);
    constexpr double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocMatrix(nullptr, 3, 3, kIdentity, nullptr));
    cmsWriteTag(floating, cmsSigDToB0Tag, pipeline);
    cmsPipelineFree(pipeline);
    const Bytes floatPipeline = Saved(floating);

    // Profiles of another colour model than the pixels, nonsensical chromaticities, an exponent of 0.
    auto icc = [](Bytes profile) {
        ColourSpace space;
        space.iccProfile = std::move(profile);
        return space;
    };
    auto primaries = [](const ColourSpace::Chromaticities& xy) {
        ColourSpace space;
        space.hasChromaticities = true;
        space.chromaticities = xy;
        return space;
    };
    ColourSpace zeroGamma;
    zeroGamma.transfer = ColourSpace::Transfer::Gamma;
    const ColourSpace spaces[] = {
        icc(floatPipeline),
        icc(GreyProfile(1.0)),
        icc(Saved(cmsCreateLab4Profile(nullptr))),
        primaries({0.3127, 0.3290, 0.64, 0.0, 0.30, 0.60, 0.15, 0.06}),
        primaries({0.3127, 0.3290, 0.64, 0.33, std::nan(""), 0.60, 0.15, 0.06}),
        zeroGamma,
    };
    for (const auto& declared : spaces) {
        SCOPED_TRACE(&declared - spaces);
        PxImage picture = Sample();
        picture.info.colourSpace = std::make_shared<ColourSpace>(declared);
        EXPECT_FALSE(ConvertToSrgb(picture));
        EXPECT_TRUE(testimages::SamePixels(picture, sample));
    }
}

}  // namespace
