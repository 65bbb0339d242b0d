// fuzz_roundtrip: whatever decodes by content is encoded to every format the
// program can write, and each result must decode again with that format's
// id at the same size. An encoder may refuse a picture; it may not write a
// stream its own decoder rejects, nor change what the picture it was given
// shows (the PNG encoder may reorder a shared palette, by design).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "fuzz/FuzzImage.h"
#include "fuzz/MemoryBound.h"
#include "image/CodecTable.h"
#include "image/PxImage.h"

namespace {

// Encoding every format is costly (the JPEG 2000 encoder above all); larger
// pictures teach the encoders nothing that these do not.
constexpr std::uint64_t kMaxPixels = 1u << 16;

// The colour of every pixel and the alpha plane.
std::uint32_t Hash(const PxImage& image)
{
    std::uint32_t hash = 2166136261u;
    for (std::int32_t y = 0; y < std::int32_t(image.GetHeight()); ++y)
        for (std::int32_t x = 0; x < std::int32_t(image.GetWidth()); ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y, false);
            const std::uint8_t bytes[3] = {c.rgbBlue, c.rgbGreen, c.rgbRed};
            hash = fuzzsupport::Mix(hash, bytes, 3);
        }
    if (image.alpha)
        hash = fuzzsupport::Mix(hash, image.alpha, std::size_t(image.GetWidth()) * image.GetHeight());
    return hash;
}

[[noreturn]] void Fail(std::uint32_t type, const char* what, const char* reason)
{
    std::fprintf(stderr, "fuzz_roundtrip: format %u: %s (%s)\n", type, what, reason);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzsupport::InputMemoryBound memoryBound;
    if (size > std::size_t(std::numeric_limits<std::int32_t>::max()))
        return 0;
    PxImage image;
    if (!image.Decode(data, std::int32_t(size), FormatUnknown))
        return 0;
    fuzzsupport::TouchImage(image);
    if (std::uint64_t(image.GetWidth()) * image.GetHeight() > kMaxPixels)
        return 0;
    const std::uint32_t before = Hash(image);

    for (std::uint32_t type = 1; type < FormatCount; ++type) {
        if (!pximage::CodecFor(type).encode)
            continue;
        std::uint8_t* stream = nullptr;
        std::int32_t length = 0;
        const bool encoded = image.Encode(stream, length, type);
        if (Hash(image) != before)
            Fail(type, "the encoder changed what its source picture shows", image.GetLastError());
        if (!encoded) {
            if (stream)
                Fail(type, "a failed encode returned a buffer", image.GetLastError());
            continue;
        }
        PxImage again;
        if (!again.Decode(stream, length, type))
            Fail(type, "our own encoder's output does not decode", again.GetLastError());
        std::free(stream);
        fuzzsupport::TouchImage(again);
        if (again.GetWidth() != image.GetWidth() || again.GetHeight() != image.GetHeight())
            Fail(type, "the decoded size differs from the encoded one", "");
    }
    return 0;
}
