#include <gtest/gtest.h>

#include <cstring>

#include "image/codecs/TgaCodec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/SmallCodecHarness.h"

namespace {

using codectest::Bytes;

struct TgaFields {
    std::uint8_t idLength = 0, mapType = 0, imageType = 2;
    std::uint16_t mapFirst = 0, mapLength = 0;
    std::uint8_t mapBits = 0;
    std::uint16_t width = 1, height = 1;
    std::uint8_t depth = 24, descriptor = 0;
};

Bytes Header(const TgaFields& f)
{
    return {f.idLength,
            f.mapType,
            f.imageType,
            std::uint8_t(f.mapFirst),
            std::uint8_t(f.mapFirst >> 8),
            std::uint8_t(f.mapLength),
            std::uint8_t(f.mapLength >> 8),
            f.mapBits,
            0,
            0,
            0,
            0,
            std::uint8_t(f.width),
            std::uint8_t(f.width >> 8),
            std::uint8_t(f.height),
            std::uint8_t(f.height >> 8),
            f.depth,
            f.descriptor};
}

void Append(Bytes& out, std::initializer_list<std::uint8_t> bytes) { out.insert(out.end(), bytes); }

// A 24-bit file of the picture with its pixels in the order the descriptor
// names. Run-length files pack equal neighbours in file order into runs
// without regard to rows, so runs cross row ends.
Bytes BuildTrueColor(PxImage& picture, std::uint8_t descriptor, bool runLength, std::uint8_t idLength = 0)
{
    TgaFields f;
    f.imageType = runLength ? 10 : 2;
    f.width = std::uint16_t(picture.GetWidth());
    f.height = std::uint16_t(picture.GetHeight());
    f.descriptor = descriptor;
    f.idLength = idLength;
    Bytes out = Header(f);
    out.insert(out.end(), idLength, 'i');
    std::vector<RGBQUAD> pixels;
    const std::int32_t w = std::int32_t(f.width), h = std::int32_t(f.height);
    for (std::int32_t row = 0; row < h; ++row)
        for (std::int32_t col = 0; col < w; ++col) {
            const std::int32_t y = descriptor & 0x20 ? h - 1 - row : row;
            const std::int32_t x = descriptor & 0x10 ? w - 1 - col : col;
            pixels.push_back(picture.GetPixelColor(x, y, false));
        }
    for (std::size_t i = 0; i < pixels.size();) {
        std::size_t run = 1;
        while (runLength && i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
            ++run;
        if (runLength)
            out.push_back(std::uint8_t(run > 1 ? 0x80 | (run - 1) : 0));
        Append(out, {pixels[i].rgbBlue, pixels[i].rgbGreen, pixels[i].rgbRed});
        i += run;
    }
    return out;
}

// Stripes of two colours with a few odd pixels: runs of whole rows and more.
PxImage Stripes(std::uint32_t width, std::uint32_t height)
{
    PxImage picture(width, height, 24, 0);
    for (std::int32_t y = 0; y < std::int32_t(height); ++y)
        for (std::int32_t x = 0; x < std::int32_t(width); ++x)
            picture.SetPixelColor(x, y, (y / 2) % 2 ? RGBQUAD{10, 200, 30, 0} : RGBQUAD{250, 5, 90, 0});
    picture.SetPixelColor(0, 0, {1, 2, 3, 0});
    picture.SetPixelColor(std::int32_t(width) - 1, std::int32_t(height) - 1, {7, 8, 9, 0});
    picture.SetPixelColor(1, 2, {40, 50, 60, 0});
    return picture;
}

TEST(TgaCorpus, MatchesTable) { codectest::ExpectCorpusMatches<TgaCodec>("tga"); }

TEST(TgaCorpus, TruncatedFilesFailCleanly) { codectest::SweepTruncations<TgaCodec>("tga"); }

struct Layout {
    std::uint8_t descriptor;
    bool runLength;
};

class TgaLayoutTest : public testing::TestWithParam<Layout> {};

// Every origin, raw and run-length, decodes to the same upright picture.
TEST_P(TgaLayoutTest, DecodesUpright)
{
    PxImage picture = Stripes(7, 6);
    Bytes file = BuildTrueColor(picture, GetParam().descriptor, GetParam().runLength, 5);
    TgaCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(codec, picture));
}

INSTANTIATE_TEST_SUITE_P(Origins, TgaLayoutTest,
                         testing::Values(Layout{0x00, false}, Layout{0x20, false}, Layout{0x10, false},
                                         Layout{0x30, false}, Layout{0x00, true}, Layout{0x20, true},
                                         Layout{0x10, true}, Layout{0x30, true}));

TEST(TgaDecode, ThirtyTwoBitsGiveAnAlphaPlaneInEveryOrigin)
{
    for (const std::uint8_t descriptor : {0x08, 0x28}) {
        TgaFields f;
        f.width = 2;
        f.height = 2;
        f.depth = 32;
        f.descriptor = descriptor;
        Bytes file = Header(f);
        // First file row: blue-ish opaque, then half transparent; second row.
        Append(file, {1, 2, 3, 255, 4, 5, 6, 128, 7, 8, 9, 0, 10, 11, 12, 64});
        TgaCodec codec;
        ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
        ASSERT_EQ(codec.GetBpp(), 24);
        ASSERT_TRUE(codec.AlphaIsValid());
        const std::int32_t firstRow = descriptor & 0x20 ? 1 : 0;
        EXPECT_EQ(codec.GetPixelColor(1, firstRow), (RGBQUAD{4, 5, 6, 128}));
        EXPECT_EQ(codec.GetPixelColor(0, 1 - firstRow), (RGBQUAD{7, 8, 9, 0}));
        EXPECT_EQ(codec.GetPixelColor(1, 1 - firstRow), (RGBQUAD{10, 11, 12, 64}));
    }
}

TEST(TgaDecode, FifteenAndSixteenBitPixelsShiftTheirFields)
{
    for (const std::uint8_t depth : {15, 16}) {
        TgaFields f;
        f.width = 2;
        f.depth = depth;
        Bytes file = Header(f);
        // 0x7FFF: all fields 31; 0x8421 has the attribute bit and 1, 1, 1.
        Append(file, {0xFF, 0x7F, 0x21, 0x84});
        TgaCodec codec;
        ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
        EXPECT_EQ(codec.GetBpp(), 24);
        EXPECT_FALSE(codec.AlphaIsValid());
        EXPECT_EQ(codec.GetPixelColor(0, 0), (RGBQUAD{248, 248, 248, 0}));
        EXPECT_EQ(codec.GetPixelColor(1, 0), (RGBQUAD{8, 8, 8, 0}));
    }
}

// Colour maps of every entry size are read at their size, land at their
// first index, and the pixels after them are read from the right place.
TEST(TgaDecode, ColourMapEntriesOfEverySize)
{
    struct Row {
        std::uint8_t bits;
        Bytes entries;  // two entries
        RGBQUAD first, second;
    };
    const Row rows[] = {
        {15, {0x1F, 0x00, 0x00, 0x7C}, {248, 0, 0, 0}, {0, 0, 248, 0}},
        {16, {0xE0, 0x03, 0xFF, 0xFF}, {0, 248, 0, 0}, {248, 248, 248, 0}},
        {24, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 0}, {4, 5, 6, 0}},
        {32, {1, 2, 3, 99, 4, 5, 6, 99}, {1, 2, 3, 0}, {4, 5, 6, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.bits));
        for (const bool runLength : {false, true}) {
            TgaFields f;
            f.mapType = 1;
            f.imageType = runLength ? 9 : 1;
            f.mapFirst = 3;
            f.mapLength = 2;
            f.mapBits = row.bits;
            f.width = 3;
            f.depth = 8;
            Bytes file = Header(f);
            file.insert(file.end(), row.entries.begin(), row.entries.end());
            if (runLength)
                Append(file, {0x81, 4, 0x00, 3});
            else
                Append(file, {4, 4, 3});
            TgaCodec codec;
            ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
            ASSERT_EQ(codec.GetBpp(), 8);
            EXPECT_EQ(codec.GetPixelColor(0, 0), row.second);
            EXPECT_EQ(codec.GetPixelColor(1, 0), row.second);
            EXPECT_EQ(codec.GetPixelColor(2, 0), row.first);
            EXPECT_EQ(codec.GetPaletteColor(0), (RGBQUAD{}));
        }
    }
}

