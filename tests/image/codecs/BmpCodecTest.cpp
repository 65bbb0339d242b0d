// The BMP codec over memory streams: layouts, run-length data, hostile
// headers, round trips, the corpus and its truncations.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/ByteOrder.h"
#include "image/ImageSize.h"
#include "image/PxFile.h"
#include "image/codecs/BmpCodec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/CorpusTable.h"

namespace {

using codectest::Bytes;
using codectest::DecodeBytes;

void Put16(Bytes& b, std::uint32_t v)
{
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void Append(Bytes& b, const Bytes& more)
{
    b.insert(b.end(), more.begin(), more.end());
}

// A file with a 40-byte header (or a bare DIB): header, extra bytes (masks,
// palette), pixels.
struct BmpFile {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bpp = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::int32_t pelsPerMeter = 3780;
    Bytes extra;
    Bytes pixels;
    bool withFileHeader = true;

    Bytes Build() const
    {
        Bytes b;
        const std::uint32_t offBits = std::uint32_t(14 + 40 + extra.size());
        if (withFileHeader) {
            b = {'B', 'M'};
            Put32(b, offBits + std::uint32_t(pixels.size()));
            Put32(b, 0);
            Put32(b, offBits);
        }
        for (std::uint32_t v : {40u, std::uint32_t(width), std::uint32_t(height)})
            Put32(b, v);
        Put16(b, 1);
        Put16(b, bpp);
        for (std::uint32_t v : {compression, std::uint32_t(pixels.size()), std::uint32_t(pelsPerMeter),
                                std::uint32_t(pelsPerMeter), colorsUsed, 0u})
            Put32(b, v);
        Append(b, extra);
        Append(b, pixels);
        return b;
    }
};

Bytes GrayPalette(std::uint32_t entries)
{
    Bytes b;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint8_t v = std::uint8_t(i * 255 / (entries > 1 ? entries - 1 : 1));
        b.insert(b.end(), {v, v, v, 0});
    }
    return b;
}

Bytes RandomBytes(std::size_t n, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& v : b)
        v = std::uint8_t(rng());
    return b;
}

// ---- layouts ----

class TopDownTwin : public ::testing::TestWithParam<std::uint16_t> {};

