// PxImage: the pixel sampler. Colours between pixel centres by one of the
// interpolation methods, samples outside the picture by one of the overflow
// methods, and the area averager used when shrinking.
#include <cmath>

#include "image/PxGeometry.h"
#include "image/PxImage.h"
#include "image/SamplerMath.h"

using namespace pximage::detail;

namespace {

float Bicubic2Weight(float x)
{
    return PxImage::KernelGeneralizedCubic(x, -0.5f);
}

float LanczosWeight(float x)
{
    return PxImage::KernelLanczosSinc(x, 6.0f);
}

}  // namespace

namespace pximage::detail {

bool MapsOutside(int om)
{
    return om == PxImage::OverflowWrap || om == PxImage::OverflowRepeat || om == PxImage::OverflowMirror;
}

std::int32_t OverflowIndex(std::int32_t v, std::int64_t size, int om)
{
    const std::int64_t value = v;
    switch (om) {
    case PxImage::OverflowWrap: {
        const std::int64_t r = value % size;
        return std::int32_t(r < 0 ? r + size : r);
    }
    case PxImage::OverflowRepeat:
        return std::int32_t(std::clamp<std::int64_t>(value, 0, size - 1));
    case PxImage::OverflowMirror:
        if (value < 0)
            return std::int32_t((-value) % size);
        if (value >= size)
            return std::int32_t(size - (value % size) - 1);
        return v;
    default:
        return v;
    }
}

bool KernelWindowFor(int method, KernelWindow& window)
{
    window = KernelWindow{};
    switch (method) {
    case PxImage::BSpline: window.weight = PxImage::KernelBSpline; break;
    case PxImage::Bicubic: window.weight = PxImage::KernelCubic; break;
    case PxImage::Bicubic2: window.weight = Bicubic2Weight; break;
    case PxImage::Lanczos:
        window.weight = LanczosWeight;
        window.before = 5;
        window.size = 12;
        break;
    case PxImage::Box: window.weight = PxImage::KernelBox; break;
    case PxImage::Hermite: window.weight = PxImage::KernelHermite; break;
    case PxImage::Hamming: window.weight = PxImage::KernelHamming; break;
    case PxImage::Sinc: window.weight = PxImage::KernelSinc; break;
    case PxImage::Blackman: window.weight = PxImage::KernelBlackman; break;
    case PxImage::Bessel: window.weight = PxImage::KernelBessel; break;
    case PxImage::Gaussian: window.weight = PxImage::KernelGaussian; break;
    case PxImage::Quadratic: window.weight = PxImage::KernelQuadratic; break;
    case PxImage::Mitchell: window.weight = PxImage::KernelMitchell; break;
    case PxImage::Catrom: window.weight = PxImage::KernelCatrom; break;
    default: return false;
    }
    return true;
}

}  // namespace pximage::detail

RGBQUAD PxImage::OverflowColorFor(OverflowMethod om, const RGBQUAD* replacement) const
{
    RGBQUAD color = replacement ? *replacement : kReplacementWhite;
    switch (om) {
    case OverflowBackground:
        if (info.transIndex == -1)
            return color;
        return IsIndexed() ? GetPaletteColor(std::uint8_t(info.transIndex)) : info.transColor;
    case OverflowTransparent:
        if (alpha) {
            color.rgbReserved = 0;
            return color;
        }
        return info.transIndex >= 0 ? GetTransColor() : color;
    default:
        return color;
    }
}

void PxImage::OverflowCoordinates(std::int32_t& x, std::int32_t& y, OverflowMethod om) const
{
    if (!dib)
        return;
    x = OverflowIndex(x, GetWidth(), om);
    y = OverflowIndex(y, GetHeight(), om);
}

void PxImage::OverflowCoordinates(float& x, float& y, OverflowMethod om) const
{
    if (!dib)
        return;
    auto map = [om](float& v, float size) {
        switch (om) {
        case OverflowWrap:
            v = std::fmod(v, size);
            if (v < 0)
                v += size;
            break;
        case OverflowRepeat:
            v = std::min(std::max(v, 0.0f), size - 1.0f);
            break;
        case OverflowMirror:
            if (v < 0)
                v = std::fmod(-v, size);
            else if (v >= size)
                v = size - std::fmod(v, size) - 1.0f;
            break;
        default:
            break;
        }
    };
    map(x, float(GetWidth()));
    map(y, float(GetHeight()));
}

RGBQUAD PxImage::GetPixelColorWithOverflow(std::int32_t x, std::int32_t y, OverflowMethod om,
                                           const RGBQUAD* replacement) const
{
    if (!IsInside(x, y)) {
        if (!dib || !MapsOutside(om))
            return OverflowColorFor(om, replacement);
        OverflowCoordinates(x, y, om);
    }
    if (IsIndexed())
        return GetPaletteColor(GetPixelIndex(x, y));
    return Direct24(*this)(x, y);
}

