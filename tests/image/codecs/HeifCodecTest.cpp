// HEIF and AVIF decoding, on files libheif's encoders (x265, aom) write in the test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <libheif/heif.h>

#include "image/codecs/HeifBoxes.h"
#include "image/codecs/HeifCodec.h"
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

}  // namespace
