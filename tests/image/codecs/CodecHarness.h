// What every codec suite under tests/image/codecs works with: decoding from
// memory, encoding a ghost the way the dispatch does, round trips, and
// streams that stop taking bytes. CorpusTable.h adds the corpus tables.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "image/PxFile.h"
#include "image/PxImage.h"
#include "tests/image/ImageHash.h"
#include "tests/image/TestImages.h"

namespace codectest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A codec of the given type, or of its own when none is given.
template <class Codec>
Codec MakeCodec(std::optional<std::uint32_t> type = std::nullopt)
{
    return type ? Codec(*type) : Codec();
}

// How zero bytes reach a codec: as the dispatch hands over an empty buffer
// (a memory stream without one), or as an empty file reads (an open stream
// of size 0).
enum class NoBytes { NoBuffer, EmptyStream };

// Decodes frame of the first size bytes at data into codec, from a memory
// stream over an exact-size copy: a read past the data is a read past the
// allocation, which the sanitizers catch.
template <class Codec>
bool DecodeBytes(Codec& codec, const std::uint8_t* data, std::size_t size, std::int32_t frame = 0,
                 NoBytes empty = NoBytes::NoBuffer)
{
    Bytes copy(data, data + size);
    PxMemFile file(copy.empty() ? nullptr : copy.data(), std::int32_t(copy.size()));
    if (copy.empty() && empty == NoBytes::EmptyStream)
        file.Open();
    codec.info.frame = frame;
    return codec.Decode(&file);
}

template <class Codec>
bool DecodeBytes(Codec& codec, const Bytes& bytes, std::int32_t frame = 0, NoBytes empty = NoBytes::NoBuffer)
{
    return DecodeBytes(codec, bytes.data(), bytes.size(), frame, empty);
}

// A decode and its outcome, for tests that look at both.
template <class Codec>
struct Decoded {
    bool ok = false;
    Codec image;
};

template <class Codec>
Decoded<Codec> Decode(const Bytes& bytes, std::int32_t frame = 0, std::optional<std::uint32_t> type = std::nullopt)
{
    Decoded<Codec> d{false, MakeCodec<Codec>(type)};
    d.ok = DecodeBytes(d.image, bytes, frame);
    return d;
}

// What encoding a ghost of a picture gave: the outcome, the bytes written
// and the codec's text.
struct Encoded {
    bool ok = false;
    Bytes bytes;
    std::string error;
};

// Encodes into a memory stream through a ghost of image, as the dispatch does.
template <class Codec>
Encoded EncodeToMemory(PxImage& image, std::optional<std::uint32_t> type = std::nullopt)
{
    Codec codec = MakeCodec<Codec>(type);
    codec.Ghost(image);
    PxMemFile file;
    if (!file.Open())
        return {false, {}, "cannot open a memory stream"};
    Encoded result;
    result.ok = codec.Encode(&file);
    result.error = codec.GetLastError();
    result.bytes.assign(file.buffer, file.buffer + file.size);
    return result;
}

// The bytes of a picture the codec may refuse: empty when encoding fails,
// with the codec's text in *error.
template <class Codec>
Bytes EncodeBytes(PxImage& image, std::string* error = nullptr, std::optional<std::uint32_t> type = std::nullopt)
{
    Encoded result = EncodeToMemory<Codec>(image, type);
    if (error)
        *error = result.error;
    return result.ok ? std::move(result.bytes) : Bytes{};
}

// The bytes of a picture the codec must write: a failure fails the test.
template <class Codec>
Bytes EncodeOrFail(PxImage& image, std::optional<std::uint32_t> type = std::nullopt)
{
    Encoded result = EncodeToMemory<Codec>(image, type);
    EXPECT_TRUE(result.ok) << result.error;
    return std::move(result.bytes);
}

// What the codec (a ghost of source) writes to a stdio stream, as Save
// writes files; empty when encoding fails.
template <class Codec>
Bytes EncodeThroughStdio(PxImage& source, std::optional<std::uint32_t> type = std::nullopt)
{
    std::FILE* stream = std::tmpfile();
    if (!stream)
        return {};
    Codec writer = MakeCodec<Codec>(type);
    writer.Ghost(source);
    Bytes bytes;
    {
        PxIOFile file(stream);
        if (writer.Encode(&file)) {
            bytes.resize(std::size_t(file.Size()));
            file.Seek(0, 0);
            bytes.resize(file.Read(bytes.data(), 1, bytes.size()));
        }
    }
    std::fclose(stream);
    return bytes;
}

