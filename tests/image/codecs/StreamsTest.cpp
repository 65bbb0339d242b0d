// The byte streams every codec reads and writes through.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "image/PxFile.h"

namespace {

struct GrowthCase {
    std::int32_t written;
    std::int32_t capacity;
};

class MemFileGrowth : public ::testing::TestWithParam<GrowthCase> {};

// Capacity is the written size rounded down to 4096, plus 4096: always more
// than was written, in whole steps.
TEST_P(MemFileGrowth, GrowsInWholeSteps)
{
    const GrowthCase c = GetParam();
    PxMemFile file;
    ASSERT_TRUE(file.Open());
    std::string bytes(std::size_t(c.written), 'x');
    ASSERT_EQ(file.Write(bytes.data(), 1, bytes.size()), bytes.size());
    EXPECT_EQ(file.capacity, c.capacity);
    EXPECT_EQ(file.Size(), c.written);
}

INSTANTIATE_TEST_SUITE_P(Steps, MemFileGrowth,
                         ::testing::Values(GrowthCase{1, 4096}, GrowthCase{4095, 4096}, GrowthCase{4096, 8192},
                                           GrowthCase{8191, 8192}, GrowthCase{8192, 12288}));

TEST(MemFile, GrowthKeepsWhatWasWritten)
{
    PxMemFile file;
    ASSERT_TRUE(file.Open());
    std::string expected;
    for (int chunk = 0; chunk < 5; ++chunk) {
        const std::string part(3000, char('a' + chunk));
        ASSERT_EQ(file.Write(part.data(), 1, part.size()), part.size());
        expected += part;
    }
    ASSERT_EQ(file.Size(), std::int32_t(expected.size()));
    EXPECT_EQ(std::memcmp(file.buffer, expected.data(), expected.size()), 0);
}

TEST(MemFile, SeekClampsBelowTheStartOnly)
{
    std::array<std::uint8_t, 8> data{};
    PxMemFile file(data.data(), std::int32_t(data.size()));
    EXPECT_TRUE(file.Seek(-10, 0));
    EXPECT_EQ(file.Tell(), 0);
    EXPECT_TRUE(file.Seek(3, 0));
    EXPECT_TRUE(file.Seek(-5, 1));
    EXPECT_EQ(file.Tell(), 0);
    EXPECT_TRUE(file.Seek(-100, 2));
    EXPECT_EQ(file.Tell(), 0);
    EXPECT_TRUE(file.Seek(-2, 2));
    EXPECT_EQ(file.Tell(), 6);
    EXPECT_FALSE(file.Seek(1, 3));
    EXPECT_EQ(file.Tell(), 6);
}

TEST(MemFile, ReadPastTheEndGivesNothing)
{
    std::array<std::uint8_t, 4> data{1, 2, 3, 4};
    PxMemFile file(data.data(), std::int32_t(data.size()));
    ASSERT_TRUE(file.Seek(10, 0));
    EXPECT_EQ(file.Tell(), 10);
    std::uint8_t out[4] = {};
    EXPECT_EQ(file.Read(out, 1, sizeof out), 0u);
    EXPECT_EQ(file.GetC(), -1);
    EXPECT_TRUE(file.Eof());
    EXPECT_EQ(file.Error(), 1);
    EXPECT_EQ(BytesLeft(file), 0);
}

TEST(MemFile, ReadReturnsWholeElements)
{
    std::array<std::uint8_t, 10> data{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    PxMemFile file(data.data(), std::int32_t(data.size()));
    std::uint8_t out[12] = {};
    EXPECT_EQ(file.Read(out, 4, 3), 2u);
    EXPECT_EQ(file.Tell(), 10);
    EXPECT_EQ(out[9], 9);
    EXPECT_EQ(file.Read(out, 0, 3), 0u);
    EXPECT_EQ(file.Read(nullptr, 1, 1), 0u);
}

// Bytes skipped by a seek past the end read back as zeros.
TEST(MemFile, WritePastTheEndFillsTheGapWithZeros)
{
    PxMemFile file;
    ASSERT_TRUE(file.Open());
    ASSERT_EQ(file.Write("ab", 1, 2), 2u);
    ASSERT_TRUE(file.Seek(6, 0));
    EXPECT_EQ(file.Error(), 1);
    ASSERT_EQ(file.Write("c", 1, 1), 1u);
    EXPECT_EQ(file.Error(), 0);
    ASSERT_EQ(file.Size(), 7);
    EXPECT_EQ(std::memcmp(file.buffer, "ab\0\0\0\0c", 7), 0);
}

TEST(MemFile, PutCAndGetC)
{
    PxMemFile file;
    ASSERT_TRUE(file.Open());
    EXPECT_TRUE(file.Eof());
    EXPECT_TRUE(file.PutC(0xFE));
    EXPECT_TRUE(file.PutC(7));
    EXPECT_EQ(file.Size(), 2);
    EXPECT_EQ(file.capacity, 4096);
    EXPECT_TRUE(file.Eof());
    ASSERT_TRUE(file.Seek(0, 0));
    EXPECT_FALSE(file.Eof());
    EXPECT_EQ(file.GetC(), 0xFE);
    EXPECT_EQ(file.GetC(), 7);
    EXPECT_EQ(file.GetC(), -1);
    EXPECT_TRUE(file.Eof());
}

// A file with nothing behind it: every call fails or reports nothing, Tell
// gives tell, and closing it is harmless.
void ExpectEveryCallFails(PxFile& file, std::int32_t tell)
{
    std::uint8_t byte = 1;
    EXPECT_EQ(file.Read(&byte, 1, 1), 0u);
    EXPECT_EQ(file.Write(&byte, 1, 1), 0u);
    EXPECT_FALSE(file.Seek(0, 0));
    EXPECT_EQ(file.Tell(), tell);
    EXPECT_EQ(file.Size(), -1);
    EXPECT_FALSE(file.Flush());
    EXPECT_TRUE(file.Eof());
    EXPECT_EQ(file.Error(), -1);
    EXPECT_FALSE(file.PutC(1));
    EXPECT_EQ(file.GetC(), -1);
    EXPECT_EQ(BytesLeft(file), -1);
    EXPECT_TRUE(file.Close());
}

TEST(MemFile, WithoutABufferEverythingFails)
{
    PxMemFile file;
    ExpectEveryCallFails(file, -1);
}

// After GetBuffer(true) the bytes are the caller's: the file no longer frees them.
TEST(MemFile, DetachedBufferOutlivesTheFile)
{
    std::uint8_t* bytes = nullptr;
    {
        PxMemFile file;
        ASSERT_TRUE(file.Open());
        ASSERT_EQ(file.Write("keep", 1, 4), 4u);
        EXPECT_EQ(file.GetBuffer(false), file.buffer);
        EXPECT_TRUE(file.ownsBuffer);
        bytes = file.GetBuffer(true);
        EXPECT_FALSE(file.ownsBuffer);
    }
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::memcmp(bytes, "keep", 4), 0);
    std::free(bytes);
}

// A borrowed buffer (here on the stack, where free or realloc would crash)
// is written in place while it has room and copied once it has not.
TEST(MemFile, BorrowedBufferIsNeverFreedOrReallocated)
{
    std::array<std::uint8_t, 8> data{1, 2, 3, 4, 5, 6, 7, 8};
    {
        PxMemFile file(data.data(), std::int32_t(data.size()));
        EXPECT_FALSE(file.ownsBuffer);
        EXPECT_TRUE(file.Close());
        EXPECT_EQ(file.buffer, data.data());
        ASSERT_EQ(file.Write("ab", 1, 2), 2u);
        EXPECT_EQ(file.buffer, data.data());
        EXPECT_EQ(data[0], 'a');
        ASSERT_TRUE(file.Seek(0, 2));
        ASSERT_EQ(file.Write("xyz", 1, 3), 3u);
        EXPECT_NE(file.buffer, data.data());
        EXPECT_TRUE(file.ownsBuffer);
        EXPECT_EQ(file.Size(), 11);
        EXPECT_EQ(std::memcmp(file.buffer, "ab\3\4\5\6\7\10xyz", 11), 0);
    }
    EXPECT_EQ(data[2], 3);
    EXPECT_EQ(data[7], 8);
}

TEST(IOFile, WithoutAStreamEverythingFails)
{
    PxIOFile file;
    ExpectEveryCallFails(file, 0);
}

TEST(IOFile, SizeLeavesThePositionAlone)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    PxIOFile file(stream);
    const std::string bytes(100, 'b');
    ASSERT_EQ(file.Write(bytes.data(), 1, bytes.size()), bytes.size());
    ASSERT_TRUE(file.Seek(30, 0));
    EXPECT_EQ(file.Size(), 100);
    EXPECT_EQ(file.Tell(), 30);
    EXPECT_EQ(BytesLeft(file), 70);
    std::fclose(stream);
}

