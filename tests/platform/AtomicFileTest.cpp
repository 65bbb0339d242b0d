#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/AtomicFile.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path path = fs::temp_directory_path() / ("orvantis-atomic-" + std::to_string(::getpid()));
    Folder() { fs::create_directories(path); }
    ~Folder() { fs::remove_all(path); }
    std::size_t Entries() const { return std::distance(fs::directory_iterator(path), fs::directory_iterator()); }
};

std::string Contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(AtomicFile, CommitReplacesAndAbandonLeavesTheTargetAlone)
{
    Folder folder;
    const fs::path target = folder.path / "card.bmp";
    std::ofstream(target) << "good";
    {
        AtomicFile file(target);
        ASSERT_NE(file.Stream(), nullptr);
        std::fputs("half", file.Stream());
        // destroyed without Commit: a failed save
    }
    EXPECT_EQ(Contents(target), "good");
    EXPECT_EQ(folder.Entries(), 1u);
    {
        AtomicFile file(target);
        std::fputs("new", file.Stream());
        EXPECT_TRUE(file.Commit());
    }
    EXPECT_EQ(Contents(target), "new");
    EXPECT_EQ(folder.Entries(), 1u);
}

TEST(AtomicFile, UnwritableFolderFails)
{
    AtomicFile file("/nonexistent-folder/card.bmp");
    EXPECT_EQ(file.Stream(), nullptr);
    EXPECT_FALSE(file.Commit());
}

}  // namespace
