#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/codecs/PxImageJPG.h"
#include "tests/image/ImageHash.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"
#include "tests/image/codecs/CorpusTable.h"

namespace {

using codectest::Bytes;
using codectest::DecodeBytes;
using codectest::EncodeBytes;

// The table holds an empty file, read as an empty file reads.
const codectest::Corpus kJpeg{
    .format = "jpeg", .cuts = {1024, 96}, .empty = codectest::NoBytes::EmptyStream, .minRows = 15};

Bytes CorpusFile(const std::string& name)
{
    return codectest::CorpusBytes("jpeg", name);
}

// A smooth picture (gradients and a soft diagonal), the kind JPEG keeps well.
PxImage Smooth(std::uint32_t width, std::uint32_t height, std::uint32_t bpp)
{
    PxImage image(width, height, bpp, 0);
    if (image.IsIndexed())
        testimages::SetGreyPalette(image);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            const auto r = std::uint8_t(x * 255 / (width - 1)), g = std::uint8_t(y * 255 / (height - 1));
            const auto b = std::uint8_t((x + y) * 255 / (width + height - 2));
            if (image.IsIndexed())
                image.SetPixelIndex(std::int32_t(x), std::int32_t(y), std::uint8_t((r + g) / 2));
            else
                image.SetPixelColor(std::int32_t(x), std::int32_t(y), {b, g, r, 0});
        }
    return image;
}

// Offset of the first marker of a kind after the start-of-image marker.
std::size_t FindMarker(const std::vector<std::uint8_t>& jpeg, std::uint8_t marker)
{
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == marker)
            return i;
    return std::string::npos;
}

TEST(JpegCorpus, DecodesLikeTheReferenceDecoder)
{
    codectest::CheckCorpus<PxImageJPG>(kJpeg);
}

TEST(JpegCorpus, TruncatedStreamsDecodeOrFailCleanly)
{
    codectest::SweepTruncations<PxImageJPG>(kJpeg);
}

TEST(JpegDecode, GreyBecomesEightBitsWithTheGreyPalette)
{
    Bytes bytes = CorpusFile("grey.jpg");
    PxImageJPG codec;
    ASSERT_TRUE(DecodeBytes(codec, bytes));
    ASSERT_EQ(codec.GetBpp(), 8);
    for (unsigned i = 0; i < 256; ++i) {
        const RGBQUAD c = codec.GetPaletteColor(std::uint8_t(i));
        ASSERT_TRUE(c.rgbBlue == i && c.rgbGreen == i && c.rgbRed == i && c.rgbReserved == 0) << i;
    }
}

TEST(JpegDecode, ColourIsStoredBlueGreenRedBottomUp)
{
    // Top half red, bottom half blue: the DIB's row 0 is the bottom.
    PxImage image(16, 16, 24, 0);
    for (std::int32_t y = 0; y < 16; ++y)
        for (std::int32_t x = 0; x < 16; ++x)
            image.SetPixelColor(x, y, y >= 8 ? RGBQUAD{0, 0, 255, 0} : RGBQUAD{255, 0, 0, 0});
    std::vector<std::uint8_t> bytes = EncodeBytes<PxImageJPG>(image);
    PxImageJPG codec;
    ASSERT_TRUE(DecodeBytes(codec, bytes));
    ASSERT_EQ(codec.GetBpp(), 24);
    const std::uint8_t* bottom = codec.GetBits(0);
    const std::uint8_t* top = codec.GetBits(15);
    EXPECT_GT(bottom[0], 240);  // blue
    EXPECT_LT(bottom[2], 15);
    EXPECT_GT(top[2], 240);     // red
    EXPECT_LT(top[0], 15);
}

TEST(JpegDecode, StreamCutAfterTheHeaderStillDecodes)
{
    Bytes bytes = CorpusFile("baseline.jpg");
    bytes.resize(FindMarker(bytes, 0xDA) + 14);  // the scan header and nothing more
    PxImageJPG codec;
    ASSERT_TRUE(DecodeBytes(codec, bytes)) << codec.GetLastError();
    EXPECT_EQ(codec.GetWidth(), 33u);
    EXPECT_EQ(codec.GetHeight(), 17u);
}

TEST(JpegDecode, ReadsStdioStreamsLikeMemory)
{
    const std::string path = codectest::CorpusPath("jpeg", "exif_dpi.jpg");
    Bytes bytes = codectest::ReadFileBytes(path);
    PxImageJPG fromMemory;
    ASSERT_TRUE(DecodeBytes(fromMemory, bytes));
    PxIOFile file;
    ASSERT_TRUE(file.Open(path.c_str(), "rb"));
    PxImageJPG fromFile;
    ASSERT_TRUE(fromFile.Decode(&file)) << fromFile.GetLastError();
    EXPECT_EQ(fromFile.GetXDPI(), 300);
    EXPECT_EQ(testimages::PixelHash(fromFile), testimages::PixelHash(fromMemory));
}

