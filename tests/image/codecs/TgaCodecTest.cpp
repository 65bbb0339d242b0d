#include <gtest/gtest.h>

#include "image/codecs/TgaCodec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/CorpusTable.h"

// Origins, run-length packets across rows, colour maps, grey, 16 and 32-bit
// pixels come from the corpus in tests/data/tga (tools/corpus/make_tga.py).

namespace {

using codectest::Bytes;

struct TgaFields {
    std::uint8_t mapType = 0, imageType = 2;
    std::uint16_t mapFirst = 0, mapLength = 0;
    std::uint8_t mapBits = 0;
    std::uint16_t width = 1, height = 1;
    std::uint8_t depth = 24;
};

Bytes Header(const TgaFields& f, Bytes data = {})
{
    Bytes out = {0, f.mapType, f.imageType, std::uint8_t(f.mapFirst), std::uint8_t(f.mapFirst >> 8),
                 std::uint8_t(f.mapLength), std::uint8_t(f.mapLength >> 8), f.mapBits, 0, 0, 0, 0,
                 std::uint8_t(f.width), std::uint8_t(f.width >> 8), std::uint8_t(f.height),
                 std::uint8_t(f.height >> 8), f.depth, 0};
    // Room first: growing an 18-byte vector in place trips a false
    // array-bounds warning in GCC 12.
    out.reserve(out.size() + data.size());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

const codectest::Corpus kTga{.format = "tga", .cuts = {4096, 64}};

TEST(TgaCorpus, MatchesTable) { codectest::CheckCorpus<TgaCodec>(kTga); }

TEST(TgaCorpus, TruncatedFilesFailCleanly) { codectest::SweepTruncations<TgaCodec>(kTga); }

// Entries are read at their declared size and land at the first index, so
// the pixels after the map are read from the right place.
TEST(TgaDecode, ColourMapEntriesOfEverySize)
{
    struct Row {
        std::uint8_t bits;
        Bytes entries;  // two
        RGBQUAD first, second;
    };
    const Row rows[] = {
        {15, {0x1F, 0x00, 0x00, 0x7C}, {248, 0, 0, 0}, {0, 0, 248, 0}},
        {16, {0xE0, 0x03, 0xFF, 0xFF}, {0, 248, 0, 0}, {248, 248, 248, 0}},
        {24, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 0}, {4, 5, 6, 0}},
        {32, {1, 2, 3, 99, 4, 5, 6, 99}, {1, 2, 3, 0}, {4, 5, 6, 0}},
    };
    for (const Row& row : rows)
        for (const bool runLength : {false, true}) {
            SCOPED_TRACE(int(row.bits) * (runLength ? -1 : 1));
            Bytes data = row.entries;
            const Bytes pixels = runLength ? Bytes{0x81, 4, 0x00, 3} : Bytes{4, 4, 3};
            data.insert(data.end(), pixels.begin(), pixels.end());
            TgaCodec codec;
            ASSERT_TRUE(codectest::DecodeBytes(
                codec, Header({1, std::uint8_t(runLength ? 9 : 1), 3, 2, row.bits, 3, 1, 8}, data)))
                << codec.GetLastError();
            EXPECT_EQ(codec.GetPixelColor(0, 0), row.second);
            EXPECT_EQ(codec.GetPixelColor(1, 0), row.second);
            EXPECT_EQ(codec.GetPixelColor(2, 0), row.first);
        }
}

TEST(TgaDecode, GreyImagesSkipAColourMapForTheGreyRamp)
{
    TgaCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, Header({1, 3, 0, 1, 24, 2, 1, 8}, {9, 9, 9, 0, 200})));
    EXPECT_EQ(codec.GetPixelColor(0, 0), (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(codec.GetPixelColor(1, 0), (RGBQUAD{200, 200, 200, 0}));
}

// A run that goes on past the last pixel fills the picture and no more.
TEST(TgaDecode, RunPastTheEndOfThePictureStopsThere)
{
    TgaCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, Header({0, 10, 0, 0, 0, 3, 2, 24}, {0x00, 1, 2, 3, 0xFF, 4, 5, 6})));
    EXPECT_EQ(codec.GetPixelColor(0, 0), (RGBQUAD{1, 2, 3, 0}));
    for (std::int32_t i = 1; i < 6; ++i)
        EXPECT_EQ(codec.GetPixelColor(i % 3, i / 3), (RGBQUAD{4, 5, 6, 0}));
}

