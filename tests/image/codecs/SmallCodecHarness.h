// Shared pieces of the TGA, PCX, WBMP and WMF suites: memory-stream decode
// and encode, the corpus tables under tests/data and the truncation sweep.
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

template <class Codec>
bool DecodeBytes(Codec& codec, Bytes bytes)
{
    PxMemFile file(bytes.data(), std::int32_t(bytes.size()));
    return codec.Decode(&file);
}

// Encodes through a ghost of the image, as the dispatch does; empty, with
// the codec's message in error, on failure.
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

// Encodes, decodes and expects the same pixels, palette colours and alpha.
template <class Codec>
void ExpectRoundTrip(PxImage& picture)
{
    std::string error;
    const Bytes file = EncodeImage<Codec>(picture, &error);
    ASSERT_FALSE(file.empty()) << error;
    Codec codec;
    ASSERT_TRUE(DecodeBytes(codec, file)) << codec.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(codec, picture));
    EXPECT_EQ(HashText(codec), HashText(picture));
}

// A stream that takes only the first `limit` bytes written to it.
class ShortWriteFile : public PxMemFile {
public:
    explicit ShortWriteFile(std::size_t limit) : m_limit(limit) { Open(); }
    std::size_t Write(const void* data, std::size_t size, std::size_t count) override
    {
        return std::size_t(this->size) + size * count > m_limit ? 0 : PxMemFile::Write(data, size, count);
    }

private:
    std::size_t m_limit;
};

// A row of tests/data/<format>/expected.tsv: file, width, height, bpp and
// pixel hash, or width "-" and the error text.
struct CorpusRow {
    std::string file, width, height, bpp, result;
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
        for (std::string* field : {&row.file, &row.width, &row.height, &row.bpp})
            std::getline(fields, *field, '\t');
        std::getline(fields, row.result);
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
        Codec codec;
        const bool ok = DecodeBytes(codec, ReadFileBytes(CorpusDir(format) + "/" + row.file));
        if (row.width == "-") {
            EXPECT_FALSE(ok);
            EXPECT_EQ(codec.GetLastError(), row.result);
            continue;
        }
        ASSERT_TRUE(ok) << codec.GetLastError();
        EXPECT_EQ(std::to_string(codec.GetWidth()), row.width);
        EXPECT_EQ(std::to_string(codec.GetHeight()), row.height);
        EXPECT_EQ(std::to_string(codec.GetBpp()), row.bpp);
        EXPECT_EQ(HashText(codec), row.result);
    }
}

// Every corpus file cut at every length (64 evenly spaced lengths above
// 4 KB) decodes or fails with a reason. Each cut lies in a buffer of exactly
// its length, so the sanitizers see any overread.
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
            Codec codec;
            if (DecodeBytes(codec, Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(length))))
                EXPECT_TRUE(codec.IsValid()) << length;
            else
                EXPECT_STRNE(codec.GetLastError(), "") << length;
        }
    }
}

}  // namespace codectest
