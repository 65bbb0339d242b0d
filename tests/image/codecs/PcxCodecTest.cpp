#include <gtest/gtest.h>

#include "image/codecs/PcxCodec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/SmallCodecHarness.h"

namespace {

using codectest::Bytes;

struct PcxFields {
    std::uint8_t manufacturer = 0x0A, encoding = 1, bits = 8, planes = 1;
    std::uint16_t width = 2, height = 1, bytesPerLine = 2;
    std::uint16_t xMin = 0;  // xMax is always width - 1
};

Bytes Header(const PcxFields& f)
{
    Bytes h(128, 0);
    h[0] = f.manufacturer;
    h[1] = 5;
    h[2] = f.encoding;
    h[3] = f.bits;
    h[4] = std::uint8_t(f.xMin);
    h[5] = std::uint8_t(f.xMin >> 8);
    h[8] = std::uint8_t(f.width - 1);
    h[9] = std::uint8_t((f.width - 1) >> 8);
    h[10] = std::uint8_t(f.height - 1);
    h[11] = std::uint8_t((f.height - 1) >> 8);
    h[65] = f.planes;
    h[66] = std::uint8_t(f.bytesPerLine);
    h[67] = std::uint8_t(f.bytesPerLine >> 8);
    return h;
}

Bytes Palette256(std::uint8_t signature = 0x0C)
{
    Bytes p(769);
    p[0] = signature;
    for (int i = 0; i < 256; ++i) {
        p[1 + 3 * i] = std::uint8_t(i);
        p[2 + 3 * i] = std::uint8_t(255 - i);
        p[3 + 3 * i] = 7;
    }
    return p;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(PcxCorpus, MatchesTable) { codectest::ExpectCorpusMatches<PcxCodec>("pcx"); }

TEST(PcxCorpus, TruncatedFilesFailCleanly) { codectest::SweepTruncations<PcxCodec>("pcx"); }

struct Shape {
    std::uint32_t width, height, bpp;
};

class PcxRoundTrip : public testing::TestWithParam<Shape> {};

TEST_P(PcxRoundTrip, KeepsEveryPixel)
{
    const Shape s = GetParam();
    PxImage picture = testimages::Random(s.width, s.height, s.bpp, false, s.width * 7 + s.bpp);
    // Long runs as well as noise: a run longer than 63 bytes must be split.
    for (std::int32_t x = 0; x < std::int32_t(s.width) / 2; ++x)
        picture.SetPixelColor(x, 0, picture.GetPixelColor(0, 0));
    Bytes file = codectest::EncodeImage<PcxCodec>(picture);
    ASSERT_FALSE(file.empty());
    PcxCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(codec, picture));
    EXPECT_EQ(codectest::HashText(codec), codectest::HashText(picture));
}

INSTANTIATE_TEST_SUITE_P(Depths, PcxRoundTrip,
                         testing::Values(Shape{1, 1, 1}, Shape{7, 5, 1}, Shape{300, 3, 1}, Shape{1, 1, 4},
                                         Shape{7, 5, 4}, Shape{300, 3, 4}, Shape{1, 1, 8}, Shape{33, 17, 8},
                                         Shape{300, 3, 8}, Shape{1, 1, 24}, Shape{33, 17, 24},
                                         Shape{300, 3, 24}));

TEST(PcxEncode, HeaderAndPlanes)
{
    struct Row {
        std::uint32_t bpp;
        std::uint8_t bits, planes;
        std::uint16_t bytesPerLine;
    };
    for (const Row& row : {Row{1, 1, 1, 2}, Row{4, 1, 4, 2}, Row{8, 8, 1, 10}, Row{24, 8, 3, 10}}) {
        SCOPED_TRACE(row.bpp);
        PxImage picture = testimages::Random(9, 2, row.bpp, false, row.bpp);
        const Bytes file = codectest::EncodeImage<PcxCodec>(picture);
        ASSERT_GT(file.size(), 128u);
        EXPECT_EQ(file[0], 0x0A);
        EXPECT_EQ(file[2], 1);
        EXPECT_EQ(file[3], row.bits);
        EXPECT_EQ(file[8], 8);
        EXPECT_EQ(file[10], 1);
        EXPECT_EQ(file[65], row.planes);
        EXPECT_EQ(file[66], row.bytesPerLine);
        if (row.bpp == 8) {
            EXPECT_EQ(file[file.size() - 769], 0x0C);
        }
    }
}

TEST(PcxEncode, NoRunCrossesALineAndCodeLikeBytesAreEscaped)
{
    // Two rows of 0xC5 indices, 64 wide: each line is a run of 63 and a run
    // of one, never a run that takes bytes from the next line.
    PxImage picture(64, 2, 8, 0);
    picture.Clear(0xC5);
    const Bytes file = codectest::EncodeImage<PcxCodec>(picture);
    const Bytes line = {0xFF, 0xC5, 0xC1, 0xC5};
    EXPECT_EQ(Bytes(file.begin() + 128, file.end() - 769), Concat({line, line}));
}

TEST(PcxEncode, FailuresAndArgumentChecks)
{
    PxImage picture = testimages::Random(5, 5, 8, false, 4);
    PcxCodec codec;
    codec.Ghost(picture);
    EXPECT_FALSE(codec.Encode(nullptr));
    EXPECT_STREQ(codec.GetLastError(), "null file handler");
    codectest::ShortWriteFile noRoom(100);
    EXPECT_FALSE(codec.Encode(&noRoom));
    EXPECT_STREQ(codec.GetLastError(), "cannot write PCX header");
    codectest::ShortWriteFile shortData(140);
    EXPECT_FALSE(codec.Encode(&shortData));
    EXPECT_STREQ(codec.GetLastError(), "Error writing PCX file");

    // A width the 16-bit header fields cannot hold.
    PxImage wide(70000, 1, 1, 0);
    std::string error;
    EXPECT_TRUE(codectest::EncodeImage<PcxCodec>(wide, &error).empty());
    EXPECT_EQ(error, "cannot write PCX header");
}

// Layouts no writer here produces: packed 4 and 2-bit pixels, three bit
// planes, and red, green, blue, alpha planes.
TEST(PcxDecode, OtherPlaneLayouts)
{
    {
        PcxFields f;
        f.bits = 4, f.width = 3, f.bytesPerLine = 2;
        Bytes file = Header(f);
        file[16 + 3 * 0xA] = 11;  // red of entry 10
        file[16 + 3 * 0x5 + 2] = 22;  // blue of entry 5
        const Bytes data = {0xA5, 0xC1, 0xF0};
        file.insert(file.end(), data.begin(), data.end());
        PcxCodec codec;
        ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
        EXPECT_EQ(codec.GetBpp(), 4);
        EXPECT_EQ(codec.GetPixelIndex(0, 0), 0xA);
        EXPECT_EQ(codec.GetPixelIndex(1, 0), 0x5);
        EXPECT_EQ(codec.GetPixelIndex(2, 0), 0xF);
        EXPECT_EQ(codec.GetPixelColor(0, 0), (RGBQUAD{0, 0, 11, 0}));
        EXPECT_EQ(codec.GetPixelColor(1, 0), (RGBQUAD{22, 0, 0, 0}));
    }
    {
        PcxFields f;
        f.bits = 2, f.width = 4, f.bytesPerLine = 2;
        Bytes file = Concat({Header(f), {0x1B, 0x00}});  // 00 01 10 11
        PcxCodec codec;
        ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
        for (std::int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(codec.GetPixelIndex(x, 0), x);
    }
    {
        PcxFields f;
        f.bits = 1, f.planes = 3, f.width = 3, f.bytesPerLine = 2;
        // Plane 0 bits 1 0 1, plane 1 bits 1 1 0, plane 2 bits 0 0 1.
        Bytes file = Concat({Header(f), {0xA0, 0x00, 0xC1, 0xC0, 0x00, 0x20, 0x00}});
        PcxCodec codec;
        ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
        EXPECT_EQ(codec.GetBpp(), 4);
        EXPECT_EQ(codec.GetPixelIndex(0, 0), 3);
        EXPECT_EQ(codec.GetPixelIndex(1, 0), 2);
        EXPECT_EQ(codec.GetPixelIndex(2, 0), 5);
    }
    {
        PcxFields f;
        f.bits = 8, f.planes = 4, f.width = 2, f.bytesPerLine = 2;
        Bytes file = Concat({Header(f), {10, 20, 30, 40, 50, 60, 0xC1, 0xFF, 0x00}});
        PcxCodec codec;
        ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
        EXPECT_EQ(codec.GetBpp(), 24);
        ASSERT_TRUE(codec.AlphaIsValid());
        EXPECT_EQ(codec.GetPixelColor(0, 0), (RGBQUAD{50, 30, 10, 255}));
        EXPECT_EQ(codec.GetPixelColor(1, 0), (RGBQUAD{60, 40, 20, 0}));
    }
}

TEST(PcxDecode, RunsMayCrossLinesButNotTheEnd)
{
    PcxFields f;
    f.height = 2;
    // One run of four fills both lines.
    Bytes file = Concat({Header(f), {0xC4, 9}, Palette256()});
    PcxCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
    for (std::int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(codec.GetPixelIndex(i % 2, i / 2), 9);
    EXPECT_EQ(codec.GetPixelColor(0, 0), (RGBQUAD{7, 255 - 9, 9, 0}));

    Bytes overrun = Concat({Header(f), {0xC5, 9}, Palette256()});
    EXPECT_FALSE(codectest::DecodeBytes(codec, overrun));
    EXPECT_STREQ(codec.GetLastError(), "repeat count spans end of image");
}

TEST(PcxDecode, PaletteFoundAtTheEndWhenItDoesNotFollowTheData)
{
    PcxFields f;
    Bytes file = Concat({Header(f), {3, 4}, {0, 0, 0}, Palette256()});
    PcxCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
    EXPECT_EQ(codec.GetPixelColor(1, 0), (RGBQUAD{7, 251, 4, 0}));
}

TEST(PcxDecode, MonochromeUsesTheHeaderColoursWhenTheyDiffer)
{
    PcxFields f;
    f.bits = 1, f.width = 2, f.bytesPerLine = 2;
    Bytes zeroed = Concat({Header(f), {0x40, 0x00}});
    PcxCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, zeroed)) << codec.GetLastError();
    EXPECT_EQ(codec.GetPixelColor(0, 0), (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(codec.GetPixelColor(1, 0), (RGBQUAD{255, 255, 255, 0}));

    Bytes coloured = zeroed;
    coloured[16] = 255;  // entry 0 red
    coloured[21] = 200;  // entry 1 blue
    ASSERT_TRUE(codectest::DecodeBytes(codec, coloured)) << codec.GetLastError();
    EXPECT_EQ(codec.GetPixelColor(0, 0), (RGBQUAD{0, 0, 255, 0}));
    EXPECT_EQ(codec.GetPixelColor(1, 0), (RGBQUAD{200, 0, 0, 0}));
}

TEST(PcxDecode, BadFilesFailWithTheirReason)
{
    auto header = [](auto change) {
        PcxFields f;
        change(f);
        return Header(f);
    };
    const Bytes pixels = {1, 2};
    struct Row {
        const char* name;
        Bytes file;
        const char* error;
    };
    const Row rows[] = {
        {"empty", {}, "Can't read PCX image"},
        {"short header", Bytes(127, 0x0A), "Can't read PCX image"},
        {"manufacturer", Concat({header([](PcxFields& f) { f.manufacturer = 0x0B; }), pixels, Palette256()}),
         "Error: Not a PCX file"},
        {"encoding 0", Concat({header([](PcxFields& f) { f.encoding = 0; }), pixels, Palette256()}),
         "PCX file has unknown encoding scheme"},
        {"5 planes", Concat({header([](PcxFields& f) { f.planes = 5; }), pixels}),
         "Can't handle image with more than 4 planes"},
        {"0 planes", Concat({header([](PcxFields& f) { f.planes = 0; }), pixels}), "corrupted PCX"},
        {"8 bits in 2 planes", Concat({header([](PcxFields& f) { f.planes = 2; }), pixels, pixels}),
         "corrupted PCX"},
        {"3 bits", Concat({header([](PcxFields& f) { f.bits = 3; }), pixels}), "corrupted PCX"},
        {"line too short", Concat({header([](PcxFields& f) { f.bytesPerLine = 1; }), pixels}), "corrupted PCX"},
        {"xmax below xmin", Concat({header([](PcxFields& f) { f.xMin = 9; }), pixels}), "corrupted PCX"},
        {"data ends", Concat({header([](PcxFields& f) { f.height = 2; }), pixels, {0xC1}}), "corrupted PCX"},
        {"huge from few bytes",
         Concat({header([](PcxFields& f) { f.width = 60000, f.height = 60000, f.bytesPerLine = 60000; }), pixels}),
         "corrupted PCX"},
        {"no palette", Concat({header([](PcxFields&) {}), pixels}), "bad color map signature"},
        {"palette signature", Concat({header([](PcxFields&) {}), pixels, Palette256(0x0D)}),
         "bad color map signature"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes file = row.file;
        PcxCodec codec;
        EXPECT_FALSE(codectest::DecodeBytes(codec, file));
        EXPECT_STREQ(codec.GetLastError(), row.error);
    }
}

}  // namespace
