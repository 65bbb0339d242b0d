// The format-id dispatch and the file, memory and stream entry points of PxImage.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/CodecTable.h"
#include "image/PxFile.h"
#include "tests/image/TestImages.h"
#include "tests/image/codecs/CodecHarness.h"

namespace {

namespace fs = std::filesystem;
using codectest::Bytes;

void WriteFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A folder of its own per test, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = fs::temp_directory_path() /
                 (std::string("dispatch-") + test->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TempDir() { fs::remove_all(m_path); }
    const fs::path& path() const { return m_path; }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path m_path;
};

Bytes EncodeToMemory(PxImage& image, std::uint32_t type)
{
    std::uint8_t* data = nullptr;
    std::int32_t length = 0;
    EXPECT_TRUE(image.Encode(data, length, type)) << image.GetLastError();
    Bytes bytes(data, data + length);
    std::free(data);
    return bytes;
}

const Bytes kNotAnImage = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e', ' ', 'a', 't', ' ',
                           'a', 'l', 'l', ',', ' ', 'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't', ' ', 'b',
                           'y', 't', 'e', 's', ' ', 'h', 'e', 'r', 'e', '.', '.', '.', '.', '.', '.', '.',
                           '.', '.', '.', '.', '.', '.', '.', '.', '.', '.', '.', '.', '.', '.', '.', '.'};

// ---- dispatch ----

TEST(Dispatch, UnknownIdsFail)
{
    PxImage source = testimages::Random(4, 3, 24, false, 1);
    const Bytes bmp = EncodeToMemory(source, FormatBmp);
    PxImage image;
    EXPECT_FALSE(image.Decode(bmp.data(), std::int32_t(bmp.size()), FormatCount));
    EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
    EXPECT_FALSE(image.Decode(kNotAnImage.data(), std::int32_t(kNotAnImage.size()), FormatUnknown));
    EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");

    std::uint8_t* data = nullptr;
    std::int32_t length = 0;
    for (std::uint32_t id : {std::uint32_t(FormatUnknown), std::uint32_t(FormatCount), 1000u}) {
        source.SetLastError("");
        EXPECT_FALSE(source.Encode(data, length, id));
        EXPECT_STREQ(source.GetLastError(), "Encode: Unknown format");
        EXPECT_EQ(data, nullptr);
    }
}

// With an id, only that codec is tried and its own reason is reported.
TEST(Dispatch, RequestedCodecReportsItsOwnReason)
{
    PxImage image;
    EXPECT_FALSE(image.Decode(kNotAnImage.data(), std::int32_t(kNotAnImage.size()), FormatBmp));
    EXPECT_STREQ(image.GetLastError(), "Error reading BMP info");
}

TEST(Dispatch, MemoryRoundTripWithDetection)
{
    PxImage source = testimages::Random(9, 7, 8, false, 2);
    const Bytes bytes = EncodeToMemory(source, FormatBmp);
    ASSERT_EQ(bytes.size(), std::size_t(source.GetSize()) + 14);
    PxImage back;
    ASSERT_TRUE(back.Decode(bytes.data(), std::int32_t(bytes.size()), FormatUnknown)) << back.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(source, back));
    EXPECT_EQ(back.GetType(), std::uint32_t(FormatBmp));
}

// A stream whose first bytes only one format has is that codec's to explain;
// content no codec recognises is an unknown format.
TEST(Dispatch, DetectionReportsTheReasonOfTheFormatTheSignatureNames)
{
    struct Written {
        std::uint32_t type, bpp;
    };
    for (const Written w : {Written{FormatPng, 24}, Written{FormatGif, 8}, Written{FormatTif, 24}}) {
        SCOPED_TRACE(w.type);
        PxImage picture = testimages::Random(40, 30, w.bpp, false, 3);
        const Bytes whole = EncodeToMemory(picture, w.type);
        const Bytes cut(whole.begin(), whole.begin() + 20);
        PxImage asked, detected;
        EXPECT_FALSE(asked.Decode(cut.data(), std::int32_t(cut.size()), w.type));
        EXPECT_FALSE(detected.Decode(cut.data(), std::int32_t(cut.size()), FormatUnknown));
        EXPECT_STRNE(detected.GetLastError(), "Decode: Unknown or wrong format");
        EXPECT_STREQ(detected.GetLastError(), asked.GetLastError());
    }
}

TEST(Dispatch, EncodeToMemoryNeedsAnEmptyPointer)
{
    PxImage source(2, 2, 24, FormatBmp);
    std::uint8_t sentinel = 0;
    std::uint8_t* data = &sentinel;
    std::int32_t length = 77;
    EXPECT_FALSE(source.Encode(data, length, FormatBmp));
    EXPECT_STREQ(source.GetLastError(), "the buffer must be empty");
    EXPECT_EQ(data, &sentinel);
    EXPECT_EQ(length, 77);

    PxImage empty;
    data = nullptr;
    EXPECT_FALSE(empty.Encode(data, length, FormatBmp));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    EXPECT_EQ(data, nullptr);
}

