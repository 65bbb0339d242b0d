// GIF: 87a and 89a files, every frame counted, one frame composed onto the
// logical screen as a viewer shows it; a single-frame 89a writer.
#pragma once

#include <cstdint>

#include "image/PxFile.h"
#include "image/PxImage.h"

class PxImageGIF : public PxImage {
public:
    explicit PxImageGIF(std::uint32_t type = FormatGif) : PxImage(type) {}

    // The frame info.frame as a viewer shows it after every earlier frame and
    // its disposal (numFrames = frames in the file). The result is 8 bpp in
    // that frame's colour table, transparent index in transIndex, when the
    // table can tell the picture; when earlier frames left colours it lacks,
    // or uncovered pixels it has no transparent index for, it is 24 bpp,
    // with an alpha plane that is 0 where nothing is shown.
    bool Decode(PxFile* file);
    // One frame at 1, 4 or 8 bpp, looping, with transIndex when set.
    bool Encode(PxFile* file);
};
