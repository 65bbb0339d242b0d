#include <gtest/gtest.h>

#include "image/codecs/WbmpCodec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/CorpusTable.h"

namespace {

using codectest::Bytes;

PxImage BlackAndWhite(std::uint32_t width, std::uint32_t height)
{
    PxImage picture = testimages::Random(width, height, 1, false, width + height);
    testimages::SetGreyPalette(picture);
    return picture;
}

const codectest::Corpus kWbmp{.format = "wbmp", .cuts = {4096, 64}};

TEST(WbmpCorpus, MatchesTable) { codectest::CheckCorpus<WbmpCodec>(kWbmp); }

TEST(WbmpCorpus, TruncatedFilesFailCleanly) { codectest::SweepTruncations<WbmpCodec>(kWbmp); }

TEST(WbmpRoundTrip, KeepsEveryPixelUpTo255)
{
    for (const auto& [width, height] : {std::pair{1u, 1u}, std::pair{33u, 17u}, std::pair{127u, 2u},
                                        std::pair{128u, 3u}, std::pair{255u, 255u}}) {
        SCOPED_TRACE(width);
        PxImage picture = BlackAndWhite(width, height);
        codectest::ExpectRoundTrip<WbmpCodec>(picture);
    }
}

// Sizes from 128 up take two 7-bit groups; rows go from the top.
TEST(WbmpEncode, FileLayout)
{
    PxImage picture = BlackAndWhite(200, 2);
    picture.Clear(0);
    picture.SetPixelIndex(0, 1, 1);
    picture.SetPixelIndex(199, 0, 1);
    Bytes expected = {0, 0, 0x81, 0x48, 2, 0x80};
    expected.resize(5 + 2 * 25);
    expected.back() = 0x01;
    EXPECT_EQ(codectest::EncodeBytes<WbmpCodec>(picture), expected);
}

// Bit 1 is white in the file: a picture whose palette has white first keeps
// its look.
TEST(WbmpEncode, LighterFirstPaletteIsWrittenInverted)
{
    PxImage picture = BlackAndWhite(9, 4);
    PxImage swapped(picture);
    swapped.SetPaletteColor(0, {255, 255, 255, 0});
    swapped.SetPaletteColor(1, {0, 0, 0, 0});
    for (std::int32_t y = 0; y < 4; ++y)
        for (std::int32_t x = 0; x < 9; ++x)
            swapped.SetPixelIndex(x, y, std::uint8_t(1 - picture.GetPixelIndex(x, y)));
    EXPECT_EQ(codectest::EncodeBytes<WbmpCodec>(swapped), codectest::EncodeBytes<WbmpCodec>(picture));
}

TEST(WbmpEncode, OnlySmallBlackAndWhitePictures)
{
    struct Row {
        std::uint32_t width, height, bpp;
    };
    for (const Row& row : {Row{300, 4, 1}, Row{256, 1, 1}, Row{1, 256, 1}, Row{8, 8, 4}, Row{8, 8, 24}}) {
        PxImage picture(row.width, row.height, row.bpp, 0);
        std::string error;
        EXPECT_TRUE(codectest::EncodeBytes<WbmpCodec>(picture, &error).empty());
        EXPECT_EQ(error, "Can't save this image as WBMP");
    }
    PxImage picture = BlackAndWhite(8, 8);
    WbmpCodec codec;
    codec.Ghost(picture);
    EXPECT_FALSE(codec.Encode(nullptr));
    EXPECT_STREQ(codec.GetLastError(), "null file handler");
    codectest::LimitedFile full(4);
    EXPECT_FALSE(codec.Encode(&full));
    EXPECT_STREQ(codec.GetLastError(), "Error writing WBMP file");
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
        {"no height", {0, 0, 8}, "Not a WBMP"},
        {"width ends", {0, 0, 0x81}, "Not a WBMP"},
        {"zero width", {0, 0, 0, 1, 0}, "Corrupted WBMP"},
        {"zero height", {0, 0, 1, 0, 0}, "Corrupted WBMP"},
        {"five groups", {0, 0, 0x81, 0x80, 0x80, 0x80, 0x00, 1, 0}, "Corrupted WBMP"},
        {"extension headers", {0, 0x80, 1, 1, 0}, "Corrupted WBMP"},
        {"rows missing", {0, 0, 9, 2, 0, 0, 0}, "Corrupted WBMP"},
        // A 2^28 - 1 square from a few bytes: refused before any allocation.
        {"huge", {0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 0}, "Corrupted WBMP"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WbmpCodec codec;
        EXPECT_FALSE(codectest::DecodeBytes(codec, row.file));
        EXPECT_STREQ(codec.GetLastError(), row.error);
    }
}

}  // namespace
