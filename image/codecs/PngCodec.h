// PNG through libpng's read and write interfaces, over PxFile callbacks.
#pragma once

#include <cstdint>

#include "image/PxImage.h"

class PngCodec : public PxImage {
public:
    explicit PngCodec(std::uint32_t type = FormatPng) : PxImage(type) {}

    // Stream -> this image: 1, 4 or 8 bpp with the file's palette or a grey
    // ramp, or 24 bpp, with an alpha plane when the file has an alpha channel.
    bool Decode(PxFile* file);
    // This image -> PNG: a palette image, or 8-bit RGB / RGBA. May reorder the
    // palette of the shared image so that the transparent entry comes first.
    bool Encode(PxFile* file);
};
