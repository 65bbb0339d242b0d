// JPEG through libjpeg's decompression and compression interfaces, connected
// to PxFile streams by 4096-byte source and destination managers.
#pragma once

#include <cstdint>

#include "image/PxImage.h"

class PxImageJPG : public PxImage {
public:
    explicit PxImageJPG(std::uint32_t type = FormatJpg) : PxImage(type) {}

    // Stream -> this image: 8 bpp grey (with the grey palette) or 24 bpp, as
    // stored; the Exif orientation is only recorded (see TurnUpright).
    bool Decode(PxFile* file);
    // This image (24 bpp or 8 bpp grey ramp) -> JPEG at jpegQuality.
    bool Encode(PxFile* file);
};
