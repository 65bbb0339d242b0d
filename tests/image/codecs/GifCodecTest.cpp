#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "image/codecs/PxImageGIF.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/CorpusTable.h"

namespace {

using codectest::DecodeBytes;

const codectest::Corpus kGif = codectest::FrameCorpus("gif");

std::vector<std::uint8_t> EncodeImage(PxImage& source)
{
    return codectest::EncodeOrFail<PxImageGIF>(source);
}

// The width the decoder reads each code with: minBits + 1 bits after a
// clear code, one bit more once its next free slot reaches 2^width (the
// first code after a clear adds no slot), at most 12 bits.
class CodeWidths {
public:
    explicit CodeWidths(int minBits) : m_minBits(minBits) { Reset(); }
    int Width() const { return m_width; }
    void After(int code)
    {
        if (code == 1 << m_minBits)
            return Reset();
        if (!m_first && m_next < 4096 && ++m_next == (1 << m_width) && m_width < 12)
            ++m_width;
        m_first = false;
    }

private:
    void Reset()
    {
        m_width = m_minBits + 1;
        m_next = (1 << m_minBits) + 2;
        m_first = true;
    }

    int m_minBits, m_width = 0, m_next = 0;
    bool m_first = true;
};

// The minimum code size byte and the data sub-blocks of the given codes.
std::vector<std::uint8_t> LzwData(int minBits, const std::vector<int>& codes, bool terminated = true)
{
    CodeWidths widths(minBits);
    std::vector<std::uint8_t> packed;
    std::uint32_t bits = 0;
    int count = 0;
    for (const int code : codes) {
        bits |= std::uint32_t(code) << count;
        for (count += widths.Width(); count >= 8; count -= 8, bits >>= 8)
            packed.push_back(std::uint8_t(bits));
        widths.After(code);
    }
    if (count > 0)
        packed.push_back(std::uint8_t(bits));
    std::vector<std::uint8_t> data{std::uint8_t(minBits)};
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, packed.size() - at);
        data.push_back(std::uint8_t(length));
        data.insert(data.end(), packed.begin() + std::ptrdiff_t(at), packed.begin() + std::ptrdiff_t(at + length));
    }
    if (terminated)
        data.push_back(0);
    return data;
}

// The codes of image data up to and including the end code.
std::vector<int> CodesOf(const std::vector<std::uint8_t>& data)
{
    const int minBits = data.at(0);
    std::vector<std::uint8_t> packed;
    for (std::size_t at = 1; data.at(at) != 0; at += data[at] + 1u)
        packed.insert(packed.end(), data.begin() + std::ptrdiff_t(at + 1),
                      data.begin() + std::ptrdiff_t(at + 1 + data[at]));
    CodeWidths widths(minBits);
    std::vector<int> codes;
    std::uint64_t bit = 0;
    while (codes.empty() || codes.back() != (1 << minBits) + 1) {
        if (bit + std::uint64_t(widths.Width()) > 8 * packed.size())
            break;
        int code = 0;
        for (int i = 0; i < widths.Width(); ++i, ++bit)
            code |= ((packed[bit / 8] >> (bit % 8)) & 1) << i;
        codes.push_back(code);
        widths.After(code);
    }
    return codes;
}

// The image data of the first frame of a file made of a screen, a global
// table, extensions and one image.
std::vector<std::uint8_t> FirstImageData(const std::vector<std::uint8_t>& bytes)
{
    std::size_t at = 13 + ((bytes[10] & 0x80) ? 3 * (2u << (bytes[10] & 7)) : 0);
    while (bytes.at(at) == 0x21) {
        for (at += 2; bytes.at(at) != 0; at += bytes[at] + 1u) {
        }
        ++at;
    }
    EXPECT_EQ(bytes.at(at), 0x2C);
    return {bytes.begin() + std::ptrdiff_t(at + 10), bytes.end()};
}

// Clear, each pixel as a literal code, end.
std::vector<int> Literals(int minBits, const std::vector<std::uint8_t>& pixels)
{
    std::vector<int> codes{1 << minBits};
    codes.insert(codes.end(), pixels.begin(), pixels.end());
    codes.push_back((1 << minBits) + 1);
    return codes;
}

