// The corpus tables under tests/data/<format>/expected.tsv and the checks
// every codec suite runs over them: each row decodes as the table says, each
// file cut short (or with bytes overwritten) decodes or fails with a reason.
//
// A table's first line names its tab-separated columns (a leading '#' is
// allowed): file, then any of frame, frames, scale (the JPEG scale
// denominator), width, height, bpp, xdpi and ydpi, and last the expected
// result, whatever its name. The other lines hold one row each; empty lines
// and lines starting with '#' are passed over. The result is the pixel hash
// (16 hex digits), "near:" and a reference picture (same folder, same codec)
// that every channel of every pixel must match to within 1, for decoders
// that round differently, or the decoder's error text. A row fails when its
// width is 0 or "-", or its result starts with "error:" (the text follows).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/PxFile.h"
#include "image/PxImage.h"
#include "tests/image/ImageHash.h"
#include "tests/image/codecs/CodecHarness.h"

namespace codectest {

// How the hash column sees a picture: the pixels as stored, or what a viewer
// shows, every transparent pixel (by transparent index or colour, or alpha
// 0) as (0, 0, 0, 0), as the multi-frame tables are written.
enum class PixelRule { Stored, Shown };

// The lengths a file is cut at: every length of a file up to
// everyLengthUpTo bytes, else spacedCuts evenly spaced ones.
struct CutRule {
    std::size_t everyLengthUpTo;
    std::size_t spacedCuts;
};

inline constexpr CutRule kEveryLength{SIZE_MAX, 1};

// What the truncation sweep cuts: each file of the table once, decoded at
// frame 0, or each row that decodes, at its frame, a cut that decodes then
// keeping the row's size.
enum class SweepOver { Files, DecodableFrames };

// A suite's table and how its checks run.
struct Corpus {
    std::string format;  // the folder under tests/data
    CutRule cuts;
    PixelRule pixels = PixelRule::Stored;
    SweepOver sweep = SweepOver::Files;
    // How an empty file, and every cut at length 0, reaches the codec. Only
    // tables read as EmptyStream may hold an empty file.
    NoBytes empty = NoBytes::NoBuffer;
    std::size_t minRows = 1;
};

// The tables of the multi-frame formats (tools/corpus/framecorpus.py): one
// row per frame, hashed as a viewer shows it, at least 8 rows.
inline Corpus FrameCorpus(const std::string& format)
{
    return {.format = format,
            .cuts = {2048, 64},
            .pixels = PixelRule::Shown,
            .sweep = SweepOver::DecodableFrames,
            .minRows = 8};
}

struct CorpusRow {
    std::string format;
    std::string file;
    std::int32_t frame = 0;
    std::optional<std::int32_t> frames;
    std::optional<std::uint8_t> scale;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bpp = 0;
    std::optional<std::int32_t> xdpi, ydpi;
    std::string expected;
    std::size_t fields = 0;   // in this row
    std::size_t columns = 0;  // named by the first line

