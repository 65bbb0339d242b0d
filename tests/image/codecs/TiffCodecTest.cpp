// PxImageTIF: the corpus made by tools/corpus/make_tiff.sh, round trips of
// the encoder, hand-made hostile headers and truncated files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "image/ByteOrder.h"
#include "image/codecs/PxImageTIF.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/CorpusTable.h"

namespace {

using codectest::Bytes;
using codectest::Decode;
using Decoded = codectest::Decoded<PxImageTIF>;

// --- the corpus -------------------------------------------------------------

const codectest::Corpus kTiff{.format = "tiff", .cuts = {2048, 128}};

CODEC_CORPUS_TESTS(Tiff, PxImageTIF, kTiff)

PxImageTIF DecodeCorpus(const char* file, std::int32_t frame = 0)
{
    return codectest::DecodeCorpusFile<PxImageTIF>("tiff", file, frame);
}

TEST(TiffCodec, DecodesFromStreamsStartingMidway)
{
    codectest::CheckCorpusMidStream<PxImageTIF>(kTiff, {"rgb_tiles.tif", "multipage.tif", "cielab.tif"});
}

TEST(TiffCodec, NegativePageIsNotPresent)
{
    PxImageTIF codec;
    EXPECT_FALSE(codectest::DecodeBytes(codec, codectest::CorpusBytes("tiff", "multipage.tif"), -1));
    EXPECT_STREQ(codec.GetLastError(), "Error: page not present in TIFF file");
    EXPECT_EQ(codec.info.numFrames, 2);
}

TEST(TiffCodec, SizeOnlyGivesTheDimensionsWithoutPixels)
{
    PxImageTIF codec;
    codec.info.escape = -1;
    ASSERT_TRUE(codectest::DecodeBytes(codec, codectest::CorpusBytes("tiff", "multipage.tif"), 1));
    EXPECT_FALSE(codec.IsValid());
    EXPECT_EQ(codec.GetWidth(), 9u);
    EXPECT_EQ(codec.GetHeight(), 4u);
    EXPECT_STREQ(codec.GetLastError(), "output dimensions returned");
}

TEST(TiffCodec, CentimetreResolutionBecomesDotsPerInch)
{
    const PxImageTIF image = DecodeCorpus("grey8_resolution_cm.tif");
    EXPECT_EQ(image.GetXDPI(), 300);  // 118 per cm
    EXPECT_EQ(image.GetYDPI(), 150);  // 59 per cm
    EXPECT_EQ(image.header.biXPelsPerMeter, 11811);
}

TEST(TiffCodec, CompressionIsRecordedInTheOptionWord)
{
    EXPECT_EQ(DecodeCorpus("rgb_deflate.tif").info.codecOptions[FormatTif], 8u);
    EXPECT_EQ(DecodeCorpus("bilevel_g4.tif").info.codecOptions[FormatTif], 4u);
    EXPECT_EQ(DecodeCorpus("grey8.tif").info.codecOptions[FormatTif], 1u);
}

// Orientations 6 and 8 follow the TIFF definition: 6 is a clockwise quarter
// turn of the stored picture, 8 a counter-clockwise one; both decoding paths agree.
TEST(TiffCodec, QuarterTurnOrientationsFollowTheTiffDefinition)
{
    for (const char* path : {"rgb", "grey"}) {
        const std::string suffix = std::string("_") + path + ".tif";
        PxImageTIF stored = DecodeCorpus(("orient1" + suffix).c_str());
        PxImage clockwise, counterClockwise;
        ASSERT_TRUE(PxImage(stored).RotateRight(&clockwise));
        ASSERT_TRUE(PxImage(stored).RotateLeft(&counterClockwise));
        EXPECT_TRUE(testimages::SamePixels(DecodeCorpus(("orient6" + suffix).c_str()), clockwise)) << path;
        EXPECT_TRUE(testimages::SamePixels(DecodeCorpus(("orient8" + suffix).c_str()), counterClockwise)) << path;
    }
}

// --- round trips ------------------------------------------------------------

bool SamePalette(const PxImage& a, const PxImage& b)
{
    return a.GetNumColors() == b.GetNumColors() &&
           std::memcmp(a.GetPalette(), b.GetPalette(), 4 * std::size_t(a.GetNumColors())) == 0;
}

PxImageTIF RoundTrip(PxImage& source, std::uint32_t compression = 0)
{
    source.info.codecOptions[FormatTif] = compression;
    return codectest::RoundTrip<PxImageTIF>(source);
}

// depth, alpha plane, compression (0: the default), width, height
using RoundTripCase = std::tuple<std::uint32_t, bool, std::uint32_t, std::uint32_t, std::uint32_t>;

class TiffRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(TiffRoundTrip, KeepsEveryPixel)
{
    const auto [bpp, withAlpha, compression, width, height] = GetParam();
    PxImage source = testimages::Random(width, height, bpp, withAlpha, bpp * 31 + compression);
    const PxImageTIF decoded = RoundTrip(source, compression);
    EXPECT_TRUE(testimages::SamePixels(decoded, source));
    if (source.IsIndexed()) {
        EXPECT_TRUE(SamePalette(decoded, source));
    }
    EXPECT_EQ(decoded.info.codecOptions[FormatTif], compression ? compression : 5u);
    EXPECT_EQ(decoded.info.numFrames, 1);
}

INSTANTIATE_TEST_SUITE_P(Depths, TiffRoundTrip,
                         testing::Values(RoundTripCase{1, false, 0, 33, 17}, RoundTripCase{4, false, 0, 33, 17},
                                         RoundTripCase{8, false, 0, 33, 17}, RoundTripCase{24, false, 0, 33, 17},
                                         RoundTripCase{24, true, 0, 33, 17}, RoundTripCase{1, false, 1, 1, 1},
                                         RoundTripCase{4, false, 32773, 7, 5}, RoundTripCase{8, false, 8, 300, 90},
                                         RoundTripCase{24, false, 1, 200, 70}, RoundTripCase{24, true, 32773, 150, 60},
                                         RoundTripCase{24, false, 8, 1, 1}));

TEST(TiffCodec, EncodesToAStdioStream)
{
    PxImage source = testimages::Random(40, 30, 24, true, 4);
    const Bytes bytes = codectest::EncodeThroughStdio<PxImageTIF>(source);
    ASSERT_FALSE(bytes.empty());
    PxImageTIF decoded;
    ASSERT_TRUE(codectest::DecodeBytes(decoded, bytes)) << decoded.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(decoded, source));
}

