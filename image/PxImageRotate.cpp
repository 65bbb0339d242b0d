// PxImage: rotation by any angle about the origin, into the bounding box of
// the turned picture (or into the same size, about the centre).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "image/PxGeometry.h"
#include "image/PxImage.h"
#include "image/RowPool.h"
#include "image/SamplerMath.h"

using namespace pximage;
using namespace pximage::detail;

namespace {

// The picture a turn samples, of which the source image holds the window
// from column x and stored row y on (all of it when whole): positions and
// bounds are the picture's, and a pixel (px, py) of it is the source's
// (px - x, py - y).
struct Held {
    std::int32_t x = 0, y = 0;
    std::int32_t width = 0, height = 0;
    bool whole = true;
};

// A 24-bit source read at the picture's positions.
struct HeldPixels {
    Direct24 px;
    std::int32_t x, y;
    const std::uint8_t* alpha;

    HeldPixels(const PxImage& source, const Held& held) : px(source), x(held.x), y(held.y), alpha(source.alpha) {}
    RGBQUAD operator()(std::int32_t column, std::int32_t row) const { return px(column - x, row - y); }
};

// Points whose pixels all lie inside a 24-bit picture, sampled as
// GetPixelColorInterpolated samples them, reading the rows directly and
// weighing with the kernel inlined. Each returns false for other points, and
// tells those that read no pixel of the picture (Misses).
struct NearestInside {
    HeldPixels px;
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
    HeldPixels px;
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
    std::int32_t heldX = 0, heldY = 0;

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
        const std::int32_t qx = x0 - heldX, qy = y0 - heldY;
        SumWindowsQuads<Size, 1>(quads, &qx, &qy, wx, wy, &sum);
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
        std::int32_t qx[4], qy[4];
        for (std::int32_t k = 0; k < 4; ++k) {
            qx[k] = x0[k] - heldX;
            qy[k] = y0[k] - heldY;
        }
        Lanes sums[4];
        SumWindowsQuads<Size, 4>(quads, qx, qy, wx, wy, sums);
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

// GetPixelColorInterpolated of the picture the source holds a window of,
// for the overflow methods that do not read from anywhere: pixels outside
// the picture take the overflow colour, those inside come from the source.
RGBQUAD SampleHeld(const PxImage& source, const Held& held, float x, float y, PxImage::InterpolationMethod im,
                   PxImage::OverflowMethod om, const RGBQUAD* replacement, RGBQUAD overflow)
{
    const std::int32_t width = held.width, height = held.height;
    auto fetch = [&](std::int32_t px, std::int32_t py) {
        if (px < 0 || py < 0 || px >= width || py >= height)
            return overflow;
        return source.GetPixelColorWithOverflow(px - held.x, py - held.y, om, replacement);
    };
    if (im == PxImage::NearestNeighbour)
        return fetch(TruncSat(x + 0.5f), TruncSat(y + 0.5f));

    const std::int32_t xi = BaseIndex(x);
    const std::int32_t yi = BaseIndex(y);
    const bool withAlpha = source.alpha != nullptr;
    KernelWindow window;
    if (KernelWindowFor(im, window)) {
        const std::int32_t after = window.size - window.before - 1;
        if (xi + after < 0 || xi - window.before >= width || yi + after < 0 || yi - window.before >= height)
            return overflow;
        float wx[kMaxWindow], wy[kMaxWindow];
        KernelWeights(window, x, xi, wx);
        KernelWeights(window, y, yi, wy);
        const std::int32_t x0 = xi - window.before;
        const std::int32_t y0 = yi - window.before;
        const bool inside = x0 >= 0 && xi + after < width && y0 >= 0 && yi + after < height;
        if (inside && !source.IsIndexed())
            return window.size == 4
                       ? SumWindowDirect<4>(Direct24(source), x0 - held.x, y0 - held.y, wx, wy, withAlpha)
                       : SumWindowDirect<kMaxWindow>(Direct24(source), x0 - held.x, y0 - held.y, wx, wy, withAlpha);
        return SumWindow(x0, y0, window.size, wx, wy, withAlpha, fetch);
    }

    // Bilinear, also for unknown methods.
    if (xi < -1 || xi >= width || yi < -1 || yi >= height)
        return overflow;
    if (xi >= 0 && xi + 1 < width && yi >= 0 && yi + 1 < height && !source.IsIndexed())
        return BilinearFixed(HeldPixels(source, held), xi, yi, FixedFraction(x, xi), FixedFraction(y, yi));
    return BilinearFetched(x, y, xi, yi, withAlpha, fetch);
}

template <typename Inside>
void TurnRowsWith(PxImage& source, PxImage& result, const TurnPlan& plan, const Held& held, std::int32_t first,
                  std::int32_t end, bool split, const Inside& inside)
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
                color = !maps && inside.Misses(px, py) ? overflow
                        : held.whole ? source.GetPixelColorInterpolated(px, py, plan.im, plan.om, &plan.fill)
                                     : SampleHeld(source, held, px, py, plan.im, plan.om, &plan.fill, overflow);
            store(x, color);
            ++x;
        }
    }
}

