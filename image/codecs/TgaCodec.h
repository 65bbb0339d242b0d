// TGA: colour-mapped, true-colour and grey pictures, raw or run-length encoded.
#pragma once

#include <cstdint>

#include "image/PxImage.h"

class TgaCodec : public PxImage {
public:
    explicit TgaCodec(std::uint32_t type = FormatTga) : PxImage(type) {}
    bool Decode(PxFile* file);
    bool Encode(PxFile* file);
};
