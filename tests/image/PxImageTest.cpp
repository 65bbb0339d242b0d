#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "image/PxImage.h"
#include "tests/image/TestImages.h"

namespace {

TEST(PxImageCreate, RejectsZeroSizeWithText)
{
    PxImage image;
    EXPECT_EQ(image.Create(0, 10, 24, 1), nullptr);
    EXPECT_FALSE(image.IsValid());
    EXPECT_STREQ(image.GetLastError(), "PxImage::Create : width and height must be greater than zero");
}

TEST(PxImageCreate, RejectsMemoryRuleAndHeaderOverflow)
{
    PxImage image;
    // 40000 x 40000 x 24 / 256 = 150,000,000 is within the memory rule but the
    // block would not fit the 32-bit size fields.
    EXPECT_EQ(image.Create(40000, 40000, 24, 0), nullptr);
    EXPECT_STREQ(image.GetLastError(), "PXIMAGE_MAX_MEMORY exceeded");
    EXPECT_EQ(image.Create(200000, 200000, 24, 0), nullptr);
    EXPECT_STREQ(image.GetLastError(), "PXIMAGE_MAX_MEMORY exceeded");
    EXPECT_EQ(image.Create(0x80000000u, 1, 1, 0), nullptr);
    EXPECT_FALSE(image.IsValid());
}

TEST(PxImageCreate, NormalisesDepthAndLaysOutTheBlock)
{
    struct Row {
        std::uint32_t width, requestedBpp, bpp, colours, stride;
    };
    const Row rows[] = {
        {7, 0, 1, 2, 4},    {33, 1, 1, 2, 8},  {7, 2, 4, 16, 4},  {9, 4, 4, 16, 8},
        {5, 8, 8, 256, 8},  {1, 24, 24, 0, 4}, {5, 24, 24, 0, 16}, {3, 16, 24, 0, 12},
        {3, 32, 24, 0, 12},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << " px at " << row.requestedBpp << " bpp");
        PxImage image(row.width, 3, row.requestedBpp, 7);
        ASSERT_TRUE(image.IsValid());
        EXPECT_EQ(image.GetBpp(), row.bpp);
        EXPECT_EQ(image.GetNumColors(), row.colours);
        EXPECT_EQ(image.GetEffWidth(), row.stride);
        EXPECT_EQ(image.GetType(), 7u);
        EXPECT_EQ(image.GetSize(), std::int32_t(40 + 4 * row.colours + 3 * row.stride));
        BITMAPINFOHEADER inBlock;
        std::memcpy(&inBlock, image.dib, sizeof inBlock);
        EXPECT_EQ(inBlock.biSize, 40u);
        EXPECT_EQ(inBlock.biWidth, LONG(row.width));
        EXPECT_EQ(inBlock.biHeight, 3);
        EXPECT_EQ(inBlock.biPlanes, 1);
        EXPECT_EQ(inBlock.biSizeImage, 3 * row.stride);
        EXPECT_EQ(inBlock.biClrUsed, row.colours);
        EXPECT_EQ(image.GetBits(), image.dib + 40 + 4 * row.colours);
        EXPECT_EQ(image.GetBits(2), image.GetBits() + 2 * row.stride);
        EXPECT_EQ(image.GetBits(3), nullptr);
    }
}

TEST(PxImageCreate, WhitePixelAfterClear)
{
    PxImage image(1, 1, 24, 1);
    image.Clear(255);
    const RGBQUAD c = image.GetPixelColor(0, 0);
    EXPECT_EQ(c.rgbBlue, 255);
    EXPECT_EQ(c.rgbGreen, 255);
    EXPECT_EQ(c.rgbRed, 255);
}

TEST(PxImageClear, FillsSubByteDepthsAndPadding)
{
    PxImage four(3, 2, 4, 0);
    four.Clear(0x3);
    for (std::uint32_t i = 0; i < four.header.biSizeImage; ++i)
        EXPECT_EQ(four.GetBits()[i], 0x33);
    PxImage one(9, 2, 1, 0);
    one.Clear(7);
    for (std::uint32_t i = 0; i < one.header.biSizeImage; ++i)
        EXPECT_EQ(one.GetBits()[i], 0xFF);
}

TEST(PxImagePixels, IndexLayoutPerDepth)
{
    PxImage four(5, 2, 4, 0);
    four.SetPixelIndex(0, 1, 0xA);
    four.SetPixelIndex(1, 1, 0x15);  // masked to 5
    EXPECT_EQ(four.GetBits(1)[0], 0xA5);
    EXPECT_EQ(four.GetPixelIndex(1, 1), 5);

    PxImage one(10, 1, 1, 0);
    one.SetPixelIndex(0, 0, 1);
    one.SetPixelIndex(9, 0, 1);
    EXPECT_EQ(one.GetBits()[0], 0x80);
    EXPECT_EQ(one.GetBits()[1], 0x40);
    one.SetPixelIndex(0, 0, 0);
    EXPECT_EQ(one.GetBits()[0], 0x00);
    one.SetPixelIndex(10, 0, 1);  // outside: ignored
    EXPECT_EQ(one.GetBits()[1], 0x40);
}

