// Eight-bit masks grown and softened, and laid into a bitmap in one colour:
// what a text's outline and shadow are made of. Outside a mask counts as 0.
#pragma once

#include "platform/text/TextCoverage.h"

// Each value becomes the largest within a disc of this radius around it:
// the shape grown by the radius.
void GrowByDisc(AlphaMask& mask, double radius);

// Three box blurs of this radius: close to a Gaussian, reaching three
// radii out.
void Soften(AlphaMask& mask, int radius);

// Blends colour into a 24-bit bitmap over area (device coordinates within
// the bitmap) by the mask's value at each point less offset, as text
// blends its glyphs' coverage.
void BlendMask(Bitmap& bitmap, const RECT& area, const AlphaMask& mask, POINT offset, COLORREF colour);
