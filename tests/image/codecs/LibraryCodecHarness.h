// What the JPEG and PNG codec suites share: the corpus table, decoding and
// encoding through memory streams, a stream that fails to write, and the
// truncation sweep.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "image/PxFile.h"
#include "image/PxImage.h"
#include "tests/image/ImageHash.h"

namespace codectest {

inline std::string DataPath(const std::string& relative)
{
    return std::string(ORVANTIS_TEST_DATA) + "/" + relative;
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Rows of a tab-separated table; lines starting with '#' are comments.
inline std::vector<std::vector<std::string>> ReadTable(const std::string& path)
{
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string field; std::getline(split, field, '\t');)
            fields.push_back(field);
        rows.push_back(fields);
    }
    return rows;
}

// Checks a decode against the table fields width, height, bpp, xdpi, ydpi and
// pixel hash; a width of 0 means the decode fails with the text in the last field.
inline void ExpectCorpusRow(const PxImage& codec, bool ok, const std::string* fields)
{
    if (fields[0] == "0") {
        EXPECT_FALSE(ok);
        EXPECT_EQ(codec.GetLastError(), fields[5]);
        return;
    }
    ASSERT_TRUE(ok) << codec.GetLastError();
    EXPECT_EQ(codec.GetWidth(), std::stoul(fields[0]));
    EXPECT_EQ(codec.GetHeight(), std::stoul(fields[1]));
    EXPECT_EQ(codec.GetBpp(), std::stoi(fields[2]));
    EXPECT_EQ(codec.GetXDPI(), std::stoi(fields[3]));
    EXPECT_EQ(codec.GetYDPI(), std::stoi(fields[4]));
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", (unsigned long long)testimages::PixelHash(codec));
    EXPECT_EQ(hash, fields[5]);
}

// Decodes bytes through a borrowed memory stream into codec.
template <class Codec>
bool DecodeBytes(Codec& codec, std::vector<std::uint8_t>& bytes)
{
    PxMemFile file(bytes.empty() ? nullptr : bytes.data(), std::int32_t(bytes.size()));
    if (bytes.empty())
        file.Open();
    return codec.Decode(&file);
}

// Encodes image the way the dispatch does (through a ghost); empty on failure,
// with the codec's text in *error.
template <class Codec>
std::vector<std::uint8_t> EncodeBytes(PxImage& image, std::string* error = nullptr)
{
    Codec codec;
    codec.Ghost(image);
    PxMemFile file;
    file.Open();
    const bool ok = codec.Encode(&file);
    if (error)
        *error = codec.GetLastError();
    if (!ok)
        return {};
    return {file.buffer, file.buffer + file.size};
}

// Encodes and decodes again; the result is an empty image when either fails.
template <class Codec>
PxImage RoundTrip(PxImage& image)
{
    std::vector<std::uint8_t> bytes = EncodeBytes<Codec>(image);
    Codec codec;
    PxImage result;
    if (!bytes.empty() && DecodeBytes(codec, bytes))
        result.Transfer(codec);
    return result;
}

// A memory stream that accepts only the first limit bytes, or whose flush
// fails and leaves the error indicator set, as a stdio stream on a full disk.
class FailingFile : public PxMemFile {
public:
    explicit FailingFile(std::int32_t limit, bool failFlush = false) : m_limit(limit), m_failFlush(failFlush) { Open(); }
    std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override
    {
        if (std::int64_t(this->size) + std::int64_t(size * count) > m_limit)
            return 0;
        return PxMemFile::Write(buffer, size, count);
    }
    bool Flush() override
    {
        m_flushFailed = m_failFlush;
        return !m_failFlush;
    }
    std::int32_t Error() override { return m_flushFailed ? 1 : PxMemFile::Error(); }

private:
    std::int32_t m_limit;
    bool m_failFlush;
    bool m_flushFailed = false;
};

// Encodes into a FailingFile; the codec's text, or "" when it succeeded.
template <class Codec>
std::string EncodeFailure(PxImage& image, std::int32_t limit, bool failFlush)
{
    FailingFile file(limit, failFlush);
    Codec codec;
    codec.Ghost(image);
    return codec.Encode(&file) ? "" : codec.GetLastError();
}

// Every encoder fails with writeError on a stream that stops taking bytes
// (at once, inside the header, inside the data) or fails to flush, and with
// the argument check's texts without a stream or a picture. image must
// encode to more than 4,000 bytes.
template <class Codec>
void ExpectEncodeFailures(PxImage& image, const std::string& writeError)
{
    for (std::int32_t limit : {0, 20, 4000})
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

// Cuts every corpus file at many lengths (every length for small files, 96
// evenly spaced cuts otherwise). Each cut must decode or fail with a reason.
template <class Codec>
void TruncationSweep(const std::string& folder, const std::string& extension)
{
    int decoded = 0, failed = 0;
    for (const auto& row : ReadTable(DataPath(folder + "/expected.tsv"))) {
        const std::string& name = row[0];
        if (name.size() < extension.size() || name.compare(name.size() - extension.size(), extension.size(), extension))
            continue;
        const std::vector<std::uint8_t> whole = ReadBytes(DataPath(folder + "/" + name));
        const std::size_t step = whole.size() <= 1024 ? 1 : whole.size() / 96;
        for (std::size_t length = 0; length < whole.size(); length += step) {
            SCOPED_TRACE(name + " cut at " + std::to_string(length));
            // An exact-size heap copy, so reading past the cut is caught by the sanitizers.
            std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
            Codec codec;
            if (DecodeBytes(codec, cut)) {
                ++decoded;
                EXPECT_TRUE(codec.IsValid());
                EXPECT_GT(codec.GetWidth(), 0u);
            } else {
                ++failed;
                EXPECT_STRNE(codec.GetLastError(), "");
            }
        }
    }
    EXPECT_GT(failed, 0);
    testing::Test::RecordProperty("decoded", decoded);
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

}  // namespace codectest
