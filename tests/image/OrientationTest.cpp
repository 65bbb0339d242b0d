#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/PxImage.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Flat blocks as large as a chroma-subsampled JPEG unit, so that only the
// blocks' edges blur; the 3 x 2 grid of distinct colours tells every turn and
// mirror apart.
constexpr std::int32_t kBlock = 16, kColumns = 3, kRows = 2;
constexpr RGBQUAD kColours[kRows][kColumns] = {{{0, 0, 230, 0}, {0, 200, 0, 0}, {220, 0, 0, 0}},
                                               {{0, 220, 220, 0}, {200, 0, 200, 0}, {128, 128, 128, 0}}};

// Pictures are addressed top-down here, as a viewer sees them.
RGBQUAD At(const PxImage& image, std::int32_t column, std::int32_t row)
{
    return image.GetPixelColor(column, std::int32_t(image.GetHeight()) - 1 - row);
}

PxImage Upright()
{
    PxImage image(kColumns * kBlock, kRows * kBlock, 24, 0);
    for (std::int32_t row = 0; row < kRows * kBlock; ++row)
        for (std::int32_t column = 0; column < kColumns * kBlock; ++column)
            image.SetPixelColor(column, kRows * kBlock - 1 - row, kColours[row / kBlock][column / kBlock]);
    return image;
}

enum Side { Top, Bottom, Left, Right };

// An orientation as the tag defines it: the sides of the view that the
// stored row 0 and column 0 lie along.
struct Case {
    std::uint16_t orientation;
    Side row0, column0;
    bool bigEndian;
};

// What a camera stores for a view of `upright` under that orientation.
PxImage Stored(const PxImage& upright, const Case& c)
{
    const std::int32_t w = std::int32_t(upright.GetWidth()), h = std::int32_t(upright.GetHeight());
    const bool across = c.row0 == Left || c.row0 == Right;  // stored rows run down the view
    PxImage stored(std::uint32_t(across ? h : w), std::uint32_t(across ? w : h), 24, 0);
    for (std::int32_t r = 0; r < std::int32_t(stored.GetHeight()); ++r)
        for (std::int32_t k = 0; k < std::int32_t(stored.GetWidth()); ++k) {
            const std::int32_t viewRow = across ? (c.column0 == Top ? k : h - 1 - k) : (c.row0 == Top ? r : h - 1 - r);
            const std::int32_t viewColumn = across ? (c.row0 == Left ? r : w - 1 - r) : (c.column0 == Left ? k : w - 1 - k);
            stored.SetPixelColor(k, std::int32_t(stored.GetHeight()) - 1 - r, At(upright, viewColumn, viewRow));
        }
    return stored;
}

Bytes EncodeJpeg(PxImage image)
{
    image.SetJpegQuality(100);
    std::uint8_t* data = nullptr;
    std::int32_t length = 0;
    EXPECT_TRUE(image.Encode(data, length, FormatJpg)) << image.GetLastError();
    Bytes bytes(data, data + length);
    std::free(data);
    return bytes;
}

// A TIFF block with one IFD0 entry: the orientation tag of the given type, count and value.
Bytes OrientationTiff(bool bigEndian, std::uint16_t value, std::uint16_t type = 3, std::uint32_t count = 1)
{
    Bytes tiff;
    auto put = [&](std::uint32_t v, int size) {
        for (int i = 0; i < size; ++i)
            tiff.push_back(std::uint8_t(v >> 8 * (bigEndian ? size - 1 - i : i)));
    };
    tiff = {std::uint8_t(bigEndian ? 'M' : 'I'), std::uint8_t(bigEndian ? 'M' : 'I')};
    put(42, 2), put(8, 4), put(1, 2);
    put(0x0112, 2), put(type, 2), put(count, 4), put(value, 2), put(0, 2);
    put(0, 4);
    return tiff;
}

// The JPEG with an APP1 Exif segment around `tiff` right after its start marker.
Bytes WithExif(Bytes jpeg, const Bytes& tiff)
{
    const std::size_t length = 2 + 6 + tiff.size();
    Bytes app1 = {0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length), 'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
    return jpeg;
}

