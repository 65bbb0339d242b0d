#include <gtest/gtest.h>

#include "image/PxImage.h"
#include "tests/image/TestImages.h"

namespace {

struct Shape {
    std::uint32_t width, height, bpp;
    bool alpha;
};

class OrientTest : public testing::TestWithParam<Shape> {
protected:
    PxImage Make(std::uint32_t seed) const
    {
        const Shape s = GetParam();
        return testimages::Random(s.width, s.height, s.bpp, s.alpha, seed);
    }
};

// Expects out(x, y) == in(map(x, y)) for colours and alpha.
template <typename Map>
void ExpectMapped(const PxImage& in, const PxImage& out, Map map)
{
    for (std::int32_t y = 0; y < std::int32_t(out.GetHeight()); ++y)
        for (std::int32_t x = 0; x < std::int32_t(out.GetWidth()); ++x) {
            const auto [sx, sy] = map(x, y);
            ASSERT_EQ(out.GetPixelColor(x, y), in.GetPixelColor(sx, sy)) << x << "," << y;
        }
}

TEST_P(OrientTest, FlipAndMirrorMoveWholePixelsAndUndoThemselves)
{
    const PxImage original = Make(11);
    const std::int32_t w = std::int32_t(original.GetWidth()), h = std::int32_t(original.GetHeight());
    PxImage image(original);
    ASSERT_TRUE(image.Flip());
    ExpectMapped(original, image, [h](int x, int y) { return std::pair{x, h - 1 - y}; });
    ASSERT_TRUE(image.Flip());
    EXPECT_TRUE(testimages::SamePixels(image, original));
    ASSERT_TRUE(image.Mirror());
    ExpectMapped(original, image, [w](int x, int y) { return std::pair{w - 1 - x, y}; });
    ASSERT_TRUE(image.Mirror());
    EXPECT_TRUE(testimages::SamePixels(image, original));
}

TEST_P(OrientTest, QuarterAndHalfTurns)
{
    const PxImage original = Make(12);
    const std::int32_t w = std::int32_t(original.GetWidth()), h = std::int32_t(original.GetHeight());
    PxImage right, left, half;
    ASSERT_TRUE(PxImage(original).RotateRight(&right));
    ASSERT_EQ(right.GetWidth(), original.GetHeight());
    ExpectMapped(original, right, [w](int x, int y) { return std::pair{w - 1 - y, x}; });
    ASSERT_TRUE(PxImage(original).RotateLeft(&left));
    ExpectMapped(original, left, [h](int x, int y) { return std::pair{y, h - 1 - x}; });
    PxImage source(original);
    ASSERT_TRUE(source.Rotate180(&half));
    EXPECT_TRUE(testimages::SamePixels(source, original));  // a destination leaves the source alone
    ExpectMapped(original, half, [w, h](int x, int y) { return std::pair{w - 1 - x, h - 1 - y}; });

    PxImage roundTrip(original);
    ASSERT_TRUE(roundTrip.RotateRight());
    ASSERT_TRUE(roundTrip.RotateLeft());
    EXPECT_TRUE(testimages::SamePixels(roundTrip, original));
}

INSTANTIATE_TEST_SUITE_P(Shapes, OrientTest,
                         testing::Values(Shape{1, 1, 24, false}, Shape{3, 2, 24, true}, Shape{67, 130, 24, true},
                                         Shape{13, 9, 8, true}, Shape{70, 65, 8, false}, Shape{9, 5, 4, false},
                                         Shape{33, 7, 1, true}, Shape{130, 3, 1, false}),
                         [](const auto& info) {
                             const auto& p = info.param;
                             return std::to_string(p.width) + "x" + std::to_string(p.height) + "_" +
                                    std::to_string(p.bpp) + "bpp" + (p.alpha ? "_alpha" : "");
                         });

TEST(Orient, EmptyPicturesFail)
{
    PxImage empty;
    EXPECT_FALSE(empty.Flip());
    EXPECT_FALSE(empty.Mirror());
    EXPECT_FALSE(empty.RotateLeft());
    EXPECT_FALSE(empty.RotateRight());
    EXPECT_FALSE(empty.Rotate180());
    EXPECT_FALSE(empty.Rotate2(10));
    EXPECT_FALSE(empty.Resample(2, 2));
    EXPECT_FALSE(empty.Resample2(2, 2));
}

}  // namespace
