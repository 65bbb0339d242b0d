// The corpus tables of the multi-frame formats (tests/data/gif, tests/data/ico,
// written by tools/corpus/framecorpus.py): one row per frame with the frame
// count, size, depth and the hash of what a viewer shows, or an error text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/PxFile.h"
#include "image/PxImage.h"
#include "tests/image/ImageHash.h"

namespace corpus {

struct FrameRow {
    std::string file;
    std::int32_t frame = 0;
    std::int32_t frames = 0;
    std::uint32_t width = 0, height = 0, bpp = 0;
    std::string hashOrError;  // 16 hex digits, or the decoder's error text
    bool IsError() const { return width == 0; }
};

inline std::string DataDir(const std::string& format)
{
    return std::string(ORVANTIS_TEST_DATA) + "/" + format + "/";
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<FrameRow> ReadFrameRows(const std::string& format)
{
    std::vector<FrameRow> rows;
    std::ifstream in(DataDir(format) + "expected.tsv");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        FrameRow row;
        std::string frame, frames, width, height, bpp;
        std::getline(fields, row.file, '\t');
        std::getline(fields, frame, '\t');
        std::getline(fields, frames, '\t');
        std::getline(fields, width, '\t');
        std::getline(fields, height, '\t');
        std::getline(fields, bpp, '\t');
        std::getline(fields, row.hashOrError);
        row.frame = std::stoi(frame);
        row.frames = std::stoi(frames);
        row.width = std::uint32_t(std::stoul(width));
        row.height = std::uint32_t(std::stoul(height));
        row.bpp = std::uint32_t(std::stoul(bpp));
        rows.push_back(row);
    }
    return rows;
}

// The corpus hash of what a viewer shows: every transparent pixel (by
// transparent index or colour, or alpha 0) as (0, 0, 0, 0), the others with
// their colour and alpha.
inline std::string ViewerHash(const PxImage& image)
{
    PxImage shown(image.GetWidth(), image.GetHeight(), 24, 0);
    shown.AlphaCreate();
    for (std::int32_t y = 0; y < std::int32_t(image.GetHeight()); ++y)
        for (std::int32_t x = 0; x < std::int32_t(image.GetWidth()); ++x) {
            const bool clear = image.IsTransparent(x, y);
            shown.SetPixelColor(x, y, clear ? RGBQUAD{} : image.GetPixelColor(x, y, false));
            shown.AlphaSet(x, y, clear ? 0 : image.AlphaIsValid() ? image.AlphaGet(x, y) : 255);
        }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(testimages::PixelHash(shown)));
    return text;
}

// Lengths at which a corpus file is cut for the truncation sweeps: every
// length of a small file, 64 evenly spaced ones of a larger file.
inline std::vector<std::size_t> CutLengths(std::size_t size)
{
    std::vector<std::size_t> cuts;
    const std::size_t step = size <= 2048 ? 1 : size / 64;
    for (std::size_t length = 0; length < size; length += step)
        cuts.push_back(length);
    return cuts;
}

// Decodes frame of bytes with a codec class (IcoCodec, PxImageGIF).
template <typename Codec>
bool DecodeBytes(const std::vector<std::uint8_t>& bytes, Codec& codec, std::int32_t frame = 0)
{
    PxMemFile file(const_cast<std::uint8_t*>(bytes.data()), std::int32_t(bytes.size()));
    codec.info.frame = frame;
    return codec.Decode(&file);
}

// Every row of the format's table: the frame count always, then the error
// text, or size, depth and viewer hash.
template <typename Codec>
void CheckFrameRows(const std::string& format)
{
    const std::vector<FrameRow> rows = ReadFrameRows(format);
    ASSERT_GE(rows.size(), 8u);
    for (const FrameRow& row : rows) {
        SCOPED_TRACE(row.file + " frame " + std::to_string(row.frame));
        Codec image;
        const bool ok = DecodeBytes(ReadBytes(DataDir(format) + row.file), image, row.frame);
        EXPECT_EQ(image.info.numFrames, row.frames);
        if (row.IsError()) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(image.GetLastError(), row.hashOrError);
            continue;
        }
        ASSERT_TRUE(ok) << image.GetLastError();
        EXPECT_EQ(image.GetWidth(), row.width);
        EXPECT_EQ(image.GetHeight(), row.height);
        EXPECT_EQ(image.GetBpp(), row.bpp);
        EXPECT_EQ(ViewerHash(image), row.hashOrError);
    }
}

// Every decodable frame of the table from files cut short: a decode that
// succeeds keeps the picture's size, one that fails says why.
template <typename Codec>
void SweepTruncations(const std::string& format)
{
    for (const FrameRow& row : ReadFrameRows(format)) {
        if (row.IsError())
            continue;
        const std::vector<std::uint8_t> bytes = ReadBytes(DataDir(format) + row.file);
        for (const std::size_t length : CutLengths(bytes.size())) {
            SCOPED_TRACE(row.file + " frame " + std::to_string(row.frame) + " cut at " + std::to_string(length));
            const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(length));
            Codec image;
            if (DecodeBytes(cut, image, row.frame)) {
                EXPECT_EQ(image.GetWidth(), row.width);
                EXPECT_EQ(image.GetHeight(), row.height);
            } else {
                EXPECT_STRNE(image.GetLastError(), "");
            }
        }
    }
}

// Encodes the picture through a ghost, as the dispatch does.
template <typename Codec>
std::vector<std::uint8_t> EncodeThroughGhost(PxImage& source)
{
    Codec codec;
    codec.Ghost(source);
    PxMemFile file;
    file.Open();
    EXPECT_TRUE(codec.Encode(&file)) << codec.GetLastError();
    return {file.buffer, file.buffer + file.size};
}

// A stream that takes only its first limit bytes.
class ShortFile : public PxMemFile {
public:
    explicit ShortFile(std::size_t limit) : m_limit(limit) { Open(); }
    std::size_t Write(const void* data, std::size_t size, std::size_t count) override
    {
        if (std::size_t(Size()) + size * count > m_limit)
            return 0;
        return PxMemFile::Write(data, size, count);
    }

private:
    std::size_t m_limit;
};

}  // namespace corpus