TEST(IOFile, PutCGetCAndEof)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    PxIOFile file(stream);
    EXPECT_TRUE(file.PutC(0xFF));
    ASSERT_TRUE(file.Seek(0, 0));
    EXPECT_EQ(file.GetC(), 0xFF);
    EXPECT_FALSE(file.Eof());
    EXPECT_EQ(file.GetC(), -1);
    EXPECT_TRUE(file.Eof());
    EXPECT_EQ(file.Error(), 0);
    std::fclose(stream);
}

// A stream handed in stays the caller's: the file neither closes it nor
// accepts a second one.
TEST(IOFile, GivenStreamIsNotClosed)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    {
        PxIOFile file(stream);
        EXPECT_FALSE(file.ownsStream);
        EXPECT_FALSE(file.Open("/dev/null", "rb"));
        EXPECT_TRUE(file.Close());
        EXPECT_EQ(file.stream, stream);
    }
    EXPECT_EQ(std::fputc('z', stream), 'z');
    EXPECT_EQ(std::fclose(stream), 0);
}

TEST(IOFile, OpenedStreamIsOwnedAndClosed)
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("pxiofile-" + std::to_string(::getpid()) + ".bin");
    {
        PxIOFile file;
        ASSERT_TRUE(file.Open(path.c_str(), "wb"));
        EXPECT_TRUE(file.ownsStream);
        ASSERT_EQ(file.Write("abc", 1, 3), 3u);
        EXPECT_TRUE(file.Close());
        EXPECT_EQ(file.stream, nullptr);
    }
    EXPECT_EQ(std::filesystem::file_size(path), 3u);
    PxIOFile missing;
    EXPECT_FALSE(missing.Open((path.string() + ".missing/x").c_str(), "rb"));
    std::filesystem::remove(path);
}

}  // namespace
