// Device and card coordinates are 32-bit, and a position read from a file
// or reached by dragging can lie anywhere in that range. Sums of a position
// and an extent are therefore formed in 64 bits and brought back saturated:
// nothing can be drawn or hit beyond the range's ends anyway.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/WinRecords.h"

constexpr LONG SaturateToLong(std::int64_t value)
{
    return LONG(std::clamp<std::int64_t>(value, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

constexpr LONG SaturatingAdd(std::int64_t a, std::int64_t b)
{
    return SaturateToLong(a + b);
}

// The rectangle of an extent placed at (x, y).
constexpr RECT RectAt(LONG x, LONG y, std::int64_t width, std::int64_t height)
{
    return {x, y, SaturatingAdd(x, width), SaturatingAdd(y, height)};
}

// A rectangle's extent, saturated where it spans more than the range.
constexpr LONG RectWidth(const RECT& r)
{
    return SaturateToLong(std::int64_t(r.right) - r.left);
}

constexpr LONG RectHeight(const RECT& r)
{
    return SaturateToLong(std::int64_t(r.bottom) - r.top);
}

// LONG(value), truncating toward zero like the cast, for every double:
// values beyond the range saturate and NaN gives 0.
inline LONG TruncateToLong(double value)
{
    if (std::isnan(value))
        return 0;
    return LONG(std::clamp<double>(value, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}
