// The picture element: the template frame or a user's photo. It keeps its
// source picture and grey mask untouched and derives working copies at the
// current size, flip, mirror and angle from them on every change.
#pragma once

#include "image/PxImage.h"
#include "model/ElementBase.h"

class ImageEx : public ElementBase {
public:
    // Empty pictures; the template reader fills them.
    ImageEx() = default;
    // A user's photo. An empty mask means fully opaque unless the photo has
    // its own alpha plane.
    ImageEx(const PxImage& picture, const PxImage& mask);

    std::unique_ptr<ElementBase> Clone() const override;
    void Draw(HDC dc) override;
    void SetSize(SIZE size) override;
    bool IsTransparentAt(POINT point) const override;
    void Rebuild(bool highQuality) override;
    void Rotate(float degrees) override;
    double GetAspectRatio() const override;
    SIZE GetSize() const override;

    // true: toggle the flip (upside down); false: toggle the mirror.
    void ToggleFlipMirror(bool flip);

    PxImage m_imgSrc;       // 24 bits per pixel
    PxImage m_imgWork;      // what is painted
    PxImage m_imgMaskSrc;   // 24-bit grey: 255 visible, 0 invisible; may be empty
    PxImage m_imgMaskWork;  // the same steps as m_imgWork, so the same size
    float m_fAngle = 0;
    bool m_bMirror = false;
    bool m_bFlip = false;

private:
    bool IsUnrotated() const;
    // Blends the working picture through its mask into the canvas bits.
    void BlendThroughMask(const BITMAP& canvas) const;
};
