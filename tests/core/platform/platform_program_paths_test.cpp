// The work path of a per-user and of a read-only (system-wide) installation, and the launcher
// the desktop is given for an installed program.
#include "core/platform/program_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "core/text/path.h"
#include "tests/common/privileges.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::TempDir;

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old, had_ = true;
    if (value) setenv(name, value, 1); else unsetenv(name);
  }
  ~ScopedEnv() { if (had_) setenv(name_, saved_.c_str(), 1); else unsetenv(name_); }

 private:
  const char* name_;
  std::string saved_;
  bool had_ = false;
};

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Run as an ordinary user would see the modes (root ignores them otherwise).
TEST(ProgramPathsTest, WorkPathFollowsTheProgramFolderOnlyWhileItIsWritable) {
  TempDir root;
  const std::string program = root.File("lib/corvane");
  ASSERT_TRUE(ds::MakeDirectories(program));
  EXPECT_EQ(0, corvane_test::RunWithoutFileModeOverride([&] {
    if (ds::ChooseWorkPath(program) != program) return false;
    ::chmod(program.c_str(), 0555);
    bool ok = true;
    {
      ScopedEnv data("XDG_DATA_HOME", root.File("data").c_str());
    ok &= ds::ChooseWorkPath(program) == root.File("data/corvane");
      ok &= ModeOf(root.File("data/corvane")) == 0700;
    }
    {
      // A relative XDG_DATA_HOME is invalid: the home folder's default applies.
      ScopedEnv data("XDG_DATA_HOME", "relative/data");
      ScopedEnv home("HOME", root.File("home").c_str());
      ok &= ds::ChooseWorkPath(program) == root.File("home/.local/share/corvane");
    }
    {
      // Nowhere to write: no work path rather than a folder the program cannot use.
      ScopedEnv data("XDG_DATA_HOME", (program + "/data").c_str());
      ok &= ds::ChooseWorkPath(program).empty();
    }
    ::chmod(program.c_str(), 0755);
    return ok;
  }));
}

TEST(ProgramPathsTest, LauncherOnlyWhenItStartsThisProgram) {
  TempDir root;
  const std::string prefix = root.File("prefix");
  const std::string program = prefix + "/lib/corvane/Corvane";
  ASSERT_TRUE(ds::MakeDirectories(prefix + "/lib/corvane") && ds::MakeDirectories(prefix + "/bin"));
  corvane_test::WriteWholeFile(program, "#!/bin/sh\n");
  ASSERT_EQ(0, ::chmod(program.c_str(), 0755));

  EXPECT_EQ(program, ds::ProgramLauncher(program));  // no launcher installed
  ASSERT_EQ(0, ::symlink("../lib/corvane/Corvane", (prefix + "/bin/corvane").c_str()));
  EXPECT_EQ(prefix + "/bin/corvane", ds::ProgramLauncher(program));

  // A launcher of another installation is not ours to name.
  const std::string other = root.File("other/lib/corvane/Corvane");
  ASSERT_TRUE(ds::MakeDirectories(ds::DirectoryOf(other)));
  corvane_test::WriteWholeFile(other, "#!/bin/sh\n");
  ASSERT_EQ(0, ::unlink((prefix + "/bin/corvane").c_str()));
  ASSERT_EQ(0, ::symlink(other.c_str(), (prefix + "/bin/corvane").c_str()));
  EXPECT_EQ(program, ds::ProgramLauncher(program));

  // A build folder is no installation.
  EXPECT_EQ(root.File("build/dist/Corvane"), ds::ProgramLauncher(root.File("build/dist/Corvane")));
}

}  // namespace
