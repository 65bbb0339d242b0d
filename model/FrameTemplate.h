// A template made from a picture with transparency, such as a photo frame
// drawn by another program: the picture becomes the card's frame at its full
// resolution, its transparency the frame's mask, and the transparent regions
// that the picture's edge does not cut the windows photos show through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/WinRecords.h"

class PxImage;
class WorkArea;

// A card needs room for a frame and a window: smaller pictures are refused.
constexpr LONG kMinCardSide = 64;
// The largest card a template may have: 64 megapixels is a 30 x 20 cm print
// at over 600 dpi, and keeps the frame's pictures (source, mask and their
// working copies, four bytes a pixel and more) within a desktop's memory.
constexpr std::uint64_t kMaxCardPixels = std::uint64_t(64) << 20;
// A transparent region smaller than this on either side is a speck or a
// hole in the ornament, not a window a photo could be seen through.
constexpr LONG kMinWindowSide = 8;

// The mask of the picture, 24-bit grey of the same size: each pixel's
// opacity (the alpha plane, the palette's alpha, 0 for the transparent
// index or colour, 255 elsewhere). Empty when the picture has no
// transparency at all.
PxImage OpacityMask(const PxImage& picture);

// The template of the picture: a work area holding the frame alone, at the
// picture's full size. The frame takes the picture's pixels over instead of
// copying a print-size picture: the picture is left empty unless it was
// refused before that. Null, with the reason in words in why, for a picture
// without transparency, one too small or too large to be a card, or one
// without a transparent window that the edge does not cut.
std::unique_ptr<WorkArea> TemplateFromPicture(PxImage& picture, std::string& why);