TEST(TiffCodec, EncoderScalesAlphaByAlphaMaxAndKeepsResolutionAndPlacement)
{
    PxImage source = testimages::Random(9, 4, 24, true, 7);
    source.AlphaSetMax(128);
    source.SetXDPI(72);
    source.SetYDPI(300);
    source.info.xOffset = 3;
    source.info.yOffset = 11;
    const PxImageTIF decoded = RoundTrip(source);
    ASSERT_TRUE(decoded.AlphaIsValid());
    for (std::uint32_t i = 0; i < 9 * 4; ++i)
        ASSERT_EQ(decoded.alpha[i], source.alpha[i] * 128 / 255) << i;
    EXPECT_EQ(decoded.GetXDPI(), 72);
    EXPECT_EQ(decoded.GetYDPI(), 300);
    EXPECT_EQ(decoded.info.xOffset, 3);
    EXPECT_EQ(decoded.info.yOffset, 11);
}

TEST(TiffCodec, EncoderReportsEachFailure)
{
    PxImageTIF empty;
    PxMemFile file;
    file.Open();
    EXPECT_FALSE(empty.Encode(nullptr));
    EXPECT_STREQ(empty.GetLastError(), "null file handler");
    EXPECT_FALSE(empty.Encode(&file));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");

    struct Case {
        std::uint32_t width, height;
        std::size_t limit;
        const char* error;
    };
    // The header goes out when the file is opened; a strip once it is full
    // (a large picture has several), the last strip with the directory.
    for (const Case& c : {Case{8, 8, 0, "initialization fail"}, Case{400, 400, 64, "Error saving TIFF file"},
                          Case{8, 8, 64, "Error saving TIFF directory"}}) {
        PxImage source = testimages::Random(c.width, c.height, 24, false, 3);
        source.info.codecOptions[FormatTif] = 1;  // uncompressed: strips of a known size
        PxImageTIF writer;
        writer.Ghost(source);
        codectest::LimitedFile target(c.limit);
        EXPECT_FALSE(writer.Encode(&target));
        EXPECT_STREQ(writer.GetLastError(), c.error);
    }
}

// --- hand-made files --------------------------------------------------------

// A little-endian TIFF with one strip: the tags given (SHORT or LONG values),
// then StripOffsets and StripByteCounts for the pixel bytes.
struct Tag {
    std::uint16_t tag;
    std::uint16_t type;  // 3 SHORT, 4 LONG
    std::vector<std::uint32_t> values;
};

