// PxImage: scaling. Resample is the fast family (nearest pixel, B-spline,
// box or bilinear); Resample2 samples every destination pixel centre with the
// chosen interpolation method and averages areas when shrinking.
#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#include "image/PxImage.h"
#include "image/RowPool.h"
#include "image/SamplerMath.h"

using namespace pximage;
using namespace pximage::detail;

namespace {

// Source index of destination index d for the nearest-pixel rules. The
// scale is single precision, the product double; it stays below the source
// size (d < new size, scale about size / new size), well within 32 bits.
std::int32_t NearestSource(std::int32_t d, float scale, std::int32_t size)
{
    return std::min(std::int32_t(d * double(scale)), size - 1);
}

// Overlap of [lo, hi) with pixel [p, p + 1), in thousandths.
std::int64_t OverlapThousandths(std::int32_t p, float lo, float hi)
{
    const float overlap = std::min(float(p + 1), hi) - std::max(float(p), lo);
    return overlap > 0 ? std::int64_t(overlap * 1000.0f + 0.5f) : 0;
}

}  // namespace

namespace {

// The window of a newWidth x newHeight result a resampler makes: the part
// asked for, or the whole result; false for a part reaching outside it.
bool ResultWindow(std::int32_t newWidth, std::int32_t newHeight, const PxWindow* part, PxWindow& window)
{
    const PxWindow whole{0, 0, newWidth, newHeight};
    window = part ? *part : whole;
    return !window.IsEmpty() && whole.Holds(window);
}

}  // namespace

