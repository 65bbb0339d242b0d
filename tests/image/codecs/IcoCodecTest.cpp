#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/ByteOrder.h"
#include "image/codecs/IcoCodec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/CorpusTable.h"

namespace {

using codectest::DecodeBytes;

const codectest::Corpus kIco = codectest::FrameCorpus("ico");
using pximage::LoadLE32;
using pximage::StoreLE16;
using pximage::StoreLE32;

// Byte offsets in a one-entry file as the encoder writes it.
constexpr std::size_t kEntryBytes = 14, kEntryOffset = 18;
constexpr std::size_t kInfo = 22;  // the entry's 40-byte header
constexpr std::size_t kInfoHeight = kInfo + 8, kInfoBpp = kInfo + 14, kInfoCompression = kInfo + 16,
                      kInfoColors = kInfo + 32;
constexpr std::size_t kPalette = kInfo + 40;

std::vector<std::uint8_t> EncodeImage(PxImage& source)
{
    return codectest::EncodeOrFail<IcoCodec>(source);
}

// A file of several entries from one-entry files.
std::vector<std::uint8_t> Combine(const std::vector<std::vector<std::uint8_t>>& icons, std::uint16_t type = 1)
{
    std::vector<std::uint8_t> out(6 + 16 * icons.size());
    StoreLE16(&out[2], type);
    StoreLE16(&out[4], std::uint16_t(icons.size()));
    std::uint32_t offset = std::uint32_t(out.size());
    for (std::size_t i = 0; i < icons.size(); ++i) {
        std::memcpy(&out[6 + 16 * i], &icons[i][6], 16);
        StoreLE32(&out[6 + 16 * i + 12], offset);
        offset += std::uint32_t(icons[i].size() - kInfo);
    }
    for (const auto& icon : icons)
        out.insert(out.end(), icon.begin() + kInfo, icon.end());
    return out;
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t length)
{
    bytes.resize(length);
    return bytes;
}

// ---------------------------------------------------------------- corpus

TEST(IcoCorpus, EveryEntryMatchesTheTable)
{
    codectest::CheckCorpus<IcoCodec>(kIco);
}

TEST(IcoCorpus, TruncatedFilesDecodeOrFailWithAReason)
{
    codectest::SweepTruncations<IcoCodec>(kIco);
}

// ---------------------------------------------------------------- entries

TEST(IcoEntries, TwoEntriesDecodeTheFirstAndCountBoth)
{
    PxImage small = testimages::Random(2, 2, 4, false, 1);
    PxImage wide = testimages::Random(3, 1, 24, false, 2);
    const auto bytes = Combine({EncodeImage(small), EncodeImage(wide)});

    IcoCodec first;
    ASSERT_TRUE(DecodeBytes(first, bytes)) << first.GetLastError();
    EXPECT_EQ(first.info.numFrames, 2);
    EXPECT_TRUE(testimages::SamePixels(first, small));
    IcoCodec second;
    ASSERT_TRUE(DecodeBytes(second, bytes, 1)) << second.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(second, wide));

    for (const std::int32_t frame : {2, -1}) {
        IcoCodec missing;
        EXPECT_FALSE(DecodeBytes(missing, bytes, frame));
        EXPECT_STREQ(missing.GetLastError(), "ICO frame not present");
        EXPECT_EQ(missing.info.numFrames, 2);
    }

    IcoCodec cursor;
    ASSERT_TRUE(DecodeBytes(cursor, Combine({EncodeImage(wide)}, 2))) << cursor.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(cursor, wide));
}

TEST(IcoEntries, OffsetsCountFromWhereTheStreamStands)
{
    PxImage source = testimages::Random(5, 4, 8, false, 8);
    std::vector<std::uint8_t> bytes(7, 0xEE);
    const std::vector<std::uint8_t> icon = EncodeImage(source);
    bytes.insert(bytes.end(), icon.begin(), icon.end());
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fseek(stream, 7, SEEK_SET);
    PxIOFile file(stream);
    IcoCodec image;
    ASSERT_TRUE(image.Decode(&file)) << image.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(image, source));
    std::fclose(stream);
}

TEST(IcoEntries, SizeOnlyReadsTheDirectory)
{
    PxImage big(256, 40, 8, 0);
    IcoCodec image;
    image.info.escape = -1;
    ASSERT_TRUE(DecodeBytes(image, EncodeImage(big)));
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), 256u);
    EXPECT_EQ(image.GetHeight(), 40u);
    EXPECT_STREQ(image.GetLastError(), "output dimensions returned");
}

