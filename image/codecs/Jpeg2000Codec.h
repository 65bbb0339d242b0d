// The JPEG 2000 family: JP2 files and J2K/JPC codestreams through OpenJPEG,
// and the small PNM, PGX and Sun raster formats decoded and written here.
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
    bool DecodePnm(PxFile* file);
    bool DecodePgx(PxFile* file);
    bool DecodeRas(PxFile* file);
    bool EncodeOpenJpeg(PxFile* file, bool jp2, const std::uint8_t* greyLevels);
    bool EncodePnm(PxFile* file, const std::uint8_t* greyLevels);
    bool EncodePgx(PxFile* file, const std::uint8_t* greyLevels);
    bool EncodeRas(PxFile* file, const std::uint8_t* greyLevels);
    // Picture row r counted from the top as grey levels (with a table) or red, green, blue.
    void TopRowSamples(std::uint32_t r, const std::uint8_t* greyLevels, std::uint8_t* out) const;
    // A picture of one frame; the frame asked for must be 0.
    bool CheckSingleFrame();

    std::uint32_t m_format;  // the id the codec was made with; Ghost and CopyInfo overwrite info.type
};