std::vector<std::uint8_t> MakeTiff(std::vector<Tag> tags, const std::vector<std::uint8_t>& pixels)
{
    tags.push_back({273, 4, {8}});
    tags.push_back({279, 4, {std::uint32_t(pixels.size())}});
    std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.tag < b.tag; });
    std::vector<std::uint8_t> out = {'I', 'I', 42, 0, 0, 0, 0, 0};
    out.insert(out.end(), pixels.begin(), pixels.end());
    // Values that do not fit the entry go before the directory.
    std::vector<std::uint32_t> offsets;
    for (const Tag& t : tags) {
        const std::size_t size = (t.type == 3 ? 2 : 4) * t.values.size();
        offsets.push_back(std::uint32_t(out.size()));
        if (size > 4)
            for (std::uint32_t v : t.values)
                for (std::size_t b = 0; b < (t.type == 3 ? 2u : 4u); ++b)
                    out.push_back(std::uint8_t(v >> (8 * b)));
    }
    if (out.size() % 2)
        out.push_back(0);
    pximage::StoreLE32(&out[4], std::uint32_t(out.size()));
    out.push_back(std::uint8_t(tags.size()));
    out.push_back(0);
    for (std::size_t i = 0; i < tags.size(); ++i) {
        const Tag& t = tags[i];
        std::uint8_t entry[12] = {};
        pximage::StoreLE16(entry, t.tag);
        pximage::StoreLE16(entry + 2, t.type);
        pximage::StoreLE32(entry + 4, std::uint32_t(t.values.size()));
        const std::size_t unit = t.type == 3 ? 2 : 4;
        if (unit * t.values.size() > 4)
            pximage::StoreLE32(entry + 8, offsets[i]);
        else
            for (std::size_t v = 0; v < t.values.size(); ++v)
                for (std::size_t b = 0; b < unit; ++b)
                    entry[8 + unit * v + b] = std::uint8_t(t.values[v] >> (8 * b));
        out.insert(out.end(), entry, entry + 12);
    }
    out.insert(out.end(), 4, 0);
    return out;
}

std::vector<Tag> Header(std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t> bits,
                        std::uint32_t photometric, std::uint32_t compression = 1)
{
    const std::uint32_t samples = std::uint32_t(bits.size());
    return {{256, 4, {width}}, {257, 4, {height}}, {258, 3, bits}, {259, 3, {compression}},
            {262, 3, {photometric}}, {277, 3, {samples}}, {278, 4, {height}}};
}

TEST(TiffCodec, HandMadeFileDecodes)
{
    // Guards the builder: a 2 x 1 grey picture.
    const Decoded d = Decode<PxImageTIF>(MakeTiff(Header(2, 1, {8}, 1), {10, 200}));
    ASSERT_TRUE(d.ok) << d.image.GetLastError();
    EXPECT_EQ(d.image.GetPixelIndex(0, 0), 10);
    EXPECT_EQ(d.image.GetPixelIndex(1, 0), 200);
}

TEST(TiffCodec, ColourMapsOfSixteenOrEightBitValues)
{
    // Index 0 and 1 of a 1-bit palette picture: 16-bit maps scale by 255 / 65535,
    // maps whose values all fit a byte are taken as they are.
    for (const auto& [map, expected] :
         {std::pair{std::vector<std::uint32_t>{65535, 514, 32896, 0, 0, 257}, RGBQUAD{0, 128, 255, 0}},
          std::pair{std::vector<std::uint32_t>{200, 2, 90, 0, 0, 1}, RGBQUAD{0, 90, 200, 0}}}) {
        std::vector<Tag> tags = Header(2, 1, {1}, 3);
        tags.push_back({320, 3, map});
        const Decoded d = Decode<PxImageTIF>(MakeTiff(tags, {0x40}));
        ASSERT_TRUE(d.ok) << d.image.GetLastError();
        EXPECT_EQ(d.image.GetBpp(), 1);
        const RGBQUAD first = d.image.GetPixelColor(0, 0);
        EXPECT_EQ(first.rgbRed, expected.rgbRed);
        EXPECT_EQ(first.rgbGreen, expected.rgbGreen);
        EXPECT_EQ(first.rgbBlue, expected.rgbBlue);
        EXPECT_EQ(d.image.GetPixelIndex(1, 0), 1);
    }
}