// Turns into result with the fast reads for the method, over all cores
// when allCores and the result is large (and not indexed, whose pixels are
// set through the palette's shared look-up).
void Turn(PxImage& source, PxImage& result, const TurnPlan& plan, const Held& held, bool allCores)
{
    const std::int32_t rows = std::int32_t(result.GetHeight());
    auto run = [&](std::int64_t taps, const auto& inside) {
        const bool split = !source.IsIndexed() && SplitPays(allCores, std::int64_t(result.GetWidth()) * rows * taps);
        RunRowBands(rows, split, [&](std::int32_t first, std::int32_t end) {
            TurnRowsWith(source, result, plan, held, first, end, split, inside);
        });
    };
    if (source.IsIndexed()) {
        run(1, NoneInside{});
        return;
    }
    const HeldPixels px(source, held);
    const std::int32_t width = held.width, height = held.height;
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
    const std::int32_t heldRows = std::int32_t(source.GetHeight());
    RunRowBands(heldRows, SplitPays(allCores, std::int64_t(source.GetWidth()) * heldRows),
                [&](std::int32_t first, std::int32_t end) { quads.Pack(px.px, first, end); });
    const bool withAlpha = source.alpha != nullptr;
    const std::int64_t taps = std::int64_t(window.size) * window.size;
    if (plan.im == PxImage::Bicubic2)
        run(taps, KernelInside<4, Bicubic2Weight>{quads, withAlpha, width, height, window.before, {}, held.x, held.y});
    else if (window.size == 4)
        run(taps, KernelInside<4, WeightByPointer>{quads, withAlpha, width, height, window.before, {window.weight},
                                                   held.x, held.y});
    else
        run(taps, KernelInside<kMaxWindow, WeightByPointer>{quads, withAlpha, width, height, window.before,
                                                            {window.weight}, held.x, held.y});
}

// Where Rotate2 puts a picture: the quarter and half turns and the copy it
// takes as shortcuts, or the general turn's cosine and sine, result size and
// the position of its first pixel (and the centre offsets with keepSize).
struct TurnGeometry {
    enum Kind { General, Right, Left, Half, Same };
    Kind kind = General;
    float c = 0, s = 0;
    std::int32_t width = 0, height = 0;
    float startX = 0, startY = 0;
    float offsetX = 0, offsetY = 0;
};

