#include "core/platform/named_mutex.h"

#include <csignal>
#include <cstdlib>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/common/temp_dir.h"

namespace {

using corvane_test::TempDir;

// Points XDG_RUNTIME_DIR at a private folder for the test's lifetime.
class NamedMutexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
  }
  void TearDown() override {
    if (had_old_)
      setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    else
      unsetenv("XDG_RUNTIME_DIR");
  }

  // Forks a child that takes `name` and then waits; returns once the child holds it.
  pid_t ForkHolder(const char* name) {
    int ready[2];
    EXPECT_EQ(0, pipe(ready));
    pid_t child = fork();
    if (child == 0) {
      close(ready[0]);
      ds::NamedMutex mutex;
      char taken = mutex.TryAcquire(name) == 1 ? 'y' : 'n';
      if (write(ready[1], &taken, 1) != 1) _exit(2);
      for (;;) pause();
    }
    close(ready[1]);
    char taken = 0;
    EXPECT_EQ(1, read(ready[0], &taken, 1));
    close(ready[0]);
    EXPECT_EQ('y', taken);
    return child;
  }

  TempDir runtime_;
  bool had_old_ = false;
  std::string old_;
};

TEST_F(NamedMutexTest, RuntimeFolderIsPrivateAndUnderXdg) {
  std::string dir = ds::GetRuntimeDirectory();
  EXPECT_EQ(runtime_.path() + "/corvane", dir);
  struct stat st;
  ASSERT_EQ(0, lstat(dir.c_str(), &st));
  EXPECT_EQ(0700u, st.st_mode & 0777);
  EXPECT_EQ(dir + "/Corvane.lock", ds::NamedMutexPath("Corvane"));
}

TEST_F(NamedMutexTest, FallsBackToTmpWithoutXdg) {
  unsetenv("XDG_RUNTIME_DIR");
  std::string dir = ds::GetRuntimeDirectory();
  EXPECT_EQ("/tmp/corvane-" + std::to_string(geteuid()), dir);
  struct stat st;
  ASSERT_EQ(0, lstat(dir.c_str(), &st));
  EXPECT_EQ(0u, st.st_mode & 022);
}

TEST_F(NamedMutexTest, RefusesUnsafeFolders) {
  std::string dir = runtime_.path() + "/corvane";
  ASSERT_EQ(0, mkdir(dir.c_str(), 0700));
  ASSERT_EQ(0, chmod(dir.c_str(), 0777));
  ds::NamedMutex mutex;
  EXPECT_EQ("", ds::GetRuntimeDirectory());
  EXPECT_EQ(-1, mutex.TryAcquire("Corvane"));
  EXPECT_FALSE(ds::NamedMutex::Exists("Corvane"));

  ASSERT_EQ(0, chmod(dir.c_str(), 0700));
  EXPECT_EQ(dir, ds::GetRuntimeDirectory());
  ASSERT_EQ(0, chmod(runtime_.path().c_str(), 0777));  // a parent anyone may rename things in
  EXPECT_EQ("", ds::GetRuntimeDirectory());
  ASSERT_EQ(0, chmod(runtime_.path().c_str(), 01777));  // sticky, like /tmp
  EXPECT_EQ(dir, ds::GetRuntimeDirectory());
  ASSERT_EQ(0, chmod(runtime_.path().c_str(), 0700));
  if (geteuid() == 0) {  // only root can give the folder away
    ASSERT_EQ(0, chown(dir.c_str(), 4321, 4321));
    EXPECT_EQ("", ds::GetRuntimeDirectory());
    EXPECT_EQ(-1, mutex.TryAcquire("Corvane"));
  }
}

TEST_F(NamedMutexTest, TwoHoldersInOneProcessExclude) {
  ds::NamedMutex first, second;
  EXPECT_EQ(-1, first.TryAcquire("a/b"));  // names must be plain file names
  EXPECT_EQ(-1, first.TryAcquire("Global\\Corvane"));
  EXPECT_FALSE(ds::NamedMutex::Exists("Corvane"));
  EXPECT_EQ(1, first.TryAcquire("Corvane"));
  EXPECT_EQ(1, first.TryAcquire("Corvane"));  // already ours
  EXPECT_TRUE(ds::NamedMutex::Exists("Corvane"));
  EXPECT_EQ(0, second.TryAcquire("Corvane"));
  EXPECT_EQ(1, second.TryAcquire("Other"));  // a different name is independent
  first.Release();
  EXPECT_FALSE(ds::NamedMutex::Exists("Corvane"));
  EXPECT_EQ(1, second.TryAcquire("Corvane"));  // drops "Other" on the way
  EXPECT_FALSE(ds::NamedMutex::Exists("Other"));
}

TEST_F(NamedMutexTest, HolderInAnotherProcessUntilKilled) {
  pid_t child = ForkHolder("Corvane");
  ds::NamedMutex mutex;
  EXPECT_TRUE(ds::NamedMutex::Exists("Corvane"));
  EXPECT_EQ(0, mutex.TryAcquire("Corvane"));
  EXPECT_EQ(0, ds::NamedMutex::WaitGone("Corvane", 3, 10));

  // A killed holder never runs its release: the kernel drops the lock.
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_FALSE(ds::NamedMutex::Exists("Corvane"));
  EXPECT_EQ(1, mutex.TryAcquire("Corvane"));
  std::string lock = ds::NamedMutexPath("Corvane");
  mutex.Release();
  struct stat st;
  EXPECT_EQ(0, stat(lock.c_str(), &st)) << "the lock file is never removed";
}

TEST_F(NamedMutexTest, WaitGoneSeesTheHolderLeave) {
  pid_t child = ForkHolder("Corvane");
  pid_t killer = fork();
  if (killer == 0) {
    usleep(200 * 1000);
    kill(child, SIGTERM);
    _exit(0);
  }
  EXPECT_EQ(1, ds::NamedMutex::WaitGone("Corvane", 50, 20));
  int status = 0;
  waitpid(killer, &status, 0);
  waitpid(child, &status, 0);
  EXPECT_EQ(1, ds::NamedMutex::WaitGone("Corvane", 0, 0));
}

}  // namespace
