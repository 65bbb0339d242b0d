#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/codecs/PngCodec.h"
#include "tests/image/ImageHash.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/CorpusTable.h"

namespace {

using codectest::DecodeBytes;
using codectest::EncodeBytes;
using codectest::RoundTrip;

// The table holds an empty file, read as an empty file reads.
const codectest::Corpus kPng{
    .format = "png", .cuts = {1024, 96}, .empty = codectest::NoBytes::EmptyStream, .minRows = 25};

std::vector<std::uint8_t> CorpusFile(const std::string& name)
{
    return codectest::CorpusBytes("png", name);
}

PngCodec DecodeCorpus(const std::string& name)
{
    return codectest::DecodeCorpusFile<PngCodec>("png", name);
}

// The body of the first chunk of a kind, or empty.
std::vector<std::uint8_t> Chunk(const std::vector<std::uint8_t>& png, const char* type)
{
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = std::size_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        if (std::memcmp(&png[at + 4], type, 4) == 0)
            return {png.begin() + std::ptrdiff_t(at + 8), png.begin() + std::ptrdiff_t(at + 8 + length)};
        at += 12 + length;
    }
    return {};
}

std::uint64_t Hash(const PxImage& image)
{
    return testimages::PixelHash(image);
}

TEST(PngCorpus, DecodesLikePillowReadsIt)
{
    codectest::CheckCorpus<PngCodec>(kPng);
}

TEST(PngCorpus, TruncatedStreamsFailCleanly)
{
    codectest::SweepTruncations<PngCodec>(kPng);
}

TEST(PngDecode, AlphaChannelsBecomeTheAlphaPlane)
{
    for (const char* name : {"rgba.png", "rgba16.png", "greyalpha.png", "greyalpha16.png", "interlaced_rgba.png"}) {
        SCOPED_TRACE(name);
        const PngCodec codec = DecodeCorpus(name);
        EXPECT_EQ(codec.GetBpp(), 24);
        EXPECT_TRUE(codec.AlphaIsValid());
    }
    // Without an alpha channel there is no plane, even with a transparent colour.
    for (const char* name : {"rgb.png", "grey8_trns.png", "pal4_alpha.png"})
        EXPECT_FALSE(DecodeCorpus(name).AlphaIsValid()) << name;
}

