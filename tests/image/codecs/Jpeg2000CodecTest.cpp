// Jpeg2000Codec: the corpus made by tools/corpus/make_jp2.sh (JP2, J2K, PNM,
// PGX, Sun raster), round trips of every writer, hostile headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "image/ByteOrder.h"
#include "image/codecs/Jpeg2000Codec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/CorpusTable.h"

namespace {

using codectest::Bytes;
using codectest::Decode;
using Decoded = codectest::Decoded<Jpeg2000Codec>;

// The content decides the flavour: the codec made for detection (of type
// FormatUnknown, its default) reads them all.
const codectest::Corpus kJp2{.format = "jp2", .cuts = {2048, 128}};

CODEC_CORPUS_TESTS(Jpeg2000, Jpeg2000Codec, kJp2)

TEST(Jpeg2000Codec, DecodesFromStreamsStartingMidway)
{
    codectest::CheckCorpusMidStream<Jpeg2000Codec>(
        kJp2, {"rgb.jp2", "rgb_tiles.jp2", "p3_comments.ppm", "signed12.pgx", "rgb24_rle.ras"});
}

// --- decoding details -------------------------------------------------------

Decoded DecodeText(const std::string& text, std::uint32_t format = FormatUnknown)
{
    return Decode<Jpeg2000Codec>(Bytes(text.begin(), text.end()), 0, format);
}

TEST(Jpeg2000Codec, TheContentDecidesTheFlavourWhateverTheId)
{
    const Bytes jp2 = codectest::CorpusBytes("jp2", "rgb.jp2");
    for (std::uint32_t format : {FormatJp2, FormatJpc, FormatPgx, FormatPnm, FormatRas}) {
        const Decoded d = Decode<Jpeg2000Codec>(jp2, 0, format);
        EXPECT_TRUE(d.ok) << format;
        EXPECT_EQ(d.image.GetType(), std::uint32_t(FormatJp2));
    }
    EXPECT_EQ(DecodeText("P5 1 1 255 x", FormatJp2).image.GetType(), std::uint32_t(FormatPnm));
}

TEST(Jpeg2000Codec, PictureFormatsHaveOneFrame)
{
    for (const char* file : {"rgb.jp2", "grey.j2k", "rgba.jp2", "p6.ppm", "grey8.pgx", "rgb24.ras"}) {
        const Decoded d = Decode<Jpeg2000Codec>(codectest::CorpusBytes("jp2", file), 1);
        EXPECT_FALSE(d.ok) << file;
        EXPECT_STREQ(d.image.GetLastError(), "wrong frame!") << file;
        EXPECT_EQ(d.image.info.numFrames, 1) << file;
    }
}

TEST(Jpeg2000Codec, PlainPnmTakesCommentsAndRunTogetherBits)
{
    // Bits of a plain bitmap need no separators; 1 is black.
    const Decoded bits = DecodeText("P1\n# comment\n3 2\n010\n1 1\n0");
    ASSERT_TRUE(bits.ok) << bits.image.GetLastError();
    EXPECT_EQ(bits.image.GetBpp(), 1);
    EXPECT_EQ(bits.image.GetPixelColor(0, 1).rgbRed, 255);  // top-left
    EXPECT_EQ(bits.image.GetPixelColor(1, 1).rgbRed, 0);
    EXPECT_EQ(bits.image.GetPixelColor(1, 0).rgbRed, 0);
    EXPECT_EQ(bits.image.GetPixelColor(2, 0).rgbRed, 255);
    // Grey levels scale by maxval with rounding: 1 of 3 is 85, 2 of 3 is 170.
    const Decoded grey = DecodeText("P2 4 1 3 0 1 2 3");
    ASSERT_TRUE(grey.ok) << grey.image.GetLastError();
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(grey.image.GetPixelColor(x, 0).rgbRed, 85 * x);
    // A sample above maxval is clamped.
    const Decoded clamped = DecodeText("P2 1 1 3 9");
    ASSERT_TRUE(clamped.ok);
    EXPECT_EQ(clamped.image.GetPixelColor(0, 0).rgbRed, 255);
}

TEST(Jpeg2000Codec, BrokenHeadersFailWithTheirReason)
{
    const std::string load = "error: cannot load image data";
    struct Case {
        const char* what;
        std::string bytes;
        std::string error;
    };
    std::string hugeRas(32, '\0');
    const std::uint32_t rasFields[8] = {0x59A66A95, 20000, 20000, 24, 0, 2, 0, 0};
    for (int i = 0; i < 8; ++i)
        for (int b = 0; b < 4; ++b)
            hugeRas[4 * i + b] = char(rasFields[i] >> (24 - 8 * b));
    hugeRas += std::string(64, '\x80');
    const Case cases[] = {
        {"nothing", "", load},
        {"PNM without size", "P6\n", load},
        {"PNM maxval above 16 bits", "P5 1 1 65536\n\x01\x02", load},
        {"PNM of zero width", "P5 0 1 255\n", load},
        {"PNM data promised but missing", "P6 10000 10000 255\n\x01\x02\x03", load},
        {"plain PNM data promised but missing", "P1 40000 40000 0 1 0", load},
        {"PNM too large for the container", "P6 2000000 2000000 255\n", "Can't allocate memory"},
        {"plain PNM with a letter among the samples", "P2 2 1 255 7 x", load},
        {"PGX with a bad byte order", "PG XY + 8 1 1\n\x05", load},
        {"PGX deeper than 16 bits", "PG ML + 17 1 1\n\x05\x05\x05", load},
        {"PGX data promised but missing", "PG ML + 8 20000 20000\n\x05", load},
        {"Sun raster run-length data far too short", hugeRas, load},
        {"Sun raster colour map over 256 entries",
         std::string("\x59\xa6\x6a\x95\0\0\0\1\0\0\0\1\0\0\0\x08\0\0\0\0\0\0\0\1\0\0\0\1\0\0\x03\x03", 32) +
             std::string(800, '\0'),
         load},
    };
    for (const Case& c : cases) {
        const Decoded d = DecodeText(c.bytes);
        EXPECT_FALSE(d.ok) << c.what;
        EXPECT_EQ(std::string(d.image.GetLastError()), c.error) << c.what;
    }
}

// A codestream of SOC and SIZ alone: OpenJPEG cannot decode it, so the
// outcome tells whether the header was refused before OpenJPEG saw it.
Bytes Codestream(std::uint32_t width, std::uint32_t height, std::uint32_t tileWidth,
                                     std::uint32_t tileHeight, std::uint16_t components)
{
    Bytes out = {0xFF, 0x4F, 0xFF, 0x51};
    auto put16 = [&out](std::uint32_t v) {
        out.push_back(std::uint8_t(v >> 8));
        out.push_back(std::uint8_t(v));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v >> 16);
        put16(v & 0xFFFF);
    };
    put16(38 + 3u * components);
    put16(0);
    for (std::uint32_t v : {width, height, 0u, 0u, tileWidth, tileHeight, 0u, 0u})
        put32(v);
    put16(components);
    for (std::uint16_t c = 0; c < components; ++c) {
        out.push_back(7);  // 8 bits, unsigned
        out.push_back(1);
        out.push_back(1);
    }
    return out;
}

