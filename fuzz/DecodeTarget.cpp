// fuzz_decode_<format>: the input is a file of one format, decoded from
// memory with that format's id (FUZZ_FORMAT_ID; 0 tries every codec), then
// converted to sRGB, so that the profiles files embed reach the colour code.
// Multi-frame formats are asked for their last frame too, so the frame walk
// over every earlier frame is covered as well.
#include <cstddef>
#include <cstdint>
#include <limits>

#include "fuzz/FuzzImage.h"
#include "fuzz/MemoryBound.h"
#include "image/ColourConvert.h"
#include "image/PxImage.h"

#ifndef FUZZ_FORMAT_ID
#error "FUZZ_FORMAT_ID names the format id the target decodes"
#endif

namespace {

void DecodeFrame(const std::uint8_t* data, std::size_t size, std::int32_t frame, std::int32_t* numFrames)
{
    PxImage image;
    image.info.frame = frame;
    if (image.Decode(data, std::int32_t(size), FUZZ_FORMAT_ID)) {
        ConvertToSrgb(image);
        fuzzsupport::TouchImage(image);
    } else if (image.IsValid())
        fuzzsupport::Fail("a failed decode left pixels behind");
    if (numFrames)
        *numFrames = image.info.numFrames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzsupport::InputMemoryBound memoryBound;
    if (size > std::size_t(std::numeric_limits<std::int32_t>::max()))
        return 0;
    std::int32_t numFrames = 0;
    DecodeFrame(data, size, 0, &numFrames);
    if (numFrames > 1)
        DecodeFrame(data, size, numFrames - 1, nullptr);
    return 0;
}
