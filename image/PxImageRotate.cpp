// PxImage: rotation by any angle about the origin, into the bounding box of
// the turned picture (or into the same size, about the centre).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "image/PxGeometry.h"
#include "image/PxImage.h"
#include "image/RowPool.h"
#include "image/SamplerMath.h"

using namespace pximage;
using namespace pximage::detail;

namespace {

// Points whose pixels all lie inside a 24-bit picture, sampled as
// GetPixelColorInterpolated samples them, reading the rows directly and
// weighing with the kernel inlined. Each returns false for other points, and
// tells those that read no pixel of the picture (Misses).
struct NearestInside {
    Direct24 px;
    std::int32_t width, height;
    bool Misses(float x, float y) const
    {
        const std::int32_t xi = TruncSat(x + 0.5f), yi = TruncSat(y + 0.5f);
        return xi < 0 || xi >= width || yi < 0 || yi >= height;
    }
    bool operator()(float x, float y, RGBQUAD& color) const
    {
        const std::int32_t xi = TruncSat(x + 0.5f), yi = TruncSat(y + 0.5f);
        if (xi < 0 || xi >= width || yi < 0 || yi >= height)
            return false;
        color = px(xi, yi);
        return true;
    }
};

struct BilinearInside {
    Direct24 px;
    std::int32_t width, height;
    bool Misses(float x, float y) const
    {
        const std::int32_t xi = BaseIndex(x), yi = BaseIndex(y);
        return xi < -1 || xi >= width || yi < -1 || yi >= height;
    }
    bool operator()(float x, float y, RGBQUAD& color) const
    {
        const std::int32_t xi = BaseIndex(x), yi = BaseIndex(y);
        if (xi < 0 || xi + 1 >= width || yi < 0 || yi + 1 >= height)
            return false;
        color = BilinearFixed(px, xi, yi, FixedFraction(x, xi), FixedFraction(y, yi));
        return true;
    }
};

// A kernel's weight for one tap, and for four lanes of taps at once.
struct Bicubic2Weight {
    float operator()(float t) const { return GeneralizedCubic(t, -0.5f); }
    Lanes operator()(Lanes t) const { return GeneralizedCubicLanes(t, -0.5f); }
};

struct WeightByPointer {
    float (*weight)(float);
    float operator()(float t) const { return weight(t); }
    Lanes operator()(Lanes t) const { return Lanes{weight(t[0]), weight(t[1]), weight(t[2]), weight(t[3])}; }
};

// Four consecutive points of a row are sampled side by side when all their
// windows lie inside.
template <std::int32_t Size, typename Weight>
struct KernelInside {
    const QuadPicture& quads;
    bool withAlpha;
    std::int32_t width, height, before;
    Weight weight;

    // The window's first column (or row) at `position`, or false outside.
    bool Start(float position, std::int32_t limit, std::int32_t& first) const
    {
        first = BaseIndex(position) - before;
        return first >= 0 && first + Size <= limit;
    }

    bool Misses(float x, float y) const
    {
        const std::int32_t x0 = BaseIndex(x) - before, y0 = BaseIndex(y) - before;
        return x0 + Size <= 0 || x0 >= width || y0 + Size <= 0 || y0 >= height;
    }

    bool operator()(float x, float y, RGBQUAD& color) const
    {
        std::int32_t x0, y0;
        if (!Start(x, width, x0) || !Start(y, height, y0))
            return false;
        float wx[1][Size], wy[1][Size];
        for (std::int32_t i = 0; i < Size; ++i) {
            wx[0][i] = weight(float(x0 + i) - x);
            wy[0][i] = weight(float(y0 + i) - y);
        }
        Lanes sum;
        SumWindowsQuads<Size, 1>(quads, &x0, &y0, wx, wy, &sum);
        color = FromLanes(sum, withAlpha);
        return true;
    }

    bool Four(const float* x, const float* y, RGBQUAD* colors) const
    {
        std::int32_t x0[4], y0[4];
        for (std::int32_t k = 0; k < 4; ++k)
            if (!Start(x[k], width, x0[k]) || !Start(y[k], height, y0[k]))
                return false;
        float wx[4][Size], wy[4][Size];
        Weights(x0, x, wx);
        Weights(y0, y, wy);
        Lanes sums[4];
        SumWindowsQuads<Size, 4>(quads, x0, y0, wx, wy, sums);
        for (std::int32_t k = 0; k < 4; ++k)
            colors[k] = FromLanes(sums[k], withAlpha);
        return true;
    }