struct Rgb {
    std::uint8_t r, g, b;
};

// Assembles GIF files block by block.
class GifBuilder {
public:
    GifBuilder(std::uint16_t width, std::uint16_t height, const std::vector<Rgb>& global, std::uint8_t background = 0,
               const char* signature = "GIF89a")
    {
        m_bytes.assign(signature, signature + 6);
        Le16(width);
        Le16(height);
        m_bytes.push_back(global.empty() ? 0 : std::uint8_t(0x80 | TableBits(global)));
        m_bytes.push_back(background);
        m_bytes.push_back(0);
        Table(global);
    }

    GifBuilder& Control(int disposal, int transIndex, std::uint16_t delay = 0)
    {
        m_bytes.insert(m_bytes.end(), {0x21, 0xF9, 4, std::uint8_t((disposal << 2) | (transIndex >= 0 ? 1 : 0))});
        Le16(delay);
        m_bytes.insert(m_bytes.end(), {std::uint8_t(transIndex >= 0 ? transIndex : 0), 0});
        return *this;
    }

    GifBuilder& Image(std::uint16_t left, std::uint16_t top, std::uint16_t width, std::uint16_t height,
                      const std::vector<std::uint8_t>& data, bool interlaced = false,
                      const std::vector<Rgb>& local = {})
    {
        m_bytes.push_back(0x2C);
        Le16(left);
        Le16(top);
        Le16(width);
        Le16(height);
        m_bytes.push_back(std::uint8_t((interlaced ? 0x40 : 0) | (local.empty() ? 0 : 0x80 | TableBits(local))));
        Table(local);
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        return *this;
    }

    std::vector<std::uint8_t> Unterminated() const { return m_bytes; }
    std::vector<std::uint8_t> Bytes() const
    {
        std::vector<std::uint8_t> bytes = m_bytes;
        bytes.push_back(0x3B);
        return bytes;
    }

private:
    // Size field of a table: 2 << field entries, at least as many as given.
    static int TableBits(const std::vector<Rgb>& table)
    {
        int field = 0;
        while ((2u << field) < table.size())
            ++field;
        return field;
    }

    void Table(const std::vector<Rgb>& table)
    {
        if (table.empty())
            return;
        for (std::size_t i = 0; i < (2u << TableBits(table)); ++i) {
            const Rgb c = i < table.size() ? table[i] : Rgb{0, 0, 0};
            m_bytes.insert(m_bytes.end(), {c.r, c.g, c.b});
        }
    }