    bool Fails() const { return width == 0 || expected.rfind("error:", 0) == 0; }
    std::string Error() const { return expected.rfind("error:", 0) == 0 ? expected.substr(6) : expected; }
    bool Near() const { return expected.rfind("near:", 0) == 0; }
    std::string Reference() const { return expected.substr(5); }
    std::string Describe() const
    {
        return file + " frame " + std::to_string(frame) + (scale ? " at 1/" + std::to_string(*scale) : "");
    }
};

inline void PrintTo(const CorpusRow& row, std::ostream* os)
{
    *os << row.format << "/" << row.Describe();
}

inline std::string CorpusPath(const std::string& format, const std::string& file)
{
    return std::string(ORVANTIS_TEST_DATA) + "/" + format + "/" + file;
}

inline Bytes CorpusBytes(const std::string& format, const std::string& file)
{
    return ReadFileBytes(CorpusPath(format, file));
}

inline std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

inline std::vector<CorpusRow> LoadCorpusTable(const std::string& format)
{
    std::ifstream in(CorpusPath(format, "expected.tsv"));
    std::string line;
    if (!std::getline(in, line))
        return {};
    std::vector<std::string> names = SplitTabs(line);
    names[0].erase(0, names[0].find_first_not_of("# "));
    const auto size = [](const std::string& value) { return value == "-" ? 0u : std::uint32_t(std::stoul(value)); };

    std::vector<CorpusRow> rows;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::vector<std::string> fields = SplitTabs(line);
        CorpusRow row;
        row.format = format;
        row.fields = fields.size();
        row.columns = names.size();
        for (std::size_t i = 0; i < std::min(fields.size(), names.size()); ++i) {
            const std::string& name = names[i];
            const std::string& value = fields[i];
            if (i + 1 == names.size())
                row.expected = value;
            else if (name == "file")
                row.file = value;
            else if (name == "frame")
                row.frame = std::stoi(value);
            else if (name == "frames")
                row.frames = std::stoi(value);
            else if (name == "scale")
                row.scale = std::uint8_t(std::stoi(value));
            else if (name == "width")
                row.width = size(value);
            else if (name == "height")
                row.height = size(value);
            else if (name == "bpp")
                row.bpp = size(value);
            else if (name == "xdpi")
                row.xdpi = std::stoi(value);
            else if (name == "ydpi")
                row.ydpi = std::stoi(value);
            else
                throw std::runtime_error(format + "/expected.tsv: unknown column " + name);
        }
        rows.push_back(row);
    }
    return rows;
}

// A test name from the file name and frame: letters and digits only.
inline std::string CorpusTestName(const testing::TestParamInfo<CorpusRow>& info)
{
    std::string name;
    for (char c : info.param.file + "_" + std::to_string(info.param.frame))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

// The hash column's text for a decoded picture.
inline std::string CorpusHash(const PxImage& image, PixelRule rule)
{
    if (rule == PixelRule::Stored)
        return HashText(image);
    PxImage shown(image.GetWidth(), image.GetHeight(), 24, 0);
    shown.AlphaCreate();
    for (std::int32_t y = 0; y < std::int32_t(image.GetHeight()); ++y)
        for (std::int32_t x = 0; x < std::int32_t(image.GetWidth()); ++x) {
            const bool clear = image.IsTransparent(x, y);
            shown.SetPixelColor(x, y, clear ? RGBQUAD{} : image.GetPixelColor(x, y, false));
            shown.AlphaSet(x, y, clear ? 0 : image.AlphaIsValid() ? image.AlphaGet(x, y) : 255);
        }
    return HashText(shown);
}

// The row holds: decode it and compare the frame count, size, depth,
// resolution and pixels the table has, or the failure and its text.
template <class Codec>
void CheckCorpusRow(const Corpus& corpus, const CorpusRow& row)
{
    ASSERT_EQ(row.fields, row.columns) << row.file << ": fields of the row";
    ASSERT_TRUE(std::filesystem::is_regular_file(CorpusPath(row.format, row.file))) << row.file;
    const Bytes bytes = CorpusBytes(row.format, row.file);
    if (corpus.empty == NoBytes::NoBuffer) {
        ASSERT_FALSE(bytes.empty()) << row.file;
    }
    Codec codec;
    if (row.scale)
        codec.info.jpegScale = *row.scale;
    const bool ok = DecodeBytes(codec, bytes, row.frame, corpus.empty);
    if (row.frames) {
        EXPECT_EQ(codec.info.numFrames, *row.frames);
    }
    if (row.Fails()) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(codec.GetLastError(), row.Error());
        return;
    }
    ASSERT_TRUE(ok) << codec.GetLastError();
    EXPECT_EQ(codec.GetWidth(), row.width);
    EXPECT_EQ(codec.GetHeight(), row.height);
    EXPECT_EQ(codec.GetBpp(), row.bpp);
    if (row.xdpi) {
        EXPECT_EQ(codec.GetXDPI(), *row.xdpi);
    }
    if (row.ydpi) {
        EXPECT_EQ(codec.GetYDPI(), *row.ydpi);
    }
    if (!row.Near()) {
        EXPECT_EQ(CorpusHash(codec, corpus.pixels), row.expected);
        return;
    }
    Codec reference;
    ASSERT_TRUE(DecodeBytes(reference, CorpusBytes(row.format, row.Reference()))) << reference.GetLastError();
    ASSERT_EQ(reference.GetWidth(), codec.GetWidth());
    ASSERT_EQ(reference.GetHeight(), codec.GetHeight());
    EXPECT_LE(MaxColourDifference(codec, reference), 1);
}

