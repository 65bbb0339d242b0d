#include "model/FrameWindows.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "model/ImageEx.h"

std::vector<RECT> FindFrameWindows(const ImageEx& frame)
{
    const PxImage& mask = frame.m_imgMaskWork;
    std::vector<RECT> windows;
    if (!mask.IsValid() || mask.GetBpp() != 24)
        return windows;
    const auto width = std::int32_t(mask.GetWidth()), height = std::int32_t(mask.GetHeight());
    // Top-down: 1 for a transparent pixel not yet given to a region.
    std::vector<std::uint8_t> open(std::size_t(width) * std::size_t(height));
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = mask.GetBits(std::uint32_t(height - 1 - y));
        std::uint8_t* out = open.data() + std::size_t(y) * std::size_t(width);
        for (std::int32_t x = 0; x < width; ++x)
            out[x] = row[3 * std::size_t(x)] < 128;
    }
    std::vector<std::size_t> pending;
    for (std::size_t start = 0; start < open.size(); ++start) {
        if (!open[start])
            continue;
        open[start] = 0;
        pending.push_back(start);
        RECT box{width, height, 0, 0};
        bool cut = false;
        while (!pending.empty()) {
            const std::size_t at = pending.back();
            pending.pop_back();
            const auto x = std::int32_t(at % std::size_t(width)), y = std::int32_t(at / std::size_t(width));
            box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                   std::max<LONG>(box.bottom, y + 1)};
            cut = cut || x == 0 || y == 0 || x == width - 1 || y == height - 1;
            auto visit = [&](bool inside, std::size_t next) {
                if (inside && open[next]) {
                    open[next] = 0;
                    pending.push_back(next);
                }
            };
            visit(x > 0, at - 1);
            visit(x + 1 < width, at + 1);
            visit(y > 0, at - std::size_t(width));
            visit(y + 1 < height, at + std::size_t(width));
        }
        if (!cut) {
            const POINT o = frame.GetPos();
            windows.push_back({box.left + o.x, box.top + o.y, box.right + o.x, box.bottom + o.y});
        }
    }
    return windows;
}

const RECT* WindowFor(const std::vector<RECT>& windows, POINT at)
{
    const RECT* largest = nullptr;
    auto area = [](const RECT& r) { return std::int64_t(r.right - r.left) * (r.bottom - r.top); };
    for (const RECT& window : windows) {
        if (at.x >= window.left && at.x < window.right && at.y >= window.top && at.y < window.bottom)
            return &window;
        if (!largest || area(window) > area(*largest))
            largest = &window;
    }
    return largest;
}

void FitPhotoToWindow(ImageEx& photo, const RECT& window)
{
    const LONG ww = window.right - window.left, wh = window.bottom - window.top;
    if (ww <= 0 || wh <= 0)
        return;
    const SIZE shown = photo.GetSize(), nominal = photo.m_size;
    if (shown == nominal || (shown.cx == nominal.cy && shown.cy == nominal.cx)) {
        // Upright or turned by right angles: the picture fills its own box,
        // and the box covers the window.
        const double ratio = photo.GetAspectRatio();
        if (!(ratio > 0))
            return;
        SIZE size{ww, wh};
        if (double(ww) / wh > ratio)
            size.cy = LONG(std::ceil(ww / ratio));
        else
            size.cx = LONG(std::ceil(wh * ratio));
        photo.SetSize(size);
    } else {
        if (nominal.cx <= 0 || nominal.cy <= 0)
            return;
        // Turned freely: the picture itself, centred on the window's centre,
        // covers the window when the window's extents along the picture's
        // own axes fit in the picture's sides.
        const double turn = photo.m_fAngle * std::acos(-1.0) / 180;
        const double c = std::fabs(std::cos(turn)), s = std::fabs(std::sin(turn));
        const double scale = std::max((ww * c + wh * s) / nominal.cx, (ww * s + wh * c) / nominal.cy);
        photo.m_size = {LONG(std::ceil(scale * nominal.cx)), LONG(std::ceil(scale * nominal.cy))};
        photo.Rebuild(photo.m_bHighQuality);
    }
    // The turned picture's centre is its box's centre. Whole pixels put it
    // up to half a pixel off the window's centre, which the window's pixel
    // centres, half a pixel inside its edges, leave room for.
    const SIZE fitted = photo.GetSize();
    photo.m_ptPos = {window.left + (ww - fitted.cx) / 2, window.top + (wh - fitted.cy) / 2};
}
