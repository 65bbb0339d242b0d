// AVIF image sequences through libavif: libheif (1.15) reads only the still
// pictures of a file, and a sequence may hold none beside its track. Its
// first frame opens, as the first frame of an animated WebP does.
#pragma once

#include <cstdint>
#include <span>

#include "image/PxImage.h"

namespace pximage {

// Whether the file type box names the AVIF sequence brand, as its major
// brand or a compatible one.
bool NamesAvifSequence(std::span<const std::uint8_t> file);

// The first frame of the sequence's track into image as FormatAvif: 24 bpp
// with an alpha plane when the sequence has an alpha track, and the colour
// space its ICC profile or colour parameters declare. With info.escape -1
// only the size is set. A refusal is told in words, libavif's behind.
bool DecodeAvifSequence(PxImage& image, std::span<const std::uint8_t> file);

}  // namespace pximage
