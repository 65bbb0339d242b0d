#include "model/MaskFilters.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/Coordinates.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// out[i] = max(a[i], b[i]); out may be a or b.
void MaxOf(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, std::size_t count)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= count; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_max_epu8(x, y));
    }
#endif
    for (; i < count; ++i)
        out[i] = std::max(a[i], b[i]);
}

// A buffer with a zero byte before and after its values, so that reading
// one place left or right of any value stays inside it.
class Guarded {
public:
    explicit Guarded(std::size_t size) : m_bytes(size + 2, 0) {}
    std::uint8_t* Data() { return m_bytes.data() + 1; }
    std::size_t Size() const { return m_bytes.size() - 2; }

private:
    std::vector<std::uint8_t> m_bytes;
};

// The half-width of the disc on each row dy from its centre (0 to rows),
// -1 where the row lies beyond it.
std::vector<int> DiscHalfWidths(double radius, int rows)
{
    std::vector<int> half(std::size_t(rows) + 1);
    for (int dy = 0; dy <= rows; ++dy) {
        const double across = radius * radius - double(dy) * dy;
        half[std::size_t(dy)] = across < 0 ? -1 : int(std::floor(std::sqrt(across) + 0.5));
    }
    return half;
}

// One box blur of 2 radius + 1 values along a line: from count values at
// from, the blur of each of count + 2 radius places at to, starting radius
// places to the left. The 2 radius places before from and after its
// values read as 0.
void BoxBlurLine(const std::uint16_t* from, std::uint16_t* to, std::size_t count, int radius, std::uint32_t scale)
{
    const std::ptrdiff_t span = 2 * std::ptrdiff_t(radius);
    std::uint32_t sum = 0;
    for (std::ptrdiff_t x = 0; x < std::ptrdiff_t(count) + span; ++x) {
        sum += from[x];
        to[x] = std::uint16_t((sum * scale + (1u << 23)) >> 24);
        sum -= from[x - span];
    }
}

// Three box blurs across each row, in buffers that the row and what it
// spreads into fit in, with zeros around.
void BlurRows(AlphaMask& mask, int radius, std::uint32_t scale)
{
    const std::size_t width = std::size_t(mask.Width()), span = 2 * std::size_t(radius);
    const std::size_t length = width + 3 * span;  // the row after three passes
    std::vector<std::uint16_t> a(span + length + span, 0), b(a.size(), 0);
    std::uint16_t* const first = a.data() + span;
    std::uint16_t* const second = b.data() + span;
    for (LONG y = 0; y < mask.Height(); ++y) {
        const std::uint8_t* row = mask.Row(y);
        std::copy_n(row, width, first);
        std::fill(first + width, first + length + span, 0);
        BoxBlurLine(first, second, width, radius, scale);
        std::fill(second + width + span, second + length + span, 0);
        BoxBlurLine(second, first, width + span, radius, scale);
        std::fill(first + width + 2 * span, first + length + span, 0);
        BoxBlurLine(first, second, width + 2 * span, radius, scale);
        std::uint8_t* out = mask.Row(y);
        for (std::size_t x = 0; x < width; ++x)
            out[x] = std::uint8_t(second[x + 3 * std::size_t(radius)]);
    }
}

// One box blur down the columns of rows rows of width values: running
// sums of whole rows. From rows at from, the blur of rows + 2 radius rows
// at to, starting radius rows up.
void BoxBlurColumns(const std::uint16_t* from, std::uint16_t* to, std::size_t width, std::size_t rows, int radius,
                    std::uint32_t scale)
{
    std::vector<std::uint32_t> sums(width, 0);
    const std::size_t span = 2 * std::size_t(radius), length = rows + span;
    for (std::size_t y = 0; y < length; ++y) {
        if (y < rows)
            for (std::size_t x = 0; x < width; ++x)
                sums[x] += from[y * width + x];
        std::uint16_t* out = to + y * width;
        for (std::size_t x = 0; x < width; ++x)
            out[x] = std::uint16_t((sums[x] * scale + (1u << 23)) >> 24);
        if (y >= span)
            for (std::size_t x = 0; x < width; ++x)
                sums[x] -= from[(y - span) * width + x];
    }
}

// Three box blurs down the columns, a band of columns at a time so that
// the buffers stay small however tall the mask.
void BlurColumns(AlphaMask& mask, int radius, std::uint32_t scale)
{
    constexpr std::size_t kBand = 256;
    const std::size_t width = std::size_t(mask.Width()), height = std::size_t(mask.Height());
    const std::size_t spread = 3 * std::size_t(radius);
    std::vector<std::uint16_t> a(std::min(width, kBand) * (height + 2 * spread)), b(a.size());
    for (std::size_t left = 0; left < width; left += kBand) {
        const std::size_t band = std::min(kBand, width - left);
        for (std::size_t y = 0; y < height; ++y)
            std::copy_n(mask.Row(LONG(y)) + left, band, a.begin() + std::ptrdiff_t(y * band));
        BoxBlurColumns(a.data(), b.data(), band, height, radius, scale);
        BoxBlurColumns(b.data(), a.data(), band, height + 2 * std::size_t(radius), radius, scale);
        BoxBlurColumns(a.data(), b.data(), band, height + 4 * std::size_t(radius), radius, scale);
        for (std::size_t y = 0; y < height; ++y) {
            const std::uint16_t* blurred = b.data() + (y + spread) * band;
            std::copy_n(blurred, band, mask.Row(LONG(y)) + left);
        }
    }
}

