// PxImage: files, memory blocks and streams, through the codec table.
#include <cstdio>
#include <cstring>
#include <string>

#include "image/CodecTable.h"
#include "image/PxFile.h"
#include "image/PxImage.h"
#include "platform/AtomicFile.h"

PxImage::PxImage(const std::filesystem::path& path, std::uint32_t type)
{
    info.type = type;
    ResetHeaderResolution();
    Load(path, type);
}

bool PxImage::Load(const std::filesystem::path& path, std::uint32_t type)
{
    PxIOFile file;
    if (!file.Open(path.c_str(), "rb"))
        return false;
    // A file whose name lies about its format still loads by its content; if
    // that fails too, the caller learns why the requested format failed.
    if (pximage::CodecFor(type).decode && Decode(&file, type))
        return true;
    char requestedFailure[sizeof info.lastError];
    std::memcpy(requestedFailure, info.lastError, sizeof requestedFailure);
    const bool loaded = Decode(&file, FormatUnknown);
    if (!loaded && type != FormatUnknown)
        std::memcpy(info.lastError, requestedFailure, sizeof requestedFailure);
    return loaded;
}

// A save never destroys a good file: the picture goes to a new file beside
// the target, which replaces the target only once the encoder succeeded and
// every byte reached the disk.
bool PxImage::Save(const std::filesystem::path& path, std::uint32_t type)
{
    std::string why;
    return Save(path, type, why);
}

bool PxImage::Save(const std::filesystem::path& path, std::uint32_t type, std::string& why)
{
    AtomicFile target(path);
    if (!target.Stream()) {
        why = target.Reason();
        return false;
    }
    PxIOFile file(target.Stream());
    if (!Encode(&file, type)) {
        // A write the system refused says why in its words, whatever the encoder made of it.
        why = std::ferror(target.Stream()) ? target.Reason() : std::string(GetLastError());
        return false;
    }
    if (!target.Commit()) {
        why = target.Reason();
        return false;
    }
    return true;
}

bool PxImage::Decode(const std::uint8_t* data, std::int32_t length, std::uint32_t type)
{
    // Borrowed, never copied: decoders only read.
    PxMemFile file(const_cast<std::uint8_t*>(data), length);
    return Decode(&file, type);
}

bool PxImage::Decode(std::FILE* stream, std::uint32_t type)
{
    PxIOFile file(stream);
    return Decode(&file, type);
}

bool PxImage::Decode(PxFile* file, std::uint32_t type)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    // Every failed try leaves the stream where the caller had it, so the next
    // codec reads the same bytes.
    const std::int32_t start = file->Tell();
    auto attempt = [&](const pximage::CodecRow& row, std::uint32_t passed) {
        if (row.decode(*this, file, passed))
            return true;
        file->Seek(start, 0);
        return false;
    };
    if (type != FormatUnknown) {
        const pximage::CodecRow& row = pximage::CodecFor(type);
        if (row.decode)
            return attempt(row, type);
        SetLastError("Decode: Unknown or wrong format");
        return false;
    }
    // The first bytes tell which codec may explain a failure: a file that
    // starts like a PNG and fails is a damaged PNG, not an unknown format.
    std::uint8_t head[pximage::kSignatureBytes];
    const std::size_t headBytes = file->Read(head, 1, sizeof head);
    file->Seek(start, 0);
    std::string recognisedFailure;
    for (const pximage::DetectStep& step : pximage::DetectionOrder()) {
        const pximage::CodecRow& row = pximage::CodecFor(step.row);
        if (!row.decode)
            continue;
        if (attempt(row, step.type))
            return true;
        if (recognisedFailure.empty() && step.signature && step.signature({head, headBytes}))
            recognisedFailure = GetLastError();
    }
    SetLastError(recognisedFailure.empty() ? "Decode: Unknown or wrong format" : recognisedFailure.c_str());
    return false;
}

bool PxImage::Encode(std::uint8_t*& data, std::int32_t& length, std::uint32_t type)
{
    if (data) {
        SetLastError("the buffer must be empty");
        return false;
    }
    PxMemFile file;
    if (!file.Open()) {
        SetLastError("Can't allocate memory");
        return false;
    }
    if (!Encode(&file, type))
        return false;
    length = file.Size();
    data = file.GetBuffer(true);
    return true;
}

bool PxImage::Encode(std::FILE* stream, std::uint32_t type)
{
    PxIOFile file(stream);
    return Encode(&file, type);
}

bool PxImage::Encode(PxFile* file, std::uint32_t type)
{
    const pximage::CodecRow& row = pximage::CodecFor(type);
    if (!row.encode) {
        SetLastError("Encode: Unknown format");
        return false;
    }
    return row.encode(*this, file, type);
}