    void Le16(std::uint16_t v) { m_bytes.insert(m_bytes.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }

    std::vector<std::uint8_t> m_bytes;
};

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

// The picture as rows of letters from the top: R, G, B, W for those
// colours, '.' for a transparent pixel, '?' for anything else.
std::vector<std::string> Letters(const PxImage& image)
{
    std::vector<std::string> rows;
    for (std::int32_t y = std::int32_t(image.GetHeight()) - 1; y >= 0; --y) {
        std::string row;
        for (std::int32_t x = 0; x < std::int32_t(image.GetWidth()); ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y, false);
            const auto is = [&c](Rgb k) { return c.rgbRed == k.r && c.rgbGreen == k.g && c.rgbBlue == k.b; };
            row += image.IsTransparent(x, y) ? '.'
                   : is(kRed)                ? 'R'
                   : is(kGreen)              ? 'G'
                   : is(kBlue)               ? 'B'
                   : is(kWhite)              ? 'W'
                                             : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

// ---------------------------------------------------------------- corpus

TEST(GifCorpus, EveryFrameMatchesTheTable)
{
    codectest::CheckCorpus<PxImageGIF>(kGif);
}

TEST(GifCorpus, TruncatedFilesDecodeOrFailWithAReason)
{
    codectest::SweepTruncations<PxImageGIF>(kGif);
}

// ---------------------------------------------------------------- writing

TEST(GifRoundTrip, EveryWritableDepthKeepsIndicesAndColours)
{
    struct Case {
        std::uint32_t width, height, bpp;
        std::int32_t transIndex;
    };
    // 150 x 90 random 8-bit pixels fill the code table several times over.
    const Case cases[] = {{1, 1, 1, -1},   {13, 7, 1, 1},   {7, 5, 4, -1},   {33, 17, 4, 3},
                          {1, 9, 8, -1},   {33, 17, 8, 200}, {150, 90, 8, -1}, {257, 3, 4, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.bpp << " bpp");
        PxImage source = testimages::Random(c.width, c.height, c.bpp, false, c.width * 31 + c.bpp);
        source.SetTransIndex(c.transIndex);
        source.info.frameDelay = 12;
        PxImageGIF decoded;
        ASSERT_TRUE(DecodeBytes(decoded, EncodeImage(source))) << decoded.GetLastError();
        ASSERT_EQ(decoded.GetWidth(), c.width);
        ASSERT_EQ(decoded.GetHeight(), c.height);
        EXPECT_EQ(decoded.GetBpp(), 8);
        EXPECT_EQ(decoded.info.numFrames, 1);
        EXPECT_EQ(decoded.GetTransIndex(), c.transIndex);
        EXPECT_EQ(decoded.info.frameDelay, 12u);
        for (std::uint32_t i = 0; i < source.GetNumColors(); ++i)
            EXPECT_EQ(decoded.GetPaletteColor(std::uint8_t(i)), source.GetPaletteColor(std::uint8_t(i)));
        int wrong = 0;
        for (std::int32_t y = 0; y < std::int32_t(c.height); ++y)
            for (std::int32_t x = 0; x < std::int32_t(c.width); ++x)
                wrong += decoded.GetPixelIndex(x, y) != source.GetPixelIndex(x, y);
        EXPECT_EQ(wrong, 0);
    }
}

TEST(GifEncode, WritesSignatureLoopAndControlBlock)
{
    PxImage source = testimages::Random(5, 4, 4, false, 3);
    std::vector<std::uint8_t> bytes = EncodeImage(source);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.substr(0, 6), "GIF89a");
    EXPECT_NE(text.find("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 0, 19), std::string::npos);
    EXPECT_EQ(text.find("\x21\xF9"), std::string::npos);
    EXPECT_EQ(bytes.back(), 0x3B);

    source.SetTransIndex(9);
    bytes = EncodeImage(source);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("\x21\xF9\x04\x01\x00\x00\x09\x00", 0, 8),
              std::string::npos);
}

TEST(GifEncode, CodesGrowAndEndAsTheDecoderReadsThem)
{
    // These 17 pixels at 1 bpp make 11 codes filling slots 6..15; the decoder
    // adds slot 16 = 2^4 on the last one and reads the end code 5 bits wide,
    // which takes the data into a seventh byte.
    const char* const pixels = "10100011101111010";
    PxImage tiny(17, 1, 1, 0);
    for (std::int32_t x = 0; x < 17; ++x)
        tiny.SetPixelIndex(x, 0, std::uint8_t(pixels[x] - '0'));
    const std::vector<std::uint8_t> data = FirstImageData(EncodeImage(tiny));
    EXPECT_EQ(CodesOf(data), (std::vector<int>{4, 1, 0, 6, 0, 7, 1, 6, 11, 11, 7, 0, 5}));
    EXPECT_EQ(data.at(1), 7);  // bytes in the only sub-block

    // Random 8-bit pixels fill the table about every 3840 codes; each time a
    // clear code starts it afresh.
    PxImage noise = testimages::Random(150, 90, 8, false, 9);
    const std::vector<int> codes = CodesOf(FirstImageData(EncodeImage(noise)));
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), 256);
    EXPECT_EQ(codes.back(), 257);
    EXPECT_GE(std::count(codes.begin(), codes.end(), 256), 3);
}

TEST(GifEncode, RefusesWhatItCannotWrite)
{
    PxImage source = testimages::Random(40, 30, 8, false, 4);
    for (const std::size_t limit : {0, 12, 800, 1400}) {
        SCOPED_TRACE(limit);
        PxImageGIF codec;
        codec.Ghost(source);
        codectest::LimitedFile file(limit);
        EXPECT_FALSE(codec.Encode(&file));
        EXPECT_STREQ(codec.GetLastError(), "Write Error in GIF file");
    }

    PxImage colour = testimages::Random(4, 4, 24, false, 5);
    PxImageGIF codec;
    codec.Ghost(colour);
    PxMemFile file;
    file.Open();
    EXPECT_FALSE(codec.Encode(&file));
    EXPECT_STREQ(codec.GetLastError(), "GIF can save only 1, 4 or 8 bpp images");
    PxImage wide(65536, 1, 1, 0);
    PxImageGIF wideCodec;
    wideCodec.Ghost(wide);
    EXPECT_FALSE(wideCodec.Encode(&file));
    EXPECT_STREQ(wideCodec.GetLastError(), "GIF images can be at most 65535 x 65535 pixels");
    EXPECT_FALSE(codec.Encode(nullptr));
    EXPECT_STREQ(codec.GetLastError(), "null file handler");
    PxImageGIF empty;
    EXPECT_FALSE(empty.Encode(&file));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

// ---------------------------------------------------------------- LZW

TEST(GifLzw, FullTableWithoutClearCodeKeepsDecoding)
{
    // After the clear code every code but the first adds a slot: 3839 codes
    // fill slots 258..4095. 100 more literals follow at 12 bits without a
    // clear, then slot 4095, which holds literal 3837 and literal 3838.
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 3839 + 100; ++i)
        expected.push_back(std::uint8_t(i * 7 + i / 256));
    std::vector<int> codes = Literals(8, expected);
    codes.insert(codes.end() - 1, 4095);
    expected.push_back(expected[3837]);
    expected.push_back(expected[3838]);

    std::vector<Rgb> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2)};
    const std::uint16_t width = std::uint16_t(expected.size());
    const auto bytes = GifBuilder(width, 1, palette).Image(0, 0, width, 1, LzwData(8, codes)).Bytes();
    PxImageGIF image;
    ASSERT_TRUE(DecodeBytes(image, bytes)) << image.GetLastError();
    ASSERT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(std::vector<std::uint8_t>(image.GetBits(), image.GetBits() + width), expected);
}

