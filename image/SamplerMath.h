// Arithmetic shared by the sampler and the row-pointer fast paths of the
// resamplers, so that both produce the same bits: index rules, kernel
// windows, the weighted window sum and the area spans.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/PxImage.h"

namespace pximage::detail {

// Truncation toward zero, saturated so that far-off or non-finite sample
// points stay well defined (windows around them still fit in 32 bits).
inline std::int32_t TruncSat(float v)
{
    constexpr float kLimit = 1073741824.0f;  // 2^30
    if (!(v > -kLimit))
        return -(1 << 30);
    if (v >= kLimit)
        return 1 << 30;
    return std::int32_t(v);
}

// The sampler's base index: truncated toward zero, minus 1 for negative positions.
inline std::int32_t BaseIndex(float v)
{
    return TruncSat(v) - (v < 0.0f ? 1 : 0);
}

// A colour sum clamped to [0, 255] and truncated.
inline std::uint8_t ClampByte(float v)
{
    return v > 0.0f ? (v < 255.0f ? std::uint8_t(v) : std::uint8_t(255)) : std::uint8_t(0);
}

// The bilinear mix in single precision of the four pixels from (xi, yi) to
// (xi + 1, yi + 1), which fetch gives (with the overflow rule applied), at the
// position (x, y): the sampler's path where the fixed-point one cannot go.
template <typename Fetch>
RGBQUAD BilinearFetched(float x, float y, std::int32_t xi, std::int32_t yi, bool withAlpha, const Fetch& fetch)
{
    const float dx = x - float(xi);
    const float dy = y - float(yi);
    const float w00 = (1 - dx) * (1 - dy), w10 = dx * (1 - dy), w01 = (1 - dx) * dy, w11 = dx * dy;
    const RGBQUAD p00 = fetch(xi, yi), p10 = fetch(xi + 1, yi);
    const RGBQUAD p01 = fetch(xi, yi + 1), p11 = fetch(xi + 1, yi + 1);
    auto mix = [&](std::uint8_t RGBQUAD::*c) {
        return ClampByte(w00 * p00.*c + w10 * p10.*c + w01 * p01.*c + w11 * p11.*c);
    };
    return {mix(&RGBQUAD::rgbBlue), mix(&RGBQUAD::rgbGreen), mix(&RGBQUAD::rgbRed),
            withAlpha ? mix(&RGBQUAD::rgbReserved) : std::uint8_t(0)};
}

// At the start of result row y of `rows`: false once the caller has set
// image.info.escape. Records the progress, unless the rows are split over
// threads, which would all write it.
inline bool RowStarts(PxImage& image, std::int32_t y, std::int32_t rows, bool split)
{
    if (!split)
        image.info.progress = std::int32_t(100LL * y / rows);
    return !image.info.escape;
}

// One pixel index outside the picture moved into it by the overflow methods
// that map (wrap, repeat, mirror); other methods leave it. The sampler maps
// the two indices of a pixel independently.
std::int32_t OverflowIndex(std::int32_t v, std::int64_t size, int om);

// Whether the overflow method is one of those.
bool MapsOutside(int om);

// The window a kernel method samples: columns index - before ... index - before + size - 1.
struct KernelWindow {
    std::int32_t before = 1;
    std::int32_t size = 4;
    float (*weight)(float) = nullptr;
};

inline constexpr std::int32_t kMaxWindow = 12;

// False for nearest neighbour, bilinear and unknown methods.
bool KernelWindowFor(int method, KernelWindow& window);

inline void KernelWeights(const KernelWindow& window, float position, std::int32_t index, float* weights)
{
    for (std::int32_t i = 0; i < window.size; ++i)
        weights[i] = window.weight(float(index - window.before + i) - position);
}

// Four single-precision lanes (blue, green, red, alpha). Each lane does
// exactly the scalar operations, so results equal the per-channel sums.
typedef float Lanes __attribute__((vector_size(16)));

inline Lanes ToLanes(const RGBQUAD& c)
{
    return Lanes{float(c.rgbBlue), float(c.rgbGreen), float(c.rgbRed), float(c.rgbReserved)};
}

// A 24-bit pixel and its alpha byte as one quad, blue in the low byte.
inline std::uint32_t PackQuad(const std::uint8_t* bgr, std::uint8_t a)
{
    return bgr[0] | std::uint32_t(bgr[1]) << 8 | std::uint32_t(bgr[2]) << 16 | std::uint32_t(a) << 24;
}

// The lanes of a blue, green, red, alpha pixel: the same values as
// converting each byte on its own, in a handful of instructions.
inline Lanes PixelLanes(const std::uint8_t* bgr, std::uint8_t a)
{
    const std::uint32_t quad = PackQuad(bgr, a);
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(quad)), zero);
    return Lanes(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)));