// Every row of the table, which has at least corpus.minRows.
template <class Codec>
void CheckCorpus(const Corpus& corpus)
{
    const std::vector<CorpusRow> rows = LoadCorpusTable(corpus.format);
    ASSERT_GE(rows.size(), std::max<std::size_t>(corpus.minRows, 1)) << "rows in the table of " << corpus.format;
    for (const CorpusRow& row : rows) {
        SCOPED_TRACE(row.Describe());
        CheckCorpusRow<Codec>(corpus, row);
    }
}

// The row's file behind a few other bytes, in a stdio stream (as Load reads
// files) and in memory: decoding starts where the stream stands.
template <class Codec>
void CheckCorpusRowMidStream(const Corpus& corpus, const CorpusRow& row)
{
    const Bytes bytes = CorpusBytes(row.format, row.file);
    const std::string prefix = "prefix";
    Bytes joined(prefix.begin(), prefix.end());
    joined.insert(joined.end(), bytes.begin(), bytes.end());

    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    std::fwrite(joined.data(), 1, joined.size(), stream);
    PxIOFile onDisk(stream);
    PxMemFile inMemory(joined.data(), std::int32_t(joined.size()));
    for (PxFile* file : {static_cast<PxFile*>(&onDisk), static_cast<PxFile*>(&inMemory)}) {
        file->Seek(std::int32_t(prefix.size()), 0);
        Codec codec;
        codec.info.frame = row.frame;
        ASSERT_TRUE(codec.Decode(file)) << row.file << ": " << codec.GetLastError();
        EXPECT_EQ(CorpusHash(codec, corpus.pixels), row.expected) << row.file;
    }
    std::fclose(stream);
}

// CheckCorpusRowMidStream for every row of the named files that decodes;
// each name has rows.
template <class Codec>
void CheckCorpusMidStream(const Corpus& corpus, const std::set<std::string>& files)
{
    std::set<std::string> seen;
    for (const CorpusRow& row : LoadCorpusTable(corpus.format))
        if (files.count(row.file) && !row.Fails()) {
            seen.insert(row.file);
            CheckCorpusRowMidStream<Codec>(corpus, row);
        }
    EXPECT_EQ(seen, files);
}

// Decodes the first length bytes of a corpus file with a fresh codec: a
// picture that decodes is a real one (of the row's size, when one is
// given), a failure says why. Returns whether it decoded.
template <class Codec>
bool ExpectCleanOutcome(const Corpus& corpus, const Bytes& bytes, std::size_t length, std::int32_t frame,
                        const CorpusRow* sized, const std::string& what)
{
    Codec codec;
    if (!DecodeBytes(codec, bytes.data(), length, frame, corpus.empty)) {
        EXPECT_STRNE(codec.GetLastError(), "") << what;
        return false;
    }
    EXPECT_TRUE(codec.IsValid()) << what;
    EXPECT_GT(codec.GetWidth(), 0u) << what;
    EXPECT_GT(codec.GetHeight(), 0u) << what;
    if (sized) {
        EXPECT_EQ(codec.GetWidth(), sized->width) << what;
        EXPECT_EQ(codec.GetHeight(), sized->height) << what;
    }
    return true;
}

// The rows the sweeps cut: one row per file, or every row that decodes.
inline std::vector<CorpusRow> SweepRows(const Corpus& corpus)
{
    std::vector<CorpusRow> rows;
    std::set<std::string> files;
    for (CorpusRow& row : LoadCorpusTable(corpus.format)) {
        if (corpus.sweep == SweepOver::DecodableFrames) {
            if (!row.Fails())
                rows.push_back(row);
        } else if (files.insert(row.file).second) {
            row.frame = 0;
            rows.push_back(row);
        }
    }
    return rows;
}