TEST(PngDecode, PaletteTransparency)
{
    const PngCodec single = DecodeCorpus("pal4_trns0.png");
    EXPECT_EQ(single.GetTransIndex(), 0);
    EXPECT_FALSE(single.info.alphaPaletteEnabled);
    EXPECT_FALSE(single.AlphaPaletteIsValid());

    const PngCodec alphas = DecodeCorpus("pal4_alpha.png");
    EXPECT_EQ(alphas.GetTransIndex(), -1);
    EXPECT_TRUE(alphas.info.alphaPaletteEnabled);
    const std::uint8_t expected[16] = {0, 128, 255, 64, 32, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
    for (std::uint8_t i = 0; i < 16; ++i)
        EXPECT_EQ(alphas.GetPaletteColor(i).rgbReserved, expected[i]) << int(i);
}

TEST(PngDecode, TwoBitGreyWidensToFourBitsWithFourGreys)
{
    for (const char* name : {"grey2.png", "interlaced_grey2.png"}) {
        const PngCodec codec = DecodeCorpus(name);
        ASSERT_EQ(codec.GetBpp(), 4);
        const std::uint8_t levels[4] = {0, 85, 170, 255};
        for (std::uint8_t i = 0; i < 4; ++i)
            EXPECT_EQ(codec.GetPaletteColor(i).rgbGreen, levels[i]);
    }
}

TEST(PngDecode, RecordsInterlacingAndBackground)
{
    EXPECT_EQ(DecodeCorpus("interlaced_rgb.png").info.codecOptions[FormatPng], 1u);
    EXPECT_EQ(DecodeCorpus("rgb.png").info.codecOptions[FormatPng], 0u);
    // With an alpha channel the background chunk only names the colour.
    const PngCodec codec = DecodeCorpus("rgba_bkgd.png");
    EXPECT_EQ(codec.GetTransIndex(), -1);
    EXPECT_EQ(codec.info.transColor.rgbRed, 10);
    EXPECT_EQ(codec.info.transColor.rgbGreen, 20);
    EXPECT_EQ(codec.info.transColor.rgbBlue, 30);
}

TEST(PngDecode, SizeOnlyAndCancel)
{
    std::vector<std::uint8_t> bytes = CorpusFile("pal8.png");
    PngCodec sizeOnly;
    sizeOnly.info.escape = -1;
    ASSERT_TRUE(DecodeBytes(sizeOnly, bytes));
    EXPECT_FALSE(sizeOnly.IsValid());
    EXPECT_EQ(sizeOnly.header.biWidth, 33);
    EXPECT_EQ(sizeOnly.header.biHeight, 17);

    PngCodec cancelled;
    cancelled.info.escape = 1;
    EXPECT_FALSE(DecodeBytes(cancelled, bytes));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
}

TEST(PngRoundTrip, EveryDepthWithAndWithoutAlphaAndInterlace)
{
    struct Case {
        std::uint32_t bpp;
        bool alpha;
        bool interlaced;
    };
    const Case cases[] = {{1, false, false}, {4, false, false}, {8, false, false}, {24, false, false},
                          {24, true, false}, {8, false, true},  {24, true, true},   {1, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bpp << " bpp, alpha " << c.alpha << ", interlaced " << c.interlaced);
        PxImage image = testimages::Random(29, 13, c.bpp, c.alpha, c.bpp + 7);
        image.info.codecOptions[FormatPng] = c.interlaced ? 1 : 0;
        image.SetXDPI(300);
        image.SetYDPI(72);
        const std::vector<std::uint8_t> bytes = EncodeBytes<PngCodec>(image);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(Chunk(bytes, "IHDR")[12], c.interlaced ? 1 : 0);
        PngCodec decoded = RoundTrip<PngCodec>(image);
        ASSERT_TRUE(decoded.IsValid());
        EXPECT_TRUE(testimages::SamePixels(image, decoded));
        EXPECT_EQ(Hash(image), Hash(decoded));
        EXPECT_EQ(decoded.GetXDPI(), 300);
        EXPECT_EQ(decoded.GetYDPI(), 72);
    }
}

TEST(PngEncode, AlphaIsWrittenAsRgbaScaledByAlphaMax)
{
    PxImage image = testimages::Random(9, 4, 24, false, 1);
    image.AlphaCreate();
    image.AlphaSet(200);
    image.AlphaSet(0, 0, 0);
    image.AlphaSetMax(128);
    const std::vector<std::uint8_t> bytes = EncodeBytes<PngCodec>(image);
    EXPECT_EQ(Chunk(bytes, "IHDR")[9], 6);  // RGBA
    PngCodec decoded = RoundTrip<PngCodec>(image);
    ASSERT_TRUE(decoded.AlphaIsValid());
    EXPECT_EQ(decoded.AlphaGet(0, 0), 0);
    EXPECT_EQ(decoded.AlphaGet(5, 3), 200 * 128 / 255);
}

TEST(PngEncode, IndexedImageWithAlphaPlaneKeepsThePlane)
{
    PxImage image = testimages::Random(11, 6, 4, true, 2);
    PngCodec decoded = RoundTrip<PngCodec>(image);
    ASSERT_EQ(decoded.GetBpp(), 24);
    ASSERT_TRUE(decoded.AlphaIsValid());
    EXPECT_EQ(std::memcmp(decoded.alpha, image.alpha, 11 * 6), 0);
    EXPECT_EQ(codectest::MaxColourDifference(image, decoded), 0);
}

TEST(PngEncode, TransparentIndexMovesToTheFrontOfTheSharedPalette)
{
    for (std::uint32_t bpp : {1u, 4u, 8u}) {
        SCOPED_TRACE(bpp);
        PxImage image = testimages::Random(13, 7, bpp, false, bpp);
        const std::int32_t index = std::int32_t(image.GetNumColors()) - 1;
        image.SetTransIndex(index);
        const RGBQUAD transparent = image.GetPaletteColor(std::uint8_t(index));
        const std::uint64_t before = Hash(image);

        PngCodec decoded = RoundTrip<PngCodec>(image);
        ASSERT_TRUE(decoded.IsValid());
        // The caller's picture shows the same, with the transparent entry first.
        EXPECT_EQ(image.GetTransIndex(), 0);
        EXPECT_EQ(std::memcmp(&image.GetPalette()[0], &transparent, 3), 0);
        EXPECT_EQ(Hash(image), before);
        EXPECT_EQ(decoded.GetTransIndex(), 0);
        EXPECT_EQ(Hash(decoded), before);
        EXPECT_TRUE(testimages::SamePixels(image, decoded));
    }
}

TEST(PngEncode, TransparentColourOfATrueColourImage)
{
    PxImage image = testimages::Random(10, 5, 24, false, 4);
    const RGBQUAD key{1, 2, 3, 0};
    image.SetPixelColor(2, 1, key);
    image.SetPixelColor(7, 4, key);
    image.SetTransColor(key);
    image.SetTransIndex(0);
    const std::vector<std::uint8_t> bytes = EncodeBytes<PngCodec>(image);
    const std::vector<std::uint8_t> background = Chunk(bytes, "bKGD");
    ASSERT_EQ(background.size(), 6u);
    EXPECT_EQ(background[1], 3);  // red
    EXPECT_EQ(background[5], 1);  // blue
    PngCodec decoded = RoundTrip<PngCodec>(image);
    ASSERT_TRUE(decoded.AlphaIsValid());
    EXPECT_FALSE(image.AlphaIsValid());  // the key became alpha in the file only
    for (std::int32_t y = 0; y < 5; ++y)
        for (std::int32_t x = 0; x < 10; ++x)
            EXPECT_EQ(decoded.AlphaGet(x, y), (x == 2 && y == 1) || (x == 7 && y == 4) ? 0 : 255);
}

TEST(PngEncode, PaletteAlphaAndTrimmedPalette)
{
    PxImage image(10, 10, 8, 0);
    for (std::uint8_t i = 0; i < 6; ++i) {
        image.SetPaletteColor(i, {std::uint8_t(i * 40), 7, 9, std::uint8_t(i * 50)});
        image.SetPixelIndex(i, i, i);
    }
    image.info.alphaPaletteEnabled = true;
    const std::vector<std::uint8_t> bytes = EncodeBytes<PngCodec>(image);
    EXPECT_EQ(Chunk(bytes, "PLTE").size(), 6u * 3);
    EXPECT_EQ(Chunk(bytes, "tRNS"), (std::vector<std::uint8_t>{0, 50, 100, 150, 200, 250}));
    PngCodec decoded = RoundTrip<PngCodec>(image);
    EXPECT_TRUE(decoded.info.alphaPaletteEnabled);
    EXPECT_EQ(decoded.GetPaletteColor(3).rgbReserved, 150);

    // From 65,536 pixels on the whole palette is written.
    PxImage large(256, 256, 8, 0);
    EXPECT_EQ(Chunk(EncodeBytes<PngCodec>(large), "PLTE").size(), 256u * 3);
}

TEST(PngEncode, ReportsStreamFailuresAndMissingArguments)
{
    PxImage noise = testimages::Random(120, 90, 24, false, 5);
    codectest::ExpectEncodeFailures<PngCodec>(noise, "Error saving PNG file");
}

}  // namespace
