#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "image/PxGeometry.h"
#include "image/PxImage.h"
#include "tests/image/ReferenceSampler.h"
#include "tests/image/TestImages.h"

namespace {

// A blank result of the given size shaped like the source, as the
// transforms' definitions start theirs.
PxImage BlankLike(const PxImage& source, std::uint32_t width, std::uint32_t height)
{
    PxImage result(width, height, source.GetBpp(), source.GetType());
    result.SetPalette(source.GetPalette(), source.GetNumColors());
    if (source.AlphaIsValid())
        result.AlphaCreate();
    return result;
}

// Resample2 by its per-pixel definition.
PxImage ReferenceResample2(const PxImage& source, int newWidth, int newHeight, int im, PxImage::OverflowMethod om,
                           bool disableAveraging)
{
    PxImage result = BlankLike(source, newWidth, newHeight);
    const float xs = float(source.GetWidth()) / float(newWidth), ys = float(source.GetHeight()) / float(newHeight);
    const bool average = (xs > 1 || ys > 1) && !disableAveraging;
    for (int y = 0; y < newHeight; ++y)
        for (int x = 0; x < newWidth; ++x) {
            const float px = (float(x) + 0.5f) * xs - 0.5f, py = (float(y) + 0.5f) * ys - 0.5f;
            const RGBQUAD c = average ? reference::Area(source, px, py, xs, ys, im, om, nullptr)
                                      : reference::Sample(source, px, py, im, om, nullptr);
            result.SetPixelColor(x, y, c, true);
        }
    return result;
}

// Rotate2 without shortcuts by its per-pixel definition.
PxImage ReferenceRotate2(const PxImage& source, float angle, int im, PxImage::OverflowMethod om, RGBQUAD fill,
                         bool keepSize)
{
    const double theta = -double(angle) * std::acos(0.0) * 0.011111111111111112;
    const float c = float(std::cos(theta)), s = float(std::sin(theta));
    const float w = float(source.GetWidth()), h = float(source.GetHeight());
    PxPoint2 corners[4] = {{-0.5f, -0.5f}, {w - 0.5f, -0.5f}, {-0.5f, h - 0.5f}, {w - 0.5f, h - 0.5f}};
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (PxPoint2& p : corners) {
        if (!keepSize)
            p = PxPoint2(c * p.x - s * p.y, s * p.x + c * p.y);
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    const int nw = int(std::floor(maxX - minX + 0.5f)), nh = int(std::floor(maxY - minY + 0.5f));
    float sx = ((maxX + minX) - float(nw - 1)) / 2, sy = ((maxY + minY) - float(nh - 1)) / 2;
    if (keepSize) {
        sx -= float(source.GetWidth() / 2);
        sy -= float(source.GetHeight() / 2);
    }
    PxImage result = BlankLike(source, nw, nh);
    float v = sy;
    for (int y = 0; y < nh; ++y, v += 1) {
        float u = sx;
        for (int x = 0; x < nw; ++x, u += 1) {
            float px = u * c + v * s, py = v * c - u * s;
            if (keepSize)
                px += float(nw / 2), py += float(nh / 2);
            result.SetPixelColor(x, y, reference::Sample(source, px, py, im, om, &fill), source.AlphaIsValid());
        }
    }
    return result;
}

struct Case {
    std::uint32_t width, height, bpp;
    bool alpha;
};

class TransformIdentity : public testing::TestWithParam<Case> {};

TEST_P(TransformIdentity, Resample2MatchesDefinition)
{
    const Case c = GetParam();
    const PxImage source = testimages::Random(c.width, c.height, c.bpp, c.alpha, 21);
    const int methods[] = {PxImage::NearestNeighbour, PxImage::Bilinear, PxImage::Bicubic, PxImage::Bicubic2,
                           PxImage::Lanczos, PxImage::Mitchell, PxImage::Box, 0};
    const PxImage::OverflowMethod overflows[] = {PxImage::OverflowRepeat, PxImage::OverflowColor,
                                                 PxImage::OverflowMirror};
    const int sizes[][2] = {{int(c.width) * 3 + 1, int(c.height) * 2}, {std::max(1, int(c.width) / 3), std::max(1, int(c.height) / 2)},
                            {int(c.width) * 2, std::max(1, int(c.height) / 3)}, {1, 1}};
    for (int im : methods)
        for (PxImage::OverflowMethod om : overflows)
            for (const auto& size : sizes)
                for (bool disable : {false, true}) {
                    if (size[0] == int(c.width) && size[1] == int(c.height))
                        continue;
                    PxImage source2(source), result;
                    ASSERT_TRUE(source2.Resample2(size[0], size[1], PxImage::InterpolationMethod(im), om, &result, disable));
                    EXPECT_TRUE(testimages::SamePixels(source2, source));
                    ASSERT_TRUE(testimages::SamePixels(result, ReferenceResample2(source, size[0], size[1], im, om, disable)))
                        << "method " << im << " overflow " << om << " to " << size[0] << "x" << size[1]
                        << (disable ? " without averaging" : "");
                }
}

TEST_P(TransformIdentity, Rotate2MatchesDefinition)
{
    const Case c = GetParam();
    const PxImage source = testimages::Random(c.width, c.height, c.bpp, c.alpha, 22);
    const RGBQUAD white{255, 255, 255, 0};
    for (float angle : {17.0f, -33.5f, 45.0f, 200.0f})
        for (int im : {int(PxImage::NearestNeighbour), int(PxImage::Bicubic2), int(PxImage::Bilinear)})
            for (bool keepSize : {false, true}) {
                PxImage turned(source);
                ASSERT_TRUE(turned.Rotate2(angle, nullptr, PxImage::InterpolationMethod(im), PxImage::OverflowBackground,
                                           &white, true, keepSize));
                ASSERT_TRUE(testimages::SamePixels(
                    turned, ReferenceRotate2(source, angle, im, PxImage::OverflowBackground, white, keepSize)))
                    << "angle " << angle << " method " << im << (keepSize ? " keep size" : "");
                if (keepSize) {
                    EXPECT_EQ(turned.GetWidth(), source.GetWidth());
                    EXPECT_EQ(turned.GetHeight(), source.GetHeight());
                }
            }
}

INSTANTIATE_TEST_SUITE_P(Pictures, TransformIdentity,
                         testing::Values(Case{1, 1, 24, false}, Case{1, 7, 24, true}, Case{13, 9, 24, false},
                                         Case{31, 17, 24, true}, Case{12, 10, 8, true}, Case{9, 11, 1, false},
                                         Case{7, 6, 4, true}),
                         [](const auto& info) {
                             const auto& p = info.param;
                             return std::to_string(p.width) + "x" + std::to_string(p.height) + "_" +
                                    std::to_string(p.bpp) + "bpp" + (p.alpha ? "_alpha" : "");
                         });

// Kernel windows planned per column and row: windows inside, across each
// border and larger than the picture, for every overflow rule (unknown ones
// included), with a transparent colour for the rules that read it, enlarging
// and shrinking without averaging.
TEST(Resample2, KernelWindowsAtEveryBorderMatchDefinition)
{
    struct Source {
        std::uint32_t width, height;
        bool alpha;
        bool transparentColour;
    };
    const Source sources[] = {{1, 1, true, false}, {2, 3, false, true}, {5, 4, true, true}, {37, 23, true, false}};
    for (const Source& src : sources) {
        PxImage source = testimages::Random(src.width, src.height, 24, src.alpha, 31);
        if (src.transparentColour) {
            source.SetTransIndex(0);
            source.SetTransColor({10, 20, 30, 40});
        }
        const int w = int(src.width), h = int(src.height);
        const int sizes[][2] = {{3 * w + 2, 2 * h + 1}, {w + 7, 1}, {std::max(1, w / 3), std::max(1, h / 2) + 1}};
        for (int im : {int(PxImage::Bicubic), int(PxImage::Lanczos), int(PxImage::Catrom)})
            for (int om = 0; om <= 7; ++om)
                for (const auto& size : sizes) {
                    const auto overflow = PxImage::OverflowMethod(om);
                    PxImage result;
                    ASSERT_TRUE(PxImage(source).Resample2(size[0], size[1], PxImage::InterpolationMethod(im), overflow,
                                                          &result, true));
                    ASSERT_TRUE(testimages::SamePixels(
                        result, ReferenceResample2(source, size[0], size[1], im, overflow, true)))
                        << src.width << "x" << src.height << " method " << im << " overflow " << om << " to "
                        << size[0] << "x" << size[1];
                }
    }
}

// The turn's direct reads for every method (points inside, four at a time
// and alone), the points that miss the picture and those across its border,
// for overflow rules that give a colour and rules that map, with and without
// alpha, at sizes where even the widest window fits inside.
TEST(Rotate2, EveryMethodAndOverflowMatchesDefinition)
{
    const RGBQUAD fill{40, 80, 120, 7};
    for (bool withAlpha : {false, true}) {
        PxImage source = testimages::Random(41, 29, 24, withAlpha, 23);
        for (int im = 0; im <= 17; ++im)
            for (PxImage::OverflowMethod om : {PxImage::OverflowBackground, PxImage::OverflowTransparent,
                                               PxImage::OverflowRepeat, PxImage::OverflowWrap})
                for (float angle : {23.0f, -131.0f}) {
                    PxImage turned(source);
                    ASSERT_TRUE(
                        turned.Rotate2(angle, nullptr, PxImage::InterpolationMethod(im), om, &fill, true, false));
                    ASSERT_TRUE(testimages::SamePixels(turned, ReferenceRotate2(source, angle, im, om, fill, false)))
                        << "method " << im << " overflow " << om << " angle " << angle
                        << (withAlpha ? " with alpha" : "");
                }
    }
}

TEST(Rotate2, RightAngleShortcutsAreExact)
{
    const PxImage source = testimages::Random(3, 2, 24, true, 5);
    PxImage exact, viaRotate2;
    PxImage(source).RotateRight(&exact);
    ASSERT_TRUE(PxImage(source).Rotate2(90, &viaRotate2, PxImage::Bicubic2));
    EXPECT_EQ(viaRotate2.GetWidth(), 2u);
    EXPECT_EQ(viaRotate2.GetHeight(), 3u);
    EXPECT_TRUE(testimages::SamePixels(viaRotate2, exact));
    PxImage(source).RotateLeft(&exact);
    ASSERT_TRUE(PxImage(source).Rotate2(-90, &viaRotate2, PxImage::Bicubic2));
    EXPECT_TRUE(testimages::SamePixels(viaRotate2, exact));
    PxImage(source).Rotate180(&exact);
    ASSERT_TRUE(PxImage(source).Rotate2(180, &viaRotate2, PxImage::Bicubic2));
    EXPECT_TRUE(testimages::SamePixels(viaRotate2, exact));
}

TEST(Rotate2, TinyAngleLeavesPictureAndFortyFiveDegreesGrowIt)
{
    const PxImage source = testimages::Random(100, 100, 24, false, 6);
    PxImage same;
    ASSERT_TRUE(PxImage(source).Rotate2(0.1f, &same));
    EXPECT_TRUE(testimages::SamePixels(same, source));

    PxImage turned;
    ASSERT_TRUE(PxImage(source).Rotate2(45, &turned, PxImage::Bicubic2, PxImage::OverflowBackground));
    EXPECT_EQ(turned.GetWidth(), 141u);
    EXPECT_EQ(turned.GetHeight(), 141u);
    for (auto [x, y] : {std::pair{0, 0}, {140, 0}, {0, 140}, {140, 140}})
        EXPECT_EQ(turned.GetPixelColor(x, y, false), (RGBQUAD{255, 255, 255, 0}));
}

TEST(Rotate2, TransparentCornersWithAlphaPlane)
{
    PxImage source(40, 30, 24, 0);
    source.Clear(0);
    source.AlphaCreate();
    const RGBQUAD white{255, 255, 255, 0};
    ASSERT_TRUE(source.Rotate2(30, nullptr, PxImage::Bicubic2, PxImage::OverflowBackground, &white));
    const int w = int(source.GetWidth()), h = int(source.GetHeight());
    EXPECT_EQ(source.AlphaGet(0, 0), 0);
    EXPECT_EQ(source.AlphaGet(w - 1, h - 1), 0);
    EXPECT_EQ(source.GetPixelColor(0, 0, false).rgbRed, 255);
    EXPECT_GE(source.AlphaGet(w / 2, h / 2), 254);  // weights sum to 1 only within float rounding
    EXPECT_EQ(source.GetPixelColor(w / 2, h / 2, false).rgbRed, 0);
}

TEST(Rotate2, KeepSizeTurnsAboutTheCentre)
{
    // An odd square turned by a quarter with keep-size maps the centre onto
    // itself and moves the picture like RotateRight.
    const PxImage source = testimages::Random(9, 9, 24, false, 8);
    PxImage kept, exact;
    ASSERT_TRUE(PxImage(source).Rotate2(90, &kept, PxImage::NearestNeighbour, PxImage::OverflowColor, nullptr, true, true));
    PxImage(source).RotateRight(&exact);
    EXPECT_TRUE(testimages::SamePixels(kept, exact));
}

TEST(Rotate2, EscapeDeliversPartialResult)
{
    PxImage source = testimages::Random(20, 20, 24, false, 9);
    source.info.escape = 1;
    ASSERT_TRUE(source.Rotate2(30));
    EXPECT_GT(source.GetWidth(), 20u);
}

TEST(Resample, FastModeTakesEverySecondPixel)
{
    const PxImage source = testimages::Random(10, 6, 24, true, 10);
    PxImage half;
    ASSERT_TRUE(PxImage(source).Resample(5, 3, 1, &half));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(half.GetPixelColor(x, y), source.GetPixelColor(2 * x, 2 * y));
}

// The scale is a float (10 to 12: 0.833333313), the product double: column 6
// takes 6 x xs = 4.99999988, source column 4 (5 in single precision).
TEST(Resample, FastModeFormsTheSourceColumnInDouble)
{
    PxImage source(10, 1, 24, 0);
    for (int x = 0; x < 10; ++x)
        source.SetPixelColor(x, 0, {BYTE(20 * x), 0, 0, 0});
    PxImage wider;
    ASSERT_TRUE(PxImage(source).Resample(12, 1, 1, &wider));
    EXPECT_EQ(wider.GetPixelColor(6, 0).rgbBlue, 80);
    EXPECT_EQ(wider.GetPixelColor(7, 0).rgbBlue, 100);
}

TEST(Resample, OtherModesAgreeOnFlatPictures)
{
    PxImage flat(12, 9, 24, 0);
    flat.Clear(0x80);
    for (int mode : {2, 3})
        for (auto [w, h] : {std::pair{5, 4}, {30, 20}}) {
            PxImage out;
            ASSERT_TRUE(PxImage(flat).Resample(w, h, mode, &out));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_NEAR(out.GetPixelColor(x, y, false).rgbGreen, 0x80, 1) << "mode " << mode;
        }
}

TEST(Resample, SameSizeCopiesAndZeroSizeFails)
{
    PxImage source = testimages::Random(4, 4, 8, false, 11);
    PxImage copy;
    EXPECT_TRUE(source.Resample2(4, 4, PxImage::Bicubic, PxImage::OverflowRepeat, &copy));
    EXPECT_TRUE(testimages::SamePixels(copy, source));
    EXPECT_FALSE(source.Resample(0, 4));
    EXPECT_FALSE(source.Resample2(4, 0));
    EXPECT_TRUE(source.IsValid());
}

}  // namespace

namespace {

// Corners, a single pixel, the middle and the whole of a result.
std::vector<PxWindow> PartsOf(std::int32_t width, std::int32_t height)
{
    return {{0, 0, width, height},
            {0, 0, 1, 1},
            {width - 1, height - 1, 1, 1},
            {width - std::min(width, 5), 0, std::min(width, 5), std::min(height, 3)},
            {width / 3, height / 4, std::max(1, width / 2), std::max(1, height / 2)}};
}

}  // namespace

TEST(Resample, PartsAreTheWholeResultCut)
{
    const PxImage sources[] = {testimages::Random(23, 17, 24, false, 41), testimages::Random(23, 17, 24, true, 42),
                               testimages::Random(23, 17, 8, false, 43)};
    // Larger, smaller, larger one way and smaller the other, the same size.
    const std::pair<int, int> sizes[] = {{61, 40}, {9, 7}, {50, 6}, {23, 17}};
    for (const PxImage& source : sources)
        for (const auto [w, h] : sizes)
            for (const PxWindow& part : PartsOf(w, h)) {
                for (int mode : {1, 2, 3}) {
                    PxImage whole, piece;
                    ASSERT_TRUE(PxImage(source).Resample(w, h, mode, &whole));
                    ASSERT_TRUE(PxImage(source).Resample(w, h, mode, &piece, &part));
                    ASSERT_TRUE(testimages::SamePixels(piece, testimages::Cut(whole, part)))
                        << "mode " << mode << " to " << w << "x" << h << " part at " << part.x << "," << part.y;
                }
                for (auto im : {PxImage::Bicubic, PxImage::Bicubic2, PxImage::NearestNeighbour, PxImage::Bilinear,
                                PxImage::Lanczos})
                    for (bool disable : {false, true}) {
                        PxImage whole, piece;
                        ASSERT_TRUE(PxImage(source).Resample2(w, h, im, PxImage::OverflowRepeat, &whole, disable));
                        ASSERT_TRUE(PxImage(source).Resample2(w, h, im, PxImage::OverflowRepeat, &piece, disable,
                                                              true, &part));
                        ASSERT_TRUE(testimages::SamePixels(piece, testimages::Cut(whole, part)))
                            << "method " << im << (disable ? " without averaging" : "") << " to " << w << "x" << h
                            << " part at " << part.x << "," << part.y << " bpp " << source.GetBpp();
                    }
            }
    PxImage source = testimages::Random(8, 8, 24, false, 44), out;
    const PxWindow beyond{3, 3, 6, 2};
    EXPECT_FALSE(source.Resample(8, 5, 1, &out, &beyond));
    EXPECT_FALSE(source.Resample2(8, 5, PxImage::Bicubic, PxImage::OverflowRepeat, &out, false, false, &beyond));
}

TEST(Rotate2, PartsTurnedFromThePixelsTheyReadAreTheWholeResultCut)
{
    const std::int32_t width = 37, height = 23;
    const RGBQUAD fill{255, 255, 255, 0};
    for (const auto [bpp, withAlpha] : {std::pair{24u, false}, {24u, true}, {8u, false}}) {
        const PxImage source = testimages::Random(width, height, bpp, withAlpha, 45);
        for (float angle : {7.5f, -33.0f, 45.0f, 90.0f, -90.0f, 180.0f, 360.0f, 123.4f})
            for (auto im : {PxImage::NearestNeighbour, PxImage::Bilinear, PxImage::Bicubic2, PxImage::Lanczos}) {
                PxImage whole;
                ASSERT_TRUE(PxImage(source).Rotate2(angle, &whole, im, PxImage::OverflowBackground, &fill));
                std::int32_t w = 0, h = 0;
                ASSERT_TRUE(PxImage::Rotate2Size(angle, width, height, true, w, h));
                ASSERT_EQ(w, std::int32_t(whole.GetWidth()));
                ASSERT_EQ(h, std::int32_t(whole.GetHeight()));
                for (const PxWindow& part : PartsOf(w, h)) {
                    // Only the pixels read are at hand; one at least, which the
                    // corners of a turned picture, reading none, take their colour from.
                    const PxWindow reads = PxImage::Rotate2Reads(angle, width, height, im, true, part);
                    const PxWindow held = reads.IsEmpty() ? PxWindow{0, 0, 1, 1} : reads;
                    PxImage pixels = testimages::Cut(source, held), turned;
                    ASSERT_TRUE(pixels.Rotate2Part(angle, width, height, held, part, &turned, im,
                                                   PxImage::OverflowBackground, &fill, true, true));
                    ASSERT_TRUE(testimages::SamePixels(turned, testimages::Cut(whole, part)))
                        << "angle " << angle << " method " << im << " part at " << part.x << "," << part.y << " "
                        << part.width << "x" << part.height << " bpp " << bpp << (withAlpha ? " with alpha" : "");
                }
            }
    }
    // Pixels the part reads that are not at hand, or an overflow method
    // that reads anywhere, are refused.
    const PxImage source = testimages::Random(width, height, 24, false, 46);
    const PxWindow part{10, 10, 8, 8};
    const PxWindow reads = PxImage::Rotate2Reads(20, width, height, PxImage::Bicubic2, true, part);
    ASSERT_GT(reads.width, 1);
    const PxWindow short1{reads.x + 1, reads.y, reads.width - 1, reads.height};
    PxImage pixels = testimages::Cut(source, short1), turned;
    EXPECT_FALSE(pixels.Rotate2Part(20, width, height, short1, part, &turned, PxImage::Bicubic2));
    pixels = testimages::Cut(source, reads);
    EXPECT_FALSE(pixels.Rotate2Part(20, width, height, reads, part, &turned, PxImage::Bicubic2, PxImage::OverflowRepeat));
    EXPECT_TRUE(pixels.Rotate2Part(20, width, height, reads, part, &turned, PxImage::Bicubic2));
}
