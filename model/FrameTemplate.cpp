#include "model/FrameTemplate.h"

#include <algorithm>
#include <cstring>

#include "image/PxImage.h"
#include "model/FrameWindows.h"
#include "model/ImageEx.h"
#include "model/WorkArea.h"

namespace {

bool HasTransparency(const PxImage& picture)
{
    return picture.AlphaIsValid() || picture.IsTransparent() || (picture.IsIndexed() && picture.AlphaPaletteIsValid());
}

// Opacity of an indexed picture's palette entries.
void PaletteOpacity(const PxImage& picture, std::uint8_t (&opacity)[256])
{
    std::fill(std::begin(opacity), std::end(opacity), std::uint8_t(255));
    const RGBQUAD* palette = picture.GetPalette();
    const std::uint32_t colours = std::min<std::uint32_t>(picture.GetNumColors(), 256);
    if (palette && picture.AlphaPaletteIsValid())
        for (std::uint32_t i = 0; i < colours; ++i)
            opacity[i] = palette[i].rgbReserved;
    if (picture.GetTransIndex() >= 0 && picture.GetTransIndex() < 256)
        opacity[picture.GetTransIndex()] = 0;
}

std::string SizeText(std::uint64_t width, std::uint64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

}  // namespace

PxImage OpacityMask(const PxImage& picture)
{
    PxImage mask;
    if (!picture.IsValid() || !HasTransparency(picture))
        return mask;
    const auto width = std::int32_t(picture.GetWidth()), height = std::int32_t(picture.GetHeight());
    if (!mask.Create(std::uint32_t(width), std::uint32_t(height), 24, FormatBmp))
        return mask;
    std::uint8_t paletteOpacity[256];
    if (picture.IsIndexed())
        PaletteOpacity(picture, paletteOpacity);
    const bool keyedColour = !picture.IsIndexed() && picture.IsTransparent();
    const RGBQUAD key = picture.GetTransColor();
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* out = mask.GetBits(std::uint32_t(y));
        const std::uint8_t* alpha = picture.AlphaIsValid() ? picture.AlphaGetPointer(0, y) : nullptr;
        const std::uint8_t* bits = picture.GetBits(std::uint32_t(y));
        for (std::int32_t x = 0; x < width; ++x, out += 3) {
            std::uint8_t opacity = 255;
            if (picture.IsIndexed())
                opacity = paletteOpacity[picture.GetPixelIndex(x, y)];
            else if (keyedColour && bits[3 * x] == key.rgbBlue && bits[3 * x + 1] == key.rgbGreen &&
                     bits[3 * x + 2] == key.rgbRed)
                opacity = 0;
            // An alpha plane holds the whole truth where there is one.
            if (alpha)
                opacity = alpha[x];
            out[0] = out[1] = out[2] = opacity;
        }
    }
    return mask;
}

std::unique_ptr<WorkArea> TemplateFromPicture(PxImage& picture, std::string& why)
{
    if (!picture.IsValid()) {
        why = "the picture is empty";
        return nullptr;
    }
    const std::uint64_t width = picture.GetWidth(), height = picture.GetHeight();
    if (width < std::uint64_t(kMinCardSide) || height < std::uint64_t(kMinCardSide)) {
        why = "the picture is " + SizeText(width, height) + ", too small to be a card (at least " +
              SizeText(kMinCardSide, kMinCardSide) + ")";
        return nullptr;
    }
    if (width * height > kMaxCardPixels) {
        why = "the picture is " + SizeText(width, height) + ", larger than a card may be (" +
              std::to_string(kMaxCardPixels >> 20) + " megapixels)";
        return nullptr;
    }
    if (!HasTransparency(picture)) {
        why = "the picture has no transparent parts, so no photo could show through it: a frame needs windows "
              "that are transparent (a PNG, WebP, TIFF, GIF or ICO picture with transparency)";
        return nullptr;
    }
    auto frame = std::make_unique<ImageEx>();
    PxImage opacity = OpacityMask(picture);
    PxImage& mask = frame->MaskSourceToFill();
    if (!opacity.IsValid() || !mask.Transfer(opacity)) {
        why = "there is not enough memory for the frame's mask";
        return nullptr;
    }
    // The frame's colours alone: its transparency lives in the mask from now on.
    PxImage& colours = frame->SourceToFill();
    colours.Transfer(picture);
    colours.SetTransIndex(-1);
    colours.SelectionDelete();
    if (!colours.IncreaseBpp(24)) {
        why = "there is not enough memory for the frame's picture";
        return nullptr;
    }
    colours.AlphaDelete();
    frame->m_nKind = ELEMENT_TEMPLATE_FRAME;
    frame->SetSize({LONG(width), LONG(height)});
    const std::vector<RECT> windows = FindFrameWindows(*frame);
    const bool hasWindow = std::any_of(windows.begin(), windows.end(), [](const RECT& w) {
        return w.right - w.left >= kMinWindowSide && w.bottom - w.top >= kMinWindowSide;
    });
    if (!hasWindow) {
        why = "the picture has no transparent window a photo could show through: its transparent parts are "
              "smaller than " + SizeText(kMinWindowSide, kMinWindowSide) + " or touch the picture's edge";
        return nullptr;
    }
    auto card = std::make_unique<WorkArea>();
    WorkArea::ElementList elements;
    elements.push_back(std::move(frame));
    card->Restore(std::move(elements), 0, -1);
    return card;
}