bool PlanTurn(float angle, std::uint32_t width, std::uint32_t height, bool optimizeRightAngles, bool keepSize,
              TurnGeometry& g)
{
    // A positive angle turns the picture clockwise as displayed (y points up).
    const double theta = -double(angle) * std::acos(0.0) * 0.011111111111111112;
    const float c = float(std::cos(theta));
    const float s = float(std::sin(theta));
    const float w = float(width);
    const float h = float(height);
    g.c = c;
    g.s = s;

    PxPoint2 corners[4] = {{-0.5f, -0.5f}, {w - 0.5f, -0.5f}, {-0.5f, h - 0.5f}, {w - 0.5f, h - 0.5f}};
    if (!keepSize)
        for (PxPoint2& p : corners)
            p = PxPoint2(c * p.x - s * p.y, s * p.x + c * p.y);

    if (optimizeRightAngles && !keepSize) {
        const PxPoint2& last = corners[3];
        auto shortcut = [&](TurnGeometry::Kind kind, std::uint32_t newWidth, std::uint32_t newHeight) {
            g.kind = kind;
            g.width = std::int32_t(newWidth);
            g.height = std::int32_t(newHeight);
            return true;
        };
        if (last.Distance(PxPoint2(h - 0.5f, 0.5f - w)) < 0.25f)
            return shortcut(TurnGeometry::Right, height, width);
        if (last.Distance(PxPoint2(0.5f - h, w - 0.5f)) < 0.25f)
            return shortcut(TurnGeometry::Left, height, width);
        if (last.Distance(PxPoint2(0.5f - w, 0.5f - h)) < 0.25f)
            return shortcut(TurnGeometry::Half, width, height);
        if (last.Distance(PxPoint2(w - 0.5f, h - 0.5f)) < 0.25f)
            return shortcut(TurnGeometry::Same, width, height);
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
    g.kind = TurnGeometry::General;
    g.width = newWidth;
    g.height = newHeight;
    g.startX = ((maxX + minX) - float(newWidth - 1)) / 2;
    g.startY = ((maxY + minY) - float(newHeight - 1)) / 2;
    if (keepSize) {
        g.startX -= float(width / 2);
        g.startY -= float(height / 2);
        g.offsetX = float(newWidth / 2);
        g.offsetY = float(newHeight / 2);
    }
    return true;
}

// The positions of count columns (or rows) from first on. They advance by
// repeated addition, as each column is reached from the first one; once an
// addition no longer moves a position, none further does.
std::vector<float> Positions(float start, std::int32_t first, std::int32_t count)
{
    float u = start;
    for (std::int32_t i = 0; i < first && u + 1.0f != u; ++i)
        u = u + 1.0f;
    std::vector<float> positions(static_cast<std::size_t>(count));
    for (float& p : positions)
        p = std::exchange(u, u + 1.0f);
    return positions;
}

}  // namespace

bool PxImage::Rotate2(float angle, PxImage* dest, InterpolationMethod im, OverflowMethod om,
                      const RGBQUAD* replacement, bool optimizeRightAngles, bool keepSize, bool allCores)
{
    if (!dib)
        return false;
    TurnGeometry g;
    if (!PlanTurn(angle, GetWidth(), GetHeight(), optimizeRightAngles, keepSize, g))
        return false;
    switch (g.kind) {
    case TurnGeometry::Right:
        return RotateRight(dest);
    case TurnGeometry::Left:
        return RotateLeft(dest);
    case TurnGeometry::Half:
        return Rotate180(dest);
    case TurnGeometry::Same:
        if (dest)
            dest->Copy(*this);
        return true;
    case TurnGeometry::General:
        break;
    }

    PxImage result;
    if (!StartResult(result, std::uint32_t(g.width), std::uint32_t(g.height), GetBpp(), alpha != nullptr))
        return false;
    TurnPlan plan{g.c,      g.s,      Positions(g.startX, 0, g.width), Positions(g.startY, 0, g.height),
                  g.offsetX, g.offsetY, keepSize, im, om, replacement ? *replacement : kReplacementWhite};
    const Held whole{0, 0, std::int32_t(GetWidth()), std::int32_t(GetHeight()), true};
    Turn(*this, result, plan, whole, allCores);
    return DeliverResult(result, dest);
}

bool PxImage::Rotate2Size(float angle, std::int32_t width, std::int32_t height, bool optimizeRightAngles,
                          std::int32_t& newWidth, std::int32_t& newHeight)
{
    TurnGeometry g;
    if (width <= 0 || height <= 0 ||
        !PlanTurn(angle, std::uint32_t(width), std::uint32_t(height), optimizeRightAngles, false, g))
        return false;
    newWidth = g.width;
    newHeight = g.height;
    return true;
}

