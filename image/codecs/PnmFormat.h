// PNM (bitmap, grey map and pixmap, plain and binary), one of the small
// raster formats of the JPEG 2000 family that the program reads and writes
// with its own code (Jpeg2000Codec dispatches to it).
#pragma once

#include <cstdint>

class PxFile;
class PxImage;

namespace pximage {

// Decodes into an empty picture; false with the reason in its last error.
bool DecodePnm(PxImage& image, PxFile& file);
// Writes a binary grey map (P5) with the levels greyLevels gives each index,
// or a pixmap (P6) of a 24-bit picture when greyLevels is null.
bool EncodePnm(PxImage& image, PxFile& file, const std::uint8_t* greyLevels);

}  // namespace pximage
