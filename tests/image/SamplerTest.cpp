#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "image/PxImage.h"
#include "image/SamplerMath.h"
#include "tests/image/ReferenceSampler.h"
#include "tests/image/TestImages.h"

namespace {

constexpr RGBQUAD kRed{0, 0, 255, 0};

TEST(Overflow, EachMethodOutsideThePicture)
{
    PxImage image(4, 3, 24, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            image.SetPixelColor(x, y, {std::uint8_t(x), std::uint8_t(y), 0, 0});
    auto at = [&](int x, int y, PxImage::OverflowMethod om, const RGBQUAD* repl = nullptr) {
        return image.GetPixelColorWithOverflow(x, y, om, repl);
    };
    EXPECT_EQ(at(-1, 0, PxImage::OverflowColor, &kRed), kRed);
    EXPECT_EQ(at(-1, 0, PxImage::OverflowColor), kReplacementWhite);
    EXPECT_EQ(at(-1, 0, PxImage::OverflowMethod(42), &kRed), kRed);  // unknown: as OverflowColor
    EXPECT_EQ(at(-1, 0, PxImage::OverflowBackground, &kRed), kRed);
    EXPECT_EQ(at(5, 1, PxImage::OverflowWrap), (RGBQUAD{1, 1, 0, 0}));
    EXPECT_EQ(at(-1, -1, PxImage::OverflowWrap), (RGBQUAD{3, 2, 0, 0}));
    EXPECT_EQ(at(-10, 7, PxImage::OverflowRepeat), (RGBQUAD{0, 2, 0, 0}));
    EXPECT_EQ(at(-1, 1, PxImage::OverflowMirror), (RGBQUAD{1, 1, 0, 0}));
    EXPECT_EQ(at(4, 3, PxImage::OverflowMirror), (RGBQUAD{3, 2, 0, 0}));
    EXPECT_EQ(at(6, 1, PxImage::OverflowMirror), (RGBQUAD{1, 1, 0, 0}));

    image.SetTransIndex(0);
    image.SetTransColor({9, 8, 7, 0});
    EXPECT_EQ(at(-1, 0, PxImage::OverflowBackground, &kRed), (RGBQUAD{9, 8, 7, 0}));
    EXPECT_EQ(at(-1, 0, PxImage::OverflowTransparent, &kRed), (RGBQUAD{9, 8, 7, 0}));
    image.AlphaCreate();
    EXPECT_EQ(at(-1, 0, PxImage::OverflowTransparent, &kRed), kRed);  // red with alpha 0
    EXPECT_EQ(at(1, 0, PxImage::OverflowColor).rgbReserved, 255);   // inside: the alpha byte

    PxImage indexed(2, 2, 8, 0);
    indexed.SetPaletteColor(3, {1, 2, 3, 4});
    indexed.SetTransIndex(3);
    EXPECT_EQ(indexed.GetPixelColorWithOverflow(-1, 0, PxImage::OverflowBackground, &kRed), (RGBQUAD{1, 2, 3, 4}));
}

TEST(Overflow, FloatCoordinates)
{
    PxImage image(10, 4, 24, 0);
    float x = -2.5f, y = 5.5f;
    image.OverflowCoordinates(x, y, PxImage::OverflowWrap);
    EXPECT_FLOAT_EQ(x, 7.5f);
    EXPECT_FLOAT_EQ(y, 1.5f);
    x = 12.0f, y = -0.25f;
    image.OverflowCoordinates(x, y, PxImage::OverflowRepeat);
    EXPECT_FLOAT_EQ(x, 9.0f);
    EXPECT_FLOAT_EQ(y, 0.0f);
    x = -3.0f, y = 4.5f;
    image.OverflowCoordinates(x, y, PxImage::OverflowMirror);
    EXPECT_FLOAT_EQ(x, 3.0f);
    EXPECT_FLOAT_EQ(y, 2.5f);
    x = 3.5f, y = 1.0f;
    image.OverflowCoordinates(x, y, PxImage::OverflowColor);
    EXPECT_FLOAT_EQ(x, 3.5f);
}

TEST(Sampler, PixelCentresAndFarPoints)
{
    const PxImage image = testimages::Random(6, 5, 24, true, 3);
    const RGBQUAD centre = image.GetPixelColor(2, 3);
    EXPECT_EQ(image.GetPixelColorInterpolated(2, 3, PxImage::Bilinear), centre);
    EXPECT_EQ(image.GetPixelColorInterpolated(2, 3, PxImage::Bicubic), centre);
    EXPECT_EQ(image.GetPixelColorInterpolated(2.4f, 2.6f, PxImage::NearestNeighbour), centre);
    EXPECT_EQ(image.GetPixelColorInterpolated(-10, -10, PxImage::Bicubic, PxImage::OverflowRepeat),
              image.GetPixelColor(0, 0));
    EXPECT_EQ(image.GetPixelColorInterpolated(-10, -10, PxImage::Bilinear, PxImage::OverflowColor, &kRed), kRed);
    EXPECT_EQ(image.GetPixelColorInterpolated(-10, -10, PxImage::Lanczos, PxImage::OverflowColor), kReplacementWhite);
}

// The four-lane cubic against the kernel lane by lane, bit for bit: lanes on
// one piece, on different pieces, and on the pieces' ends.
TEST(Kernel, GeneralizedCubicLanesEqualsScalar)
{
    std::vector<float> values = {0.0f, -0.0f, 1.0f, -1.0f, 2.0f, -2.0f, 3.0f, 1e-40f, -5e-39f, 1e30f};
    for (float v : {1.0f, 2.0f, -1.0f, -2.0f}) {
        values.push_back(std::nextafter(v, 0.0f));
        values.push_back(std::nextafter(v, 10.0f * v));
    }
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> spread(-2.5f, 2.5f);
    for (int n = 0; n < 200; ++n)
        values.push_back(spread(rng));
    const float ps[] = {-0.5f, -0.75f};
    for (float p : ps)
        for (std::size_t i = 0; i + 3 < values.size(); ++i) {
            // Neighbours and lanes far apart, so that both pieces meet in one call.
            const std::size_t j = (i * 7 + 3) % values.size();
            const pximage::detail::Lanes t = {values[i], values[i + 1], values[j], values[i + 3]};
            const pximage::detail::Lanes w = pximage::detail::GeneralizedCubicLanes(t, p);
            for (int k = 0; k < 4; ++k) {
                const float expected = PxImage::KernelGeneralizedCubic(t[k], p), got = w[k];
                ASSERT_EQ(std::memcmp(&got, &expected, sizeof expected), 0) << "t " << t[k] << " p " << p;
            }
        }
}

struct SamplerCase {
    std::uint32_t width, height, bpp;
    bool alpha;
};

class SamplerIdentity : public testing::TestWithParam<SamplerCase> {};

// The sampler's direct reads, fixed-point bilinear and mapped windows against
// the per-tap definition, for every method and overflow rule, at points
// inside, on the edges and well outside.
TEST_P(SamplerIdentity, MatchesReferenceEverywhere)
{
    const SamplerCase c = GetParam();
    PxImage image = testimages::Random(c.width, c.height, c.bpp, c.alpha, 7);
    if (image.IsIndexed())
        image.SetTransIndex(1);
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> xs(-3.0f - c.width, 2.0f * c.width + 3.0f);
    std::uniform_real_distribution<float> ys(-3.0f - c.height, 2.0f * c.height + 3.0f);
    for (int im = 0; im <= 17; ++im)
        for (int om = 0; om <= 7; ++om) {
            const auto method = PxImage::InterpolationMethod(im);
            const auto overflow = PxImage::OverflowMethod(om);
            for (int n = 0; n < 60; ++n) {
                const float x = n < 4 ? float(n) : xs(rng), y = n < 4 ? float(n % 2) : ys(rng);
                const RGBQUAD expected = reference::Sample(image, x, y, im, overflow, &kRed);
                ASSERT_EQ(image.GetPixelColorInterpolated(x, y, method, overflow, &kRed), expected)
                    << "method " << im << " overflow " << om << " at " << x << "," << y;
                const float w = 0.5f + float(n % 5), h = 0.75f + float(n % 3);
                ASSERT_EQ(image.GetAreaColorInterpolated(x, y, w, h, method, overflow, &kRed),
                          reference::Area(image, x, y, w, h, im, overflow, &kRed))
                    << "area " << w << "x" << h << " method " << im << " overflow " << om;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Pictures, SamplerIdentity,
                         testing::Values(SamplerCase{1, 1, 24, false}, SamplerCase{7, 5, 24, false},
                                         SamplerCase{7, 5, 24, true}, SamplerCase{30, 29, 24, true},
                                         SamplerCase{9, 4, 8, true}, SamplerCase{16, 16, 8, false},
                                         SamplerCase{11, 3, 1, false}, SamplerCase{5, 6, 4, true}),
                         [](const auto& info) {
                             const auto& p = info.param;
                             return std::to_string(p.width) + "x" + std::to_string(p.height) + "_" +
                                    std::to_string(p.bpp) + "bpp" + (p.alpha ? "_alpha" : "");
                         });

}  // namespace
