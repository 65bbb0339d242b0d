// WebP decoding, on files libwebp's own encoder and muxer write in the test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <webp/encode.h>
#include <webp/mux.h>

#include "image/codecs/WebpCodec.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/TopDownRgba.h"

namespace {

using codectest::Bytes;
using codectest::Decode;

Bytes Take(std::uint8_t* data, std::size_t size)
{
    Bytes bytes(data, data + size);
    WebPFree(data);
    return bytes;
}

Bytes EncodeLossless(const PxImage& picture)
{
    const Bytes rgba = codectest::TopDownRgba(picture);
    std::uint8_t* out = nullptr;
    const std::size_t size = WebPEncodeLosslessRGBA(rgba.data(), int(picture.GetWidth()), int(picture.GetHeight()),
                                                    int(picture.GetWidth() * 4), &out);
    return Take(out, size);
}

// Opaque pixels: the encoder writes no alpha.
Bytes EncodeLossy(const PxImage& picture)
{
    const Bytes rgba = codectest::TopDownRgba(picture);
    std::uint8_t* out = nullptr;
    const std::size_t size = WebPEncodeRGBA(rgba.data(), int(picture.GetWidth()), int(picture.GetHeight()),
                                            int(picture.GetWidth() * 4), 90, &out);
    return Take(out, size);
}

// The file with chunks of the given kinds added by the muxer.
Bytes WithChunks(const Bytes& webp, const std::vector<std::pair<const char*, Bytes>>& chunks)
{
    const WebPData image{webp.data(), webp.size()};
    WebPMux* mux = WebPMuxCreate(&image, 1);
    for (const auto& [fourcc, payload] : chunks) {
        const WebPData data{payload.data(), payload.size()};
        EXPECT_EQ(WebPMuxSetChunk(mux, fourcc, &data, 1), WEBP_MUX_OK) << fourcc;
    }
    WebPData assembled;
    WebPDataInit(&assembled);
    EXPECT_EQ(WebPMuxAssemble(mux, &assembled), WEBP_MUX_OK);
    WebPMuxDelete(mux);
    Bytes bytes(assembled.bytes, assembled.bytes + assembled.size);
    WebPDataClear(&assembled);
    return bytes;
}

// An animation of the given frames, each shown 100 ms, lossless.
Bytes EncodeAnimation(const std::vector<PxImage>& frames)
{
    const int width = int(frames[0].GetWidth()), height = int(frames[0].GetHeight());
    WebPAnimEncoderOptions options;
    WebPAnimEncoderOptionsInit(&options);
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = 1;
    int timestamp = 0;
    for (const PxImage& frame : frames) {
        const Bytes rgba = codectest::TopDownRgba(frame);
        WebPPicture picture;
        WebPPictureInit(&picture);
        picture.width = width;
        picture.height = height;
        picture.use_argb = 1;
        WebPPictureImportRGBA(&picture, rgba.data(), width * 4);
        EXPECT_TRUE(WebPAnimEncoderAdd(encoder, &picture, timestamp, &config));
        WebPPictureFree(&picture);
        timestamp += 100;
    }
    WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
    WebPData assembled;
    WebPDataInit(&assembled);
    EXPECT_TRUE(WebPAnimEncoderAssemble(encoder, &assembled));
    WebPAnimEncoderDelete(encoder);
    Bytes bytes(assembled.bytes, assembled.bytes + assembled.size);
    WebPDataClear(&assembled);
    return bytes;
}

// A little-endian TIFF structure whose first directory holds the orientation tag.
Bytes ExifWithOrientation(std::uint8_t orientation)
{
    return {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, orientation, 0, 0, 0, 0, 0, 0, 0};
}

TEST(WebpDecode, LosslessKeepsEveryByteAndAlphaOnlyWhenPresent)
{
    for (const bool withAlpha : {false, true}) {
        SCOPED_TRACE(withAlpha ? "with alpha" : "opaque");
        PxImage source = testimages::Random(64, 48, 24, withAlpha, 3);
        // Under a fully transparent pixel the encoder may change the colour.
        if (withAlpha)
            for (std::uint32_t i = 0; i < 64 * 48; ++i)
                source.alpha[i] |= 1;
        const auto decoded = Decode<WebpCodec>(EncodeLossless(source));
        ASSERT_TRUE(decoded.ok) << decoded.image.GetLastError();
        EXPECT_EQ(decoded.image.GetBpp(), 24);
        EXPECT_EQ(decoded.image.GetType(), FormatWebp);
        EXPECT_TRUE(testimages::SamePixels(decoded.image, source));
        EXPECT_FALSE(decoded.image.info.colourSpace);
        EXPECT_EQ(decoded.image.GetExifOrientation(), 1);
    }
}

TEST(WebpDecode, LossyStaysCloseToItsSource)
{
    PxImage source = codectest::Smooth(64, 48);
    const auto decoded = Decode<WebpCodec>(EncodeLossy(source));
    ASSERT_TRUE(decoded.ok) << decoded.image.GetLastError();
    ASSERT_EQ(decoded.image.GetWidth(), 64u);
    ASSERT_EQ(decoded.image.GetHeight(), 48u);
    EXPECT_FALSE(decoded.image.AlphaIsValid());
    EXPECT_LE(codectest::MaxColourDifference(decoded.image, source), 12);
}

TEST(WebpDecode, AnimationGivesItsFirstFrame)
{
    PxImage first = testimages::Random(32, 24, 24, false, 5);
    PxImage second = testimages::Random(32, 24, 24, false, 6);
    const auto decoded = Decode<WebpCodec>(EncodeAnimation({first, second}));
    ASSERT_TRUE(decoded.ok) << decoded.image.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(decoded.image, first));
}