// Compares the middle of every block, away from the edges the codec blurs.
void ExpectSameBlocks(const PxImage& actual, const PxImage& expected)
{
    ASSERT_EQ(actual.GetWidth(), expected.GetWidth());
    ASSERT_EQ(actual.GetHeight(), expected.GetHeight());
    for (std::int32_t row = kBlock / 2; row < std::int32_t(expected.GetHeight()); row += kBlock)
        for (std::int32_t column = kBlock / 2; column < std::int32_t(expected.GetWidth()); column += kBlock) {
            const RGBQUAD a = At(actual, column, row), e = At(expected, column, row);
            const int difference = std::max({std::abs(a.rgbRed - e.rgbRed), std::abs(a.rgbGreen - e.rgbGreen),
                                             std::abs(a.rgbBlue - e.rgbBlue)});
            EXPECT_LE(difference, 8) << column << "," << row;
        }
}

TEST(ExifOrientation, EveryOrientationDecodesAsStoredAndTurnsUpright)
{
    const PxImage upright = Upright();
    for (const Case& c : {Case{1, Top, Left, false}, Case{2, Top, Right, true}, Case{3, Bottom, Right, false},
                          Case{4, Bottom, Left, true}, Case{5, Left, Top, false}, Case{6, Right, Top, true},
                          Case{7, Right, Bottom, false}, Case{8, Left, Bottom, true}}) {
        SCOPED_TRACE(c.orientation);
        const PxImage stored = Stored(upright, c);
        const Bytes jpeg = WithExif(EncodeJpeg(stored), OrientationTiff(c.bigEndian, c.orientation));
        PxImage photo;
        ASSERT_TRUE(photo.Decode(jpeg.data(), std::int32_t(jpeg.size()), FormatJpg)) << photo.GetLastError();
        EXPECT_EQ(photo.GetExifOrientation(), c.orientation);
        ExpectSameBlocks(photo, stored);
        ASSERT_TRUE(photo.TurnUpright());
        EXPECT_EQ(photo.GetExifOrientation(), 1);
        ExpectSameBlocks(photo, upright);
    }
}

TEST(ExifOrientation, CopiesCarryItAndTheNextDecodeReplacesIt)
{
    const PxImage upright = Upright();
    const Bytes plain = EncodeJpeg(upright);
    const Bytes turned = WithExif(plain, OrientationTiff(false, 6));
    PxImage photo;
    ASSERT_TRUE(photo.Decode(turned.data(), std::int32_t(turned.size()), FormatJpg));
    PxImage copy(photo), assigned;
    assigned = photo;
    EXPECT_EQ(copy.GetExifOrientation(), 6);
    EXPECT_EQ(assigned.GetExifOrientation(), 6);
    ASSERT_TRUE(photo.Decode(plain.data(), std::int32_t(plain.size()), FormatUnknown));
    EXPECT_EQ(photo.GetExifOrientation(), 1);

    // Another format decoded into the turned picture does not inherit the turn.
    std::uint8_t* png = nullptr;
    std::int32_t length = 0;
    ASSERT_TRUE(PxImage(upright).Encode(png, length, FormatPng));
    ASSERT_TRUE(photo.Decode(turned.data(), std::int32_t(turned.size()), FormatJpg));
    EXPECT_TRUE(photo.Decode(png, length, FormatPng));
    std::free(png);
    EXPECT_EQ(photo.GetExifOrientation(), 1);
}

TEST(ExifOrientation, HostileBlocksReadAsUpright)
{
    const Bytes plain = EncodeJpeg(Upright());
    Bytes farIfd = OrientationTiff(false, 6);
    std::memset(farIfd.data() + 4, 0xFF, 4);  // IFD offset that wraps when the entry size is added
    Bytes cutEntry = OrientationTiff(true, 6);
    cutEntry[9] = 0xFF;                       // 65,535 entries claimed...
    cutEntry.resize(8 + 2 + 10);              // ...and the first one cut short of its value
    const Bytes blocks[] = {farIfd, cutEntry, OrientationTiff(false, 9), OrientationTiff(true, 0),
                            OrientationTiff(false, 6, 4), OrientationTiff(true, 6, 3, 2), Bytes{'I', 'I', 42}};
    for (const Bytes& tiff : blocks) {
        const Bytes jpeg = WithExif(plain, tiff);
        PxImage photo;
        ASSERT_TRUE(photo.Decode(jpeg.data(), std::int32_t(jpeg.size()), FormatJpg)) << photo.GetLastError();
        EXPECT_EQ(photo.GetExifOrientation(), 1);
    }
}

}  // namespace
