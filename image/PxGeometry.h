// Points and rectangles in a picture's own pixel grid (y upwards), used by
// the rotation shortcuts and the area averager.
#pragma once

#include <algorithm>
#include <cmath>

struct PxPoint2 {
    float x = 0;
    float y = 0;

    PxPoint2() = default;
    PxPoint2(float px, float py) : x(px), y(py) {}

    // Euclidean distance, evaluated in double precision.
    float Distance(const PxPoint2& other) const
    {
        const double dx = double(x) - double(other.x);
        const double dy = double(y) - double(other.y);
        return float(std::sqrt(dx * dx + dy * dy));
    }
};

struct PxRect2 {
    PxPoint2 botLeft;
    PxPoint2 topRight;

    PxRect2() = default;
    PxRect2(float left, float bottom, float right, float top) : botLeft(left, bottom), topRight(right, top) {}

    float Width() const { return topRight.x - botLeft.x; }
    float Height() const { return topRight.y - botLeft.y; }
    float Surface() const { return Width() * Height(); }
    PxPoint2 Center() const { return {(topRight.x + botLeft.x) / 2.0f, (topRight.y + botLeft.y) / 2.0f}; }

    // The intersection; all four coordinates 0 when it is empty.
    PxRect2 CrossSection(const PxRect2& other) const
    {
        PxRect2 cross(std::max(botLeft.x, other.botLeft.x), std::max(botLeft.y, other.botLeft.y),
                      std::min(topRight.x, other.topRight.x), std::min(topRight.y, other.topRight.y));
        if (cross.botLeft.x <= cross.topRight.x && cross.botLeft.y <= cross.topRight.y)
            return cross;
        return {};
    }
};