TEST(PxImagePixels, OutsideFallbacks)
{
    PxImage image(2, 2, 24, 0);
    image.SetPixelColor(0, 0, {10, 20, 30, 0});
    image.AlphaCreate();
    image.AlphaSet(0, 0, 77);
    const RGBQUAD outside = image.GetPixelColor(-1, 0, false);
    EXPECT_EQ(outside.rgbBlue, 10);
    EXPECT_EQ(outside.rgbRed, 30);
    EXPECT_EQ(outside.rgbReserved, 77);  // the bottom-left pixel with its alpha

    PxImage indexed(2, 2, 8, 0);
    indexed.SetPaletteColor(4, {1, 2, 3, 9});
    indexed.SetTransIndex(4);
    EXPECT_EQ(indexed.GetPixelIndex(5, 5), 4);
    EXPECT_EQ(indexed.GetPixelColor(5, 5).rgbReserved, 9);
    indexed.SetTransIndex(-1);
    indexed.SetPixelIndex(0, 0, 6);
    EXPECT_EQ(indexed.GetPixelIndex(-3, 0), 6);  // the first byte of the pixel array
}

TEST(PxImagePixels, NearestIndexSearchAndCache)
{
    PxImage image(1, 1, 4, 0);
    image.SetPaletteColor(0, {0, 0, 0, 0});
    image.SetPaletteColor(3, {100, 100, 100, 0});
    image.SetPaletteColor(7, {100, 100, 100, 0});  // a later duplicate never wins a tie
    EXPECT_EQ(image.GetNearestIndex({90, 95, 99, 0}), 3);
    EXPECT_EQ(image.GetNearestIndex({90, 95, 99, 0}), 3);
    image.SetPaletteColor(3, {0, 0, 255, 0});  // invalidates the cache
    EXPECT_EQ(image.GetNearestIndex({90, 95, 99, 0}), 7);
    image.SetPixelColor(0, 0, {101, 101, 101, 0});
    EXPECT_EQ(image.GetPixelIndex(0, 0), 7);
}

TEST(PxImageAlpha, CreateGetPointerAndCopy)
{
    PxImage image(3, 2, 24, 0);
    EXPECT_EQ(image.AlphaGetPointer(0, 0), nullptr);
    image.AlphaCreate();
    ASSERT_NE(image.AlphaGetPointer(0, 0), nullptr);
    EXPECT_EQ(*image.AlphaGetPointer(0, 0), 255);
    EXPECT_EQ(image.AlphaGetPointer(3, 0), nullptr);
    image.AlphaSet(2, 1, 5);
    EXPECT_EQ(image.alpha[1 * 3 + 2], 5);
    image.AlphaSetMax(128);

    PxImage other(3, 2, 8, 0);
    EXPECT_TRUE(other.AlphaCopy(image));
    EXPECT_EQ(other.AlphaGet(2, 1), 5);
    EXPECT_EQ(other.AlphaGetMax(), 128);
    PxImage wrongSize(2, 2, 24, 0);
    EXPECT_FALSE(wrongSize.AlphaCopy(image));
    image.AlphaClear();
    EXPECT_EQ(image.AlphaGet(2, 1), 0);
}

TEST(PxImageTransparency, HitTest)
{
    PxImage plain(2, 2, 24, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_FALSE(plain.IsTransparent(x, y));

    PxImage keyed(2, 1, 24, 0);
    keyed.SetPixelColor(1, 0, {1, 2, 3, 0});
    keyed.SetTransIndex(0);
    keyed.SetTransColor({1, 2, 3, 99});
    EXPECT_EQ(keyed.GetTransColor().rgbReserved, 0);
    EXPECT_TRUE(keyed.IsTransparent(1, 0));
    EXPECT_FALSE(keyed.IsTransparent(0, 0));

    PxImage withAlpha(2, 1, 24, 0);
    withAlpha.AlphaCreate();
    withAlpha.AlphaSet(1, 0, 0);
    EXPECT_TRUE(withAlpha.IsTransparent(1, 0));
    EXPECT_FALSE(withAlpha.IsTransparent(0, 0));
}

TEST(PxImageIncreaseBpp, WidensIndexedPictures)
{
    PxImage image = testimages::Random(7, 5, 8, false, 1);
    image.SetPaletteColor(5, {11, 22, 33, 0});
    image.SetTransIndex(5);
    PxImage original(image);
    ASSERT_TRUE(image.IncreaseBpp(24));
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_EQ(image.GetTransIndex(), 5);
    EXPECT_EQ(image.GetTransColor().rgbBlue, 11);
    EXPECT_EQ(image.GetTransColor().rgbRed, 33);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const RGBQUAD a = original.GetPaletteColor(original.GetPixelIndex(x, y));
            const RGBQUAD b = image.GetPixelColor(x, y, false);
            EXPECT_EQ(a.rgbBlue, b.rgbBlue);
            EXPECT_EQ(a.rgbGreen, b.rgbGreen);
            EXPECT_EQ(a.rgbRed, b.rgbRed);
        }
    EXPECT_TRUE(image.IncreaseBpp(24));
    EXPECT_FALSE(image.IncreaseBpp(8));
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_FALSE(image.IncreaseBpp(16));
}