TEST(TiffCodec, HostileHeadersFailWithoutAllocatingThePicture)
{
    struct Case {
        const char* what;
        std::vector<Tag> tags;
        const char* error;
    };
    std::vector<Tag> palette16 = Header(2, 1, {16}, 3);
    palette16.push_back({320, 3, std::vector<std::uint32_t>(3 * 65536, 0)});
    std::vector<Tag> floatGrey = Header(1, 1, {32}, 1);
    floatGrey.push_back({339, 3, {3}});
    const Case cases[] = {
        {"uncompressed picture larger than the file", Header(20000, 20000, {8}, 1),
         "the TIFF file is damaged or cut short: its "},
        {"beyond the ceiling", Header(60000, 60000, {8}, 1, 5), "the picture is 60000 x 60000 pixels, more than"},
        {"width beyond 31 bits", Header(0x80000000u, 1, {8}, 1), "PxImageTIF can't create image"},
        {"16-bit palette indices", palette16, "Unsupported TIFF sample layout"},
        {"floating-point grey", floatGrey, "Unsupported TIFF sample layout"},
    };
    for (const Case& c : cases) {
        const Decoded d = Decode<PxImageTIF>(MakeTiff(c.tags, {1, 2, 3, 4}));
        EXPECT_FALSE(d.ok) << c.what;
        EXPECT_TRUE(std::string(d.image.GetLastError()).starts_with(c.error)) << c.what << ": " << d.image.GetLastError();
    }
}

TEST(TiffCodec, LargeCompressedPictureWithBrokenDataFails)
{
    // 600 x 600 declared, four bytes of LZW data: few enough pixels for what
    // LZW could expand the file to, so the strip is read, and that fails.
    const Decoded d = Decode<PxImageTIF>(MakeTiff(Header(600, 600, {8}, 1, 5), {0x80, 0, 0, 0}));
    EXPECT_FALSE(d.ok);
    EXPECT_STREQ(d.image.GetLastError(), "Corrupted TIFF file!");
    // 20000 x 20000 (400 MB) in a file of a few hundred bytes is more than
    // LZW can expand it to: refused before the picture is allocated.
    const Decoded huge = Decode<PxImageTIF>(MakeTiff(Header(20000, 20000, {8}, 1, 5), {0x80, 0, 0, 0}));
    EXPECT_FALSE(huge.ok);
    EXPECT_TRUE(std::string(huge.image.GetLastError()).starts_with("the TIFF file is damaged or cut short"))
        << huge.image.GetLastError();
    EXPECT_FALSE(huge.image.IsValid());
}

TEST(TiffCodec, AlphaStaysSeparateFromTheColours)
{
    // One pixel of red 100, green 50, blue 0 at alpha 128. Unassociated
    // alpha keeps the colours; associated (premultiplied) colours are divided back.
    const std::vector<std::uint8_t> pixel = {100, 50, 0, 128};
    for (const auto& [extra, red, green] : {std::tuple{2u, 100, 50}, std::tuple{1u, 199, 100}}) {
        std::vector<Tag> tags = Header(1, 1, {8, 8, 8, 8}, 2);
        tags.push_back({338, 3, {extra}});
        const Decoded d = Decode<PxImageTIF>(MakeTiff(tags, pixel));
        ASSERT_TRUE(d.ok) << d.image.GetLastError();
        ASSERT_EQ(d.image.GetBpp(), 24);
        const RGBQUAD c = d.image.GetPixelColor(0, 0);
        EXPECT_EQ(c.rgbRed, red) << "extra sample type " << extra;
        EXPECT_EQ(c.rgbGreen, green) << "extra sample type " << extra;
        EXPECT_EQ(c.rgbBlue, 0);
        EXPECT_EQ(c.rgbReserved, 128);
    }
}

TEST(TiffCodec, CielabWithAlphaConvertsAndKeepsTheFourthSample)
{
    // L 255, a = b = 0 is white; L 0 a near black (the conversion has no
    // linear segment near 0, so it lifts to about 8); a positive a is reddish.
    // The fourth sample is alpha.
    const Decoded d = Decode<PxImageTIF>(
        MakeTiff(Header(3, 1, {8, 8, 8, 8}, 8), {255, 0, 0, 77, 0, 0, 0, 200, 128, 60, 0, 255}));
    ASSERT_TRUE(d.ok) << d.image.GetLastError();
    const RGBQUAD white = d.image.GetPixelColor(0, 0), black = d.image.GetPixelColor(1, 0);
    const RGBQUAD red = d.image.GetPixelColor(2, 0);
    EXPECT_GE(std::min({white.rgbRed, white.rgbGreen, white.rgbBlue}), 253);
    EXPECT_EQ(white.rgbReserved, 77);
    EXPECT_LE(std::max({black.rgbRed, black.rgbGreen, black.rgbBlue}), 10);
    EXPECT_EQ(black.rgbReserved, 200);
    EXPECT_GT(red.rgbRed, red.rgbGreen + 60);
    EXPECT_GT(red.rgbRed, red.rgbBlue + 30);
}

}  // namespace
