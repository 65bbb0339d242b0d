// TIFF through libtiff, over the PxFile stream. Decodes one page (info.frame)
// of a multi-page file and reports the page count in info.numFrames; encodes
// a single page.
#pragma once

#include <cstdint>

#include "image/PxImage.h"

struct tiff;
struct TiffLayout;

class PxImageTIF : public PxImage {
public:
    explicit PxImageTIF(std::uint32_t type = FormatTif) : PxImage(type) {}
    bool Decode(PxFile* file);
    bool Encode(PxFile* file);

private:
    // Colour conversions the library does itself: RGB, CMYK, YCbCr, LogLuv.
    bool DecodeRgba(tiff* tif, const TiffLayout& layout);
    // Grey, palette, grey or index with alpha, and CIELab: samples unpacked here.
    bool DecodeSamples(tiff* tif, const TiffLayout& layout);
    void SetSamplePalette(tiff* tif, const TiffLayout& layout);
    bool ApplyOrientation(std::uint16_t orientation);
};
