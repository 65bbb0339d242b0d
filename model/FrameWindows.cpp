#include "model/FrameWindows.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "model/ImageEx.h"
#include "platform/PixelMemory.h"

std::vector<RECT> FindFrameWindows(const ImageEx& frame)
{
    const PxImage& mask = frame.WorkMask();
    std::vector<RECT> windows;
    if (!mask.IsValid() || mask.GetBpp() != 24)
        return windows;
    const auto width = std::int32_t(mask.GetWidth()), height = std::int32_t(mask.GetHeight());
    // Top-down: 1 for a transparent pixel not yet given to a region. A byte
    // for every pixel of the frame: pixel memory, which the kernel hands over
    // zeroed in large pages rather than a fault every four kilobytes.
    PixelBytes open(std::size_t(width) * std::size_t(height));
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = mask.GetBits(std::uint32_t(height - 1 - y));
        std::uint8_t* out = open.data() + std::size_t(y) * std::size_t(width);
        for (std::int32_t x = 0; x < width; ++x)
            out[x] = row[3 * std::size_t(x)] < 128;
    }
    // Each region is filled a row span at a time: a seed grows to the open
    // run around it, and the runs it touches above and below become seeds.
    struct Seed {
        std::int32_t x, y;
    };
    std::vector<Seed> pending;
    for (std::size_t start = 0; start < open.size(); ++start) {
        if (!open[start])
            continue;
        pending.push_back({std::int32_t(start % std::size_t(width)), std::int32_t(start / std::size_t(width))});
        RECT box{width, height, 0, 0};
        bool cut = false;
        while (!pending.empty()) {
            const Seed seed = pending.back();
            pending.pop_back();
            std::uint8_t* row = open.data() + std::size_t(seed.y) * std::size_t(width);
            if (!row[seed.x])
                continue;
            std::int32_t left = seed.x, right = seed.x;  // inclusive
            while (left > 0 && row[left - 1])
                --left;
            while (right + 1 < width && row[right + 1])
                ++right;
            std::fill(row + left, row + right + 1, std::uint8_t(0));
            box = {std::min<LONG>(box.left, left), std::min<LONG>(box.top, seed.y), std::max<LONG>(box.right, right + 1),
                   std::max<LONG>(box.bottom, seed.y + 1)};
            cut = cut || left == 0 || right == width - 1 || seed.y == 0 || seed.y == height - 1;
            for (const std::int32_t y : {seed.y - 1, seed.y + 1}) {
                if (y < 0 || y >= height)
                    continue;
                const std::uint8_t* next = open.data() + std::size_t(y) * std::size_t(width);
                for (std::int32_t x = left; x <= right; ++x)
                    if (next[x] && (x == left || !next[x - 1]))
                        pending.push_back({x, y});
            }
        }
        if (!cut) {
            // The mask holds the kept part of the frame's box (a frame keeps all of it).
            const POINT o{frame.GetPos().x + frame.KeptPart().left, frame.GetPos().y + frame.KeptPart().top};
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
    photo.KeepCovered();
}