TEST(TgaDecode, BadFilesFailWithTheirReason)
{
    struct Row {
        const char* name;
        Bytes file;
        const char* error;
    };
    const Row rows[] = {
        {"17 bytes", Bytes(17, 0), "Not a TGA"},
        {"type 0", Header({0, 0}), "Unknown TGA image type"},
        {"type 4", Header({0, 4}), "Unknown TGA image type"},
        {"zero width", Header({0, 2, 0, 0, 0, 0, 1, 24}), "bad TGA header"},
        {"depth 12", Header({0, 2, 0, 0, 0, 1, 1, 12}), "bad TGA header"},
        {"257 entries", Header({1, 1, 0, 257, 24, 1, 1, 8}), "bad TGA header"},
        {"map past 255", Header({1, 1, 250, 7, 24, 1, 1, 8}), "bad TGA header"},
        {"8-bit entries", Header({1, 1, 0, 2, 8, 1, 1, 8}), "bad TGA header"},
        {"no map", Header({0, 1, 0, 0, 0, 1, 1, 8}), "bad TGA header"},
        {"16-bit indices", Header({1, 1, 0, 2, 24, 1, 1, 16}), "bad TGA header"},
        {"16-bit grey", Header({0, 3, 0, 0, 0, 1, 1, 16}), "bad TGA header"},
        {"8-bit true colour", Header({0, 2, 0, 0, 0, 1, 1, 8}), "bad TGA header"},
        {"short map", Header({1, 1, 0, 2, 24, 1, 1, 8}, {1, 2, 3}), "corrupted TGA"},
        // 65535 x 65535 pixels from a header: refused before any allocation.
        {"huge raw", Header({0, 2, 0, 0, 0, 0xFFFF, 0xFFFF, 15}), "corrupted TGA"},
        {"huge run-length", Header({0, 11, 0, 0, 0, 0xFFFF, 0xFFFF, 8}, {0xFF, 0}), "corrupted TGA"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TgaCodec codec;
        EXPECT_FALSE(codectest::DecodeBytes(codec, row.file));
        EXPECT_STREQ(codec.GetLastError(), row.error);
        EXPECT_FALSE(codec.IsValid());
    }
    TgaCodec cancelled;
    cancelled.info.escape = 1;
    EXPECT_FALSE(codectest::DecodeBytes(cancelled, Header({}, {1, 2, 3})));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
}

struct Shape {
    std::uint32_t width, height, bpp;
    bool alpha;
};

class TgaRoundTrip : public testing::TestWithParam<Shape> {};

TEST_P(TgaRoundTrip, KeepsEveryPixel)
{
    const Shape s = GetParam();
    PxImage picture = testimages::Random(s.width, s.height, s.bpp, s.alpha, s.width * 31 + s.bpp);
    codectest::ExpectRoundTrip<TgaCodec>(picture);
}

INSTANTIATE_TEST_SUITE_P(Depths, TgaRoundTrip,
                         testing::Values(Shape{1, 1, 8, false}, Shape{33, 17, 8, false}, Shape{1, 1, 24, false},
                                         Shape{33, 17, 24, false}, Shape{1, 1, 24, true}, Shape{33, 17, 24, true}));

TEST(TgaEncode, ColourMappedLayout)
{
    PxImage picture = testimages::Random(3, 2, 8, false, 1);
    const Bytes file = codectest::EncodeBytes<TgaCodec>(picture);
    ASSERT_EQ(file.size(), 18 + 256 * 3 + 3 * 2u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 18), Header({1, 1, 0, 256, 24, 3, 2, 8}));
    const RGBQUAD c = picture.GetPaletteColor(255);
    EXPECT_EQ(Bytes(file.begin() + 18 + 255 * 3, file.begin() + 18 + 768), (Bytes{c.rgbBlue, c.rgbGreen, c.rgbRed}));
    EXPECT_EQ(file[18 + 768 + 3], picture.GetPixelIndex(0, 1));  // rows bottom-up
}

TEST(TgaEncode, AlphaPlaneWritesThirtyTwoBitsScaledByAlphaMax)
{
    PxImage picture(2, 1, 24, 0);
    picture.SetPixelColor(0, 0, {10, 20, 30, 0});
    picture.SetPixelColor(1, 0, {40, 50, 60, 0});
    picture.AlphaCreate();
    picture.AlphaSet(1, 0, 100);
    picture.AlphaSetMax(128);
    EXPECT_EQ(codectest::EncodeBytes<TgaCodec>(picture),
              Header({0, 2, 0, 0, 0, 2, 1, 32}, {10, 20, 30, 128, 40, 50, 60, 100 * 128 / 255}));
}

TEST(TgaEncode, RefusedPictures)
{
    struct Row {
        std::uint32_t width, bpp;
        const char* error;
    };
    for (const Row& row : {Row{5, 1, "Bit depth must be 8 or 24"}, Row{5, 4, "Bit depth must be 8 or 24"},
                           Row{70000, 8, "TGA image too large"}}) {
        PxImage picture(row.width, 1, row.bpp, 0);
        std::string error;
        EXPECT_TRUE(codectest::EncodeBytes<TgaCodec>(picture, &error).empty());
        EXPECT_EQ(error, row.error);
    }
}

TEST(TgaEncode, ArgumentChecksAndFailedWrites)
{
    TgaCodec empty;
    PxMemFile file;
    EXPECT_FALSE(empty.Encode(&file));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");

    PxImage picture = testimages::Random(4, 4, 8, false, 3);
    TgaCodec codec;
    codec.Ghost(picture);
    EXPECT_FALSE(codec.Encode(nullptr));
    EXPECT_STREQ(codec.GetLastError(), "null file handler");
    for (const std::size_t limit : {0u, 18u, 800u}) {
        codectest::LimitedFile shortFile(limit);
        EXPECT_FALSE(codec.Encode(&shortFile));
        EXPECT_STREQ(codec.GetLastError(), "Error writing TGA file");
    }
}

}  // namespace
