#include "core/platform/disk.h"

#include <csignal>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/common/temp_dir.h"

namespace {

using corvane_test::ListDirectory;
using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

// A folder on another file system than `dir`, or "" when the machine has none.
std::string OtherFileSystem(const std::string& dir) {
  struct stat a, b;
  if (stat(dir.c_str(), &a) != 0 || stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev) return "";
  return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";
}

TEST(DiskTest, FreeSpaceWalksUpToAnExistingFolder) {
  TempDir dir;
  std::uint64_t here = 0, deeper = 0;
  ASSERT_EQ(1, ds::GetFreeDiskSpace(dir.path().c_str(), &here));
  EXPECT_GT(here, 0u);
  std::string missing = dir.path() + "\\not\\yet\\there";  // Windows separators are fine
  ASSERT_EQ(1, ds::GetFreeDiskSpace(missing.c_str(), &deeper));
  struct statvfs fs;
  ASSERT_EQ(0, statvfs(dir.path().c_str(), &fs));
  std::uint64_t expected = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
  // Other processes write meanwhile: allow a little drift.
  EXPECT_LT(deeper > expected ? deeper - expected : expected - deeper, 64u << 20);
  std::uint64_t relative = 0;
  EXPECT_EQ(1, ds::GetFreeDiskSpace("no-such-relative-folder/x", &relative));
  EXPECT_GT(relative, 0u);
}

TEST(DiskTest, MoveReplacesWithinOneFileSystem) {
  TempDir dir;
  WriteWholeFile(dir.File("new"), "new content");
  WriteWholeFile(dir.File("old"), "old");
  EXPECT_EQ(1, ds::MoveFileReplace(dir.File("new").c_str(), dir.File("old").c_str()));
  EXPECT_EQ("new content", ReadWholeFile(dir.File("old")));
  EXPECT_NE(0, access(dir.File("new").c_str(), F_OK));
  EXPECT_EQ(0, ds::MoveFileReplace(dir.File("new").c_str(), dir.File("old").c_str()));
  EXPECT_EQ("new content", ReadWholeFile(dir.File("old")));
}

TEST(DiskTest, MoveAcrossFileSystemsCopiesCompletely) {
  TempDir dir;
  std::string other = OtherFileSystem(dir.path());
  if (other.empty()) GTEST_SKIP() << "no second file system";
  std::string source = other + "/corvane-move-" + std::to_string(getpid());
  std::string data(300000, 'q');
  data[12345] = '\0';
  WriteWholeFile(source, data);
  ASSERT_EQ(0, chmod(source.c_str(), 0751));
  WriteWholeFile(dir.File("target.exe"), "old installer");

  ASSERT_EQ(1, ds::MoveFileReplace(source.c_str(), dir.File("target.exe").c_str()));
  EXPECT_EQ(data, ReadWholeFile(dir.File("target.exe")));
  struct stat st;
  ASSERT_EQ(0, stat(dir.File("target.exe").c_str(), &st));
  EXPECT_EQ(0751u, st.st_mode & 07777);
  EXPECT_NE(0, access(source.c_str(), F_OK)) << "the source is deleted";
  EXPECT_EQ(std::vector<std::string>{"target.exe"}, ListDirectory(dir.path())) << "no temporary file left";

  // A folder as target: nothing changes, nothing is left.
  WriteWholeFile(source, "data");
  ASSERT_EQ(0, mkdir(dir.File("folder").c_str(), 0755));
  EXPECT_EQ(0, ds::MoveFileReplace(source.c_str(), dir.File("folder").c_str()));
  EXPECT_EQ("data", ReadWholeFile(source));
  unlink(source.c_str());
  EXPECT_EQ(2u, ListDirectory(dir.path()).size());
}

TEST(DiskTest, FailedCrossFileSystemCopyLeavesTheTargetAlone) {
  TempDir dir;
  std::string other = OtherFileSystem(dir.path());
  if (other.empty()) GTEST_SKIP() << "no second file system";
  std::string source = other + "/corvane-move-big-" + std::to_string(getpid());
  WriteWholeFile(source, std::string(1 << 20, 'b'));
  WriteWholeFile(dir.File("target"), "old");
  // A file-size limit below the source's length makes the copy fail part way, like a full disk.
  pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {100000, 100000};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(ds::MoveFileReplace(source.c_str(), dir.File("target").c_str()) == 0 ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the move must report failure";
  EXPECT_EQ("old", ReadWholeFile(dir.File("target")));
  EXPECT_EQ(std::size_t{1} << 20, ReadWholeFile(source).size());
  EXPECT_EQ(std::vector<std::string>{"target"}, ListDirectory(dir.path())) << "no temporary file left";
  unlink(source.c_str());
}

}  // namespace