TEST(JpegDecode, LargePicturesThatCompressWellAreNotTakenForHostile)
{
    // 2100 x 2100 is beyond the size decoded whatever the stream holds; a flat
    // picture needs only a few bits per 8 x 8 block.
    PxImage flat(2100, 2100, 24, 0);
    flat.Clear(200);
    std::vector<std::uint8_t> bytes = EncodeBytes<PxImageJPG>(flat);
    ASSERT_LT(bytes.size(), 2100u * 2100 * 3 / 100);  // under 1% of its pixel bytes
    PxImageJPG codec;
    ASSERT_TRUE(DecodeBytes(codec, bytes)) << codec.GetLastError();
    EXPECT_EQ(codec.GetWidth(), 2100u);
}

TEST(JpegDecode, SmallStreamsDeclaringHugePicturesAreRefusedBeforeAllocating)
{
    // The 33 x 17 baseline picture declaring another size in its frame header:
    // a cut stream still decodes, so only the bits it holds bound the size.
    const Bytes baseline = CorpusFile("baseline.jpg");
    const std::size_t frame = FindMarker(baseline, 0xC0);
    ASSERT_NE(frame, std::string::npos);
    const std::string cutShort = "the JPEG file is damaged or cut short: its " + std::to_string(baseline.size()) +
                                 " bytes cannot hold a picture of ";
    struct Case {
        std::uint16_t width, height;
        std::string error;
    } cases[] = {
        {2048, 2048, ""},                         // within the size decoded whatever the stream holds
        {2049, 2048, cutShort + "2049 x 2048 pixels"},  // a bit per block the stream lacks
        // Above the ceiling, whatever the stream holds.
        {30000, 30000, "the picture is 30000 x 30000 pixels, more than the 500 megapixels this program opens"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        Bytes bytes = baseline;
        bytes[frame + 5] = std::uint8_t(c.height >> 8);
        bytes[frame + 6] = std::uint8_t(c.height);
        bytes[frame + 7] = std::uint8_t(c.width >> 8);
        bytes[frame + 8] = std::uint8_t(c.width);
        PxImageJPG codec;
        EXPECT_EQ(DecodeBytes(codec, bytes), c.error.empty());
        EXPECT_EQ(codec.GetLastError(), c.error);
        if (c.error.empty()) {
            EXPECT_EQ(codec.GetWidth(), c.width);
        }
    }
}

TEST(JpegDecode, StreamsWithEndlessScansAreRefused)
{
    // The last scan of a progressive stream, repeated: each copy only draws a
    // warning, but hundreds of them would each cost a pass over the picture.
    const Bytes progressive = CorpusFile("progressive.jpg");
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < progressive.size(); ++i)
        if (progressive[i] == 0xFF && progressive[i + 1] == 0xDA)
            lastScan = i;
    const std::vector<std::uint8_t> scan(progressive.begin() + std::ptrdiff_t(lastScan), progressive.end() - 2);
    for (int copies : {20, 600}) {
        SCOPED_TRACE(copies);
        std::vector<std::uint8_t> bytes(progressive.begin(), progressive.end() - 2);
        for (int i = 0; i < copies; ++i)
            bytes.insert(bytes.end(), scan.begin(), scan.end());
        bytes.insert(bytes.end(), {0xFF, 0xD9});
        PxImageJPG codec;
        EXPECT_EQ(DecodeBytes(codec, bytes), copies < 500);
        EXPECT_STREQ(codec.GetLastError(), copies < 500 ? "" : "JPEG stream has too many scans");
    }
}

TEST(JpegDecode, SizeOnlyAndCancel)
{
    Bytes bytes = CorpusFile("progressive.jpg");
    PxImageJPG sizeOnly;
    sizeOnly.info.escape = -1;
    sizeOnly.info.jpegScale = 2;
    ASSERT_TRUE(DecodeBytes(sizeOnly, bytes));
    EXPECT_FALSE(sizeOnly.IsValid());
    EXPECT_EQ(sizeOnly.header.biWidth, 17);
    EXPECT_EQ(sizeOnly.header.biHeight, 9);

    PxImageJPG cancelled;
    cancelled.info.escape = 1;
    EXPECT_FALSE(DecodeBytes(cancelled, bytes));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
}

