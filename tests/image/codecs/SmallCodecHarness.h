// Shared pieces of the TGA, PCX, WBMP and WMF suites: decoding and encoding
// through memory streams, the corpus tables under tests/data and the
// truncation sweep.
#pragma once

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "image/PxFile.h"
#include "image/PxImage.h"
#include "tests/image/ImageHash.h"

namespace codectest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Decodes from a borrowed buffer, as the dispatch does for memory input.
template <class Codec>
bool DecodeBytes(Codec& codec, Bytes& bytes)
{
    PxMemFile file(bytes.data(), std::int32_t(bytes.size()));
    return codec.Decode(&file);
}

// Encodes through a codec that is a ghost of the image, as the dispatch
// does; empty with the codec's message in error on failure.
template <class Codec>
Bytes EncodeImage(PxImage& image, std::string* error = nullptr)
{
    Codec codec;
    codec.Ghost(image);
    PxMemFile file;
    file.Open();
    if (!codec.Encode(&file)) {
        if (error)
            *error = codec.GetLastError();
        return {};
    }
    return Bytes(file.buffer, file.buffer + file.size);
}

inline std::string HashText(const PxImage& image)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, testimages::PixelHash(image));
    return text;
}

// A stream that accepts only the first `limit` bytes written to it.
class ShortWriteFile : public PxMemFile {
public:
    explicit ShortWriteFile(std::size_t limit) : m_limit(limit) { Open(); }
    std::size_t Write(const void* data, std::size_t size, std::size_t count) override
    {
        if (std::size_t(this->size) + size * count > m_limit)
            return 0;
        return PxMemFile::Write(data, size, count);
    }

private:
    std::size_t m_limit;
};

// One row of tests/data/<format>/expected.tsv: a decodable file with its
// size, depth and pixel hash, or (width "-") a file with its error text.
struct CorpusRow {
    std::string file;
    bool fails = false;
    std::uint32_t width = 0, height = 0, bpp = 0;
    std::string result;
};

inline std::string CorpusDir(const std::string& format) { return std::string(ORVANTIS_TEST_DATA) + "/" + format; }

inline std::vector<CorpusRow> ReadCorpus(const std::string& format)
{
    std::ifstream in(CorpusDir(format) + "/expected.tsv");
    std::vector<CorpusRow> rows;
    std::string line;
    std::getline(in, line);  // column names
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        CorpusRow row;
        std::string width, height, bpp;
        std::getline(fields, row.file, '\t');
        std::getline(fields, width, '\t');
        std::getline(fields, height, '\t');
        std::getline(fields, bpp, '\t');
        std::getline(fields, row.result);
        row.fails = width == "-";
        if (!row.fails) {
            row.width = std::uint32_t(std::stoul(width));
            row.height = std::uint32_t(std::stoul(height));
            row.bpp = std::uint32_t(std::stoul(bpp));
        }
        rows.push_back(row);
    }
    return rows;
}

template <class Codec>
void ExpectCorpusMatches(const std::string& format)
{
    const std::vector<CorpusRow> rows = ReadCorpus(format);
    ASSERT_FALSE(rows.empty()) << "no table for " << format;
    for (const CorpusRow& row : rows) {
        SCOPED_TRACE(row.file);
        Bytes bytes = ReadFileBytes(CorpusDir(format) + "/" + row.file);
        ASSERT_FALSE(bytes.empty());
        Codec codec;
        const bool ok = DecodeBytes(codec, bytes);
        if (row.fails) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(codec.GetLastError(), row.result);
            continue;
        }
        ASSERT_TRUE(ok) << codec.GetLastError();
        EXPECT_EQ(codec.GetWidth(), row.width);
        EXPECT_EQ(codec.GetHeight(), row.height);
        EXPECT_EQ(codec.GetBpp(), row.bpp);
        EXPECT_EQ(HashText(codec), row.result);
    }
}

// Every corpus file cut short (at every length for small files, at 64
// evenly spaced lengths otherwise) decodes or fails with a reason. Each cut
// lies in a buffer of exactly its length, so the sanitizers see overreads.
template <class Codec>
void SweepTruncations(const std::string& format)
{
    const std::vector<CorpusRow> rows = ReadCorpus(format);
    ASSERT_FALSE(rows.empty()) << "no table for " << format;
    for (const CorpusRow& row : rows) {
        SCOPED_TRACE(row.file);
        const Bytes whole = ReadFileBytes(CorpusDir(format) + "/" + row.file);
        const std::size_t step = whole.size() <= 4096 ? 1 : whole.size() / 64;
        for (std::size_t length = 0; length < whole.size(); length += step) {
            Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
            Codec codec;
            if (DecodeBytes(codec, cut))
                EXPECT_TRUE(codec.IsValid()) << length;
            else
                EXPECT_STRNE(codec.GetLastError(), "") << length;
        }
    }
}

}  // namespace codectest