// A negative height stores the same rows top-down; both files show one picture.
TEST_P(TopDownTwin, DecodesLikeTheBottomUpFile)
{
    const std::uint16_t bpp = GetParam();
    const std::int32_t width = 13, height = 6;
    const std::size_t stride = std::size_t(pximage::RowStride(width, bpp));
    BmpFile up;
    up.width = width;
    up.height = height;
    up.bpp = bpp;
    up.extra = bpp <= 8 ? RandomBytes(4u << bpp, bpp) : Bytes{};
    for (std::size_t i = 3; i < up.extra.size(); i += 4)
        up.extra[i] = 0;
    up.pixels = RandomBytes(stride * height, 100 + bpp);
    BmpFile down = up;
    down.height = -height;
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(&down.pixels[y * stride], &up.pixels[(height - 1 - y) * stride], stride);

    BmpCodec a, b;
    ASSERT_TRUE(DecodeBytes(a, up.Build())) << a.GetLastError();
    ASSERT_TRUE(DecodeBytes(b, down.Build())) << b.GetLastError();
    EXPECT_EQ(b.GetHeight(), std::uint32_t(height));
    EXPECT_TRUE(testimages::SamePixels(a, b));
    if (bpp <= 8) {
        EXPECT_EQ(std::memcmp(a.GetPalette(), b.GetPalette(), 4u << bpp), 0);
    }
    if (bpp != 16 && bpp != 32) {  // the file's rows are the DIB's rows, padding and all
        EXPECT_EQ(std::memcmp(a.GetBits(), up.pixels.data(), up.pixels.size()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, TopDownTwin, ::testing::Values(1, 4, 8, 16, 24, 32));

struct WordCase {
    const char* name;
    std::uint32_t compression;
    std::uint32_t masks[3];
    std::uint16_t word;
    std::uint8_t blue, green, red;
};

class SixteenBit : public ::testing::TestWithParam<WordCase> {};

TEST_P(SixteenBit, ShiftsEachFieldToTheTopOfItsByte)
{
    const WordCase& c = GetParam();
    BmpFile f;
    f.bpp = 16;
    f.compression = c.compression;
    if (c.compression == 3)
        for (std::uint32_t m : c.masks)
            Put32(f.extra, m);
    Put16(f.pixels, c.word);
    Put16(f.pixels, 0);
    BmpCodec image;
    ASSERT_TRUE(DecodeBytes(image, f.Build())) << image.GetLastError();
    ASSERT_EQ(image.GetBpp(), 24);
    const std::uint8_t* p = image.GetBits();
    EXPECT_EQ(p[0], c.blue);
    EXPECT_EQ(p[1], c.green);
    EXPECT_EQ(p[2], c.red);
}

INSTANTIATE_TEST_SUITE_P(
    Words, SixteenBit,
    ::testing::Values(WordCase{"NoMasksWhite", 0, {}, 0x7FFF, 248, 248, 248},
                      WordCase{"NoMasksRed", 0, {}, 0x7C00, 0, 0, 248},
                      WordCase{"NoMasksLowestBlue", 0, {}, 0x0001, 8, 0, 0},
                      WordCase{"Masks565White", 3, {0xF800, 0x07E0, 0x001F}, 0xFFFF, 248, 252, 248},
                      WordCase{"Masks565Green", 3, {0xF800, 0x07E0, 0x001F}, 0x07E0, 0, 252, 0},
                      WordCase{"Masks565Lowest", 3, {0xF800, 0x07E0, 0x001F}, 0x0821, 8, 4, 8},
                      WordCase{"SixteenBitRedMask", 3, {0xFFFF, 0, 0}, 0xABCD, 0, 0, 0xAB},
                      WordCase{"MasksAboveTheWord", 3, {0x7C000000, 0x03E00000, 0x001F0000}, 0xFFFF, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A bare DIB (no 14-byte file header) finds its masks, palette and pixels
// where a file would have them.
TEST(BmpDecode, BareDibMatchesTheFile)
{
    BmpFile indexed;
    indexed.width = 5;
    indexed.height = 3;
    indexed.bpp = 8;
    indexed.colorsUsed = 4;
    indexed.extra = GrayPalette(4);
    indexed.pixels = RandomBytes(8 * 3, 7);
    for (auto& v : indexed.pixels)
        v %= 4;
    BmpFile masked;
    masked.width = 3;
    masked.height = 2;
    masked.bpp = 16;
    masked.compression = 3;
    for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu})
        Put32(masked.extra, m);
    masked.pixels = RandomBytes(8 * 2, 8);

    for (BmpFile f : {indexed, masked}) {
        BmpCodec withHeader, bare;
        ASSERT_TRUE(DecodeBytes(withHeader, f.Build())) << withHeader.GetLastError();
        f.withFileHeader = false;
        ASSERT_TRUE(DecodeBytes(bare, f.Build())) << bare.GetLastError();
        EXPECT_TRUE(testimages::SamePixels(withHeader, bare)) << f.bpp;
        EXPECT_EQ(bare.GetPixelColor(0, 0, false), withHeader.GetPixelColor(0, 0, false));
    }
}

// The OS/2 1.x header is 12 bytes: a whole file can be shorter than a 40-byte header.
TEST(BmpDecode, CoreHeaderWithThreeBytePalette)
{
    Bytes b = {'B', 'M'};
    Put32(b, 36);
    Put32(b, 0);
    Put32(b, 14 + 12 + 6);
    Put32(b, 12);
    Put16(b, 1);
    Put16(b, 1);
    Put16(b, 1);
    Put16(b, 1);
    Append(b, {0, 0, 0, 10, 20, 30});
    Append(b, {0x80, 0, 0, 0});
    BmpCodec image;
    ASSERT_TRUE(DecodeBytes(image, b)) << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), 1);
    EXPECT_EQ(image.GetPixelColor(0, 0, false), (RGBQUAD{10, 20, 30, 0}));
}

TEST(BmpDecode, PaletteIsBoundedByTheDepth)
{
    BmpFile f;
    f.width = 8;
    f.bpp = 1;
    f.colorsUsed = 300;
    f.extra = GrayPalette(300);
    f.extra[3] = 0x80;  // a reserved byte is never alpha in a BMP
    f.pixels = {0x0F, 0, 0, 0};
    BmpCodec image;
    ASSERT_TRUE(DecodeBytes(image, f.Build())) << image.GetLastError();
    EXPECT_EQ(image.GetNumColors(), 2u);
    EXPECT_EQ(image.GetPaletteColor(0), (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(image.GetPixelIndex(7, 0), 1);

    // A short palette leaves the other entries black; pixels follow the short palette.
    BmpFile few;
    few.width = 2;
    few.bpp = 4;
    few.colorsUsed = 3;
    few.extra = GrayPalette(3);
    few.pixels = {0x2F, 0, 0, 0};
    few.withFileHeader = false;
    BmpCodec small;
    ASSERT_TRUE(DecodeBytes(small, few.Build())) << small.GetLastError();
    EXPECT_EQ(small.GetPixelColor(0, 0, false), (RGBQUAD{255, 255, 255, 0}));
    EXPECT_EQ(small.GetPixelColor(1, 0, false), (RGBQUAD{0, 0, 0, 0}));

    // In a bare DIB a vast palette would put the pixels past the end.
    few.colorsUsed = 0x40000000;
    EXPECT_FALSE(DecodeBytes(small, few.Build()));
    EXPECT_STREQ(small.GetLastError(), "corrupted BMP");
}

TEST(BmpDecode, ResolutionComesFromThePixelsPerMetre)
{
    for (auto [ppm, dpi] : {std::pair{0, 0}, std::pair{3780, 96}, std::pair{11811, 300}}) {
        BmpFile f;
        f.pelsPerMeter = ppm;
        f.pixels = Bytes(4);
        BmpCodec image;
        ASSERT_TRUE(DecodeBytes(image, f.Build()));
        EXPECT_EQ(image.GetXDPI(), dpi);
        EXPECT_EQ(image.GetYDPI(), dpi);
        EXPECT_EQ(image.header.biXPelsPerMeter, ppm);
    }
}

// escape = -1 asks for the size alone, which needs no pixel data.
TEST(BmpDecode, SizeOnly)
{
    BmpFile f;
    f.width = 20000;
    f.height = -30;
    BmpCodec image;
    image.info.escape = -1;
    ASSERT_TRUE(DecodeBytes(image, f.Build()));
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.header.biWidth, 20000);
    EXPECT_EQ(image.header.biHeight, 30);
    EXPECT_STREQ(image.GetLastError(), "output dimensions returned");

    BmpCodec cancelled;
    cancelled.info.escape = 1;
    f.pixels = Bytes(60000 * 30);
    EXPECT_FALSE(DecodeBytes(cancelled, f.Build()));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
}

// ---- run-length data ----

struct RleCase {
    const char* name;
    std::uint16_t bpp;
    std::int32_t width, height;
    Bytes stream;
    std::vector<std::uint8_t> indices;  // bottom row first; empty: the decode fails
};

class RunLength : public ::testing::TestWithParam<RleCase> {};

TEST_P(RunLength, DecodesWithinTheRowAndThePicture)
{
    const RleCase& c = GetParam();
    BmpFile f;
    f.width = c.width;
    f.height = c.height;
    f.bpp = c.bpp;
    f.compression = c.bpp == 8 ? 1 : 2;
    f.colorsUsed = 16;
    f.extra = GrayPalette(16);
    f.pixels = c.stream;
    BmpCodec image;
    const bool decoded = DecodeBytes(image, f.Build());
    if (c.indices.empty()) {
        EXPECT_FALSE(decoded);
        EXPECT_STREQ(image.GetLastError(), "corrupted BMP");
        return;
    }
    ASSERT_TRUE(decoded) << image.GetLastError();
    std::vector<std::uint8_t> got;
    for (std::int32_t y = 0; y < c.height; ++y)
        for (std::int32_t x = 0; x < c.width; ++x)
            got.push_back(image.GetPixelIndex(x, y));
    EXPECT_EQ(got, c.indices);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, RunLength,
    ::testing::Values(
        RleCase{"Rle8RunsAndRowEnds", 8, 4, 2, {3, 5, 1, 6, 0, 0, 4, 7, 0, 1}, {5, 5, 5, 6, 7, 7, 7, 7}},
        RleCase{"Rle8PaddedLiteral", 8, 4, 2, {0, 3, 1, 2, 3, 0, 1, 9, 0, 0, 0, 1}, {1, 2, 3, 9, 0, 0, 0, 0}},
        RleCase{"Rle8Move", 8, 4, 2, {0, 2, 2, 1, 2, 8, 0, 1}, {0, 0, 0, 0, 0, 0, 8, 8}},
        RleCase{"Rle8RunPastTheRowEndIsClipped", 8, 4, 2, {3, 5, 3, 7, 1, 8, 0, 0, 1, 9, 0, 1},
                {5, 5, 5, 7, 9, 0, 0, 0}},
        RleCase{"Rle8LiteralPastTheRowEndIsClipped", 8, 4, 2, {0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 1, 6, 0, 1},
                {1, 2, 3, 4, 6, 0, 0, 0}},
        RleCase{"Rle8RowPaddingWrittenAsPixels", 8, 3, 2, {3, 1, 1, 0, 0, 0, 1, 2, 2, 3, 1, 0, 0, 1},
                {1, 1, 1, 2, 3, 3}},
        RleCase{"Rle8RunOnTheTopRowStopsAtItsEnd", 8, 2, 1, {255, 3, 0, 1}, {3, 3}},
        RleCase{"Rle8MovePastTheRightEdge", 8, 4, 1, {0, 2, 10, 0, 1, 4, 0, 1}, {0, 0, 0, 0}},
        RleCase{"Rle8MoveAboveTheTopEnds", 8, 2, 2, {1, 4, 0, 2, 0, 5, 1, 4}, {4, 0, 0, 0}},
        RleCase{"Rle8RowEndsAboveTheTopEnd", 8, 1, 1, {0, 0, 0, 0, 1, 3}, {0}},
        RleCase{"Rle8EndsBeforeEndOfBitmap", 8, 4, 2, {2, 5}, {}},
        RleCase{"Rle8EndsInsideALiteral", 8, 4, 2, {0, 4, 1, 2}, {}},
        RleCase{"Rle8EndsInsideAMove", 8, 4, 2, {0, 2, 1}, {}},
        RleCase{"Rle4RunAlternatesNibbles", 4, 5, 1, {5, 0x12, 0, 1}, {1, 2, 1, 2, 1}},
        RleCase{"Rle4OddLiteralIsPadded", 4, 6, 1, {0, 5, 0x12, 0x34, 0x50, 0, 1, 0x77, 0, 1}, {1, 2, 3, 4, 5, 7}},
        RleCase{"Rle4EvenByteLiteral", 4, 5, 1, {0, 3, 0x34, 0x50, 2, 0x77, 0, 1}, {3, 4, 5, 7, 7}},
        RleCase{"Rle4RunPastTheRowEndIsClipped", 4, 5, 2, {4, 0xAB, 3, 0xCD, 0, 0, 1, 0x11, 0, 1},
                {10, 11, 10, 11, 12, 1, 0, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- hostile headers ----

struct HeaderCase {
    const char* name;
    BmpFile file;
    const char* error;
};

class BadHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(BadHeader, FailsBeforeAllocating)
{
    const HeaderCase& c = GetParam();
    BmpCodec image;
    EXPECT_FALSE(DecodeBytes(image, c.file.Build()));
    EXPECT_STREQ(image.GetLastError(), c.error);
    EXPECT_FALSE(image.IsValid());
}

BmpFile Header(std::int32_t width, std::int32_t height, std::uint16_t bpp, std::uint32_t compression = 0,
               std::size_t pixelBytes = 16)
{
    BmpFile f;
    f.width = width;
    f.height = height;
    f.bpp = bpp;
    f.compression = compression;
    f.pixels = Bytes(pixelBytes);
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BadHeader,
    ::testing::Values(HeaderCase{"GigabytesFromAFewBytes", Header(20000, 20000, 24), "corrupted BMP"},
                      HeaderCase{"TallTopDownFromAFewBytes", Header(1, -400000000, 8), "corrupted BMP"},
                      HeaderCase{"SixteenBitRowsMissing", Header(3000, 3000, 16), "corrupted BMP"},
                      HeaderCase{"ThirtyTwoBitRowsMissing", Header(3000, 3000, 32, 3), "corrupted BMP"},
                      HeaderCase{"AboveTheCeiling", Header(100000, 100000, 24), "the picture is 100000 x 100000 pixels, more than the 500 megapixels this program opens"},
                      HeaderCase{"HeightIntMin", Header(1, INT32_MIN, 24), "Error reading BMP info"},
                      HeaderCase{"ZeroWidth", Header(0, 1, 24), "Error reading BMP info"},
                      HeaderCase{"NegativeWidth", Header(-4, 1, 24), "Error reading BMP info"},
                      HeaderCase{"DepthTwo", Header(1, 1, 2), "Error reading BMP info"},
                      HeaderCase{"Rle8OnFourBits", Header(1, 1, 4, 1), "compression type not supported"},
                      HeaderCase{"JpegInIndexed", Header(1, 1, 8, 4), "compression type not supported"},
                      HeaderCase{"Rle8OnTwentyFourBits", Header(1, 1, 24, 1), "unknown compression"},
                      HeaderCase{"PngInThirtyTwoBits", Header(1, 1, 32, 5), "unknown compression"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpDecode, OffsetOutsideTheFileFails)
{
    Bytes b = Header(1, 1, 24).Build();
    b[10] = 0xFF;
    b[11] = 0xFF;
    BmpCodec image;
    EXPECT_FALSE(DecodeBytes(image, b));
    EXPECT_STREQ(image.GetLastError(), "corrupted BMP");
}

TEST(BmpDecode, TooShortForAFileHeader)
{
    BmpCodec image;
    EXPECT_FALSE(DecodeBytes(image, Bytes{'B', 'M', 1, 2}));
    EXPECT_STREQ(image.GetLastError(), "Not a BMP");
    EXPECT_FALSE(DecodeBytes(image, Bytes(20, 0xAB)));
    EXPECT_STREQ(image.GetLastError(), "Error reading BMP info");
}

// ---- encoding ----

class RoundTrip : public ::testing::TestWithParam<std::uint32_t> {};

// Pixels, palette and resolution survive; the alpha plane is not stored.
TEST_P(RoundTrip, KeepsPixelsPaletteAndResolution)
{
    PxImage source = testimages::Random(33, 17, GetParam(), true, GetParam());
    source.SetXDPI(300);
    source.SetYDPI(72);
    const Bytes bytes = codectest::EncodeOrFail<BmpCodec>(source);
    ASSERT_EQ(bytes.size(), std::size_t(source.GetSize()) + 14);
    EXPECT_EQ(pximage::LoadLE32(&bytes[10]), 54u + 4 * source.GetNumColors());

    BmpCodec back;
    ASSERT_TRUE(DecodeBytes(back, bytes)) << back.GetLastError();
    EXPECT_FALSE(back.AlphaIsValid());
    source.AlphaDelete();
    EXPECT_TRUE(testimages::SamePixels(source, back));
    ASSERT_EQ(back.GetNumColors(), source.GetNumColors());
    if (source.IsIndexed()) {
        EXPECT_EQ(std::memcmp(source.GetPalette(), back.GetPalette(), 4 * source.GetNumColors()), 0);
    }
    EXPECT_EQ(back.GetXDPI(), 300);
    EXPECT_EQ(back.GetYDPI(), 72);
}

INSTANTIATE_TEST_SUITE_P(Depths, RoundTrip, ::testing::Values(1u, 4u, 8u, 24u));

TEST(BmpEncode, ReportsArgumentsAndShortWrites)
{
    BmpCodec empty;
    PxMemFile file;
    ASSERT_TRUE(file.Open());
    EXPECT_FALSE(empty.Encode(&file));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");

    PxImage source(5, 5, 24, 1);
    BmpCodec codec;
    codec.Ghost(source);
    EXPECT_FALSE(codec.Encode(nullptr));
    EXPECT_STREQ(codec.GetLastError(), "null file handler");
    for (std::size_t limit : {0, 14, 100}) {
        codectest::LimitedFile full(limit);
        EXPECT_FALSE(codec.Encode(&full)) << limit;
        EXPECT_STREQ(codec.GetLastError(), "Error writing BMP file");
    }
}

// ---- corpus ----

const codectest::Corpus kBmp{.format = "bmp", .cuts = codectest::kEveryLength, .minRows = 30};

TEST(BmpCorpus, EveryFileDecodesAsTheTableSays)
{
    codectest::CheckCorpus<BmpCodec>(kBmp);
}

// Every prefix of every corpus file decodes or fails with a reason.
TEST(BmpCorpus, TruncatedFilesFailCleanly)
{
    codectest::SweepTruncations<BmpCodec>(kBmp);
}

}  // namespace