RGBQUAD PxImage::GetPixelColorInterpolated(float x, float y, InterpolationMethod im, OverflowMethod om,
                                           const RGBQUAD* replacement) const
{
    if (!dib)
        return OverflowColorFor(om, replacement);
    if (im == NearestNeighbour)
        return GetPixelColorWithOverflow(TruncSat(x + 0.5f), TruncSat(y + 0.5f), om, replacement);

    const std::int32_t width = std::int32_t(GetWidth());
    const std::int32_t height = std::int32_t(GetHeight());
    std::int32_t xi = BaseIndex(x);
    std::int32_t yi = BaseIndex(y);
    auto withOverflow = [&](std::int32_t px, std::int32_t py) {
        return GetPixelColorWithOverflow(px, py, om, replacement);
    };

    KernelWindow window;
    if (KernelWindowFor(im, window)) {
        const std::int32_t after = window.size - window.before - 1;
        if (xi + after < 0 || xi - window.before >= width || yi + after < 0 || yi - window.before >= height) {
            if (!MapsOutside(om))
                return OverflowColorFor(om, replacement);
            OverflowCoordinates(x, y, om);
            xi = BaseIndex(x);
            yi = BaseIndex(y);
        }
        float wx[kMaxWindow], wy[kMaxWindow];
        KernelWeights(window, x, xi, wx);
        KernelWeights(window, y, yi, wy);
        const std::int32_t x0 = xi - window.before;
        const std::int32_t y0 = yi - window.before;
        const bool inside = x0 >= 0 && xi + after < width && y0 >= 0 && yi + after < height;
        if (inside && !IsIndexed())
            return window.size == 4 ? SumWindowDirect<4>(Direct24(*this), x0, y0, wx, wy, alpha != nullptr)
                                    : SumWindowDirect<kMaxWindow>(Direct24(*this), x0, y0, wx, wy, alpha != nullptr);
        return SumWindow(x0, y0, window.size, wx, wy, alpha != nullptr, withOverflow);
    }

    // Bilinear, also for unknown methods.
    if (xi < -1 || xi >= width || yi < -1 || yi >= height) {
        if (!MapsOutside(om))
            return OverflowColorFor(om, replacement);
        OverflowCoordinates(x, y, om);
        xi = BaseIndex(x);
        yi = BaseIndex(y);
    }
    if (xi >= 0 && xi + 1 < width && yi >= 0 && yi + 1 < height && !IsIndexed())
        return BilinearFixed(Direct24(*this), xi, yi, FixedFraction(x, xi), FixedFraction(y, yi));
    return BilinearFetched(x, y, xi, yi, alpha != nullptr, withOverflow);
}

RGBQUAD PxImage::GetAreaColorInterpolated(float xc, float yc, float width, float height, InterpolationMethod im,
                                          OverflowMethod om, const RGBQUAD* replacement) const
{
    if (width <= 1 && height <= 1)
        return GetPixelColorInterpolated(xc, yc, im, om, replacement);

    const PxRect2 area(xc - width / 2, yc - height / 2, xc + width / 2, yc + height / 2);
    if (width > 1 && height > 1) {
        AreaSpan xs = SpanOf(area.botLeft.x, area.topRight.x);
        AreaSpan ys = SpanOf(area.botLeft.y, area.topRight.y);
        EmptyCornersCouple(xs, ys);
        return AreaSum(xs, ys, area.Surface(), alpha != nullptr, [&](std::int32_t x, std::int32_t y) {
            return GetPixelColorWithOverflow(x, y, om, replacement);
        });
    }

    // Stretched in one direction only: sample each covered piece at its centre.
    const std::int32_t x1 = TruncSat(area.botLeft.x + 0.5f), x2 = TruncSat(area.topRight.x + 0.5f);
    const std::int32_t y1 = TruncSat(area.botLeft.y + 0.5f), y2 = TruncSat(area.topRight.y + 0.5f);
    float r = 0, g = 0, b = 0, a = 0;
    for (std::int32_t y = y1; y <= y2; ++y) {
        for (std::int32_t x = x1; x <= x2; ++x) {
            const PxRect2 piece = area.CrossSection(PxRect2(float(x) - 0.5f, float(y) - 0.5f,
                                                            float(x) + 0.5f, float(y) + 0.5f));
            const float w = piece.Surface();
            const PxPoint2 centre = piece.Center();
            const RGBQUAD c = GetPixelColorInterpolated(centre.x, centre.y, im, om, replacement);
            b += w * c.rgbBlue;
            g += w * c.rgbGreen;
            r += w * c.rgbRed;
            a += w * c.rgbReserved;
        }
    }
    const float surface = area.Surface();
    return {ClampByte(b / surface), ClampByte(g / surface), ClampByte(r / surface),
            alpha ? ClampByte(a / surface) : std::uint8_t(0)};
}