#else
    return Lanes{float(quad & 0xFF), float(quad >> 8 & 0xFF), float(quad >> 16 & 0xFF), float(quad >> 24)};
#endif
}

// Writes one 24-bit pixel and its alpha byte through row pointers.
inline void Store24(std::uint8_t* out, std::uint8_t* outAlpha, std::int32_t x, RGBQUAD c)
{
    std::uint8_t* p = out + 3 * std::size_t(x);
    p[0] = c.rgbBlue;
    p[1] = c.rgbGreen;
    p[2] = c.rgbRed;
    if (outAlpha)
        outAlpha[x] = c.rgbReserved;
}

inline RGBQUAD FromLanes(Lanes sum, bool withAlpha)
{
    return {ClampByte(sum[0]), ClampByte(sum[1]), ClampByte(sum[2]), withAlpha ? ClampByte(sum[3]) : std::uint8_t(0)};
}

// The generalized cubic kernel, in double precision like all kernels
// (PxImage::KernelGeneralizedCubic); here so that samplers can inline it.
inline float GeneralizedCubic(float x, float p)
{
    const double a = std::fabs(double(x));
    const double q = p;
    if (a < 1.0)
        return float((q + 2.0) * a * a * a - (q + 3.0) * a * a + 1.0);
    if (a < 2.0)
        return float(q * a * a * a - 5.0 * q * a * a + 8.0 * q * a - 4.0 * q);
    return 0.0f;
}

// GeneralizedCubic of each lane of t: the same steps on each, in pairs of
// double lanes. When the lanes fall on different pieces of the kernel, both
// polynomials are taken and each lane keeps its own.
inline Lanes GeneralizedCubicLanes(Lanes t, float p)
{
    typedef double Doubles __attribute__((vector_size(16)));
    typedef float Pair __attribute__((vector_size(8)));
    typedef std::int64_t Bits __attribute__((vector_size(16)));
    const double q = p;
    auto magnitude = [](Pair x) {
        return Doubles(Bits(__builtin_convertvector(x, Doubles)) & Bits{INT64_MAX, INT64_MAX});
    };
    const Doubles lo = magnitude(Pair{t[0], t[1]}), hi = magnitude(Pair{t[2], t[3]});
    auto inner = [q](Doubles a) { return (q + 2.0) * a * a * a - (q + 3.0) * a * a + 1.0; };
    auto outer = [q](Doubles a) { return q * a * a * a - 5.0 * q * a * a + 8.0 * q * a - 4.0 * q; };
    auto all = [](Bits lanes) { return (lanes[0] & lanes[1]) != 0; };
    Doubles wlo, whi;
    if (all((lo < 1.0) & (hi < 1.0))) {
        wlo = inner(lo);
        whi = inner(hi);
    } else if (all((lo >= 1.0) & (lo < 2.0) & (hi >= 1.0) & (hi < 2.0))) {
        wlo = outer(lo);
        whi = outer(hi);
    } else {
        auto piecewise = [&](Doubles a) { return a < 1.0 ? inner(a) : a < 2.0 ? outer(a) : Doubles{0, 0}; };
        wlo = piecewise(lo);
        whi = piecewise(hi);
    }
    const Pair flo = __builtin_convertvector(wlo, Pair), fhi = __builtin_convertvector(whi, Pair);
    return Lanes{flo[0], flo[1], fhi[0], fhi[1]};
}

// Weighted sum over a size x size window (rows outer, columns inner), with
// every pixel fetched by fetch(x, y) as an RGBQUAD.
template <typename Fetch>
RGBQUAD SumWindow(std::int32_t x0, std::int32_t y0, std::int32_t size, const float* wx, const float* wy,
                  bool withAlpha, Fetch fetch)
{
    Lanes sum = {0, 0, 0, 0};
    for (std::int32_t j = 0; j < size; ++j)
        for (std::int32_t i = 0; i < size; ++i)
            sum += (wx[i] * wy[j]) * ToLanes(fetch(x0 + i, y0 + j));
    return FromLanes(sum, withAlpha);
}

