// HEIF and AVIF decoding, on files libheif's encoders (x265, aom) write in
// the test, and AVIF sequences libavif's encoder (aom) writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <avif/avif.h>
#include <libheif/heif.h>

#include "image/codecs/HeifBoxes.h"
#include "image/codecs/HeifCodec.h"
#include "image/codecs/RuntimeLibrary.h"
#include "image/ImageSize.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/TopDownRgba.h"

namespace {

using codectest::Bytes;
using codectest::Decode;

struct Written {
    heif_compression_format coding = heif_compression_HEVC;
    heif_orientation orientation = heif_orientation_normal;
    Bytes icc{};
    int primaries = 0;  // with transfer: colour parameters to write, when not 0
    int transfer = 0;
    bool premultiplied = false;
    bool twice = false;  // the picture as a second, not primary, item too
};

void Expect(const heif_error& error)
{
    EXPECT_EQ(error.code, heif_error_Ok) << error.message;
}

heif_error AppendTo(heif_context*, const void* data, std::size_t size, void* bytes)
{
    const auto* begin = static_cast<const std::uint8_t*>(data);
    static_cast<Bytes*>(bytes)->insert(static_cast<Bytes*>(bytes)->end(), begin, begin + size);
    return {heif_error_Ok, heif_suberror_Unspecified, "Success"};
}

// The picture, with its alpha plane when it has one, at quality 90.
Bytes EncodeHeif(const PxImage& picture, const Written& how = {})
{
    const int width = int(picture.GetWidth()), height = int(picture.GetHeight());
    const bool alpha = picture.AlphaIsValid();
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    Expect(heif_context_get_encoder_for_format(context, how.coding, &encoder));
    heif_encoder_set_lossy_quality(encoder, 90);
    Expect(heif_encoder_set_parameter(encoder, how.coding == heif_compression_HEVC ? "preset" : "speed",
                                      how.coding == heif_compression_HEVC ? "ultrafast" : "9"));

    heif_image* image = nullptr;
    Expect(heif_image_create(width, height, heif_colorspace_RGB,
                             alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image));
    Expect(heif_image_add_plane(image, heif_channel_interleaved, width, height, 8));
    int stride = 0;
    std::uint8_t* rows = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const Bytes rgba = codectest::TopDownRgba(picture);
    const int channels = alpha ? 4 : 3;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(rows + y * stride + x * channels, &rgba[std::size_t(y * width + x) * 4], channels);
    heif_image_set_premultiplied_alpha(image, how.premultiplied);
    if (!how.icc.empty())
        Expect(heif_image_set_raw_color_profile(image, "prof", how.icc.data(), how.icc.size()));
    if (how.primaries) {
        heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
        Expect(heif_nclx_color_profile_set_color_primaries(nclx, std::uint16_t(how.primaries)));
        Expect(heif_nclx_color_profile_set_transfer_characteristics(nclx, std::uint16_t(how.transfer)));
        Expect(heif_nclx_color_profile_set_matrix_coefficients(nclx, heif_matrix_coefficients_ITU_R_BT_601_6));
        nclx->full_range_flag = 1;
        Expect(heif_image_set_nclx_color_profile(image, nclx));
        heif_nclx_color_profile_free(nclx);
    }
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = how.orientation;
    // Without this the HEVC writer leaves the colour parameters out.
    options->macOS_compatibility_workaround_no_nclx_profile = 0;
    Expect(heif_context_encode_image(context, image, encoder, options, nullptr));
    if (how.twice)
        Expect(heif_context_encode_image(context, image, encoder, options, nullptr));

    Bytes bytes;
    heif_writer writer{1, AppendTo};
    Expect(heif_context_write(context, &writer, &bytes));
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

// Every brand of the file type box made the generic "mif1", so that only
// the content tells the coding.
Bytes WithGenericBrandsOnly(Bytes file)
{
    const std::size_t boxEnd = std::size_t(file[0]) << 24 | file[1] << 16 | file[2] << 8 | file[3];
    for (std::size_t at = 8; at + 4 <= boxEnd; at += 4)
        if (at != 12)  // the minor version
            std::memcpy(&file[at], "mif1", 4);
    return file;
}

// A picture of four flat quarters: red top left, green top right, blue
// bottom left, white bottom right (from the top, as it is seen).
PxImage Quarters(std::uint32_t width, std::uint32_t height)
{
    PxImage image(width, height, 24, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        const bool top = y >= height / 2;  // DIB rows count from the bottom
        std::uint8_t* bgr = image.GetBits(y);
        for (std::uint32_t x = 0; x < width; ++x, bgr += 3) {
            const bool left = x < width / 2;
            const RGBQUAD c = top ? (left ? RGBQUAD{0, 0, 220, 0} : RGBQUAD{0, 220, 0, 0})
                                  : (left ? RGBQUAD{220, 0, 0, 0} : RGBQUAD{220, 220, 220, 0});
            bgr[0] = c.rgbBlue;
            bgr[1] = c.rgbGreen;
            bgr[2] = c.rgbRed;
        }
    }
    return image;
}

// The colour at x, y counted from the top left as the picture is seen.
RGBQUAD Seen(const PxImage& image, std::int32_t x, std::int32_t y)
{
    return image.GetPixelColor(x, std::int32_t(image.GetHeight()) - 1 - y, false);
}

bool Near(RGBQUAD a, RGBQUAD b)
{
    return std::abs(a.rgbRed - b.rgbRed) < 16 && std::abs(a.rgbGreen - b.rgbGreen) < 16 &&
           std::abs(a.rgbBlue - b.rgbBlue) < 16;
}

class HeifCoding : public testing::TestWithParam<heif_compression_format> {
protected:
    std::uint32_t Format() const { return GetParam() == heif_compression_AV1 ? FormatAvif : FormatHeif; }
};

TEST_P(HeifCoding, DecodesCloseToItsSourceAndIsNamedByContent)
{
    PxImage source = codectest::Smooth(64, 48);
    const Bytes file = EncodeHeif(source, {.coding = GetParam()});
    const auto decoded = Decode<HeifCodec>(file);
    ASSERT_TRUE(decoded.ok) << decoded.image.GetLastError();
    ASSERT_EQ(decoded.image.GetWidth(), 64u);
    ASSERT_EQ(decoded.image.GetHeight(), 48u);
    EXPECT_EQ(decoded.image.GetBpp(), 24);
    EXPECT_FALSE(decoded.image.AlphaIsValid());
    EXPECT_EQ(decoded.image.GetExifOrientation(), 1);
    EXPECT_LE(codectest::MaxColourDifference(decoded.image, source), 16);

    // By content, asked as the other of the two, and with generic brands only.
    for (const std::uint32_t asked : {std::uint32_t(FormatUnknown), std::uint32_t(FormatHeif + FormatAvif - Format())})
        for (const Bytes& bytes : {file, WithGenericBrandsOnly(file)}) {
            PxImage picture;
            ASSERT_TRUE(picture.Decode(bytes.data(), std::int32_t(bytes.size()), asked)) << picture.GetLastError();
            EXPECT_EQ(picture.GetType(), Format()) << "asked as " << asked;
            EXPECT_TRUE(testimages::SamePixels(picture, decoded.image));
        }
}

TEST_P(HeifCoding, TurnsAndMirrorsAsTheFileSays)
{
    struct Case {
        heif_orientation orientation;
        RGBQUAD topLeft, topRight;  // red, green, blue, white as stored
    };
    const RGBQUAD red{0, 0, 220, 0}, green{0, 220, 0, 0}, blue{220, 0, 0, 0}, white{220, 220, 220, 0};
    const Case cases[] = {{heif_orientation_rotate_90_cw, blue, red},
                          {heif_orientation_rotate_270_cw, green, white},
                          {heif_orientation_flip_horizontally, green, red}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "orientation " << c.orientation);
        const auto decoded =
            Decode<HeifCodec>(EncodeHeif(Quarters(64, 48), {.coding = GetParam(), .orientation = c.orientation}));
        ASSERT_TRUE(decoded.ok) << decoded.image.GetLastError();
        const bool turned = c.orientation == heif_orientation_rotate_90_cw || c.orientation == heif_orientation_rotate_270_cw;
        const std::int32_t width = turned ? 48 : 64, height = turned ? 64 : 48;
        ASSERT_EQ(decoded.image.GetWidth(), std::uint32_t(width));
        ASSERT_EQ(decoded.image.GetHeight(), std::uint32_t(height));
        EXPECT_EQ(decoded.image.GetExifOrientation(), 1);
        EXPECT_TRUE(Near(Seen(decoded.image, 4, 4), c.topLeft));
        EXPECT_TRUE(Near(Seen(decoded.image, width - 5, 4), c.topRight));
    }
}

TEST_P(HeifCoding, AlphaBecomesAStraightAlphaPlane)
{
    for (const bool premultiplied : {false, true}) {
        SCOPED_TRACE(premultiplied ? "premultiplied" : "straight");
        PxImage source = Quarters(64, 48);
        source.AlphaCreate();
        for (std::uint32_t y = 0; y < 48; ++y)
            std::memset(source.alpha + y * 64, y < 24 ? 128 : 255, 64);
        PxImage stored = source;
        if (premultiplied)
            for (std::uint32_t y = 0; y < 24; ++y)
                for (std::uint32_t x = 0; x < 64 * 3; ++x)
                    stored.GetBits(y)[x] = std::uint8_t(stored.GetBits(y)[x] * 128 / 255);
        const auto decoded = Decode<HeifCodec>(EncodeHeif(stored, {.coding = GetParam(), .premultiplied = premultiplied}));
        ASSERT_TRUE(decoded.ok) << decoded.image.GetLastError();
        ASSERT_TRUE(decoded.image.AlphaIsValid());
        EXPECT_NEAR(decoded.image.AlphaGet(10, 10), 128, 4);
        EXPECT_NEAR(decoded.image.AlphaGet(10, 40), 255, 4);
        EXPECT_TRUE(Near(decoded.image.GetPixelColor(10, 10, false), source.GetPixelColor(10, 10, false)));
        EXPECT_TRUE(Near(decoded.image.GetPixelColor(50, 40, false), source.GetPixelColor(50, 40, false)));
    }
}

TEST_P(HeifCoding, ColourSpaceFromTheProfileOrTheColourParameters)
{
    const PxImage source = codectest::Smooth(16, 16);
    const Bytes icc = {0, 0, 1, 0, 'n', 'o', 't', ' ', 'r', 'e', 'a', 'l', 0xFF, 0x7F};
    const auto profiled = Decode<HeifCodec>(EncodeHeif(source, {.coding = GetParam(), .icc = icc}));
    ASSERT_TRUE(profiled.ok) << profiled.image.GetLastError();
    ASSERT_TRUE(profiled.image.info.colourSpace);
    EXPECT_EQ(profiled.image.info.colourSpace->iccProfile, icc);

    using Transfer = ColourSpace::Transfer;
    struct Case {
        int primaries, transfer;
        bool srgb;
        Transfer expected;
        double gamma;
        double redX;  // 0: no chromaticities
    };
    const Case cases[] = {
        {1, 13, true, Transfer::Unknown, 0, 0},  {2, 2, true, Transfer::Unknown, 0, 0},
        {9, 14, false, Transfer::Bt709, 0, 0.708}, {12, 13, false, Transfer::Srgb, 0, 0.680},
        {1, 8, false, Transfer::Linear, 0, 0.640}, {1, 4, false, Transfer::Gamma, 2.2, 0.640},
        {1, 5, false, Transfer::Gamma, 2.8, 0.640}, {2, 1, false, Transfer::Bt709, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "primaries " << c.primaries << ", transfer " << c.transfer);
        const auto decoded = Decode<HeifCodec>(
            EncodeHeif(source, {.coding = GetParam(), .primaries = c.primaries, .transfer = c.transfer}));
        ASSERT_TRUE(decoded.ok) << decoded.image.GetLastError();
        const ColourSpace* space = decoded.image.info.colourSpace.get();
        ASSERT_EQ(space == nullptr, c.srgb);
        if (!space)
            continue;
        EXPECT_TRUE(space->iccProfile.empty());
        EXPECT_EQ(space->transfer, c.expected);
        EXPECT_DOUBLE_EQ(space->gamma, c.gamma);
        EXPECT_EQ(space->hasChromaticities, c.redX != 0);
        if (c.redX != 0) {
            EXPECT_NEAR(space->chromaticities.redX, c.redX, 1e-3);
            EXPECT_NEAR(space->chromaticities.whiteX, 0.3127, 1e-3);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Codings, HeifCoding, testing::Values(heif_compression_HEVC, heif_compression_AV1),
                         [](const auto& info) { return info.param == heif_compression_AV1 ? "Avif" : "Heic"; });

// ---- What the codec reads itself ----

class BitWriter {
public:
    // The count low bits of value, most significant first; beyond 64 bits
    // the value's leading zeros.
    void Bits(std::uint64_t value, unsigned count)
    {
        for (unsigned i = count; i-- > 0; ++m_used) {
            if (m_used % 8 == 0)
                m_bytes.push_back(0);
            const unsigned bit = i < 64 ? unsigned(value >> i) & 1 : 0;
            m_bytes.back() |= std::uint8_t(bit << (7 - m_used % 8));
        }
    }
    void ExpGolomb(std::uint64_t value)
    {
        unsigned bits = 0;
        while ((value + 1) >> bits)
            ++bits;
        Bits(0, bits - 1);
        Bits(value + 1, bits);
    }
    const Bytes& Written() const { return m_bytes; }

private:
    Bytes m_bytes;
    unsigned m_used = 0;
};

Bytes Box(const char (&type)[5], const Bytes& payload)
{
    const std::size_t size = payload.size() + 8;
    Bytes box = {std::uint8_t(size >> 24), std::uint8_t(size >> 16), std::uint8_t(size >> 8), std::uint8_t(size),
                 std::uint8_t(type[0]),    std::uint8_t(type[1]),    std::uint8_t(type[2]),   std::uint8_t(type[3])};
    box.insert(box.end(), payload.begin(), payload.end());
    return box;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A sequence parameter set NAL unit with two sub-layers, escaped as encoders
// write it (0x03 after two zero bytes before a byte of 3 or less).
Bytes HevcSps(std::uint64_t width, std::uint64_t height)
{
    BitWriter bits;
    bits.Bits(0, 4);   // video parameter set id
    bits.Bits(2, 3);   // sub-layers less one
    bits.Bits(1, 1);
    bits.Bits(0, 96);  // general profile, tier and level
    bits.Bits(0b1001, 4);  // sub-layer 0 has a profile, sub-layer 1 a level
    bits.Bits(0, 12);
    bits.Bits(0, 88 + 8);
    bits.ExpGolomb(0);  // sequence parameter set id
    bits.ExpGolomb(3);  // 4:4:4
    bits.Bits(0, 1);
    bits.ExpGolomb(width);
    bits.ExpGolomb(height);
    bits.Bits(1, 1);
    Bytes unit = {0x42, 0x01};
    int zeros = 0;
    for (const std::uint8_t byte : bits.Written()) {
        if (zeros >= 2 && byte <= 3) {
            unit.push_back(3);
            zeros = 0;
        }
        unit.push_back(byte);
        zeros = byte == 0 ? zeros + 1 : 0;
    }
    return unit;
}

// A sequence header OBU: the short form of still pictures, or the full one
// with timing, a decoder model and three operating points.
Bytes Av1SequenceHeader(std::uint64_t width, std::uint64_t height, bool reduced)
{
    BitWriter bits;
    bits.Bits(0, 3);
    bits.Bits(1, 1);
    bits.Bits(reduced, 1);
    if (reduced) {
        bits.Bits(12, 5);
    } else {
        bits.Bits(1, 1);           // timing info
        bits.Bits(0, 64);
        bits.Bits(1, 1);           // equal picture interval
        bits.ExpGolomb(5);
        bits.Bits(1, 1);           // decoder model, delays of 10 bits
        bits.Bits(9, 5);
        bits.Bits(0, 42);
        bits.Bits(1, 1);           // display delays
        bits.Bits(2, 5);
        for (const unsigned level : {3u, 9u, 8u}) {
            bits.Bits(0, 12);
            bits.Bits(level, 5);
            if (level > 7)
                bits.Bits(1, 1);
            bits.Bits(level == 9, 1);
            if (level == 9)
                bits.Bits(0, 21);
            bits.Bits(level == 3, 1);
            if (level == 3)
                bits.Bits(0, 4);
        }
    }
    bits.Bits(15, 4);
    bits.Bits(15, 4);
    bits.Bits(width - 1, 16);
    bits.Bits(height - 1, 16);
    bits.Bits(1, 1);
    return Bytes{0x0A, std::uint8_t(bits.Written().size())} + bits.Written();
}

TEST(HeifBoxes, FrameSizesOfParameterSetsAndSequenceHeaders)
{
    const Bytes sps = HevcSps(70000, 9000);
    Bytes hvcc(22, 0);
    hvcc = hvcc + Bytes{1, 0x21, 0, 1, 0, std::uint8_t(sps.size())} + sps;
    const Bytes av1c = Bytes{0x81, 0, 0, 0} + Av1SequenceHeader(65536, 300, true) + Av1SequenceHeader(1000, 20000, false);
    const Bytes file = Box("meta", Bytes{0, 0, 0, 0} + Box("iprp", Box("ipco", Box("hvcC", hvcc) + Box("av1C", av1c))));
    const auto sizes = pximage::DeclaredPictureSizes(file);
    ASSERT_TRUE(sizes);
    ASSERT_EQ(sizes->size(), 3u);
    EXPECT_EQ((*sizes)[0].width, 70000u);
    EXPECT_EQ((*sizes)[0].height, 9000u);
    EXPECT_EQ((*sizes)[1].width, 65536u);
    EXPECT_EQ((*sizes)[1].height, 300u);
    EXPECT_EQ((*sizes)[2].width, 1000u);
    EXPECT_EQ((*sizes)[2].height, 20000u);
}

// ---- Items sharing their data ----

Bytes Be32(std::size_t value)
{
    return {std::uint8_t(value >> 24), std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value)};
}

// A meta box of AV1 picture items whose data lies in its item data box:
// extents[i] lists item i + 1's (offset, length) pairs.
Bytes MetaOfAv1Items(const Bytes& data, const std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>>& extents)
{
    const auto u16 = [](std::size_t value) { return Bytes{std::uint8_t(value >> 8), std::uint8_t(value)}; };
    Bytes entries = u16(extents.size()), locations = Bytes{1, 0, 0, 0, 0x44, 0} + u16(extents.size());
    for (std::size_t id = 1; id <= extents.size(); ++id) {
        entries = entries + Box("infe", Bytes{2, 0, 0, 0} + u16(id) + Bytes{0, 0, 'a', 'v', '0', '1', 0});
        locations = locations + u16(id) + Bytes{0, 1, 0, 0} + u16(extents[id - 1].size());
        for (const auto& [offset, length] : extents[id - 1])
            locations = locations + Be32(offset) + Be32(length);
    }
    return Box("meta", Bytes{0, 0, 0, 0} + Box("iinf", Bytes{0, 0, 0, 0} + entries) + Box("iloc", locations) +
                           Box("idat", data));
}

TEST(HeifBoxes, ItemsMayShareTheirDataButNotReadItOverAndOver)
{
    // A sequence header and 2000 bytes of padding.
    const Bytes data = Av1SequenceHeader(640, 480, true) + Bytes{0x7A, 0xD0, 0x0F} + Bytes(2000, 0);
    const std::pair<std::uint32_t, std::uint32_t> whole{0, std::uint32_t(data.size())};

    // The four layers of a scalable picture, each reading all of its data.
    const auto layers = pximage::DeclaredPictureSizes(MetaOfAv1Items(data, {{whole}, {whole}, {whole}, {whole}}));
    ASSERT_TRUE(layers);
    ASSERT_EQ(layers->size(), 2 * 4u) << "read both ways a version 1 location box reads";
    for (const pximage::PictureSize& size : *layers) {
        EXPECT_EQ(size.width, 640u);
        EXPECT_EQ(size.height, 480u);
    }
    // One item reading its data twice over, and sixteen items reading all of it.
    EXPECT_FALSE(pximage::DeclaredPictureSizes(MetaOfAv1Items(data, {{whole, whole}})));
    EXPECT_FALSE(pximage::DeclaredPictureSizes(MetaOfAv1Items(data, std::vector(16, std::vector{whole}))));
}

std::uint32_t Load32(const Bytes& bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
}

void Store32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(value >> (24 - 8 * i));
}

// Where the first box of a type starts, searched for by its type: the
// types looked for appear nowhere else in the files the tests write.
std::size_t BoxAt(const Bytes& file, const char* type)
{
    const auto found = std::search(file.begin(), file.end(), type, type + 4);
    EXPECT_NE(found, file.end()) << type;
    return std::size_t(found - file.begin()) - 4;
}

// A file libheif wrote with Written::twice, the second picture's coded data
// made to be the first one's, as the pictures of a layered file share it,
// and its own, the end of the file, cut off. Also the bytes of the shared data.
std::pair<Bytes, std::size_t> SecondItemSharingTheFirstsData(Bytes file)
{
    // libheif writes a location box of version 0 or 1 with 4-byte offsets,
    // lengths and base offsets, one extent an item; the coded pictures lie
    // in the file, an HEVC picture's grid in the item data box.
    std::size_t at = BoxAt(file, "iloc") + 8;
    const bool version1 = file[at] == 1;
    EXPECT_EQ(Bytes(file.begin() + std::ptrdiff_t(at) + 4, file.begin() + std::ptrdiff_t(at) + 7), (Bytes{0x44, 0x40, 0}));
    std::vector<std::size_t> coded;  // where the base offset of each item in the file is
    const std::uint32_t items = std::uint32_t(file[at + 6]) << 8 | file[at + 7];
    at += 8;
    for (std::uint32_t item = 0; item < items; ++item, at += 18) {
        if (version1) {
            if (file[at + 3] == 0)  // construction method: in the file
                coded.push_back(at + 6);
            at += 2;
        } else {
            coded.push_back(at + 4);
        }
    }
    EXPECT_EQ(coded.size(), 2u);
    const std::size_t first = coded.front(), second = coded.back();
    const std::uint32_t length = Load32(file, first + 10);
    const std::uint32_t end = Load32(file, first) + Load32(file, first + 6) + length;
    EXPECT_EQ(Load32(file, second) + Load32(file, second + 6), end);
    EXPECT_EQ(end + Load32(file, second + 10), file.size()) << "the second picture's data ends the file";
    std::copy_n(file.begin() + std::ptrdiff_t(first), 14, file.begin() + std::ptrdiff_t(second));
    const std::size_t mdatAt = BoxAt(file, "mdat");
    file.resize(end);
    Store32(file, mdatAt, std::uint32_t(file.size() - mdatAt));
    return {file, length};
}

TEST_P(HeifCoding, PicturesSharingTheirDataOpen)
{
    // Noise: coded data much larger than the boxes around it.
    const PxImage source = testimages::Random(64, 48, 24, false, 5);
    const auto [shared, itemBytes] =
        SecondItemSharingTheFirstsData(EncodeHeif(source, {.coding = GetParam(), .twice = true}));
    ASSERT_GT(2 * itemBytes, shared.size()) << "the items read more bytes than the file holds";
    const auto decoded = Decode<HeifCodec>(shared);
    ASSERT_TRUE(decoded.ok) << decoded.image.GetLastError();
    const auto single = Decode<HeifCodec>(EncodeHeif(source, {.coding = GetParam()}));
    EXPECT_TRUE(testimages::SamePixels(decoded.image, single.image));
}

TEST(HeifDecode, CutShortOrDamagedFailsInWords)
{
    const Bytes file = EncodeHeif(codectest::Smooth(64, 48));
    for (const std::size_t length : {std::size_t(32), std::size_t(200), file.size() / 2, file.size() - 1}) {
        PxImage cut = testimages::Random(4, 4, 24, false, 9);
        EXPECT_FALSE(cut.Decode(file.data(), std::int32_t(length), FormatUnknown)) << length;
        EXPECT_EQ(std::string(cut.GetLastError()).rfind("the HEIF file is damaged or cut short (", 0), 0u)
            << length << ": " << cut.GetLastError();
        EXPECT_EQ(cut.GetWidth(), 4u) << "a failed decode keeps the caller's picture";
    }
    Bytes garbage = file;
    for (std::size_t i = 32; i < garbage.size(); ++i)
        garbage[i] = std::uint8_t(i * 37);
    auto broken = Decode<HeifCodec>(garbage);
    EXPECT_FALSE(broken.ok);
    EXPECT_FALSE(broken.image.IsValid());
    EXPECT_EQ(std::string(broken.image.GetLastError()).rfind("the HEIF file ", 0), 0u) << broken.image.GetLastError();

    const Bytes mp4 = {0, 0, 0, 16, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm', 0, 0, 0, 0};
    broken = Decode<HeifCodec>(mp4);
    EXPECT_FALSE(broken.ok);
    EXPECT_STREQ(broken.image.GetLastError(), "the file is not a HEIF or AVIF picture");
}

TEST(HeifDecode, SizeOnlyAndCancel)
{
    const Bytes file = EncodeHeif(Quarters(64, 48), {.orientation = heif_orientation_rotate_90_cw});
    HeifCodec sizeOnly;
    sizeOnly.info.escape = -1;
    ASSERT_TRUE(codectest::DecodeBytes(sizeOnly, file)) << sizeOnly.GetLastError();
    EXPECT_FALSE(sizeOnly.IsValid());
    EXPECT_EQ(sizeOnly.header.biWidth, 48);
    EXPECT_EQ(sizeOnly.header.biHeight, 64);

    HeifCodec cancelled;
    cancelled.info.escape = 1;
    EXPECT_FALSE(codectest::DecodeBytes(cancelled, file));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
    EXPECT_FALSE(cancelled.IsValid());
}

// ---- AVIF sequences ----

struct SequenceWritten {
    std::uint32_t depth = 8;
    Bytes icc{};
    avifColorPrimaries primaries = AVIF_COLOR_PRIMARIES_UNSPECIFIED;
    avifTransferCharacteristics transfer = AVIF_TRANSFER_CHARACTERISTICS_UNSPECIFIED;
};

// The frames (two or more), with alpha when the first has a plane, as
// libavif writes a sequence, less what lets libheif read it: libavif adds
// the first frame as a still picture item, for readers of still pictures.
// Its meta box is made a free box and the "avif" brand, which promises a
// still picture, "iso8".
Bytes EncodeAvifSequence(const std::vector<PxImage>& frames, const SequenceWritten& how = {})
{
    avifEncoder* encoder = avifEncoderCreate();
    encoder->codecChoice = AVIF_CODEC_CHOICE_AOM;
    encoder->speed = AVIF_SPEED_FASTEST;
    encoder->minQuantizer = encoder->maxQuantizer = 8;
    const bool alpha = frames.front().AlphaIsValid();
    for (const PxImage& frame : frames) {
        avifImage* image = avifImageCreate(frame.GetWidth(), frame.GetHeight(), how.depth, AVIF_PIXEL_FORMAT_YUV444);
        image->colorPrimaries = how.primaries;
        image->transferCharacteristics = how.transfer;
        image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_BT601;
        if (!how.icc.empty())
            avifImageSetProfileICC(image, how.icc.data(), how.icc.size());
        Bytes rgba = codectest::TopDownRgba(frame);
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, image);
        rgb.depth = 8;
        rgb.ignoreAlpha = !alpha;
        rgb.pixels = rgba.data();
        rgb.rowBytes = frame.GetWidth() * 4;
        EXPECT_EQ(avifImageRGBToYUV(image, &rgb), AVIF_RESULT_OK);
        EXPECT_EQ(avifEncoderAddImage(encoder, image, 1, AVIF_ADD_IMAGE_FLAG_NONE), AVIF_RESULT_OK);
        avifImageDestroy(image);
    }
    avifRWData output = AVIF_DATA_EMPTY;
    EXPECT_EQ(avifEncoderFinish(encoder, &output), AVIF_RESULT_OK);
    Bytes file(output.data, output.data + output.size);
    avifRWDataFree(&output);
    avifEncoderDestroy(encoder);

    std::memcpy(&file[BoxAt(file, "meta") + 4], "free", 4);
    const std::size_t ftypEnd = Load32(file, 0);
    for (std::size_t at = 16; at + 4 <= ftypEnd; at += 4)
        if (std::memcmp(&file[at], "avif", 4) == 0)
            std::memcpy(&file[at], "iso8", 4);
    return file;
}

bool HeifReads(const Bytes& file)
{
    heif_context* context = heif_context_alloc();
    const bool read = heif_context_read_from_memory_without_copy(context, file.data(), file.size(), nullptr).code ==
                      heif_error_Ok;
    heif_context_free(context);
    return read;
}

TEST(AvifSequence, OpensItsFirstFrame)
{
    const Bytes file = EncodeAvifSequence({Quarters(64, 48), codectest::Smooth(64, 48), codectest::Smooth(64, 48)});
    ASSERT_FALSE(HeifReads(file));
    for (const std::uint32_t asked : {std::uint32_t(FormatUnknown), std::uint32_t(FormatHeif)}) {
        PxImage picture;
        ASSERT_TRUE(picture.Decode(file.data(), std::int32_t(file.size()), asked)) << picture.GetLastError();
        EXPECT_EQ(picture.GetType(), std::uint32_t(FormatAvif));
        ASSERT_EQ(picture.GetWidth(), 64u);
        ASSERT_EQ(picture.GetHeight(), 48u);
        EXPECT_FALSE(picture.AlphaIsValid());
        EXPECT_TRUE(Near(Seen(picture, 4, 4), RGBQUAD{0, 0, 220, 0}));
        EXPECT_TRUE(Near(Seen(picture, 59, 4), RGBQUAD{0, 220, 0, 0}));
        EXPECT_TRUE(Near(Seen(picture, 4, 43), RGBQUAD{220, 0, 0, 0}));
        EXPECT_FALSE(picture.info.colourSpace) << "unspecified colours are sRGB";
    }
}

TEST(AvifSequence, DeepSamplesAlphaAndColourSpace)
{
    PxImage source = Quarters(64, 48);
    source.AlphaCreate();
    for (std::uint32_t y = 0; y < 48; ++y)
        std::memset(source.alpha + y * 64, y < 24 ? 128 : 255, 64);
    const auto deep = Decode<HeifCodec>(EncodeAvifSequence({source, source}, {.depth = 10}));
    ASSERT_TRUE(deep.ok) << deep.image.GetLastError();
    ASSERT_TRUE(deep.image.AlphaIsValid());
    EXPECT_NEAR(deep.image.AlphaGet(10, 10), 128, 4);
    EXPECT_NEAR(deep.image.AlphaGet(10, 40), 255, 4);
    EXPECT_TRUE(Near(deep.image.GetPixelColor(10, 10, false), source.GetPixelColor(10, 10, false)));
    EXPECT_TRUE(Near(deep.image.GetPixelColor(50, 40, false), source.GetPixelColor(50, 40, false)));

    const PxImage plain = codectest::Smooth(16, 16);
    const Bytes icc = {0, 0, 1, 0, 'n', 'o', 't', ' ', 'r', 'e', 'a', 'l', 0xFF, 0x7F};
    const auto profiled = Decode<HeifCodec>(EncodeAvifSequence({plain, plain}, {.icc = icc}));
    ASSERT_TRUE(profiled.ok) << profiled.image.GetLastError();
    ASSERT_TRUE(profiled.image.info.colourSpace);
    EXPECT_EQ(profiled.image.info.colourSpace->iccProfile, icc);
    const auto coded = Decode<HeifCodec>(EncodeAvifSequence(
        {plain, plain}, {.primaries = AVIF_COLOR_PRIMARIES_BT2020, .transfer = AVIF_TRANSFER_CHARACTERISTICS_LINEAR}));
    ASSERT_TRUE(coded.ok) << coded.image.GetLastError();
    const ColourSpace* space = coded.image.info.colourSpace.get();
    ASSERT_TRUE(space);
    EXPECT_EQ(space->transfer, ColourSpace::Transfer::Linear);
    ASSERT_TRUE(space->hasChromaticities);
    EXPECT_NEAR(space->chromaticities.redX, 0.708, 1e-3);
    EXPECT_NEAR(space->chromaticities.whiteX, 0.3127, 1e-3);
}

TEST(AvifSequence, SizeOnlyCancelAndTheCeiling)
{
    const Bytes file = EncodeAvifSequence({Quarters(64, 48), Quarters(64, 48)});
    HeifCodec sizeOnly;
    sizeOnly.info.escape = -1;
    ASSERT_TRUE(codectest::DecodeBytes(sizeOnly, file)) << sizeOnly.GetLastError();
    EXPECT_FALSE(sizeOnly.IsValid());
    EXPECT_EQ(sizeOnly.header.biWidth, 64);
    EXPECT_EQ(sizeOnly.header.biHeight, 48);

    HeifCodec cancelled;
    cancelled.info.escape = 1;
    EXPECT_FALSE(codectest::DecodeBytes(cancelled, file));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");

    pximage::SetDecodePixelLimit(64 * 47);
    const auto large = Decode<HeifCodec>(file);
    const std::string tooMany = pximage::TooManyPixelsReason(64, 48);
    pximage::SetDecodePixelLimit(pximage::kMaxDecodedPixels);
    EXPECT_FALSE(large.ok);
    EXPECT_FALSE(large.image.IsValid());
    EXPECT_EQ(large.image.GetLastError(), tooMany);

    // A track declaring 32 x 24 pixels, with frames of 64 x 48: libavif
    // scales them to the track's size, but the decoder makes them first.
    Bytes understated = file;
    const std::size_t trackHeader = BoxAt(understated, "tkhd");
    const std::size_t trackHeaderEnd = trackHeader + Load32(understated, trackHeader);
    Store32(understated, trackHeaderEnd - 8, 32 << 16);
    Store32(understated, trackHeaderEnd - 4, 24 << 16);
    const auto scaled = Decode<HeifCodec>(understated);
    ASSERT_TRUE(scaled.ok) << scaled.image.GetLastError();
    EXPECT_EQ(scaled.image.GetWidth(), 32u);
    pximage::SetDecodePixelLimit(32 * 24);
    const auto frameTooLarge = Decode<HeifCodec>(understated);
    pximage::SetDecodePixelLimit(pximage::kMaxDecodedPixels);
    EXPECT_FALSE(frameTooLarge.ok);
    EXPECT_TRUE(std::string(frameTooLarge.image.GetLastError()).starts_with("the AVIF file is damaged or cut short ("))
        << frameTooLarge.image.GetLastError();
}

// The track made to list, in chunks of 100, one-byte frames that all lie
// in the first frame's bytes: a frame for every byte of the file and more.
Bytes ListingMoreFramesThanBytes(Bytes file)
{
    const std::size_t chunks = file.size() / 90;
    const auto replace = [&](const char (&type)[5], const Bytes& payload) {
        const std::size_t at = BoxAt(file, type), size = Load32(file, at);
        const Bytes box = Box(type, payload);
        for (const char* parent : {"moov", "trak", "mdia", "minf", "stbl"}) {
            const std::size_t parentAt = BoxAt(file, parent);
            Store32(file, parentAt, std::uint32_t(Load32(file, parentAt) + box.size() - size));
        }
        file.erase(file.begin() + std::ptrdiff_t(at), file.begin() + std::ptrdiff_t(at + size));
        file.insert(file.begin() + std::ptrdiff_t(at), box.begin(), box.end());
    };
    replace("stsz", Be32(0) + Be32(1) + Be32(chunks * 100));
    replace("stsc", Be32(0) + Be32(1) + Be32(1) + Be32(100) + Be32(1));
    replace("stco", Be32(0) + Be32(chunks) + Bytes(4 * chunks, 0));
    const std::size_t frames = BoxAt(file, "mdat") + 8, offsets = BoxAt(file, "stco") + 16;
    for (std::size_t chunk = 0; chunk < chunks; ++chunk)
        Store32(file, offsets + 4 * chunk, std::uint32_t(frames));
    EXPECT_GT(chunks * 100, file.size());
    return file;
}

TEST(AvifSequence, CutShortAndOverlongFrameListsAreRefusedInWords)
{
    const Bytes file = EncodeAvifSequence({Quarters(64, 48), Quarters(64, 48)});
    const auto refusal = [](const Bytes& broken) {
        const auto decoded = Decode<HeifCodec>(broken);
        EXPECT_FALSE(decoded.ok);
        EXPECT_FALSE(decoded.image.IsValid());
        return std::string(decoded.image.GetLastError());
    };
    const std::string cut = refusal(Bytes(file.begin(), file.end() - 40));
    EXPECT_TRUE(cut.starts_with("the AVIF file is damaged or cut short (Exceeded avifIO's sizeHint")) << cut;
    // libavif would keep a record for each of those frames: refused before.
    const std::string listing = refusal(ListingMoreFramesThanBytes(file));
    EXPECT_EQ(listing, "the AVIF file is damaged or cut short (Exceeded avifDecoder's imageCountLimit)");
    EXPECT_TRUE(Decode<HeifCodec>(file).ok);
}

// The codecs open libheif and libavif themselves; one that is missing, or
// lacks a function, is said in words rather than called.
TEST(RuntimeLibrary, AMissingLibraryOrFunctionIsNamed)
{
    const pximage::RuntimeLibrary missing("liborvantis-none.so.0");
    void (*function)() = nullptr;
    EXPECT_FALSE(missing.Find(function, "heif_context_alloc"));
    EXPECT_TRUE(missing.Problem().starts_with("liborvantis-none.so.0 cannot be opened")) << missing.Problem();

    const pximage::RuntimeLibrary heif(ORVANTIS_HEIF_LIBRARY);
    EXPECT_TRUE(heif.Find(function, "heif_context_alloc"));
    EXPECT_NE(function, nullptr);
    EXPECT_TRUE(heif.Problem().empty());
    EXPECT_FALSE(heif.Find(function, "heif_no_such_function"));
    EXPECT_EQ(heif.Problem(), "the library lacks heif_no_such_function");
}

}  // namespace
