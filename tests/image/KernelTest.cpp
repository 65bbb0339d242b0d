#include <gtest/gtest.h>

#include <cmath>

#include "image/PxImage.h"

namespace {

TEST(Kernels, KnownValues)
{
    EXPECT_FLOAT_EQ(PxImage::KernelCubic(0.0f), 1.0f);
    EXPECT_FLOAT_EQ(PxImage::KernelCubic(1.0f), 0.0f);
    EXPECT_FLOAT_EQ(PxImage::KernelCubic(0.5f), 0.625f);
    EXPECT_FLOAT_EQ(PxImage::KernelCubic(-1.5f), PxImage::KernelCubic(1.5f));
    EXPECT_EQ(PxImage::KernelCubic(2.0f), 0.0f);
    // (8 - 4) x 0.16666667f, rounded to single precision.
    EXPECT_EQ(PxImage::KernelBSpline(0.0f), float(4.0 * double(0.16666667f)));
    EXPECT_EQ(PxImage::KernelBSpline(2.5f), 0.0f);
    EXPECT_EQ(PxImage::KernelBSpline(-2.5f), 0.0f);
    EXPECT_FLOAT_EQ(PxImage::KernelCatrom(0.5f), 0.5625f);
    EXPECT_FLOAT_EQ(PxImage::KernelGeneralizedCubic(0.0f, -0.5f), 1.0f);
    EXPECT_FLOAT_EQ(PxImage::KernelGeneralizedCubic(1.0f, -0.5f), 0.0f);
    EXPECT_EQ(PxImage::KernelBessel(0.0f), 0.7853982f);
    EXPECT_EQ(PxImage::KernelSinc(0.0f), 1.0f);
    EXPECT_EQ(PxImage::KernelLanczosSinc(0.0f, 6.0f), 1.0f);
    EXPECT_EQ(PxImage::KernelLanczosSinc(6.5f, 6.0f), 0.0f);
    EXPECT_EQ(PxImage::KernelGaussian(0.0f), 0.7978846f);
    EXPECT_FLOAT_EQ(PxImage::KernelQuadratic(0.0f), 0.75f);
    EXPECT_FLOAT_EQ(PxImage::KernelHermite(0.5f), 0.5f);
    EXPECT_FLOAT_EQ(PxImage::KernelMitchell(0.0f), 0.8888889f);
    EXPECT_FLOAT_EQ(PxImage::KernelBlackman(0.0f), 1.0f);
}

TEST(Kernels, BoxAndLinearAreHalfOpen)
{
    EXPECT_EQ(PxImage::KernelBox(-0.5f), 1.0f);
    EXPECT_EQ(PxImage::KernelBox(0.5f), 0.0f);
    EXPECT_EQ(PxImage::KernelLinear(-1.0f), 0.0f);
    EXPECT_EQ(PxImage::KernelLinear(-0.25f), 0.75f);
    EXPECT_EQ(PxImage::KernelLinear(1.0f), 0.0f);
}

// Interpolating kernels sum to about one over the integer lattice, whatever
// the fractional offset; a wrong sign or constant breaks this.
TEST(Kernels, PartitionOfUnity)
{
    using Kernel = float (*)(float);
    const Kernel kernels[] = {PxImage::KernelCubic, PxImage::KernelBSpline, PxImage::KernelCatrom,
                              PxImage::KernelMitchell, PxImage::KernelQuadratic, PxImage::KernelHermite,
                              PxImage::KernelBox};
    for (Kernel k : kernels)
        for (float t = 0.0f; t < 1.0f; t += 0.125f) {
            double sum = 0;
            for (int i = -3; i <= 3; ++i)
                sum += k(float(i) - t);
            EXPECT_NEAR(sum, 1.0, 1e-5) << "offset " << t;
        }
}

TEST(Kernels, BesselMatchesSeries)
{
    // J1(z) = z/2 - z^3/16 + z^5/384 - ...
    const double z = 3.1415927f * 0.25;
    const double series = z / 2 - z * z * z / 16 + std::pow(z, 5) / 384 - std::pow(z, 7) / 18432;
    EXPECT_NEAR(PxImage::KernelBessel(0.25f), series / 0.5, 1e-6);
}

}  // namespace
