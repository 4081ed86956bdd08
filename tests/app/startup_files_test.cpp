// Start-up's file work: the data pack swap, the fresh log, the updater replacement, the work
// path of an installation that is not writable, and the crash dump.
#include "app/shell/startup_files.h"

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/log/logger.h"
#include "core/platform/program_paths.h"
#include "core/text/path.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::ListDirectory;
using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

TEST(StartupFilesTest, NewDataPackReplacesTheOldInOneStep) {
  TempDir dir;
  EXPECT_EQ(0, shell::SwapDataPack(dir.path(), 14));  // nothing waiting
  WriteWholeFile(dir.File("soft.dat"), "old");
  EXPECT_EQ(0, shell::SwapDataPack(dir.path(), 14));
  EXPECT_EQ("old", ReadWholeFile(dir.File("soft.dat")));

  WriteWholeFile(dir.File("Soft15.dat"), "new");
  EXPECT_EQ(1, shell::SwapDataPack(dir.path(), 14));
  EXPECT_EQ("new", ReadWholeFile(dir.File("soft.dat")));
  EXPECT_EQ((std::vector<std::string>{"soft.dat"}), ListDirectory(dir.path()));

  // An old pack in another letter case does not stay beside the new one.
  TempDir other;
  WriteWholeFile(other.File("Soft.dat"), "old");
  WriteWholeFile(other.File("soft15.DAT"), "new");
  EXPECT_EQ(1, shell::SwapDataPack(other.path(), 14));
  EXPECT_EQ((std::vector<std::string>{"soft.dat"}), ListDirectory(other.path()));
  EXPECT_EQ("new", ReadWholeFile(other.File("soft.dat")));
}

TEST(StartupFilesTest, UpdaterReplacementKeepsAnUpdaterAtEveryMoment) {
  TempDir dir;
  WriteWholeFile(dir.File("update"), "old");
  EXPECT_EQ(0, shell::ReplaceUpdater(dir.path()));
  WriteWholeFile(dir.File("update2"), "new");
  ::chmod(dir.File("update2").c_str(), 0755);
  EXPECT_EQ(1, shell::ReplaceUpdater(dir.path()));
  EXPECT_EQ("new", ReadWholeFile(dir.File("update")));
  EXPECT_FALSE(ds::PathExists(dir.File("update2")));
}

TEST(StartupFilesTest, EachRunStartsAFreshLog) {
  TempDir dir;
  WriteWholeFile(dir.File("Error.log"), "[00:00:00] [Warn] [old] line of an earlier run\n");
  {
    ds::LogOut2File log;
    ASSERT_EQ(1, shell::StartFreshLog(dir.path(), log));
    ds::LoggerHolder::Instance()->AddAppender(&log);
    ds::LogWarn("StartupFilesTest")("this run");
    ds::LoggerHolder::Instance()->RemoveAppender(&log);
  }
  const std::string text = ReadWholeFile(dir.File("Error.log"));
  EXPECT_EQ(std::string::npos, text.find("earlier run"));
  EXPECT_NE(std::string::npos, text.find("this run"));
}

// Root writes everywhere: as root, the owner's write bit stands in for what access() reports.
bool OwnerMayWrite(const std::string& dir) {
  struct stat st {};
  return ::stat(dir.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
}
std::string WorkPathFor(const std::string& program) {
  return ::geteuid() == 0 ? ds::ChooseWorkPath(program, &OwnerMayWrite) : ds::ChooseWorkPath(program);
}

TEST(StartupFilesTest, ReadOnlyInstallationWritesUnderTheUserDataFolder) {
  TempDir program;
  TempDir data;
  EXPECT_EQ(program.path(), WorkPathFor(program.path()));
  ::chmod(program.path().c_str(), 0555);
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_DATA_HOME", data.path().c_str(), 1);
  EXPECT_EQ(data.File("corvane"), WorkPathFor(program.path()));
  EXPECT_TRUE(ds::IsDirectory(data.File("corvane")));
  if (old) setenv("XDG_DATA_HOME", saved.c_str(), 1); else unsetenv("XDG_DATA_HOME");
  ::chmod(program.path().c_str(), 0755);
}

TEST(StartupFilesDeathTest, CrashWritesADumpUnderTheWorkPathAndFails) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child writes into this test's folder
  TempDir dir;
  // The current folder is not the work path (as under the desktop's autostart).
  EXPECT_EXIT(
      {
        if (::chdir("/") != 0) std::_Exit(0);
        shell::InstallCrashHandler(dir.path());
        std::raise(SIGSEGV);
      },
      ::testing::ExitedWithCode(128 + SIGSEGV), "");
  const std::vector<std::string> dumps = ListDirectory(dir.File("Errors"));
  ASSERT_EQ(1u, dumps.size());
  EXPECT_EQ(19u, dumps[0].size());  // YYYYMMDD-HHMMSS.dmp
  EXPECT_EQ(".dmp", dumps[0].substr(15));
  const std::string dump = ReadWholeFile(dir.File("Errors/" + dumps[0]));
  EXPECT_NE(std::string::npos, dump.find("signal 11"));
  EXPECT_NE(std::string::npos, dump.find("backtrace:\n"));
  EXPECT_GT(dump.size(), dump.find("backtrace:\n") + 20);  // frames follow
}

}  // namespace
