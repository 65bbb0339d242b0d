// How a file describes the colours of its pixels. A picture whose file says
// nothing about them carries none, and its pixels are taken as sRGB.
#pragma once

#include <cstdint>
#include <vector>

struct ColourSpace {
    // An embedded ICC profile, byte for byte as the file stores it. When
    // present it wins over everything below.
    std::vector<std::uint8_t> iccProfile;

    // Without a profile: the CIE xy chromaticities of the white point and the
    // three primaries (PNG cHRM, HEIF nclx colour primaries).
    struct Chromaticities {
        double whiteX = 0, whiteY = 0;
        double redX = 0, redY = 0;
        double greenX = 0, greenY = 0;
        double blueX = 0, blueY = 0;
    };
    bool hasChromaticities = false;
    Chromaticities chromaticities;

    // The transfer from stored values to linear light (PNG gAMA, HEIF nclx
    // transfer characteristics); Unknown leaves the sRGB curve.
    enum class Transfer { Unknown, Srgb, Bt709, Linear, Gamma };
    Transfer transfer = Transfer::Unknown;
    double gamma = 0;  // the decoding exponent for Transfer::Gamma (PNG gAMA 45455 gives 2.2)
};
