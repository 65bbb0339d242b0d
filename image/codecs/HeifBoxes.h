// The few boxes of a HEIF or AVIF file read here rather than by libheif:
// the coding its items carry, and the canvas sizes of its derived pictures.
// libheif (1.15) makes the canvas of a grid or an overlay as large as the
// item's data declares, up to its limit for a side, whatever picture size
// the file states; a file of a few hundred bytes could ask for gigabytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pximage {

// Whether the item properties hold an AV1 coding configuration.
bool CarriesAv1(std::span<const std::uint8_t> file);

struct CanvasSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The canvases of every grid and overlay item whose data can be found.
std::vector<CanvasSize> DerivedCanvasSizes(std::span<const std::uint8_t> file);

}  // namespace pximage
