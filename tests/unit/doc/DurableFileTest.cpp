// Saves that cannot complete, run as an unprivileged user (root ignores read-only permissions).
#include "DurableFile.h"
#include "TempDir.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace figurant;
using namespace figurant::test;

namespace {

// Runs the probe tool as user nobody; its exit status (0 when the write succeeded).
int AsNobody(const std::string& mode, const std::string& path) {
    const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups " FIGURANT_WRITE_PROBE
                                " " +
                                mode + " '" + path + "' >/dev/null 2>&1";
    return std::system(command.c_str());
}

class ReadOnlyTest : public testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0 || std::system("command -v setpriv >/dev/null") != 0)
            GTEST_SKIP() << "needs root and setpriv";
        original = "\n0 0\n1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \n";
        path = dir.Write("anim.amt", original);
        ::chmod(dir.Path().c_str(), 0555);
        ::chmod(path.c_str(), 0444);
    }
    void TearDown() override { ::chmod(dir.Path().c_str(), 0755); }
    void ExpectUnchanged() {
        EXPECT_EQ(ReadAll(path), original);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    }
    TempDir dir;
    std::string original, path;
};

TEST_F(ReadOnlyTest, AppendIsRefused) {
    EXPECT_NE(AsNobody("append", path), 0);
    ExpectUnchanged();
}

TEST_F(ReadOnlyTest, ReplaceIsRefused) {
    EXPECT_NE(AsNobody("create", path), 0);
    ExpectUnchanged();
}

TEST_F(ReadOnlyTest, NewFileInReadOnlyFolderIsRefused) {
    EXPECT_NE(AsNobody("create", dir.File("new.amt")), 0);
    ExpectUnchanged();
}

TEST(DurableFile, FullDeviceIsReported) {
    EXPECT_NE(AppendFileDurably("/dev/full", "abc"), "");
    EXPECT_NE(WriteFileDurably("/dev/full", "abc"), "");
}

TEST(DurableFile, ReplaceAndAppend) {
    TempDir dir;
    const std::string path = dir.File("f");
    EXPECT_EQ(WriteFileDurably(path, "one"), "");
    EXPECT_EQ(AppendFileDurably(path, "two"), "");
    EXPECT_EQ(ReadAll(path), "onetwo");
    EXPECT_EQ(WriteFileDurably(path, ""), "");
    EXPECT_EQ(ReadAll(path), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

// Each of these once lost or overwrote data.
TEST(DurableFile, ReplacingKeepsModeLinksAndOtherFiles) {
    TempDir dir;
    // A link planted at the temporary name an earlier version used leaves its target alone.
    const std::string victim = dir.Write("victim", "keep me");
    const std::string path = dir.Write("anim.amt", "old");
    ASSERT_EQ(::symlink(victim.c_str(), (path + ".saving").c_str()), 0);
    // A stale temporary of a crashed save is not in the way either.
    dir.Write("anim.amt.saving-AbC123", "stale");
    ::chmod(path.c_str(), 0640);
    EXPECT_EQ(WriteFileDurably(path, "new"), "");
    EXPECT_EQ(ReadAll(path), "new");
    EXPECT_EQ(ReadAll(victim), "keep me");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 4);

    // A symbolic link is written through: it stays a link, the file it names gets the bytes.
    const std::string real = dir.Write("real.amt", "before");
    const std::string link = dir.File("link.amt");
    ASSERT_EQ(::symlink("real.amt", link.c_str()), 0);
    EXPECT_EQ(WriteFileDurably(link, "after"), "");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadAll(real), "after");
    EXPECT_EQ(AppendFileDurably(link, "!"), "");
    EXPECT_EQ(ReadAll(real), "after!");

    // A read-only file is refused, even for root, and stays read-only.
    const std::string locked = dir.Write("locked.amt", "locked");
    ::chmod(locked.c_str(), 0444);
    EXPECT_EQ(WriteFileDurably(locked, "x"), "the file is read-only");
    EXPECT_EQ(AppendFileDurably(locked, "x"), "the file is read-only");
    EXPECT_EQ(ReadAll(locked), "locked");
    ASSERT_EQ(::stat(locked.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
}

} // namespace

// A name as long as a folder takes is saved (its temporary is named shorter); temporaries that a
// killed save of the same file left are cleaned up by the next save, a fresh one is left alone.
TEST(DurableFile, LongNamesAndTemporariesOfKilledSaves) {
    test::TempDir dir;
    const std::string longName = dir.File(std::string(250, 'n') + ".amt");
    EXPECT_EQ(WriteFileDurably(longName, "key frame"), "");
    EXPECT_EQ(test::ReadAll(longName), "key frame");
    const std::string path = dir.File("walk.amt");
    const std::string stale = dir.Write("walk.amt.saving-AbC123", "half"),
                      fresh = dir.Write("walk.amt.saving-XyZ789", "");
    const std::string other = dir.Write("run.amt.saving-AbC123", "half");
    const timespec old[2] = {{0, 0}, {1000, 0}};
    for (const std::string& p : {stale, other})
        ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), old, 0), 0);
    EXPECT_EQ(WriteFileDurably(path, "whole"), "");
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(fresh));
    EXPECT_TRUE(std::filesystem::exists(other));
    // A pipe is refused when asked; written in place, one that nothing reads is refused at once.
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
    EXPECT_NE(WriteFileDurably(dir.File("pipe"), "x", SpecialFiles::Refuse), "");
    EXPECT_EQ(WriteFileDurably(dir.File("pipe"), "x"), "nothing reads from it");
}