// Reads 24-bit pixels and the alpha plane (0 without one) straight from the buffers.
struct Direct24 {
    const std::uint8_t* bits;
    std::uint32_t stride;
    const std::uint8_t* alpha;
    std::uint32_t width;

    explicit Direct24(const PxImage& image)
        : bits(image.GetBits()), stride(image.GetEffWidth()), alpha(image.alpha), width(image.GetWidth())
    {
    }
    RGBQUAD operator()(std::int32_t x, std::int32_t y) const
    {
        const std::uint8_t* p = bits + std::size_t(y) * stride + 3 * std::size_t(x);
        return {p[0], p[1], p[2], alpha ? alpha[std::size_t(y) * width + x] : std::uint8_t(0)};
    }
};

// SumWindow over a window that lies inside a 24-bit picture, reading rows
// through pointers; the same operations in the same order.
template <std::int32_t Size, bool HasAlpha>
RGBQUAD SumWindowRows(const Direct24& px, std::int32_t x0, std::int32_t y0, const float* wx, const float* wy)
{
    Lanes sum = {0, 0, 0, 0};
    for (std::int32_t j = 0; j < Size; ++j) {
        const std::uint8_t* p = px.bits + std::size_t(y0 + j) * px.stride + 3 * std::size_t(x0);
        const std::uint8_t* a = HasAlpha ? px.alpha + std::size_t(y0 + j) * px.width + x0 : nullptr;
        for (std::int32_t i = 0; i < Size; ++i, p += 3)
            sum += (wx[i] * wy[j]) * PixelLanes(p, HasAlpha ? a[i] : 0);
    }
    return FromLanes(sum, HasAlpha);
}

template <std::int32_t Size>
RGBQUAD SumWindowDirect(const Direct24& px, std::int32_t x0, std::int32_t y0, const float* wx, const float* wy,
                        bool withAlpha)
{
    return withAlpha && px.alpha ? SumWindowRows<Size, true>(px, x0, y0, wx, wy)
                                 : SumWindowRows<Size, false>(px, x0, y0, wx, wy);
}

// A 24-bit picture and its alpha plane (none: 0) packed as one blue, green,
// red, alpha quad per pixel, rows top to bottom as stored, for samplers that
// read each pixel many times from everywhere (turning).
class QuadPicture {
public:
    QuadPicture(std::uint32_t width, std::uint32_t height) : m_width(width), m_quads(std::size_t(width) * height) {}

    // Packs the rows [first, end).
    void Pack(const Direct24& px, std::int32_t first, std::int32_t end)
    {
        for (std::int32_t y = first; y < end; ++y) {
            const std::uint8_t* p = px.bits + std::size_t(y) * px.stride;
            const std::uint8_t* a = px.alpha ? px.alpha + std::size_t(y) * px.width : nullptr;
            std::uint32_t* out = Row(y);
            for (std::uint32_t x = 0; x < m_width; ++x, p += 3)
                out[x] = PackQuad(p, a ? a[x] : 0);
        }
    }

    const std::uint32_t* Row(std::int32_t y) const { return m_quads.data() + std::size_t(y) * m_width; }

private:
    std::uint32_t* Row(std::int32_t y) { return m_quads.data() + std::size_t(y) * m_width; }

    std::uint32_t m_width;
    std::vector<std::uint32_t> m_quads;
};

// Four consecutive quads as lanes.
inline void QuadsToLanes(const std::uint32_t* quads, Lanes* out)
{
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i v;
    std::memcpy(&v, quads, sizeof v);
    const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
    out[0] = Lanes(_mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero)));
    out[1] = Lanes(_mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero)));
    out[2] = Lanes(_mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero)));
    out[3] = Lanes(_mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero)));
#else
    for (int k = 0; k < 4; ++k)
        out[k] = Lanes{float(quads[k] & 0xFF), float(quads[k] >> 8 & 0xFF), float(quads[k] >> 16 & 0xFF),
                       float(quads[k] >> 24)};
#endif
}

