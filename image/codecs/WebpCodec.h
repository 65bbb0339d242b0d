// WebP through libwebp's decoder, and its demuxer for the container's chunks:
// the colour profile, the Exif block and the frames of an animation.
#pragma once

#include <cstdint>

#include "image/PxImage.h"

class WebpCodec : public PxImage {
public:
    explicit WebpCodec(std::uint32_t type = FormatWebp) : PxImage(type) {}

    // Stream -> this image: 24 bpp, with an alpha plane when the file has
    // alpha; of an animation, its first frame. The ICC profile becomes the
    // colour space; the Exif orientation is only recorded (see TurnUpright).
    bool Decode(PxFile* file);
};
