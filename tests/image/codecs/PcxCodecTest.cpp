#include <gtest/gtest.h>

#include "image/codecs/PcxCodec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/CorpusTable.h"

// Bit planes, packed pixels, odd line lengths, 8-bit palettes and red, green,
// blue (and alpha) planes come from the corpus in tests/data/pcx
// (tools/corpus/make_pcx.py).

namespace {

using codectest::Bytes;

struct PcxFields {
    std::uint8_t manufacturer = 0x0A, encoding = 1, bits = 8, planes = 1;
    std::uint16_t width = 2, height = 1, bytesPerLine = 2;
    std::uint16_t xMin = 0;  // xMax is width - 1
};

Bytes File(const PcxFields& f, std::initializer_list<Bytes> parts)
{
    Bytes out(128, 0);
    out[0] = f.manufacturer;
    out[1] = 5;
    out[2] = f.encoding;
    out[3] = f.bits;
    out[4] = std::uint8_t(f.xMin);
    out[8] = std::uint8_t(f.width - 1);
    out[9] = std::uint8_t((f.width - 1) >> 8);
    out[10] = std::uint8_t(f.height - 1);
    out[11] = std::uint8_t((f.height - 1) >> 8);
    out[65] = f.planes;
    out[66] = std::uint8_t(f.bytesPerLine);
    out[67] = std::uint8_t(f.bytesPerLine >> 8);
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Entry i is red i, green 255 - i, blue 7.
Bytes Palette256(std::uint8_t signature = 0x0C)
{
    Bytes p = {signature};
    for (int i = 0; i < 256; ++i)
        p.insert(p.end(), {std::uint8_t(i), std::uint8_t(255 - i), 7});
    return p;
}

const codectest::Corpus kPcx{.format = "pcx", .cuts = {4096, 64}};

TEST(PcxCorpus, MatchesTable) { codectest::CheckCorpus<PcxCodec>(kPcx); }

TEST(PcxCorpus, TruncatedFilesFailCleanly) { codectest::SweepTruncations<PcxCodec>(kPcx); }

struct Shape {
    std::uint32_t width, height, bpp;
};

class PcxRoundTrip : public testing::TestWithParam<Shape> {};

TEST_P(PcxRoundTrip, KeepsEveryPixel)
{
    const Shape s = GetParam();
    PxImage picture = testimages::Random(s.width, s.height, s.bpp, false, s.width * 7 + s.bpp);
    // A long run as well as noise: runs longer than 63 bytes are split.
    for (std::int32_t x = 0; x < std::int32_t(s.width) / 2; ++x)
        picture.SetPixelColor(x, 0, picture.GetPixelColor(0, 0));
    codectest::ExpectRoundTrip<PcxCodec>(picture);
}

INSTANTIATE_TEST_SUITE_P(Depths, PcxRoundTrip,
                         testing::Values(Shape{1, 1, 1}, Shape{300, 3, 1}, Shape{1, 1, 4}, Shape{300, 3, 4},
                                         Shape{1, 1, 8}, Shape{300, 3, 8}, Shape{1, 1, 24}, Shape{300, 3, 24}));

// Sixteen colours go as four bit planes; lines have an even length; a run
// never takes bytes from the next line; a lone byte that looks like a run
// code is written as a run of one.
TEST(PcxEncode, FileLayout)
{
    PxImage planar = testimages::Random(9, 2, 4, false, 4);
    const Bytes file = codectest::EncodeBytes<PcxCodec>(planar);
    ASSERT_GT(file.size(), 128u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 4), (Bytes{0x0A, 5, 1, 1}));
    EXPECT_EQ(file[65], 4);
    EXPECT_EQ(file[66], 2);

    PxImage flat(64, 2, 8, 0);
    flat.Clear(0xC5);
    const Bytes encoded = codectest::EncodeBytes<PcxCodec>(flat);
    ASSERT_EQ(encoded.size(), 128 + 8 + 769u);
    EXPECT_EQ(Bytes(encoded.begin() + 128, encoded.end() - 769), (Bytes{0xFF, 0xC5, 0xC1, 0xC5, 0xFF, 0xC5, 0xC1, 0xC5}));
}

TEST(PcxEncode, Failures)
{
    PxImage picture = testimages::Random(5, 5, 8, false, 4);
    PcxCodec codec;
    codec.Ghost(picture);
    EXPECT_FALSE(codec.Encode(nullptr));
    EXPECT_STREQ(codec.GetLastError(), "null file handler");
    codectest::LimitedFile noHeader(100);
    EXPECT_FALSE(codec.Encode(&noHeader));
    EXPECT_STREQ(codec.GetLastError(), "cannot write PCX header");
    codectest::LimitedFile shortData(140);
    EXPECT_FALSE(codec.Encode(&shortData));
    EXPECT_STREQ(codec.GetLastError(), "Error writing PCX file");

    // Wider than the header's 16-bit fields can say.
    PxImage wide(70000, 1, 1, 0);
    std::string error;
    EXPECT_TRUE(codectest::EncodeBytes<PcxCodec>(wide, &error).empty());
    EXPECT_EQ(error, "cannot write PCX header");
}

TEST(PcxDecode, RunsMayCrossLinesButNotTheEnd)
{
    PcxCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, File({.height = 2}, {{0xC4, 9}, Palette256()})));
    for (std::int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(codec.GetPixelColor(i % 2, i / 2), (RGBQUAD{7, 255 - 9, 9, 0}));

    EXPECT_FALSE(codectest::DecodeBytes(codec, File({.height = 2}, {{0xC5, 9}, Palette256()})));
    EXPECT_STREQ(codec.GetLastError(), "repeat count spans end of image");
}

