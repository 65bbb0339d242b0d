// The picture element: the template frame or a user's photo. It keeps its
// source picture and grey mask untouched and derives working copies at the
// current size, flip, mirror and angle from them after every change. They
// are made when something first draws them or looks at them: a change that
// the next one replaces (a photo placed, then fitted, then saved at full
// quality) costs no pixels.
//
// The working pictures as a whole fill the element's box (GetSize), which
// can be far larger than the card: a tall strip fitted across a window is
// hundreds of thousands of rows high. Once the element knows its canvas
// (SetCanvas), they hold only the part of the box on the card, with a
// margin for the next moves; each of their pixels is the one the whole
// picture has there. A frame is told no canvas and keeps its whole box.
#pragma once

#include <memory>
#include <optional>

#include "image/PxImage.h"
#include "model/ElementBase.h"
#include "model/SourceFile.h"

class ImageEx : public ElementBase {
public:
    // Empty pictures; the template reader fills them.
    ImageEx() = default;
    // A user's photo, taken over rather than copied when it is moved in. An
    // empty mask means fully opaque unless the photo has its own alpha plane.
    ImageEx(PxImage picture, PxImage mask);

    ImageEx(const ImageEx& other);
    ImageEx& operator=(const ImageEx&) = delete;

    std::unique_ptr<ElementBase> Clone() const override;
    std::unique_ptr<ElementBase> CloneState() const override;
    void Draw(HDC dc) override;
    void SetSize(SIZE size) override;
    bool IsTransparentAt(POINT point) const override;
    void Rebuild(bool highQuality) override;
    void Rotate(float degrees) override;
    double GetAspectRatio() const override;
    SIZE GetSize() const override;
    void SetCanvas(SIZE canvas) override { m_canvas = canvas; }

    // Makes the working pictures again, with the resampler they came from,
    // when they do not hold all of the box that falls on the canvas at the
    // element's present position (it moved).
    void KeepCovered();
    // The part of the box the working pictures hold: box pixels from the
    // box's top-left corner, y downwards; empty when they hold nothing.
    const RECT& KeptPart() const;
    // What is painted, the kept part of the box, and its mask, made by the
    // same steps and so of the same size.
    const PxImage& WorkPicture() const;
    const PxImage& WorkMask() const;

    // true: toggle the flip (upside down); false: toggle the mirror.
    void ToggleFlipMirror(bool flip);

    // The source pictures are filled once, by the constructor or, on an
    // element not yet copied, through these; they never change afterwards.
    PxImage& SourceToFill() { return *m_source; }
    PxImage& MaskSourceToFill() { return *m_maskSource; }
    // The source picture itself, shared and never changed (a reader on another
    // thread may hold it).
    std::shared_ptr<const PxImage> SharedSource() const { return m_source; }
    // True when both elements hold the very same source pictures.
    bool SharesSourcesWith(const ImageEx& other) const;
    // When other shows the same sources in the same state (size, angle, flip,
    // mirror, quality), its working pictures move here instead of being
    // rebuilt; false, with nothing moved, otherwise.
    bool TakeWorkFrom(ImageEx& other);

    // The file the source picture was decoded from, when it came from one.
    const SharedSourceFile& Origin() const { return m_origin; }
    void SetOrigin(SharedSourceFile origin) { m_origin = std::move(origin); }

private:
    // Shared by every copy of the element: a copy costs no source pixels.
    std::shared_ptr<PxImage> m_source = std::make_shared<PxImage>();
    std::shared_ptr<PxImage> m_maskSource = std::make_shared<PxImage>();
    SharedSourceFile m_origin;

public:
    // Read-only views of the shared sources; they stay bound to them because
    // the shared pictures are never replaced.
    const PxImage& m_imgSrc = *m_source;      // 24 bits per pixel
    const PxImage& m_imgMaskSrc = *m_maskSource;  // 24-bit grey: 255 visible, 0 invisible; may be empty
    float m_fAngle = 0;
    bool m_bMirror = false;
    bool m_bFlip = false;

private:
    enum class WorkPictures { Copied, Dropped };
    ImageEx(const ImageEx& other, WorkPictures work);
    bool IsUnrotated() const;
    // The part of the box on this canvas at the element's position; the
    // whole box when the canvas is not known.
    RECT PartOn(SIZE canvas) const;
    // The box for the present size and angle; the working pictures for its
    // part on the canvas are left to be made (MakeWork).
    void Build(bool highQuality, bool widen);
    // Makes the working pictures that the last Build left to be made, for
    // the part of the box on the canvas where the element then is (each of
    // their pixels is the same wherever it stands), with the margin for
    // moves when it has moved since, as a rebuild after a move has.
    void MakeWork() const;
    // Builds the working pictures for that part of the box (with a margin
    // when widened), within the pixels a decoded picture may have.
    void BuildPart(RECT part, bool highQuality, bool widen) const;
    // The steps after the resampling (flip, mirror, turn) as they always
    // ran, on the working pictures a refused resampling leaves as they were.
    void TransformStale(bool highQuality);
    // Blends the working picture through its mask into the canvas bits.
    void BlendThroughMask(const BITMAP& canvas) const;

    SIZE m_canvas{};  // {0, 0}: not known
    SIZE m_box{};     // the working pictures' size as a whole; {0, 0} until built

    // The working pictures and what they hold, made when first needed. Made,
    // they never change: copies of the element share them, and one that is
    // its source unchanged (a frame shown at its own size) is the source.
    struct Pending {
        bool highQuality;
        bool widen;
        POINT at;  // where the element stood when it was asked for
    };
    mutable std::optional<Pending> m_pending;  // the build MakeWork has still to do
    mutable std::shared_ptr<const PxImage> m_work;      // see WorkPicture; null for none
    mutable std::shared_ptr<const PxImage> m_maskWork;  // see WorkMask; null for none
    mutable RECT m_kept{};                              // see KeptPart
    mutable bool m_keptHighQuality = false;  // the resampler the kept pixels came from
};
