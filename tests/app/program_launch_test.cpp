// Starting catalogue programs: the command line and folder of a start by name, and real starts
// of a program tree made here.
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "app/catalogue/launch_command.h"
#include "app/catalogue/software_mgr.h"
#include "tests/app/catalogue_fixture.h"

namespace {

using corvane_test::CatalogueFixture;
using corvane_test::ReadWholeFile;

TEST(LaunchCommandTest, ExecutablesAndHostedLibrariesAreQuoted) {
  EXPECT_EQ(BuildLaunchCommandLine("C:\\Program Files\\App\\App.EXE  ", nullptr),
            "\"C:\\Program Files\\App\\App.EXE\"");
  EXPECT_EQ(BuildLaunchCommandLine("C:\\Windows\\System32\\rundll32.exe shell32.dll,Control_RunDLL", ""),
            "\"C:\\Windows\\System32\\rundll32.exe\" \"shell32.dll\",Control_RunDLL");
  EXPECT_EQ(BuildLaunchCommandLine("/opt/Tools/Run", " -x"), "\"/opt/Tools/Run\" -x")
      << "a program without .exe is quoted whole";
  EXPECT_EQ(BuildLaunchCommandLine("C:\\a.dll\\b.exe", nullptr), "\"C:\\a.dll\\b.exe\"")
      << "a .dll before the executable is not a hosted library";
  EXPECT_EQ(BuildLaunchCommandLine("C:\\x\\x.exe", " \"a\",\"b\""), "\"C:\\x\\x.exe\" a,b");
  EXPECT_EQ(BuildLaunchCommandLine("C:\\x\\x.exe", " \"a b\""), "\"C:\\x\\x.exe\" \"a b\"");
}

TEST(LaunchCommandTest, WorkingFolders) {
  EXPECT_EQ(LaunchWorkingDirectory("/opt/Tools/Run.exe", 3, 10), "/opt/Tools");
  EXPECT_EQ(LaunchWorkingDirectory("C:\\Windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL", -2, 10),
            "C:\\Windows\\system32");
  EXPECT_EQ(LaunchWorkingDirectory("C:\\Windows\\system32\\calc.exe", -2, 6), "C:\\Windows\\system32");
  EXPECT_EQ(LaunchWorkingDirectory("xyz C:\\Windows\\calc.exe", -2, 5), "C:\\Windows");
}

class ProgramLaunchTest : public CatalogueFixture {
 protected:
  // An executable script that records its arguments and working folder in `out`.
  std::string MakeScript(const std::string& relative, const std::string& out) {
    const std::string path = MakeFile(relative, "#!/bin/sh\necho \"$PWD|$*\" > '" + out + "'\n");
    chmod(path.c_str(), 0755);
    return path;
  }

  static std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 500; ++i) {
      std::string text = ReadWholeFile(path);
      if (!text.empty() && text.back() == '\n') return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "";
  }

  SoftwareMgr mgr_;
};

TEST_F(ProgramLaunchTest, ProgramsStartInTheirFolderWithTheirParameters) {
  const std::string script = MakeScript("Apps/My Tool/run", dir_.File("by-id.txt"));
  const std::string byName = MakeScript("Apps/Named/Start", dir_.File("by-name.txt"));
  WriteCatalogue("software/software.xml",
                 "<s id=\"1\" name=\"工具\" RegRootIndex=\"4\" regapp=\"" + script + "\"/>"
                 "<s id=\"2\" name=\"named\" RegRootIndex=\"4\" regapp=\"" + byName + "\"/>"
                 "<s id=\"3\" name=\"locked\" enableuse=\"0\" RegRootIndex=\"4\" regapp=\"" + script + "\"/>");
  mgr_.BuildStates();
  mgr_.DetectAll();
  ASSERT_EQ(mgr_.FindState(1)->status, StatusInstalled);

  ASSERT_TRUE(mgr_.RunProgram(1, "--open \"a file\""));
  EXPECT_EQ(WaitForFile(dir_.File("by-id.txt")), dir_.File("Apps/My Tool") + "|--open a file\n");
  ASSERT_TRUE(mgr_.RunProgramByName("named", " one two"));
  EXPECT_EQ(WaitForFile(dir_.File("by-name.txt")), dir_.File("Apps/Named") + "|one two\n")
      << "the path keeps its letter case";
  EXPECT_FALSE(mgr_.RunProgram(3, nullptr));
  EXPECT_FALSE(mgr_.RunProgramByName("locked", nullptr));
  EXPECT_FALSE(mgr_.RunProgram(99, nullptr));
}

TEST_F(ProgramLaunchTest, AVanishedExecutableIsDetectedAgain) {
  const std::string exe = MakeFile("p/app", "#!/bin/sh\n");
  chmod(exe.c_str(), 0755);
  PutRegistry(HKEY_LOCAL_MACHINE, "SOFTWARE\\P", "Path", exe);
  WriteCatalogue("software/software.xml",
                 "<s id=\"1\" name=\"p\" type=\"3\" PerformStyle=\"3\" regapp=\"SOFTWARE\\P\" regname=\"Path\" "
                 "url=\"http://h/p-setup.exe\"/>");
  mgr_.BuildStates();
  mgr_.DetectAll();
  ASSERT_EQ(mgr_.FindState(1)->status, StatusInstalled);
  ASSERT_EQ(0, std::remove(exe.c_str()));
  EXPECT_FALSE(mgr_.RunProgram(1, nullptr));
  EXPECT_EQ(mgr_.FindState(1)->status, StatusNotInstalled);

  MakeFile("p/app", "#!/bin/sh\n");
  mgr_.DetectAll();
  ASSERT_EQ(0, std::remove(exe.c_str()));
  EXPECT_FALSE(mgr_.RunProgramByName("p", nullptr));
  EXPECT_EQ(mgr_.FindState(1)->status, StatusDownloaded) << "as the start-by-name path marks it";

  SoftwareState& upgrading = *mgr_.FindState(1);
  upgrading.status = StatusInstalled;
  upgrading.usesUpdateStatus = 1;
  upgrading.updateStatus = StatusDownloading;
  EXPECT_FALSE(mgr_.RunProgramByName("p", nullptr));
  EXPECT_EQ(upgrading.updateStatus, StatusDownloading) << "a running download keeps its status";
}

}  // namespace
