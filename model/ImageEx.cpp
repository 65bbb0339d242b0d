#include "model/ImageEx.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "image/ImageSize.h"
#include "platform/Coordinates.h"

namespace {

bool IsTurned(float angle)
{
    return std::fabs(angle) > 0.000001;
}

bool IsEmpty(const RECT& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

bool Holds(const RECT& outer, const RECT& inner)
{
    return IsEmpty(inner) || (!IsEmpty(outer) && inner.left >= outer.left && inner.top >= outer.top &&
                              inner.right <= outer.right && inner.bottom <= outer.bottom);
}

// No working picture, nor the part of the resampled one a turn reads, has
// more pixels than a decoder gives a picture.
bool WithinLimit(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && pximage::WithinDecodePixelLimit(std::uint64_t(width), std::uint64_t(height));
}

// What fast rebuilds keep around the part on the card: a drag across the
// card rebuilds once every so many pixels, not at every step.
LONG MarginFor(SIZE canvas)
{
    return std::max<LONG>(64, std::max(canvas.cx, canvas.cy) / 8);
}

// A working picture, or an empty one for none.
const PxImage& Shown(const std::shared_ptr<const PxImage>& picture)
{
    static const PxImage none;
    return picture ? *picture : none;
}

// A picture to share, null for an empty one.
std::shared_ptr<const PxImage> Shared(PxImage&& picture)
{
    return picture.IsValid() ? std::make_shared<const PxImage>(std::move(picture)) : nullptr;
}

// A part of a box (y downwards) as the window of a picture of the box's
// height, whose rows are stored bottom-up.
PxWindow StoredWindow(const RECT& part, LONG boxHeight)
{
    return {part.left, boxHeight - part.bottom, part.right - part.left, part.bottom - part.top};
}

}  // namespace

ImageEx::ImageEx(PxImage picture, PxImage mask)
    : m_source(std::make_shared<PxImage>(std::move(picture))), m_maskSource(std::make_shared<PxImage>(std::move(mask)))
{
    m_source->IncreaseBpp(24);
    if (m_maskSource->IsValid()) {
        // The blend reads three mask bytes per pixel.
        m_maskSource->IncreaseBpp(24);
    } else if (!m_source->AlphaGetPointer(0, 0)) {
        // Fully opaque: every rebuild stretches this pixel to the picture's size.
        m_maskSource->Create(1, 1, 24, FormatBmp);
        m_maskSource->Clear(255);
    }
}

ImageEx::ImageEx(const ImageEx& other) : ImageEx(other, WorkPictures::Copied) {}

ImageEx::ImageEx(const ImageEx& other, WorkPictures work)
    : ElementBase(other),
      m_source(other.m_source),
      m_maskSource(other.m_maskSource),
      m_origin(other.m_origin),
      m_fAngle(other.m_fAngle),
      m_bMirror(other.m_bMirror),
      m_bFlip(other.m_bFlip),
      m_canvas(other.m_canvas)
{
    if (work == WorkPictures::Copied) {
        m_box = other.m_box;
        m_pending = other.m_pending;
        m_work = other.m_work;
        m_maskWork = other.m_maskWork;
        m_kept = other.m_kept;
        m_keptHighQuality = other.m_keptHighQuality;
    }
}

std::unique_ptr<ElementBase> ImageEx::Clone() const
{
    return std::make_unique<ImageEx>(*this);
}

std::unique_ptr<ElementBase> ImageEx::CloneState() const
{
    return std::unique_ptr<ImageEx>(new ImageEx(*this, WorkPictures::Dropped));
}

bool ImageEx::SharesSourcesWith(const ImageEx& other) const
{
    return m_source == other.m_source && m_maskSource == other.m_maskSource;
}

bool ImageEx::TakeWorkFrom(ImageEx& other)
{
    if (!SharesSourcesWith(other) || other.m_box.cx <= 0 || !(m_size == other.m_size) ||
        m_fAngle != other.m_fAngle || m_bFlip != other.m_bFlip || m_bMirror != other.m_bMirror ||
        m_bHighQuality != other.m_bHighQuality)
        return false;
    // The same box; what other keeps must cover what of it this one shows.
    m_box = other.m_box;
    if (other.m_pending) {
        // Nothing made yet: the build is this one's to make, and what other
        // still keeps shows it as it was before.
        m_pending = std::exchange(other.m_pending, std::nullopt);
        other.m_work.reset();
        other.m_maskWork.reset();
        other.m_box = {};
        other.m_kept = {};
        return true;
    }
    if (!Holds(other.m_kept, PartOn(m_canvas))) {
        m_box = {};
        return false;
    }
    m_work = std::move(other.m_work);
    m_maskWork = std::move(other.m_maskWork);
    m_kept = other.m_kept;
    m_keptHighQuality = other.m_keptHighQuality;
    other.m_box = {};
    other.m_kept = {};
    return true;
}

// Before the first SetSize both sizes are 0 x 0: unrotated as well.
bool ImageEx::IsUnrotated() const
{
    return GetSize() == m_size;
}

SIZE ImageEx::GetSize() const
{
    return m_box;
}

RECT ImageEx::PartOn(SIZE canvas) const
{
    if (m_box.cx <= 0 || m_box.cy <= 0)
        return {};
    if (canvas.cx <= 0 || canvas.cy <= 0)
        return {0, 0, m_box.cx, m_box.cy};
    const std::int64_t left = std::max<std::int64_t>(0, -std::int64_t(m_ptPos.x));
    const std::int64_t top = std::max<std::int64_t>(0, -std::int64_t(m_ptPos.y));
    const std::int64_t right = std::min<std::int64_t>(m_box.cx, std::int64_t(canvas.cx) - m_ptPos.x);
    const std::int64_t bottom = std::min<std::int64_t>(m_box.cy, std::int64_t(canvas.cy) - m_ptPos.y);
    if (left >= right || top >= bottom)
        return {};
    return {LONG(left), LONG(top), LONG(right), LONG(bottom)};
}

void ImageEx::Rebuild(bool highQuality)
{
    ElementBase::Rebuild(highQuality);
    if (!m_source->IsValid() || m_size.cx <= 0 || m_size.cy <= 0) {
        // Nothing to resample: the old working pictures (made first, when
        // they were left to be made) take the other steps.
        MakeWork();
        TransformStale(highQuality);
        return;
    }
    Build(highQuality, !highQuality);
}

void ImageEx::Build(bool highQuality, bool widen)
{
    SIZE box = m_size;
    if (IsTurned(m_fAngle) && !PxImage::Rotate2Size(m_fAngle, m_size.cx, m_size.cy, true, box.cx, box.cy))
        box = {};
    m_box = box;
    m_pending = Pending{highQuality, widen, m_ptPos};
}

void ImageEx::MakeWork() const
{
    if (const std::optional<Pending> pending = std::exchange(m_pending, std::nullopt)) {
        const bool moved = pending->at.x != m_ptPos.x || pending->at.y != m_ptPos.y;
        BuildPart(PartOn(m_canvas), pending->highQuality, pending->widen || moved);
    }
}

const RECT& ImageEx::KeptPart() const
{
    MakeWork();
    return m_kept;
}

const PxImage& ImageEx::WorkPicture() const
{
    MakeWork();
    return Shown(m_work);
}

const PxImage& ImageEx::WorkMask() const
{
    MakeWork();
    return Shown(m_maskWork);
}

void ImageEx::BuildPart(RECT part, bool highQuality, bool widen) const
{
    const bool turned = IsTurned(m_fAngle);
    // Uncovered corners: white in the picture (transparent where it has
    // alpha), black in the mask, so they are invisible and let clicks through.
    const auto method = highQuality ? PxImage::Bicubic2 : PxImage::NearestNeighbour;
    const RGBQUAD white{255, 255, 255, 0}, black{0, 0, 0, 0};
    std::shared_ptr<const PxImage> work, mask;
    // The working pictures for the part `keep` of the box; false when they
    // would be too large or cannot be made. Each step makes the part of its
    // whole result that the next steps read.
    auto make = [&](const RECT& keep) {
        if (IsEmpty(keep) || !WithinLimit(keep.right - keep.left, keep.bottom - keep.top))
            return false;
        const PxWindow out = StoredWindow(keep, m_box.cy);
        // The part of the resampled, flipped and mirrored picture the turn reads.
        PxWindow held = out;
        if (turned) {
            held = PxImage::Rotate2Reads(m_fAngle, m_size.cx, m_size.cy, method, true, out);
            if (held.IsEmpty())
                held = {0, 0, 1, 1};  // all of the part lies beyond the picture's corners
            if (!WithinLimit(held.width, held.height))
                return false;
        }
        // ... and the part of the resampled picture that flipping and mirroring bring there.
        PxWindow resampled = held;
        if (m_bMirror)
            resampled.x = m_size.cx - (held.x + held.width);
        if (m_bFlip)
            resampled.y = m_size.cy - (held.y + held.height);
        auto build = [&](const std::shared_ptr<PxImage>& source, std::shared_ptr<const PxImage>& made,
                         const RGBQUAD& fill) {
            made.reset();
            if (!source->IsValid())
                return true;
            // All of it at its own size, as it stands: both resamplers copy
            // it, record and all, so it is shared instead.
            if (!turned && !m_bFlip && !m_bMirror && resampled == PxWindow{0, 0, m_size.cx, m_size.cy} &&
                source->GetWidth() == std::uint32_t(m_size.cx) && source->GetHeight() == std::uint32_t(m_size.cy)) {
                made = source;
                return true;
            }
            PxImage result;
            // The image core spreads large rebuilds over all cores; small
            // ones, as the editor's steps mostly are, stay on this thread.
            const bool resampledOk =
                highQuality ? source->Resample2(m_size.cx, m_size.cy, PxImage::Bicubic, PxImage::OverflowRepeat,
                                                &result, false, true, &resampled)
                            : source->Resample(m_size.cx, m_size.cy, 1, &result, &resampled);
            if (!resampledOk)
                return false;
            if (m_bFlip)
                result.Flip();
            if (m_bMirror)
                result.Mirror();
            if (turned && !result.Rotate2Part(m_fAngle, m_size.cx, m_size.cy, held, out, nullptr, method,
                                              PxImage::OverflowBackground, &fill, true, true))
                return false;
            made = Shared(std::move(result));
            return true;
        };
        return build(m_source, work, white) && build(m_maskSource, mask, black);
    };

    RECT keep = part;
    if (widen && m_canvas.cx > 0 && m_canvas.cy > 0 && !IsEmpty(part)) {
        const LONG margin = MarginFor(m_canvas);
        keep = {std::max<LONG>(0, part.left - margin), std::max<LONG>(0, part.top - margin),
                LONG(std::min<std::int64_t>(m_box.cx, std::int64_t(part.right) + margin)),
                LONG(std::min<std::int64_t>(m_box.cy, std::int64_t(part.bottom) + margin))};
    }
    const bool widened = keep.left != part.left || keep.top != part.top || keep.right != part.right ||
                         keep.bottom != part.bottom;
    if (!make(keep) && (!widened || !make(keep = part))) {
        work.reset();
        mask.reset();
    }
    m_work = std::move(work);
    m_maskWork = std::move(mask);
    m_kept = m_work ? keep : RECT{};
    m_keptHighQuality = highQuality;
}

void ImageEx::TransformStale(bool highQuality)
{
    // Shared pictures never change: the steps are taken on copies.
    PxImage work = Shown(m_work), mask = Shown(m_maskWork);
    if (m_bFlip) {
        work.Flip();
        mask.Flip();
    }
    if (m_bMirror) {
        work.Mirror();
        mask.Mirror();
    }
    if (IsTurned(m_fAngle)) {
        const auto method = highQuality ? PxImage::Bicubic2 : PxImage::NearestNeighbour;
        const RGBQUAD white{255, 255, 255, 0}, black{0, 0, 0, 0};
        work.Rotate2(m_fAngle, nullptr, method, PxImage::OverflowBackground, &white, true, false, true);
        mask.Rotate2(m_fAngle, nullptr, method, PxImage::OverflowBackground, &black, true, false, true);
    }
    m_work = Shared(std::move(work));
    m_maskWork = Shared(std::move(mask));
    if (!m_work) {
        m_box = {};
        m_kept = {};
        return;
    }
    m_box = {LONG(m_work->GetWidth()), LONG(m_work->GetHeight())};
    m_kept = {0, 0, m_box.cx, m_box.cy};
    m_keptHighQuality = highQuality;
}

void ImageEx::KeepCovered()
{
    // The element is what it was, only elsewhere: the same pixels as those
    // kept, of their quality, with a margin for the moves to come. A build
    // still to be made is made where the element will then be.
    if (!m_pending && m_box.cx > 0 && m_box.cy > 0 && m_source->IsValid() && m_size.cx > 0 && m_size.cy > 0 &&
        !Holds(m_kept, PartOn(m_canvas)))
        Build(m_keptHighQuality, true);
}

void ImageEx::SetSize(SIZE size)
{
    if (m_box.cx <= 0 || m_box.cy <= 0) {
        m_size = size;
    } else if (IsUnrotated()) {
        if (size == m_size)
            return;
        m_size = size;
    } else {
        const SIZE work = GetSize();
        if (size == work)
            return;
        // The displayed size is the rotated box: scale the nominal size with it.
        m_size.cx = TruncateToLong(float(size.cx) * float(m_size.cx) / work.cx + 0.5);
        m_size.cy = TruncateToLong(float(size.cy) * float(m_size.cy) / work.cy + 0.5);
    }
    Rebuild(m_bHighQuality);
}

void ImageEx::Rotate(float degrees)
{
    // The two directions wrap differently: +360 stays, -360 becomes 0.
    const float angle = m_fAngle + degrees;
    if (angle - 360 > 0.000001)
        m_fAngle = angle - 360;
    else if (angle + 360 < 0.000001)
        m_fAngle = angle + 360;
    else
        m_fAngle = angle;

    const SIZE before = GetSize();
    const std::int64_t cx = std::int64_t(m_ptPos.x) + std::uint32_t(before.cx) / 2;
    const std::int64_t cy = std::int64_t(m_ptPos.y) + std::uint32_t(before.cy) / 2;
    Rebuild(m_bHighQuality);
    const SIZE after = GetSize();
    m_ptPos.x = SaturateToLong(cx - std::uint32_t(after.cx) / 2);
    m_ptPos.y = SaturateToLong(cy - std::uint32_t(after.cy) / 2);
    KeepCovered();
}

double ImageEx::GetAspectRatio() const
{
    // Width over height in single precision, the division included.
    if (IsUnrotated())
        return double(float(m_imgSrc.GetWidth()) / float(m_imgSrc.GetHeight()));
    return double(float(std::uint32_t(m_box.cx)) / float(std::uint32_t(m_box.cy)));
}

void ImageEx::ToggleFlipMirror(bool flip)
{
    if (flip)
        m_bFlip = !m_bFlip;
    else
        m_bMirror = !m_bMirror;
    m_fAngle = -m_fAngle;
    Rebuild(m_bHighQuality);
}

void ImageEx::Draw(HDC dc)
{
    HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    BITMAP canvas{};
    const bool onBitmap = bitmap && GetObjectW(bitmap, sizeof canvas, &canvas);
    // Moved since the last rebuild, or drawn on another card: what the
    // canvas shows of the box is made first when it is not kept.
    if (onBitmap && m_box.cx > 0 && m_box.cy > 0 && !Holds(KeptPart(), PartOn({canvas.bmWidth, canvas.bmHeight}))) {
        m_canvas = {canvas.bmWidth, canvas.bmHeight};
        KeepCovered();
    }
    MakeWork();
    if (!m_maskWork) {
        // Where something is kept, it lies on the canvas or next to it.
        if (m_work)
            m_work->Draw(dc, SaturatingAdd(m_ptPos.x, m_kept.left), SaturatingAdd(m_ptPos.y, m_kept.top), -1, -1,
                           nullptr, false);
        return;
    }
    if (onBitmap)
        BlendThroughMask(canvas);
}

namespace {

// Each channel ((255 - m) x canvas + photo x m) / 255; a pixel whose mask
// starts with 0 is left as it is.
void BlendPixels(const std::uint8_t* s, const std::uint8_t* m, std::uint8_t* d, std::int64_t count)
{
    for (std::int64_t column = 0; column < count; ++column, s += 3, m += 3, d += 3) {
        if (m[0] == 0)
            continue;
        for (int k = 0; k < 3; ++k)
            d[k] = std::uint8_t(((255 - m[k]) * d[k] + s[k] * m[k]) / 255);
    }
}

}  // namespace

void ImageEx::BlendThroughMask(const BITMAP& canvas) const
{
    const PxImage& work = Shown(m_work);
    const PxImage& mask = Shown(m_maskWork);
    if (canvas.bmBitsPixel != 24 || !canvas.bmBits || !work.IsValid() || work.GetBpp() != 24 || mask.GetBpp() != 24)
        return;
    // Both working pictures come from the same steps; guard against a mask
    // that was never rebuilt to the picture's size all the same.
    // In 64 bits: the position may lie anywhere in the 32-bit range.
    const std::int64_t width = std::min(work.GetWidth(), mask.GetWidth());
    const std::int64_t height = std::min(work.GetHeight(), mask.GetHeight());
    const std::int64_t workHeight = work.GetHeight();
    // The kept part is drawn where it lies in the box.
    const std::int64_t x = std::int64_t(m_ptPos.x) + m_kept.left, y = std::int64_t(m_ptPos.y) + m_kept.top;
    const std::int64_t firstColumn = std::max<std::int64_t>(0, -x);
    const std::int64_t endColumn = std::min<std::int64_t>(width, canvas.bmWidth - x);
    if (firstColumn >= endColumn)
        return;
    auto* canvasBits = static_cast<std::uint8_t*>(canvas.bmBits);
    constexpr std::int64_t kRun = 8;  // pixels, 24 bytes
    for (std::int64_t i = 0; i < height; ++i) {
        const std::int64_t canvasRow = canvas.bmHeight + i - y - workHeight;
        if (canvasRow < 0 || canvasRow >= canvas.bmHeight)
            continue;
        const std::uint8_t* s = work.GetBits(std::uint32_t(i)) + 3 * std::size_t(firstColumn);
        const std::uint8_t* m = mask.GetBits(std::uint32_t(i)) + 3 * std::size_t(firstColumn);
        std::uint8_t* d = canvasBits + std::size_t(canvasRow) * std::size_t(canvas.bmWidthBytes) +
                          3 * std::size_t(std::max<std::int64_t>(0, x));
        std::int64_t column = firstColumn;
        // A photo's mask is 255 inside and a frame's 0 around its windows:
        // a run the mask lets through whole is the photo's bytes, one it
        // shuts whole (every byte 0) leaves the canvas, as the formula does.
        for (; column + kRun <= endColumn; column += kRun, s += 3 * kRun, m += 3 * kRun, d += 3 * kRun) {
            std::uint64_t words[3];
            std::memcpy(words, m, sizeof words);
            if ((words[0] | words[1] | words[2]) == 0)
                continue;
            if ((words[0] & words[1] & words[2]) == ~std::uint64_t(0))
                std::memcpy(d, s, 3 * kRun);
            else
                BlendPixels(s, m, d, kRun);
        }
        BlendPixels(s, m, d, endColumn - column);
    }
}

bool ImageEx::IsTransparentAt(POINT point) const
{
    MakeWork();
    // Box pixels from the kept part's corner: a point of the box outside it
    // lies off the card, and is answered as a point outside the box.
    const std::int64_t dx = std::int64_t(point.x) - m_ptPos.x - m_kept.left;
    const std::int64_t dy = std::int64_t(point.y) - m_ptPos.y - m_kept.top;
    const std::int64_t width = std::int64_t(m_kept.right) - m_kept.left, height = std::int64_t(m_kept.bottom) - m_kept.top;
    if (dx < 0 || dy < 0 || dx >= width || dy >= height)
        return false;
    const std::int32_t column = std::int32_t(dx);
    const std::int32_t row = std::int32_t(height - 1 - dy);  // bottom-up
    const PxImage& mask = Shown(m_maskWork);
    if (mask.IsValid() && mask.IsInside(column, row) && mask.GetPixelColor(column, row, false).rgbBlue < 128)
        return true;
    return Shown(m_work).IsTransparent(column, row);
}
