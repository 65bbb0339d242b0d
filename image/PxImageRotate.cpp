// PxImage: rotation by any angle about the origin, into the bounding box of
// the turned picture (or into the same size, about the centre).
#include <algorithm>
#include <cmath>

#include "image/PxGeometry.h"
#include "image/PxImage.h"

bool PxImage::Rotate2(float angle, PxImage* dest, InterpolationMethod im, OverflowMethod om,
                      const RGBQUAD* replacement, bool optimizeRightAngles, bool keepSize)
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
    const RGBQUAD fill = replacement ? *replacement : kReplacementWhite;
    const bool indexed = IsIndexed();

    float v = startY;
    for (std::int32_t y = 0; y < newHeight; ++y, v += 1.0f) {
        info.progress = std::int32_t(100LL * y / newHeight);
        if (info.escape)
            break;
        std::uint8_t* out = result.GetBits(std::uint32_t(y));
        std::uint8_t* outAlpha = result.alpha ? result.alpha + std::size_t(y) * newWidth : nullptr;
        float u = startX;
        for (std::int32_t x = 0; x < newWidth; ++x, u += 1.0f, out += 3) {
            float px = u * c + v * s;
            float py = v * c - u * s;
            if (keepSize) {
                px += offsetX;
                py += offsetY;
            }
            const RGBQUAD color = GetPixelColorInterpolated(px, py, im, om, &fill);
            if (indexed) {
                result.SetPixelColor(x, y, color, outAlpha != nullptr);
                continue;
            }
            out[0] = color.rgbBlue;
            out[1] = color.rgbGreen;
            out[2] = color.rgbRed;
            if (outAlpha)
                outAlpha[x] = color.rgbReserved;
        }
    }
    return DeliverResult(result, dest);
}