    // weights[k][i] = weight(float(first[k] + i) - position[k]): each tap
    // for the four points at once, then turned into the points' windows.
    void Weights(const std::int32_t* first, const float* position, float (*weights)[Size]) const
    {
        const Lanes positions = {position[0], position[1], position[2], position[3]};
        for (std::int32_t i = 0; i < Size; i += 4) {
            Lanes w[4];
            for (std::int32_t n = 0; n < 4; ++n)
                w[n] = weight(Lanes{float(first[0] + i + n), float(first[1] + i + n), float(first[2] + i + n),
                                    float(first[3] + i + n)} - positions);
            const Lanes w01lo = __builtin_shufflevector(w[0], w[1], 0, 4, 1, 5);
            const Lanes w23lo = __builtin_shufflevector(w[2], w[3], 0, 4, 1, 5);
            const Lanes w01hi = __builtin_shufflevector(w[0], w[1], 2, 6, 3, 7);
            const Lanes w23hi = __builtin_shufflevector(w[2], w[3], 2, 6, 3, 7);
            const Lanes points[4] = {__builtin_shufflevector(w01lo, w23lo, 0, 1, 4, 5),
                                     __builtin_shufflevector(w01lo, w23lo, 2, 3, 6, 7),
                                     __builtin_shufflevector(w01hi, w23hi, 0, 1, 4, 5),
                                     __builtin_shufflevector(w01hi, w23hi, 2, 3, 6, 7)};
            for (std::int32_t k = 0; k < 4; ++k)
                std::memcpy(&weights[k][i], &points[k], sizeof points[k]);
        }
    }
};

// For indexed pictures: every point goes through the sampler.
struct NoneInside {
    bool Misses(float, float) const { return false; }
    bool operator()(float, float, RGBQUAD&) const { return false; }
};

// Rotate2's destination pixels: (us[x], vs[y]) turned by cosine c and sine
// s (and moved by the offsets with keepSize), then sampled.
struct TurnPlan {
    float c, s;
    std::vector<float> us, vs;
    float offsetX, offsetY;
    bool keepSize;
    PxImage::InterpolationMethod im;
    PxImage::OverflowMethod om;
    RGBQUAD fill;
};

template <typename Inside>
void TurnRowsWith(PxImage& source, PxImage& result, const TurnPlan& plan, std::int32_t first, std::int32_t end,
                  bool split, const Inside& inside)
{
    const std::int32_t newWidth = std::int32_t(result.GetWidth()), newHeight = std::int32_t(result.GetHeight());
    const bool indexed = source.IsIndexed();
    // What the sampler gives a point that reads no pixel, where the overflow
    // method does not move it into the picture: the colour of any pixel outside.
    const bool maps = MapsOutside(plan.om);
    const RGBQUAD overflow = source.GetPixelColorWithOverflow(-1, -1, plan.om, &plan.fill);
    std::vector<float> pxs(static_cast<std::size_t>(newWidth)), pys(static_cast<std::size_t>(newWidth));
    for (std::int32_t y = first; y < end && RowStarts(source, y, newHeight, split); ++y) {
        std::uint8_t* out = result.GetBits(std::uint32_t(y));
        std::uint8_t* outAlpha = result.alpha ? result.alpha + std::size_t(y) * newWidth : nullptr;
        auto store = [&](std::int32_t x, RGBQUAD color) {
            if (indexed) {
                result.SetPixelColor(x, y, color, outAlpha != nullptr);
                return;
            }
            Store24(out, outAlpha, x, color);
        };
        const float v = plan.vs[std::size_t(y)];
        for (std::size_t x = 0; x < pxs.size(); ++x) {
            const float u = plan.us[x];
            pxs[x] = u * plan.c + v * plan.s;
            pys[x] = v * plan.c - u * plan.s;
            if (plan.keepSize) {
                pxs[x] += plan.offsetX;
                pys[x] += plan.offsetY;
            }
        }
        for (std::int32_t x = 0; x < newWidth;) {
            if constexpr (requires { inside.Four(pxs.data(), pys.data(), nullptr); }) {
                RGBQUAD colors[4];
                if (x + 4 <= newWidth && inside.Four(&pxs[std::size_t(x)], &pys[std::size_t(x)], colors)) {
                    for (std::int32_t k = 0; k < 4; ++k)
                        store(x + k, colors[k]);
                    x += 4;
                    continue;
                }
            }
            RGBQUAD color;
            const float px = pxs[std::size_t(x)], py = pys[std::size_t(x)];
            if (!inside(px, py, color))
                color = !maps && inside.Misses(px, py)
                            ? overflow
                            : source.GetPixelColorInterpolated(px, py, plan.im, plan.om, &plan.fill);
            store(x, color);
            ++x;
        }
    }
}

// Turns into result with the fast reads for the method, over all cores
// when allCores and the result is large (and not indexed, whose pixels are
// set through the palette's shared look-up).
void Turn(PxImage& source, PxImage& result, const TurnPlan& plan, bool allCores)
{
    const std::int32_t rows = std::int32_t(result.GetHeight());
    auto run = [&](std::int64_t taps, const auto& inside) {
        const bool split = !source.IsIndexed() && SplitPays(allCores, std::int64_t(result.GetWidth()) * rows * taps);
        RunRowBands(rows, split, [&](std::int32_t first, std::int32_t end) {
            TurnRowsWith(source, result, plan, first, end, split, inside);
        });
    };
    if (source.IsIndexed()) {
        run(1, NoneInside{});
        return;
    }
    const Direct24 px(source);
    const std::int32_t width = std::int32_t(source.GetWidth()), height = std::int32_t(source.GetHeight());
    KernelWindow window;
    if (plan.im == PxImage::NearestNeighbour) {
        run(1, NearestInside{px, width, height});
        return;
    }
    if (!KernelWindowFor(plan.im, window)) {
        run(4, BilinearInside{px, width, height});
        return;
    }
    // Every pixel is read by some Size x Size windows: packed once.
    QuadPicture quads(source.GetWidth(), source.GetHeight());
    RunRowBands(height, SplitPays(allCores, std::int64_t(width) * height),
                [&](std::int32_t first, std::int32_t end) { quads.Pack(px, first, end); });
    const bool withAlpha = source.alpha != nullptr;
    const std::int64_t taps = std::int64_t(window.size) * window.size;
    if (plan.im == PxImage::Bicubic2)
        run(taps, KernelInside<4, Bicubic2Weight>{quads, withAlpha, width, height, window.before, {}});
    else if (window.size == 4)
        run(taps, KernelInside<4, WeightByPointer>{quads, withAlpha, width, height, window.before, {window.weight}});
    else
        run(taps, KernelInside<kMaxWindow, WeightByPointer>{quads, withAlpha, width, height, window.before,
                                                            {window.weight}});
}

}  // namespace