// A failed decode keeps the picture the caller had and leaves the stream
// where it was, so the caller can try something else on the same bytes.
TEST(Dispatch, FailedDecodeChangesNothing)
{
    PxImage image = testimages::Random(5, 4, 24, true, 3);
    const PxImage before(image);
    Bytes junk = kNotAnImage;
    PxMemFile file(junk.data(), std::int32_t(junk.size()));
    ASSERT_TRUE(file.Seek(3, 0));
    for (std::uint32_t id : {std::uint32_t(FormatUnknown), std::uint32_t(FormatBmp)}) {
        EXPECT_FALSE(image.Decode(&file, id));
        EXPECT_EQ(file.Tell(), 3);
        EXPECT_TRUE(testimages::SamePixels(before, image));
    }
    EXPECT_EQ(junk, kNotAnImage);
}

// A picture inside a larger stream: offsets count from where the stream stood.
TEST(Dispatch, DecodesFromTheCurrentPosition)
{
    PxImage source = testimages::Random(6, 5, 4, false, 4);
    Bytes bytes = {1, 2, 3, 4, 5, 6, 7};
    const Bytes bmp = EncodeToMemory(source, FormatBmp);
    bytes.insert(bytes.end(), bmp.begin(), bmp.end());
    PxMemFile file(bytes.data(), std::int32_t(bytes.size()));
    ASSERT_TRUE(file.Seek(7, 0));
    PxImage back;
    ASSERT_TRUE(back.Decode(&file, FormatUnknown)) << back.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(source, back));
}

TEST(Dispatch, SizeOnlyReachesTheCodec)
{
    PxImage source(300, 20, 24, 0);
    const Bytes bytes = EncodeToMemory(source, FormatBmp);
    PxImage image;
    image.info.escape = -1;
    ASSERT_TRUE(image.Decode(bytes.data(), std::int32_t(bytes.size()), FormatUnknown));
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), 300u);
    EXPECT_EQ(image.GetHeight(), 20u);
    EXPECT_STREQ(image.GetLastError(), "output dimensions returned");
}

TEST(Dispatch, StdioStreams)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    PxImage source = testimages::Random(7, 3, 1, false, 5);
    ASSERT_TRUE(source.Encode(stream, FormatBmp));
    std::rewind(stream);
    PxImage back;
    ASSERT_TRUE(back.Decode(stream, FormatBmp)) << back.GetLastError();
    EXPECT_TRUE(testimages::SamePixels(source, back));
    std::fclose(stream);
}

// A stand-in codec that records what the dispatch hands it.
struct Seen {
    static inline std::int32_t frame = 0;
    static inline std::uint32_t type = 0;
    static inline const std::uint8_t* dib = nullptr;
};

class FakeCodec : public PxImage {
public:
    explicit FakeCodec(std::uint32_t type) : PxImage(type) {}
    bool Decode(PxFile*)
    {
        Seen::frame = info.frame;
        Seen::type = info.type;
        if (info.frame > 1) {
            info.numFrames = 2;
            SetLastError("no such frame");
            return false;
        }
        return Create(3, 2, 8, info.type) != nullptr;
    }
    bool Encode(PxFile*)
    {
        Seen::dib = dib;
        SetLastError("fake encoder refuses");
        return false;
    }
};

TEST(CodecTable, DecodeWithHandsOverOnSuccessOnly)
{
    PxMemFile file;
    PxImage target = testimages::Random(4, 4, 24, false, 6);
    target.info.frame = 1;
    ASSERT_TRUE((pximage::DecodeWith<FakeCodec, true>(target, &file, FormatGif)));
    EXPECT_EQ(Seen::frame, 1);
    EXPECT_EQ(Seen::type, std::uint32_t(FormatGif));
    EXPECT_EQ(target.GetWidth(), 3u);
    EXPECT_EQ(target.GetBpp(), 8);

    target.info.frame = 3;
    target.info.numFrames = 0;
    EXPECT_FALSE((pximage::DecodeWith<FakeCodec, false>(target, &file, FormatPng)));
    EXPECT_STREQ(target.GetLastError(), "no such frame");
    EXPECT_EQ(target.info.numFrames, 0);
    EXPECT_EQ(target.GetWidth(), 3u);
    // Multi-frame formats tell how many frames there are even when the one asked for is missing.
    EXPECT_FALSE((pximage::DecodeWith<FakeCodec, true>(target, &file, FormatTif)));
    EXPECT_EQ(target.info.numFrames, 2);
}

TEST(CodecTable, EncodeWithWorksOnAGhost)
{
    PxMemFile file;
    PxImage source(2, 2, 24, 0);
    EXPECT_FALSE(pximage::EncodeWith<FakeCodec>(source, &file, FormatPng));
    EXPECT_EQ(Seen::dib, source.dib);
    EXPECT_STREQ(source.GetLastError(), "fake encoder refuses");
    EXPECT_TRUE(source.IsValid());
}

// ---- files ----