TEST(PcxDecode, PaletteIsFoundAtTheEndWhenItDoesNotFollowThePixels)
{
    PcxCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, File({}, {{3, 4}, {0, 0, 0}, Palette256()})));
    EXPECT_EQ(codec.GetPixelColor(1, 0), (RGBQUAD{7, 251, 4, 0}));
}

TEST(PcxDecode, BadFilesFailWithTheirReason)
{
    const Bytes pixels = {1, 2};
    struct Row {
        const char* name;
        Bytes file;
        const char* error;
    };
    const Row rows[] = {
        {"short header", Bytes(127, 0x0A), "Can't read PCX image"},
        {"manufacturer", File({.manufacturer = 0x0B}, {pixels, Palette256()}), "Error: Not a PCX file"},
        {"encoding 0", File({.encoding = 0}, {pixels, Palette256()}), "PCX file has unknown encoding scheme"},
        {"5 planes", File({.planes = 5}, {pixels}), "Can't handle image with more than 4 planes"},
        {"0 planes", File({.planes = 0}, {pixels}), "corrupted PCX"},
        {"8 bits in 2 planes", File({.planes = 2}, {pixels, pixels}), "corrupted PCX"},
        {"3 bits", File({.bits = 3}, {pixels}), "corrupted PCX"},
        {"line too short", File({.bytesPerLine = 1}, {pixels}), "corrupted PCX"},
        {"xMax below xMin", File({.xMin = 9}, {pixels}), "corrupted PCX"},
        {"pixels end", File({.height = 2}, {pixels, {0xC1}}), "corrupted PCX"},
        {"huge from a few bytes", File({.width = 60000, .height = 60000, .bytesPerLine = 60000}, {pixels}),
         "corrupted PCX"},
        {"no palette", File({}, {pixels}), "bad color map signature"},
        {"palette signature", File({}, {pixels, Palette256(0x0D)}), "bad color map signature"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PcxCodec codec;
        EXPECT_FALSE(codectest::DecodeBytes(codec, row.file));
        EXPECT_STREQ(codec.GetLastError(), row.error);
    }
}

}  // namespace