// One row of 24-bit pixels and its alpha bytes (none: 0) as lanes.
inline void ConvertRow(const std::uint8_t* bgr, const std::uint8_t* alpha, std::uint32_t width, Lanes* out)
{
    std::uint32_t x = 0;
#if defined(__SSE2__)
    // Four bytes from each pixel reach one into the next, so the last pixel
    // is read byte by byte; the alpha byte replaces the fourth.
    const __m128i zero = _mm_setzero_si128();
    for (; x + 1 < width; ++x) {
        std::int32_t quad;
        std::memcpy(&quad, bgr + 3 * std::size_t(x), sizeof quad);
        const __m128i bytes = _mm_unpacklo_epi8(_mm_cvtsi32_si128(quad), zero);
        const __m128i words = _mm_insert_epi16(bytes, alpha ? alpha[x] : 0, 3);
        out[x] = Lanes(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)));
    }
#endif
    for (; x < width; ++x)
        out[x] = PixelLanes(bgr + 3 * std::size_t(x), alpha ? alpha[x] : 0);
}

// Source rows converted to lanes once, for samplers that visit each row many
// times, extended past the picture as the sampler's taps see it: Row(y)
// points at column 0 of row y, and columns -left ... width - 1 + right, and
// rows outside, read the pixel the overflow method maps them to, or its
// colour. Holds `slots` rows; a window of that many consecutive rows never
// maps two of them to the same slot.
class LaneRows {
public:
    LaneRows(const Direct24& px, std::int32_t height, std::int32_t slots, std::int32_t left, std::int32_t right,
             int om, Lanes overflow)
        : m_px(px),
          m_height(height),
          m_slots(slots),
          m_left(left),
          m_right(right),
          m_length(std::size_t(left) + px.width + std::size_t(right)),
          m_om(om),
          m_overflow(overflow),
          m_data(std::size_t(slots) * m_length),
          m_tags(std::size_t(slots), INT32_MIN)
    {
    }

    const Lanes* Row(std::int32_t y)
    {
        const std::size_t slot = std::size_t((y % m_slots + m_slots) % m_slots);
        Lanes* row = m_data.data() + slot * m_length + m_left;
        if (m_tags[slot] != y) {
            Fill(y, row);
            m_tags[slot] = y;
        }
        return row;
    }

private:
    void Fill(std::int32_t y, Lanes* row) const
    {
        const std::int32_t width = std::int32_t(m_px.width);
        const bool maps = MapsOutside(m_om);
        if ((y < 0 || y >= m_height) && !maps) {
            std::fill(row - m_left, row + width + m_right, m_overflow);
            return;
        }
        const std::int32_t source = OverflowIndex(y, m_height, m_om);
        ConvertRow(m_px.bits + std::size_t(source) * m_px.stride,
                   m_px.alpha ? m_px.alpha + std::size_t(source) * m_px.width : nullptr, m_px.width, row);
        for (std::int32_t x = -m_left; x < 0; ++x)
            row[x] = maps ? row[OverflowIndex(x, width, m_om)] : m_overflow;
        for (std::int32_t x = width; x < width + m_right; ++x)
            row[x] = maps ? row[OverflowIndex(x, width, m_om)] : m_overflow;
    }

    Direct24 m_px;
    std::int32_t m_height;
    std::int32_t m_slots;
    std::int32_t m_left;
    std::int32_t m_right;
    std::size_t m_length;
    int m_om;
    Lanes m_overflow;
    std::vector<Lanes> m_data;
    std::vector<std::int32_t> m_tags;
};

// sum + (w[n] * wy) * c[n] for n = 0 ... 3 in turn, the four weight
// products taken in one step.
inline Lanes AddFourTaps(Lanes sum, const float* w, float wy, const Lanes* c)
{
    Lanes products;
    std::memcpy(&products, w, sizeof products);
    products *= wy;
    sum += __builtin_shufflevector(products, products, 0, 0, 0, 0) * c[0];
    sum += __builtin_shufflevector(products, products, 1, 1, 1, 1) * c[1];
    sum += __builtin_shufflevector(products, products, 2, 2, 2, 2) * c[2];
    sum += __builtin_shufflevector(products, products, 3, 3, 3, 3) * c[3];
    return sum;
}

