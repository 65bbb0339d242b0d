// Straightforward forms of the sampler and the area averager, written from
// their per-pixel definitions: every tap goes through
// GetPixelColorWithOverflow and nothing is precomputed. The library's fast
// paths must match these bit for bit.
#pragma once

#include <cmath>

#include "image/PxGeometry.h"
#include "image/PxImage.h"

namespace reference {

inline int BaseIndex(float v)
{
    return int(v) - (v < 0 ? 1 : 0);
}

inline std::uint8_t Clamp(float v)
{
    if (v < 0)
        return 0;
    if (v > 255)
        return 255;
    return std::uint8_t(v);
}

inline bool MapsOutside(PxImage::OverflowMethod om)
{
    return om >= PxImage::OverflowWrap && om <= PxImage::OverflowMirror;
}

// Kernel of a method and its window (columns index - before ... index + after).
inline bool Kernel(int im, float t, float& weight, int& before, int& after)
{
    before = 1;
    after = 2;
    switch (im) {
    case PxImage::BSpline: weight = PxImage::KernelBSpline(t); return true;
    case PxImage::Bicubic: weight = PxImage::KernelCubic(t); return true;
    case PxImage::Bicubic2: weight = PxImage::KernelGeneralizedCubic(t, -0.5f); return true;
    case PxImage::Lanczos:
        before = 5;
        after = 6;
        weight = PxImage::KernelLanczosSinc(t, 6.0f);
        return true;
    case PxImage::Box: weight = PxImage::KernelBox(t); return true;
    case PxImage::Hermite: weight = PxImage::KernelHermite(t); return true;
    case PxImage::Hamming: weight = PxImage::KernelHamming(t); return true;
    case PxImage::Sinc: weight = PxImage::KernelSinc(t); return true;
    case PxImage::Blackman: weight = PxImage::KernelBlackman(t); return true;
    case PxImage::Bessel: weight = PxImage::KernelBessel(t); return true;
    case PxImage::Gaussian: weight = PxImage::KernelGaussian(t); return true;
    case PxImage::Quadratic: weight = PxImage::KernelQuadratic(t); return true;
    case PxImage::Mitchell: weight = PxImage::KernelMitchell(t); return true;
    case PxImage::Catrom: weight = PxImage::KernelCatrom(t); return true;
    default: return false;
    }
}

inline RGBQUAD Sample(const PxImage& img, float x, float y, int im, PxImage::OverflowMethod om,
                      const RGBQUAD* repl)
{
    const int w = int(img.GetWidth()), h = int(img.GetHeight());
    const bool hasAlpha = img.AlphaIsValid();
    auto at = [&](int px, int py) { return img.GetPixelColorWithOverflow(px, py, om, repl); };
    auto far = [&] { return at(-1000000, -1000000); };

    if (im == PxImage::NearestNeighbour)
        return at(int(x + 0.5f), int(y + 0.5f));

    int xi = BaseIndex(x), yi = BaseIndex(y);
    float unused;
    int before, after;
    if (Kernel(im, 0.0f, unused, before, after)) {
        if (xi + after < 0 || xi - before >= w || yi + after < 0 || yi - before >= h) {
            if (!MapsOutside(om))
                return far();
            img.OverflowCoordinates(x, y, om);
            xi = BaseIndex(x);
            yi = BaseIndex(y);
        }
        float r = 0, g = 0, b = 0, a = 0;
        for (int j = yi - before; j <= yi + after; ++j)
            for (int i = xi - before; i <= xi + after; ++i) {
                float wx, wy;
                Kernel(im, float(i) - x, wx, before, after);
                Kernel(im, float(j) - y, wy, before, after);
                const float weight = wx * wy;
                const RGBQUAD c = at(i, j);
                b += weight * c.rgbBlue;
                g += weight * c.rgbGreen;
                r += weight * c.rgbRed;
                a += weight * c.rgbReserved;
            }
        return {Clamp(b), Clamp(g), Clamp(r), hasAlpha ? Clamp(a) : std::uint8_t(0)};
    }

    if (xi < -1 || xi >= w || yi < -1 || yi >= h) {
        if (!MapsOutside(om))
            return far();
        img.OverflowCoordinates(x, y, om);
        xi = BaseIndex(x);
        yi = BaseIndex(y);
    }
    const RGBQUAD p00 = at(xi, yi), p10 = at(xi + 1, yi), p01 = at(xi, yi + 1), p11 = at(xi + 1, yi + 1);
    if (xi >= 0 && xi + 1 < w && yi >= 0 && yi + 1 < h && !img.IsIndexed()) {
        const int fx = int((x - float(xi)) * 256), fy = int((y - float(yi)) * 256);
        const int w11 = (fx * fy) >> 8, w01 = fy - w11, w10 = fx - w11, w00 = 256 - fx - fy + w11;
        auto mix = [&](std::uint8_t RGBQUAD::*c) {
            return std::uint8_t((w00 * p00.*c + w10 * p10.*c + w01 * p01.*c + w11 * p11.*c) >> 8);
        };
        return {mix(&RGBQUAD::rgbBlue), mix(&RGBQUAD::rgbGreen), mix(&RGBQUAD::rgbRed),
                hasAlpha ? mix(&RGBQUAD::rgbReserved) : std::uint8_t(0)};
    }
    const float dx = x - float(xi), dy = y - float(yi);
    const float w00 = (1 - dx) * (1 - dy), w10 = dx * (1 - dy), w01 = (1 - dx) * dy, w11 = dx * dy;
    auto mix = [&](std::uint8_t RGBQUAD::*c) {
        return Clamp(w00 * p00.*c + w10 * p10.*c + w01 * p01.*c + w11 * p11.*c);
    };
    return {mix(&RGBQUAD::rgbBlue), mix(&RGBQUAD::rgbGreen), mix(&RGBQUAD::rgbRed),
            hasAlpha ? mix(&RGBQUAD::rgbReserved) : std::uint8_t(0)};
}

inline RGBQUAD Area(const PxImage& img, float xc, float yc, float w, float h, int im,
                    PxImage::OverflowMethod om, const RGBQUAD* repl)
{
    if (w <= 1 && h <= 1)
        return Sample(img, xc, yc, im, om, repl);
    const PxRect2 area(xc - w / 2, yc - h / 2, xc + w / 2, yc + h / 2);
    const int x1 = int(area.botLeft.x + 0.5f), y1 = int(area.botLeft.y + 0.5f);
    const int x2 = int(area.topRight.x + 0.5f), y2 = int(area.topRight.y + 0.5f);
    auto square = [](int x, int y) { return PxRect2(x - 0.5f, y - 0.5f, x + 0.5f, y + 0.5f); };
    float r = 0, g = 0, b = 0, a = 0;
    auto add = [&](float weight, RGBQUAD c) {
        b += weight * c.rgbBlue;
        g += weight * c.rgbGreen;
        r += weight * c.rgbRed;
        a += weight * c.rgbReserved;
    };
    if (w > 1 && h > 1) {
        const PxRect2 first = area.CrossSection(square(x1, y1)), last = area.CrossSection(square(x2, y2));
        const float wl = first.Width(), hb = first.Height(), wr = last.Width(), ht = last.Height();
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x) {
                const float wy = y == y1 ? hb : y == y2 ? ht : 1.0f;
                const float wx = x == x1 ? wl : x == x2 ? wr : 1.0f;
                add(wy * wx, img.GetPixelColorWithOverflow(x, y, om, repl));
            }
    } else {
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x) {
                const PxRect2 piece = area.CrossSection(square(x, y));
                add(piece.Surface(), Sample(img, piece.Center().x, piece.Center().y, im, om, repl));
            }
    }
    const float s = area.Surface();
    return {Clamp(b / s), Clamp(g / s), Clamp(r / s), img.AlphaIsValid() ? Clamp(a / s) : std::uint8_t(0)};
}

}  // namespace reference