PxWindow PxImage::Rotate2Reads(float angle, std::int32_t width, std::int32_t height, InterpolationMethod im,
                               bool optimizeRightAngles, const PxWindow& part)
{
    TurnGeometry g;
    if (width <= 0 || height <= 0 ||
        !PlanTurn(angle, std::uint32_t(width), std::uint32_t(height), optimizeRightAngles, false, g))
        return {};
    const PxWindow p = part.Intersect({0, 0, g.width, g.height});
    if (p.IsEmpty())
        return {};
    // The shortcuts move whole pixels: result (x, y) is one source pixel.
    switch (g.kind) {
    case TurnGeometry::Right:  // from (width - 1 - y, x)
        return {width - (p.y + p.height), p.x, p.height, p.width};
    case TurnGeometry::Left:  // from (y, height - 1 - x)
        return {p.y, height - (p.x + p.width), p.height, p.width};
    case TurnGeometry::Half:
        return {width - (p.x + p.width), height - (p.y + p.height), p.width, p.height};
    case TurnGeometry::Same:
        return p;
    case TurnGeometry::General:
        break;
    }
    // Each sample position grows (or shrinks) with the column and with the
    // row, rounding included: the part's corners hold its extremes.
    const std::vector<float> us = Positions(g.startX, p.x, p.width), vs = Positions(g.startY, p.y, p.height);
    float minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool first = true;
    for (const float u : {us.front(), us.back()})
        for (const float v : {vs.front(), vs.back()}) {
            const float px = u * g.c + v * g.s, py = v * g.c - u * g.s;
            minX = first ? px : std::min(minX, px);
            maxX = first ? px : std::max(maxX, px);
            minY = first ? py : std::min(minY, py);
            maxY = first ? py : std::max(maxY, py);
            first = false;
        }
    // The taps about each position (nearest pixel and bilinear: the base
    // index and the next), and a pixel more each way.
    std::int64_t before = 0, size = 2;
    KernelWindow window;
    if (im != NearestNeighbour && KernelWindowFor(im, window)) {
        before = window.before;
        size = window.size;
    }
    const std::int64_t left = std::int64_t(BaseIndex(minX)) - before - 1;
    const std::int64_t right = std::int64_t(BaseIndex(maxX)) - before + size;
    const std::int64_t bottom = std::int64_t(BaseIndex(minY)) - before - 1;
    const std::int64_t top = std::int64_t(BaseIndex(maxY)) - before + size;
    const std::int64_t x0 = std::max<std::int64_t>(left, 0), y0 = std::max<std::int64_t>(bottom, 0);
    const std::int64_t x1 = std::min<std::int64_t>(right + 1, width), y1 = std::min<std::int64_t>(top + 1, height);
    if (x0 >= x1 || y0 >= y1)
        return {};
    return {std::int32_t(x0), std::int32_t(y0), std::int32_t(x1 - x0), std::int32_t(y1 - y0)};
}

bool PxImage::Rotate2Part(float angle, std::int32_t fullWidth, std::int32_t fullHeight, const PxWindow& held,
                          const PxWindow& part, PxImage* dest, InterpolationMethod im, OverflowMethod om,
                          const RGBQUAD* replacement, bool optimizeRightAngles, bool allCores)
{
    const PxWindow picture{0, 0, fullWidth, fullHeight};
    if (!dib || held.width != std::int32_t(GetWidth()) || held.height != std::int32_t(GetHeight()) ||
        picture.IsEmpty() || !picture.Holds(held))
        return false;
    const bool whole = held == picture;
    TurnGeometry g;
    if ((!whole && MapsOutside(om)) ||
        !PlanTurn(angle, std::uint32_t(fullWidth), std::uint32_t(fullHeight), optimizeRightAngles, false, g) ||
        part.IsEmpty() || !PxWindow{0, 0, g.width, g.height}.Holds(part))
        return false;
    const PxWindow reads = Rotate2Reads(angle, fullWidth, fullHeight, im, optimizeRightAngles, part);
    if (!held.Holds(reads))
        return false;

    if (g.kind != TurnGeometry::General) {
        // Whole pixels move: the pixels the part reads, turned, are the part.
        PxImage read;
        if (!CopyWindow({reads.x - held.x, reads.y - held.y, reads.width, reads.height}, read))
            return false;
        const bool turned = g.kind == TurnGeometry::Right  ? read.RotateRight()
                            : g.kind == TurnGeometry::Left ? read.RotateLeft()
                            : g.kind == TurnGeometry::Half ? read.Rotate180()
                                                           : true;
        return turned && DeliverResult(read, dest);
    }

    PxImage result;
    if (!StartResult(result, std::uint32_t(part.width), std::uint32_t(part.height), GetBpp(), alpha != nullptr))
        return false;
    TurnPlan plan{g.c, g.s, Positions(g.startX, part.x, part.width), Positions(g.startY, part.y, part.height),
                  0,   0,   false, im, om, replacement ? *replacement : kReplacementWhite};
    Turn(*this, result, plan, Held{held.x, held.y, fullWidth, fullHeight, whole}, allCores);
    return DeliverResult(result, dest);
}
