#include <gtest/gtest.h>

#include "image/codecs/WbmpCodec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/SmallCodecHarness.h"

namespace {

using codectest::Bytes;

PxImage BlackAndWhite(std::uint32_t width, std::uint32_t height, std::uint32_t seed)
{
    PxImage picture = testimages::Random(width, height, 1, false, seed);
    picture.SetPaletteColor(0, {0, 0, 0, 0});
    picture.SetPaletteColor(1, {255, 255, 255, 0});
    return picture;
}

TEST(WbmpCorpus, MatchesTable) { codectest::ExpectCorpusMatches<WbmpCodec>("wbmp"); }

TEST(WbmpCorpus, TruncatedFilesFailCleanly) { codectest::SweepTruncations<WbmpCodec>("wbmp"); }

class WbmpRoundTrip : public testing::TestWithParam<std::pair<std::uint32_t, std::uint32_t>> {};

TEST_P(WbmpRoundTrip, KeepsEveryPixel)
{
    const auto [width, height] = GetParam();
    PxImage picture = BlackAndWhite(width, height, width + height);
    Bytes file = codectest::EncodeImage<WbmpCodec>(picture);
    ASSERT_FALSE(file.empty());
    WbmpCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
    EXPECT_EQ(codec.GetBpp(), 1);
    EXPECT_EQ(codectest::HashText(codec), codectest::HashText(picture));
}

INSTANTIATE_TEST_SUITE_P(Sizes, WbmpRoundTrip,
                         testing::Values(std::pair{1u, 1u}, std::pair{7u, 5u}, std::pair{33u, 17u},
                                         std::pair{127u, 2u}, std::pair{128u, 3u}, std::pair{255u, 255u}));

TEST(WbmpEncode, FileLayout)
{
    // 200 needs two 7-bit groups: 0x81 0x48.
    PxImage picture(200, 2, 1, 0);
    picture.SetPaletteColor(1, {255, 255, 255, 0});
    picture.SetPixelIndex(0, 1, 1);
    picture.SetPixelIndex(199, 0, 1);
    const Bytes file = codectest::EncodeImage<WbmpCodec>(picture);
    ASSERT_EQ(file.size(), 5 + 2 * 25u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 5), (Bytes{0, 0, 0x81, 0x48, 2}));
    EXPECT_EQ(file[5], 0x80);       // top row first
    EXPECT_EQ(file[5 + 25 + 24], 0x01);
}

TEST(WbmpEncode, LighterFirstPaletteIsWrittenInverted)
{
    PxImage picture = BlackAndWhite(9, 4, 5);
    PxImage swapped(picture);
    swapped.SetPaletteColor(0, {255, 255, 255, 0});
    swapped.SetPaletteColor(1, {0, 0, 0, 0});
    for (std::int32_t y = 0; y < 4; ++y)
        for (std::int32_t x = 0; x < 9; ++x)
            swapped.SetPixelIndex(x, y, std::uint8_t(1 - picture.GetPixelIndex(x, y)));
    EXPECT_EQ(codectest::EncodeImage<WbmpCodec>(swapped), codectest::EncodeImage<WbmpCodec>(picture));
}

TEST(WbmpEncode, OnlySmallBlackAndWhitePictures)
{
    struct Row {
        std::uint32_t width, height, bpp;
    };
    for (const Row& row : {Row{300, 4, 1}, Row{256, 1, 1}, Row{1, 256, 1}, Row{8, 8, 4}, Row{8, 8, 24}}) {
        PxImage picture(row.width, row.height, row.bpp, 0);
        std::string error;
        EXPECT_TRUE(codectest::EncodeImage<WbmpCodec>(picture, &error).empty());
        EXPECT_EQ(error, "Can't save this image as WBMP");
    }
    PxImage picture = BlackAndWhite(8, 8, 1);
    WbmpCodec codec;
    codec.Ghost(picture);
    EXPECT_FALSE(codec.Encode(nullptr));
    EXPECT_STREQ(codec.GetLastError(), "null file handler");
    codectest::ShortWriteFile full(4);
    EXPECT_FALSE(codec.Encode(&full));
    EXPECT_STREQ(codec.GetLastError(), "Error writing WBMP file");
}

TEST(WbmpDecode, TwoEntryPaletteAndRowsFromTheTop)
{
    Bytes file = {0, 0, 10, 2, 0xC0, 0x40, 0x00, 0x00};
    WbmpCodec codec;
    ASSERT_TRUE(codectest::DecodeBytes(codec, file)) << codec.GetLastError();
    EXPECT_EQ(codec.GetWidth(), 10u);
    EXPECT_EQ(codec.GetNumColors(), 2u);
    EXPECT_EQ(codec.GetPaletteColor(0), (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(codec.GetPaletteColor(1), (RGBQUAD{255, 255, 255, 0}));
    EXPECT_EQ(codec.GetPixelIndex(0, 1), 1);
    EXPECT_EQ(codec.GetPixelIndex(1, 1), 1);
    EXPECT_EQ(codec.GetPixelIndex(9, 1), 1);
    EXPECT_EQ(codec.GetPixelIndex(2, 1), 0);
    EXPECT_EQ(codec.GetPixelIndex(0, 0), 0);
}

TEST(WbmpDecode, BadFilesFailWithTheirReason)
{
    struct Row {
        const char* name;
        Bytes file;
        const char* error;
    };
    const Row rows[] = {
        {"empty", {}, "Not a WBMP"},
        {"type 1", {1, 0, 1, 1, 0}, "Unsupported WBMP type"},
        {"type 0x80", {0x80, 0, 0, 1, 1, 0}, "Unsupported WBMP type"},
        {"no fixed header", {0}, "Not a WBMP"},
        {"no height", {0, 0, 8}, "Not a WBMP"},
        {"width ends", {0, 0, 0x81}, "Not a WBMP"},
        {"zero width", {0, 0, 0, 1, 0}, "Corrupted WBMP"},
        {"zero height", {0, 0, 1, 0, 0}, "Corrupted WBMP"},
        {"width of five groups", {0, 0, 0x81, 0x80, 0x80, 0x80, 0x00, 1, 0}, "Corrupted WBMP"},
        {"extension headers", {0, 0x80, 1, 1, 0}, "Corrupted WBMP"},
        {"rows missing", {0, 0, 9, 2, 0, 0, 0}, "Corrupted WBMP"},
        // 2^28 - 1 square from a few bytes: refused before any allocation.
        {"huge", {0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 0}, "Corrupted WBMP"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes file = row.file;
        WbmpCodec codec;
        EXPECT_FALSE(codectest::DecodeBytes(codec, file));
        EXPECT_STREQ(codec.GetLastError(), row.error);
    }
}

TEST(WbmpDecode, TooLargeForTheContainer)
{
    // 2^28 - 1 wide and 16384 high with no way to tell how much data follows.
    std::FILE* pipe = popen("printf '\\000\\000\\377\\377\\377\\177\\201\\200\\000'", "r");
    ASSERT_NE(pipe, nullptr);
    PxIOFile file(pipe);
    WbmpCodec codec;
    EXPECT_FALSE(codec.Decode(&file));
    EXPECT_STREQ(codec.GetLastError(), "WBMP Create failed");
    pclose(pipe);
}

}  // namespace
