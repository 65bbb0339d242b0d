// PGX, the grey sample format of the JPEG 2000 test suites, read and written
// by the program's own code (Jpeg2000Codec dispatches to it).
#pragma once

#include <cstdint>

class PxFile;
class PxImage;

namespace pximage {

// Decodes into an empty picture; false with the reason in its last error.
bool DecodePgx(PxImage& image, PxFile& file);
// Writes 8-bit unsigned samples with the levels greyLevels gives each index;
// only grey pictures can be written.
bool EncodePgx(PxImage& image, PxFile& file, const std::uint8_t* greyLevels);

}  // namespace pximage
