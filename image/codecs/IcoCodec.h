// ICO and CUR: the icon directory, entries of 1, 4, 8, 24 and 32 bits with
// their AND masks; a one-entry writer.
#pragma once

#include <cstdint>

#include "image/PxFile.h"
#include "image/PxImage.h"

class IcoCodec : public PxImage {
public:
    explicit IcoCodec(std::uint32_t type = FormatIco) : PxImage(type) {}

    // Entry info.frame (numFrames = entries). 1/4/8/24-bit entries keep
    // their depth, 32-bit ones become 24 bpp. The alpha plane comes from a
    // 32-bit entry's fourth bytes, else from the AND mask (0 where a bit is
    // set), and is dropped when the entry turns out fully opaque.
    // PNG-compressed entries are refused.
    bool Decode(PxFile* file);
    // One entry at the image's depth, 32 bits for 24 bpp with an alpha plane;
    // the AND mask marks pixels of alpha 0 and of the transparent index or colour.
    bool Encode(PxFile* file);
};
