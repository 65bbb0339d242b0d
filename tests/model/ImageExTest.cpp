#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "model/FrameWindows.h"
#include "model/ImageEx.h"
#include "model/WorkArea.h"
#include "tests/image/ReferenceSampler.h"
#include "tests/image/TestImages.h"
#include "tests/model/CardFixtures.h"
#include "tests/platform/WhiteCanvas.h"

namespace {

using Canvas = WhiteCanvas;

// Colour of picture pixel (x, y) counted from the top, as the canvas shows it.
RGBQUAD FromTop(const PxImage& image, int x, int y)
{
    RGBQUAD c = image.GetPixelColor(x, int(image.GetHeight()) - 1 - y, false);
    c.rgbReserved = 0;
    return c;
}

TEST(ImageEx, PhotoWithoutAlphaGetsAnOpaqueMaskAndDrawsUnchanged)
{
    const PxImage photo = testimages::Random(200, 100, 24, false, 1);
    ImageEx element(photo, PxImage());
    ASSERT_TRUE(element.m_imgMaskSrc.IsValid());
    EXPECT_EQ(element.m_imgMaskSrc.GetWidth(), 1u);
    EXPECT_EQ(element.m_nKind, ELEMENT_USER);
    element.SetSize({200, 100});
    ASSERT_EQ(element.WorkMask().GetWidth(), 200u);
    ASSERT_EQ(element.WorkMask().GetHeight(), 100u);
    EXPECT_EQ(element.WorkMask().GetPixelColor(123, 45, false), (RGBQUAD{255, 255, 255, 0}));
    Canvas canvas(220, 120);
    element.m_ptPos = {10, 15};
    element.Draw(canvas.Dc());
    for (int y = 0; y < 100; y += 7)
        for (int x = 0; x < 200; x += 9)
            ASSERT_EQ(canvas.At(10 + x, 15 + y), FromTop(photo, x, y)) << x << "," << y;
    EXPECT_EQ(canvas.At(9, 15), (RGBQUAD{255, 255, 255, 0}));
}

TEST(ImageEx, IndexedPicturesAndMasksBecome24Bit)
{
    ImageEx element(testimages::Random(9, 9, 8, false, 2), testimages::Random(9, 9, 4, false, 3));
    EXPECT_EQ(element.m_imgSrc.GetBpp(), 24);
    EXPECT_EQ(element.m_imgMaskSrc.GetBpp(), 24);
    PxImage withAlpha = testimages::Random(4, 4, 24, true, 4);
    ImageEx alphaPhoto(withAlpha, PxImage());
    EXPECT_FALSE(alphaPhoto.m_imgMaskSrc.IsValid());  // drawn through its alpha plane
}

TEST(ImageEx, MaskBlendFormulaAndSkippedPixels)
{
    PxImage photo(3, 1, 24, 0);
    photo.Clear(0);  // black
    PxImage mask(3, 1, 24, 0);
    mask.SetPixelColor(0, 0, {0, 255, 255, 0});  // first byte 0: skipped whatever the rest says
    mask.SetPixelColor(1, 0, {128, 128, 128, 0});
    mask.SetPixelColor(2, 0, {255, 1, 0, 0});
    ImageEx element(photo, mask);
    element.SetSize({3, 1});
    Canvas canvas(3, 1);
    element.Draw(canvas.Dc());
    EXPECT_EQ(canvas.At(0, 0), (RGBQUAD{255, 255, 255, 0}));
    // ((255 - m) x 255 + 0 x m) / 255 per channel.
    EXPECT_EQ(canvas.At(1, 0), (RGBQUAD{127, 127, 127, 0}));
    EXPECT_EQ(canvas.At(2, 0), (RGBQUAD{0, 254, 255, 0}));
}

// Masks of runs (shut, open, partly open, first byte 0 only) over widths and
// clipped starts that put every run on and off the eight-pixel groups.
TEST(ImageEx, MaskRunsBlendAsTheFormulaSaysAtEveryAlignment)
{
    const PxImage photo = testimages::Random(61, 2, 24, false, 7);
    PxImage mask(61, 2, 24, 0);
    for (int x = 0; x < 61; ++x)
        for (int y = 0; y < 2; ++y) {
            const int run = (x + 5 * y) / 9 % 4;
            const BYTE m = BYTE(run == 0 ? 0 : run == 1 ? 255 : 40 + 3 * x);
            mask.SetPixelColor(x, y, run == 3 ? RGBQUAD{0, m, m, 0} : RGBQUAD{m, m, m, 0});
        }
    ImageEx element(photo, mask);
    element.SetSize({61, 2});
    for (const LONG left : {0, -1, -3, -8, -13}) {
        Canvas canvas(70, 2);
        element.m_ptPos = {left, 0};
        element.Draw(canvas.Dc());
        for (int y = 0; y < 2; ++y)
            for (int x = -left; x < 61; ++x) {
                const RGBQUAD m = FromTop(element.WorkMask(), x, y), p = FromTop(photo, x, y);
                const auto blend = [&](BYTE mc, BYTE pc) { return BYTE(m.rgbBlue == 0 ? 255 : ((255 - mc) * 255 + pc * mc) / 255); };
                const RGBQUAD expected{blend(m.rgbBlue, p.rgbBlue), blend(m.rgbGreen, p.rgbGreen), blend(m.rgbRed, p.rgbRed), 0};
                ASSERT_EQ(canvas.At(left + x, y), expected) << "left " << left << ", " << x << "," << y;
            }
    }
}

TEST(ImageEx, ClippedAtTheCanvasEdges)
{
    const PxImage photo = testimages::Random(80, 20, 24, false, 5);
    ImageEx element(photo, PxImage());
    element.SetSize({80, 20});
    Canvas canvas(60, 10);
    element.m_ptPos = {-50, -5};
    element.Draw(canvas.Dc());
    EXPECT_EQ(canvas.At(0, 0), FromTop(photo, 50, 5));
    EXPECT_EQ(canvas.At(29, 9), FromTop(photo, 79, 14));
    EXPECT_EQ(canvas.At(30, 0), (RGBQUAD{255, 255, 255, 0}));

    element.m_ptPos = {40, 3};  // past the right and bottom edges
    element.Draw(canvas.Dc());
    EXPECT_EQ(canvas.At(59, 9), FromTop(photo, 19, 6));
}

TEST(ImageEx, RotationKeepsTheCentreAndWrapsAsymmetrically)
{
    ImageEx element(testimages::Random(200, 100, 24, false, 6), PxImage());
    element.SetSize({200, 100});
    element.m_ptPos = {10, 10};
    element.Rotate(90);
    const SIZE turned = element.GetSize();
    EXPECT_EQ(turned.cx, 100);
    EXPECT_EQ(turned.cy, 200);
    EXPECT_EQ(element.m_ptPos.x + turned.cx / 2, 110);
    EXPECT_EQ(element.m_ptPos.y + turned.cy / 2, 60);
    const POINT before = element.m_ptPos;
    element.SetSize(turned);  // the displayed size: nothing changes
    EXPECT_EQ(element.m_size.cx, 200);
    EXPECT_EQ(element.m_ptPos.x, before.x);

    const float expectedUp[] = {180, 270, 360, 90};
    for (float expected : expectedUp) {
        element.Rotate(90);
        EXPECT_EQ(element.m_fAngle, expected);
    }
    ImageEx other(testimages::Random(4, 4, 24, false, 7), PxImage());
    other.SetSize({4, 4});
    const float expectedDown[] = {-90, -180, -270, 0};
    for (float expected : expectedDown) {
        other.Rotate(-90);
        EXPECT_EQ(other.m_fAngle, expected);
    }
}

TEST(ImageEx, RotatedResizeScalesTheNominalSize)
{
    ImageEx element(testimages::Random(100, 50, 24, false, 8), PxImage());
    element.SetSize({100, 50});
    element.Rotate(90);
    element.SetSize({100, 200});  // the rotated box doubled in both directions
    EXPECT_EQ(element.m_size.cx, 200);
    EXPECT_EQ(element.m_size.cy, 100);
    EXPECT_EQ(element.GetSize().cx, 100);
    EXPECT_EQ(element.GetSize().cy, 200);
    EXPECT_DOUBLE_EQ(element.GetAspectRatio(), 0.5);
}

TEST(ImageEx, AspectRatioIsASinglePrecisionQuotient)
{
    ImageEx element(testimages::Random(100, 300, 24, false, 8), PxImage());
    const double oneThirdInFloat = 0.3333333432674408;  // 1 / 3 rounded to single precision
    // Before the first SetSize the empty working picture matches the 0 x 0
    // nominal size: the source's ratio, not 0 / 0.
    EXPECT_EQ(element.GetAspectRatio(), oneThirdInFloat);
    element.SetSize({50, 150});
    EXPECT_EQ(element.GetAspectRatio(), oneThirdInFloat);
}

TEST(ImageEx, FlipMirrorToggles)
{
    ImageEx element(testimages::Random(6, 4, 24, false, 9), PxImage());
    element.SetSize({6, 4});
    element.Rotate(30);
    element.ToggleFlipMirror(true);
    EXPECT_TRUE(element.m_bFlip);
    EXPECT_EQ(element.m_fAngle, -30);
    element.ToggleFlipMirror(true);
    EXPECT_FALSE(element.m_bFlip);
    EXPECT_EQ(element.m_fAngle, 30);

    ImageEx plain(testimages::Random(6, 4, 24, false, 10), PxImage());
    plain.SetSize({6, 4});
    plain.ToggleFlipMirror(false);
    EXPECT_EQ(FromTop(plain.WorkPicture(), 0, 0), FromTop(plain.m_imgSrc, 5, 0));
}

TEST(ImageEx, HitTestThroughRotatedCornersAndMasks)
{
    ImageEx element(testimages::Random(100, 100, 24, false, 11), PxImage());
    element.SetSize({100, 100});
    element.Rotate(45);
    const SIZE size = element.GetSize();
    element.m_ptPos = {0, 0};
    EXPECT_TRUE(element.IsTransparentAt({1, 1}));              // uncovered corner: black mask
    EXPECT_FALSE(element.IsTransparentAt({size.cx / 2, size.cy / 2}));
    EXPECT_FALSE(element.IsTransparentAt({-1, 5}));            // outside the box
    EXPECT_FALSE(element.IsTransparentAt({size.cx, 5}));

    PxImage photo = testimages::Random(4, 4, 24, true, 12);
    photo.AlphaSet(255);
    photo.AlphaSet(1, 3, 0);  // top row, second column
    ImageEx alphaPhoto(photo, PxImage());
    alphaPhoto.SetSize({4, 4});
    EXPECT_TRUE(alphaPhoto.IsTransparentAt({1, 0}));
    EXPECT_FALSE(alphaPhoto.IsTransparentAt({2, 0}));
}

// Copies share the untouched sources and the working pictures made so far,
// which never change: a copy changed afterwards makes its own and leaves the
// original's as they were. A state copy holds no working pictures and
// rebuilds the same ones.
TEST(ImageEx, ClonesShareSourcesAndWorkingPicturesButChangeAlone)
{
    ImageEx element(testimages::Random(5, 5, 24, true, 13), testimages::Random(5, 5, 24, false, 14));
    element.SetSize({10, 10});
    element.Rotate(30);
    element.m_nKind = ELEMENT_TEMPLATE_FRAME;
    element.m_ptPos = {3, 4};
    const PxImage made(element.WorkPicture());
    auto copy = element.Clone();
    auto* image = dynamic_cast<ImageEx*>(copy.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->m_nKind, ELEMENT_TEMPLATE_FRAME);
    EXPECT_EQ(image->m_ptPos.y, 4);
    EXPECT_TRUE(image->SharesSourcesWith(element));
    EXPECT_EQ(&image->m_imgSrc, &element.m_imgSrc);
    EXPECT_EQ(image->WorkPicture().GetBits(), element.WorkPicture().GetBits());
    image->ToggleFlipMirror(true);
    image->SetSize({12, 12});
    EXPECT_NE(image->WorkPicture().GetBits(), element.WorkPicture().GetBits());
    EXPECT_TRUE(testimages::SamePixels(element.WorkPicture(), made));

    auto state = element.CloneState();
    auto* stored = dynamic_cast<ImageEx*>(state.get());
    ASSERT_NE(stored, nullptr);
    EXPECT_TRUE(stored->SharesSourcesWith(element));
    EXPECT_FALSE(stored->WorkPicture().IsValid());
    copy.reset();  // the sources outlive any one holder
    stored->Rebuild(false);
    EXPECT_TRUE(testimages::SamePixels(stored->WorkPicture(), element.WorkPicture()));
    EXPECT_TRUE(testimages::SamePixels(stored->WorkMask(), element.WorkMask()));
    EXPECT_EQ(stored->GetPos().x, element.GetPos().x);
}


// ---- photos larger than the card keep only the part on it ----

struct WholeBox {
    PxImage picture, mask;
};

// The working pictures of the element's whole box, by the steps it always
// took: resampled, flipped, mirrored and turned as a whole.
WholeBox MadeWhole(const ImageEx& element, bool highQuality)
{
    WholeBox box;
    auto make = [&](const PxImage& source, PxImage& work, RGBQUAD fill) {
        if (!source.IsValid())
            return;
        PxImage copy(source);
        if (highQuality)
            copy.Resample2(element.m_size.cx, element.m_size.cy, PxImage::Bicubic, PxImage::OverflowRepeat, &work,
                           false, true);
        else
            copy.Resample(element.m_size.cx, element.m_size.cy, 1, &work);
        if (element.m_bFlip)
            work.Flip();
        if (element.m_bMirror)
            work.Mirror();
        if (std::fabs(element.m_fAngle) > 0.000001)
            work.Rotate2(element.m_fAngle, nullptr, highQuality ? PxImage::Bicubic2 : PxImage::NearestNeighbour,
                         PxImage::OverflowBackground, &fill, true, false, true);
    };
    make(element.m_imgSrc, box.picture, {255, 255, 255, 0});
    make(element.m_imgMaskSrc, box.mask, {0, 0, 0, 0});
    return box;
}

// The rectangle of a box (y downwards) out of a picture of the whole box.
PxImage PartOf(const PxImage& whole, const RECT& part)
{
    return testimages::Cut(whole, {part.left, LONG(whole.GetHeight()) - part.bottom, part.right - part.left,
                                   part.bottom - part.top});
}

bool SameCanvas(const MemoryCanvas& a, const MemoryCanvas& b, LONG width, LONG height)
{
    for (LONG k = 0; k < height; ++k)
        if (std::memcmp(a.Row(k), b.Row(k), 3 * std::size_t(width)) != 0)
            return false;
    return true;
}

// The box's part on the card at pos.
RECT OnCard(SIZE box, SIZE card, POINT pos)
{
    RECT r{std::max<LONG>(0, -pos.x), std::max<LONG>(0, -pos.y), std::min(box.cx, card.cx - pos.x),
           std::min(box.cy, card.cy - pos.y)};
    return r.left < r.right && r.top < r.bottom ? r : RECT{};
}

bool Holds(const RECT& outer, const RECT& inner)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// A strip scaled up six times, its box twenty times the card's height: at
// every place, turn, flip and mirror the working pictures hold the box's part
// on the card (fast ones a margin more), each pixel the one the whole box
// has, and the card shows what the whole box shows.
TEST(ImageEx, WorkingPicturesHoldThePartOnTheCardAsTheWholeBoxHasIt)
{
    const SIZE card{80, 60};
    const PxImage strip = testimages::Random(13, 200, 24, false, 21);
    const PxImage greyMask = testimages::Random(13, 200, 24, false, 22);
    for (const bool masked : {false, true})
        for (const float angle : {0.0f, 90.0f, 33.0f, -167.5f})
            for (const int flips : {0, 1, 2, 3})
                for (const bool highQuality : {false, true}) {
                    ImageEx whole(strip, masked ? greyMask : PxImage());
                    whole.m_bFlip = (flips & 1) != 0;
                    whole.m_bMirror = (flips & 2) != 0;
                    whole.m_fAngle = angle;
                    whole.m_size = {78, 1200};
                    whole.Rebuild(highQuality);
                    const WholeBox made = MadeWhole(whole, highQuality);
                    // Told no card, an element keeps its whole box.
                    ASSERT_TRUE(testimages::SamePixels(whole.WorkPicture(), made.picture));
                    ASSERT_TRUE(testimages::SamePixels(whole.WorkMask(), made.mask));
                    const SIZE box = whole.GetSize();
                    ASSERT_EQ(box.cx, LONG(made.picture.GetWidth()));
                    ASSERT_EQ(box.cy, LONG(made.picture.GetHeight()));
                    for (const POINT pos : {POINT{-10, -500}, POINT{30, 1 - box.cy}, POINT{-40, 40}, POINT{200, 0}}) {
                        const std::string where = "angle " + std::to_string(angle) + " flips " +
                                                  std::to_string(flips) + (highQuality ? " fine" : " fast") +
                                                  " at " + std::to_string(pos.x) + "," + std::to_string(pos.y);
                        ImageEx element(whole);
                        element.SetCanvas(card);
                        element.m_ptPos = pos;
                        element.Rebuild(highQuality);
                        EXPECT_EQ(element.GetSize(), box);
                        const RECT onCard = OnCard(box, card, pos), kept = element.KeptPart();
                        if (onCard.right == 0) {
                            EXPECT_FALSE(element.WorkPicture().IsValid()) << where;
                            continue;
                        }
                        ASSERT_TRUE(Holds(kept, onCard)) << where;
                        ASSERT_TRUE(Holds({0, 0, box.cx, box.cy}, kept)) << where;
                        if (highQuality)
                            EXPECT_TRUE(Holds(onCard, kept)) << where;
                        ASSERT_TRUE(testimages::SamePixels(element.WorkPicture(), PartOf(made.picture, kept))) << where;
                        ASSERT_TRUE(testimages::SamePixels(element.WorkMask(), PartOf(made.mask, kept))) << where;
                        WhiteCanvas expected(card.cx, card.cy), shown(card.cx, card.cy);
                        whole.m_ptPos = pos;
                        whole.Draw(expected.Dc());
                        element.Draw(shown.Dc());
                        ASSERT_TRUE(SameCanvas(expected, shown, card.cx, card.cy)) << where;
                    }
                }
}

// Moving keeps the working pictures while the card shows nothing beyond
// them, and rebuilds them when it does; the card and the hit test answer as
// for the whole box, and a point of the box off the card as one outside it.
TEST(ImageEx, MovesRebuildOnlyWhenTheCardShowsWhatIsNotKept)
{
    const SIZE card{120, 90};
    const PxImage strip = testimages::Random(13, 300, 24, false, 23);
    const PxImage greyMask = testimages::Random(13, 300, 24, false, 24);
    ImageEx whole(strip, greyMask), element(strip, greyMask);
    element.SetCanvas(card);
    for (ImageEx* e : {&whole, &element}) {
        e->m_ptPos = {20, -500};
        e->SetSize({78, 1800});
    }
    auto same = [&](const char* step) {
        whole.m_ptPos = element.m_ptPos;
        WhiteCanvas expected(card.cx, card.cy), shown(card.cx, card.cy);
        whole.Draw(expected.Dc());
        element.Draw(shown.Dc());
        EXPECT_TRUE(SameCanvas(expected, shown, card.cx, card.cy)) << step;
        for (LONG y = 0; y < card.cy; y += 3)
            for (LONG x = 0; x < card.cx; x += 3)
                ASSERT_EQ(element.IsTransparentAt({x, y}), whole.IsTransparentAt({x, y})) << step << " " << x << "," << y;
    };
    const std::uint8_t* kept = element.WorkPicture().GetBits();
    const std::int64_t keptPixels = std::int64_t(element.WorkPicture().GetWidth()) * element.WorkPicture().GetHeight();
    EXPECT_LT(keptPixels, 78 * 1800 / 4);
    element.m_ptPos.y -= 30;  // within the margin
    same("a small step");
    EXPECT_EQ(element.WorkPicture().GetBits(), kept);
    element.m_ptPos.y -= 400;
    same("a long way");
    EXPECT_NE(element.WorkPicture().GetBits(), kept);
    // A save leaves high-quality pixels behind and the fast resampler for
    // the next change; a move is no change of the picture and keeps them.
    for (ImageEx* e : {&whole, &element}) {
        e->Rebuild(true);
        e->m_bHighQuality = 0;
    }
    element.m_ptPos.y += 600;
    same("a long way after a save");

    // Far below the card, a point of the box counts as outside it.
    const POINT below{element.m_ptPos.x + 5, card.cy + 600};
    ASSERT_LT(below.y, element.m_ptPos.y + element.GetSize().cy);
    EXPECT_FALSE(element.IsTransparentAt(below));

    // A state put back elsewhere takes the working pictures only when they
    // cover what it shows there.
    auto far = element.CloneState(), near = element.CloneState();
    auto& farImage = static_cast<ImageEx&>(*far);
    auto& nearImage = static_cast<ImageEx&>(*near);
    farImage.m_ptPos.y -= 500;
    nearImage.m_ptPos.y += 10;
    EXPECT_FALSE(farImage.TakeWorkFrom(element));
    EXPECT_TRUE(nearImage.TakeWorkFrom(element));
    EXPECT_EQ(nearImage.GetSize(), whole.GetSize());
}

// A picture shown at its own size as it stands (a frame at 100%) is its
// source itself, which both resamplers would copy unchanged; mirrored, it is
// a picture of its own.
TEST(ImageEx, PictureAtItsOwnSizeIsItsSource)
{
    ImageEx frame(testimages::Random(30, 20, 24, false, 27), testimages::Random(30, 20, 24, false, 28));
    frame.SetSize({30, 20});
    for (const bool highQuality : {false, true}) {
        frame.Rebuild(highQuality);
        EXPECT_EQ(frame.WorkPicture().GetBits(), frame.m_imgSrc.GetBits());
        EXPECT_EQ(frame.WorkMask().GetBits(), frame.m_imgMaskSrc.GetBits());
    }
    frame.ToggleFlipMirror(false);
    EXPECT_NE(frame.WorkPicture().GetBits(), frame.m_imgSrc.GetBits());
    EXPECT_EQ(FromTop(frame.WorkPicture(), 0, 0), FromTop(frame.m_imgSrc, 29, 0));
    EXPECT_EQ(FromTop(frame.WorkMask(), 0, 3), FromTop(frame.m_imgMaskSrc, 29, 3));
}

// Working pictures are made when first drawn or looked at. A photo changed
// step after step with nothing looking, then copied, drawn and handed to an
// undo state, shows what one whose pictures are made at every step shows.
TEST(ImageEx, PicturesMadeWhenFirstNeededShowWhatPicturesMadeAtOnceShow)
{
    const SIZE card{120, 90};
    const PxImage photo = testimages::Random(40, 30, 24, false, 26);
    ImageEx lazy(photo, PxImage()), eager(photo, PxImage());
    auto both = [&](const std::function<void(ImageEx&)>& step) {
        step(lazy);
        step(eager);
        eager.WorkPicture();
    };
    auto same = [&](const ImageEx& a, const ImageEx& b, const char* when) {
        WhiteCanvas shownA(card.cx, card.cy), shownB(card.cx, card.cy);
        a.Clone()->Draw(shownA.Dc());
        b.Clone()->Draw(shownB.Dc());
        EXPECT_TRUE(SameCanvas(shownA, shownB, card.cx, card.cy)) << when;
    };
    both([&](ImageEx& e) { e.SetCanvas(card); });
    both([](ImageEx& e) { e.SetSize({300, 200}); });
    both([](ImageEx& e) {
        e.m_ptPos = {-50, -40};
        e.KeepCovered();
    });
    both([](ImageEx& e) { e.Rotate(33); });
    both([](ImageEx& e) { e.ToggleFlipMirror(false); });
    same(lazy, eager, "turned and mirrored");
    both([](ImageEx& e) {
        e.Rebuild(true);  // as a save does
        e.m_bHighQuality = 0;
    });
    both([](ImageEx& e) {
        e.m_ptPos.x += 150;
        e.KeepCovered();
    });
    same(lazy, eager, "saved and moved");
    for (LONG y = 0; y < card.cy; y += 7)
        for (LONG x = 0; x < card.cx; x += 7)
            ASSERT_EQ(lazy.IsTransparentAt({x, y}), eager.IsTransparentAt({x, y})) << x << "," << y;

    both([](ImageEx& e) { e.SetSize({200, 150}); });
    auto lazyState = lazy.CloneState(), eagerState = eager.CloneState();
    auto& lazyBack = static_cast<ImageEx&>(*lazyState);
    auto& eagerBack = static_cast<ImageEx&>(*eagerState);
    ASSERT_TRUE(lazyBack.TakeWorkFrom(lazy));
    ASSERT_TRUE(eagerBack.TakeWorkFrom(eager));
    EXPECT_FALSE(lazy.WorkPicture().IsValid());
    same(lazyBack, eagerBack, "handed to an undo state");
}

// The strip of the issue: 216 x 65,511 pixels fitted to cover a window of
// 1,298 x 900 has a box of 1,298 x 393,673, above what a decoder gives a
// picture; the card keeps a few cards' worth fast and exactly the part on
// the card for the save, with the pixels of the whole picture's definition.
TEST(ImageEx, TallStripFittedAndSavedKeepsTheMemoryOfTheCard)
{
    const SIZE cardSize{1500, 1000};
    const RECT window{101, 50, 1399, 950};
    WorkArea card;
    WorkArea::ElementList elements;
    elements.push_back(cardfixtures::Frame(cardSize.cx, cardSize.cy, window));
    card.Restore(std::move(elements), 0, -1);
    const PxImage strip = testimages::Random(216, 65511, 24, false, 25);
    auto placed = std::make_unique<ImageEx>(strip, PxImage());
    placed->SetSize({5, 1000});
    ImageEx& photo = *placed;
    card.AddElement(std::move(placed));

    FitPhotoToWindow(photo, window);
    const SIZE box = photo.GetSize();
    EXPECT_EQ(box.cx, 1298);
    EXPECT_EQ(box.cy, 393673);
    auto pixels = [](const PxImage& image) { return std::int64_t(image.GetWidth()) * image.GetHeight(); };
    const std::int64_t cardPixels = std::int64_t(cardSize.cx) * cardSize.cy;
    EXPECT_GT(pixels(photo.WorkPicture()), 0);
    EXPECT_LE(pixels(photo.WorkPicture()), 4 * cardPixels);
    EXPECT_LE(pixels(photo.WorkMask()), 4 * cardPixels);

    photo.Rebuild(true);  // as the save does
    const RECT kept = photo.KeptPart(), onCard = OnCard(box, cardSize, photo.m_ptPos);
    EXPECT_TRUE(Holds(kept, onCard) && Holds(onCard, kept));
    EXPECT_LE(pixels(photo.WorkPicture()), cardPixels);
    WhiteCanvas shown(cardSize.cx, cardSize.cy);
    photo.Draw(shown.Dc());
    // Each pixel by the resampler's definition, the picture and the mask
    // (one opaque pixel that bicubic weights leave a shade below 255 here
    // and there) alike, blended as the card blends them.
    auto sample = [&](const PxImage& source, LONG x, LONG y) {
        const float xs = float(source.GetWidth()) / float(box.cx), ys = float(source.GetHeight()) / float(box.cy);
        const LONG row = box.cy - 1 - (y - photo.m_ptPos.y);  // stored bottom-up
        return reference::Sample(source, (float(x - photo.m_ptPos.x) + 0.5f) * xs - 0.5f, (float(row) + 0.5f) * ys - 0.5f,
                                 PxImage::Bicubic, PxImage::OverflowRepeat, nullptr);
    };
    for (LONG y = window.top; y < window.bottom; y += 37)
        for (LONG x = window.left; x < window.right; x += 41) {
            const RGBQUAD p = sample(strip, x, y), m = sample(photo.m_imgMaskSrc, x, y);
            auto blend = [&](BYTE mc, BYTE pc) { return BYTE(m.rgbBlue == 0 ? 255 : ((255 - mc) * 255 + pc * mc) / 255); };
            const RGBQUAD expected{blend(m.rgbBlue, p.rgbBlue), blend(m.rgbGreen, p.rgbGreen), blend(m.rgbRed, p.rgbRed), 0};
            ASSERT_EQ(shown.At(x, y), expected) << x << "," << y;
        }

    // Told no card, the box is more than a picture may have: nothing is kept
    // until it is drawn on a card, which gets the part it shows.
    ImageEx loose(strip, PxImage());
    loose.SetSize({1298, 393673});
    EXPECT_EQ(loose.GetSize(), box);
    EXPECT_FALSE(loose.WorkPicture().IsValid());
    loose.Rebuild(true);
    loose.m_ptPos = photo.m_ptPos;
    WhiteCanvas again(cardSize.cx, cardSize.cy);
    loose.Draw(again.Dc());
    EXPECT_LE(pixels(loose.WorkPicture()), 4 * cardPixels);
    EXPECT_TRUE(SameCanvas(again, shown, cardSize.cx, cardSize.cy));
}

}  // namespace