TEST(Jpeg2000Codec, DeclaredSizesAreCheckedBeforeOpenJpegAllocates)
{
    const std::string load = "error: cannot load image data", memory = "Can't allocate memory";
    struct Case {
        const char* what;
        Bytes bytes;
        std::string error;
    };
    const Case cases[] = {
        {"a small picture reaches OpenJPEG", Codestream(64, 64, 64, 64, 3), load},
        {"beyond the ceiling", Codestream(40000, 40000, 40000, 40000, 3),
         "the picture is 40000 x 40000 pixels, more than the 500 megapixels this program opens"},
        {"more 32-bit samples than the decoder's memory", Codestream(20000, 20000, 20000, 20000, 3),
         "decoding the 20000 x 20000 JPEG 2000 picture would take more than the 2000 MB this program allows"},
        {"too many tiles", Codestream(300, 300, 1, 1, 1), memory},
        {"65 components", Codestream(8, 8, 8, 8, 65), "error: too much components"},
        {"a tile of no size", Codestream(8, 8, 0, 8, 1), load},
    };
    for (const Case& c : cases) {
        const Decoded d = Decode<Jpeg2000Codec>(c.bytes);
        EXPECT_FALSE(d.ok) << c.what;
        EXPECT_EQ(std::string(d.image.GetLastError()), c.error) << c.what;
    }
}

// --- round trips ------------------------------------------------------------

PxImage GreyPicture(std::uint32_t width, std::uint32_t height, std::uint32_t bpp, std::uint32_t seed)
{
    PxImage image = testimages::Random(width, height, bpp, false, seed);
    testimages::SetGreyPalette(image);
    return image;
}

// format, depth of the picture (grey palettes below 24), width, height
using RoundTripCase = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>;

class Jpeg2000RoundTrip : public testing::TestWithParam<RoundTripCase> {};

