#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

mode_t Permissions(const fs::path& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Every test runs through the unnamed temporary and through the named one
// that file systems without unnamed files get.
class AtomicFileTest : public ::testing::TestWithParam<AtomicFile::Temporary> {
protected:
    bool Save(const fs::path& target, const char* text)
    {
        AtomicFile file(target, GetParam());
        return file.Stream() && std::fputs(text, file.Stream()) >= 0 && file.Commit();
    }
};

TEST_P(AtomicFileTest, CommitReplacesAndAbandonLeavesTheTargetAlone)
{
    Folder folder;
    const fs::path target = folder.path / "card.bmp";
    std::ofstream(target) << "good";
    {
        AtomicFile file(target, GetParam());
        ASSERT_NE(file.Stream(), nullptr);
        std::fputs("half", file.Stream());
        // destroyed without Commit: a failed save
    }
    EXPECT_EQ(Contents(target), "good");
    EXPECT_EQ(folder.Entries(), 1u);
    EXPECT_TRUE(Save(target, "new"));
    EXPECT_EQ(Contents(target), "new");
    EXPECT_EQ(folder.Entries(), 1u);
}

TEST_P(AtomicFileTest, KilledSaveLeavesAtMostTheHiddenFileWhichTheNextSaveReplaces)
{
    Folder folder;
    const fs::path target = folder.path / "card.png";
    std::ofstream(target) << "good";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Half a card on disk, then the process dies before Commit.
        AtomicFile file(target, GetParam());
        std::fputs(std::string(100000, 'x').c_str(), file.Stream());
        std::fflush(file.Stream());
        (void)!::write(ready[1], "w", 1);
        ::pause();
        ::_exit(0);
    }
    char written = 0;
    ASSERT_EQ(::read(ready[0], &written, 1), 1);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);

    EXPECT_EQ(Contents(target), "good");
    const fs::path hidden = AtomicFile::TemporaryName(target);
    EXPECT_EQ(hidden, folder.path / ".card.png.orvantis-tmp");
    const bool named = GetParam() == AtomicFile::Temporary::Named;
    EXPECT_EQ(fs::exists(hidden), named);
    // A crash between linking and renaming at Commit leaves the hidden name too.
    std::ofstream(hidden) << "stale";

    EXPECT_TRUE(Save(target, "new"));
    EXPECT_EQ(Contents(target), "new");
    EXPECT_EQ(folder.Entries(), 1u);
}

TEST_P(AtomicFileTest, NewFileGetsTheUmaskAndAReplacementKeepsTheOldPermissions)
{
    Folder folder;
    const mode_t mask = ::umask(027);
    EXPECT_TRUE(Save(folder.path / "new.jpg", "a"));
    std::ofstream(folder.path / "old.jpg") << "b";
    fs::permissions(folder.path / "old.jpg", fs::perms(0604));
    EXPECT_TRUE(Save(folder.path / "old.jpg", "c"));
    ::umask(mask);
    EXPECT_EQ(Permissions(folder.path / "new.jpg"), 0640u);
    EXPECT_EQ(Permissions(folder.path / "old.jpg"), 0604u);
}

TEST_P(AtomicFileTest, SavingThroughALinkReplacesTheFileItPointsTo)
{
    Folder folder;
    std::ofstream(folder.path / "card.bmp") << "good";
    fs::create_symlink("card.bmp", folder.path / "link.bmp");
    EXPECT_TRUE(Save(folder.path / "link.bmp", "new"));
    EXPECT_TRUE(fs::is_symlink(folder.path / "link.bmp"));
    EXPECT_EQ(Contents(folder.path / "card.bmp"), "new");
    EXPECT_EQ(folder.Entries(), 2u);
}

TEST_P(AtomicFileTest, UnwritableFolderFails)
{
    AtomicFile file("/nonexistent-folder/card.bmp", GetParam());
    EXPECT_EQ(file.Stream(), nullptr);
    EXPECT_FALSE(file.Commit());
}

INSTANTIATE_TEST_SUITE_P(Temporaries, AtomicFileTest,
                         ::testing::Values(AtomicFile::Temporary::Unnamed, AtomicFile::Temporary::Named),
                         [](const auto& info) {
                             return info.param == AtomicFile::Temporary::Named ? "Named" : "Unnamed";
                         });

TEST(AtomicFile, TemporaryOfALongNameStaysWithinTheLimitAndFixed)
{
    const fs::path target = fs::path("/pictures") / std::string(250, 'n');
    const fs::path hidden = AtomicFile::TemporaryName(target);
    EXPECT_EQ(hidden.parent_path(), target.parent_path());
    EXPECT_LE(hidden.filename().string().size(), 255u);
    EXPECT_EQ(hidden, AtomicFile::TemporaryName(target));
    EXPECT_NE(hidden, AtomicFile::TemporaryName(fs::path("/pictures") / std::string(251, 'n')));
}

}  // namespace

// A failed write says what the system said, in a user's words; the home
// folder is written as ~.
TEST(AtomicFile, FailuresAreExplainedInWords)
{
    const char* home = std::getenv("HOME");
    const std::filesystem::path cards = std::filesystem::path(home ? home : "/root") / "Cards" / "card.png";
    EXPECT_EQ(DescribeWriteError(ENOENT, cards), "the folder ~/Cards does not exist");
    EXPECT_EQ(DescribeWriteError(EACCES, "/srv/cards/a.png"), "permission denied: you may not write in the folder /srv/cards");
    EXPECT_EQ(DescribeWriteError(ENOSPC, "/srv/a.png"), "the disk is full");
    EXPECT_EQ(DescribeWriteError(EROFS, "/media/cd/a.png"), "the folder /media/cd is on a disk that can only be read");
    EXPECT_EQ(DescribeWriteError(EIO, "/srv/a.png"), std::strerror(EIO));
    AtomicFile missing(std::filesystem::temp_directory_path() / "orvantis-no-such-folder" / "card.png");
    EXPECT_EQ(missing.Stream(), nullptr);
    EXPECT_EQ(missing.Reason(), "the folder " + (std::filesystem::temp_directory_path() / "orvantis-no-such-folder").string() +
                                    " does not exist");
}