TEST(TgaDecode, GreyImagesGetTheGreyRampAndSkipAnyColourMap)
{
    TgaFields f;
    f.mapType = 1;
    f.imageType = 3;
    f.mapLength = 1;
    f.mapBits = 24;
    f.width = 2;
    f.depth = 8;
    Bytes file = Header(f);
    Append(file, {9, 9, 9, 0, 200});
    TgaCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
    EXPECT_EQ(codec.GetPixelColor(0, 0), (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(codec.GetPixelColor(1, 0), (RGBQUAD{200, 200, 200, 0}));
}

// A run that goes on past the last pixel fills the picture and no more.
TEST(TgaDecode, RunPastTheEndOfThePictureStopsAtIt)
{
    TgaFields f;
    f.imageType = 10;
    f.width = 3;
    f.height = 2;
    Bytes file = Header(f);
    Append(file, {0x00, 1, 2, 3, 0xFF, 4, 5, 6});
    TgaCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
    EXPECT_EQ(codec.GetPixelColor(0, 0), (RGBQUAD{1, 2, 3, 0}));
    for (std::int32_t i = 1; i < 6; ++i)
        EXPECT_EQ(codec.GetPixelColor(i % 3, i / 3), (RGBQUAD{4, 5, 6, 0}));
}

TEST(TgaDecode, BadHeadersAndDataFailWithTheirReason)
{
    auto header = [](auto change) {
        TgaFields f;
        change(f);
        return Header(f);
    };
    struct Row {
        const char* name;
        Bytes file;
        const char* error;
    };
    const Row rows[] = {
        {"empty", {}, "Not a TGA"},
        {"17 bytes", Bytes(17, 0), "Not a TGA"},
        {"type 0", header([](TgaFields& f) { f.imageType = 0; }), "Unknown TGA image type"},
        {"type 4", header([](TgaFields& f) { f.imageType = 4; }), "Unknown TGA image type"},
        {"type 32", header([](TgaFields& f) { f.imageType = 32; }), "Unknown TGA image type"},
        {"zero width", header([](TgaFields& f) { f.width = 0; }), "bad TGA header"},
        {"zero height", header([](TgaFields& f) { f.height = 0; }), "bad TGA header"},
        {"depth 12", header([](TgaFields& f) { f.depth = 12; }), "bad TGA header"},
        {"257 map entries",
         header([](TgaFields& f) {
             f.imageType = 1, f.mapType = 1, f.mapLength = 257, f.mapBits = 24, f.depth = 8;
         }),
         "bad TGA header"},
        {"map past index 255",
         header([](TgaFields& f) {
             f.imageType = 1, f.mapType = 1, f.mapFirst = 250, f.mapLength = 7, f.mapBits = 24, f.depth = 8;
         }),
         "bad TGA header"},
        {"map entry of 8 bits",
         header([](TgaFields& f) { f.imageType = 1, f.mapType = 1, f.mapLength = 2, f.mapBits = 8, f.depth = 8; }),
         "bad TGA header"},
        {"mapped without map", header([](TgaFields& f) { f.imageType = 1, f.depth = 8; }), "bad TGA header"},
        {"16-bit indices",
         header([](TgaFields& f) { f.imageType = 1, f.mapType = 1, f.mapLength = 2, f.mapBits = 24, f.depth = 16; }),
         "bad TGA header"},
        {"16-bit grey", header([](TgaFields& f) { f.imageType = 3, f.depth = 16; }), "bad TGA header"},
        {"8-bit true colour", header([](TgaFields& f) { f.depth = 8; }), "bad TGA header"},
        {"no pixels", header([](TgaFields&) {}), "corrupted TGA"},
        {"short colour map",
         header([](TgaFields& f) { f.imageType = 1, f.mapType = 1, f.mapLength = 2, f.mapBits = 24, f.depth = 8; }),
         "corrupted TGA"},
        // 65535 x 65535 pixels from a few bytes: refused before any allocation.
        {"huge raw",
         header([](TgaFields& f) { f.width = 0xFFFF, f.height = 0xFFFF, f.depth = 15; }),
         "corrupted TGA"},
        {"huge run-length",
         header([](TgaFields& f) { f.imageType = 11, f.width = 0xFFFF, f.height = 0xFFFF, f.depth = 8; }),
         "corrupted TGA"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes file = row.file;
        TgaCodec codec;
        EXPECT_FALSE(codectest::DecodeBytes(codec, file));
        EXPECT_STREQ(codec.GetLastError(), row.error);
        EXPECT_FALSE(codec.IsValid());
    }
}

TEST(TgaDecode, TruncatedRunLengthDataIsCorrupted)
{
    PxImage picture = Stripes(9, 4);
    Bytes file = BuildTrueColor(picture, 0, true);
    file.pop_back();
    TgaCodec codec;
    EXPECT_FALSE(codectest::DecodeBytes(codec, file));
    EXPECT_STREQ(codec.GetLastError(), "corrupted TGA");
}

TEST(TgaDecode, EscapeCancels)
{
    PxImage picture = Stripes(3, 3);
    Bytes file = BuildTrueColor(picture, 0, false);
    TgaCodec codec;
    codec.info.escape = 1;
    EXPECT_FALSE(codectest::DecodeBytes(codec, file));
    EXPECT_STREQ(codec.GetLastError(), "Cancelled");
}

struct Shape {
    std::uint32_t width, height, bpp;
    bool alpha;
};

class TgaRoundTrip : public testing::TestWithParam<Shape> {};

TEST_P(TgaRoundTrip, KeepsEveryPixel)
{
    const Shape s = GetParam();
    PxImage picture = testimages::Random(s.width, s.height, s.bpp, s.alpha, s.width * 31 + s.height);
    Bytes file = codectest::EncodeImage<TgaCodec>(picture);
    ASSERT_FALSE(file.empty());
    TgaCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(codec, picture));
    EXPECT_EQ(codectest::HashText(codec), codectest::HashText(picture));
}

INSTANTIATE_TEST_SUITE_P(Depths, TgaRoundTrip,
                         testing::Values(Shape{1, 1, 8, false}, Shape{7, 5, 8, false}, Shape{33, 17, 8, false},
                                         Shape{1, 1, 24, false}, Shape{7, 5, 24, false}, Shape{33, 17, 24, false},
                                         Shape{1, 1, 24, true}, Shape{7, 5, 24, true}, Shape{33, 17, 24, true}));

TEST(TgaEncode, LayoutOfTheFile)
{
    PxImage mapped = testimages::Random(3, 2, 8, false, 1);
    const Bytes m = codectest::EncodeImage<TgaCodec>(mapped);
    ASSERT_EQ(m.size(), 18 + 256 * 3 + 3 * 2u);
    EXPECT_EQ(Bytes(m.begin(), m.begin() + 18),
              (Bytes{0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 3, 0, 2, 0, 8, 0}));
    const RGBQUAD c = mapped.GetPaletteColor(255);
    EXPECT_EQ(Bytes(m.begin() + 18 + 255 * 3, m.begin() + 18 + 256 * 3), (Bytes{c.rgbBlue, c.rgbGreen, c.rgbRed}));
    // Bottom row first.
    EXPECT_EQ(m[18 + 768], mapped.GetPixelIndex(0, 0));
    EXPECT_EQ(m[18 + 768 + 3], mapped.GetPixelIndex(0, 1));

    PxImage rgb = testimages::Random(2, 1, 24, false, 2);
    const Bytes t = codectest::EncodeImage<TgaCodec>(rgb);
    EXPECT_EQ(Bytes(t.begin(), t.begin() + 18), (Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0}));
    EXPECT_EQ(t.size(), 18 + 6u);
}

TEST(TgaEncode, AlphaPlaneWritesThirtyTwoBitsScaledByAlphaMax)
{
    PxImage picture(2, 1, 24, 0);
    picture.SetPixelColor(0, 0, {10, 20, 30, 0});
    picture.SetPixelColor(1, 0, {40, 50, 60, 0});
    picture.AlphaCreate();
    picture.AlphaSet(0, 0, 255);
    picture.AlphaSet(1, 0, 100);
    picture.AlphaSetMax(128);
    const Bytes file = codectest::EncodeImage<TgaCodec>(picture);
    ASSERT_EQ(file.size(), 18 + 8u);
    EXPECT_EQ(file[16], 32);
    EXPECT_EQ(file[17], 0);
    EXPECT_EQ(Bytes(file.begin() + 18, file.end()), (Bytes{10, 20, 30, 128, 40, 50, 60, 100 * 128 / 255}));
}

TEST(TgaEncode, RefusesDepthsBelowEight)
{
    for (const std::uint32_t bpp : {1u, 4u}) {
        PxImage picture = testimages::Random(5, 3, bpp, false, bpp);
        std::string error;
        EXPECT_TRUE(codectest::EncodeImage<TgaCodec>(picture, &error).empty());
        EXPECT_EQ(error, "Bit depth must be 8 or 24");
    }
}

TEST(TgaEncode, ArgumentChecksAndFailedWrites)
{
    TgaCodec empty;
    PxMemFile file;
    EXPECT_FALSE(empty.Encode(&file));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");

    PxImage picture = testimages::Random(4, 4, 24, false, 3);
    TgaCodec codec;
    codec.Ghost(picture);
    EXPECT_FALSE(codec.Encode(nullptr));
    EXPECT_STREQ(codec.GetLastError(), "null file handler");
    for (const std::size_t limit : {0u, 18u, 30u}) {
        codectest::ShortWriteFile shortFile(limit);
        EXPECT_FALSE(codec.Encode(&shortFile));
        EXPECT_STREQ(codec.GetLastError(), "Error writing TGA file");
    }
}

}  // namespace