// The sums of SumWindow for Count windows over the same rows of converted
// lanes: rows[j] weighted by wy[j] for j < rowCount; the k-th window starts
// at column x0[k] and has the weights wx[k] for `columns` columns, a multiple
// of 4. Each sum takes SumWindow's steps in its order; side by side, the
// processor overlaps them.
template <std::int32_t Count>
inline void SumWindowsLanes(const Lanes* const* rows, const float* wy, std::int32_t rowCount, const std::int32_t* x0,
                            const float* const* wx, std::int32_t columns, Lanes* sums)
{
    for (std::int32_t k = 0; k < Count; ++k)
        sums[k] = Lanes{0, 0, 0, 0};
    for (std::int32_t j = 0; j < rowCount; ++j)
        for (std::int32_t i = 0; i < columns; i += 4)
            for (std::int32_t k = 0; k < Count; ++k)
                sums[k] = AddFourTaps(sums[k], wx[k] + i, wy[j], rows[j] + x0[k] + i);
}

// The sums of SumWindow for Count Size x Size windows inside a packed
// picture, the k-th at (x0[k], y0[k]) with weights wx[k] and wy[k]: each by
// SumWindow's steps in its order; side by side, the processor overlaps them.
template <std::int32_t Size, std::int32_t Count>
void SumWindowsQuads(const QuadPicture& quads, const std::int32_t* x0, const std::int32_t* y0,
                     const float (*wx)[Size], const float (*wy)[Size], Lanes* sums)
{
    static_assert(Size % 4 == 0, "taps are read four at a time");
    for (std::int32_t k = 0; k < Count; ++k)
        sums[k] = Lanes{0, 0, 0, 0};
    for (std::int32_t j = 0; j < Size; ++j)
        for (std::int32_t i = 0; i < Size; i += 4)
            for (std::int32_t k = 0; k < Count; ++k) {
                Lanes c[4];
                QuadsToLanes(quads.Row(y0[k] + j) + x0[k] + i, c);
                sums[k] = AddFourTaps(sums[k], wx[k] + i, wy[k][j], c);
            }
}

// A kernel window along one axis for every destination column (or row): its
// first tap and the taps' weights. Destination pixel centres lie in
// [-0.5, size - 0.5), so no window misses the picture and the sampler never
// moves such a point into it before weighing its taps; the first tap is at
// least -1 - before, the last at most size - 1 + after.
class KernelTaps {
public:
    KernelTaps(const KernelWindow& window, const std::vector<float>& positions)
        : m_size(window.size), m_first(positions.size()), m_weights(positions.size() * std::size_t(m_size))
    {
        for (std::size_t d = 0; d < positions.size(); ++d) {
            const std::int32_t index = BaseIndex(positions[d]);
            m_first[d] = index - window.before;
            KernelWeights(window, positions[d], index, &m_weights[d * std::size_t(m_size)]);
        }
    }

    std::int32_t First(std::size_t d) const { return m_first[d]; }
    const float* Weights(std::size_t d) const { return &m_weights[d * std::size_t(m_size)]; }

private:
    std::int32_t m_size;
    std::vector<std::int32_t> m_first;
    std::vector<float> m_weights;
};

// Bilinear weights in 8-bit fixed point for a point inside the picture;
// px reads pixels as Direct24 does and tells the alpha plane by `alpha`.
template <typename Pixels>
inline RGBQUAD BilinearFixed(const Pixels& px, std::int32_t xi, std::int32_t yi, std::int32_t fx, std::int32_t fy)
{
    const std::int32_t w11 = (fx * fy) >> 8;
    const std::int32_t w01 = fy - w11;
    const std::int32_t w10 = fx - w11;
    const std::int32_t w00 = 256 - fx - fy + w11;
    const RGBQUAD p00 = px(xi, yi), p10 = px(xi + 1, yi), p01 = px(xi, yi + 1), p11 = px(xi + 1, yi + 1);
    auto mix = [&](std::uint8_t RGBQUAD::*c) {
        return std::uint8_t((w00 * p00.*c + w10 * p10.*c + w01 * p01.*c + w11 * p11.*c) >> 8);
    };
    return {mix(&RGBQUAD::rgbBlue), mix(&RGBQUAD::rgbGreen), mix(&RGBQUAD::rgbRed),
            px.alpha ? mix(&RGBQUAD::rgbReserved) : std::uint8_t(0)};
}

inline std::int32_t FixedFraction(float v, std::int32_t index)
{
    return TruncSat((v - float(index)) * 256.0f);
}