TEST(Load, WrongIdFallsBackToTheContent)
{
    TempDir dir;
    PxImage source = testimages::Random(8, 3, 24, false, 7);
    const fs::path path = dir.path() / "photo.jpg";
    ASSERT_TRUE(source.Save(path, FormatBmp));
    for (std::uint32_t id : {std::uint32_t(FormatJpg), std::uint32_t(FormatPng), std::uint32_t(FormatCount)}) {
        PxImage image;
        ASSERT_TRUE(image.Load(path, id)) << id << ": " << image.GetLastError();
        EXPECT_TRUE(testimages::SamePixels(source, image));
    }
    const PxImage constructed(path, FormatJpg);
    EXPECT_TRUE(testimages::SamePixels(source, constructed));
}

// When detection fails too, the caller hears why the requested format failed.
TEST(Load, FailureKeepsTheRequestedFormatsReason)
{
    TempDir dir;
    const fs::path path = dir.path() / "notes.bmp";
    WriteFile(path, kNotAnImage);
    PxImage image;
    EXPECT_FALSE(image.Load(path, FormatBmp));
    EXPECT_STREQ(image.GetLastError(), "Error reading BMP info");
    EXPECT_FALSE(image.Load(path, FormatUnknown));
    EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
}

TEST(Load, MissingFileLeavesTheLastErrorAlone)
{
    TempDir dir;
    PxImage image;
    image.SetLastError("earlier");
    EXPECT_FALSE(image.Load(dir.path() / "missing.bmp", FormatBmp));
    EXPECT_FALSE(image.Load(dir.path() / "missing.bmp", FormatUnknown));
    EXPECT_STREQ(image.GetLastError(), "earlier");
    const PxImage constructed(dir.path() / "missing.bmp", FormatBmp);
    EXPECT_FALSE(constructed.IsValid());
}

TEST(Save, ReplacesTheTargetAndKeepsItsPermissions)
{
    TempDir dir;
    const fs::path path = dir.path() / "card.bmp";
    WriteFile(path, kNotAnImage);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    PxImage source = testimages::Random(5, 5, 24, false, 8);
    ASSERT_TRUE(source.Save(path, FormatBmp)) << source.GetLastError();
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"card.bmp"});
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0640));
    PxImage back(path, FormatBmp);
    EXPECT_TRUE(testimages::SamePixels(source, back));
}

TEST(Save, NewFileGetsTheUsualPermissions)
{
    TempDir dir;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    PxImage source(3, 3, 8, 0);
    ASSERT_TRUE(source.Save(dir.path() / "new.bmp", FormatBmp));
    EXPECT_EQ(fs::status(dir.path() / "new.bmp").permissions() & fs::perms::all, fs::perms(0666 & ~mask));
}

// A failing encode never touches a good file and leaves nothing behind.
TEST(Save, FailureLeavesTheTargetIntact)
{
    TempDir dir;
    const fs::path path = dir.path() / "card.bmp";
    PxImage good = testimages::Random(4, 4, 24, false, 9);
    ASSERT_TRUE(good.Save(path, FormatBmp));
    const Bytes before = codectest::ReadFileBytes(path);

    PxImage empty;
    EXPECT_FALSE(empty.Save(path, FormatBmp));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    EXPECT_FALSE(good.Save(path, FormatUnknown));
    EXPECT_STREQ(good.GetLastError(), "Encode: Unknown format");

    EXPECT_EQ(codectest::ReadFileBytes(path), before);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"card.bmp"});
}

TEST(Save, UnopenableTargetLeavesTheLastErrorAlone)
{
    TempDir dir;
    PxImage source(2, 2, 24, 0);
    source.SetLastError("earlier");
    EXPECT_FALSE(source.Save(dir.path() / "no-such-folder" / "card.bmp", FormatBmp));
    EXPECT_STREQ(source.GetLastError(), "earlier");
    EXPECT_TRUE(dir.Names().empty());
}

// The temporary file's name does not grow from the target's.
TEST(Save, LongestFileName)
{
    TempDir dir;
    const fs::path path = dir.path() / (std::string(251, 'n') + ".bmp");
    PxImage source = testimages::Random(3, 2, 4, false, 11);
    ASSERT_TRUE(source.Save(path, FormatBmp));
    PxImage back(path, FormatBmp);
    EXPECT_TRUE(testimages::SamePixels(source, back));
}

// Saving through a link replaces the file it points to and keeps the link.
TEST(Save, ThroughASymbolicLink)
{
    TempDir dir;
    const fs::path real = dir.path() / "real.bmp";
    const fs::path link = dir.path() / "link.bmp";
    WriteFile(real, kNotAnImage);
    fs::create_symlink(real, link);
    PxImage source = testimages::Random(3, 2, 24, false, 10);
    ASSERT_TRUE(source.Save(link, FormatBmp));
    EXPECT_TRUE(fs::is_symlink(link));
    PxImage back(real, FormatBmp);
    EXPECT_TRUE(testimages::SamePixels(source, back));
}

}  // namespace
