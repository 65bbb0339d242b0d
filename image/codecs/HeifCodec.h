// HEIF pictures (HEVC, the format phones write) and AVIF pictures (AV1)
// through libheif, which reads the container, decodes the primary picture
// and applies its rotation, mirroring and cropping. An AVIF sequence that
// libheif cannot read opens its first frame through libavif.
#pragma once

#include <cstdint>
#include <span>

#include "image/PxImage.h"

class HeifCodec : public PxImage {
public:
    explicit HeifCodec(std::uint32_t type = FormatHeif) : PxImage(type) {}

    // Stream -> this image: the primary picture (or a sequence's first
    // frame, see above), upright, 24 bpp with an alpha plane when it has
    // alpha, and the colour space its ICC profile or colour parameters
    // declare. Whatever id the codec was made with, the picture is named
    // FormatHeif or FormatAvif by the file.
    bool Decode(PxFile* file);

    // What the file type box at the start of a file says about its coding.
    enum class Brands {
        None,     // no such box, or no brand of these formats
        Heif,     // a brand of HEVC pictures or sequences
        Avif,     // a brand of AV1 pictures or sequences
        Generic,  // only the brands of pictures of any coding
    };
    // The major brand decides when it names a coding, else the first
    // compatible brand that does; head may be the first bytes only.
    static Brands BrandsOf(std::span<const std::uint8_t> head);
};
