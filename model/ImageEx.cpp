#include "model/ImageEx.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/Coordinates.h"

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
      m_bFlip(other.m_bFlip)
{
    if (work == WorkPictures::Copied) {
        m_imgWork = other.m_imgWork;
        m_imgMaskWork = other.m_imgMaskWork;
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
    if (!SharesSourcesWith(other) || !other.m_imgWork.IsValid() || !(m_size == other.m_size) ||
        m_fAngle != other.m_fAngle || m_bFlip != other.m_bFlip || m_bMirror != other.m_bMirror ||
        m_bHighQuality != other.m_bHighQuality)
        return false;
    m_imgWork.Transfer(other.m_imgWork);
    m_imgMaskWork.Transfer(other.m_imgMaskWork);
    return true;
}

// Before the first SetSize both sizes are 0 x 0: unrotated as well.
bool ImageEx::IsUnrotated() const
{
    return GetSize() == m_size;
}

SIZE ImageEx::GetSize() const
{
    if (!m_imgWork.IsValid())
        return {};
    return {LONG(m_imgWork.GetWidth()), LONG(m_imgWork.GetHeight())};
}

void ImageEx::Rebuild(bool highQuality)
{
    ElementBase::Rebuild(highQuality);
    // The image core spreads large rebuilds over all cores; small ones, as
    // the editor's steps mostly are, stay on this thread.
    auto resample = [&](PxImage& source, PxImage& work) {
        if (!source.IsValid())
            return;
        if (highQuality)
            source.Resample2(m_size.cx, m_size.cy, PxImage::Bicubic, PxImage::OverflowRepeat, &work, false, true);
        else
            source.Resample(m_size.cx, m_size.cy, 1, &work);
    };
    // The resamplers write only into the working pictures.
    resample(*m_source, m_imgWork);
    resample(*m_maskSource, m_imgMaskWork);
    if (m_bFlip) {
        m_imgWork.Flip();
        m_imgMaskWork.Flip();
    }
    if (m_bMirror) {
        m_imgWork.Mirror();
        m_imgMaskWork.Mirror();
    }
    if (std::fabs(m_fAngle) > 0.000001) {
        // Uncovered corners: white in the picture (transparent where it has
        // alpha), black in the mask, so they are invisible and let clicks through.
        const auto method = highQuality ? PxImage::Bicubic2 : PxImage::NearestNeighbour;
        const RGBQUAD white{255, 255, 255, 0}, black{0, 0, 0, 0};
        m_imgWork.Rotate2(m_fAngle, nullptr, method, PxImage::OverflowBackground, &white, true, false, true);
        m_imgMaskWork.Rotate2(m_fAngle, nullptr, method, PxImage::OverflowBackground, &black, true, false, true);
    }
}

void ImageEx::SetSize(SIZE size)
{
    if (!m_imgWork.IsValid()) {
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
}

double ImageEx::GetAspectRatio() const
{
    // Width over height in single precision, the division included.
    const PxImage& basis = IsUnrotated() ? m_imgSrc : m_imgWork;
    return double(float(basis.GetWidth()) / float(basis.GetHeight()));
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
    if (!m_imgMaskWork.IsValid()) {
        m_imgWork.Draw(dc, m_ptPos.x, m_ptPos.y, -1, -1, nullptr, false);
        return;
    }
    HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    BITMAP canvas{};
    if (!bitmap || !GetObjectW(bitmap, sizeof canvas, &canvas))
        return;
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
    if (canvas.bmBitsPixel != 24 || !canvas.bmBits || !m_imgWork.IsValid() || m_imgWork.GetBpp() != 24 ||
        m_imgMaskWork.GetBpp() != 24)
        return;
    // Both working pictures come from the same steps; guard against a mask
    // that was never rebuilt to the picture's size all the same.
    // In 64 bits: the position may lie anywhere in the 32-bit range.
    const std::int64_t width = std::min(m_imgWork.GetWidth(), m_imgMaskWork.GetWidth());
    const std::int64_t height = std::min(m_imgWork.GetHeight(), m_imgMaskWork.GetHeight());
    const std::int64_t workHeight = m_imgWork.GetHeight();
    const std::int64_t x = m_ptPos.x, y = m_ptPos.y;
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
        const std::uint8_t* s = m_imgWork.GetBits(std::uint32_t(i)) + 3 * std::size_t(firstColumn);
        const std::uint8_t* m = m_imgMaskWork.GetBits(std::uint32_t(i)) + 3 * std::size_t(firstColumn);
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
    const SIZE size = GetSize();
    const std::int64_t dx = std::int64_t(point.x) - m_ptPos.x, dy = std::int64_t(point.y) - m_ptPos.y;
    if (dx < 0 || dy < 0 || dx >= size.cx || dy >= size.cy)
        return false;
    const std::int32_t column = std::int32_t(dx);
    const std::int32_t row = std::int32_t(size.cy - 1 - dy);  // bottom-up
    if (m_imgMaskWork.IsValid() && m_imgMaskWork.IsInside(column, row) &&
        m_imgMaskWork.GetPixelColor(column, row, false).rgbBlue < 128)
        return true;
    return m_imgWork.IsTransparent(column, row);
}
