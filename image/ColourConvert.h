// Turning the colours a file declared into sRGB, the space cards are composed
// and shown in.
#pragma once

#include "image/PxImage.h"

// Converts the picture from info.colourSpace to sRGB (perceptual intent,
// black-point compensation) and clears the record; true when the pixels
// changed. 24-bit pictures have their rows converted (the alpha plane stays),
// indexed ones their palette. A profile that amounts to sRGB only clears the
// record: the pixels keep every byte. A colour space that cannot be applied
// (damaged, of another colour model than the pixels, implausible) leaves the
// pixels and the record as they were. Safe to call from several threads on
// different pictures.
bool ConvertToSrgb(PxImage& picture);
