// The format-id dispatch: which codec class decodes and encodes each format
// id, and the order in which decoding by content (id 0) tries them. Adding a
// format touches the table in CodecTable.cpp and the codec's own files only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "image/PxFile.h"
#include "image/PxImage.h"

namespace pximage {

// Decodes the stream into target as format type; on failure target keeps its
// pixels and receives the codec's reason.
using DecodeFn = bool (*)(PxImage& target, PxFile* file, std::uint32_t type);
// Encodes source to the stream as format type; on failure source receives the reason.
using EncodeFn = bool (*)(PxImage& source, PxFile* file, std::uint32_t type);

struct CodecRow {
    std::uint32_t type;
    DecodeFn decode;  // null: the format cannot be read
    EncodeFn encode;  // null: the format cannot be written
};

// Whether the first bytes of a stream (at most kSignatureBytes, fewer when
// the stream is shorter) can only be a file of one format.
constexpr std::size_t kSignatureBytes = 32;
using SignatureFn = bool (*)(std::span<const std::uint8_t> head);

// One step of decoding by content: the row to use, the id it is given, and
// the format's signature (null for formats without one). A stream whose
// signature matched is the codec's to explain: when it fails, its reason is
// what the caller learns, not that no codec knew the content.
struct DetectStep {
    std::uint32_t row;
    std::uint32_t type;
    SignatureFn signature = nullptr;
};

// The row of a format id; ids without a built-in codec, and ids from
// FormatIdEnd on, give a row with neither function.
const CodecRow& CodecFor(std::uint32_t type);

// The codecs tried, in order, when the caller asks for id 0.
std::span<const DetectStep> DetectionOrder();

// A codec works on an object of its own class: it starts with the caller's
// information record (frame, escape, jpegScale, codecOptions...) under the id
// of its row, but with no transparency and no orientation, which come from
// the file alone: a picture reused for file after file must not keep the key
// or the turn of the one before. It hands its picture over only when it succeeded, so a failed
// decode leaves the caller's picture as it was. Multi-frame codecs report their frame count even then,
// so a caller learns how many pages a file has when asking for a missing one.
template <class Codec, bool kReportsFrameCount = false>
bool DecodeWith(PxImage& target, PxFile* file, std::uint32_t type)
{
    Codec codec(type);
    codec.CopyInfo(target);
    codec.info.type = type;
    codec.info.transIndex = -1;
    codec.info.transColor = {};
    codec.info.alphaPaletteEnabled = false;
    codec.info.exifOrientation = 1;
    codec.info.colourSpace.reset();
    if (codec.Decode(file))
        return target.Transfer(codec);
    target.SetLastError(codec.GetLastError());
    if constexpr (kReportsFrameCount)
        target.info.numFrames = codec.info.numFrames;
    return false;
}

// The encoder works on a ghost: it sees the caller's buffers without copying them.
template <class Codec>
bool EncodeWith(PxImage& source, PxFile* file, std::uint32_t type)
{
    Codec codec(type);
    codec.Ghost(source);
    codec.info.type = type;
    if (codec.Encode(file))
        return true;
    source.SetLastError(codec.GetLastError());
    return false;
}

}  // namespace pximage
