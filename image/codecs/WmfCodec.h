// WMF: Windows metafiles. There is no metafile playback on this platform, so
// the decoder recognises a metafile and refuses it, and nothing is written.
#pragma once

#include <cstdint>

#include "image/PxImage.h"

class WmfCodec : public PxImage {
public:
    explicit WmfCodec(std::uint32_t type = FormatWmf) : PxImage(type) {}
    bool Decode(PxFile* file);
    bool Encode(PxFile* file);
};
