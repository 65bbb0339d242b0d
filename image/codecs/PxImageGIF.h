// GIF: 87a and 89a files, every frame counted, one frame composed onto the
// logical screen as a viewer shows it; a single-frame 89a writer.
#pragma once

#include <cstdint>

#include "image/PxFile.h"
#include "image/PxImage.h"

class PxImageGIF : public PxImage {
public:
    explicit PxImageGIF(std::uint32_t type = FormatGif) : PxImage(type) {}

    // The frame info.frame after the disposal of every earlier frame. The
    // result is 8 bpp with that frame's colour table (transparent index in
    // transIndex) when the picture can be told in that table; when earlier
    // frames left colours the table lacks, or transparency the frame has no
    // index for, it is 24 bpp with an alpha plane instead.
    bool Decode(PxFile* file);
    // One frame at 1, 4 or 8 bpp, looping, with transIndex when set.
    bool Encode(PxFile* file);
};
