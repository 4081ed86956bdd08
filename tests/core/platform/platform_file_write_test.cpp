#include "core/platform/file_write.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/common/temp_dir.h"

namespace {

using corvane_test::ListDirectory;
using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

unsigned ModeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(FileWriteTest, ReplaceKeepsModesFollowsLinksAndLeavesNothingBehind) {
  TempDir dir;
  // A new file gets the mode asked for, untouched by the umask.
  ASSERT_TRUE(ds::ReplaceFileAtomically(dir.File("new"), "first", 0666));
  EXPECT_EQ("first", ReadWholeFile(dir.File("new")));
  EXPECT_EQ(0666u, ModeOf(dir.File("new")));

  // An existing file keeps its mode.
  ASSERT_EQ(0, chmod(dir.File("new").c_str(), 0604));
  ASSERT_TRUE(ds::ReplaceFileAtomically(dir.File("new"), std::string(100000, 'z'), 0600));
  EXPECT_EQ(std::string(100000, 'z'), ReadWholeFile(dir.File("new")));
  EXPECT_EQ(0604u, ModeOf(dir.File("new")));

  // Through a symbolic link the file it points to is replaced and the link stays.
  ASSERT_EQ(0, mkdir(dir.File("real").c_str(), 0700));
  WriteWholeFile(dir.File("real/target"), "old");
  ASSERT_EQ(0, chmod(dir.File("real/target").c_str(), 0640));
  ASSERT_EQ(0, symlink("real/target", dir.File("link").c_str()));
  ASSERT_TRUE(ds::ReplaceFileAtomically(dir.File("link"), "through the link", 0600));
  struct stat st;
  ASSERT_EQ(0, lstat(dir.File("link").c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ("through the link", ReadWholeFile(dir.File("real/target")));
  EXPECT_EQ(0640u, ModeOf(dir.File("real/target")));
  EXPECT_EQ(std::vector<std::string>{"target"}, ListDirectory(dir.File("real")));

  // Failures: no folder, or a folder in the target's place.
  EXPECT_FALSE(ds::ReplaceFileAtomically(dir.File("missing/file"), "x", 0600));
  ASSERT_EQ(0, mkdir(dir.File("real/folder").c_str(), 0700));
  WriteWholeFile(dir.File("real/folder/inside"), "keep");
  EXPECT_FALSE(ds::ReplaceFileAtomically(dir.File("real/folder"), "x", 0600));
  EXPECT_EQ("keep", ReadWholeFile(dir.File("real/folder/inside")));
  EXPECT_EQ(2u, ListDirectory(dir.File("real")).size()) << "no temporary file left";
  EXPECT_EQ(3u, ListDirectory(dir.path()).size());
}

TEST(FileWriteTest, CreationModeMatchesWhatOpenCreates) {
  TempDir dir;
  const mode_t saved = umask(027);
  const unsigned asked = ds::CreationMode(0666);
  const int fd = open(dir.File("probe").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  umask(077);
  const unsigned strict = ds::CreationMode(0666);
  umask(saved);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(0640u, asked);
  EXPECT_EQ(ModeOf(dir.File("probe")), asked);
  EXPECT_EQ(0600u, strict);
}

TEST(FileWriteTest, ReplacementTakesEffectOnlyOnCommit) {
  TempDir dir;
  WriteWholeFile(dir.File("target"), "old");
  {
    ds::FileReplacement dropped(dir.File("target"));
    ASSERT_GE(dropped.fd(), 0);
    ASSERT_TRUE(ds::WriteAll(dropped.fd(), "new", 3));
    EXPECT_EQ(2u, ListDirectory(dir.path()).size());
  }
  EXPECT_EQ("old", ReadWholeFile(dir.File("target")));
  EXPECT_EQ(std::vector<std::string>{"target"}, ListDirectory(dir.path()));

  {
    ds::FileReplacement kept(dir.File("target"));
    ASSERT_TRUE(ds::WriteAll(kept.fd(), "new", 3));
    ASSERT_TRUE(kept.Commit());
    EXPECT_FALSE(kept.Commit()) << "a replacement is committed once";
  }
  EXPECT_EQ("new", ReadWholeFile(dir.File("target")));
  EXPECT_EQ(std::vector<std::string>{"target"}, ListDirectory(dir.path()));

  // A rename that fails reports why and removes the temporary file.
  ASSERT_EQ(0, mkdir(dir.File("folder").c_str(), 0700));
  WriteWholeFile(dir.File("folder/inside"), "");
  {
    ds::FileReplacement blocked(dir.File("folder"));
    ASSERT_GE(blocked.fd(), 0);
    errno = 0;
    EXPECT_FALSE(blocked.Commit());
    EXPECT_TRUE(errno == EISDIR || errno == ENOTEMPTY || errno == EEXIST) << errno;
  }
  EXPECT_EQ(2u, ListDirectory(dir.path()).size());

  ds::FileReplacement nowhere(dir.File("missing/target"));
  EXPECT_EQ(-1, nowhere.fd());
  EXPECT_EQ(ENOENT, errno);
  EXPECT_FALSE(nowhere.Commit());
}

TEST(FileWriteTest, WriteAllReportsAClosedReader) {
  int pipe_fds[2];
  ASSERT_EQ(0, pipe2(pipe_fds, O_CLOEXEC));
  close(pipe_fds[0]);
  errno = 0;
  EXPECT_FALSE(ds::WriteAll(pipe_fds[1], "data", 4));
  EXPECT_EQ(EPIPE, errno);
  close(pipe_fds[1]);
}

}  // namespace
