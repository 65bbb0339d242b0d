// Sun raster files, read and written by the program's own code as part of
// the JPEG 2000 family (Jpeg2000Codec dispatches to it).
#pragma once

#include <cstdint>

class PxFile;
class PxImage;

namespace pximage {

// Decodes into an empty picture; false with the reason in its last error.
bool DecodeRas(PxImage& image, PxFile& file);
// Writes the standard type: 8-bit grey with the levels greyLevels gives each
// index, or 24-bit colour when greyLevels is null.
bool EncodeRas(PxImage& image, PxFile& file, const std::uint8_t* greyLevels);

}  // namespace pximage