bool PxImage::Rotate2(float angle, PxImage* dest, InterpolationMethod im, OverflowMethod om,
                      const RGBQUAD* replacement, bool optimizeRightAngles, bool keepSize, bool allCores)
{
    if (!dib)
        return false;

    // A positive angle turns the picture clockwise as displayed (y points up).
    const double theta = -double(angle) * std::acos(0.0) * 0.011111111111111112;
    const float c = float(std::cos(theta));
    const float s = float(std::sin(theta));
    const float w = float(GetWidth());
    const float h = float(GetHeight());

    PxPoint2 corners[4] = {{-0.5f, -0.5f}, {w - 0.5f, -0.5f}, {-0.5f, h - 0.5f}, {w - 0.5f, h - 0.5f}};
    if (!keepSize)
        for (PxPoint2& p : corners)
            p = PxPoint2(c * p.x - s * p.y, s * p.x + c * p.y);

    if (optimizeRightAngles && !keepSize) {
        const PxPoint2& last = corners[3];
        if (last.Distance(PxPoint2(h - 0.5f, 0.5f - w)) < 0.25f)
            return RotateRight(dest);
        if (last.Distance(PxPoint2(0.5f - h, w - 0.5f)) < 0.25f)
            return RotateLeft(dest);
        if (last.Distance(PxPoint2(0.5f - w, 0.5f - h)) < 0.25f)
            return Rotate180(dest);
        if (last.Distance(PxPoint2(w - 0.5f, h - 0.5f)) < 0.25f) {
            if (dest)
                dest->Copy(*this);
            return true;
        }
    }

    float minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const PxPoint2& p : corners) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const std::int32_t newWidth = std::int32_t(std::floor(maxX - minX + 0.5f));
    const std::int32_t newHeight = std::int32_t(std::floor(maxY - minY + 0.5f));
    if (newWidth <= 0 || newHeight <= 0)
        return false;
    float startX = ((maxX + minX) - float(newWidth - 1)) / 2;
    float startY = ((maxY + minY) - float(newHeight - 1)) / 2;
    float offsetX = 0, offsetY = 0;
    if (keepSize) {
        startX -= float(GetWidth() / 2);
        startY -= float(GetHeight() / 2);
        offsetX = float(newWidth / 2);
        offsetY = float(newHeight / 2);
    }

    PxImage result;
    if (!StartResult(result, std::uint32_t(newWidth), std::uint32_t(newHeight), GetBpp(), alpha != nullptr))
        return false;
    TurnPlan plan{c, s, {}, {}, offsetX, offsetY, keepSize, im, om, replacement ? *replacement : kReplacementWhite};
    // Positions advance by repeated addition, as each row and column is reached.
    plan.us.resize(std::size_t(newWidth));
    plan.vs.resize(std::size_t(newHeight));
    float u = startX, v = startY;
    for (float& p : plan.us)
        p = std::exchange(u, u + 1.0f);
    for (float& p : plan.vs)
        p = std::exchange(v, v + 1.0f);
    Turn(*this, result, plan, allCores);
    return DeliverResult(result, dest);
}

