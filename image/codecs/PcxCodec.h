// PCX: run-length encoded planes of 1 to 8 bits; 1, 4, 8 and 24-bit pictures.
#pragma once

#include <cstdint>

#include "image/PxImage.h"

class PcxCodec : public PxImage {
public:
    explicit PcxCodec(std::uint32_t type = FormatPcx) : PxImage(type) {}
    bool Decode(PxFile* file);
    bool Encode(PxFile* file);
};