bool PxImage::Resample(std::int32_t newWidth, std::int32_t newHeight, int mode, PxImage* dest, const PxWindow* part)
{
    PxWindow window;
    if (!dib || newWidth <= 0 || newHeight <= 0 || !ResultWindow(newWidth, newHeight, part, window))
        return false;
    const std::int32_t width = std::int32_t(GetWidth());
    const std::int32_t height = std::int32_t(GetHeight());
    if (newWidth == width && newHeight == height) {
        if (part)
            return CopyWindow(window, dest ? *dest : *this);
        if (dest)
            dest->Copy(*this);
        return true;
    }
    const float xs = float(width) / float(newWidth);
    const float ys = float(height) / float(newHeight);

    // Result pixel (x, y) is that of the whole result at (x0 + x, y0 + y).
    const std::int32_t x0 = window.x, y0 = window.y, outWidth = window.width, outHeight = window.height;
    PxImage result;
    if (!StartResult(result, std::uint32_t(outWidth), std::uint32_t(outHeight), GetBpp(), alpha != nullptr))
        return false;
    const bool direct24 = !IsIndexed();
    const bool boxAverage = mode != 1 && mode != 2 && direct24 && newWidth < width && newHeight < height;
    std::vector<std::int32_t> nearestX(static_cast<std::size_t>(outWidth));
    for (std::int32_t x = 0; x < outWidth; ++x)
        nearestX[std::size_t(x)] = NearestSource(x0 + x, xs, width);

    for (std::int32_t y = 0; y < outHeight; ++y) {
        info.progress = std::int32_t(100LL * y / outHeight);
        if (info.escape)
            break;
        const std::int32_t wholeY = y0 + y;
        const std::int32_t nearestY = NearestSource(wholeY, ys, height);
        if (alpha) {
            const std::uint8_t* in = alpha + std::size_t(nearestY) * width;
            std::uint8_t* out = result.alpha + std::size_t(y) * outWidth;
            for (std::int32_t x = 0; x < outWidth; ++x)
                out[x] = in[nearestX[std::size_t(x)]];
        }

        if (mode == 1) {
            if (direct24) {
                const std::uint8_t* in = GetBits(std::uint32_t(nearestY));
                std::uint8_t* out = result.GetBits(std::uint32_t(y));
                for (std::int32_t x = 0; x < outWidth; ++x, out += 3) {
                    const std::uint8_t* p = in + 3 * std::size_t(nearestX[std::size_t(x)]);
                    out[0] = p[0];
                    out[1] = p[1];
                    out[2] = p[2];
                }
            } else {
                for (std::int32_t x = 0; x < outWidth; ++x)
                    result.SetPixelColor(x, y, GetPixelColor(nearestX[std::size_t(x)], nearestY, false), false);
            }
            continue;
        }

        if (mode == 2) {
            // Cubic B-spline over the 4 x 4 neighbourhood, edges clamped.
            const float fy = float(wholeY) * ys - 0.5f;
            const std::int32_t iy = std::int32_t(std::floor(fy));
            const float dy = fy - float(iy);
            for (std::int32_t x = 0; x < outWidth; ++x) {
                const float fx = float(x0 + x) * xs - 0.5f;
                const std::int32_t ix = std::int32_t(std::floor(fx));
                const float dx = fx - float(ix);
                float r = 0, g = 0, b = 0;
                for (std::int32_t m = -1; m <= 2; ++m) {
                    const float wy = KernelBSpline(float(m) - dy);
                    const std::int32_t sy = std::clamp(iy + m, 0, height - 1);
                    for (std::int32_t n = -1; n <= 2; ++n) {
                        const float w = wy * KernelBSpline(dx - float(n));
                        const RGBQUAD c = GetPixelColor(std::clamp(ix + n, 0, width - 1), sy, false);
                        b += w * c.rgbBlue;
                        g += w * c.rgbGreen;
                        r += w * c.rgbRed;
                    }
                }
                result.SetPixelColor(x, y, {ClampByte(b), ClampByte(g), ClampByte(r), 0}, false);
            }
            continue;
        }

        if (boxAverage) {
            // Every source pixel adds to the destination pixels its area overlaps.
            const float top = float(wholeY) * ys, bottom = float(wholeY + 1) * ys;
            const std::int64_t divisor = std::max<std::int64_t>(1, std::int64_t(std::floor(xs * ys * 1000.0f))) * 1000;
            const std::int32_t syFirst = std::int32_t(top), syLast = std::min(height - 1, std::int32_t(std::ceil(bottom)) - 1);
            std::uint8_t* out = result.GetBits(std::uint32_t(y));
            for (std::int32_t x = 0; x < outWidth; ++x, out += 3) {
                const float left = float(x0 + x) * xs, right = float(x0 + x + 1) * xs;
                const std::int32_t sxFirst = std::int32_t(left), sxLast = std::min(width - 1, std::int32_t(std::ceil(right)) - 1);
                std::int64_t sum[3] = {0, 0, 0};
                for (std::int32_t sy = syFirst; sy <= syLast; ++sy) {
                    const std::int64_t fy = OverlapThousandths(sy, top, bottom);
                    const std::uint8_t* in = GetBits(std::uint32_t(sy));
                    for (std::int32_t sx = sxFirst; sx <= sxLast; ++sx) {
                        const std::int64_t weight = fy * OverlapThousandths(sx, left, right);
                        for (int k = 0; k < 3; ++k)
                            sum[k] += weight * in[3 * sx + k];
                    }
                }
                for (int k = 0; k < 3; ++k)
                    out[k] = std::uint8_t(std::min<std::int64_t>(255, sum[k] / divisor));
            }
            continue;
        }

        // Bilinear between the four nearest source pixels.
        const std::int32_t iy = NearestSource(wholeY, ys, height);
        const std::int32_t iy1 = std::min(iy + 1, height - 1);
        const float dy = float(wholeY * double(ys) - iy);
        for (std::int32_t x = 0; x < outWidth; ++x) {
            const std::int32_t ix = nearestX[std::size_t(x)];
            const std::int32_t ix1 = std::min(ix + 1, width - 1);
            const float dx = float((x0 + x) * double(xs) - ix);
            const RGBQUAD p00 = GetPixelColor(ix, iy, false), p01 = GetPixelColor(ix, iy1, false);
            const RGBQUAD p10 = GetPixelColor(ix1, iy, false), p11 = GetPixelColor(ix1, iy1, false);
            auto mix = [&](std::uint8_t RGBQUAD::*c) {
                return ClampByte((1 - dx) * ((1 - dy) * p00.*c + dy * p01.*c) + dx * ((1 - dy) * p10.*c + dy * p11.*c));
            };
            result.SetPixelColor(x, y, {mix(&RGBQUAD::rgbBlue), mix(&RGBQUAD::rgbGreen), mix(&RGBQUAD::rgbRed), 0}, false);
        }
    }
    return DeliverResult(result, dest);
}