TEST(GifLzw, CodeForTheSlotBeingFilledRepeatsThePreviousString)
{
    // Codes 0, 6 with min size 2: slot 6 is "0" + its own first byte, "00".
    const auto bytes =
        GifBuilder(3, 1, {kRed, kGreen}).Image(0, 0, 3, 1, LzwData(2, {4, 0, 6, 5})).Bytes();
    PxImageGIF image;
    ASSERT_TRUE(DecodeBytes(image, bytes)) << image.GetLastError();
    EXPECT_EQ(Letters(image), std::vector<std::string>{"RRR"});
}

TEST(GifLzw, CorruptCodeStreamsFail)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> data;
    };
    const Case cases[] = {
        {"code beyond the next free slot", LzwData(2, {4, 0, 7, 5})},
        {"string code right after a clear", LzwData(2, {4, 6, 5})},
        {"minimum code size 1", LzwData(1, {2, 0, 3})},
        {"minimum code size 9", LzwData(9, {512, 0, 513})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PxImageGIF image;
        EXPECT_FALSE(DecodeBytes(image, GifBuilder(4, 1, {kRed, kGreen}).Image(0, 0, 4, 1, c.data).Bytes()));
        EXPECT_STREQ(image.GetLastError(), "corrupted GIF");
        EXPECT_EQ(image.info.numFrames, 1);
    }
}