// An entry's own alpha rules; the AND mask stands in where there is none.
TEST(IcoEntries, AlphaComesFromTheFourthByteOrTheMask)
{
    PxImage source(2, 1, 24, 0);
    source.AlphaCreate();
    source.AlphaSet(0, 0, 100);
    source.AlphaSet(1, 0, 0);
    const std::vector<std::uint8_t> bytes = EncodeImage(source);  // 32 bits: pixel bytes at kPalette
    const std::size_t mask = kPalette + 8;
    ASSERT_EQ(bytes.at(mask), 0x40);

    std::vector<std::uint8_t> coarseMask = bytes;  // a writer that thresholds at 127
    coarseMask[mask] = 0xC0;
    std::vector<std::uint8_t> noAlpha = bytes;  // fourth bytes all 0: the mask alone decides
    noAlpha[kPalette + 3] = noAlpha[kPalette + 7] = 0;
    std::vector<std::uint8_t> opaque = bytes;
    opaque[kPalette + 3] = opaque[kPalette + 7] = 255;
    opaque[mask] = 0;

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool plane;
        std::uint8_t alpha0, alpha1;
    };
    const Case cases[] = {
        {"as written", bytes, true, 100, 0},
        {"mask wider than the alpha", coarseMask, true, 100, 0},
        {"no alpha of its own", noAlpha, true, 255, 0},
        {"fully opaque", opaque, false, 255, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IcoCodec image;
        ASSERT_TRUE(DecodeBytes(image, c.bytes)) << image.GetLastError();
        EXPECT_EQ(image.GetBpp(), 24);
        ASSERT_EQ(image.AlphaIsValid(), c.plane);
        if (c.plane) {
            EXPECT_EQ(image.AlphaGet(0, 0), c.alpha0);
            EXPECT_EQ(image.AlphaGet(1, 0), c.alpha1);
        }
    }
}

// ---------------------------------------------------------------- round trips

TEST(IcoRoundTrip, EveryWritableDepth)
{
    struct Case {
        std::uint32_t width, height, bpp;
        bool alpha;
        std::int32_t transIndex;
        std::uint32_t fileBpp;
    };
    const Case cases[] = {
        {1, 1, 1, false, -1, 1},   {13, 7, 1, false, 0, 1},  {16, 16, 4, false, -1, 4}, {33, 17, 4, true, -1, 4},
        {32, 32, 8, false, 7, 8},  {7, 5, 8, true, -1, 8},   {9, 6, 24, false, -1, 24}, {17, 9, 24, false, 0, 24},
        {24, 24, 24, true, -1, 32}, {256, 256, 24, true, -1, 32}, {256, 1, 8, false, -1, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.bpp << " bpp"
                                        << (c.alpha ? " with alpha" : "") << " index " << c.transIndex);
        PxImage source = testimages::Random(c.width, c.height, c.bpp, c.alpha, c.width * 7 + c.bpp);
        if (c.alpha)  // a quarter fully transparent
            for (std::uint32_t i = 0; i < c.width * c.height; ++i)
                source.alpha[i] = source.alpha[i] < 64 ? 0 : source.alpha[i];
        source.SetTransIndex(c.transIndex);
        if (c.bpp == 24 && c.transIndex >= 0)
            source.SetTransColor(source.GetPixelColor(0, 0, false));

        const std::vector<std::uint8_t> bytes = EncodeImage(source);
        EXPECT_EQ(bytes.at(6), std::uint8_t(c.width));
        EXPECT_EQ(bytes.at(kInfoBpp), c.fileBpp);
        IcoCodec decoded;
        ASSERT_TRUE(DecodeBytes(decoded, bytes)) << decoded.GetLastError();
        EXPECT_EQ(decoded.info.numFrames, 1);
        ASSERT_EQ(decoded.GetWidth(), c.width);
        ASSERT_EQ(decoded.GetHeight(), c.height);
        ASSERT_EQ(decoded.GetBpp(), c.bpp);
        EXPECT_EQ(std::memcmp(decoded.GetBits(), source.GetBits(), source.header.biSizeImage), 0);
        for (std::uint32_t i = 0; i < source.GetNumColors(); ++i)
            EXPECT_EQ(decoded.GetPaletteColor(std::uint8_t(i)), source.GetPaletteColor(std::uint8_t(i)));

        // 32-bit entries keep alpha as it is, the others keep whether a pixel is transparent.
        bool anyClear = false;
        int wrong = 0;
        for (std::int32_t y = 0; y < std::int32_t(c.height); ++y)
            for (std::int32_t x = 0; x < std::int32_t(c.width); ++x) {
                const bool clear = source.IsTransparent(x, y) || (c.alpha && source.AlphaGet(x, y) == 0);
                const std::uint8_t expected = clear ? 0 : c.fileBpp == 32 ? source.AlphaGet(x, y) : 255;
                anyClear |= expected != 255;
                wrong += decoded.AlphaGet(x, y) != expected && decoded.AlphaIsValid();
            }
        EXPECT_EQ(decoded.AlphaIsValid(), anyClear);
        EXPECT_EQ(wrong, 0);
    }
}