bool PxImage::Resample2(std::int32_t newWidth, std::int32_t newHeight, InterpolationMethod im, OverflowMethod om,
                        PxImage* dest, bool disableAveraging, bool allCores, const PxWindow* part)
{
    PxWindow window;
    if (!dib || newWidth < 1 || newHeight < 1 || !ResultWindow(newWidth, newHeight, part, window))
        return false;
    if (std::uint32_t(newWidth) == GetWidth() && std::uint32_t(newHeight) == GetHeight()) {
        if (part)
            return CopyWindow(window, dest ? *dest : *this);
        if (dest)
            dest->Copy(*this);
        return true;
    }
    const float xs = float(GetWidth()) / float(newWidth);
    const float ys = float(GetHeight()) / float(newHeight);

    PxImage result;
    if (!StartResult(result, std::uint32_t(window.width), std::uint32_t(window.height), GetBpp(), alpha != nullptr))
        return false;
    const bool average = (xs > 1 || ys > 1) && !disableAveraging;
    if (!IsIndexed()) {
        if (average)
            Resample2Area24(result, window.x, window.y, xs, ys, im, om, allCores);
        else
            Resample2Point24(result, window.x, window.y, xs, ys, im, om, allCores);
        return DeliverResult(result, dest);
    }

    for (std::int32_t y = 0; y < window.height; ++y) {
        info.progress = std::int32_t(100LL * y / window.height);
        if (info.escape)
            break;
        const float py = (float(window.y + y) + 0.5f) * ys - 0.5f;
        for (std::int32_t x = 0; x < window.width; ++x) {
            const float px = (float(window.x + x) + 0.5f) * xs - 0.5f;
            const RGBQUAD c = average ? GetAreaColorInterpolated(px, py, xs, ys, im, om, nullptr)
                                      : GetPixelColorInterpolated(px, py, im, om, nullptr);
            result.SetPixelColor(x, y, c, true);
        }
    }
    return DeliverResult(result, dest);
}

namespace {

// The source position of the centres of count destination columns (or
// rows) from first on.
std::vector<float> CentrePositions(std::int32_t first, std::int32_t count, float scale)
{
    std::vector<float> positions(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i)
        positions[std::size_t(i)] = (float(first + i) + 0.5f) * scale - 0.5f;
    return positions;
}

}  // namespace