std::uint8_t Blend(std::uint8_t dest, unsigned colour, unsigned coverage)
{
    // x / 255 for every x up to 255 * 255, without dividing.
    const unsigned x = colour * coverage + dest * (255 - coverage);
    return std::uint8_t((x + 1 + (x >> 8)) >> 8);
}

}  // namespace

// The disc's rows are spans: the maxima over every span width come from
// one another, the span of half-width h being the larger of the span of
// h - 1 one place left and one place right (h = 1: the three values), and
// each row of the disc takes the span of its width from the row it reaches.
void GrowByDisc(AlphaMask& mask, double radius)
{
    if (!(radius > 0) || mask.values.empty())
        return;
    const int rows = int(std::floor(radius + 0.5));
    const std::vector<int> half = DiscHalfWidths(radius, rows);
    const int widest = half[0];
    const LONG width = mask.Width(), height = mask.Height();
    // The mask padded with zeros: widest values each side, rows above and below.
    const std::size_t stride = std::size_t(width) + 2 * std::size_t(widest);
    const std::size_t padded = stride * (std::size_t(height) + 2 * std::size_t(rows));
    Guarded source(padded), even(padded), odd(padded);
    for (LONG y = 0; y < height; ++y)
        std::copy_n(mask.Row(y), width, source.Data() + (std::size_t(y) + rows) * stride + widest);

    std::vector<std::uint8_t> grown(mask.values.size(), 0);
    const std::uint8_t* spans = source.Data();
    for (int h = 0; h <= widest; ++h) {
        if (h == 1) {
            std::uint8_t* next = odd.Data();
            MaxOf(next, source.Data() - 1, source.Data() + 1, padded);
            MaxOf(next, next, source.Data(), padded);
            spans = next;
        } else if (h > 1) {
            std::uint8_t* next = (h % 2 ? odd : even).Data();
            MaxOf(next, spans - 1, spans + 1, padded);
            spans = next;
        }
        for (int dy = -rows; dy <= rows; ++dy) {
            if (half[std::size_t(std::abs(dy))] != h)
                continue;
            for (LONG y = 0; y < height; ++y) {
                std::uint8_t* out = grown.data() + std::size_t(y) * std::size_t(width);
                MaxOf(out, out, spans + (std::size_t(y + dy + rows)) * stride + widest, std::size_t(width));
            }
        }
    }
    mask.values.swap(grown);
}

void Soften(AlphaMask& mask, int radius)
{
    if (radius <= 0 || mask.values.empty())
        return;
    const std::uint32_t scale = (1u << 24) / std::uint32_t(2 * radius + 1);
    BlurRows(mask, radius, scale);
    BlurColumns(mask, radius, scale);
}

void BlendMask(Bitmap& bitmap, const RECT& area, const AlphaMask& mask, POINT offset, COLORREF colour)
{
    const LONG left = std::max({area.left, LONG(0), SaturatingAdd(mask.box.left, offset.x)});
    const LONG right = std::min({area.right, bitmap.Width(), SaturatingAdd(mask.box.right, offset.x)});
    const LONG top = std::max({area.top, LONG(0), SaturatingAdd(mask.box.top, offset.y)});
    const LONG bottom = std::min({area.bottom, bitmap.Height(), SaturatingAdd(mask.box.bottom, offset.y)});
    if (right <= left || bottom <= top)
        return;
    // The row's bytes blend alike, each with its pixel's value and its
    // channel of the colour: one loop over the bytes, which vectorises.
    const std::size_t bytes = 3 * std::size_t(right - left);
    std::vector<std::uint8_t> ink(bytes), cover(bytes);
    for (std::size_t i = 0; i < bytes; i += 3)
        ink[i] = GetBValue(colour), ink[i + 1] = GetGValue(colour), ink[i + 2] = GetRValue(colour);
    for (LONG y = top; y < bottom; ++y) {
        const std::uint8_t* values = mask.Row(y - offset.y - mask.box.top) + (left - offset.x - mask.box.left);
        // Only the part of the row between its first and last value that is not 0.
        std::size_t first = 0, last = std::size_t(right - left);
        while (first < last && values[first] == 0)
            ++first;
        while (last > first && values[last - 1] == 0)
            --last;
        for (std::size_t x = first; x < last; ++x)
            cover[3 * x] = cover[3 * x + 1] = cover[3 * x + 2] = values[x];
        std::uint8_t* pixel = bitmap.Row(bitmap.Height() - 1 - y) + 3 * std::size_t(left);
        for (std::size_t i = 3 * first; i < 3 * last; ++i)
            pixel[i] = Blend(pixel[i], ink[i], cover[i]);
    }
}
