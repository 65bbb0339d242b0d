// What a HEIF or AVIF file declares that the codec reads itself rather than
// leave to libheif: the coding its items carry, every picture size its
// items declare, and whether the pictures its derived pictures are made of
// exist. libheif (1.15) makes the canvas of a grid or an overlay as
// large as the item's data says, and its decoders (libde265, dav1d) make
// frames as large as the coded parameter sets say, whatever picture size
// the file states: a file of a few hundred bytes could ask for gigabytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pximage {

// Whether the item properties hold an AV1 coding configuration.
bool CarriesAv1(std::span<const std::uint8_t> file);

struct PictureSize {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
};

// The canvases of the grid and overlay items, and the frames of the HEVC
// sequence parameter sets and AV1 sequence headers in the coding
// configurations and in the coded items. Nothing when an item's data is
// more than the file holds, or the items' data together several times more
// (items of a layered picture share their data, but only so often).
std::optional<std::vector<PictureSize>> DeclaredPictureSizes(std::span<const std::uint8_t> file);

// Whether every picture that a derived picture (a grid, an overlay, an
// identity) is made from is a picture of the file. libheif (1.15) takes the
// sources of a derivation for granted and stops the program on one that is
// missing or is no picture.
bool DerivationSourcesExist(std::span<const std::uint8_t> file);

}  // namespace pximage
