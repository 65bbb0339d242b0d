#include "image/codecs/WmfCodec.h"

#include "image/ByteOrder.h"
#include "image/PxFile.h"

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kMetaHeaderBytes = 18;
constexpr std::uint16_t kMetaHeaderWords = 9;

// The standard header: type 1 (memory) or 2 (disk), a header size of nine
// 16-bit words, and a version of 1.0 or 3.0.
bool IsMetaHeader(const std::uint8_t* b)
{
    const std::uint16_t type = pximage::LoadLE16(b);
    const std::uint16_t version = pximage::LoadLE16(b + 4);
    return (type == 1 || type == 2) && pximage::LoadLE16(b + 2) == kMetaHeaderWords &&
           (version == 0x0100 || version == 0x0300);
}

}  // namespace

bool WmfCodec::Decode(PxFile* file)
{
    std::uint8_t head[kMetaHeaderBytes];
    const std::size_t got = file ? file->Read(head, 1, sizeof head) : 0;
    const bool metafile = (got >= 4 && pximage::LoadLE32(head) == kPlaceableKey) ||
                          (got == sizeof head && IsMetaHeader(head));
    // Without metafile playback a metafile cannot become pixels.
    SetLastError(metafile ? "corrupted WMF" : "empty WMF");
    return false;
}

bool WmfCodec::Encode(PxFile* file)
{
    if (!EncodeCheck(file))
        return false;
    SetLastError("Save WMF not supported");
    return false;
}
