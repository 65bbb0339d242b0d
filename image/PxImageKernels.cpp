// The interpolation kernels. Each is evaluated in double precision from a
// single-precision argument and returned in single precision. The constants
// are single-precision literals on purpose (pi, 1/6, Hamming's 0.92,
// Blackman's 0.42 and 0.08, the Gaussian's sqrt(2/pi), and Mitchell-Netravali
// with B = C = 1/3); widening them to double keeps their single values.
#include "image/PxImage.h"
#include "image/SamplerMath.h"

#include <cmath>

namespace {

constexpr double kPi = 3.1415927f;
constexpr double kTwoPi = 6.2831855f;

double PositiveCube(double base)
{
    return base > 0.0 ? base * base * base : 0.0;
}

}  // namespace

float PxImage::KernelBSpline(float x)
{
    if (x > 2.0f)
        return 0.0f;
    const double v = x;
    const double a = PositiveCube(v + 2.0);
    const double b = PositiveCube(v + 1.0);
    const double c = PositiveCube(v);
    const double d = PositiveCube(v - 1.0);
    return float((a - 4.0 * b + 6.0 * c - 4.0 * d) * double(0.16666667f));
}

float PxImage::KernelLinear(float x)
{
    const double v = x;
    if (v >= -1.0 && v < 0.0)
        return float(v + 1.0);
    if (v >= 0.0 && v < 1.0)
        return float(1.0 - v);
    return 0.0f;
}

float PxImage::KernelCubic(float x)
{
    const double a = std::fabs(double(x));
    if (a < 1.0)
        return float(1.0 - 2.0 * a * a + a * a * a);
    if (a < 2.0)
        return float(4.0 - 8.0 * a + 5.0 * a * a - a * a * a);
    return 0.0f;
}

float PxImage::KernelGeneralizedCubic(float x, float p)
{
    return pximage::detail::GeneralizedCubic(x, p);
}

float PxImage::KernelLanczosSinc(float x, float radius)
{
    const double v = x;
    const double r = radius;
    if (std::fabs(v) > r)
        return 0.0f;
    if (v == 0.0)
        return 1.0f;
    const double t = kPi * v;
    return float((std::sin(t / r) / (t / r)) * (std::sin(t) / t));
}

float PxImage::KernelBox(float x)
{
    return (x >= -0.5f && x < 0.5f) ? 1.0f : 0.0f;
}

float PxImage::KernelHermite(float x)
{
    const double v = x;
    if (v >= -1.0 && v < 0.0)
        return float(-2.0 * v * v * v - 3.0 * v * v + 1.0);
    if (v >= 0.0 && v < 1.0)
        return float(2.0 * v * v * v - 3.0 * v * v + 1.0);
    return 0.0f;
}

float PxImage::KernelHamming(float x)
{
    const double v = x;
    const double k = 0.92f;
    if (v >= -1.0 && v < 0.0)
        return float(k * (-2.0 * v * v * v - 3.0 * v * v) + 1.0);
    if (v >= 0.0 && v < 1.0)
        return float(k * (2.0 * v * v * v - 3.0 * v * v) + 1.0);
    return 0.0f;
}

float PxImage::KernelSinc(float x)
{
    if (x == 0.0f)
        return 1.0f;
    const double t = kPi * double(x);
    return float(std::sin(t) / t);
}

float PxImage::KernelBlackman(float x)
{
    const double v = x;
    return float(double(0.42f) + 0.5 * std::cos(kPi * v) + double(0.08f) * std::cos(kTwoPi * v));
}

float PxImage::KernelBessel(float x)
{
    if (x == 0.0f)
        return 0.7853982f;
    const double v = x;
    return float(::j1(kPi * v) / (2.0 * v));
}

float PxImage::KernelGaussian(float x)
{
    const double v = x;
    return float(std::exp(-2.0 * v * v) * double(0.7978846f));
}

float PxImage::KernelQuadratic(float x)
{
    const double v = x;
    if (v >= -1.5 && v < -0.5)
        return float(0.5 * (v + 1.5) * (v + 1.5));
    if (v >= -0.5 && v < 0.5)
        return float(0.75 - v * v);
    if (v >= 0.5 && v < 1.5)
        return float(0.5 * (v - 1.5) * (v - 1.5));
    return 0.0f;
}

float PxImage::KernelMitchell(float x)
{
    const double v = x;
    const double c0 = 1.7777778f, c1 = 3.3333333f, c2 = 0.3888889f, c3 = 0.8888889f, c4 = 1.1666666f;
    if (v >= -2.0 && v < -1.0)
        return float(c0 + c1 * v + 2.0 * v * v + c2 * v * v * v);
    if (v >= -1.0 && v < 0.0)
        return float(c3 - 2.0 * v * v - c4 * v * v * v);
    if (v >= 0.0 && v < 1.0)
        return float(c3 - 2.0 * v * v + c4 * v * v * v);
    if (v >= 1.0 && v < 2.0)
        return float(c0 - c1 * v + 2.0 * v * v - c2 * v * v * v);
    return 0.0f;
}

float PxImage::KernelCatrom(float x)
{
    const double v = x;
    if (v >= -2.0 && v < -1.0)
        return float(0.5 * (v * v * v + 5.0 * v * v + 8.0 * v + 4.0));
    if (v >= -1.0 && v < 0.0)
        return float(0.5 * (-3.0 * v * v * v - 5.0 * v * v + 2.0));
    if (v >= 0.0 && v < 1.0)
        return float(0.5 * (3.0 * v * v * v - 5.0 * v * v + 2.0));
    if (v >= 1.0 && v < 2.0)
        return float(0.5 * (-v * v * v + 5.0 * v * v - 8.0 * v + 4.0));
    return 0.0f;
}