// Every file of the table cut short at the lengths of corpus.cuts; each cut
// decodes or fails with a reason, and the cut at length 0 fails.
template <class Codec>
void SweepTruncations(const Corpus& corpus)
{
    const std::vector<CorpusRow> rows = SweepRows(corpus);
    ASSERT_FALSE(rows.empty()) << "no table for " << corpus.format;
    int decoded = 0, failed = 0;
    for (const CorpusRow& row : rows) {
        const Bytes bytes = CorpusBytes(corpus.format, row.file);
        const std::size_t step =
            bytes.size() <= corpus.cuts.everyLengthUpTo ? 1 : bytes.size() / corpus.cuts.spacedCuts;
        const CorpusRow* sized = corpus.sweep == SweepOver::DecodableFrames ? &row : nullptr;
        for (std::size_t length = 0; length < bytes.size(); length += step) {
            const std::string what = row.Describe() + " cut at " + std::to_string(length);
            if (ExpectCleanOutcome<Codec>(corpus, bytes, length, row.frame, sized, what))
                ++decoded;
            else
                ++failed;
        }
    }
    EXPECT_GT(failed, 0);
    testing::Test::RecordProperty("decoded", decoded);
}

// Every file of the table with single bytes overwritten (0x00, 0xFF or the
// byte's complement) at 96 positions spread over the file, the first 64
// bytes (headers) included one by one.
template <class Codec>
void SweepCorruptions(const Corpus& corpus)
{
    const std::vector<CorpusRow> rows = SweepRows(corpus);
    ASSERT_FALSE(rows.empty()) << "no table for " << corpus.format;
    for (const CorpusRow& row : rows) {
        const Bytes bytes = CorpusBytes(corpus.format, row.file);
        std::vector<std::size_t> positions;
        for (std::size_t i = 0; i < std::min<std::size_t>(64, bytes.size()); ++i)
            positions.push_back(i);
        for (std::size_t i = 0; i < 32 && !bytes.empty(); ++i)
            positions.push_back(bytes.size() * i / 32);
        for (std::size_t at : positions) {
            for (int variant = 0; variant < 3; ++variant) {
                Bytes broken = bytes;
                broken[at] = variant == 0 ? 0x00 : variant == 1 ? 0xFF : std::uint8_t(~broken[at]);
                ExpectCleanOutcome<Codec>(corpus, broken, broken.size(), row.frame, nullptr,
                                          row.file + " byte " + std::to_string(at) + " variant " +
                                              std::to_string(variant));
            }
        }
    }
}

// A decodable corpus file; a failure fails the test.
template <class Codec>
Codec DecodeCorpusFile(const std::string& format, const std::string& file, std::int32_t frame = 0)
{
    Codec codec;
    EXPECT_TRUE(DecodeBytes(codec, CorpusBytes(format, file), frame)) << file << ": " << codec.GetLastError();
    return codec;
}

}  // namespace codectest

// The corpus tests of a suite whose rows are tests of their own:
// Suite##Corpus.DecodesAsTheTableSays for each row (named by file and
// frame), and Suite##Codec's sweeps over truncated and corrupted files.
#define CODEC_CORPUS_TESTS(Suite, CodecType, table)                                                         \
    class Suite##Corpus : public testing::TestWithParam<codectest::CorpusRow> {};                           \
    TEST_P(Suite##Corpus, DecodesAsTheTableSays)                                                            \
    {                                                                                                       \
        codectest::CheckCorpusRow<CodecType>(table, GetParam());                                            \
    }                                                                                                       \
    INSTANTIATE_TEST_SUITE_P(Files, Suite##Corpus,                                                          \
                             testing::ValuesIn(codectest::LoadCorpusTable(table.format)),                   \
                             codectest::CorpusTestName);                                                    \
    TEST(Suite##Codec, TruncatedFilesDecodeOrFailWithAReason)                                               \
    {                                                                                                       \
        codectest::SweepTruncations<CodecType>(table);                                                      \
    }                                                                                                       \
    TEST(Suite##Codec, CorruptedFilesDecodeOrFailWithAReason)                                               \
    {                                                                                                       \
        codectest::SweepCorruptions<CodecType>(table);                                                      \
    }