// The pixels one axis of an averaging area touches, and how much of the
// first and the last of them the area covers.
struct AreaSpan {
    std::int32_t first = 0;
    std::int32_t last = 0;
    float firstWeight = 0;
    float lastWeight = 0;
};

inline AreaSpan SpanOf(float lo, float hi)
{
    AreaSpan span;
    span.first = TruncSat(lo + 0.5f);
    span.last = TruncSat(hi + 0.5f);
    span.firstWeight = std::min(hi, float(span.first) + 0.5f) - std::max(lo, float(span.first) - 0.5f);
    span.lastWeight = std::min(hi, float(span.last) + 0.5f) - std::max(lo, float(span.last) - 0.5f);
    return span;
}

// An empty overlap with a corner pixel in either direction is empty in both,
// as for a rectangle intersection.
inline void EmptyCornersCouple(AreaSpan& xs, AreaSpan& ys)
{
    if (xs.firstWeight < 0 || ys.firstWeight < 0)
        xs.firstWeight = ys.firstWeight = 0;
    if (xs.lastWeight < 0 || ys.lastWeight < 0)
        xs.lastWeight = ys.lastWeight = 0;
}

// The area spans of every destination column (or row) whose area lies in
// the picture and covers whole pixels, as AreaSum weighs them: the first
// pixel by its cover, inner pixels by 1, the last by its cover, then zeros up
// to Columns(), a multiple of 4 the same for all. The zeros leave AreaSum's
// sums as they are: every term is a product of non-negative numbers.
class AreaTaps {
public:
    AreaTaps(const std::vector<float>& centres, float scale, std::int32_t limit)
        : m_spans(centres.size()), m_extents(centres.size()), m_inside(centres.size())
    {
        std::int32_t widest = 1;
        for (std::size_t d = 0; d < centres.size(); ++d) {
            const float lo = centres[d] - scale / 2, hi = centres[d] + scale / 2;
            const AreaSpan span = SpanOf(lo, hi);
            m_spans[d] = span;
            m_extents[d] = hi - lo;
            m_inside[d] = span.first >= 0 && span.last < limit && span.firstWeight >= 0 && span.lastWeight >= 0;
            if (m_inside[d])
                widest = std::max(widest, span.last - span.first + 1);
        }
        m_columns = (widest + 3) / 4 * 4;
        m_weights.assign(centres.size() * std::size_t(m_columns), 0.0f);
        for (std::size_t d = 0; d < centres.size(); ++d) {
            if (!m_inside[d])
                continue;
            const AreaSpan& span = m_spans[d];
            float* weights = &m_weights[d * std::size_t(m_columns)];
            for (std::int32_t i = 0; i <= span.last - span.first; ++i)
                weights[i] = i == 0 ? span.firstWeight : i == span.last - span.first ? span.lastWeight : 1.0f;
        }
    }

    const AreaSpan& Span(std::size_t d) const { return m_spans[d]; }
    // hi - lo of the area.
    float Extent(std::size_t d) const { return m_extents[d]; }
    bool Inside(std::size_t d) const { return m_inside[d]; }
    std::int32_t Columns() const { return m_columns; }
    const float* Weights(std::size_t d) const { return &m_weights[d * std::size_t(m_columns)]; }

private:
    std::vector<AreaSpan> m_spans;
    std::vector<float> m_extents;
    std::vector<char> m_inside;
    std::int32_t m_columns = 4;
    std::vector<float> m_weights;
};

// The area average over whole pixels: edge pixels weighted by their partial
// cover, inner pixels by 1; rows outer, columns inner; divided by surface.
template <typename Fetch>
RGBQUAD AreaSum(const AreaSpan& xs, const AreaSpan& ys, float surface, bool withAlpha, Fetch fetch)
{
    Lanes sum = {0, 0, 0, 0};
    for (std::int32_t y = ys.first; y <= ys.last; ++y) {
        const float wy = y == ys.first ? ys.firstWeight : y == ys.last ? ys.lastWeight : 1.0f;
        for (std::int32_t x = xs.first; x <= xs.last; ++x) {
            const float wx = x == xs.first ? xs.firstWeight : x == xs.last ? xs.lastWeight : 1.0f;
            sum += (wy * wx) * ToLanes(fetch(x, y));
        }
    }
    return FromLanes(sum / surface, withAlpha);
}

}  // namespace pximage::detail