TEST(IcoEncode, RefusesWhatItCannotWrite)
{
    PxImage wide(257, 1, 8, 0);
    IcoCodec codec;
    codec.Ghost(wide);
    PxMemFile file;
    file.Open();
    EXPECT_FALSE(codec.Encode(&file));
    EXPECT_STREQ(codec.GetLastError(), "ICO images can be at most 256 x 256 pixels");

    PxImage source = testimages::Random(16, 16, 8, false, 4);
    for (const std::size_t limit : {0, 100, 1300}) {
        IcoCodec short_;
        short_.Ghost(source);
        codectest::LimitedFile shortFile(limit);
        EXPECT_FALSE(short_.Encode(&shortFile));
        EXPECT_STREQ(short_.GetLastError(), "Write Error in ICO file");
    }
    IcoCodec empty;
    EXPECT_FALSE(empty.Encode(&file));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    EXPECT_FALSE(empty.Encode(nullptr));
    EXPECT_STREQ(empty.GetLastError(), "null file handler");
}

// ---------------------------------------------------------------- bad files

TEST(IcoHostile, BrokenFilesFailWithTheirReason)
{
    PxImage colour = testimages::Random(5, 3, 24, false, 5);
    PxImage indexed = testimages::Random(4, 4, 4, false, 6);
    const std::vector<std::uint8_t> good = EncodeImage(colour);
    const std::vector<std::uint8_t> good4 = EncodeImage(indexed);
    auto patched = [](std::vector<std::uint8_t> bytes, std::size_t at, std::uint32_t value, int width = 4) {
        if (width == 2)
            StoreLE16(&bytes.at(at), std::uint16_t(value));
        else
            StoreLE32(&bytes.at(at), value);
        return bytes;
    };
    std::vector<std::uint8_t> png = good;
    const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::memcpy(&png[kInfo], signature, 8);
    const std::uint32_t xorEnd = std::uint32_t(kPalette + 16 * 3);

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* error;
        std::int32_t frames;
    };
    const Case cases[] = {
        {"empty", {}, "Not an ICO", 0},
        {"short header", Cut(good, 5), "Not an ICO", 0},
        {"reserved word set", patched(good, 0, 1, 2), "Not an ICO", 0},
        {"type 3", patched(good, 2, 3, 2), "Not an ICO", 0},
        {"no entries", patched(good, 4, 0, 2), "Not an ICO", 0},
        {"directory cut short", Cut(good, 20), "corrupted ICO", 1},
        {"entry past the end", patched(good, kEntryBytes, 4000), "corrupted ICO", 1},
        {"entry inside the directory", patched(good, kEntryOffset, 6), "corrupted ICO", 1},
        {"entry offset beyond 2 GB", patched(good, kEntryOffset, 0x80000000u), "corrupted ICO", 1},
        {"PNG-compressed entry", png, "ICO entry is PNG-compressed", 1},
        {"core header", patched(good, kInfo, 12), "corrupted ICO", 1},
        {"zero height", patched(good, kInfoHeight, 1), "corrupted ICO", 1},
        {"16 bits", patched(good, kInfoBpp, 16, 2), "ICO entry format not supported", 1},
        {"run-length compressed", patched(good4, kInfoCompression, 2), "ICO entry format not supported", 1},
        {"more colours than the depth holds", patched(good4, kInfoColors, 17), "corrupted ICO", 1},
        {"pixels cut short", patched(Cut(good, xorEnd - 1), kEntryBytes, xorEnd - 1 - kInfo), "corrupted ICO", 1},
        {"AND mask cut short", patched(Cut(good, xorEnd + 5), kEntryBytes, xorEnd + 5 - kInfo), "corrupted ICO", 1},
        {"huge declared size", patched(patched(good, kInfo + 4, 60000), kInfoHeight, 120000), "corrupted ICO", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IcoCodec image;
        EXPECT_FALSE(DecodeBytes(image, c.bytes));
        EXPECT_STREQ(image.GetLastError(), c.error);
        EXPECT_EQ(image.info.numFrames, c.frames);
        EXPECT_FALSE(image.IsValid());
    }
    // The unchanged files decode, so each case above fails for its own reason.
    IcoCodec image;
    EXPECT_TRUE(DecodeBytes(image, good)) << image.GetLastError();
    EXPECT_TRUE(DecodeBytes(image, good4)) << image.GetLastError();
    EXPECT_EQ(LoadLE32(&good[kEntryBytes]), good.size() - kInfo);
}

}  // namespace
