#include <gtest/gtest.h>

#include <algorithm>

#include "model/ImageEx.h"
#include "tests/image/TestImages.h"
#include "tests/platform/WhiteCanvas.h"

namespace {

using Canvas = WhiteCanvas;

// Colour of picture pixel (x, y) counted from the top, as the canvas shows it.
RGBQUAD FromTop(const PxImage& image, int x, int y)
{
    RGBQUAD c = image.GetPixelColor(x, int(image.GetHeight()) - 1 - y, false);
    c.rgbReserved = 0;
    return c;
}

TEST(ImageEx, PhotoWithoutAlphaGetsAnOpaqueMaskAndDrawsUnchanged)
{
    const PxImage photo = testimages::Random(200, 100, 24, false, 1);
    ImageEx element(photo, PxImage());
    ASSERT_TRUE(element.m_imgMaskSrc.IsValid());
    EXPECT_EQ(element.m_imgMaskSrc.GetWidth(), 1u);
    EXPECT_EQ(element.m_nKind, ELEMENT_USER);
    element.SetSize({200, 100});
    ASSERT_EQ(element.m_imgMaskWork.GetWidth(), 200u);
    ASSERT_EQ(element.m_imgMaskWork.GetHeight(), 100u);
    EXPECT_EQ(element.m_imgMaskWork.GetPixelColor(123, 45, false), (RGBQUAD{255, 255, 255, 0}));
    Canvas canvas(220, 120);
    element.m_ptPos = {10, 15};
    element.Draw(canvas.Dc());
    for (int y = 0; y < 100; y += 7)
        for (int x = 0; x < 200; x += 9)
            ASSERT_EQ(canvas.At(10 + x, 15 + y), FromTop(photo, x, y)) << x << "," << y;
    EXPECT_EQ(canvas.At(9, 15), (RGBQUAD{255, 255, 255, 0}));
}

TEST(ImageEx, IndexedPicturesAndMasksBecome24Bit)
{
    ImageEx element(testimages::Random(9, 9, 8, false, 2), testimages::Random(9, 9, 4, false, 3));
    EXPECT_EQ(element.m_imgSrc.GetBpp(), 24);
    EXPECT_EQ(element.m_imgMaskSrc.GetBpp(), 24);
    PxImage withAlpha = testimages::Random(4, 4, 24, true, 4);
    ImageEx alphaPhoto(withAlpha, PxImage());
    EXPECT_FALSE(alphaPhoto.m_imgMaskSrc.IsValid());  // drawn through its alpha plane
}

TEST(ImageEx, MaskBlendFormulaAndSkippedPixels)
{
    PxImage photo(3, 1, 24, 0);
    photo.Clear(0);  // black
    PxImage mask(3, 1, 24, 0);
    mask.SetPixelColor(0, 0, {0, 255, 255, 0});  // first byte 0: skipped whatever the rest says
    mask.SetPixelColor(1, 0, {128, 128, 128, 0});
    mask.SetPixelColor(2, 0, {255, 1, 0, 0});
    ImageEx element(photo, mask);
    element.SetSize({3, 1});
    Canvas canvas(3, 1);
    element.Draw(canvas.Dc());
    EXPECT_EQ(canvas.At(0, 0), (RGBQUAD{255, 255, 255, 0}));
    // ((255 - m) x 255 + 0 x m) / 255 per channel.
    EXPECT_EQ(canvas.At(1, 0), (RGBQUAD{127, 127, 127, 0}));
    EXPECT_EQ(canvas.At(2, 0), (RGBQUAD{0, 254, 255, 0}));
}

// Masks of runs (shut, open, partly open, first byte 0 only) over widths and
// clipped starts that put every run on and off the eight-pixel groups.
TEST(ImageEx, MaskRunsBlendAsTheFormulaSaysAtEveryAlignment)
{
    const PxImage photo = testimages::Random(61, 2, 24, false, 7);
    PxImage mask(61, 2, 24, 0);
    for (int x = 0; x < 61; ++x)
        for (int y = 0; y < 2; ++y) {
            const int run = (x + 5 * y) / 9 % 4;
            const BYTE m = BYTE(run == 0 ? 0 : run == 1 ? 255 : 40 + 3 * x);
            mask.SetPixelColor(x, y, run == 3 ? RGBQUAD{0, m, m, 0} : RGBQUAD{m, m, m, 0});
        }
    ImageEx element(photo, mask);
    element.SetSize({61, 2});
    for (const LONG left : {0, -1, -3, -8, -13}) {
        Canvas canvas(70, 2);
        element.m_ptPos = {left, 0};
        element.Draw(canvas.Dc());
        for (int y = 0; y < 2; ++y)
            for (int x = -left; x < 61; ++x) {
                const RGBQUAD m = FromTop(element.m_imgMaskWork, x, y), p = FromTop(photo, x, y);
                const auto blend = [&](BYTE mc, BYTE pc) { return BYTE(m.rgbBlue == 0 ? 255 : ((255 - mc) * 255 + pc * mc) / 255); };
                const RGBQUAD expected{blend(m.rgbBlue, p.rgbBlue), blend(m.rgbGreen, p.rgbGreen), blend(m.rgbRed, p.rgbRed), 0};
                ASSERT_EQ(canvas.At(left + x, y), expected) << "left " << left << ", " << x << "," << y;
            }
    }
}

TEST(ImageEx, ClippedAtTheCanvasEdges)
{
    const PxImage photo = testimages::Random(80, 20, 24, false, 5);
    ImageEx element(photo, PxImage());
    element.SetSize({80, 20});
    Canvas canvas(60, 10);
    element.m_ptPos = {-50, -5};
    element.Draw(canvas.Dc());
    EXPECT_EQ(canvas.At(0, 0), FromTop(photo, 50, 5));
    EXPECT_EQ(canvas.At(29, 9), FromTop(photo, 79, 14));
    EXPECT_EQ(canvas.At(30, 0), (RGBQUAD{255, 255, 255, 0}));

    element.m_ptPos = {40, 3};  // past the right and bottom edges
    element.Draw(canvas.Dc());
    EXPECT_EQ(canvas.At(59, 9), FromTop(photo, 19, 6));
}

TEST(ImageEx, RotationKeepsTheCentreAndWrapsAsymmetrically)
{
    ImageEx element(testimages::Random(200, 100, 24, false, 6), PxImage());
    element.SetSize({200, 100});
    element.m_ptPos = {10, 10};
    element.Rotate(90);
    const SIZE turned = element.GetSize();
    EXPECT_EQ(turned.cx, 100);
    EXPECT_EQ(turned.cy, 200);
    EXPECT_EQ(element.m_ptPos.x + turned.cx / 2, 110);
    EXPECT_EQ(element.m_ptPos.y + turned.cy / 2, 60);
    const POINT before = element.m_ptPos;
    element.SetSize(turned);  // the displayed size: nothing changes
    EXPECT_EQ(element.m_size.cx, 200);
    EXPECT_EQ(element.m_ptPos.x, before.x);

    const float expectedUp[] = {180, 270, 360, 90};
    for (float expected : expectedUp) {
        element.Rotate(90);
        EXPECT_EQ(element.m_fAngle, expected);
    }
    ImageEx other(testimages::Random(4, 4, 24, false, 7), PxImage());
    other.SetSize({4, 4});
    const float expectedDown[] = {-90, -180, -270, 0};
    for (float expected : expectedDown) {
        other.Rotate(-90);
        EXPECT_EQ(other.m_fAngle, expected);
    }
}

TEST(ImageEx, RotatedResizeScalesTheNominalSize)
{
    ImageEx element(testimages::Random(100, 50, 24, false, 8), PxImage());
    element.SetSize({100, 50});
    element.Rotate(90);
    element.SetSize({100, 200});  // the rotated box doubled in both directions
    EXPECT_EQ(element.m_size.cx, 200);
    EXPECT_EQ(element.m_size.cy, 100);
    EXPECT_EQ(element.GetSize().cx, 100);
    EXPECT_EQ(element.GetSize().cy, 200);
    EXPECT_DOUBLE_EQ(element.GetAspectRatio(), 0.5);
}

TEST(ImageEx, AspectRatioIsASinglePrecisionQuotient)
{
    ImageEx element(testimages::Random(100, 300, 24, false, 8), PxImage());
    const double oneThirdInFloat = 0.3333333432674408;  // 1 / 3 rounded to single precision
    // Before the first SetSize the empty working picture matches the 0 x 0
    // nominal size: the source's ratio, not 0 / 0.
    EXPECT_EQ(element.GetAspectRatio(), oneThirdInFloat);
    element.SetSize({50, 150});
    EXPECT_EQ(element.GetAspectRatio(), oneThirdInFloat);
}

TEST(ImageEx, FlipMirrorToggles)
{
    ImageEx element(testimages::Random(6, 4, 24, false, 9), PxImage());
    element.SetSize({6, 4});
    element.Rotate(30);
    element.ToggleFlipMirror(true);
    EXPECT_TRUE(element.m_bFlip);
    EXPECT_EQ(element.m_fAngle, -30);
    element.ToggleFlipMirror(true);
    EXPECT_FALSE(element.m_bFlip);
    EXPECT_EQ(element.m_fAngle, 30);

    ImageEx plain(testimages::Random(6, 4, 24, false, 10), PxImage());
    plain.SetSize({6, 4});
    plain.ToggleFlipMirror(false);
    EXPECT_EQ(FromTop(plain.m_imgWork, 0, 0), FromTop(plain.m_imgSrc, 5, 0));
}

TEST(ImageEx, HitTestThroughRotatedCornersAndMasks)
{
    ImageEx element(testimages::Random(100, 100, 24, false, 11), PxImage());
    element.SetSize({100, 100});
    element.Rotate(45);
    const SIZE size = element.GetSize();
    element.m_ptPos = {0, 0};
    EXPECT_TRUE(element.IsTransparentAt({1, 1}));              // uncovered corner: black mask
    EXPECT_FALSE(element.IsTransparentAt({size.cx / 2, size.cy / 2}));
    EXPECT_FALSE(element.IsTransparentAt({-1, 5}));            // outside the box
    EXPECT_FALSE(element.IsTransparentAt({size.cx, 5}));

    PxImage photo = testimages::Random(4, 4, 24, true, 12);
    photo.AlphaSet(255);
    photo.AlphaSet(1, 3, 0);  // top row, second column
    ImageEx alphaPhoto(photo, PxImage());
    alphaPhoto.SetSize({4, 4});
    EXPECT_TRUE(alphaPhoto.IsTransparentAt({1, 0}));
    EXPECT_FALSE(alphaPhoto.IsTransparentAt({2, 0}));
}

// Copies share the untouched sources and own their working pictures; a
// state copy holds no working pictures and rebuilds the same ones.
TEST(ImageEx, ClonesShareSourcesAndOwnWorkingPictures)
{
    ImageEx element(testimages::Random(5, 5, 24, true, 13), testimages::Random(5, 5, 24, false, 14));
    element.SetSize({10, 10});
    element.Rotate(30);
    element.m_nKind = ELEMENT_TEMPLATE_FRAME;
    element.m_ptPos = {3, 4};
    auto copy = element.Clone();
    auto* image = dynamic_cast<ImageEx*>(copy.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->m_nKind, ELEMENT_TEMPLATE_FRAME);
    EXPECT_EQ(image->m_ptPos.y, 4);
    EXPECT_TRUE(image->SharesSourcesWith(element));
    EXPECT_EQ(&image->m_imgSrc, &element.m_imgSrc);
    EXPECT_NE(image->m_imgWork.GetBits(), element.m_imgWork.GetBits());
    EXPECT_TRUE(testimages::SamePixels(image->m_imgWork, element.m_imgWork));

    auto state = element.CloneState();
    auto* stored = dynamic_cast<ImageEx*>(state.get());
    ASSERT_NE(stored, nullptr);
    EXPECT_TRUE(stored->SharesSourcesWith(element));
    EXPECT_FALSE(stored->m_imgWork.IsValid());
    copy.reset();  // the sources outlive any one holder
    stored->Rebuild(false);
    EXPECT_TRUE(testimages::SamePixels(stored->m_imgWork, element.m_imgWork));
    EXPECT_TRUE(testimages::SamePixels(stored->m_imgMaskWork, element.m_imgMaskWork));
    EXPECT_EQ(stored->GetPos().x, element.GetPos().x);
}

}  // namespace