void PxImage::Resample2Area24(PxImage& result, std::int32_t x0, std::int32_t y0, float xs, float ys,
                              InterpolationMethod im, OverflowMethod om, bool allCores)
{
    const std::int32_t newWidth = std::int32_t(result.GetWidth()), newHeight = std::int32_t(result.GetHeight());
    const std::vector<float> px = CentrePositions(x0, newWidth, xs), py = CentrePositions(y0, newHeight, ys);
    // Column spans depend on x alone, row spans on y alone. Areas narrower
    // than a pixel in one direction take the sampler's other path.
    const bool wholePixels = xs > 1 && ys > 1;
    const AreaTaps columns(px, xs, std::int32_t(GetWidth())), rows(py, ys, std::int32_t(GetHeight()));
    const bool withAlpha = alpha != nullptr;
    std::int32_t tallest = 1;
    for (std::int32_t y = 0; y < newHeight; ++y)
        tallest = std::max(tallest, rows.Span(std::size_t(y)).last - rows.Span(std::size_t(y)).first + 1);
    const bool split = SplitPays(allCores, std::int64_t(newWidth) * newHeight * columns.Columns() * tallest);
    RunRowBands(newHeight, split, [&](std::int32_t first, std::int32_t end) {
        // Padded taps read whatever follows a row, with zero weights.
        LaneRows lanes(Direct24(*this), std::int32_t(GetHeight()), tallest, 0, columns.Columns(), om, Lanes{});
        std::vector<const Lanes*> rowLanes(static_cast<std::size_t>(tallest));
        for (std::int32_t y = first; y < end && RowStarts(*this, y, newHeight, split); ++y) {
            const std::size_t row = std::size_t(y);
            const bool rowInside = wholePixels && rows.Inside(row);
            const AreaSpan& rowSpan = rows.Span(row);
            if (rowInside)
                for (std::int32_t j = rowSpan.first; j <= rowSpan.last; ++j)
                    rowLanes[std::size_t(j - rowSpan.first)] = lanes.Row(j);
            std::uint8_t* out = result.GetBits(std::uint32_t(y));
            std::uint8_t* outAlpha = result.alpha ? result.alpha + std::size_t(y) * newWidth : nullptr;
            // Inside areas four at a time (then one at a time), the others by the sampler.
            auto averages = [&](auto count, std::int32_t x) {
                constexpr std::int32_t n = decltype(count)::value;
                for (std::int32_t k = 0; k < n; ++k)
                    if (!rowInside || !columns.Inside(std::size_t(x + k)))
                        return false;
                std::int32_t x0[n];
                const float* wx[n];
                for (std::int32_t k = 0; k < n; ++k) {
                    x0[k] = columns.Span(std::size_t(x + k)).first;
                    wx[k] = columns.Weights(std::size_t(x + k));
                }
                Lanes sums[n];
                SumWindowsLanes<n>(rowLanes.data(), rows.Weights(row), rowSpan.last - rowSpan.first + 1, x0, wx,
                                   columns.Columns(), sums);
                for (std::int32_t k = 0; k < n; ++k) {
                    const float surface = columns.Extent(std::size_t(x + k)) * rows.Extent(row);
                    Store24(out, outAlpha, x + k, FromLanes(sums[k] / surface, withAlpha));
                }
                return true;
            };
            for (std::int32_t x = 0; x < newWidth;) {
                if (x + 4 <= newWidth && averages(std::integral_constant<std::int32_t, 4>(), x)) {
                    x += 4;
                    continue;
                }
                if (!averages(std::integral_constant<std::int32_t, 1>(), x))
                    Store24(out, outAlpha, x,
                            GetAreaColorInterpolated(px[std::size_t(x)], py[std::size_t(y)], xs, ys, im, om, nullptr));
                ++x;
            }
        }
    });
}

void PxImage::Resample2Point24(PxImage& result, std::int32_t x0, std::int32_t y0, float xs, float ys,
                               InterpolationMethod im, OverflowMethod om, bool allCores)
{
    KernelWindow window;
    if (im != NearestNeighbour && KernelWindowFor(im, window)) {
        Resample2Kernel24(result, x0, y0, xs, ys, window, om, allCores);
        return;
    }
    const std::int32_t width = std::int32_t(GetWidth()), height = std::int32_t(GetHeight());
    const std::int32_t newWidth = std::int32_t(result.GetWidth()), newHeight = std::int32_t(result.GetHeight());
    const std::vector<float> px = CentrePositions(x0, newWidth, xs), py = CentrePositions(y0, newHeight, ys);
    const Direct24 direct(*this);

    // Per column (and per row): the source index, whether the pixels it
    // reads lie inside, and the 8-bit fraction for bilinear.
    struct Axis {
        std::int32_t index = 0;
        bool inside = false;
        std::int32_t fraction = 0;
    };
    auto plan = [&](float position, std::int32_t limit) {
        Axis axis;
        if (im == NearestNeighbour) {
            axis.index = TruncSat(position + 0.5f);
            axis.inside = axis.index >= 0 && axis.index < limit;
            return axis;
        }
        axis.index = BaseIndex(position);
        axis.inside = axis.index >= 0 && axis.index + 1 < limit;
        axis.fraction = FixedFraction(position, axis.index);
        return axis;
    };
    std::vector<Axis> columns(static_cast<std::size_t>(newWidth));
    for (std::int32_t x = 0; x < newWidth; ++x)
        columns[std::size_t(x)] = plan(px[std::size_t(x)], width);

    const bool split = SplitPays(allCores, std::int64_t(newWidth) * newHeight * (im == NearestNeighbour ? 1 : 4));
    RunRowBands(newHeight, split, [&](std::int32_t first, std::int32_t end) {
        for (std::int32_t y = first; y < end && RowStarts(*this, y, newHeight, split); ++y) {
            const Axis row = plan(py[std::size_t(y)], height);
            std::uint8_t* out = result.GetBits(std::uint32_t(y));
            std::uint8_t* outAlpha = result.alpha ? result.alpha + std::size_t(y) * newWidth : nullptr;
            for (std::int32_t x = 0; x < newWidth; ++x) {
                const Axis& column = columns[std::size_t(x)];
                RGBQUAD c;
                if (!(row.inside && column.inside))
                    c = GetPixelColorInterpolated(px[std::size_t(x)], py[std::size_t(y)], im, om, nullptr);
                else if (im == NearestNeighbour)
                    c = direct(column.index, row.index);
                else
                    c = BilinearFixed(direct, column.index, row.index, column.fraction, row.fraction);
                Store24(out, outAlpha, x, c);
            }
        }
    });
}

