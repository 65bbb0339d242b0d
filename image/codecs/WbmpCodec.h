// WBMP: uncompressed black-and-white pictures of type 0.
#pragma once

#include <cstdint>

#include "image/PxImage.h"

class WbmpCodec : public PxImage {
public:
    explicit WbmpCodec(std::uint32_t type = FormatWbmp) : PxImage(type) {}
    bool Decode(PxFile* file);
    bool Encode(PxFile* file);
};