TEST(GifLzw, DataEndingEarlyKeepsWhatWasDecoded)
{
    // Six of twelve pixels, then the data (and the file) ends, or an end
    // code comes early; the rest of the frame shows the background (green).
    const std::vector<int> six{4, 0, 0, 0, 0, 0, 0};
    std::vector<int> withEnd = six;
    withEnd.push_back(5);
    const std::vector<std::string> expected{"RRRR", "RRGG", "GGGG"};
    for (const auto& bytes :
         {GifBuilder(4, 3, {kRed, kGreen}, 1).Image(0, 0, 4, 3, LzwData(2, six, false)).Unterminated(),
          GifBuilder(4, 3, {kRed, kGreen}, 1).Image(0, 0, 4, 3, LzwData(2, withEnd)).Bytes()}) {
        PxImageGIF image;
        ASSERT_TRUE(DecodeBytes(image, bytes)) << image.GetLastError();
        EXPECT_EQ(image.GetBpp(), 8);
        EXPECT_EQ(Letters(image), expected);
    }
}

// ---------------------------------------------------------------- frames

TEST(GifInterlace, FourPassesLandOnTheirRows)
{
    // Rows in file order: pass 1 rows 0, 8; pass 2 row 4; pass 3 rows 2, 6;
    // pass 4 rows 1, 3, 5, 7, 9. Each row's pixels hold the row number.
    const std::vector<std::uint8_t> order{0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    std::vector<std::uint8_t> pixels;
    for (const std::uint8_t row : order)
        pixels.insert(pixels.end(), 2, row);
    std::vector<Rgb> palette(16);
    const auto bytes = GifBuilder(2, 10, palette).Image(0, 0, 2, 10, LzwData(4, Literals(4, pixels)), true).Bytes();
    PxImageGIF image;
    ASSERT_TRUE(DecodeBytes(image, bytes)) << image.GetLastError();
    for (std::int32_t row = 0; row < 10; ++row) {
        EXPECT_EQ(image.GetPixelIndex(0, 9 - row), row);
        EXPECT_EQ(image.GetPixelIndex(1, 9 - row), row);
    }
}

TEST(GifFrames, TransparentIndexAndDelayComeFromTheControlBlock)
{
    const auto bytes = GifBuilder(3, 1, {kRed, kGreen, kBlue})
                           .Control(0, 2, 35)
                           .Image(0, 0, 3, 1, LzwData(2, Literals(2, {0, 2, 1})))
                           .Bytes();
    PxImageGIF image;
    ASSERT_TRUE(DecodeBytes(image, bytes)) << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(image.GetTransIndex(), 2);
    EXPECT_EQ(image.info.frameDelay, 35u);
    EXPECT_EQ(Letters(image), std::vector<std::string>{"R.G"});
}

TEST(GifFrames, ComposesEarlierFramesAfterTheirDisposal)
{
    // A 4 x 2 screen on a global table of red, green, blue, white with a
    // white background; frame 0 paints it all red.
    const std::vector<Rgb> global{kRed, kGreen, kBlue, kWhite};
    const auto redScreen = LzwData(2, Literals(2, std::vector<std::uint8_t>(8, 0)));
    const auto greenPair = LzwData(2, Literals(2, {1, 1}));
    const auto bluePair = LzwData(2, Literals(2, {2, 2}));
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::int32_t frame;
        std::uint32_t bpp;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"disposal 1 keeps the frame", GifBuilder(4, 2, global, 3).Image(0, 0, 4, 2, redScreen)
             .Control(1, -1).Image(1, 0, 2, 1, greenPair).Image(2, 1, 2, 1, bluePair).Bytes(),
         2, 8, {"RGGR", "RRBB"}},
        {"disposal 2 restores the background colour", GifBuilder(4, 2, global, 3).Image(0, 0, 4, 2, redScreen)
             .Control(2, -1).Image(1, 0, 2, 1, greenPair).Image(2, 1, 2, 1, bluePair).Bytes(),
         2, 8, {"RWWR", "RRBB"}},
        {"disposal 2 of a frame with a transparent index clears", GifBuilder(4, 2, global, 3)
             .Image(0, 0, 4, 2, redScreen).Control(2, 3).Image(1, 0, 2, 1, greenPair)
             .Control(0, 3).Image(2, 1, 2, 1, bluePair).Bytes(),
         2, 8, {"R..R", "RRBB"}},
        {"disposal 3 restores what was there", GifBuilder(4, 2, global, 3).Image(0, 0, 4, 2, redScreen)
             .Control(1, -1).Image(0, 0, 2, 1, bluePair).Control(3, -1).Image(1, 0, 2, 1, greenPair)
             .Image(3, 1, 1, 1, LzwData(2, Literals(2, {3}))).Bytes(),
         3, 8, {"BBRR", "RRRW"}},
        {"frames reaching past the screen are clipped", GifBuilder(4, 2, global).Image(0, 0, 4, 2, redScreen)
             .Image(3, 1, 3, 2, LzwData(2, Literals(2, {1, 2, 2, 2, 2, 2}))).Bytes(),
         1, 8, {"RRRR", "RRRG"}},
        {"a frame starting off the screen shows nothing", GifBuilder(4, 2, global).Image(0, 0, 4, 2, redScreen)
             .Image(9, 0, 1, 1, LzwData(2, Literals(2, {1}))).Bytes(),
         1, 8, {"RRRR", "RRRR"}},
        {"an earlier opaque pixel in the shown frame's transparent index stays",
         GifBuilder(4, 2, global).Image(0, 0, 4, 2, redScreen).Control(0, 0).Image(0, 0, 1, 1, greenPair).Bytes(),
         1, 24, {"GRRR", "RRRR"}},
        {"colours from another table", GifBuilder(2, 1, global).Image(0, 0, 2, 1, greenPair)
             .Image(1, 0, 1, 1, LzwData(2, Literals(2, {0})), false, {kBlue, kWhite}).Bytes(),
         1, 24, {"GB"}},
        {"an uncovered screen without a transparent index", GifBuilder(3, 1, {}).Image(0, 0, 1, 1,
             LzwData(2, Literals(2, {0}))).Bytes(),
         0, 24, {"?.."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PxImageGIF image;
        ASSERT_TRUE(DecodeBytes(image, c.bytes, c.frame)) << image.GetLastError();
        EXPECT_EQ(image.GetBpp(), c.bpp);
        EXPECT_EQ(Letters(image), c.expected);
    }
}

TEST(GifHeader, RefusesWhatIsNoUsableScreen)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* error;
    };
    const auto one = LzwData(2, Literals(2, {0}));
    const Case cases[] = {
        {"empty", {}, "Not a GIF"},
        {"other signature", GifBuilder(1, 1, {kRed}, 0, "GIF7xa").Image(0, 0, 1, 1, one).Bytes(), "Not a GIF"},
        {"short screen descriptor", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1}, "Not a GIF"},
        {"zero width", GifBuilder(0, 1, {kRed}).Image(0, 0, 1, 1, one).Bytes(), "corrupted GIF"},
        {"short global table", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x81, 0, 0, 1, 2, 3}, "corrupted GIF"},
        {"no frames", GifBuilder(1, 1, {kRed}).Bytes(), "GIF frame not present"},
        {"screen beyond the ceiling", GifBuilder(65535, 65535, {kRed}).Image(0, 0, 1, 1, one).Bytes(),
         "the picture is 65535 x 65535 pixels, more than the 500 megapixels this program opens"},
        {"screen the tiny file could never paint", GifBuilder(8000, 8000, {kRed}).Image(0, 0, 1, 1, one).Bytes(),
         "the GIF file is damaged or cut short: its 35 bytes cannot hold a picture of 8000 x 8000 pixels"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PxImageGIF image;
        EXPECT_FALSE(DecodeBytes(image, c.bytes));
        EXPECT_STREQ(image.GetLastError(), c.error);
        EXPECT_FALSE(image.IsValid());
    }
}

TEST(GifHeader, SizeOnlyReportsTheScreen)
{
    const auto bytes = GifBuilder(300, 200, {kRed}).Image(0, 0, 1, 1, LzwData(2, Literals(2, {0}))).Bytes();
    PxImageGIF image;
    image.info.escape = -1;
    ASSERT_TRUE(DecodeBytes(image, bytes));
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), 300u);
    EXPECT_EQ(image.GetHeight(), 200u);
    EXPECT_EQ(image.info.numFrames, 1);
    EXPECT_STREQ(image.GetLastError(), "output dimensions returned");
}

}  // namespace