TEST(PxImageIncreaseBpp, PaletteAlphaBecomesAlphaPlaneAndIndicesSurvive)
{
    PxImage image(3, 1, 1, 0);
    image.SetPaletteColor(0, {0, 0, 0, 0});
    image.SetPaletteColor(1, {255, 255, 255, 200});
    image.SetPixelIndex(1, 0, 1);
    PxImage four(image);
    ASSERT_TRUE(four.IncreaseBpp(4));
    EXPECT_EQ(four.GetNumColors(), 16u);
    EXPECT_EQ(four.GetPixelIndex(1, 0), 1);
    EXPECT_EQ(four.GetPaletteColor(1).rgbReserved, 200);
    ASSERT_TRUE(image.IncreaseBpp(24));
    ASSERT_TRUE(image.AlphaIsValid());
    EXPECT_EQ(image.AlphaGet(0, 0), 0);
    EXPECT_EQ(image.AlphaGet(1, 0), 200);
}

TEST(PxImageLifetime, CopyTransferGhostAndDestroy)
{
    PxImage source = testimages::Random(5, 4, 8, true, 2);
    source.SetXDPI(300);
    source.SelectionCreate();
    source.selection[3] = 1;

    PxImage copy(source);
    EXPECT_TRUE(testimages::SamePixels(copy, source));
    EXPECT_EQ(copy.GetXDPI(), 300);
    EXPECT_EQ(copy.header.biXPelsPerMeter, 11811);
    ASSERT_TRUE(copy.SelectionIsValid());
    EXPECT_EQ(copy.selection[3], 1);

    PxImage shell(source, false, false, false);
    EXPECT_EQ(shell.GetWidth(), 5u);
    EXPECT_EQ(shell.GetPaletteColor(9), source.GetPaletteColor(9));
    EXPECT_FALSE(shell.AlphaIsValid());
    EXPECT_FALSE(shell.SelectionIsValid());

    PxImage ghost;
    ghost.Ghost(source);
    EXPECT_EQ(ghost.GetBits(), source.GetBits());
    EXPECT_FALSE(ghost.Destroy());
    EXPECT_TRUE(ghost.IsValid());
    PxImage fromGhost(ghost);  // a copy of a ghost owns its own pixels
    EXPECT_TRUE(fromGhost.Destroy());

    PxImage taker;
    EXPECT_TRUE(taker.Transfer(copy));
    EXPECT_FALSE(copy.IsValid());
    EXPECT_EQ(copy.GetWidth(), 0u);
    EXPECT_TRUE(testimages::SamePixels(taker, source));

    PxImage emptied(source);
    emptied.Destroy();
    EXPECT_FALSE(emptied.IsValid());
    EXPECT_EQ(emptied.GetWidth(), 5u);  // header and info stay
    emptied = emptied;
    PxImage assigned(3, 3, 24, 0);
    assigned = emptied;  // copying an empty picture empties the target
    EXPECT_FALSE(assigned.IsValid());
}

// The colour space record is shared, never copied, and freed with the last picture holding it.
TEST(PxImageLifetime, ColourSpaceFollowsTheTransfer)
{
    auto space = std::make_shared<const ColourSpace>();
    const std::weak_ptr<const ColourSpace> watch = space;
    {
        PxImage source(2, 2, 24, 0);
        source.info.colourSpace = std::move(space);
        PxImage taker;
        EXPECT_TRUE(taker.Transfer(source));
        EXPECT_EQ(taker.info.colourSpace, watch.lock());
        EXPECT_FALSE(source.info.colourSpace);
    }
    EXPECT_TRUE(watch.expired());
}

TEST(PxImageResolution, StoresDpiAndPelsPerMeter)
{
    PxImage image;
    image.SetXDPI(72);
    image.SetYDPI(-5);
    EXPECT_EQ(image.GetXDPI(), 72);
    EXPECT_EQ(image.header.biXPelsPerMeter, 2835);
    EXPECT_EQ(image.GetYDPI(), 96);
    EXPECT_EQ(image.header.biYPelsPerMeter, 3780);
}

}  // namespace
