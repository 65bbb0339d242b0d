#include <gtest/gtest.h>

#include <climits>

#include "image/PxImage.h"
#include "tests/image/TestImages.h"
#include "tests/platform/WhiteCanvas.h"

namespace {

using Canvas = WhiteCanvas;

PxImage Solid(int width, int height, RGBQUAD colour)
{
    PxImage image(width, height, 24, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixelColor(x, y, colour);
    return image;
}

constexpr RGBQUAD kBlack{0, 0, 0, 0};
constexpr RGBQUAD kWhite{255, 255, 255, 0};

TEST(Draw, AlphaArithmetic)
{
    struct Row {
        std::uint8_t alpha, alphaMax, expected;
    };
    // (0 x a + 255 x (255 - a)) >> 8 with a = (alpha x (alphaMax + 1)) >> 8.
    const Row rows[] = {{0, 255, 255}, {255, 255, 0}, {128, 255, 126}, {255, 127, 127}, {254, 255, 0}};
    for (const Row& row : rows) {
        Canvas canvas(4, 4);
        PxImage image = Solid(2, 2, kBlack);
        image.AlphaCreate();
        image.AlphaSet(row.alpha);
        image.AlphaSetMax(row.alphaMax);
        EXPECT_EQ(image.Draw(canvas.Dc(), 1, 1), 1);
        EXPECT_EQ(canvas.At(1, 1).rgbRed, row.expected) << int(row.alpha) << "/" << int(row.alphaMax);
        EXPECT_EQ(canvas.At(0, 0).rgbRed, 255);  // outside the picture
    }
}

TEST(Draw, OpaqueAlphaEqualsPlainPath)
{
    const PxImage plain = testimages::Random(7, 5, 24, false, 3);
    PxImage withAlpha(plain);
    withAlpha.AlphaCreate();
    Canvas a(10, 10), b(10, 10);
    PxImage(plain).Draw(a.Dc(), 2, 3);
    withAlpha.Draw(b.Dc(), 2, 3);
    EXPECT_EQ(a.Bitmap()->pixels, b.Bitmap()->pixels);
}

TEST(Draw, KeyedColourIsSkipped)
{
    PxImage image = Solid(3, 1, kBlack);
    const RGBQUAD magenta{255, 0, 255, 0};
    image.SetPixelColor(1, 0, magenta);
    image.SetTransIndex(0);
    image.SetTransColor(magenta);
    Canvas canvas(3, 1);
    image.Draw(canvas.Dc(), 0, 0);
    EXPECT_EQ(canvas.At(0, 0), kBlack);
    EXPECT_EQ(canvas.At(1, 0), kWhite);
    EXPECT_EQ(canvas.At(2, 0), kBlack);

    PxImage indexed(2, 1, 8, 0);
    indexed.SetPaletteColor(3, kBlack);
    indexed.SetPixelIndex(0, 0, 3);
    indexed.SetTransIndex(0);
    Canvas second(2, 1);
    second.At(0, 0);
    indexed.Draw(second.Dc(), 0, 0);
    EXPECT_EQ(second.At(0, 0), kBlack);
    EXPECT_EQ(second.At(1, 0), kWhite);  // index 0 is the key
}

TEST(Draw, NegativePositionsShowTheRightPart)
{
    const PxImage image = testimages::Random(30, 20, 24, false, 4);
    for (bool blended : {false, true}) {
        PxImage copy(image);
        if (blended)
            copy.AlphaCreate();
        Canvas canvas(8, 6);
        copy.Draw(canvas.Dc(), -10, -10);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) {
                RGBQUAD expected = image.GetPixelColor(x + 10, 19 - (y + 10), false);
                expected.rgbReserved = 0;
                ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y << (blended ? " blended" : "");
            }
    }
}

TEST(Draw, NaturalSizeAndClipRectangle)
{
    const PxImage image = testimages::Random(5, 4, 8, false, 5);
    Canvas a(9, 9), b(9, 9);
    PxImage(image).Draw(a.Dc(), 1, 2, -1, -1);
    PxImage(image).Draw(b.Dc(), RECT{1, 2, 6, 6});
    EXPECT_EQ(a.Bitmap()->pixels, b.Bitmap()->pixels);

    Canvas clipped(9, 9);
    const RECT clip{3, 0, 9, 9};
    PxImage(image).Draw(clipped.Dc(), 1, 2, -1, -1, &clip);
    EXPECT_EQ(clipped.At(2, 2), kWhite);
    EXPECT_EQ(clipped.At(3, 2), a.At(3, 2));
    RECT box;
    GetClipBox(clipped.Dc(), &box);
    EXPECT_EQ(box.left, 0);  // the device's clip box is restored
}

TEST(Draw, DoubleSizeRepeatsPixels)
{
    for (bool blended : {false, true}) {
        PxImage image = testimages::Random(3, 2, 24, false, 6);
        if (blended)
            image.AlphaCreate();
        Canvas canvas(6, 4);
        image.Draw(canvas.Dc(), 0, 0, 6, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                RGBQUAD expected = image.GetPixelColor(x / 2, 1 - y / 2, false);
                expected.rgbReserved = 0;
                ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y;
            }
    }
}

// The scale is a float (10 to 12: 0.833333313), the source column double:
// canvas column 6 shows 6 x fx = 4.99999988, picture column 4 (5 in single
// precision).
TEST(Draw, ScaledSourcePositionsAreFormedInDouble)
{
    for (bool blended : {false, true}) {
        PxImage image(10, 1, 24, 0);
        for (int x = 0; x < 10; ++x)
            image.SetPixelColor(x, 0, {BYTE(20 * x), 0, 0, 0});
        if (blended)
            image.AlphaCreate();
        Canvas canvas(12, 1);
        image.Draw(canvas.Dc(), 0, 0, 12, 1);
        EXPECT_EQ(canvas.At(6, 0).rgbBlue, 80) << blended;
        EXPECT_EQ(canvas.At(7, 0).rgbBlue, 100) << blended;
    }
}

TEST(Draw, PositionsAtTheEndsOfTheCoordinateRange)
{
    const PxImage image = testimages::Random(5, 4, 24, false, 7);
    for (bool blended : {false, true}) {
        SCOPED_TRACE(blended ? "blended" : "plain");
        PxImage copy(image);
        if (blended)
            copy.AlphaCreate();
        Canvas canvas(6, 6);
        for (int x : {INT_MIN, INT_MIN + 2, INT_MAX - 2, INT_MAX})
            for (int y : {INT_MIN, 0, INT_MAX}) {
                copy.Draw(canvas.Dc(), x, y);         // natural size
                copy.Draw(canvas.Dc(), x, y, 10, 8);  // scaled
                copy.Draw(canvas.Dc(), RECT{x, y, x > 0 ? INT_MAX : x + 7, y > 0 ? INT_MAX : y + 6});
            }
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                ASSERT_EQ(canvas.At(x, y), kWhite) << x << "," << y;

        // Stretched from (2, 1) past INT_MAX: the picture's top-left pixel
        // fills the rest of the device.
        copy.Draw(canvas.Dc(), 2, 1, INT_MAX, INT_MAX);
        RGBQUAD topLeft = image.GetPixelColor(0, 3, false);
        topLeft.rgbReserved = 0;
        EXPECT_EQ(canvas.At(1, 1), kWhite);
        EXPECT_EQ(canvas.At(2, 1), topLeft);
        EXPECT_EQ(canvas.At(5, 5), topLeft);
    }
}

TEST(Draw, RefusalsReturnZero)
{
    Canvas canvas(2, 2);
    PxImage empty;
    EXPECT_EQ(empty.Draw(canvas.Dc()), 0);
    PxImage image = Solid(1, 1, kBlack);
    EXPECT_EQ(image.Draw(nullptr), 0);
    EXPECT_EQ(image.Draw(canvas.Dc(), 0, 0, 0, 5), 0);
    image.info.enabled = false;
    EXPECT_EQ(image.Draw(canvas.Dc()), 0);
    EXPECT_EQ(canvas.At(0, 0), kWhite);
}

TEST(Bitmaps, MakeBitmapAndCreateFromHBITMAP)
{
    PxImage white(1, 1, 24, 0);
    white.Clear(255);
    HBITMAP section = white.MakeBitmap(nullptr);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->pixels[0], 255);
    EXPECT_EQ(section->pixels[2], 255);
    DeleteObject(section);

    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP deep = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    static_cast<std::uint8_t*>(bits)[4] = 10;  // second pixel blue
    static_cast<std::uint8_t*>(bits)[6] = 30;  // second pixel red
    PxImage captured;
    ASSERT_TRUE(captured.CreateFromHBITMAP(deep));
    DeleteObject(deep);
    EXPECT_EQ(captured.GetBpp(), 24);
    EXPECT_EQ(captured.GetPixelColor(1, 0, false), (RGBQUAD{10, 0, 30, 0}));
    EXPECT_FALSE(captured.CreateFromHBITMAP(nullptr));
    EXPECT_FALSE(captured.IsValid());

    const PxImage indexed = testimages::Random(9, 3, 4, false, 7);
    HBITMAP round = PxImage(indexed).MakeBitmap();
    PxImage back;
    ASSERT_TRUE(back.CreateFromHBITMAP(round));
    DeleteObject(round);
    EXPECT_TRUE(testimages::SamePixels(back, indexed));
    EXPECT_EQ(back.GetPaletteColor(5), indexed.GetPaletteColor(5));
}

}  // namespace