TEST(JpegDecode, TheExifScanKeepsTheStreamPosition)
{
    Bytes bytes = CorpusFile("exif_dpi.jpg");
    PxImageJPG codec;
    ASSERT_TRUE(DecodeBytes(codec, bytes));
    EXPECT_EQ(codec.GetXDPI(), 300);  // found by the Exif scan, which then rewinds
}

TEST(JpegDecode, ExifBlocksThatLieAboutTheirOffsetsAreIgnored)
{
    // An APP1 Exif block whose IFD and rational offsets point far outside it.
    const std::uint8_t exif[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0,
                                 0x1A, 1, 5, 0, 1, 0, 0, 0, 0xF0, 0xFF, 0, 0,  // X resolution at 65520
                                 0x28, 1, 3, 0, 1, 0, 0, 0, 2, 0, 0, 0,        // inches
                                 0, 0, 0, 0};
    Bytes bytes = CorpusFile("baseline.jpg");
    std::vector<std::uint8_t> app1 = {0xFF, 0xE1, 0, std::uint8_t(sizeof exif + 2)};
    app1.insert(app1.end(), exif, exif + sizeof exif);
    bytes.insert(bytes.begin() + 2, app1.begin(), app1.end());
    PxImageJPG codec;
    ASSERT_TRUE(DecodeBytes(codec, bytes)) << codec.GetLastError();
    EXPECT_EQ(codec.GetXDPI(), 96);
}

TEST(JpegEncode, RefusesPalettesThatAreNotAnEightBitGreyRamp)
{
    PxImage colours(8, 8, 8, 0);
    colours.SetPaletteColor(7, {1, 2, 3, 0});
    // A 4-bit palette of (i, i, i) is no grey ramp either: its rows hold packed indices.
    PxImage packed(8, 8, 4, 0);
    for (unsigned i = 0; i < 16; ++i)
        packed.SetPaletteColor(std::uint8_t(i), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
    PxImage mono(8, 8, 1, 0);
    for (PxImage* image : {&colours, &packed, &mono}) {
        std::string error;
        EXPECT_TRUE(EncodeBytes<PxImageJPG>(*image, &error).empty());
        EXPECT_EQ(error, "JPEG can save only RGB or GreyScale images");
    }
}

TEST(JpegEncode, GreyRampIsWrittenWithOneComponent)
{
    PxImage grey = Smooth(20, 12, 8);
    const std::vector<std::uint8_t> bytes = EncodeBytes<PxImageJPG>(grey);
    const std::size_t sof = FindMarker(bytes, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    EXPECT_EQ(bytes[sof + 9], 1);  // component count
}

TEST(JpegEncode, RoundTripsKeepSizeAndDensityWithinTolerance)
{
    for (std::uint32_t bpp : {8u, 24u}) {
        SCOPED_TRACE(bpp);
        PxImage image = Smooth(37, 21, bpp);
        image.SetJpegQuality(90);
        image.SetXDPI(300);
        image.SetYDPI(150);
        std::vector<std::uint8_t> bytes = EncodeBytes<PxImageJPG>(image);
        const std::size_t app0 = FindMarker(bytes, 0xE0);
        ASSERT_NE(app0, std::string::npos);
        EXPECT_EQ(bytes[app0 + 11], 1);  // dots per inch
        EXPECT_EQ(bytes[app0 + 12] << 8 | bytes[app0 + 13], 300);
        EXPECT_EQ(bytes[app0 + 14] << 8 | bytes[app0 + 15], 150);

        PxImageJPG decoded;
        ASSERT_TRUE(DecodeBytes(decoded, bytes));
        EXPECT_EQ(decoded.GetWidth(), 37u);
        EXPECT_EQ(decoded.GetHeight(), 21u);
        EXPECT_EQ(decoded.GetBpp(), bpp);
        EXPECT_EQ(decoded.GetXDPI(), 300);
        EXPECT_EQ(decoded.GetYDPI(), 150);
        EXPECT_LE(codectest::MaxColourDifference(image, decoded), 12);
    }
}

TEST(JpegEncode, QualityChangesTheStream)
{
    PxImage image = Smooth(64, 64, 24);
    image.SetJpegQuality(20);
    const std::size_t low = EncodeBytes<PxImageJPG>(image).size();
    image.SetJpegQuality(95);
    const std::size_t high = EncodeBytes<PxImageJPG>(image).size();
    EXPECT_LT(low, high);
}

TEST(JpegEncode, ReportsStreamFailuresAndMissingArguments)
{
    PxImage noise = testimages::Random(300, 200, 24, false, 3);
    codectest::ExpectEncodeFailures<PxImageJPG>(noise, "Output file write error --- out of disk space?");
}

}  // namespace