namespace {

// The destination rows [first, end) of Resample2 by a kernel method: every
// window summed from rows extended by the overflow method, four at a time.
template <std::int32_t Size>
void KernelRows(const KernelTaps& columns, const KernelTaps& rows, std::int32_t before, PxImage::OverflowMethod om,
                RGBQUAD overflow, PxImage& source, PxImage& result, std::int32_t first, std::int32_t end, bool split)
{
    const std::int32_t newWidth = std::int32_t(result.GetWidth()), newHeight = std::int32_t(result.GetHeight());
    const bool withAlpha = source.alpha != nullptr;
    LaneRows lanes(Direct24(source), std::int32_t(source.GetHeight()), Size, before + 1, Size - before - 1, om,
                   ToLanes(overflow));
    for (std::int32_t y = first; y < end && RowStarts(source, y, newHeight, split); ++y) {
        const std::size_t row = std::size_t(y);
        const Lanes* rowLanes[Size];
        for (std::int32_t j = 0; j < Size; ++j)
            rowLanes[j] = lanes.Row(rows.First(row) + j);
        std::uint8_t* out = result.GetBits(std::uint32_t(y));
        std::uint8_t* outAlpha = result.alpha ? result.alpha + std::size_t(y) * newWidth : nullptr;
        auto windows = [&](auto count, std::int32_t x) {
            constexpr std::int32_t n = decltype(count)::value;
            std::int32_t x0[n];
            const float* wx[n];
            for (std::int32_t k = 0; k < n; ++k) {
                x0[k] = columns.First(std::size_t(x + k));
                wx[k] = columns.Weights(std::size_t(x + k));
            }
            Lanes sums[n];
            SumWindowsLanes<n>(rowLanes, rows.Weights(row), Size, x0, wx, Size, sums);
            for (std::int32_t k = 0; k < n; ++k)
                Store24(out, outAlpha, x + k, FromLanes(sums[k], withAlpha));
        };
        std::int32_t x = 0;
        for (; x + 4 <= newWidth; x += 4)
            windows(std::integral_constant<std::int32_t, 4>(), x);
        for (; x < newWidth; ++x)
            windows(std::integral_constant<std::int32_t, 1>(), x);
    }
}

}  // namespace

void PxImage::Resample2Kernel24(PxImage& result, std::int32_t x0, std::int32_t y0, float xs, float ys,
                                const KernelWindow& window, OverflowMethod om, bool allCores)
{
    const KernelTaps columns(window, CentrePositions(x0, std::int32_t(result.GetWidth()), xs));
    const KernelTaps rows(window, CentrePositions(y0, std::int32_t(result.GetHeight()), ys));
    const RGBQUAD overflow = OverflowColorFor(om, nullptr);
    const std::int32_t height = std::int32_t(result.GetHeight());
    const bool split = SplitPays(allCores, std::int64_t(result.GetWidth()) * height * window.size * window.size);
    RunRowBands(height, split, [&](std::int32_t first, std::int32_t end) {
        if (window.size == 4)
            KernelRows<4>(columns, rows, window.before, om, overflow, *this, result, first, end, split);
        else
            KernelRows<kMaxWindow>(columns, rows, window.before, om, overflow, *this, result, first, end, split);
    });
}
