// The JPEG 2000 family: JP2 files and J2K/JPC codestreams through OpenJPEG,
// and the small PNM, PGX and Sun raster formats with the program's own
// parsers (PnmFormat, PgxFormat, SunRasterFormat).
// Decoding recognises the flavour from the content whatever id the codec was
// made with; encoding writes the flavour of that id (FormatJp2 for 0).
#pragma once

#include <cstdint>

#include "image/PxImage.h"

struct opj_image;

class Jpeg2000Codec : public PxImage {
public:
    explicit Jpeg2000Codec(std::uint32_t type = FormatUnknown) : PxImage(type), m_format(type) {}
    bool Decode(PxFile* file);
    bool Encode(PxFile* file);

private:
    bool DecodeOpenJpeg(PxFile* file, bool jp2);
    bool FromComponents(const opj_image& image, std::uint32_t format);
    bool EncodeOpenJpeg(PxFile* file, bool jp2, const std::uint8_t* greyLevels);

    std::uint32_t m_format;  // the id the codec was made with; Ghost and CopyInfo overwrite info.type
};
