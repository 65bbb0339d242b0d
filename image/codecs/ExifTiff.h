// The few tags of an Exif block the codecs use, read from its TIFF structure
// (what follows "Exif\0\0" in a JPEG APP1 segment, or a WebP EXIF chunk).
#pragma once

#include <cstddef>
#include <cstdint>

namespace pximage {

// dpi = resolution / unitFactor; a factor of 0 means the unit is unknown
// and the resolution is not used. The orientation is 1 (upright) unless the
// block holds a valid one.
struct ExifTags {
    double xResolution = 0;
    double yResolution = 0;
    double unitFactor = 0;
    std::uint8_t orientation = 1;
};

// IFD0 of the TIFF structure of size bytes at tiff. Every offset is checked
// against the block before it is followed.
ExifTags ParseExifTiff(const std::uint8_t* tiff, std::size_t size);

}  // namespace pximage