// Lossless at quality 100: every writer gives back the colours it was given;
// grey pictures come back as 8-bit grey.
TEST_P(Jpeg2000RoundTrip, KeepsEveryColour)
{
    const auto [format, bpp, width, height] = GetParam();
    PxImage source = bpp == 24 ? testimages::Random(width, height, 24, false, width) : GreyPicture(width, height, bpp, width);
    source.SetJpegQuality(100);
    const Jpeg2000Codec decoded = codectest::RoundTrip<Jpeg2000Codec>(source, format);
    EXPECT_EQ(decoded.GetType(), format);
    ASSERT_EQ(decoded.GetWidth(), width);
    ASSERT_EQ(decoded.GetHeight(), height);
    EXPECT_EQ(decoded.GetBpp(), bpp == 24 ? 24 : 8);
    EXPECT_EQ(codectest::MaxColourDifference(decoded, source), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, Jpeg2000RoundTrip,
    testing::Combine(testing::Values(FormatJp2, FormatJpc, FormatPnm, FormatPgx, FormatRas), testing::Values(8u, 4u, 1u),
                     testing::Values(33u, 1u), testing::Values(17u, 2u)));

INSTANTIATE_TEST_SUITE_P(Colour, Jpeg2000RoundTrip,
                         testing::Combine(testing::Values(FormatJp2, FormatJpc, FormatPnm, FormatRas),
                                          testing::Values(24u), testing::Values(33u, 1u, 64u),
                                          testing::Values(17u, 3u)));

TEST(Jpeg2000Codec, EncodesToAStdioStream)
{
    PxImage source = testimages::Random(40, 30, 24, false, 4);
    source.SetJpegQuality(100);
    for (std::uint32_t format : {FormatJp2, FormatJpc, FormatPnm, FormatRas}) {
        const Bytes bytes = codectest::EncodeThroughStdio<Jpeg2000Codec>(source, format);
        ASSERT_FALSE(bytes.empty()) << format;
        Jpeg2000Codec decoded;
        ASSERT_TRUE(codectest::DecodeBytes(decoded, bytes)) << decoded.GetLastError();
        EXPECT_EQ(codectest::MaxColourDifference(decoded, source), 0) << format;
    }
}

TEST(Jpeg2000Codec, QualityIsTheRateOfTheCompressedSize)
{
    // 64 x 64 noise: a rate of 0.2 keeps about a fifth of the 12 KB.
    PxImage source = testimages::Random(64, 64, 24, false, 5);
    const std::size_t raw = 64 * 64 * 3;
    for (std::uint8_t quality : {20, 50}) {
        source.SetJpegQuality(quality);
        const codectest::Encoded encoded = codectest::EncodeToMemory<Jpeg2000Codec>(source, FormatJpc);
        ASSERT_TRUE(encoded.ok) << encoded.error;
        EXPECT_LE(encoded.bytes.size(), raw * quality / 100 + 200) << int(quality);
        EXPECT_GE(encoded.bytes.size(), raw * quality / 100 * 3 / 4) << int(quality);
        Jpeg2000Codec decoded;
        ASSERT_TRUE(codectest::DecodeBytes(decoded, encoded.bytes)) << decoded.GetLastError();
        EXPECT_GT(codectest::MaxColourDifference(decoded, source), 0);  // lossy
    }
}

TEST(Jpeg2000Codec, EncoderWritesTheFlavourOfItsId)
{
    PxImage source = testimages::Random(5, 4, 24, false, 9);
    const struct {
        std::uint32_t format;
        Bytes start;
    } cases[] = {
        {FormatUnknown, {0, 0, 0, 12, 'j', 'P', ' ', ' '}},
        {FormatJp2, {0, 0, 0, 12, 'j', 'P', ' ', ' '}},
        {FormatJpc, {0xFF, 0x4F, 0xFF, 0x51}},
        {FormatPnm, {'P', '6', '\n', '5', ' ', '4', '\n', '2', '5', '5', '\n'}},
        {FormatRas, {0x59, 0xA6, 0x6A, 0x95, 0, 0, 0, 5, 0, 0, 0, 4, 0, 0, 0, 24}},
    };
    for (const auto& c : cases) {
        const codectest::Encoded encoded = codectest::EncodeToMemory<Jpeg2000Codec>(source, c.format);
        ASSERT_TRUE(encoded.ok) << encoded.error;
        ASSERT_GE(encoded.bytes.size(), c.start.size());
        EXPECT_EQ(std::memcmp(encoded.bytes.data(), c.start.data(), c.start.size()), 0) << c.format;
    }
}

TEST(Jpeg2000Codec, EncoderRefusesWhatItCannotWrite)
{
    Jpeg2000Codec empty(FormatJp2);
    PxMemFile file;
    file.Open();
    EXPECT_FALSE(empty.Encode(nullptr));
    EXPECT_STREQ(empty.GetLastError(), "null file handler");
    EXPECT_FALSE(empty.Encode(&file));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");

    PxImage colourPalette = testimages::Random(4, 4, 8, false, 1);
    PxImage colour = testimages::Random(4, 4, 24, false, 1);
    const struct {
        PxImage* image;
        std::uint32_t format;
        const char* error;
    } cases[] = {
        {&colourPalette, FormatJp2, "Jpeg2000Codec can save only RGB or GrayScale images"},
        {&colourPalette, FormatPnm, "Jpeg2000Codec can save only RGB or GrayScale images"},
        {&colourPalette, FormatRas, "Jpeg2000Codec can save only RGB or GrayScale images"},
        {&colourPalette, FormatPgx, "PGX can save only GrayScale images"},
        {&colour, FormatPgx, "PGX can save only GrayScale images"},
    };
    for (const auto& c : cases) {
        const codectest::Encoded encoded = codectest::EncodeToMemory<Jpeg2000Codec>(*c.image, c.format);
        EXPECT_FALSE(encoded.ok) << c.format;
        EXPECT_EQ(encoded.error, c.error) << c.format;
    }
}

}  // namespace
