// BmpCodec: Windows and OS/2 bitmaps. The container's DIB block is the file's
// own layout, so plain files are read and written in one block.
#pragma once

#include <cstdint>
#include <string>

#include "image/PxFile.h"
#include "image/PxImage.h"

class BmpCodec : public PxImage {
public:
    explicit BmpCodec(std::uint32_t type = FormatBmp) : PxImage(type) {}

    // Reads a file with its 14-byte file header, or a bare DIB (header,
    // palette, pixels). False with the reason in lastError on failure; a file
    // that ends inside its pixel data fails ("corrupted BMP").
    bool Decode(PxFile* file);
    // Writes the file header and the whole DIB block, bottom-up.
    bool Encode(PxFile* file);

private:
    // The decode steps; the failure text, or null on success.
    const char* DecodeFrom(PxFile& file);

    std::string m_refusal;  // a failure text made for this file
};
