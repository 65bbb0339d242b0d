// The corpus tables under tests/data/<format>/expected.tsv and the checks
// every codec suite runs over them: decode each file as the table says, and
// cut each file short at many lengths.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "image/PxFile.h"
#include "image/PxImage.h"
#include "tests/image/ImageHash.h"

namespace testimages {

// One table row: file, frame, width, height, bpp, numFrames, then the pixel
// hash, "error:" followed by the expected last-error text, or "near:" and a
// reference picture (same folder, same codec) that every channel of every
// pixel must match to within 1, for decoders that round differently.
struct CorpusRow {
    std::string format;
    std::string file;
    std::int32_t frame = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bpp = 0;
    std::int32_t frames = 0;
    std::string expected;

    bool Fails() const { return expected.rfind("error:", 0) == 0; }
    std::string Error() const { return expected.substr(6); }
    bool Near() const { return expected.rfind("near:", 0) == 0; }
    std::string Reference() const { return expected.substr(5); }
};

inline void PrintTo(const CorpusRow& row, std::ostream* os)
{
    *os << row.format << "/" << row.file << " frame " << row.frame;
}

inline std::string CorpusPath(const std::string& format, const std::string& file)
{
    return std::string(ORVANTIS_TEST_DATA) + "/" + format + "/" + file;
}

inline std::vector<std::uint8_t> ReadCorpusFile(const std::string& format, const std::string& file)
{
    std::ifstream in(CorpusPath(format, file), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<CorpusRow> LoadCorpusTable(const std::string& format)
{
    std::vector<CorpusRow> rows;
    std::ifstream in(CorpusPath(format, "expected.tsv"));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        CorpusRow row;
        row.format = format;
        std::string frame, width, height, bpp, frames;
        std::getline(fields, row.file, '\t');
        std::getline(fields, frame, '\t');
        std::getline(fields, width, '\t');
        std::getline(fields, height, '\t');
        std::getline(fields, bpp, '\t');
        std::getline(fields, frames, '\t');
        std::getline(fields, row.expected);
        row.frame = std::stoi(frame);
        row.width = std::uint32_t(std::stoul(width));
        row.height = std::uint32_t(std::stoul(height));
        row.bpp = std::uint32_t(std::stoul(bpp));
        row.frames = std::stoi(frames);
        rows.push_back(row);
    }
    return rows;
}

inline std::string HashText(std::uint64_t hash)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// A test name from the file name and frame: letters and digits only.
inline std::string CorpusTestName(const testing::TestParamInfo<CorpusRow>& info)
{
    std::string name;
    for (char c : info.param.file + "_" + std::to_string(info.param.frame))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

// Decodes the bytes with a fresh codec, as the dispatch does for each call.
template <typename Codec>
bool DecodeWith(Codec& codec, const std::vector<std::uint8_t>& bytes, std::size_t length, std::int32_t frame = 0)
{
    PxMemFile file(const_cast<std::uint8_t*>(bytes.data()), std::int32_t(length));
    codec.info.frame = frame;
    return codec.Decode(&file);
}

// The row's file behind a few other bytes, in a stdio stream (as Load reads
// files) and in memory: decoding starts where the stream stands.
template <typename Codec>
void CheckCorpusRowMidStream(const CorpusRow& row, std::uint32_t codecArgument)
{
    const std::vector<std::uint8_t> bytes = ReadCorpusFile(row.format, row.file);
    const std::string prefix = "prefix";
    std::vector<std::uint8_t> joined(prefix.begin(), prefix.end());
    joined.insert(joined.end(), bytes.begin(), bytes.end());

    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    std::fwrite(joined.data(), 1, joined.size(), stream);
    PxIOFile onDisk(stream);
    PxMemFile inMemory(joined.data(), std::int32_t(joined.size()));
    for (PxFile* file : {static_cast<PxFile*>(&onDisk), static_cast<PxFile*>(&inMemory)}) {
        file->Seek(std::int32_t(prefix.size()), 0);
        Codec codec(codecArgument);
        codec.info.frame = row.frame;
        ASSERT_TRUE(codec.Decode(file)) << row.file << ": " << codec.GetLastError();
        EXPECT_EQ(HashText(PixelHash(codec)), row.expected) << row.file;
    }
    std::fclose(stream);
}

// What the codec (a ghost of source) writes to a stdio stream, as Save
// writes files; empty when encoding fails.
template <typename Codec>
std::vector<std::uint8_t> EncodeThroughStdio(PxImage& source, std::uint32_t codecArgument)
{
    std::FILE* stream = std::tmpfile();
    if (!stream)
        return {};
    Codec writer(codecArgument);
    writer.Ghost(source);
    std::vector<std::uint8_t> bytes;
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

// The table row holds: decode it and compare size, depth, frame count and
// pixels, or the failure and its text.
template <typename Codec>
void CheckCorpusRow(const CorpusRow& row, std::uint32_t codecArgument)
{
    Codec codec(codecArgument);
    const std::vector<std::uint8_t> bytes = ReadCorpusFile(row.format, row.file);
    ASSERT_FALSE(bytes.empty()) << row.file;
    const bool ok = DecodeWith(codec, bytes, bytes.size(), row.frame);
    EXPECT_EQ(codec.info.numFrames, row.frames);
    if (row.Fails()) {
        EXPECT_FALSE(ok);
        EXPECT_STREQ(codec.GetLastError(), row.Error().c_str());
        return;
    }
    ASSERT_TRUE(ok) << codec.GetLastError();
    EXPECT_EQ(codec.GetWidth(), row.width);
    EXPECT_EQ(codec.GetHeight(), row.height);
    EXPECT_EQ(codec.GetBpp(), row.bpp);
    if (!row.Near()) {
        EXPECT_EQ(HashText(PixelHash(codec)), row.expected);
        return;
    }
    Codec reference(codecArgument);
    const std::vector<std::uint8_t> referenceBytes = ReadCorpusFile(row.format, row.Reference());
    ASSERT_TRUE(DecodeWith(reference, referenceBytes, referenceBytes.size())) << reference.GetLastError();
    ASSERT_EQ(reference.GetWidth(), codec.GetWidth());
    ASSERT_EQ(reference.GetHeight(), codec.GetHeight());
    int largest = 0;
    for (std::int32_t y = 0; y < std::int32_t(codec.GetHeight()); ++y)
        for (std::int32_t x = 0; x < std::int32_t(codec.GetWidth()); ++x) {
            const RGBQUAD a = codec.GetPixelColor(x, y, false), b = reference.GetPixelColor(x, y, false);
            largest = std::max({largest, std::abs(a.rgbRed - b.rgbRed), std::abs(a.rgbGreen - b.rgbGreen),
                                std::abs(a.rgbBlue - b.rgbBlue)});
        }
    EXPECT_LE(largest, 1);
}

// The distinct files of a table.
inline std::set<std::string> CorpusFiles(const std::string& format)
{
    std::set<std::string> files;
    for (const CorpusRow& row : LoadCorpusTable(format))
        files.insert(row.file);
    return files;
}

// Decodes or fails with a reason; a decoded picture is a real one.
template <typename Codec>
void ExpectCleanOutcome(std::uint32_t codecArgument, const std::vector<std::uint8_t>& bytes, const std::string& what)
{
    Codec codec(codecArgument);
    if (DecodeWith(codec, bytes, bytes.size())) {
        EXPECT_TRUE(codec.IsValid()) << what;
        EXPECT_GT(codec.GetWidth() * codec.GetHeight(), 0u) << what;
    } else {
        EXPECT_STRNE(codec.GetLastError(), "") << what;
    }
}

// Every file of the table cut short: at every length for small files, else
// at 128 evenly spaced lengths. Each cut decodes or fails with a reason.
template <typename Codec>
void SweepTruncations(const std::string& format, std::uint32_t codecArgument)
{
    const std::set<std::string> files = CorpusFiles(format);
    ASSERT_FALSE(files.empty());
    for (const std::string& name : files) {
        const std::vector<std::uint8_t> bytes = ReadCorpusFile(format, name);
        const std::size_t step = bytes.size() <= 2048 ? 1 : bytes.size() / 128;
        for (std::size_t length = 0; length < bytes.size(); length += step) {
            // A copy of exactly this length, so that reads past it are caught by the sanitizers.
            const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(length));
            ExpectCleanOutcome<Codec>(codecArgument, cut, name + " cut at " + std::to_string(length));
        }
    }
}

// Every file of the table with single bytes overwritten (0x00, 0xFF or the
// byte's complement) at 96 positions spread over the file, the first 64
// bytes (headers) included one by one.
template <typename Codec>
void SweepCorruptions(const std::string& format, std::uint32_t codecArgument)
{
    const std::set<std::string> files = CorpusFiles(format);
    ASSERT_FALSE(files.empty());
    for (const std::string& name : files) {
        const std::vector<std::uint8_t> bytes = ReadCorpusFile(format, name);
        std::vector<std::size_t> positions;
        for (std::size_t i = 0; i < std::min<std::size_t>(64, bytes.size()); ++i)
            positions.push_back(i);
        for (std::size_t i = 0; i < 32 && !bytes.empty(); ++i)
            positions.push_back(bytes.size() * i / 32);
        for (std::size_t at : positions) {
            for (int variant = 0; variant < 3; ++variant) {
                std::vector<std::uint8_t> broken = bytes;
                broken[at] = variant == 0 ? 0x00 : variant == 1 ? 0xFF : std::uint8_t(~broken[at]);
                ExpectCleanOutcome<Codec>(codecArgument, broken,
                                          name + " byte " + std::to_string(at) + " variant " + std::to_string(variant));
            }
        }
    }
}

}  // namespace testimages