TEST(WebpDecode, ProfileAndOrientationFromTheirChunks)
{
    const Bytes icc = {'n', 'o', 't', ' ', 'a', ' ', 'r', 'e', 'a', 'l', 0, 1, 2, 0xFF};
    const Bytes webp = WithChunks(EncodeLossless(testimages::Random(16, 8, 24, false, 7)),
                                  {{"ICCP", icc}, {"EXIF", ExifWithOrientation(6)}});
    std::weak_ptr<const ColourSpace> profile;
    {
        PxImage decoded;
        ASSERT_TRUE(decoded.Decode(webp.data(), std::int32_t(webp.size()), FormatWebp)) << decoded.GetLastError();
        ASSERT_TRUE(decoded.info.colourSpace);
        EXPECT_EQ(decoded.info.colourSpace->iccProfile, icc);
        EXPECT_EQ(decoded.GetExifOrientation(), 6);
        profile = decoded.info.colourSpace;
    }
    EXPECT_TRUE(profile.expired()) << "the profile goes with the picture";
}

// Decoding by content reaches this codec, and no codec tried before it takes
// a WebP file, whole or cut short, for one of its own.
TEST(WebpDecode, ByContentAndWhenDamaged)
{
    PxImage source = testimages::Random(21, 13, 24, true, 8);
    for (std::uint32_t i = 0; i < 21 * 13; ++i)
        source.alpha[i] |= 1;
    const Bytes webp = EncodeLossless(source);
    PxImage byContent;
    ASSERT_TRUE(byContent.Decode(webp.data(), std::int32_t(webp.size()), FormatUnknown)) << byContent.GetLastError();
    EXPECT_EQ(byContent.GetType(), FormatWebp);
    EXPECT_TRUE(testimages::SamePixels(byContent, source));

    for (const std::size_t length : {std::size_t(12), std::size_t(30), webp.size() / 2, webp.size() - 1}) {
        PxImage cut = testimages::Random(4, 4, 24, false, 9);
        EXPECT_FALSE(cut.Decode(webp.data(), std::int32_t(length), FormatUnknown)) << length;
        EXPECT_STREQ(cut.GetLastError(), "the WebP file is damaged or cut short") << length;
        EXPECT_EQ(cut.GetWidth(), 4u) << "a failed decode keeps the caller's picture";
    }
    Bytes garbage = webp;
    for (std::size_t i = 20; i < garbage.size(); ++i)
        garbage[i] = std::uint8_t(i * 37);
    auto broken = Decode<WebpCodec>(garbage);
    EXPECT_FALSE(broken.ok);
    EXPECT_FALSE(broken.image.IsValid());
    EXPECT_STREQ(broken.image.GetLastError(), "the WebP file is damaged or cut short");

    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0};
    broken = Decode<WebpCodec>(png);
    EXPECT_FALSE(broken.ok);
    EXPECT_STREQ(broken.image.GetLastError(), "the file is not a WebP picture");
}

// A stream that cannot tell its size, as a pipe.
class UnsizedFile : public PxMemFile {
public:
    using PxMemFile::PxMemFile;
    std::int32_t Size() override { return -1; }
};

TEST(WebpDecode, StreamOfUnknownSizeIsReadBlockByBlock)
{
    PxImage source = testimages::Random(200, 150, 24, false, 11);
    Bytes webp = EncodeLossless(source);
    ASSERT_GT(webp.size(), std::size_t(1) << 16);
    UnsizedFile file(webp.data(), std::int32_t(webp.size()));
    WebpCodec decoded;
    ASSERT_TRUE(decoded.Decode(&file)) << decoded.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(decoded, source));
}

TEST(WebpDecode, SizeOnlyCancelAndNoEncoder)
{
    PxImage source = testimages::Random(33, 17, 24, false, 10);
    const Bytes webp = EncodeLossless(source);
    WebpCodec sizeOnly;
    sizeOnly.info.escape = -1;
    ASSERT_TRUE(codectest::DecodeBytes(sizeOnly, webp));
    EXPECT_FALSE(sizeOnly.IsValid());
    EXPECT_EQ(sizeOnly.header.biWidth, 33);
    EXPECT_EQ(sizeOnly.header.biHeight, 17);

    WebpCodec cancelled;
    cancelled.info.escape = 1;
    EXPECT_FALSE(codectest::DecodeBytes(cancelled, webp));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
    EXPECT_FALSE(cancelled.IsValid());

    std::uint8_t* data = nullptr;
    std::int32_t length = 0;
    EXPECT_FALSE(source.Encode(data, length, FormatWebp));
    EXPECT_STREQ(source.GetLastError(), "Encode: Unknown format");
}

}  // namespace