// Encodes and decodes again; either failing fails the test.
template <class Codec>
Codec RoundTrip(PxImage& image, std::optional<std::uint32_t> type = std::nullopt)
{
    const Bytes bytes = EncodeOrFail<Codec>(image, type);
    Codec decoded = MakeCodec<Codec>(type);
    EXPECT_TRUE(DecodeBytes(decoded, bytes)) << decoded.GetLastError();
    return decoded;
}

inline std::string HashText(std::uint64_t hash)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

inline std::string HashText(const PxImage& image)
{
    return HashText(testimages::PixelHash(image));
}

// Encodes, decodes and expects the same pixels, palette colours and alpha.
template <class Codec>
void ExpectRoundTrip(PxImage& picture)
{
    const Codec decoded = RoundTrip<Codec>(picture);
    EXPECT_TRUE(testimages::SamePixels(decoded, picture));
    EXPECT_EQ(HashText(decoded), HashText(picture));
}

// Largest difference of blue, green or red between two pictures of one size.
inline int MaxColourDifference(const PxImage& a, const PxImage& b)
{
    int worst = 0;
    for (std::int32_t y = 0; y < std::int32_t(a.GetHeight()); ++y)
        for (std::int32_t x = 0; x < std::int32_t(a.GetWidth()); ++x) {
            const RGBQUAD p = a.GetPixelColor(x, y, false), q = b.GetPixelColor(x, y, false);
            worst = std::max({worst, std::abs(p.rgbBlue - q.rgbBlue), std::abs(p.rgbGreen - q.rgbGreen),
                              std::abs(p.rgbRed - q.rgbRed)});
        }
    return worst;
}

// A memory stream like a full disk: it takes the bytes that end within its
// first limit and refuses the rest. With failFlush its flush fails and
// leaves the error indicator set, as a stdio stream's does.
class LimitedFile : public PxMemFile {
public:
    explicit LimitedFile(std::size_t limit, bool failFlush = false) : m_limit(limit), m_failFlush(failFlush)
    {
        Open();
    }
    std::size_t Write(const void* data, std::size_t size, std::size_t count) override
    {
        if (std::size_t(Tell()) + size * count > m_limit)
            return 0;
        return PxMemFile::Write(data, size, count);
    }
    bool Flush() override
    {
        m_flushFailed = m_failFlush;
        return !m_failFlush;
    }
    std::int32_t Error() override { return m_flushFailed ? 1 : PxMemFile::Error(); }

private:
    std::size_t m_limit;
    bool m_failFlush;
    bool m_flushFailed = false;
};

// Encodes into a LimitedFile; the codec's text, or "" when it succeeded.
template <class Codec>
std::string EncodeFailure(PxImage& image, std::size_t limit, bool failFlush)
{
    LimitedFile file(limit, failFlush);
    Codec codec;
    codec.Ghost(image);
    return codec.Encode(&file) ? "" : codec.GetLastError();
}

// The encoder fails with writeError on a stream that stops taking bytes (at
// once, inside the header, inside the data) or fails to flush, and with the
// argument check's texts without a stream or a picture. image must encode
// to more than 4,000 bytes.
template <class Codec>
void ExpectEncodeFailures(PxImage& image, const std::string& writeError)
{
    for (std::size_t limit : {0, 20, 4000})
        EXPECT_EQ(EncodeFailure<Codec>(image, limit, false), writeError) << limit;
    EXPECT_EQ(EncodeFailure<Codec>(image, 1 << 30, true), writeError);
    EXPECT_EQ(EncodeFailure<Codec>(image, 1 << 30, false), "");
    Codec codec;
    codec.Ghost(image);
    EXPECT_FALSE(codec.Encode(nullptr));
    EXPECT_STREQ(codec.GetLastError(), "null file handler");
    Codec empty;
    PxMemFile file;
    file.Open();
    EXPECT_FALSE(empty.Encode(&file));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

}  // namespace codectest
